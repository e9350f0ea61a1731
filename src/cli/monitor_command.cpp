#include "cli/monitor_command.h"

#include "cli/command_setup.h"
#include "cli/headless_monitor_view.h"
#include "cli/signal_watch.h"
#include "core/app_state.h"
#include "monitor/logic/monitor_engine.h"

#include <QEventLoop>
#include <QTextStream>

namespace zu::cli {

namespace {

// The window lays its fonts out on this width; the lines carry no fonts.
constexpr int kDesignWidth = 808;
// --seconds up to a year.
constexpr double kMaxSeconds = 365.0 * 24 * 3600;

} // namespace

int RunMonitor(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("monitor"),
         QStringLiteral("--port PORT [--address N]... [--seconds S] [--line LINE]"),
         QStringLiteral(
             "Polls up to four controllers with the monitor window's own engine: each address is "
             "identified, then its status is read cycle after cycle. One line is printed per "
             "completed status cycle and controller:\n"
             "  12:00:03.125 address=1 family=A PV=25.3 SV=100.0\n"
             "with PV and SV as the monitor shows them (decimals as the device reports them; "
             "\"- 20.0\" for a negative value; the PV error text such as \"Input error\" in place "
             "of a reading). Errors are printed as they happen,\n"
             "  12:00:04.200 address=2 error=\"Received data time out error\"\n"
             "and a controller that misses four replies in a row is dropped. Runs until S seconds "
             "have passed or Ctrl-C; ends with status 4 when no controller is left, 3 when the "
             "port fails, 5 on a reply from another address (the engine halts).\n\n"
             "Example: zucomm monitor --port sim --address 1 --address 2 --address 3 --seconds "
             "10")});
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Modbus address 1..247 of a controller; give "
                                                    "it up to four times (default: 1)."),
                                     QStringLiteral("N"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Stop after S seconds (decimals allowed); "
                                                    "without it, run until Ctrl-C."),
                                     QStringLiteral("S"));
    cmd.parser().addOption(address);
    cmd.parser().addOption(seconds);
    if (auto done = cmd.parse(args, out, err))
        return *done;

    QStringList given = cmd.parser().values(address);
    if (given.isEmpty())
        given << QStringLiteral("1");
    if (given.size() > SlotCount)
        return cmd.fail(
            err, ExitUsage,
            QStringLiteral("at most %1 addresses, one per monitor slot").arg(SlotCount));
    std::array<std::uint16_t, SlotCount> addresses{1, 1, 1, 1};
    for (int i = 0; i < given.size(); ++i) {
        const auto a = ParseNumber(given[i], 1, 247);
        if (!a)
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--address must be 1..247, not \"%1\"").arg(given[i]));
        addresses[std::size_t(i)] = std::uint16_t(*a);
    }
    std::int64_t runMs = -1;
    if (cmd.parser().isSet(seconds)) {
        bool ok = false;
        const double s = cmd.parser().value(seconds).toDouble(&ok);
        if (!ok || !(s > 0) || s > kMaxSeconds || cmd.parser().values(seconds).size() > 1)
            return cmd.fail(
                err, ExitUsage,
                QStringLiteral("--seconds must be a number of seconds above 0, not \"%1\"")
                    .arg(cmd.parser().values(seconds).join(QLatin1Char(' '))));
        runMs = std::int64_t(s * 1000 + 0.5);
    }

    int code = ExitUsage;
    const auto link = cmd.link(err, &code);
    if (!link)
        return code;
    Clock& clock = *link->clock;
    AppState& app = *link->app;
    app.ScaleWidth = kDesignWidth;

    QEventLoop loop;
    bool ended = false;
    HeadlessMonitorView::Ending ending;
    const auto endWith = [&](const HeadlessMonitorView::Ending& e) {
        if (ended)
            return;
        ended = true;
        ending = e;
        loop.quit();
    };
    HeadlessMonitorView view(clock, [&](const QString& text) {
        out << text << '\n';
        // Polling on with nobody to read the lines helps no one.
        if (const QString problem = OutputProblem(out); !problem.isEmpty())
            endWith({ExitOutput, problem});
    });
    view.onEnd = endWith;
    MonitorEngine engine(app, view);
    view.attach(engine);
    SignalWatch signalWatch([&](int) { endWith({ExitOk, {}}); });

    QStringList shown;
    for (int i = 0; i < given.size(); ++i)
        shown << QString::number(addresses[std::size_t(i)]);
    out << "# zucomm monitor on " << link->port.shownName << ", " << FormatLineSpec(link->line)
        << ", address " << shown.join(QStringLiteral(", ")) << '\n';
    if (const QString problem = OutputProblem(out); !problem.isEmpty())
        return cmd.fail(err, ExitOutput, problem);

    engine.FormShow();
    engine.ComAddr0Change(-1, addresses);
    for (int i = 0; i < given.size() && !ended; ++i)
        engine.RunBt0Click(i);
    TimerId stop = 0;
    if (runMs > 0)
        stop = clock.callAfter(runMs, [&] { endWith({ExitOk, {}}); });
    if (!ended)
        loop.exec();
    if (stop)
        clock.cancel(stop);
    engine.FormClose();

    // A device path given by the user is named as given, not as COM1.
    if (!ending.message.isEmpty())
        cmd.fail(err, ending.exitCode,
                 ending.exitCode == ExitPort ? PortOpenMessage(link->port, ending.message)
                                             : ending.message);
    return ending.exitCode;
}

} // namespace zu::cli
