#include "cli/transfer_command.h"

#include "cli/command_setup.h"
#include "cli/headless_monitor_view.h"
#include "cli/signal_watch.h"
#include "core/app_state.h"
#include "core/texts.h"
#include "device/parameter_image.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/logic/parameter_transfers.h"

#include <QEventLoop>
#include <cstdio>
#include <unistd.h>

namespace zu::cli {

namespace {

constexpr int kDesignWidth = 808;
// Identification and the status values a transfer needs come within a few
// cycles; a device that gives none by then is not there.
constexpr std::int64_t kReadyWithinMs = 30000;
constexpr int kCheckEveryMs = 50;

// Progress on standard error: one updating line on a terminal, plain lines
// (every tenth) when piped.
class ProgressLine : public TransferView {
  public:
    explicit ProgressLine(QTextStream& err) : err_(err), tty_(isatty(STDERR_FILENO)) {}
    std::string caption;
    std::string done, stopped;
    void showTransferProgress(bool shown, const std::string& c) override {
        if (shown)
            caption = c;
        else if (tty_ && printed_)
            err_ << '\n';
        err_.flush();
    }
    void setTransferProgress(int position) override {
        const int percent = position / 10;
        if (tty_) {
            err_ << '\r' << QString::fromStdString(caption) << ' ' << percent << " %";
            printed_ = true;
        } else if (percent / 10 != last_ / 10) {
            err_ << QString::fromStdString(caption) << ' ' << percent << " %\n";
        }
        last_ = percent;
        err_.flush();
    }
    void showUploadDone(const std::string& text) override { done = text; }
    void showTransferStopped(const std::string& text) override { stopped = text; }

  private:
    QTextStream& err_;
    bool tty_;
    bool printed_ = false;
    int last_ = -1;
};

// One controller on the monitor's engine, connected and read until its
// family, firmware and writing setting are known; then `job` runs, and the
// loop ends when it says so.
struct TransferRun {
    TransferRun(CommandParser& c, QTextStream& e) : cmd(c), err(e) {}
    CommandParser& cmd;
    QTextStream& err;
    int address = 1;
    HeadlessMonitorView::Ending ending;
    QEventLoop loop;
    bool ended = false;

    void end(int code, const QString& message) {
        if (ended)
            return;
        ended = true;
        ending = {code, message};
        loop.quit();
    }

    // start: called once the device is ready; returns false to end at once
    // (it has called end). finished: polled until it returns true.
    int run(const CommandLink& link,
            const std::function<bool(ParameterTransfers&, const DeviceSlot&)>& start,
            const std::function<bool(ParameterTransfers&)>& finished, ProgressLine& progress) {
        Clock& clock = *link.clock;
        AppState& app = *link.app;
        app.ScaleWidth = kDesignWidth;
        HeadlessMonitorView view(clock, [](const QString&) {});
        view.onEnd = [&](const HeadlessMonitorView::Ending& e) { end(e.exitCode, e.message); };
        MonitorEngine engine(app, view);
        view.attach(engine);
        ParameterTransfers transfers(engine.model(), view, progress);
        engine.setTransferHooks(&transfers);
        SignalWatch signalWatch([&](int) { end(ExitOk, {}); });

        engine.FormShow();
        engine.ComAddr0Change(-1, {std::uint16_t(address), 1, 1, 1});
        engine.RunBt0Click(0);
        const std::int64_t deadline = clock.nowMs() + kReadyWithinMs;
        bool started = false;
        TimerId check = 0;
        std::function<void()> tick = [&] {
            check = 0;
            const MonitorModel& m = engine.model();
            const DeviceSlot& s = m.deviceSlots[0];
            if (!started) {
                const bool ready = s.connected && s.Family != FamilyUnknown &&
                                   s.FirmwareVersion != 0 &&
                                   m.RequestKind == regmap::KindStatusFirst &&
                                   (s.Family == 'C' || s.ComWriteEnabled != 255);
                if (ready) {
                    started = true;
                    if (!start(transfers, s))
                        return;
                } else if (clock.nowMs() > deadline) {
                    end(ExitTimeout, QString::fromLatin1(text::TimeoutError));
                    return;
                }
            } else if (finished(transfers)) {
                return;
            }
            if (!ended)
                check = clock.callAfter(kCheckEveryMs, tick);
        };
        check = clock.callAfter(kCheckEveryMs, tick);
        if (!ended)
            loop.exec();
        if (check)
            clock.cancel(check);
        engine.setTransferHooks(nullptr);
        engine.FormClose();
        if (!ending.message.isEmpty())
            cmd.fail(err, ending.exitCode,
                     ending.exitCode == ExitPort ? PortOpenMessage(link.port, ending.message)
                                                 : ending.message);
        return ending.exitCode;
    }
};

std::optional<int> AddressOption(CommandParser& cmd, const QCommandLineOption& o, QTextStream& err,
                                 int* address) {
    const auto a = ParseNumber(cmd.parser().value(o), 1, 247);
    if (!a)
        return cmd.fail(
            err, ExitUsage,
            QStringLiteral("--address must be 1..247, not \"%1\"").arg(cmd.parser().value(o)));
    *address = int(*a);
    return std::nullopt;
}

} // namespace

int RunUpload(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("upload"),
         QStringLiteral("--port PORT --address N --out FILE.par [--line LINE]"),
         QStringLiteral("Reads the whole parameter memory of one controller (256 replies, as "
                        "PARAMETERS > UPLOAD in the monitor) and saves it as a .par backup, "
                        "replacing FILE.par atomically. Progress goes to standard error.\n\n"
                        "Example: zucomm upload --port COM3 --address 2 --out kiln2.par")});
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Modbus address 1..247 (default: 1)."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption outFile(QStringLiteral("out"), QStringLiteral("The .par file."),
                                     QStringLiteral("FILE"));
    cmd.parser().addOption(address);
    cmd.parser().addOption(outFile);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    if (!cmd.parser().isSet(outFile))
        return cmd.fail(err, ExitUsage, QStringLiteral("--out FILE.par is missing"));
    TransferRun run(cmd, err);
    if (auto bad = AddressOption(cmd, address, err, &run.address))
        return *bad;
    int code = ExitUsage;
    const auto link = cmd.link(err, &code);
    if (!link)
        return code;
    ProgressLine progress(err);
    const QString path = cmd.parser().value(outFile);
    return run.run(
        *link,
        [&](ParameterTransfers& t, const DeviceSlot&) {
            if (t.StartUpload(text::MenuUpload))
                return true;
            run.end(ExitRefused, QString::fromLatin1(text::EnableComWriteFirst));
            return false;
        },
        [&](ParameterTransfers& t) {
            if (!progress.stopped.empty()) {
                run.end(ExitTimeout, QString::fromStdString(progress.stopped));
                return true;
            }
            if (progress.done.empty())
                return false;
            if (!SaveParFile(path, t.image)) {
                run.end(ExitOutput, QStringLiteral("%1: %2").arg(path, text::FailToSaveFile));
                return true;
            }
            out << QString::fromStdString(progress.done) << '\n';
            const QString problem = OutputProblem(out);
            run.end(problem.isEmpty() ? ExitOk : ExitOutput, problem);
            return true;
        },
        progress);
}

