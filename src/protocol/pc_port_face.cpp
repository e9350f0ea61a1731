#include "protocol/pc_port_face.h"

#include <algorithm>

namespace zu {

PcFaceChoice PreparePcFace(std::int32_t word, const std::array<bool, 13>& portPresent) {
    PcFaceChoice c;
    c.formatIndex = (word >> 7) & 1;
    c.stopBitIndex = word & 1;
    c.baudIndex = std::min((word >> 4) & 7, 4);
    c.parityIndex = std::min((word >> 2) & 3, 2);
    c.dataLenIndex = (word >> 1) & 1;
    if (c.formatIndex == 1)
        c.dataLenIndex = 1;

    const int stored = word >> 8;
    const bool storedPresent = stored >= 1 && stored <= 12 && portPresent[std::size_t(stored)];
    c.port = storedPresent ? stored : 0;
    for (int n = 1; n <= 12 && c.port == 0; ++n)
        if (portPresent[std::size_t(n)])
            c.port = n;
    c.noPort = c.port == 0;
    for (int n = 1; n <= 12; ++n)
        c.enabled[std::size_t(n)] = portPresent[std::size_t(n)];
    return c;
}

} // namespace zu
