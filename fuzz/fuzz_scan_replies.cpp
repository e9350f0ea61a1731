// A scan whose probes are answered by whatever the fuzzer sends: answers
// built for the probe on the line (whole, cut or with a byte changed), any
// bytes in any chunking, time passing, Cancel, restarts and a lost line.
// Checks the scan's counts, results and port stay consistent.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "fuzz/fuzz_support.h"
#include "protocol/logic/scan.h"
#include "support/scripted_line.h"

#include <set>

using namespace zu;

namespace {

ScanFilters FiltersFrom(FuzzInput& in) {
    // Mostly narrow scans, so that the input reaches the later probes.
    auto digit = [&](int values) { return int(in.byte() % (values + 1)) - 1; };
    ScanFilters f;
    f.addressRange = 1 + in.byte() % ScanAddressRanges;
    f.baud = digit(5);
    f.parity = digit(3);
    f.dataBits = digit(2);
    f.stopBits = digit(2);
    f.framing = digit(2);
    return f;
}

// The answer a controller at the probed address would give, in the probe's framing.
QByteArray AnswerTo(const DeviceScan& scan, FuzzInput& in) {
    const std::uint8_t address = std::uint8_t(scan.ScanAddress());
    return test::Frame({address, 0x03, 0x02, in.byte(), in.byte()}, ScanIsRtu(scan.ScanIndex()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VirtualClock clock;
    test::ScriptedLineFactory lines;
    PortDirectory pd;
    pd.set(1, QStringLiteral("a"));
    AppState state(clock, lines, pd);
    ReplyGathering g(state);
    DeviceScan scan(state, g);
    FuzzInput in{data, size};

    int finished = 0, started = 0;
    std::size_t found = 0;
    scan.onFound = [&](const ScanResult&) { ++found; };
    scan.onFinished = [&](const QString&) { ++finished; };
    auto start = [&] {
        lines.nextOpenError = (in.byte() % 16 == 0) ? QStringLiteral("busy") : QString();
        if (scan.Scanning())
            ++finished; // a restart ends the running scan quietly
        const int before = finished;
        const PortResult r = scan.start(FiltersFrom(in), 1);
        found = scan.results().size(); // a start, even a failed one, clears them
        if (r) {
            ++started;
        } else {
            FUZZ_CHECK(!scan.Scanning());
            FUZZ_CHECK(state.PortOwner == PortFree);
            FUZZ_CHECK(!g.ApdComPortMain.Open());
            FUZZ_CHECK(finished == before);
        }
    };
    auto consistent = [&] {
        FUZZ_CHECK(g.ProtocolRxText().size() <= ReplyGathering::ProtocolRxTextLimit);
        FUZZ_CHECK(scan.ScanProbeCount() <= scan.ScanProbeTotal());
        FUZZ_CHECK(int(scan.results().size()) <= scan.ScanProbeCount());
        FUZZ_CHECK(scan.results().size() == found);
        std::set<std::pair<int, int>> seen;
        for (const ScanResult& r : scan.results()) {
            FUZZ_CHECK(r.address >= scan.ScanFirstAddress() && r.address <= scan.ScanLastAddress());
            FUZZ_CHECK(seen.insert({r.address, r.index}).second); // one result per probe
        }
        FUZZ_CHECK(finished <= started);
        if (scan.Scanning()) {
            FUZZ_CHECK(state.PortOwner == PortProtocol);
            FUZZ_CHECK(scan.ScanAddress() >= scan.ScanFirstAddress() &&
                       scan.ScanAddress() <= scan.ScanLastAddress());
            FUZZ_CHECK(scan.ScanIndex() < ScanIndexEnd);
            FUZZ_CHECK(scan.ProtocolRequest() ==
                       ScanProbe(ScanIsRtu(scan.ScanIndex()), scan.ScanAddress()));
        } else {
            FUZZ_CHECK(state.PortOwner == PortFree);
            FUZZ_CHECK(!g.ApdComPortMain.Open());
            FUZZ_CHECK(finished == started);
        }
    };

    start();
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        // The port makes a new line at each opening; the last one lives while it is open.
        test::ScriptedLine* line = g.ApdComPortMain.Open() ? lines.last : nullptr;
        switch (op % 8) {
        case 0:
        case 1: { // the answer, whole or in two pieces, perhaps with one byte changed
            if (!scan.Scanning() || !line)
                break;
            QByteArray answer = AnswerTo(scan, in);
            if (op & 0x10)
                answer[in.byte() % answer.size()] = char(in.byte());
            const int cut = in.byte() % (answer.size() + 1);
            line->push(answer.left(cut));
            clock.advance(in.byte() % 4 * 20);
            if (g.ApdComPortMain.Open()) // the scan may have ended meanwhile
                lines.last->push(answer.mid(cut));
            clock.runDue();
            break;
        }
        case 2: { // any bytes
            const QByteArray chunk = TakeChunk<QByteArray>(in, 64);
            if (line)
                line->push(chunk);
            clock.runDue();
            break;
        }
        case 3:
        case 4:
            clock.advance(in.byte() * 2);
            break;
        case 5:
            scan.cancel();
            break;
        case 6:
            if (line)
                line->breakLine();
            clock.runDue();
            break;
        default:
            start();
            break;
        }
        consistent();
    }
    // Left alone, a scan ends (run out only when short: the fuzzer's time
    // goes to the input, not to probing nobody).
    if (scan.ScanProbeTotal() - scan.ScanProbeCount() <= 64)
        clock.advance(64 * 1000);
    else
        scan.cancel();
    consistent();
    FUZZ_CHECK(!scan.Scanning());
    return 0;
}
