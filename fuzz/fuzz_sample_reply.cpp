// The recorder's acquisition answered by whatever the fuzzer sends: replies
// built for the request on the line (whole, cut, with a byte changed, a
// status code or an exception), any bytes in any chunking, both framings,
// time passing, Start/Stop, closing the window and a lost line. Checks the
// counts, the dropped slots, the line's owner and that nothing is charted
// from a status code.
#include "core/app_state.h"
#include "core/codec.h"
#include "core/reply_gathering.h"
#include "fuzz/fuzz_support.h"
#include "recorder/logic/recorder_acquisition.h"
#include "support/scripted_line.h"

using namespace zu;

namespace {

class FuzzView : public RecorderView {
  public:
    void ShowAcquiring(bool) override {}
    void SetErrMess(const QString&) override {}
    void SetLoopCnt(const QString&) override {}
    void PaintAddressBox(int, RecAddressColour) override {}
    void SetControlEnabled(RecControl, bool) override {}
    void ShowMessage(const QString&) override { ++messages; }
    int ComAddr(int slot) const override { return addresses[std::size_t(slot)]; }
    int SampleTime() const override { return sampleTime; }
    std::array<int, RecSlots> addresses{};
    int sampleTime = 0;
    int messages = 0;
};

class FuzzChart : public RecorderChartLink {
  public:
    explicit FuzzChart(const RecorderState& rec) : rec_(rec) {}
    void StoreChartValue(int value) override {
        FUZZ_CHECK(rec_.RecDeviceIndex >= 0 && rec_.RecDeviceIndex < RecSlots);
        FUZZ_CHECK(rec_.RecAddress[std::size_t(rec_.RecDeviceIndex)] != 0);
        // A status code (high byte 0x80) is never a reading.
        FUZZ_CHECK((std::uint16_t(value) >> 8) != 0x80);
        FUZZ_CHECK(value >= -32768 && value <= 32767);
        ++stored;
    }
    void StoreChartTime(int, int, int, int) override {}
    void PlotLatest() override {}
    void DrawChartFrame() override {}
    void ClearChartValue(int slot, int) override { FUZZ_CHECK(slot >= 0 && slot < RecSlots); }
    void StoreChartError(int slot) override { FUZZ_CHECK(slot >= 0 && slot < RecSlots); }
    int stored = 0;

