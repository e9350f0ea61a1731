// A protocol change whose writes are answered by whatever the fuzzer sends:
// the echo (whole, cut or with a byte changed), any bytes in any chunking,
// time passing, stops, restarts and a lost line. Checks that it succeeds
// only when the echo of every write it sent came back after that write, and
// that the port is released whenever it ends.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "fuzz/fuzz_support.h"
#include "protocol/logic/protocol_change.h"
#include "support/scripted_line.h"

using namespace zu;

namespace {

DeviceLine LineFrom(FuzzInput& in) {
    static const int bauds[] = {2400, 4800, 9600, 19200, 38400, 1200};
    DeviceLine d;
    d.baud = bauds[in.byte() % 6];
    d.rtu = in.byte() & 1;
    d.dataBits = d.rtu ? 8 : 7 + in.byte() % 2;
    d.parityCode = in.byte() % 4;
    d.stopBits = 1 + in.byte() % 2;
    return d;
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

// What went over the line during one change: each write, and the bytes
// that came back after it and before the next.
struct Exchange {
    QByteArray write;
    QByteArray after;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VirtualClock clock;
    test::ScriptedLineFactory lines;
    PortDirectory pd;
    pd.set(1, QStringLiteral("a"));
    AppState state(clock, lines, pd);
    ReplyGathering g(state);
    ProtocolChange change(state, g);
    FuzzInput in{data, size};

    int finished = 0;
    std::vector<Exchange> log;
    test::ScriptedLine* logged = nullptr; // the line whose writes are in the log
    change.onFinished = [&](const QString&) { ++finished; };
    // The port makes a new line at each opening; the last one lives while it is open.
    auto liveLine = [&]() -> test::ScriptedLine* {
        return g.ApdComPortMain.Open() ? lines.last : nullptr;
    };
    int takenFromLine = 0;
    auto takeWrites = [&] {
        test::ScriptedLine* line = liveLine();
        if (!line)
            return;
        if (line != logged) {
            logged = line;
            takenFromLine = 0;
        }
        for (; takenFromLine < line->written.size(); ++takenFromLine)
            log.push_back({line->written[takenFromLine], {}});
    };
    auto feed = [&](const QByteArray& bytes) {
        test::ScriptedLine* line = liveLine();
        if (!line)
            return;
        takeWrites();
        if (!log.empty())
            log.back().after += bytes;
        line->push(bytes);
        clock.runDue();
        takeWrites();
    };
    auto start = [&] {
        if (change.running())
            change.stop();
        lines.nextOpenError = (in.byte() % 16 == 0) ? QStringLiteral("busy") : QString();
        ProtocolChangeOrder o;
        o.beforeAddress = in.byte();
        o.before = LineFrom(in);
        o.afterAddress = (in.byte() & 1) ? o.beforeAddress : in.byte();
        o.after = (in.byte() & 1) ? o.before : LineFrom(in);
        o.sync = in.byte() & 1;
        const int before = finished;
        log.clear();
        logged = nullptr;
        if (!change.start(o)) {
            FUZZ_CHECK(!IsDeviceAddress(o.beforeAddress) || !IsDeviceAddress(o.afterAddress) ||
                       !DeviceCommByte(o.before) || !DeviceCommByte(o.after));
            FUZZ_CHECK(finished == before);
            FUZZ_CHECK(!change.running());
        }
        takeWrites();
    };
    auto consistent = [&] {
        FUZZ_CHECK(g.ProtocolRxText().size() <= ReplyGathering::ProtocolRxTextLimit);
        FUZZ_CHECK(change.ChangeStep() >= 0 && change.ChangeStep() <= 3);
        FUZZ_CHECK(log.size() <= 2);
        if (!change.running()) {
            FUZZ_CHECK(state.PortOwner == PortFree);
            FUZZ_CHECK(!g.ApdComPortMain.Open());
        }
        if (change.succeeded()) {
            for (const Exchange& e : log) {
                // ASCII: the echo is the write up to its CR LF.
                const bool ascii = e.write.startsWith(':');
                FUZZ_CHECK(e.after.contains(ascii ? e.write.chopped(2) : e.write));
            }
        }
    };

    start();
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op % 8) {
        case 0:
        case 1: { // the echo of the write on the line, maybe changed, in two pieces
            if (!change.running() || !liveLine())
                break;
            QByteArray echo = Bytes(change.ProtocolRequest());
            if (op & 0x10)
                echo[in.byte() % echo.size()] = char(in.byte());
            const int cut = in.byte() % (echo.size() + 1);
            feed(echo.left(cut));
            clock.advance(in.byte() % 4 * 20);
            takeWrites();
            feed(echo.mid(cut));
            break;
        }
        case 2: { // any bytes
            const QByteArray chunk = TakeChunk<QByteArray>(in, 48);
            feed(chunk);
            break;
        }
        case 3:
        case 4:
            clock.advance(in.byte() * 8);
            break;
        case 5:
            change.stop();
            break;
        case 6:
            if (test::ScriptedLine* line = liveLine())
                line->breakLine();
            clock.runDue();
            break;
        default:
            start();
            break;
        }
        takeWrites();
        consistent();
    }
    clock.advance(60 * 1000);
    FUZZ_CHECK(!change.running());
    consistent();
    return 0;
}
