// The auto-detect scan against its bound: for each probe its wire time, then
// either the two-tick time-out (110 ms) or, where a controller answers, its
// turnaround and the answer's wire time. Two runs on virtual time (the whole
// 22230-probe scan of the built-in line, and a 1440-probe scan that finds an
// RTU controller) and one in real time through a pseudo-terminal to zusim.
//   bench_scan [--no-pty]
#include "core/qt_serial_line.h"
#include "core/reply_gathering.h"
#include "protocol/logic/scan.h"
#include "sim/lib/simulated_line.h"
#include "sim/lib/standard_line_factory.h"
#include "tests/monitor/engine_rig.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <cstring>

using namespace zu;
using namespace zu::test;

namespace {

struct Tapped {
    std::vector<WireFrame> wire, rx;
    std::vector<LineSettings> lines;   // the setting of each frame written
    std::vector<std::size_t> rxBefore; // chunks received before each frame written
};

// A tapped line that also keeps the setting each frame went out in, and
// which chunks came after it (a reply ending and the next probe share a
// millisecond).
class SettingTap : public TapLine {
  public:
    SettingTap(Clock& clock, std::unique_ptr<SerialLine> inner, Tapped& tap)
        : TapLine(clock, std::move(inner), &tap.wire, &tap.rx), tap_(tap) {}
    bool open(const LineSettings& s, QString* error) override {
        now_ = s;
        return TapLine::open(s, error);
    }
    void applySettings(const LineSettings& s) override {
        now_ = s;
        TapLine::applySettings(s);
    }
    bool write(const QByteArray& bytes) override {
        tap_.lines.push_back(now_);
        tap_.rxBefore.push_back(tap_.rx.size());
        return TapLine::write(bytes);
    }

  private:
    Tapped& tap_;
    LineSettings now_;
};

class TappedLines : public LineFactory {
  public:
    TappedLines(Clock& clock, Tapped& tap, std::shared_ptr<sim::Bus> bus)
        : clock_(clock), tap_(tap), bus_(std::move(bus)) {}
    std::unique_ptr<SerialLine> create(const QString& device) override {
        std::unique_ptr<SerialLine> inner;
        if (bus_)
            inner = std::make_unique<sim::SimulatedLine>(clock_, bus_);
        else
            inner = std::make_unique<QtSerialLine>(device);
        return std::make_unique<SettingTap>(clock_, std::move(inner), tap_);
    }

  private:
    Clock& clock_;
    Tapped& tap_;
    std::shared_ptr<sim::Bus> bus_;
};

struct Figures {
    int probes = 0;
    int answered = 0;
    double measuredMs = 0;
    double boundMs = 0;
};

Figures Measure(const Tapped& t, std::int64_t endMs, int turnaroundMs) {
    Figures f;
    for (std::size_t i = 0; i < t.wire.size(); ++i) {
        const std::size_t end = i + 1 < t.wire.size() ? t.rxBefore[i + 1] : t.rx.size();
        std::size_t replyChars = 0;
        for (std::size_t j = t.rxBefore[i]; j < end; ++j)
            replyChars += std::size_t(t.rx[j].bytes.size());
        const double msPerChar = 1000.0 * t.lines[i].bitsPerChar() / t.lines[i].baud;
        f.boundMs += double(t.wire[i].bytes.size()) * msPerChar;
        if (replyChars > 0) {
            f.boundMs += turnaroundMs + double(replyChars) * msPerChar;
            ++f.answered;
        } else {
            f.boundMs += ReplyGathering::ProtocolTimeoutTicks * TimerTickMs;
        }
        ++f.probes;
    }
    if (!t.wire.empty())
        f.measuredMs = double(endMs - t.wire.front().atMs);
    return f;
}

void Print(const char* name, const Figures& f, const DeviceScan& scan) {
    std::printf("%-34s probes %5d  answered %2d  found %2d  scan %10.1f ms  bound %10.1f ms  "
                "ratio %.4f\n",
                name, f.probes, f.answered, scan.ScanFoundCount(), f.measuredMs, f.boundMs,
                f.boundMs > 0 ? f.measuredMs / f.boundMs : 0);
}

// A scan on virtual time over a simulated line with the bus's controllers.
void RunVirtual(const char* name, std::shared_ptr<sim::Bus> bus, VirtualClock& clock,
                const ScanFilters& filters) {
    Tapped tap;
    TappedLines lines(clock, tap, bus);
    PortDirectory pd;
    pd.set(1, QStringLiteral("sim"));
    AppState state(clock, lines, pd);
    ReplyGathering replies(state);
    DeviceScan scan(state, replies);
    std::int64_t endMs = -1;
    scan.onFinished = [&](const QString&) { endMs = clock.nowMs(); };
    if (!scan.start(filters, 1)) {
        std::printf("%s: the port did not open\n", name);
        return;
    }
    clock.advanceUntil([&] { return endMs >= 0; }, 24LL * 3600 * 1000);
    Print(name, Measure(tap, endMs, bus->at(0).turnaroundMs()), scan);
}

int RunPty(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int turnaround = 5;
    const QString zusim = QCoreApplication::applicationDirPath() + "/../sim/zusim";
    QProcess sim;
    sim.start(zusim, {"--line", "19200,8,N,1,RTU", "--device", "B:7", "--wire-time", "--turnaround",
                      QString::number(turnaround)});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_scan: cannot start %s\n", qPrintable(zusim));
        return 2;
    }
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
    auto clock = makeRealClock();
    Tapped tap;
    TappedLines lines(*clock, tap, nullptr);
    PortDirectory pd;
    pd.set(1, pty);
    AppState state(*clock, lines, pd);
    ReplyGathering replies(state);
    DeviceScan scan(state, replies);
    std::int64_t endMs = -1;
    scan.onFinished = [&](const QString&) {
        endMs = clock->nowMs();
        app.quit();
    };
    // 19200, 8 bits, RTU; parity and stop bits open: six settings, "01H~10H".
    if (PortResult r = scan.start({1, 1, -1, 1, -1, 1}, 1); !r) {
        std::fprintf(stderr, "bench_scan: %s\n", qPrintable(r.message));
        return 2;
    }
    app.exec();
    sim.terminate();
    sim.waitForFinished(3000);
    Print("pty, 16 addresses x 6 settings", Measure(tap, endMs, turnaround), scan);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::printf("bench_scan: scan time against its bound (probe wire time + 110 ms time-out, "
                "or + turnaround + answer wire time)\n");
    {
        VirtualClock clock;
        auto bus = std::make_shared<sim::Bus>(clock);
        sim::addBuiltInDevices(*bus);
        RunVirtual("virtual, built-in line, every open", bus, clock, {});
    }
    {
        VirtualClock clock;
        auto bus = std::make_shared<sim::Bus>(clock);
        bus->addDevice('B', 7, {{19200, 8, LineParity::None, 1}, sim::Framing::Rtu});
        RunVirtual("virtual, B:7 19200 RTU, 01H~10H", bus, clock, {1, -1, -1, -1, -1, -1});
    }
    if (argc > 1 && std::strcmp(argv[1], "--no-pty") == 0)
        return 0;
    return RunPty(argc, argv);
}
