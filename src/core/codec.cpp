#include "core/codec.h"

#include "core/texts.h"

#include <algorithm>
#include <limits>

namespace zu::codec {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Room for the digits of any 64-bit magnitude.
constexpr int kMaxDigitWidth = 32;

unsigned long long MagnitudeOf(long long value) {
    // Unsigned negation, so the most negative value has a magnitude too.
    return value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                     : static_cast<unsigned long long>(value);
}

std::string ZeroPadded(unsigned long long magnitude, int width) {
    std::string digits = std::to_string(magnitude);
    width = std::min(width, kMaxDigitWidth);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

int HexDigitValue(char c) {
    const int code = static_cast<unsigned char>(c);
    return code > '9' ? code - 55 : code - 48;
}

} // namespace

std::string ByteToHex(int value) {
    const unsigned byte = static_cast<unsigned>(value) & 0xFFu;
    return {kHexDigits[byte >> 4], kHexDigits[byte & 0x0Fu]};
}

int HexPairToByte(char high, char low) {
    return HexDigitValue(high) * 16 + HexDigitValue(low);
}

void HexFrameToBytes(std::uint8_t* buffer, int n) {
    // buffer[i] is written only after characters 2i+1 and 2i+2 were read,
    // and i < 2i+1, so nothing still needed is overwritten.
    for (int i = 0; i < n; ++i) {
        const auto high = static_cast<char>(buffer[2 * i + 1]);
        const auto low = static_cast<char>(buffer[2 * i + 2]);
        buffer[i] = static_cast<std::uint8_t>(HexPairToByte(high, low));
    }
}

std::uint8_t AsciiLrc(const std::uint8_t* text, int length) {
    // Only the low byte of the sum counts; unsigned arithmetic wraps safely.
    unsigned sum = 0;
    const int pairs = length > 1 ? (length - 1) / 2 : 0;
    for (int i = 1; i <= pairs; ++i)
        sum += static_cast<unsigned>(
            HexPairToByte(static_cast<char>(text[2 * i - 1]), static_cast<char>(text[2 * i])));
    return static_cast<std::uint8_t>((0x10000u - sum) & 0xFFu);
}

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t length) {
    unsigned crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

std::vector<std::uint8_t> BuildRequest(bool rtu, int address, int function, int reg, int operand) {
    const std::uint8_t body[6] = {
        static_cast<std::uint8_t>(address),      static_cast<std::uint8_t>(function),
        static_cast<std::uint8_t>(reg >> 8),     static_cast<std::uint8_t>(reg),
        static_cast<std::uint8_t>(operand >> 8), static_cast<std::uint8_t>(operand),
    };
    std::vector<std::uint8_t> frame;
    if (rtu) {
        const std::uint16_t crc = Crc16(body, sizeof body);
        frame.assign(body, body + sizeof body);
        frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(crc >> 8));
        return frame;
    }
    unsigned sum = 0;
    frame.push_back(':');
    for (std::uint8_t b : body) {
        sum += b;
        for (char c : ByteToHex(b))
            frame.push_back(static_cast<std::uint8_t>(c));
    }
    for (char c : ByteToHex(static_cast<int>((0x10000u - sum) & 0xFFu)))
        frame.push_back(static_cast<std::uint8_t>(c));
    frame.push_back('\r');
    frame.push_back('\n');
    return frame;
}

int ExpectedReplyLength(bool rtu, int function, int operand) {
    // The wire carries only the low byte of the function and 16 bits of operand.
    const int code = function & 0xFF;
    const int n = operand & 0xFFFF;
    if (code >= 0x80)
        return rtu ? 5 : 11;
    switch (code) {
    case 0x03:
    case 0x67:
        return rtu ? 2 * n + 5 : 4 * n + 11;
    case 0x06:
        return rtu ? 8 : 17;
    default:
        return 0; // a request this program never sends: no known reply size
    }
}

