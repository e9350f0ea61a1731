// The simulated controllers' request parsing on arbitrary bytes, in any
// chunking and with pauses between chunks, on a bus that holds controllers
// of both framings at two line settings. Besides the sanitizers: every reply
// must be a well-formed frame of its controller's framing, sent by a
// controller that was addressed, and every frame a parser accepts must come
// out the same when it is encoded again and parsed afresh.
#include "core/clock.h"
#include "sim/lib/sim_bus.h"

#include "fuzz/fuzz_support.h"
#include <cstdio>
#include <cstdlib>

using namespace zu::sim;

namespace {

constexpr zu::LineSettings k7E1{9600, 7, zu::LineParity::Even, 1};
constexpr zu::LineSettings k8N1{38400, 8, zu::LineParity::None, 1};

struct Rng {
    std::uint32_t s;
    std::uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s >> 16;
    }
};

bool wellFormed(const std::vector<std::uint8_t>& f, Framing framing) {
    if (framing == Framing::Rtu) {
        if (f.size() < 5)
            return false;
        const std::uint16_t crc = crcOf(std::span(f).first(f.size() - 2));
        return f[f.size() - 2] == (crc & 0xFF) && f[f.size() - 1] == (crc >> 8);
    }
    if (f.size() < 11 || f[0] != ':' || f[f.size() - 2] != '\r' || f.back() != '\n' ||
        f.size() % 2 == 0)
        return false;
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i + 2 < f.size(); i += 2) {
        auto hex = [](std::uint8_t c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int hi = hex(f[i]), lo = hex(f[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        sum = std::uint8_t(sum + (hi << 4 | lo));
    }
    return sum == 0;
}

void parserRoundTrip(const std::uint8_t* data, std::size_t size, Framing framing, Rng& rng) {
    RequestParser p(framing);
    std::size_t at = 0;
    std::int64_t t = 0;
    while (at < size) {
        const std::size_t n = std::min<std::size_t>(size - at, 1 + rng.next() % 24);
        t += std::int64_t(rng.next() % 6000);
        for (const ParseEvent& e : p.feed(std::span(data + at, n), t, 260)) {
            if (e.kind != ParseEvent::Frame || e.request.refusal)
                continue;
            RequestParser again(framing);
            const auto events = again.feed(encodeRequest(framing, e.request), 0, 260);
            FUZZ_CHECK(events.size() == 1 && events[0].kind == ParseEvent::Frame);
            FUZZ_CHECK(events[0].request == e.request);
        }
        t += std::int64_t(n) * 260;
        at += n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 4096)
        return 0;
    Rng rng{std::uint32_t(data[0] << 8 | data[1])};
    const bool wireTime = data[0] & 1;
    data += 2;
    size -= 2;

    parserRoundTrip(data, size, Framing::Ascii, rng);
    parserRoundTrip(data, size, Framing::Rtu, rng);

    zu::VirtualClock clock;
    Bus bus(clock);
    bus.setWireTime(wireTime);
    bus.addDevice('A', 1, {k7E1, Framing::Ascii});
    bus.addDevice('B', 2, {k7E1, Framing::Ascii});
    bus.addDevice('C', 3, {k7E1, Framing::Ascii});
    bus.addDevice('A', 1, {k8N1, Framing::Rtu});
    bus.addDevice('B', 2, {k8N1, Framing::Rtu});
    bus.addDevice('C', 3, {k8N1, Framing::Rtu});
    bus.addDevice('B', 4, {k8N1, Framing::Ascii});
    int sent = 0;
    bus.transmit = [&](const std::vector<std::uint8_t>& frame, const DeviceSetting& s,
                       std::int64_t) {
        FUZZ_CHECK(wellFormed(frame, s.framing));
        ++sent;
    };

    zu::LineSettings pc = k7E1;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t n = std::min<std::size_t>(size - at, 1 + rng.next() % 20);
        if (rng.next() % 8 == 0)
            pc = pc == k7E1 ? k8N1 : k7E1;
        const std::int64_t per = charTimeUs(pc);
        const std::int64_t first = clock.nowMs() * 1000 - per * std::int64_t(n - 1);
        bus.receive(std::span(data + at, n), pc, first, per);
        clock.advance(std::int64_t(rng.next() % 12));
        at += n;
    }
    clock.advance(10000);
    int replies = 0;
    for (std::size_t i = 0; i < bus.size(); ++i) {
        const DeviceCounters& c = bus.at(i).counters;
        FUZZ_CHECK(c.replies <= c.requests);
        FUZZ_CHECK(c.exceptions <= c.replies);
        replies += c.replies;
    }
    FUZZ_CHECK(replies == sent);
    return 0;
}
