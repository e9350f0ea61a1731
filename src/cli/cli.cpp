#include "cli/cli.h"

#include "cli/command_setup.h"
#include "cli/monitor_command.h"
#include "cli/par_command.h"
#include "cli/protocol_commands.h"
#include "cli/rec_command.h"
#include "cli/record_command.h"
#include "cli/register_command.h"
#include "cli/transfer_command.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

namespace zu::cli {

namespace {

QString TopHelp() {
    return QStringLiteral(
               "Usage: zucomm                      start the window\n"
               "       zucomm SUBCOMMAND [options] work from a terminal, no display needed\n"
               "\n"
               "Subcommands:\n"
               "  monitor  poll up to four controllers as the monitor window does and print one\n"
               "           line per status cycle and controller, and errors as they happen\n"
               "  read     read 1..8 holding registers of one controller (function 03)\n"
               "  write    write one register of one controller (function 06), echo checked\n"
               "  upload   read a controller's whole parameter memory into a .par backup\n"
               "  download write a .par backup into one controller, or all (--all)\n"
               "  par      show a parameter backup (.par) by name, or compare two\n"
               "  rec      show a recording's (.rec) header, or print its records as CSV\n"
               "  scan     find the controllers on the line and the setting each answers in\n"
               "  set-protocol  give a controller a new address and line setting\n"
               "  record   sample the process value of up to ten controllers at a fixed\n"
               "           period, as the recorder window does, one line per cycle\n"
               "\n"
               "Every subcommand takes --port PORT and --line LINE:\n"
               "  PORT  COM1..COM12 (the port directory: detected ports, then\n"
               "        ~/.config/zucomm/ports.conf), a device path (/dev/ttyUSB0, /dev/pts/3,\n"
               "        /dev/serial/by-id/...), or sim, the built-in simulated line with\n"
               "        controllers of families A, B and C at addresses 1, 2 and 3\n"
               "  LINE  baud,data bits,parity,stop bits,format, e.g. 9600,7,E,1,ASCII or\n"
               "        19200,8,N,1,RTU; default: SETDT.$$$ in the current directory, else\n"
               "        9600,7,E,1,ASCII\n"
               "\n"
               "'zucomm SUBCOMMAND --help' explains the options of each subcommand.\n"
               "\n"
               "Examples:\n"
               "  zucomm monitor --port sim --address 1 --address 2 --address 3 --seconds 10\n"
               "  zucomm read --port /dev/ttyUSB0 --line 19200,8,N,1,RTU --address 1 \\\n"
               "              --register 0x4700 --count 4\n"
               "  zucomm write --port COM3 --address 2 --register 0x4701 --value 1234\n"
               "\n") +
           ExitStatusHelp();
}

} // namespace

bool IsCommandLine(int argc, char** argv) {
    if (argc < 2 || !argv[1])
        return false;
    const char* a = argv[1];
    return a[0] != '-' || std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 ||
           std::strcmp(a, "--version") == 0;
}

namespace {

int dispatch(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString sub = args.value(1);
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h") ||
        sub == QLatin1String("help")) {
        out << TopHelp();
        out.flush();
        return ExitOk;
    }
    if (sub == QLatin1String("--version")) {
        out << "zucomm " << ZUCOMM_VERSION << '\n';
        out.flush();
        return ExitOk;
    }
    // Each subcommand parses "zucomm <sub>" and the rest.
    QStringList rest = args.mid(2);
    rest.prepend(QStringLiteral("zucomm ") + sub);
    if (sub == QLatin1String("read"))
        return RunRead(rest, out, err);
    if (sub == QLatin1String("write"))
        return RunWrite(rest, out, err);
    if (sub == QLatin1String("monitor"))
        return RunMonitor(rest, out, err);
    if (sub == QLatin1String("upload"))
        return RunUpload(rest, out, err);
    if (sub == QLatin1String("download"))
        return RunDownload(rest, out, err);
    if (sub == QLatin1String("par"))
        return RunPar(args.mid(1), out, err);
    if (sub == QLatin1String("rec"))
        return RunRec(args.mid(1), out, err);
    if (sub == QLatin1String("scan"))
        return RunScan(rest, out, err);
    if (sub == QLatin1String("set-protocol"))
        return RunSetProtocol(rest, out, err);
    if (sub == QLatin1String("record"))
        return RunRecord(rest, out, err);
    err << "zucomm: unknown subcommand \"" << sub
        << "\"; the subcommands are monitor, read, write, upload, download, par, rec, scan, "
           "set-protocol and record. Try 'zucomm "
           "--help'.\n";
    err.flush();
    return ExitUsage;
}

} // namespace

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    const int code = dispatch(args, out, err);
    // Results that never arrived are no success, whatever the device said.
    const QString problem = OutputProblem(out);
    if (problem.isEmpty() || code == ExitOutput) // the monitor told it already
        return code;
    const QString sub = args.value(1);
    const bool named = sub == QLatin1String("read") || sub == QLatin1String("write") ||
                       sub == QLatin1String("monitor") || sub == QLatin1String("upload") ||
                       sub == QLatin1String("download") || sub == QLatin1String("scan") ||
                       sub == QLatin1String("set-protocol") || sub == QLatin1String("record");
    err << "zucomm" << (named ? QLatin1Char(' ') + sub : QString()) << ": " << problem << '\n';
    err.flush();
    return ExitOutput;
}

int run(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zucomm"));
    // Standard error carries the errors of the command only; QT_LOGGING_RULES
    // (e.g. "zucomm.*.debug=true") still turns the debug log on.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(QCoreApplication::arguments(), out, err);
}

} // namespace zu::cli