std::string ExceptionMessage(int code) {
    switch (code) {
    case 1:
        return text::IllegalFunction;
    case 2:
        return text::IllegalAddress;
    case 3:
        return text::IllegalData;
    case 4:
        return text::IllegalCommand;
    case 11:
        return text::IllegalFrame;
    case 12:
        return text::TooFewData;
    case 13:
        return text::TooManyData;
    case 14:
        return text::IllegalAscii;
    default:
        return text::UnknowError;
    }
}

int PredictRtuLength(int previous, int count, const std::uint8_t* bytes) {
    if (count == 1)
        return 250;
    if (count == 3 && bytes[1] == 0x03)
        return bytes[2] + 5;
    if (count == 2 && bytes[1] == 0x06)
        return 8;
    return previous;
}

// Callers keep 0 <= value < 10^digits and get exactly `digits` digits. Outside
// that nothing is cut off: a larger value keeps all its digits, a negative one
// gets a '-' before its zero-padded magnitude, and widths beyond 32 (more than
// any int needs) are treated as 32. digits <= 0 gives an empty text.
std::string FormatDigits(int value, int digits) {
    if (digits <= 0)
        return {};
    std::string text = ZeroPadded(MagnitudeOf(value), digits);
    if (value < 0)
        text.insert(0, 1, '-');
    return text;
}

// A register value: only its low 16 bits count, read as two's complement.
std::string FormatSigned16(int value) {
    const int v = value & 0xFFFF;
    if (v <= 32767)
        return ' ' + std::to_string(v);
    return '-' + std::to_string(65536 - v);
}

// 32768..65535 are register values read as two's complement; values above
// 65535 are not register values and are shown as the positive numbers they are.
std::string FormatScaled(long long value, int decimalsCode) {
    bool negative = false;
    unsigned long long m = 0;
    if (value > 32767 && value <= 0xFFFF) {
        negative = true;
        m = (static_cast<unsigned long long>(value) ^ 0xFFFFu) + 1;
    } else {
        negative = value < 0;
        m = MagnitudeOf(value);
    }
    std::string text;
    switch (decimalsCode) {
    case 255:
        text = std::to_string(m / 10 + (m % 10 >= 5 ? 1 : 0));
        break;
    case 0:
        text = std::to_string(m);
        break;
    case 1:
        text = std::to_string(m / 10) + '.' + std::to_string(m % 10);
        break;
    case 2:
        text = std::to_string(m / 100) + '.' + ZeroPadded(m % 100, 2);
        break;
    case 3:
        text = std::to_string(m / 1000) + '.' + ZeroPadded(m % 1000, 3);
        break;
    default:
        return {};
    }
    return negative ? "- " + text : text;
}

// Decimals above 2 read that many digits after the point (each a digit or the
// end of the text), up to 18; a negative count is taken as 0.
long long ParseScaled(std::string_view text, int decimals) {
    constexpr unsigned long long kLimit =
        static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + 1;
    const int wanted = std::clamp(decimals, 0, 18);
    unsigned long long value = 0; // saturates at kLimit
    const auto push = [&value](int digit) {
        value = value > (kLimit - static_cast<unsigned>(digit)) / 10 ? kLimit : value * 10 + digit;
    };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    while (pos < text.size() && isDigit(text[pos]))
        push(text[pos++] - '0');
    if (pos < text.size()) {
        if (text[pos] != '.')
            return ParseError;
        ++pos;
    }
    for (int i = 0; i < wanted; ++i) {
        int digit = 0;
        if (pos < text.size()) {
            if (!isDigit(text[pos]))
                return ParseError;
            digit = text[pos++] - '0';
        }
        push(digit);
    }
    if (negative)
        return value >= kLimit ? std::numeric_limits<long long>::min()
                               : -static_cast<long long>(value);
    return value >= kLimit ? std::numeric_limits<long long>::max() : static_cast<long long>(value);
}

} // namespace zu::codec
