#pragma once
// A controller's own communication setting byte, written with its new
// address to register 0x470B. Its layout is not the low byte of the PC's
// setting word (bits 0, 1 and 7 differ):
//   bit 7 seven data bits, bits 4-6 baud code (2400..38400 as 0..4),
//   bits 2-3 parity (0 none, 1 even, 2 odd), bit 1 RTU, bit 0 one stop bit.
#include <cstdint>
#include <optional>

namespace zu {

struct DeviceLine {
    int baud = 9600;
    int dataBits = 7;
    int parityCode = 1; // 0 none, 1 even, 2 odd
    int stopBits = 1;
    bool rtu = false;
    bool operator==(const DeviceLine&) const = default;
};

// Empty for a baud rate the controllers do not have.
std::optional<std::uint8_t> DeviceCommByte(const DeviceLine& line);
// The setting a byte stands for; empty for a baud or parity code no controller uses.
std::optional<DeviceLine> DeviceLineOf(std::uint8_t commByte);

} // namespace zu
