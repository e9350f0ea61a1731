#include "cli/command_setup.h"

#include "core/app_state.h"
#include "core/clock.h"
#include "sim/lib/standard_line_factory.h"

#include <QFileInfo>
#include <QTextStream>

namespace zu::cli {

namespace {

// The line part of the word the PC uses without SETDT.$$$: 9600,7,E,1,ASCII.
constexpr std::int32_t kDefaultLineWord = 36;

} // namespace

QString ExitStatusHelp() {
    return QStringLiteral(
        "Exit status:\n"
        "  0  success\n"
        "  2  bad or missing option\n"
        "  3  port error: missing, in use, no permission, or lost while open\n"
        "  4  time-out: no complete reply (\"Received data time out error\")\n"
        "  5  bad reply: format, checksum, unexpected function or another address\n"
        "  6  refused: an exception reply, or a write echo that differs\n"
        "  7  output error: the results could not be written to standard output\n");
}

QString OutputProblem(QTextStream& out) {
    out.flush();
    if (out.status() == QTextStream::Ok)
        return {};
    const QIODevice* device = out.device();
    const QString why = device ? device->errorString() : QString();
    return why.isEmpty() || why == QLatin1String("Unknown error")
               ? QStringLiteral("the results could not be written to standard output")
               : QStringLiteral("the results could not be written to standard output: %1").arg(why);
}

CommandParser::CommandParser(CommandText text)
    : text_(std::move(text)), help_({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Show this help and exit.")),
      port_(QStringLiteral("port"),
            QStringLiteral("The serial port: COM1..COM12 (as mapped by the port directory), a "
                           "device path (/dev/ttyUSB0, /dev/pts/3, /dev/serial/by-id/...), or sim "
                           "(the built-in simulated line: families A, B, C at addresses 1, 2, 3). "
                           "Required."),
            QStringLiteral("PORT")),
      line_(QStringLiteral("line"),
            QStringLiteral("Line setting baud,data bits,parity,stop bits,format, e.g. "
                           "9600,7,E,1,ASCII or 19200,8,N,1,RTU (baud 2400..38400, parity N/E/O, "
                           "format ASCII/RTU). Default: SETDT.$$$ in the current directory, "
                           "else 9600,7,E,1,ASCII."),
            QStringLiteral("LINE")) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOption(help_);
    parser_.addOption(port_);
    parser_.addOption(line_);
}

QString CommandParser::helpText() const {
    QString options = parser_.helpText();
    // Qt's first line names the executable; ours names the subcommand.
    const int cut = options.indexOf(QLatin1String("Options:"));
    options = cut >= 0 ? options.mid(cut) : options;
    return QStringLiteral("Usage: zucomm %1 %2\n\n%3\n\n%4\n%5")
        .arg(text_.name, text_.synopsis, text_.summary, options.trimmed(), ExitStatusHelp());
}

int CommandParser::fail(QTextStream& err, int code, const QString& message) const {
    err << "zucomm " << text_.name << ": " << message << '\n';
    err.flush();
    return code;
}

std::optional<int> CommandParser::parse(const QStringList& args, QTextStream& out,
                                        QTextStream& err) {
    if (!parser_.parse(args))
        return fail(err, ExitUsage,
                    parser_.errorText() +
                        QStringLiteral(" Try 'zucomm %1 --help'.").arg(text_.name));
    if (parser_.isSet(help_)) {
        out << helpText();
        out.flush();
        return ExitOk;
    }
    if (parser_.positionalArguments().size() > text_.positionals)
        return fail(err, ExitUsage,
                    QStringLiteral("unexpected argument \"%1\". Try 'zucomm %2 --help'.")
                        .arg(parser_.positionalArguments().value(text_.positionals), text_.name));
    if (!parser_.isSet(port_))
        return fail(err, ExitUsage,
                    QStringLiteral("--port is missing: give COM1..COM12, a device path such as "
                                   "/dev/ttyUSB0, or sim"));
    if (parser_.values(port_).size() > 1)
        return fail(err, ExitUsage, QStringLiteral("--port given more than once"));
    if (parser_.isSet(line_)) {
        QString error;
        if (parser_.values(line_).size() > 1)
            return fail(err, ExitUsage, QStringLiteral("--line given more than once"));
        if (!ParseLineSpec(parser_.value(line_), &error))
            return fail(err, ExitUsage, error);
    }
    return std::nullopt;
}

std::optional<ResolvedPort> CommandParser::port(QTextStream& err, int* exitCode) {
    const QString text = parser_.value(port_);
    // Only numbered ports need the machine's port list and the user's map.
    PortDirectory detected;
    if (ClassifyPort(text.trimmed()) == PortForm::Numbered) {
        detected = PortDirectory::detect();
        for (const QString& problem : detected.problems())
            err << "zucomm " << text_.name << ": warning: " << problem << '\n';
    }
    QString error;
    auto resolved = ResolvePort(text, detected, &error, exitCode);
    if (!resolved)
        fail(err, *exitCode, error);
    return resolved;
}

std::optional<LineSpec> CommandParser::line(AppState& app, QTextStream& err, int* exitCode) {
    if (parser_.isSet(line_)) {
        QString error;
        return ParseLineSpec(parser_.value(line_), &error); // checked by parse()
    }
    QString unreadable;
    if (!app.LoadComSetting(&unreadable)) {
        if (!unreadable.isEmpty())
            err << "zucomm " << text_.name << ": note: " << unreadable
                << "; using 9600,7,E,1,ASCII\n";
        app.ComSettingWord = kDefaultLineWord;
    } else if (app.ComSettingWord == 0) {
        err << "zucomm " << text_.name
            << ": note: " << QFileInfo(app.settingFilePath).absoluteFilePath()
            << " holds no setting; using 2400,7,N,1,ASCII as the window would\n";
    }
    auto line = LineSpecOfWord(app.ComSettingWord);
    if (!line) {
        *exitCode = ExitUsage;
        fail(err, ExitUsage,
             QStringLiteral("%1 holds %2, which names no baud rate; give --line")
                 .arg(QFileInfo(app.settingFilePath).absoluteFilePath())
                 .arg(app.ComSettingWord));
    }
    return line;
}

CommandLink::CommandLink() = default;
CommandLink::CommandLink(CommandLink&&) noexcept = default;
CommandLink::~CommandLink() = default;

std::optional<CommandLink> CommandParser::link(QTextStream& err, int* exitCode) {
    auto port = this->port(err, exitCode);
    if (!port)
        return std::nullopt;
    CommandLink l;
    l.clock = makeRealClock();
    l.lines = std::make_unique<sim::StandardLineFactory>(*l.clock);
    l.app = std::make_unique<AppState>(*l.clock, *l.lines, port->directory);
    const auto line = this->line(*l.app, err, exitCode);
    if (!line)
        return std::nullopt;
    ApplyLineSpec(*l.app, *line, port->comNumber);
    l.port = std::move(*port);
    l.line = *line;
    return l;
}

} // namespace zu::cli
