// The recorder's cycle of ten controllers against its wire-time bound, on
// virtual time: for each request its characters and its reply's at the
// line's bits per character, plus the controller's turnaround, plus for RTU
// the gap of more than 20 ms (21 ms on a millisecond clock) before every
// request but the first of a cycle. ASCII 9600 7E1 and RTU 38400 8N1.
//   bench_record_cycle [CYCLES]
#include "recorder/recorder_rig.h"

#include <cstdio>
#include <cstdlib>

using namespace zu;
using namespace zu::test;

namespace {

struct Figures {
    int cycles = 0;
    double measuredMs = 0;
    double boundMs = 0;
    double ratio() const { return boundMs > 0 ? measuredMs / boundMs : 0; }
};

Figures Run(bool rtu, int baud, int cycles) {
    RecorderRig rig(rtu, baud);
    int turnaround = 0;
    for (int i = 0; i < RecSlots; ++i) {
        const auto a = std::uint8_t(i + 1);
        sim::Device& d = rtu ? rig.rtuDevice("ABC"[i % 3], a, baud)
                             : rig.bus->addDevice("ABC"[i % 3], a);
        turnaround = d.turnaroundMs();
        rig.view.addresses[std::size_t(i)] = a;
    }
    std::vector<std::int64_t> closedAt;
    rig.acq->onCycleClosed = [&] { closedAt.push_back(rig.clock.nowMs()); };
    rig.view.sampleTime = 1;
    rig.acq->StartBtClick();
    rig.clock.advance(std::int64_t(cycles) * 1000 + 500);
    rig.acq->StartBtClick();

    const LineSettings line = rig.frames().empty() ? LineSettings{} : rig.frames()[0].line;
    const double msPerChar = 1000.0 * line.bitsPerChar() / line.baud;
    const int replyChars = rtu ? 9 : 19; // two registers
    Figures f;
    for (std::size_t c = 0; c < closedAt.size(); ++c) {
        const std::size_t first = c * RecSlots;
        if (first + RecSlots > rig.frames().size())
            break;
        double bound = 0;
        for (int i = 0; i < RecSlots; ++i)
            bound += (double(rig.frames()[first + std::size_t(i)].bytes.size()) + replyChars) *
                         msPerChar +
                     turnaround + (rtu && i > 0 ? 21.0 : 0.0);
        f.measuredMs += double(closedAt[c] - rig.frames()[first].atMs);
        f.boundMs += bound;
        ++f.cycles;
    }
    if (rig.chart.values.size() != std::size_t(f.cycles) * RecSlots)
        std::printf("  (some replies were missing: %zu values)\n", rig.chart.values.size());
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    bool ok = true;
    for (const bool rtu : {false, true}) {
        const int baud = rtu ? 38400 : 9600;
        const Figures f = Run(rtu, baud, cycles);
        const bool good = f.cycles > 0 && f.ratio() <= 1.02;
        ok = ok && good;
        std::printf("%s %d, 10 controllers: %d cycles, %.1f ms per cycle, bound %.1f ms, "
                    "ratio %.3f (target <= 1.02) %s\n",
                    rtu ? "RTU" : "ASCII", baud, f.cycles, f.cycles ? f.measuredMs / f.cycles : 0,
                    f.cycles ? f.boundMs / f.cycles : 0, f.ratio(), good ? "ok" : "MISSED");
    }
    return ok ? 0 : 1;
}
