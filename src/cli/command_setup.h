#pragma once
// What every subcommand does before it talks to a device: parse its options,
// find the port and the line setting, and report a mistake in one line.
#include "cli/cli_options.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QTextStream;

namespace zu {
class AppState;
class Clock;
class LineFactory;
} // namespace zu

namespace zu::cli {

// What a command talks through: the port and its line setting, on a real
// clock, with the shared state holding both as the windows would.
struct CommandLink {
    ResolvedPort port;
    LineSpec line;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<LineFactory> lines;
    std::unique_ptr<AppState> app;

    CommandLink();
    CommandLink(CommandLink&&) noexcept;
    ~CommandLink();
};

struct CommandText {
    QString name;        // "read"
    QString synopsis;    // "--port PORT --address N --register R [--count C]"
    QString summary;     // one paragraph
    int positionals = 0; // arguments besides the options it takes at most
};

// A subcommand's parser with the options all of them share (--help, --port,
// --line); the command adds its own.
class CommandParser {
  public:
    explicit CommandParser(CommandText text);
    QCommandLineParser& parser() { return parser_; }

    // Parses args (args[0] is the program). Returns an exit status when the
    // command is finished already (help shown: ExitOk; a bad option or a
    // missing port: ExitUsage, with one line on err), else nothing.
    std::optional<int> parse(const QStringList& args, QTextStream& out, QTextStream& err);

    // The port and line setting (from --line, else SETDT.$$$ in the current
    // directory, else the PC's default 9600,7,E,1,ASCII). On failure one line
    // is written to err and *exitCode set.
    std::optional<ResolvedPort> port(QTextStream& err, int* exitCode);
    std::optional<LineSpec> line(AppState& app, QTextStream& err, int* exitCode);
    // Both of them, applied to a new shared state.
    std::optional<CommandLink> link(QTextStream& err, int* exitCode);

    // "zucomm read: <message>" on err; returns code.
    int fail(QTextStream& err, int code, const QString& message) const;
    QString helpText() const;

  private:
    CommandText text_;
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption port_;
    QCommandLineOption line_;
};

// The exit status paragraph of every help text.
QString ExitStatusHelp();

// Flushes out; empty when all of it was written, else a line saying it was
// not (a full disc, a closed pipe), for standard error.
QString OutputProblem(QTextStream& out);

} // namespace zu::cli
