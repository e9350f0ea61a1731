// The codec on arbitrary input. The first byte picks the operation, the rest
// is its input. Besides the sanitizers, properties that must hold for every
// input are checked, so a wrong result counts as a crash too.
#include "core/codec.h"

#include "fuzz/fuzz_support.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace codec = zu::codec;

namespace {

// Fixed-size fields taken from the front of the input, zero when it runs out.
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <typename T> T take() {
        T value{};
        std::uint8_t raw[sizeof(T)] = {};
        for (std::size_t i = 0; i < sizeof(T) && pos_ < size_; ++i)
            raw[i] = data_[pos_++];
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

long long SaturatedTimes(long long v, long long factor) {
    long long r = 0;
    if (__builtin_mul_overflow(v, factor, &r))
        return v < 0 ? std::numeric_limits<long long>::min()
                     : std::numeric_limits<long long>::max();
    return r;
}

void ParseText(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    long long results[4];
    for (int decimals = 0; decimals <= 3; ++decimals)
        results[decimals] = codec::ParseScaled(text, decimals);
    // Without a point every decimal only appends a zero.
    if (text.find('.') == std::string_view::npos && results[0] != codec::ParseError) {
        FUZZ_CHECK(results[1] == SaturatedTimes(results[0], 10));
        FUZZ_CHECK(results[2] == SaturatedTimes(results[0], 100));
        FUZZ_CHECK(results[3] == SaturatedTimes(results[0], 1000));
    }
    // Odd decimal counts must neither crash nor hang.
    (void)codec::ParseScaled(text, -1);
    (void)codec::ParseScaled(text, std::numeric_limits<int>::max());
}

// A received ':' frame of L characters in the receive buffer; the callers
// convert (L - 3) / 2 pairs and check the LRC over the pairs before it.
void AsciiFrame(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = size < 100 ? size : 100;
    if (length == 0)
        return;
    // Exactly L bytes, so the sanitizer sees any read past the frame.
    std::vector<std::uint8_t> frame(data, data + length);
    frame[0] = ':';
    const int L = static_cast<int>(length);
    (void)codec::AsciiLrc(frame.data(), L);
    if (L < 3)
        return;
    const int n = (L - 3) / 2;
    const std::uint8_t lrcBefore = n >= 1 ? codec::AsciiLrc(frame.data(), 2 * (n - 1) + 1) : 0;
    std::vector<std::uint8_t> pairs(frame.begin() + 1, frame.begin() + 1 + 2 * n);
    codec::HexFrameToBytes(frame.data(), n);
    unsigned sum = 0;
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(frame[static_cast<std::size_t>(i)] ==
                   static_cast<std::uint8_t>(codec::HexPairToByte(
                       static_cast<char>(pairs[2 * static_cast<std::size_t>(i)]),
                       static_cast<char>(pairs[2 * static_cast<std::size_t>(i) + 1]))));
        sum += frame[static_cast<std::size_t>(i)];
    }
    if (n >= 1)
        FUZZ_CHECK(((sum & 0xFF) == 0) == (lrcBefore == frame[static_cast<std::size_t>(n) - 1]));
}

void Formats(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const auto wide = in.take<long long>();
    const auto value = in.take<int>();
    const auto digits = in.take<int>();
    const auto code = in.take<std::uint8_t>();

    const std::string s16 = codec::FormatSigned16(value);
    FUZZ_CHECK(!s16.empty() && (s16[0] == ' ' || s16[0] == '-') && s16.size() <= 6);
    for (int c : {0, 1, 2, 3, 255, static_cast<int>(code)})
        (void)codec::FormatScaled(wide, c);
    (void)codec::FormatScaled(value, code);
    const std::string d = codec::FormatDigits(value, digits);
    FUZZ_CHECK(d.size() <= 33);
    if (digits > 0 && digits <= 9 && value >= 0) {
        long long limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        if (value < limit)
            FUZZ_CHECK(d.size() == static_cast<std::size_t>(digits));
    }
    // What the displays show with 0..3 decimals the editors read back.
    const int reg = value & 0x7FFF;
    for (int decimals = 0; decimals <= 3; ++decimals)
        FUZZ_CHECK(codec::ParseScaled(codec::FormatScaled(reg, decimals), decimals) == reg);
    FUZZ_CHECK(codec::ExceptionMessage(value).size() == 20);
}

void Checks(const std::uint8_t* data, std::size_t size) {
    // A frame followed by its CRC, low byte first, has a CRC of 0.
    std::vector<std::uint8_t> framed(data, data + size);
    const std::uint16_t crc = codec::Crc16(framed.data(), framed.size());
    framed.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    framed.push_back(static_cast<std::uint8_t>(crc >> 8));
    FUZZ_CHECK(codec::Crc16(framed.data(), framed.size()) == 0);

    Reader in(data, size);
    const auto address = in.take<int>();
    const auto function = in.take<int>();
    const auto reg = in.take<int>();
    const auto operand = in.take<int>();
    const auto rtu = codec::BuildRequest(true, address, function, reg, operand);
    FUZZ_CHECK(rtu.size() == 8 && codec::Crc16(rtu.data(), rtu.size()) == 0);
    auto ascii = codec::BuildRequest(false, address, function, reg, operand);
    FUZZ_CHECK(ascii.size() == 17 && ascii[0] == ':' && ascii[15] == '\r' && ascii[16] == '\n');
    codec::HexFrameToBytes(ascii.data(), 7);
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i) {
        sum += ascii[static_cast<std::size_t>(i)];
        if (i < 6)
            FUZZ_CHECK(ascii[static_cast<std::size_t>(i)] == rtu[static_cast<std::size_t>(i)]);
    }
    FUZZ_CHECK((sum & 0xFF) == 0);
    for (bool r : {true, false})
        FUZZ_CHECK(codec::ExpectedReplyLength(r, function, operand) >= 0);
}

// The receive handlers' view of a byte stream: predict after each byte and
// start over when a frame is complete.
void RtuStream(const std::uint8_t* data, std::size_t size) {
    std::size_t start = 0;
    int prediction = 250;
    int count = 0;
    for (std::size_t i = 0; i < size; ++i) {
        ++count;
        prediction = codec::PredictRtuLength(prediction, count, data + start);
        FUZZ_CHECK(prediction >= 5 && prediction <= 260);
        if (count == prediction) {
            start = i + 1;
            count = 0;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t* rest = data + 1;
    const std::size_t restSize = size - 1;
    switch (data[0] % 5) {
    case 0:
        ParseText(rest, restSize);
        break;
    case 1:
        AsciiFrame(rest, restSize);
        break;
    case 2:
        Formats(rest, restSize);
        break;
    case 3:
        Checks(rest, restSize);
        break;
    default:
        RtuStream(rest, restSize);
        break;
    }
    return 0;
}
