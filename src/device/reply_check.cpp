#include "device/reply_check.h"

#include "core/codec.h"

#include <algorithm>

namespace zu {

namespace {

bool IsUpperHex(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

CheckedReply Fail(int errorState) {
    CheckedReply r;
    r.kind = ReplyKind::Bad;
    r.errorState = errorState;
    return r;
}

// The reply bytes without ':' and CR LF (ASCII) and with the check at the end.
struct Frame {
    std::array<std::uint8_t, ReceiveBufferSize> bytes{};
    int n = 0;
    int checkSize = 0; // 1 LRC byte, 2 CRC bytes
};

} // namespace

int ReplyTimeoutTicks(bool rtu, int baud, ReplyWait wait) {
    if (rtu)
        return baud >= 38400 ? 1 : baud >= 9600 ? 2 : 3;
    return wait == ReplyWait::Broadcast ? 5 : wait == ReplyWait::Write ? 50 : 18;
}

int RtuMinimumLength(int function, int operand) {
    if (function == 0x03 || function == 0x67)
        return 2 * (operand & 0xFF) + 5;
    return function == 0x06 || function == 0x68 ? 8 : 3;
}

CheckedReply CheckReply(const SentRequest& request, const std::uint8_t* rx, int count,
                        bool overflow) {
    if (overflow || count > ReceiveBufferSize)
        return Fail(ErrFormat);
    Frame f;
    bool unchecked = false; // a function 0x77 frame whose LRC is wrong
    if (!request.rtu) {
        // ':' + pairs of uppercase hex digits + CR LF, nothing before or after.
        if (count < 1 || rx[0] != ':')
            return Fail(ErrFormat);
        if (count < 9 || rx[count - 2] != '\r' || rx[count - 1] != '\n' || (count - 3) % 2 != 0)
            return Fail(ErrFormat);
        for (int i = 1; i < count - 2; ++i)
            if (!IsUpperHex(rx[i]))
                return Fail(ErrFormat);
        f.n = (count - 3) / 2;
        for (int i = 0; i < f.n; ++i)
            f.bytes[i] =
                std::uint8_t(codec::HexPairToByte(char(rx[2 * i + 1]), char(rx[2 * i + 2])));
        f.checkSize = 1;
        const bool lrcExempt = request.function == 0x67 && f.bytes[1] == 0x77;
        unsigned sum = 0;
        for (int i = 0; i < f.n; ++i)
            sum += f.bytes[i];
        if ((sum & 0xFF) != 0 && !lrcExempt)
            return Fail(ErrChecksum);
        unchecked = (sum & 0xFF) != 0;
    } else {
        if (count < 4)
            return Fail(ErrChecksum);
        std::copy(rx, rx + count, f.bytes.begin());
        f.n = count;
        f.checkSize = 2;
        const std::uint16_t crc = codec::Crc16(rx, std::size_t(count - 2));
        if (crc != std::uint16_t(rx[count - 1] * 256 + rx[count - 2]))
            return Fail(ErrChecksum);
    }

    CheckedReply r;
    r.address = f.bytes[0];
    r.function = f.bytes[1];
    const int fn = r.function;
    const int exceptionLength = 3 + f.checkSize;
    if (r.address != request.address) {
        // A checked frame from another address is that device's answer, of
        // whatever shape: a late reply to an earlier request, or a device
        // that is not ours. It is judged by its address, not by its shape.
        if (unchecked)
            return Fail(ErrFormat); // nothing vouches for the address
        r.kind = ReplyKind::ForeignAddress;
        r.errorState = ErrFormat;
        return r;
    }

    const bool isRead = request.function == 0x03 || request.function == 0x67;
    if (isRead && fn == request.function) {
        const int byteCount = f.n >= 3 ? f.bytes[2] : -1;
        // Exactly the words asked for; anything else would put values into
        // the wrong fields.
        if (byteCount != 2 * request.operand || f.n != 3 + byteCount + f.checkSize ||
            request.operand > MaxRegisterValues)
            return Fail(ErrFormat);
        r.kind = ReplyKind::Read;
        r.errorState = ErrNone;
        r.wordCount = request.operand;
        for (int i = 0; i < r.wordCount; ++i)
            r.words[i] = std::uint16_t(f.bytes[3 + 2 * i] * 256 + f.bytes[4 + 2 * i]);
        return r;
    }
    // An exception reply counts as one whatever was asked: a device that
    // answers a write with 0x83 refuses it as surely as with 0xE8.
    if (fn == 0x83 || fn == 0xE7 || fn == 0xE8) {
        if (f.n != exceptionLength)
            return Fail(ErrFormat);
        r.kind = ReplyKind::Exception;
        r.errorState = ErrFunction;
        r.exceptionCode = f.bytes[2];
        return r;
    }
    if (request.function == 0x67 && fn == 0x77) {
        r.kind = ReplyKind::Identify77;
        r.errorState = ErrNone;
        return r;
    }
    if (request.function == 0x06 && (fn == 0x06 || fn == 0x86)) {
        // Compared byte for byte with the request, check included.
        r.kind = ReplyKind::WriteEcho;
        r.echoMatches =
            count == int(request.frame.size()) && std::equal(rx, rx + count, request.frame.begin());
        r.errorState = r.echoMatches ? ErrNone : ErrWriteCompare;
        return r;
    }
    return Fail(ErrFunction);
}

} // namespace zu
