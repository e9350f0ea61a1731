// The polling engine when devices answer wrongly for a while: which answers
// end a queued request, which drop a slot and which halt polling, how long it
// waits for each kind of frame, and which panel changes re-read parameters.
#include "engine_rig.h"

#include "core/texts.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

// Runs until a frame sent from now on matches; it is the last one then.
bool RunUntilSent(Rig& rig, const std::function<bool(const Req&)>& match,
                  std::int64_t maxMs = 20000) {
    const std::size_t from = rig.wire.size();
    return rig.clock.advanceUntil(
        [&] { return rig.wire.size() > from && match(rig.req(rig.wire.size() - 1)); }, maxMs);
}

// How a device spoils its answer.
enum Spoil { BadCheck, NoiseBefore, CutShort, OtherFunction, CheckThenCut };

QByteArray Spoilt(QByteArray reply, Spoil how, bool rtu, int nth) {
    switch (how) {
    case BadCheck:
        if (rtu)
            reply[reply.size() - 1] = char(reply[reply.size() - 1] ^ 0x5A);
        else
            reply[reply.size() - 3] = reply[reply.size() - 3] == '0' ? '1' : '0';
        return reply;
    case NoiseBefore:
        return QByteArray("\x00\xFF\x5A", 3) + reply;
    case CutShort:
        return reply.left(reply.size() / 2);
    case OtherFunction: {
        // The same data under function 04.
        if (rtu) {
            std::vector<std::uint8_t> pdu(reply.begin(), reply.end() - 2);
            pdu[1] = 0x04;
            return Frame(pdu, true);
        }
        std::vector<std::uint8_t> pdu;
        for (int i = 1; i + 1 < reply.size() - 4; i += 2)
            pdu.push_back(std::uint8_t(codec::HexPairToByte(reply[i], reply[i + 1])));
        pdu[1] = 0x04;
        return Frame(pdu, false);
    }
    case CheckThenCut:
        return Spoilt(reply, nth % 2 ? CutShort : BadCheck, rtu, 0);
    }
    return reply;
}

} // namespace

class TestEngineFaults : public QObject {
    Q_OBJECT
  private slots:
    void exceptionToAWriteEndsAtTheExceptionLimit_data();
    void exceptionToAWriteEndsAtTheExceptionLimit();
    void replyFromAnUnconnectedSlotsAddressHalts_data();
    void replyFromAnUnconnectedSlotsAddressHalts();
    void faultyAnswersDropOnlyTheirSlot_data();
    void faultyAnswersDropOnlyTheirSlot();
    void aGoodAnswerStartsTheCountAgain();
    void lateRepliesCountAgainstTheSlotThatSentThem_data();
    void lateRepliesCountAgainstTheSlotThatSentThem();
    void timeoutOfEachFrame_data();
    void timeoutOfEachFrame();
    void runOrAtChangeRereadsParameters_data();
    void runOrAtChangeRereadsParameters();
};

// ------------------------------------------------------- exception to a write

void TestEngineFaults::exceptionToAWriteEndsAtTheExceptionLimit_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("function");
    QTest::addColumn<QString>("text");
    const QString read = QString(text::ReadErrorPrefix) + codec::ExceptionMessage(2).c_str();
    QTest::newRow("ascii 83") << false << 0x83 << read;
    QTest::newRow("rtu 83") << true << 0x83 << read;
    QTest::newRow("ascii E7") << false << 0xE7 << read;
}

