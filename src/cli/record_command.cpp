#include "cli/record_command.h"

#include "cli/command_setup.h"
#include "cli/signal_watch.h"
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "device/record_file.h"
#include "recorder/logic/recorder_acquisition.h"
#include "recorder/logic/recorder_state.h"

#include <QEventLoop>
#include <QTextStream>

namespace zu::cli {

namespace {

constexpr double kMaxSeconds = 365.0 * 24 * 3600;
// The recorder's SampleTime spin box goes no further.
constexpr int kMaxPeriod = 3600;

// The recorder window's face without a window: the address boxes and the
// period come from the options, error texts go to standard error.
class HeadlessRecorderView : public RecorderView {
  public:
    HeadlessRecorderView(const std::array<int, RecSlots>& addresses, int sampleTime,
                         std::function<void(const QString&)> errorLine)
        : addresses_(addresses), sampleTime_(sampleTime), errorLine_(std::move(errorLine)) {}
    void ShowAcquiring(bool) override {}
    void SetErrMess(const QString& text) override {
        if (!text.isEmpty())
            errorLine_(text);
    }
    void SetLoopCnt(const QString&) override {}
    void PaintAddressBox(int, RecAddressColour) override {}
    void SetControlEnabled(RecControl, bool) override {}
    void ShowMessage(const QString& text) override { message = text; }
    int ComAddr(int slot) const override { return addresses_[std::size_t(slot)]; }
    int SampleTime() const override { return sampleTime_; }
    QString message;

  private:
    std::array<int, RecSlots> addresses_;
    int sampleTime_;
    std::function<void(const QString&)> errorLine_;
};

// Keeps the newest reading of each slot; there is nothing to draw.
class LatestValues : public RecorderChartLink {
  public:
    explicit LatestValues(const RecorderState& rec) : rec_(rec) {}
    void StoreChartValue(int value) override {
        if (rec_.RecDeviceIndex >= 0 && rec_.RecDeviceIndex < RecSlots)
            values[std::size_t(rec_.RecDeviceIndex)] = value;
    }
    void StoreChartTime(int, int, int, int) override {}
    void PlotLatest() override {}
    void DrawChartFrame() override {}
    void ClearChartValue(int, int) override {}
    void StoreChartError(int) override {} // the line says Err from RecFailedAt
    std::array<int, RecSlots> values{};

