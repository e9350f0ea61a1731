#pragma once
// zucomm without a display: `zucomm monitor`, `zucomm read`, `zucomm write`.
// The same engine, codec and serial port component as the windows, driven
// from a terminal or a script.
#include <QStringList>

class QTextStream;

namespace zu::cli {

// True when the arguments ask for the command line rather than the window:
// a subcommand (any first argument not starting with '-'), --help, -h or
// --version. Other dash options (-platform, -style...) belong to the window.
bool IsCommandLine(int argc, char** argv);

// Runs the command line with its own QCoreApplication (made here when none
// exists yet) and returns the exit status.
int run(int argc, char** argv);

// The same on a given argument list (args[0] is the program), writing results
// to `out` and errors to `err`; needs a running QCoreApplication.
int run(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
