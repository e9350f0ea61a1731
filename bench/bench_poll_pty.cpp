// The poll cycle in real time: the monitor engine on a real serial line (a
// pseudo-terminal) to zusim --wire-time with four controllers at 38400 RTU.
// Prints the cycle against its wire-time bound, the process's CPU time over
// wall time while polling, and how often it was woken: on a virtual machine
// the CPU share follows the wake-ups (one per chunk the line delivers) more
// than our own code.
//   bench_poll_pty [SECONDS]   (default 60)
#include "core/qt_serial_line.h"
#include "poll_bound.h"

#include <QCoreApplication>
#include <QProcess>
#include <sys/resource.h>

using namespace zu;
using namespace zu::test;

namespace {

class TappedLines : public LineFactory {
  public:
    TappedLines(Clock& clock, std::vector<WireFrame>* wire, std::vector<WireFrame>* rx)
        : clock_(clock), wire_(wire), rx_(rx) {}
    std::unique_ptr<SerialLine> create(const QString& device) override {
        return std::make_unique<TapLine>(clock_, std::make_unique<QtSerialLine>(device), wire_,
                                         rx_);
    }

  private:
    Clock& clock_;
    std::vector<WireFrame>* wire_;
    std::vector<WireFrame>* rx_;
};

struct ProcessTimes {
    double cpuSeconds = 0;
    long wakeUps = 0; // voluntary context switches: each is one sleep of the process
};

ProcessTimes Now() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
            u.ru_nvcsw};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const int turnaround = 5;
    const QString zusim = QCoreApplication::applicationDirPath() + "/../sim/zusim";
    QProcess sim;
    sim.start(zusim,
              {"--line", "38400,8,N,1,RTU", "--device", "A:1", "--device", "B:2", "--device", "C:3",
               "--device", "B:4", "--wire-time", "--turnaround", QString::number(turnaround)});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_poll_pty: cannot start %s\n", qPrintable(zusim));
        return 2;
    }
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();

    auto clock = makeRealClock();
    std::vector<WireFrame> wire, rx;
    TappedLines lines(*clock, &wire, &rx);
    PortDirectory ports;
    ports.set(1, pty);
    AppState state(*clock, lines, ports);
    state.Com = ComSetting{1, 38400, 8, 1, 0, true};
    state.ScaleWidth = 808;
    RecordingMonitorView view;
    view.keepLog = false;
    MonitorEngine engine(state, view);
    engine.FormShow();
    engine.ComAddr0Change(0, {1, 2, 3, 4});
    for (int i = 0; i < 4; ++i)
        engine.RunBt0Click(i);

    // Settle, then measure for `seconds`.
    std::size_t from = 0;
    ProcessTimes t0;
    std::int64_t wall0 = 0;
    clock->callAfter(5000, [&] {
        from = wire.size();
        t0 = Now();
        wall0 = clock->nowMs();
    });
    clock->callAfter(5000 + std::int64_t(seconds) * 1000, [&] { app.quit(); });
    app.exec();
    const ProcessTimes t1 = Now();
    const double cpu = t1.cpuSeconds - t0.cpuSeconds;
    const long wakeUps = t1.wakeUps - t0.wakeUps;
    const double wall = double(clock->nowMs() - wall0) / 1000.0;
    engine.FormClose();
    sim.terminate();
    sim.waitForFinished(3000);

    const LineSettings line{38400, 8, LineParity::None, 1};
    const auto strict =
        bench::MeasureCycles(wire, rx, true, line, turnaround, 20.0, 1, 0x4728, from);
    const auto whole =
        bench::MeasureCycles(wire, rx, true, line, turnaround, 21.0, 1, 0x4728, from);
    std::printf("bench_poll_pty: four slots (A, B, C, B), RTU 38400 8N1 through %s to zusim "
                "--wire-time, %d s\n",
                qPrintable(pty), seconds);
    if (strict.cycles == 0) {
        std::printf("no complete cycle measured (frames %zu)\n", wire.size());
        return 1;
    }
    std::printf("cycles %d  frames/cycle %.1f  cycle %.1f ms  bound %.1f ms  ratio %.4f "
                "(with 21 ms spacing %.4f)\n",
                strict.cycles, strict.frames / strict.cycles, strict.measuredMs / strict.cycles,
                strict.boundMs / strict.cycles, strict.ratio(), whole.ratio());
    std::printf("CPU %.2f s over %.1f s wall: %.2f %% of one core\n", cpu, wall,
                100.0 * cpu / wall);
    std::printf("wake-ups %.0f/s, %.1f per frame\n", double(wakeUps) / wall,
                double(wakeUps) / double(wire.size() - from));
    std::printf("errors %u %u %u %u\n", view.column[0].errCount, view.column[1].errCount,
                view.column[2].errCount, view.column[3].errCount);
    return 0;
}
