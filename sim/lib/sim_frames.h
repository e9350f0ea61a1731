#pragma once
// The controllers' side of the wire: their own checksums, their request
// parsers for both framings, and the reply frames they send. Written apart
// from the program's codec on purpose, so that a fault shared by both cannot
// hide.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zu::sim {

enum class Framing { Ascii, Rtu };

std::uint8_t lrcOf(std::span<const std::uint8_t> bytes);
std::uint16_t crcOf(std::span<const std::uint8_t> bytes);

// Exception codes the controllers answer with.
namespace exc {
inline constexpr std::uint8_t IllegalFunction = 1;
inline constexpr std::uint8_t IllegalAddress = 2;
inline constexpr std::uint8_t IllegalData = 3;
inline constexpr std::uint8_t IllegalCommand = 4; // refused in the present state
inline constexpr std::uint8_t TooFewData = 12;
inline constexpr std::uint8_t TooManyData = 13;
inline constexpr std::uint8_t IllegalAscii = 14;
} // namespace exc

// One request as a controller understands it. Requests of the three
// functions the controllers know (0x03, 0x06, 0x67) carry a register and an
// operand; a frame the controller can only refuse carries the exception code
// it must answer with (the function byte is still needed for the reply).
struct Request {
    std::uint8_t address = 0;
    std::uint8_t function = 0;
    std::uint16_t reg = 0;
    std::uint16_t operand = 0;
    std::uint8_t refusal = 0; // non-zero: answer with this exception code
    bool operator==(const Request&) const = default;
};

// What a stream parser made of the bytes so far.
struct ParseEvent {
    enum Kind { Frame, ChecksumError, Garbage } kind = Frame;
    Request request;
    std::int64_t endUs = 0; // wire time of the frame's last byte
};

// A request parser of one framing, fed bytes with the time each one
// finished on the wire (microseconds). Any bytes, in any chunking, are safe.
class RequestParser {
  public:
    explicit RequestParser(Framing framing) : framing_(framing) {}
    Framing framing() const { return framing_; }
    // RTU only: a silence longer than this ends a partial frame.
    void setGapUs(std::int64_t us) { gapUs_ = us; }
    std::vector<ParseEvent> feed(std::span<const std::uint8_t> bytes, std::int64_t firstEndUs,
                                 std::int64_t perByteUs);
    void reset();

  private:
    void feedAscii(std::uint8_t byte, std::int64_t t, std::vector<ParseEvent>& out);
    void feedRtu(std::uint8_t byte, std::int64_t t, std::vector<ParseEvent>& out);
    void finishAscii(std::int64_t t, std::vector<ParseEvent>& out);

    Framing framing_;
    std::vector<std::uint8_t> buffer_;
    bool inFrame_ = false;
    std::int64_t lastUs_ = -1;
    std::int64_t gapUs_ = 4000;
};

// Complete reply frames, ready for the wire. pdu = address, function, data.
std::vector<std::uint8_t> encodeFrame(Framing framing, std::span<const std::uint8_t> pdu);
// Request frame of the same form, for tests and the fuzzer's seeds.
std::vector<std::uint8_t> encodeRequest(Framing framing, const Request& r);

} // namespace zu::sim