void TestEngineFaults::exceptionToAWriteEndsAtTheExceptionLimit() {
    QFETCH(bool, rtu);
    QFETCH(int, function);
    QFETCH(QString, text);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 6)
            return std::nullopt;
        return std::vector<Chunk>{{10, Frame({1, std::uint8_t(function), 0x02}, rtu)}};
    };
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    EngineRequests& q = rig.engine->requests();
    q.PendingRegister = 0x4701;
    q.PendingValue = 100;
    q.WritePending = true;
    rig.view.clearLog();
    const std::size_t from = rig.wire.size();
    QVERIFY(RunChecked(rig, 10000));
    const auto s = Strings(rig.reqs(from));
    // Sent four times like a write refused with E8, then given up; the status
    // poll goes on.
    QCOMPARE(std::count(s.begin(), s.end(), "01 06 4701 0064"), 4L);
    QVERIFY(!q.WritePending);
    QVERIFY(s.size() > 10);
    QCOMPARE(s.back().substr(0, 6), std::string("01 03 "));
    QCOMPARE(rig.view.count("err " + text.toStdString()), 4);
    QCOMPARE(rig.view.count(std::string("err ") + text::UnknowCommand), 0);
    QCOMPARE(rig.engine->ConnectedCount(), 1);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
}

// ------------------------------------------------------ other address, halted

void TestEngineFaults::replyFromAnUnconnectedSlotsAddressHalts_data() {
    QTest::addColumn<bool>("rtu");
    QTest::newRow("ascii") << false;
    QTest::newRow("rtu") << true;
}

void TestEngineFaults::replyFromAnUnconnectedSlotsAddressHalts() {
    QFETCH(bool, rtu);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    // Slot 1's box says 2, but slot 1 is not connected: address 2 is no
    // device of ours.
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(10));
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        return std::vector<Chunk>{
            {20, Frame(ReadPdu(2, 3, std::vector<std::uint16_t>(std::size_t(r.operand), 7)), rtu)}};
    };
    QVERIFY(rig.clock.advanceUntil(
        [&] { return rig.engine->state() == MonitorEngine::State::Halted; }, 5000));
    QCOMPARE(rig.view.errMessage, std::string(text::AddressNotCorrect));
    const std::size_t sent = rig.wire.size();
    QVERIFY(RunChecked(rig, 5000));
    QCOMPARE(rig.wire.size(), sent);
    QCOMPARE(rig.engine->ConnectedCount(), 1);
}

// ------------------------------------------------------------- drop rule

void TestEngineFaults::faultyAnswersDropOnlyTheirSlot_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("spoil");
    QTest::addColumn<QString>("shown"); // the error text
    QTest::addColumn<QString>("why");   // the reason given for the drop
    const QString checksum = text::ChecksumError, format = text::RcvFormatError,
                  timeout = text::TimeoutError, unknown = text::UnknowCommand;
    QTest::newRow("ascii bad LRC")
        << false << int(BadCheck) << checksum << QString(text::DroppedChecksum);
    QTest::newRow("rtu bad CRC") << true << int(BadCheck) << checksum
                                 << QString(text::DroppedChecksum);
    QTest::newRow("ascii noise") << false << int(NoiseBefore) << format
                                 << QString(text::DroppedGarbled);
    QTest::newRow("rtu noise") << true << int(NoiseBefore) << checksum
                               << QString(text::DroppedChecksum);
    QTest::newRow("ascii truncated")
        << false << int(CutShort) << timeout << QString(text::DroppedIncomplete);
    QTest::newRow("rtu truncated")
        << true << int(CutShort) << checksum << QString(text::DroppedChecksum);
    QTest::newRow("ascii function 04")
        << false << int(OtherFunction) << unknown << QString(text::DroppedUnknownFunction);
    QTest::newRow("rtu function 04")
        << true << int(OtherFunction) << unknown << QString(text::DroppedUnknownFunction);
    QTest::newRow("ascii checksum, then cut")
        << false << int(CheckThenCut) << timeout << QString(text::DroppedMixedFaults);
}

