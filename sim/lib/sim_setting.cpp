#include "sim/lib/sim_setting.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace zu::sim {

namespace {

constexpr int kBauds[5] = {2400, 4800, 9600, 19200, 38400};

bool runnable(const DeviceSetting& s) {
    return !(s.framing == Framing::Rtu && s.line.dataBits != 8);
}

std::string upper(std::string_view t) {
    std::string u(t);
    std::transform(u.begin(), u.end(), u.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return u;
}

} // namespace

std::optional<DeviceSetting> decodeCommByte(std::uint8_t byte) {
    const int baudCode = (byte >> 4) & 7;
    const int parityCode = (byte >> 2) & 3;
    if (baudCode > 4 || parityCode > 2)
        return std::nullopt;
    DeviceSetting s;
    s.line.baud = kBauds[baudCode];
    s.line.dataBits = (byte & 0x80) ? 7 : 8;
    s.line.parity = parityCode == 0   ? LineParity::None
                    : parityCode == 1 ? LineParity::Even
                                      : LineParity::Odd;
    s.line.stopBits = (byte & 1) ? 1 : 2;
    s.framing = (byte & 2) ? Framing::Rtu : Framing::Ascii;
    if (!runnable(s))
        return std::nullopt;
    return s;
}

std::uint8_t encodeCommByte(const DeviceSetting& s) {
    int baudCode = 2;
    for (int i = 0; i < 5; ++i)
        if (kBauds[i] == s.line.baud)
            baudCode = i;
    const int parityCode = s.line.parity == LineParity::Even  ? 1
                           : s.line.parity == LineParity::Odd ? 2
                                                              : 0;
    return std::uint8_t((s.line.dataBits == 7 ? 0x80 : 0) | baudCode << 4 | parityCode << 2 |
                        (s.framing == Framing::Rtu ? 2 : 0) | (s.line.stopBits == 1 ? 1 : 0));
}

std::optional<DeviceSetting> parseSetting(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        parts.emplace_back(upper(text.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 5)
        return std::nullopt;
    DeviceSetting s;
    auto number = [](const std::string& p, int& out) {
        auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), out);
        return ec == std::errc() && ptr == p.data() + p.size();
    };
    if (!number(parts[0], s.line.baud) ||
        std::find(std::begin(kBauds), std::end(kBauds), s.line.baud) == std::end(kBauds))
        return std::nullopt;
    if (!number(parts[1], s.line.dataBits) || (s.line.dataBits != 7 && s.line.dataBits != 8))
        return std::nullopt;
    if (parts[2] == "N")
        s.line.parity = LineParity::None;
    else if (parts[2] == "E")
        s.line.parity = LineParity::Even;
    else if (parts[2] == "O")
        s.line.parity = LineParity::Odd;
    else
        return std::nullopt;
    if (!number(parts[3], s.line.stopBits) || (s.line.stopBits != 1 && s.line.stopBits != 2))
        return std::nullopt;
    if (parts[4] == "ASCII")
        s.framing = Framing::Ascii;
    else if (parts[4] == "RTU")
        s.framing = Framing::Rtu;
    else
        return std::nullopt;
    if (!runnable(s))
        return std::nullopt;
    return s;
}

std::string settingText(const DeviceSetting& s) {
    const char parity = s.line.parity == LineParity::None   ? 'N'
                        : s.line.parity == LineParity::Even ? 'E'
                        : s.line.parity == LineParity::Odd  ? 'O'
                                                            : '?';
    return std::to_string(s.line.baud) + ',' + std::to_string(s.line.dataBits) + ',' + parity +
           ',' + std::to_string(s.line.stopBits) + ',' +
           (s.framing == Framing::Rtu ? "RTU" : "ASCII");
}

std::int64_t charTimeUs(const LineSettings& line) {
    return wireTimeUs(line, 1);
}

std::int64_t wireTimeUs(const LineSettings& line, std::int64_t chars) {
    const std::int64_t baud = line.baud > 0 ? line.baud : 9600;
    return (chars * line.bitsPerChar() * 1000000 + baud - 1) / baud;
}

} // namespace zu::sim
