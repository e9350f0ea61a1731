// The monitor engine's receive path on arbitrary replies: any bytes, in any
// chunking, at any time, in both framings, for up to four slots of any
// family, mixed with well-formed replies built from the input so the fuzzer
// reaches the decoders, the write echo and the identification paths too.
// Besides the sanitizers: the engine is never left waiting with nothing in
// flight, and the slot it polls always exists.
#include "core/app_state.h"
#include "core/clock.h"
#include "core/codec.h"
#include "fuzz/fuzz_support.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/logic/recording_monitor_view.h"
#include "tests/monitor/engine_rig.h"

#include <vector>

using namespace zu;

namespace {

class FuzzLine : public SerialLine {
  public:
    FuzzLine(Clock& clock, FuzzInput& in, bool rtu) : clock_(clock), in_(in), rtu_(rtu) {}
    ~FuzzLine() override { *alive_ = false; }
    bool open(const LineSettings&, QString*) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void applySettings(const LineSettings&) override {}
    QString deviceName() const override { return QStringLiteral("fuzz"); }
    bool write(const QByteArray& req) override {
        if (in_.empty())
            return true;
        std::vector<std::uint8_t> b;
        if (rtu_) {
            b.assign(req.begin(), req.end());
        } else {
            for (int i = 1; i + 1 < req.size() - 2; i += 2)
                b.push_back(std::uint8_t(codec::HexPairToByte(req[i], req[i + 1])));
        }
        const int count = b.size() >= 6 ? b[4] * 256 + b[5] : 0;
        const std::uint8_t op = in_.byte();
        QByteArray reply;
        switch (op & 7) {
        case 0: // a well-formed reply with words from the input
        case 1: {
            std::vector<std::uint8_t> pdu{b[0], b[1], std::uint8_t(2 * (count & 0x7F))};
            if (b[1] == 0x06) {
                pdu.assign(b.begin(), b.begin() + 6);
                if (op & 8)
                    pdu[5] = in_.byte();
            } else {
                for (int i = 0; i < 2 * (count & 0x7F); ++i)
                    pdu.push_back(in_.byte());
            }
            if (op & 16)
                pdu[0] = in_.byte(); // another address
            reply = zu::test::Frame(pdu, rtu_);
            break;
        }
        case 2: // exception or odd function, well framed
            reply = zu::test::Frame({b[0], in_.byte(), in_.byte()}, rtu_);
            break;
        case 3: // silence
            break;
        default: { // raw bytes
            const int len = in_.byte() % 120;
            for (int i = 0; i < len; ++i)
                reply.append(char(in_.byte()));
            break;
        }
        }
        // Delivered in chunks, each after a delay from the input.
        std::int64_t at = 0;
        int pos = 0;
        while (pos < reply.size()) {
            const int len = 1 + in_.byte() % 24;
            at += in_.byte() % 64;
            QByteArray part = reply.mid(pos, len);
            pos += len;
            clock_.callAfter(at, [this, alive = alive_, part] {
                if (*alive && open_ && received)
                    received(part);
            });
        }
        // Now and then a stray chunk much later (a late reply, noise).
        if (op & 32) {
            QByteArray stray;
            const int len = in_.byte() % 40;
            for (int i = 0; i < len; ++i)
                stray.append(char(in_.byte()));
            clock_.callAfter(100 + in_.byte() * 8, [this, alive = alive_, stray] {
                if (*alive && open_ && received)
                    received(stray);
            });
        }
        return true;
    }

  private:
    Clock& clock_;
    FuzzInput& in_;
    bool rtu_;
    bool open_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class FuzzLines : public LineFactory {
  public:
    FuzzLines(Clock& clock, FuzzInput& in, bool rtu) : clock_(clock), in_(in), rtu_(rtu) {}
    std::unique_ptr<SerialLine> create(const QString&) override {
        return std::make_unique<FuzzLine>(clock_, in_, rtu_);
    }

  private:
    Clock& clock_;
    FuzzInput& in_;
    bool rtu_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    FuzzInput in{data, size};
    const std::uint8_t setup = in.byte();
    const bool rtu = setup & 1;
    VirtualClock clock;
    FuzzLines lines(clock, in, rtu);
    PortDirectory ports;
    ports.set(1, "fuzz");
    AppState app(clock, lines, ports);
    app.Com = ComSetting{1, (setup & 2) ? 38400 : 9600, rtu ? 8 : 7, 1, rtu ? 0 : 1, rtu};
    app.ScaleWidth = 808;
    RecordingMonitorView view;
    view.keepLog = false;
    MonitorEngine engine(app, view);
    engine.FormShow();
    std::array<std::uint16_t, 4> addresses{1, 2, 3, std::uint16_t(1 + (setup >> 4))};
    engine.ComAddr0Change(0, addresses);
    const int slotCount = 1 + ((setup >> 2) & 3);
    for (int i = 0; i < slotCount; ++i)
        engine.RunBt0Click(i);

    // Let the input drive the engine; now and then the user does something.
    int rounds = 0;
    while (!in.empty() && rounds++ < 2000) {
        const std::uint8_t u = in.byte();
        switch (u >> 5) {
        case 0:
            engine.Adr0LbClick(u & 3);
            break;
        case 1:
            engine.requests().PendingRegister = std::uint16_t(0x4700 + (u & 0x1F));
            engine.requests().PendingValue = u;
            engine.requests().WritePending = true;
            break;
        case 2:
            engine.requests().ParameterRefresh = true;
            break;
        case 3:
            if ((u & 0x1F) == 0)
                engine.RunBt0Click(u & 3);
            break;
        default:
            break;
        }
        const std::int64_t until = clock.nowMs() + 20 + in.byte() * 4;
        while (clock.nowMs() < until && clock.step())
            FUZZ_CHECK(engine.consistent());
        const auto& m = engine.model();
        FUZZ_CHECK(m.RequestSlot < SlotCount);
        FUZZ_CHECK(m.SelectedSlot < SlotCount || m.SelectedSlot == NoSlot);
        FUZZ_CHECK(engine.ConnectedCount() >= 0 && engine.ConnectedCount() <= SlotCount);
    }
    clock.advance(5000);
    FUZZ_CHECK(engine.consistent());
    return 0;
}