void TestEngineFaults::faultyAnswersDropOnlyTheirSlot() {
    QFETCH(bool, rtu);
    QFETCH(int, spoil);
    QFETCH(QString, shown);
    QFETCH(QString, why);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}, {0x4700, 250}, {0x4725, 1}}};
    fb.devices[2] = {'B', {{0x4729, 1}, {0x4700, 400}, {0x4725, 1}}};
    bool spoiling = false;
    int spoilt = 0;
    std::size_t from = 0; // the first request answered badly
    rig.responder = [&](const Req& r, const QByteArray& raw) {
        auto chunks = fb.answer(r, raw);
        if (!spoiling || r.address != 2)
            return chunks;
        if (spoilt == 0)
            from = rig.wire.size() - 1;
        for (Chunk& c : chunks)
            c.bytes = Spoilt(c.bytes, Spoil(spoil), rtu, spoilt);
        ++spoilt;
        return chunks;
    };
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(40));
    QCOMPARE(rig.view.column[1].pv, std::string("40.0"));
    QCOMPARE(rig.view.column[1].errCount, 0u);

    spoiling = true;
    rig.view.clearLog();
    QVERIFY(RunChecked(rig, 15000));
    QVERIFY(spoilt > 0);

    // The request to slot 1 went out four times, then slot 1 was dropped with
    // its reason; its last error text stays beside it.
    const auto s = Strings(rig.reqs(from));
    QVERIFY2(s.size() > 12, qPrintable(Join(s)));
    QCOMPARE(Join({s.begin(), s.begin() + 4}), Join({s[0], s[0], s[0], s[0]}));
    QCOMPARE(spoilt, 4);
    QVERIFY(!rig.view.column[1].connected);
    QCOMPARE(rig.view.column[1].errCount, 4u);
    QCOMPARE(rig.view.dropped.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(rig.view.dropped[0]), "1 2: " + why);
    QVERIFY(rig.view.count("err " + shown.toStdString()) >= 1);
    QCOMPARE(QString::fromStdString(rig.view.errMessage), shown);
    // Slot 0 goes on being polled, and only slot 0.
    QCOMPARE(rig.engine->ConnectedCount(), 1);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
    QVERIFY(rig.view.column[0].connected);
    QCOMPARE(rig.view.column[0].errCount, 0u);
    for (auto it = s.begin() + 4; it != s.end(); ++it)
        QCOMPARE(it->substr(0, 2), std::string("01"));
    QCOMPARE(rig.view.column[0].pv, std::string("25.0"));
}

void TestEngineFaults::aGoodAnswerStartsTheCountAgain() {
    // Three bad answers, one good one, three bad again: never four in a row.
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    fb.devices[2] = {'B', {{0x4729, 1}}};
    int answers = 0;
    bool spoiling = false;
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (!spoiling || r.address != 2)
            return std::nullopt;
        if (++answers % 4 == 0)
            return std::nullopt;
        return std::vector<Chunk>{{10, Frame({2, 0x03, 0x01}, false)}}; // byte count odd
    };
    rig.responder = fb.responder();
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(40));
    spoiling = true;
    QVERIFY(RunChecked(rig, 20000));
    QVERIFY(answers > 12);
    QCOMPARE(rig.engine->ConnectedCount(), 2);
    QVERIFY(rig.view.dropped.empty());
    QVERIFY(rig.view.column[1].errCount >= 9);
}

void TestEngineFaults::lateRepliesCountAgainstTheSlotThatSentThem_data() {
    QTest::addColumn<bool>("rtu");
    QTest::newRow("ascii") << false;
    QTest::newRow("rtu") << true;
}

