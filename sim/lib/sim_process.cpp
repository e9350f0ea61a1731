#include "sim/lib/sim_process.h"

#include <cmath>
#include <numbers>

namespace zu::sim {

void ProcessModel::advance(std::int64_t nowMs, double target) {
    if (lastMs_ >= 0 && nowMs > lastMs_) {
        const double k = std::exp(-double(nowMs - lastMs_) / tauMs_);
        pv_ = target + (pv_ - target) * k;
    }
    if (nowMs > lastMs_)
        lastMs_ = nowMs;
}

void ProcessModel::setValue(std::int64_t nowMs, double pv) {
    pv_ = pv;
    lastMs_ = nowMs;
}

double ProcessModel::reading() const {
    // Sensor ripple of about a tenth of a degree, slow enough to look real.
    const double t = double(lastMs_ < 0 ? 0 : lastMs_) / 1000.0;
    return pv_ + 0.8 * std::sin(2 * std::numbers::pi * t / 37.0) +
           0.4 * std::sin(2 * std::numbers::pi * t / 11.0);
}

ProgramPosition programPosition(const RampSoakProgram& program, double startSv,
                                std::int64_t elapsedMs) {
    ProgramPosition pos;
    int pattern = program.startPattern & 7;
    int runs = 0;
    double from = startSv;
    std::int64_t t = elapsedMs < 0 ? 0 : elapsedMs;
    // Patterns may link into a cycle; a cycle of zero-length steps would never
    // advance time, so the walk is bounded.
    for (int guard = 0; guard < 100000; ++guard) {
        const int last = program.lastStep[pattern] & 7;
        for (int s = 0; s <= last; ++s) {
            const int k = pattern * 8 + s;
            const std::int64_t length = std::int64_t(program.minutes[k]) * 60000;
            const double to = program.setValue[k];
            if (t < length) {
                pos.running = true;
                pos.pattern = pattern;
                pos.step = s;
                pos.setValue = from + (to - from) * double(t) / double(length);
                pos.leftMs = length - t;
                return pos;
            }
            t -= length;
            from = to;
        }
        if (runs < program.loops[pattern]) {
            ++runs;
            continue;
        }
        runs = 0;
        const int next = program.link[pattern];
        if (next < 0 || next > 7)
            break;
        pattern = next;
    }
    pos.running = false;
    pos.pattern = pattern;
    pos.setValue = from;
    return pos;
}

} // namespace zu::sim
