// The recorder in real time: ten controllers sampled every 0.5 s through a
// pseudo-terminal to zusim --wire-time at 38400 RTU. Prints the process's CPU
// time over wall time while recording (target below 2 % of one core), the
// cycles completed and the errors seen.
//   bench_record_pty [SECONDS]   (default 60)
#include "core/qt_serial_line.h"
#include "core/reply_gathering.h"
#include "recorder/recorder_rig.h"

#include <QCoreApplication>
#include <QProcess>
#include <sys/resource.h>

using namespace zu;
using namespace zu::test;

namespace {

class PtyLines : public LineFactory {
  public:
    std::unique_ptr<SerialLine> create(const QString& device) override {
        return std::make_unique<QtSerialLine>(device);
    }
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const QString zusim = QCoreApplication::applicationDirPath() + "/../sim/zusim";
    QStringList simArgs{"--line", "38400,8,N,1,RTU", "--wire-time", "--turnaround", "5"};
    for (int a = 1; a <= RecSlots; ++a)
        simArgs << "--device" << QStringLiteral("%1:%2").arg(QChar("ABC"[a % 3])).arg(a);
    QProcess sim;
    sim.start(zusim, simArgs);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_record_pty: cannot start %s\n", qPrintable(zusim));
        return 2;
    }
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();

    auto clock = makeRealClock();
    PtyLines lines;
    PortDirectory ports;
    ports.set(1, pty);
    AppState state(*clock, lines, ports);
    state.Com = ComSetting{1, 38400, 8, 1, 0, true};
    ReplyGathering replies(state);
    RecorderState rec;
    NotingRecorderView view;
    view.sampleTime = 0;
    for (int i = 0; i < RecSlots; ++i)
        view.addresses[std::size_t(i)] = i + 1;
    NotingChart chart(rec, *clock);
    RecorderAcquisition acq(state, replies, rec, view, chart);
    int cycles = 0;
    acq.onCycleClosed = [&] { ++cycles; };
    acq.StartBtClick();

    // Settle, then measure for `seconds`.
    double cpu0 = 0;
    std::int64_t wall0 = 0;
    int cycles0 = 0;
    clock->callAfter(3000, [&] {
        cpu0 = CpuSeconds();
        wall0 = clock->nowMs();
        cycles0 = cycles;
    });
    clock->callAfter(3000 + std::int64_t(seconds) * 1000, [&] { app.quit(); });
    app.exec();
    const double cpu = CpuSeconds() - cpu0;
    const double wall = double(clock->nowMs() - wall0) / 1000.0;
    const int measured = cycles - cycles0;
    acq.FormClose();
    sim.terminate();
    sim.waitForFinished(3000);

    const double share = 100.0 * cpu / wall;
    std::printf("bench_record_pty: ten controllers, RTU 38400 8N1 through %s to zusim "
                "--wire-time, period 0.5 s, %d s\n",
                qPrintable(pty), seconds);
    std::printf("cycles %d (%.2f/s)  errors %lld  CPU %.2f s over %.1f s wall: %.2f %% of one "
                "core (target < 2 %%) %s\n",
                measured, measured / wall, static_cast<long long>(view.errTexts.size()), cpu, wall,
                share, share < 2.0 ? "ok" : "MISSED");
    return measured > 0 && share < 2.0 ? 0 : 1;
}