void TestEngineFaults::lateRepliesCountAgainstTheSlotThatSentThem() {
    QFETCH(bool, rtu);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}, {0x4700, 250}, {0x4725, 1}}};
    fb.devices[2] = {'B', {{0x4729, 1}}};
    // Device 2 answers an earlier request just as slot 0 is asked, four
    // times; device 1's own answer comes behind it.
    int late = 0;
    rig.responder = [&](const Req& r, const QByteArray& raw) {
        auto chunks = fb.answer(r, raw);
        if (late == 0 || r.address != 1)
            return chunks;
        --late;
        for (Chunk& c : chunks)
            c.afterMs += 15;
        // Its own words (the poll of another kind), not those now asked for.
        const std::size_t words = r.operand == 8 ? 4 : 8;
        chunks.insert(chunks.begin(),
                      {5, Frame(ReadPdu(2, 3, std::vector<std::uint16_t>(words, 0x1111)), rtu)});
        return chunks;
    };
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(40));
    late = 4;
    QVERIFY(RunChecked(rig, 10000));
    QCOMPARE(late, 0);
    QCOMPARE(rig.view.count(std::string("err ") + text::AddressNotCorrect), 4);
    // The device that sent them is dropped; the one that was asked is not.
    QCOMPARE(rig.view.dropped.size(), std::size_t(1));
    QCOMPARE(rig.view.dropped[0], std::string("1 2: ") + text::DroppedLate);
    QVERIFY(rig.view.column[0].connected);
    QVERIFY(!rig.view.column[1].connected);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
    QCOMPARE(rig.view.column[0].pv, std::string("25.0"));
}

// --------------------------------------------------------------- time-outs

void TestEngineFaults::timeoutOfEachFrame_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("frame"); // read, write, unlock or broadcast
    QTest::addColumn<int>("ticks");
    QTest::newRow("ascii read") << false << 9600 << "read" << 18;
    QTest::newRow("ascii write") << false << 9600 << "write" << 50;
    QTest::newRow("ascii unlock") << false << 9600 << "unlock" << 50;
    QTest::newRow("ascii broadcast") << false << 9600 << "broadcast" << 5;
    QTest::newRow("rtu 38400 read") << true << 38400 << "read" << 1;
    QTest::newRow("rtu 115200 write") << true << 115200 << "write" << 1;
    QTest::newRow("rtu 19200 read") << true << 19200 << "read" << 2;
    QTest::newRow("rtu 9600 write") << true << 9600 << "write" << 2;
    QTest::newRow("rtu 4800 read") << true << 4800 << "read" << 3;
    QTest::newRow("rtu 2400 unlock") << true << 2400 << "unlock" << 3;
}

void TestEngineFaults::timeoutOfEachFrame() {
    QFETCH(bool, rtu);
    QFETCH(int, baud);
    QFETCH(QString, frame);
    QFETCH(int, ticks);
    Rig rig(rtu, Via::Script, baud);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    bool silent = false;
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (!silent)
            return std::nullopt;
        const bool target = frame == "read" ? r.reg == 0x4700 : r.function == 6;
        if (!target)
            return std::nullopt;
        silent = false;
        return std::vector<Chunk>{};
    };
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    EngineRequests& q = rig.engine->requests();
    silent = true;
    if (frame == "write" || frame == "broadcast") {
        q.PendingRegister = 0x4701;
        q.PendingValue = 100;
        q.WritePending = true;
        q.BroadcastMode = frame == "broadcast";
    } else if (frame == "unlock") {
        q.UnlockPending = true;
    }
    QVERIFY(RunUntilSent(
        rig, [&](const Req& r) { return frame == "read" ? r.reg == 0x4700 : r.function == 6; }));
    const std::size_t sent = rig.wire.size() - 1;
    QCOMPARE(rig.engine->TimeoutTicks(), ticks);
    QVERIFY(rig.engine->AwaitingReply());
    QVERIFY(rig.runFrames(1, 10000));
    if (frame == "broadcast")
        q.BroadcastMode = q.WritePending = false;
    // The component counts whole ticks: the wait is longer than `ticks` ticks
    // and at most one tick more.
    const std::int64_t waited = rig.wire[sent + 1].atMs - rig.wire[sent].atMs;
    QVERIFY2(waited > ticks * TimerTickMs && waited <= (ticks + 1) * TimerTickMs,
             qPrintable(QString::number(waited)));
    // Nobody answers a broadcast: its write goes out once and what follows
    // is the next request. Otherwise the frame is sent again and counted as a
    // time-out.
    if (frame == "broadcast")
        QVERIFY(!(rig.req(sent + 1) == rig.req(sent)));
    else
        QCOMPARE(rig.req(sent + 1), rig.req(sent));
    QCOMPARE(rig.req(sent).address, frame == "broadcast" ? 0 : 1);
    QCOMPARE(rig.view.column[0].errCount, frame == "broadcast" ? 0u : 1u);
    QVERIFY(RunChecked(rig, 3000));
}

