#include "device/device_comm.h"

#include <array>

namespace zu {

namespace {
constexpr std::array<int, 5> Bauds{2400, 4800, 9600, 19200, 38400};
}

std::optional<std::uint8_t> DeviceCommByte(const DeviceLine& line) {
    int code = -1;
    for (int i = 0; i < int(Bauds.size()); ++i)
        if (Bauds[std::size_t(i)] == line.baud)
            code = i;
    if (code < 0 || line.parityCode < 0 || line.parityCode > 2)
        return std::nullopt;
    return std::uint8_t((line.dataBits == 7 ? 0x80 : 0) | code << 4 | line.parityCode << 2 |
                        (line.rtu ? 0x02 : 0) | (line.stopBits == 1 ? 0x01 : 0));
}

std::optional<DeviceLine> DeviceLineOf(std::uint8_t b) {
    const int code = (b >> 4) & 7, parity = (b >> 2) & 3;
    if (code >= int(Bauds.size()) || parity > 2)
        return std::nullopt;
    return DeviceLine{Bauds[std::size_t(code)], (b & 0x80) ? 7 : 8, parity, (b & 1) ? 1 : 2,
                      (b & 2) != 0};
}

} // namespace zu