  private:
    const RecorderState& rec_;
};

QString TimeText(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss.zzz"));
}

} // namespace

int RunRecord(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("record"),
         QStringLiteral("--port PORT --address N [--address M]... [--period SECONDS|0.5] "
                        "[--seconds S] [--line LINE]"),
         QStringLiteral(
             "Samples the process value of up to ten controllers at a fixed period with the "
             "recorder window's own acquisition (register 0x4700 of each, one after the "
             "other). One line is printed per completed cycle, the time of day and each "
             "address with its value in tenths shown with one decimal:\n"
             "  12:00:03.125 1=25.3 7=-4.2 9=Err\n"
             "Errors go to standard error with the recorder's texts as they happen,\n"
             "  12:00:04.200 DEVICE  3Received data time out error\n"
             "and the third failure of an address since the start drops it for good (Err). "
             "Runs until S seconds have passed or Ctrl-C; ends with status 4 when every "
             "address was dropped, 3 when the port fails or the line is lost.\n"
             "With --out every cycle is also appended to a .rec file as it closes, each "
             "record on the disc before the next cycle; a file that cannot be written is "
             "reported once on standard error and recording goes on.\n\n"
             "Example: zucomm record --port sim --address 1 --address 2 --period 0.5 "
             "--seconds 10")});
    const QCommandLineOption address(
        QStringLiteral("address"),
        QStringLiteral("Modbus address 1..247 of a controller; give it up to ten times."),
        QStringLiteral("N"));
    const QCommandLineOption period(
        QStringLiteral("period"),
        QStringLiteral("Seconds between cycles, 1..3600, or 0.5 (default: 1)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Stop after S seconds (decimals allowed); "
                                                    "without it, run until Ctrl-C."),
                                     QStringLiteral("S"));
    const QCommandLineOption outFile(
        QStringLiteral("out"),
        QStringLiteral("Also write the recording to this .rec file (replaced if it exists)."),
        QStringLiteral("FILE.rec"));
    for (const QCommandLineOption* o : {&address, &period, &seconds, &outFile})
        cmd.parser().addOption(*o);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    QCommandLineParser& p = cmd.parser();

    const QStringList given = p.values(address);
    if (given.isEmpty())
        return cmd.fail(err, ExitUsage, QStringLiteral("--address is missing"));
    if (given.size() > RecSlots)
        return cmd.fail(
            err, ExitUsage,
            QStringLiteral("at most %1 addresses, one per recorder slot").arg(RecSlots));
    std::array<int, RecSlots> addresses{};
    for (int i = 0; i < given.size(); ++i) {
        const auto a = ParseNumber(given[i], 1, 247);
        if (!a)
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--address must be 1..247, not \"%1\"").arg(given[i]));
        addresses[std::size_t(i)] = int(*a);
    }
    int sampleTime = 1;
    if (p.isSet(period)) {
        const QString v = p.value(period).trimmed();
        const auto whole = ParseNumber(v, 1, kMaxPeriod);
        if (v == QLatin1String("0.5") || v == QLatin1String("0"))
            sampleTime = 0;
        else if (whole && p.values(period).size() == 1)
            sampleTime = int(*whole);
        else
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--period must be 0.5 or whole seconds 1..%1, not "
                                           "\"%2\"")
                                .arg(kMaxPeriod)
                                .arg(p.values(period).join(QLatin1Char(' '))));
    }
    std::int64_t runMs = -1;
    if (p.isSet(seconds)) {
        bool ok = false;
        const double s = p.value(seconds).toDouble(&ok);
        if (!ok || !(s > 0) || s > kMaxSeconds || p.values(seconds).size() > 1)
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--seconds must be a number of seconds above 0, not "
                                           "\"%1\"")
                                .arg(p.values(seconds).join(QLatin1Char(' '))));
        runMs = std::int64_t(s * 1000 + 0.5);
    }

    int code = ExitUsage;
    auto link = cmd.link(err, &code);
    if (!link)
        return code;
    Clock& clock = *link->clock;
    AppState& app = *link->app;
    ReplyGathering replies(app);
    RecorderState rec;

    QEventLoop loop;
    bool ended = false;
    int exitCode = ExitOk;
    QString endMessage;
    const auto endWith = [&](int c, const QString& why) {
        if (ended)
            return;
        ended = true;
        exitCode = c;
        endMessage = why;
        loop.quit();
    };
    HeadlessRecorderView view(addresses, sampleTime, [&](const QString& text) {
        err << TimeText(clock.timeOfDay()) << ' ' << text << '\n';
        err.flush();
    });
    LatestValues chart(rec);
    RecorderAcquisition acq(app, replies, rec, view, chart);
    RecordFileWriter file;
    bool fileFailed = false;
    if (p.isSet(outFile)) {
        RecFileHeader header;
        for (int i = 0; i < RecSlots; ++i)
            header.address[std::size_t(i)] = std::uint8_t(addresses[std::size_t(i)]);
        header.sampleTime = std::uint8_t(sampleTime);
        if (const RecFileProblem problem = file.create(p.value(outFile), header))
            return cmd.fail(err, ExitOutput, QString::fromStdString(problem.line()));
        acq.onSampleRecord = [&](const std::array<std::uint8_t, RecordSampleSize>& r) {
            const RecFileProblem problem = file.append(DecodeRecordSample(r));
            if (problem && !fileFailed) {
                fileFailed = true; // the acquisition goes on; the file is not written further
                err << TimeText(clock.timeOfDay()) << ' ' << QString::fromStdString(problem.line())
                    << '\n';
                err.flush();
            }
        };
    }
    acq.onCycleClosed = [&] {
        QString line = TimeText(clock.timeOfDay());
        for (int i = 0; i < given.size(); ++i) {
            const auto s = std::size_t(i);
            line += QLatin1Char(' ') + QString::number(addresses[s]) + QLatin1Char('=') +
                    (rec.RecFailedAt[s] != -1 ? QStringLiteral("Err")
                                              : QString::number(chart.values[s] / 10.0, 'f', 1));
        }
        out << line << '\n';
        if (const QString problem = OutputProblem(out); !problem.isEmpty())
            endWith(ExitOutput, problem);
    };
    acq.onStopped = [&] {
        if (!view.message.isEmpty())
            endWith(ExitPort, PortOpenMessage(link->port, view.message));
        else
            endWith(ExitTimeout, QStringLiteral("every address was dropped"));
    };
    SignalWatch signalWatch([&](int) { endWith(ExitOk, {}); });

    QStringList shown;
    for (int i = 0; i < given.size(); ++i)
        shown << QString::number(addresses[std::size_t(i)]);
    out << "# zucomm record on " << link->port.shownName << ", " << FormatLineSpec(link->line)
        << ", address " << shown.join(QStringLiteral(", ")) << ", period "
        << (sampleTime == 0 ? QStringLiteral("0.5") : QString::number(sampleTime)) << " s\n";
    if (const QString problem = OutputProblem(out); !problem.isEmpty())
        return cmd.fail(err, ExitOutput, problem);

    acq.FormShow();
    acq.StartBtClick();
    if (!rec.RecAcquiring && !ended)
        endWith(ExitPort, PortOpenMessage(link->port, view.message));
    TimerId stop = 0;
    if (runMs > 0)
        stop = clock.callAfter(runMs, [&] { endWith(ExitOk, {}); });
    if (!ended)
        loop.exec();
    if (stop)
        clock.cancel(stop);
    acq.FormClose();
    file.close();
    if (!endMessage.isEmpty())
        cmd.fail(err, exitCode, endMessage);
    // A recording that did not reach its file is no success.
    return exitCode == ExitOk && fileFailed ? int(ExitOutput) : exitCode;
}

} // namespace zu::cli
