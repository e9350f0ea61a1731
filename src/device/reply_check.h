#pragma once
// Checking one received reply against the request it answers. Pure functions
// on plain bytes, so the whole receive path can be tested and fuzzed without
// a port: the engine feeds in what arrived and acts on the verdict.
#include <array>
#include <cstdint>
#include <vector>

namespace zu {

inline constexpr int ReceiveBufferSize = 100;
inline constexpr int MaxRegisterValues = 8;

// Result of reply handling as the monitor shows it.
enum ErrorStateCode : int {
    ErrNone = 0,
    ErrFormat = 80,       // "Rcv format error !!!"
    ErrChecksum = 81,     // "Received checksum error !!!"
    ErrFunction = 82,     // exception reply, or an unexpected function code
    ErrTimeout = 83,      // "Received data time out error"
    ErrWriteCompare = 84, // "Writing data compare fail !!!"
};

// The frame that went out and what it asked for.
struct SentRequest {
    bool rtu = false;
    int address = 1; // 0 = broadcast
    int function = 3;
    int reg = 0;
    int operand = 0; // word count of a read, value of a write
    std::vector<std::uint8_t> frame;
};

enum class ReplyKind {
    Bad,            // errorState tells why
    Read,           // function 03 / 0x67 with the words asked for
    WriteEcho,      // function 06 or 0x86 answering a write; echoMatches tells
    Exception,      // 0x83, 0xE7 or 0xE8 (to any request) with exceptionCode
    Identify77,     // function 0x77 answering the identification request
    ForeignAddress, // a frame with a sound check, from another address
};

struct CheckedReply {
    ReplyKind kind = ReplyKind::Bad;
    int errorState = ErrFormat;
    int address = 0;
    int function = 0;
    int exceptionCode = 0;
    bool echoMatches = false;
    std::array<std::uint16_t, MaxRegisterValues> words{};
    int wordCount = 0;
};

// What a request waits for: its time-out in ticks of 55 ms. ASCII: 18 for a
// read, 50 for a write (or the unlock before it), 5 for a broadcast nobody
// answers; RTU: 1, 2 or 3 by baud (38400 and up, 9600 and up, below).
enum class ReplyWait { Read, Write, Broadcast };
int ReplyTimeoutTicks(bool rtu, int baud, ReplyWait wait);
// The shortest complete RTU reply to a request; a shorter one gets a grace
// time-out before it is judged (exception replies are shorter still).
int RtuMinimumLength(int function, int operand);

// rx: the bytes received (at most ReceiveBufferSize are looked at);
// overflow: more arrived than the buffer holds.
CheckedReply CheckReply(const SentRequest& request, const std::uint8_t* rx, int count,
                        bool overflow);

} // namespace zu