// ------------------------------------------------- front-panel RUN / AT

void TestEngineFaults::runOrAtChangeRereadsParameters_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("reg");      // where the device shows RUN or AT
    QTest::addColumn<int>("slot");     // whose device changes
    QTest::addColumn<bool>("rereads"); // the selected slot's parameters are read
    // Run byte bit 0 set (family A 0x471D, families B/C 0x4729): no read-back
    // every cycle; family C open (security code 8).
    QTest::newRow("A AT") << 'A' << 0x4729 << 0 << true;
    QTest::newRow("A RUN") << 'A' << 0x4719 << 0 << true;
    QTest::newRow("B AT") << 'B' << 0x4727 << 0 << true;
    QTest::newRow("B RUN") << 'B' << 0x4723 << 0 << true;
    QTest::newRow("C AT") << 'C' << 0x4727 << 0 << true;
    QTest::newRow("C RUN") << 'C' << 0x4723 << 0 << true;
    QTest::newRow("B AT, other slot") << 'B' << 0x4727 << 1 << false;
    QTest::newRow("A RUN, other slot") << 'A' << 0x4719 << 1 << false;
    QTest::newRow("B unrelated word") << 'B' << 0x4724 << 0 << false;
}

void TestEngineFaults::runOrAtChangeRereadsParameters() {
    QFETCH(char, family);
    QFETCH(int, reg);
    QFETCH(int, slot);
    QFETCH(bool, rereads);
    Rig rig(false, Via::Script);
    FakeBus fb;
    const std::map<int, std::uint16_t> regs = {
        {0x471D, 1}, {0x4729, 1}, {0x4751, 8 << 3}, {0x4725, 1}};
    fb.devices[1] = {family, regs};
    fb.devices[2] = {family, regs};
    if (family == 'A') // AT is read from 0x4729 too: start with it clear
        fb.devices[1].regs[0x4729] = fb.devices[2].regs[0x4729] = 0;
    rig.responder = fb.responder();
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    const std::string firstParameterRead = family == 'A' ? "01 03 4731 0001" : "01 03 4720 0008";
    auto parameterReads = [&](std::size_t from) {
        const auto s = Strings(rig.reqs(from));
        return std::count(s.begin(), s.end(), firstParameterRead);
    };
    QVERIFY(RunChecked(rig, 15000));
    QCOMPARE(parameterReads(0), 1L); // once after connecting, then steady
    std::size_t from = rig.wire.size();
    QVERIFY(RunChecked(rig, 10000));
    QCOMPARE(parameterReads(from), 0L);

    // The technician presses RUN/STOP or starts auto-tuning on the front panel.
    fb.devices[slot + 1].regs[reg] = 1 - (fb.devices[slot + 1].regs[reg] & 1);
    rig.view.clearLog();
    from = rig.wire.size();
    QVERIFY(RunChecked(rig, 10000));
    QCOMPARE(parameterReads(from), rereads ? 1L : 0L);
    QCOMPARE(rig.view.count("lamp 0 yellow"), rereads ? 1 : 0);
    // Read once for the change, not again while it stays.
    from = rig.wire.size();
    QVERIFY(RunChecked(rig, 10000));
    QCOMPARE(parameterReads(from), 0L);
    QCOMPARE(rig.engine->ConnectedCount(), 2);
}

QTEST_GUILESS_MAIN(TestEngineFaults)
#include "tst_engine_faults.moc"
