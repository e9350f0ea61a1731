#pragma once
// The wire-time bound of a monitor poll cycle, from the frames a tapped line
// saw: for each request, its characters and its reply's characters at the
// line's bits per character and baud, plus the device's turnaround, plus the
// spacing RTU needs between frames to two or more devices.
#include "tests/monitor/engine_rig.h"

#include <cstdio>
#include <vector>

namespace zu::bench {

struct CycleFigures {
    int cycles = 0;
    double measuredMs = 0; // sum over the cycles measured
    double boundMs = 0;    // their wire-time bound
    double frames = 0;
    double ratio() const { return boundMs > 0 ? measuredMs / boundMs : 0; }
};

// Cycles run from one request of kind 2 to slot 0's address to the next.
// firstKind2Reg: the kind-2 register of the device in slot 0.
inline CycleFigures MeasureCycles(const std::vector<test::WireFrame>& wire,
                                  const std::vector<test::WireFrame>& rx, bool rtu,
                                  const LineSettings& line, int turnaroundMs, double spacingMs,
                                  int firstAddress, int firstKind2Reg, std::size_t fromFrame = 0) {
    std::vector<std::size_t> starts;
    for (std::size_t i = fromFrame; i < wire.size(); ++i) {
        const test::Req r = test::Decode(wire[i].bytes, rtu);
        if (r.address == firstAddress && r.function == 3 && r.reg == firstKind2Reg)
            starts.push_back(i);
    }
    const double msPerChar = 1000.0 * line.bitsPerChar() / line.baud;
    CycleFigures f;
    std::size_t k = 0; // rx index
    for (std::size_t c = 0; c + 1 < starts.size(); ++c) {
        const std::size_t a = starts[c], b = starts[c + 1];
        double bound = 0;
        for (std::size_t i = a; i < b; ++i) {
            while (k < rx.size() && rx[k].atMs <= wire[i].atMs)
                ++k;
            std::size_t replyChars = 0;
            for (std::size_t j = k; j < rx.size() && rx[j].atMs <= wire[i + 1].atMs; ++j)
                replyChars += std::size_t(rx[j].bytes.size());
            bound += (double(wire[i].bytes.size()) + double(replyChars)) * msPerChar +
                     turnaroundMs + spacingMs;
        }
        f.measuredMs += double(wire[b].atMs - wire[a].atMs);
        f.boundMs += bound;
        f.frames += double(b - a);
        ++f.cycles;
    }
    return f;
}

} // namespace zu::bench
