#pragma once
// Modbus ASCII/RTU framing and the number/text conversions of the displays.
// Plain C++ without Qt: pure functions, so they can be fuzzed and tested alone.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zu::codec {

inline constexpr int ParseError = -32761;

std::string ByteToHex(int value);                  // two uppercase hex digits of the low 8 bits
int HexPairToByte(char high, char low);            // no character is rejected
void HexFrameToBytes(std::uint8_t* buffer, int n); // in place; buffer[0] is ':'
std::uint8_t AsciiLrc(const std::uint8_t* text, int length);
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t length);
// 8 bytes (RTU) or 17 characters ending in CR LF (ASCII).
std::vector<std::uint8_t> BuildRequest(bool rtu, int address, int function, int reg, int operand);
// Function codes 0x80 and up (0x83, 0x86, 0xE7...) give the exception size; a
// function other than 0x03, 0x06, 0x67 gives 0.
int ExpectedReplyLength(bool rtu, int function, int operand);
std::string ExceptionMessage(int code);
// RTU reply length prediction after a byte arrived; count = bytes received so far.
int PredictRtuLength(int previous, int count, const std::uint8_t* bytes);

// Zero-padded to `digits`; see codec.cpp for values that do not fit.
std::string FormatDigits(int value, int digits);
std::string FormatSigned16(int value); // low 16 bits, two's complement
std::string FormatScaled(long long value, int decimalsCode);
// Saturates at the long long range; ParseError (-32761) for a bad text.
// decimals 3..18 read that many digits after the point.
long long ParseScaled(std::string_view text, int decimals);

} // namespace zu::codec