int RunDownload(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("download"),
         QStringLiteral("--port PORT --address N [--all] [--force] [--line LINE] FILE.par"),
         QStringLiteral(
             "Writes a .par backup into one controller register by register, in its family's "
             "order (as PARAMETERS > WRITE TO SELECTED DEVICE). With --all every controller on "
             "the line is written at once (broadcast, nobody answers; the controller at "
             "--address gives the family). A backup of another family is refused unless "
             "--force. Asks nothing.\n\n"
             "Example: zucomm download --port COM3 --address 5 kiln2.par"),
         1});
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Modbus address 1..247 (default: 1)."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("Write every controller on the line (broadcast)."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Write a backup of another family too."));
    cmd.parser().addOption(address);
    cmd.parser().addOption(all);
    cmd.parser().addOption(force);
    cmd.parser().addPositionalArgument(QStringLiteral("FILE.par"), QStringLiteral("The backup."));
    if (auto done = cmd.parse(args, out, err))
        return *done;
    if (cmd.parser().positionalArguments().size() != 1)
        return cmd.fail(err, ExitUsage, QStringLiteral("one FILE.par is needed"));
    TransferRun run(cmd, err);
    if (auto bad = AddressOption(cmd, address, err, &run.address))
        return *bad;
    ParameterImage image;
    const QString path = cmd.parser().positionalArguments().at(0);
    if (LoadParFile(path, &image) != ParFileStatus::Ok)
        return cmd.fail(err, ExitUsage,
                        QStringLiteral("%1: %2").arg(path, text::FileLengthOrContentError));
    int code = ExitUsage;
    const auto link = cmd.link(err, &code);
    if (!link)
        return code;
    ProgressLine progress(err);
    const bool broadcast = cmd.parser().isSet(all);
    return run.run(
        *link,
        [&](ParameterTransfers& t, const DeviceSlot& device) {
            t.image = image;
            if (device.Family != image.family() && !cmd.parser().isSet(force)) {
                run.end(ExitRefused, QString::fromLatin1(text::DifferentModelConfirm) +
                                         QStringLiteral(" (no: give --force to write it)"));
                return false;
            }
            if (t.StartDownload(broadcast,
                                broadcast ? text::MenuWriteAll : text::MenuWriteSelected))
                return true;
            run.end(ExitRefused, QString::fromLatin1(text::EnableComWriteFirst));
            return false;
        },
        [&](ParameterTransfers& t) {
            if (t.running())
                return false;
            if (!progress.stopped.empty()) {
                run.end(ExitRefused, QString::fromStdString(progress.stopped));
                return true;
            }
            out << path << " written" << (broadcast ? " to every controller" : "") << '\n';
            const QString problem = OutputProblem(out);
            run.end(problem.isEmpty() ? ExitOk : ExitOutput, problem);
            return true;
        },
        progress);
}

} // namespace zu::cli
