#include "sim/lib/sim_frames.h"

namespace zu::sim {

namespace {

constexpr std::size_t kMaxAsciiChars = 513;
constexpr std::size_t kRtuRequestSize = 8;

int hexValue(std::uint8_t c) {
    // The controllers take upper-case digits only, as the framing prescribes.
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char kDigits[] = "0123456789ABCDEF";

bool knownFunction(std::uint8_t f) {
    return f == 0x03 || f == 0x06 || f == 0x67;
}

Request requestFrom(std::span<const std::uint8_t> six) {
    Request r;
    r.address = six[0];
    r.function = six[1];
    r.reg = std::uint16_t(six[2] << 8 | six[3]);
    r.operand = std::uint16_t(six[4] << 8 | six[5]);
    if (!knownFunction(r.function))
        r.refusal = exc::IllegalFunction;
    return r;
}

} // namespace

std::uint8_t lrcOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes)
        sum = std::uint8_t(sum + b);
    return std::uint8_t(-sum);
}

std::uint16_t crcOf(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

void RequestParser::reset() {
    buffer_.clear();
    inFrame_ = false;
    lastUs_ = -1;
}

std::vector<ParseEvent> RequestParser::feed(std::span<const std::uint8_t> bytes,
                                            std::int64_t firstEndUs, std::int64_t perByteUs) {
    std::vector<ParseEvent> out;
    std::int64_t t = firstEndUs;
    for (std::uint8_t b : bytes) {
        if (framing_ == Framing::Ascii)
            feedAscii(b, t, out);
        else
            feedRtu(b, t, out);
        lastUs_ = t;
        t += perByteUs;
    }
    return out;
}

void RequestParser::feedAscii(std::uint8_t byte, std::int64_t t, std::vector<ParseEvent>& out) {
    if (byte == ':') {
        // A new start character drops whatever came before it.
        if (inFrame_ && !buffer_.empty())
            out.push_back({ParseEvent::Garbage, {}, t});
        buffer_.clear();
        inFrame_ = true;
        return;
    }
    if (!inFrame_)
        return;
    if (byte == '\n') {
        finishAscii(t, out);
        buffer_.clear();
        inFrame_ = false;
        return;
    }
    buffer_.push_back(byte);
    if (buffer_.size() > kMaxAsciiChars) {
        out.push_back({ParseEvent::Garbage, {}, t});
        buffer_.clear();
        inFrame_ = false;
    }
}

void RequestParser::finishAscii(std::int64_t t, std::vector<ParseEvent>& out) {
    if (buffer_.empty() || buffer_.back() != '\r' || buffer_.size() < 5) {
        out.push_back({ParseEvent::Garbage, {}, t});
        return;
    }
    const std::size_t n = buffer_.size() - 1; // without CR
    const int a1 = hexValue(buffer_[0]), a0 = hexValue(buffer_[1]);
    const int f1 = hexValue(buffer_[2]), f0 = hexValue(buffer_[3]);
    if (a1 < 0 || a0 < 0 || f1 < 0 || f0 < 0) {
        out.push_back({ParseEvent::Garbage, {}, t});
        return;
    }
    Request r;
    r.address = std::uint8_t(a1 << 4 | a0);
    r.function = std::uint8_t(f1 << 4 | f0);
    bool clean = n % 2 == 0;
    for (std::size_t i = 0; i < n && clean; ++i)
        clean = hexValue(buffer_[i]) >= 0;
    if (!clean) {
        r.refusal = exc::IllegalAscii;
        out.push_back({ParseEvent::Frame, r, t});
        return;
    }
    std::vector<std::uint8_t> bytes(n / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(hexValue(buffer_[2 * i]) << 4 | hexValue(buffer_[2 * i + 1]));
    if (bytes.size() < 3) {
        out.push_back({ParseEvent::Garbage, {}, t});
        return;
    }
    const std::span<const std::uint8_t> body(bytes.data(), bytes.size() - 1);
    if (lrcOf(body) != bytes.back()) {
        out.push_back({ParseEvent::ChecksumError, r, t});
        return;
    }
    if (!knownFunction(r.function)) {
        r.refusal = exc::IllegalFunction;
    } else if (body.size() < 6) {
        r.refusal = exc::TooFewData;
    } else if (body.size() > 6) {
        r.refusal = exc::TooManyData;
    } else {
        r = requestFrom(body);
    }
    out.push_back({ParseEvent::Frame, r, t});
}

void RequestParser::feedRtu(std::uint8_t byte, std::int64_t t, std::vector<ParseEvent>& out) {
    if (!buffer_.empty() && lastUs_ >= 0 && t - lastUs_ > gapUs_) {
        // A silence ends a frame: what came before it is incomplete.
        out.push_back({ParseEvent::Garbage, {}, t});
        buffer_.clear();
        inFrame_ = false;
    }
    buffer_.push_back(byte);
    if (buffer_.size() < kRtuRequestSize)
        return;
    const std::span<const std::uint8_t> six(buffer_.data(), 6);
    const std::uint16_t crc = crcOf(six);
    if ((crc & 0xFF) == buffer_[6] && (crc >> 8) == buffer_[7]) {
        out.push_back({ParseEvent::Frame, requestFrom(six), t});
        buffer_.clear();
        inFrame_ = false;
        return;
    }
    // Out of step: slide by one byte so that a frame behind noise is still
    // found, and report the bad frame once.
    if (!inFrame_) {
        Request r;
        r.address = buffer_[0];
        r.function = buffer_[1];
        out.push_back({ParseEvent::ChecksumError, r, t});
        inFrame_ = true;
    }
    buffer_.erase(buffer_.begin());
}

std::vector<std::uint8_t> encodeFrame(Framing framing, std::span<const std::uint8_t> pdu) {
    std::vector<std::uint8_t> out;
    if (framing == Framing::Rtu) {
        out.assign(pdu.begin(), pdu.end());
        const std::uint16_t crc = crcOf(pdu);
        out.push_back(std::uint8_t(crc & 0xFF));
        out.push_back(std::uint8_t(crc >> 8));
        return out;
    }
    out.reserve(pdu.size() * 2 + 5);
    out.push_back(':');
    auto hex = [&out](std::uint8_t b) {
        out.push_back(std::uint8_t(kDigits[b >> 4]));
        out.push_back(std::uint8_t(kDigits[b & 15]));
    };
    for (std::uint8_t b : pdu)
        hex(b);
    hex(lrcOf(pdu));
    out.push_back('\r');
    out.push_back('\n');
    return out;
}

std::vector<std::uint8_t> encodeRequest(Framing framing, const Request& r) {
    const std::uint8_t pdu[6] = {r.address,
                                 r.function,
                                 std::uint8_t(r.reg >> 8),
                                 std::uint8_t(r.reg & 0xFF),
                                 std::uint8_t(r.operand >> 8),
                                 std::uint8_t(r.operand & 0xFF)};
    return encodeFrame(framing, pdu);
}

} // namespace zu::sim
