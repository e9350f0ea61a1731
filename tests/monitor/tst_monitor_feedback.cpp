// What the engine tells the window about a connection and a write, beside
// the fixed texts: the address that did not answer, the lamp that waits for a
// first good reply, the outcome of each write of the user's, and the end of a
// line-lost notice.
#include "engine_rig.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

// A write of the user's, queued as the editing does.
void QueueWrite(MonitorModel& m, std::uint16_t reg, std::uint16_t value) {
    m.req.PendingRegister = reg;
    m.req.PendingValue = value;
    m.req.WritePending = true;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

class TestMonitorFeedback : public QObject {
    Q_OBJECT
  private slots:
    void silentAddressIsNamedWhenItsSlotIsDropped();
    void lampWaitsForTheFirstGoodReply();
    void writeIsToldWrittenThenReadBack();
    void refusedWriteIsToldWithItsReasonUntilGivenUp();
    void queuedWriteIsToldCancelledWhenTheSelectionMoves();
    void lineLostNoticeEndsWhenPollingIsBack();
};

void TestMonitorFeedback::silentAddressIsNamedWhenItsSlotIsDropped() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    rig.setAddresses({9, 1, 1, 1});
    rig.engine->RunBt0Click(0);
    bool everGreen = false;
    const bool dropped = rig.clock.advanceUntil(
        [&] {
            everGreen = everGreen || rig.view.column[0].lamp == Colour::Green;
            return !rig.engine->model().deviceSlots[0].connected;
        },
        30000);
    QVERIFY(dropped);
    QCOMPARE(rig.view.dropped, std::vector<std::string>{"0 9: no reply to 4 requests in a row"});
    QVERIFY2(!everGreen, "the lamp of a slot that never answered was green");
}

void TestMonitorFeedback::lampWaitsForTheFirstGoodReply() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    rig.engine->RunBt0Click(0);
    QCOMPARE(rig.view.column[0].lamp, Colour::Grey); // connected, nothing heard yet
    QVERIFY(rig.view.column[0].connected);
    rig.settle(); // the identification reply
    QCOMPARE(rig.view.column[0].lamp, Colour::Green);
    QVERIFY(rig.view.dropped.empty());
}

void TestMonitorFeedback::writeIsToldWrittenThenReadBack() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    rig.engine->RunBt0Click(0);
    MonitorModel& m = rig.engine->model();
    // past the first parameter read-back
    QVERIFY(rig.clock.advanceUntil([&] { return m.RequestKind == 14; }, 30000));
    QVERIFY(rig.clock.advanceUntil([&] { return m.RequestKind < 10; }, 30000));
    QueueWrite(m, 0x4701, 300);
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.clock.advanceUntil([&] { return Has(rig.view.writeOutcomes, "written"); }, 30000));
    QCOMPARE(rig.view.writeOutcomes, std::vector<std::string>{"written"});
    QVERIFY(rig.clock.advanceUntil([&] { return Has(rig.view.writeOutcomes, "readback"); }, 30000));
    QCOMPARE(rig.view.writeOutcomes, (std::vector<std::string>{"written", "readback"}));
    // told once the parameter block has come in after the write: the write,
    // then the reads of kinds 10..14 from 0x4701 down to the SV block
    const std::vector<Req> sent = rig.reqs(from);
    const auto write =
        std::find_if(sent.begin(), sent.end(), [](const Req& r) { return r.function == 0x06; });
    QVERIFY(write != sent.end());
    QCOMPARE(write->reg, 0x4701);
    QVERIFY(std::any_of(write, sent.end(),
                        [](const Req& r) { return r.function == 0x03 && r.reg == 0x4701; }));
}

void TestMonitorFeedback::refusedWriteIsToldWithItsReasonUntilGivenUp() {
    Rig rig(false, Via::Script);
    FakeBus bus;
    bus.devices[1].family = 'B';
    bus.devices[1].regs[0x4717] = 1; // communication write enabled
    rig.responder = bus.responder();
    bus.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 0x06)
            return std::nullopt;
        return std::vector<Chunk>{{25, Frame({1, 0xE8, 0x03}, false)}};
    };
    rig.engine->RunBt0Click(0);
    MonitorModel& m = rig.engine->model();
    QVERIFY(rig.clock.advanceUntil([&] { return m.RequestKind == 2; }, 30000));
    QueueWrite(m, 0x4701, 300);
    QVERIFY(rig.clock.advanceUntil([&] { return !m.req.WritePending; }, 60000));
    const std::string reason = std::string(text::WriteErrorPrefix) + text::IllegalData;
    QVERIFY(!rig.view.writeOutcomes.empty());
    for (std::size_t i = 0; i + 1 < rig.view.writeOutcomes.size(); ++i)
        QCOMPARE(rig.view.writeOutcomes[i], "refused " + reason);
    QCOMPARE(rig.view.writeOutcomes.back(), "givenup " + reason);
    QVERIFY(!Has(rig.view.writeOutcomes, "written"));
}

void TestMonitorFeedback::queuedWriteIsToldCancelledWhenTheSelectionMoves() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    rig.device('C', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    MonitorModel& m = rig.engine->model();
    QVERIFY(rig.clock.advanceUntil([&] { return m.RequestKind == 2; }, 30000));
    QVERIFY(rig.engine->AwaitingReply());
    QueueWrite(m, 0x4701, 300); // waits for the reply in flight
    rig.engine->Adr0LbClick(1);
    QCOMPARE(rig.view.writeOutcomes, std::vector<std::string>{"cancelled"});
    QVERIFY(!m.req.WritePending);
    const std::size_t from = rig.wire.size();
    rig.runFrames(5);
    for (const Req& r : rig.reqs(from))
        QVERIFY(r.function != 0x06);
}

void TestMonitorFeedback::lineLostNoticeEndsWhenPollingIsBack() {
    Rig rig(false, Via::Script);
    FakeBus bus;
    bus.devices[1].family = 'B';
    rig.responder = bus.responder();
    rig.engine->RunBt0Click(0);
    rig.settle();
    QVERIFY(rig.lines.scripted);
    rig.lines.scripted->breakLine();
    rig.clock.runDue();
    QCOMPARE(rig.view.lineLost.size(), std::size_t(1));
    QCOMPARE(rig.view.count("lineback"), 0);
    rig.engine->RunBt0Click(0); // the user connects again
    rig.settle();
    QCOMPARE(rig.view.count("lineback"), 1);
    rig.settle();
    QCOMPARE(rig.view.count("lineback"), 1); // once
}

QTEST_GUILESS_MAIN(TestMonitorFeedback)
#include "tst_monitor_feedback.moc"
