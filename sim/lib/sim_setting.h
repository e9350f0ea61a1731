#pragma once
// A controller's own line setting: the UART settings plus the framing, the
// byte that carries it in register 0x470B, and its text form
// ("9600,7,E,1,ASCII") for options and messages.
#include "core/serial_line.h"
#include "sim/lib/sim_frames.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zu::sim {

struct DeviceSetting {
    LineSettings line{9600, 7, LineParity::Even, 1};
    Framing framing = Framing::Ascii;
    bool operator==(const DeviceSetting&) const = default;
};

// The PC's default setting, which the built-in controllers answer.
inline DeviceSetting defaultSetting() {
    return {};
}

// The communication byte: bit 7 seven data bits, bits 4-6 baud code
// (2400..38400), bits 2-3 parity (none, even, odd), bit 1 RTU, bit 0 one stop
// bit. RTU with seven data bits, which a controller cannot run, is refused.
std::optional<DeviceSetting> decodeCommByte(std::uint8_t byte);
std::uint8_t encodeCommByte(const DeviceSetting& s);

std::optional<DeviceSetting> parseSetting(std::string_view text);
std::string settingText(const DeviceSetting& s);

// A receiver understands characters sent with `sent` when baud, data bits
// and parity agree; it checks one stop bit only, so the number of stop bits
// may differ.
inline bool understands(const LineSettings& receiver, const LineSettings& sent) {
    return receiver.baud == sent.baud && receiver.dataBits == sent.dataBits &&
           receiver.parity == sent.parity;
}

// Wire time of one character, and of n characters from the start of the first.
std::int64_t charTimeUs(const LineSettings& line);
std::int64_t wireTimeUs(const LineSettings& line, std::int64_t chars);

} // namespace zu::sim
