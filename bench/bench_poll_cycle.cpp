// Poll-cycle efficiency on virtual time: four controllers on the simulated
// line, the status cycle measured against its wire-time bound.
#include "poll_bound.h"

using namespace zu;
using namespace zu::test;

namespace {

struct Case {
    const char* name;
    bool rtu;
    int baud;
};

void Run(const Case& c) {
    Rig rig(c.rtu, Via::Sim, c.baud);
    const char families[4] = {'A', 'B', 'C', 'B'};
    for (int i = 0; i < 4; ++i)
        rig.device(families[i], i + 1);
    rig.setAddresses({1, 2, 3, 4});
    rig.view.keepLog = false;
    for (int i = 0; i < 4; ++i)
        rig.engine->RunBt0Click(i);
    rig.clock.advance(30000); // identification and first read-backs done
    const std::size_t from = rig.wire.size();
    rig.clock.advance(120000);
    const LineSettings line = c.rtu ? LineSettings{c.baud, 8, LineParity::None, 1}
                                    : LineSettings{9600, 7, LineParity::Even, 1};
    const int turnaround = rig.bus->at(0).turnaroundMs();
    const auto strict = bench::MeasureCycles(rig.wire, rig.rx, c.rtu, line, turnaround,
                                             c.rtu ? 20.0 : 0.0, 1, 0x4728, from);
    const auto whole = bench::MeasureCycles(rig.wire, rig.rx, c.rtu, line, turnaround,
                                            c.rtu ? 21.0 : 0.0, 1, 0x4728, from);
    std::printf("%-22s cycles %4d  frames/cycle %5.1f  cycle %7.1f ms  bound %7.1f ms  "
                "ratio %.4f",
                c.name, strict.cycles, strict.frames / strict.cycles,
                strict.measuredMs / strict.cycles, strict.boundMs / strict.cycles, strict.ratio());
    if (c.rtu)
        std::printf("  (spacing 20 ms; with 21 ms, the least whole-ms wait over 20: %.4f)",
                    whole.ratio());
    std::printf("  errors %u %u %u %u\n", rig.view.column[0].errCount, rig.view.column[1].errCount,
                rig.view.column[2].errCount, rig.view.column[3].errCount);
}

} // namespace

int main() {
    std::printf("bench_poll_cycle: four slots (A, B, C, B) on the simulated line, virtual time, "
                "120 s steady state\n");
    Run({"ASCII 9600 7E1", false, 9600});
    Run({"RTU 38400 8N1", true, 38400});
    Run({"RTU 9600 8N1", true, 9600});
    return 0;
}