  private:
    const RecorderState& rec_;
};

QByteArray Frame(std::vector<std::uint8_t> pdu, bool rtu) {
    if (rtu) {
        const std::uint16_t crc = codec::Crc16(pdu.data(), pdu.size());
        pdu.push_back(std::uint8_t(crc & 0xFF));
        pdu.push_back(std::uint8_t(crc >> 8));
        return QByteArray(reinterpret_cast<const char*>(pdu.data()), int(pdu.size()));
    }
    unsigned sum = 0;
    std::string text = ":";
    for (std::uint8_t b : pdu) {
        sum += b;
        text += codec::ByteToHex(b);
    }
    text += codec::ByteToHex(int((0x100 - (sum & 0xFF)) & 0xFF));
    text += "\r\n";
    return QByteArray::fromStdString(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VirtualClock clock;
    test::ScriptedLineFactory lines;
    PortDirectory pd;
    pd.set(1, QStringLiteral("a"));
    AppState state(clock, lines, pd);
    FuzzInput in{data, size};
    const bool rtu = in.byte() & 1;
    state.Com = rtu ? ComSetting{1, 38400, 8, 1, 0, true} : ComSetting{1, 9600, 7, 1, 1, false};
    ReplyGathering g(state);
    RecorderState rec;
    FuzzView view;
    FuzzChart chart(rec);
    RecorderAcquisition acq(state, g, rec, view, chart);
    int cycles = 0, lastCount = 0;
    acq.onCycleClosed = [&] { ++cycles; };

    auto start = [&] {
        for (auto& a : view.addresses)
            a = (in.byte() & 3) == 0 ? in.byte() : 0;
        view.sampleTime = in.byte() % 3;
        lines.nextOpenError = (in.byte() % 16 == 0) ? QStringLiteral("busy") : QString();
        const bool was = rec.RecAcquiring;
        acq.StartBtClick();
        if (!was)
            cycles = 0;
    };
    auto consistent = [&] {
        FUZZ_CHECK(g.RecReceived().size() <= std::size_t(ReplyGathering::RecReceiveBufferSize));
        FUZZ_CHECK(rec.RecDeviceIndex >= 0 && rec.RecDeviceIndex <= RecSlots);
        FUZZ_CHECK(rec.RecAddress[RecSlots] != 0);
        for (int i = 0; i < RecSlots; ++i) {
            FUZZ_CHECK(rec.RecErrorCount[std::size_t(i)] >= 0 &&
                       rec.RecErrorCount[std::size_t(i)] < 3);
            if (rec.RecFailedAt[std::size_t(i)] != -1) {
                FUZZ_CHECK(rec.RecAddress[std::size_t(i)] == 0); // dropped for good
                FUZZ_CHECK(rec.RecFailedAt[std::size_t(i)] <= rec.RecSampleCount);
            }
        }
        if (rec.RecAcquiring) {
            FUZZ_CHECK(state.PortOwner == PortRecorder);
            FUZZ_CHECK(g.ApdComPort1.Open());
            FUZZ_CHECK(rec.RecSampleCount == cycles);
            FUZZ_CHECK(rec.RecSampleCount >= lastCount);
            FUZZ_CHECK(rec.RecDeviceIndex < RecSlots);
            FUZZ_CHECK(rec.RecAddress[std::size_t(rec.RecDeviceIndex)] != 0);
            lastCount = rec.RecSampleCount;
        } else {
            FUZZ_CHECK(state.PortOwner == PortFree);
            FUZZ_CHECK(!g.ApdComPort1.Open());
            FUZZ_CHECK(!acq.Timer1().enabled());
            lastCount = 0;
        }
    };

    start();
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        test::ScriptedLine* line = g.ApdComPort1.Open() ? lines.last : nullptr;
        switch (op % 9) {
        case 0:
        case 1: { // a reply to the request on the line, perhaps spoiled
            if (!line || !rec.RecAcquiring || rec.RecDeviceIndex >= RecSlots)
                break;
            const std::uint8_t a = rec.RecAddress[std::size_t(rec.RecDeviceIndex)];
            std::vector<std::uint8_t> pdu;
            switch (in.byte() % 4) {
            case 0:
                pdu = {a, 0x83, in.byte()};
                break; // exception
            case 1:
                pdu = {a, 0x03, 0x04, 0x80, in.byte(), 0, 0};
                break; // status code
            default:
                pdu = {a, 0x03, 0x04, in.byte(), in.byte(), in.byte(), in.byte()};
                break;
            }
            QByteArray reply = Frame(pdu, rtu);
            if (op & 0x10)
                reply[in.byte() % reply.size()] = char(in.byte());
            const int cut = in.byte() % (reply.size() + 1);
            line->push(reply.left(cut));
            clock.advance(in.byte() % 4 * 20);
            if (g.ApdComPort1.Open())
                lines.last->push(reply.mid(cut));
            clock.runDue();
            break;
        }
        case 2: { // any bytes
            const QByteArray chunk = TakeChunk<QByteArray>(in, 160);
            if (line)
                line->push(chunk);
            clock.runDue();
            break;
        }
        case 3:
        case 4:
            clock.advance(in.byte() * 8);
            break;
        case 5:
            acq.Timer1Timer();
            clock.runDue();
            break;
        case 6:
            if (line)
                line->breakLine();
            clock.runDue();
            break;
        case 7:
            acq.FormClose();
            break;
        default:
            start();
            break;
        }
        consistent();
    }
    acq.FormClose();
    FUZZ_CHECK(state.PortOwner == PortFree);
    FUZZ_CHECK(!g.ApdComPort1.Open());
    return 0;
}
