// The polling engine against the simulated controllers and a scripted line:
// frames on the wire in order, and what the window is asked to show.
#include "engine_rig.h"

#include "core/texts.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

Q_DECLARE_METATYPE(std::vector<std::string>)

class TestEngine : public QObject {
    Q_OBJECT
  private slots:
    void firstConnect_data();
    void firstConnect();
    void secondSlotIdentifiedWhenReached();
    void cycleOrderAndProgramKind();
    void decisionPointInsertsParameterReads();
    void fourTimeoutsDropSlot_data();
    void fourTimeoutsDropSlot();
    void droppedSlotLeavesOthersPolling();
    void identificationExceptionOr77GivesFamilyA_data();
    void identificationExceptionOr77GivesFamilyA();
    void exceptionLimit_data();
    void exceptionLimit();
    void haltedAfterForeignAddress();
    void exitWaitsForFrameInFlight();
    void twoQueuedWritesSendOnlyTheLast();
    void writeEchoDiffers_data();
    void writeEchoDiffers();
    void unlockBeforeHiddenAdjustReads();
    void lockCommandReplyAcceptedWhateverItHolds();
    void writeExceptionLimit();
    void portThatCannotBeOpened();
    void lineLostWhilePolling();
    void unknownFamilyDoesNotStall();
    void rtuSpacingWithTwoSlots();
    void clearCountersAndSelection();
};

void TestEngine::firstConnect_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<std::vector<std::string>>("expected");
    const std::vector<std::string> a = {"01 67 0012 0003", "01 03 470F 0002", "01 03 4728 0004",
                                        "01 03 4700 0002", "01 03 4718 0008", "01 03 4700 0002",
                                        "01 03 471C 0003", "01 03 4733 0001", "01 03 4731 0001",
                                        "01 03 4710 0008", "01 03 4718 0008", "01 03 4708 0008",
                                        "01 03 4701 0007"};
    const std::vector<std::string> b = {"01 67 0012 0003", "01 03 4724 0002", "01 03 4717 0004",
                                        "01 03 4700 0004", "01 03 4728 0008", "01 03 4700 0004",
                                        "01 03 4723 0007", "01 03 4751 0001", "01 03 4720 0008",
                                        "01 03 4710 0008", "01 03 4718 0008", "01 03 4708 0008",
                                        "01 03 4701 0007"};
    const std::vector<std::string> c = {"01 67 0012 0003", "01 03 4751 0001", "01 03 471A 0006",
                                        "01 03 4700 0004", "01 03 4728 0008", "01 03 4700 0004",
                                        "01 03 4723 0006", "01 03 4751 0001", "01 03 4720 0008",
                                        "01 03 4710 0008", "01 03 4718 0008", "01 03 4708 0008",
                                        "01 03 4701 0007"};
    QTest::newRow("A ascii") << 'A' << false << a;
    QTest::newRow("A rtu") << 'A' << true << a;
    QTest::newRow("B ascii") << 'B' << false << b;
    QTest::newRow("B rtu") << 'B' << true << b;
    QTest::newRow("C ascii") << 'C' << false << c;
    QTest::newRow("C rtu") << 'C' << true << c;
}

void TestEngine::firstConnect() {
    QFETCH(char, family);
    QFETCH(bool, rtu);
    QFETCH(std::vector<std::string>, expected);
    Rig rig(rtu, Via::Sim, 19200);
    rig.device(family, 1);
    rig.engine->RunBt0Click(0);
    QCOMPARE(rig.app.PortOwner, int(PortMonitor));
    QCOMPARE(rig.wire.size(), std::size_t(1)); // identification goes out at once
    QVERIFY(RunChecked(rig, 20000));
    const auto got = Strings(rig.reqs(), expected.size());
    QCOMPARE(Join(got), Join(expected));
    QCOMPARE(rig.engine->model().deviceSlots[0].Family, std::uint8_t(family));
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
    QVERIFY(rig.view.column[0].connected);
    QVERIFY(rig.view.column[0].highlighted);
    QVERIFY(rig.view.timer1);
    QVERIFY(rig.view.enabled[MonitorMenu::FILE1]);
    QVERIFY(rig.view.checked[MonitorMenu::SETTING1]);
    QCOMPARE(rig.view.column[0].errCount, 0u);
    QVERIFY(rig.view.column[0].pv != "0"); // the simulated PV reached the column
}

void TestEngine::secondSlotIdentifiedWhenReached() {
    Rig rig(false, Via::Sim);
    rig.device('A', 1);
    rig.device('B', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(4)); // identification, kind 1, kind 2, kind 3 of slot 0
    const std::size_t before = rig.wire.size();
    rig.engine->RunBt0Click(1);
    QCOMPARE(rig.wire.size(), before); // nothing at once
    QVERIFY(rig.runFrames(12));
    const auto r = Strings(rig.reqs(before), 12);
    // The kind-3 pass of slot 0 ended; the scheduler reaches slot 1 in kind 4.
    const auto id = std::find(r.begin(), r.end(), "02 67 0012 0003");
    QVERIFY2(id != r.end(), qPrintable(Join(r)));
    QCOMPARE(*(id + 1), std::string("02 03 4724 0002")); // kind 1 of family B
    QCOMPARE(*(id + 2), std::string("01 03 4728 0004")); // kind 2 starts again at slot 0
    QCOMPARE(*(id + 3), std::string("02 03 4717 0004")); // and then slot 1 is polled
    QCOMPARE(rig.engine->model().deviceSlots[1].Family, std::uint8_t('B'));
}

void TestEngine::cycleOrderAndProgramKind() {
    Rig rig(true, Via::Script, 38400);
    FakeBus fb;
    fb.rtu = true;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    fb.devices[2] = {'B', {{0x4729, 1}, {0x4717, 0x21}, {0x472B, 1}}}; // runs a program
    rig.responder = fb.responder();
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(60));
    // Find a steady cycle: from one kind 2 of slot 0 to the next.
    const auto r = Strings(rig.reqs(), 200);
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < r.size(); ++i)
        if (r[i] == "01 03 4717 0004")
            starts.push_back(i);
    QVERIFY(starts.size() >= 4);
    const std::vector<std::string> cycle(r.begin() + long(starts[2]), r.begin() + long(starts[3]));
    const std::vector<std::string> expected = {
        "01 03 4717 0004", "02 03 4717 0004", "01 03 4700 0004", "02 03 4700 0004",
        "01 03 4728 0008", "02 03 4728 0008", "01 03 4700 0004", "02 03 4700 0004",
        "01 03 4723 0007", "02 03 4723 0007", "01 03 4751 0001", "02 03 4751 0001",
        "02 03 4762 0005"};
    QCOMPARE(Join(cycle), Join(expected));
    QCOMPARE(rig.engine->model().deviceSlots[1].ProgramRunning, std::uint16_t(1));
    QCOMPARE(rig.engine->model().deviceSlots[0].ProgramRunning, std::uint16_t(0));
}

void TestEngine::decisionPointInsertsParameterReads() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(30));
    // Steady: no refresh due, the cycle is kinds 2..7.
    QVERIFY(!rig.engine->requests().ParameterRefresh);
    rig.clock.advanceUntil([&] { return rig.req(rig.wire.size() - 1).reg == 0x4717; }, 10000);
    rig.engine->requests().ParameterRefresh = true;
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(12));
    const auto r = Strings(rig.reqs(from), 12);
    const std::vector<std::string> expected = {
        "01 03 4700 0004", "01 03 4728 0008", "01 03 4700 0004", "01 03 4723 0007",
        "01 03 4751 0001", "01 03 4720 0008", "01 03 4710 0008", "01 03 4718 0008",
        "01 03 4708 0008", "01 03 4701 0007", "01 03 4717 0004", "01 03 4700 0004"};
    QCOMPARE(Join(r), Join(expected));
    QVERIFY(rig.view.count("lamp 0 yellow") >= 1);
}

void TestEngine::fourTimeoutsDropSlot_data() {
    QTest::addColumn<bool>("rtu");
    QTest::newRow("ascii") << false;
    QTest::newRow("rtu") << true;
}

void TestEngine::fourTimeoutsDropSlot() {
    QFETCH(bool, rtu);
    Rig rig(rtu, Via::Sim, 9600);
    sim::Device& d = rig.device('B', 1);
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(5));
    d.faults().push_back({sim::FaultKind::Silence, 1, 0});
    const std::size_t from = rig.wire.size() - 1; // the frame now unanswered
    QVERIFY(RunChecked(rig, 10000));
    const auto r = rig.reqs(from);
    QCOMPARE(r.size(), std::size_t(4));
    QCOMPARE(r[1], r[0]);
    QCOMPARE(r[3], r[0]);
    QCOMPARE(rig.view.errMessage, std::string(text::TimeoutError));
    QCOMPARE(rig.engine->ConnectedCount(), 0);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Idle);
    QVERIFY(!rig.engine->port().Open());
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    QVERIFY(!rig.view.column[0].connected); // "Connect" again
    QVERIFY(!rig.view.timer1);
    QVERIFY(!rig.view.enabled[MonitorMenu::FILE1]);
    QCOMPARE(rig.view.column[0].errCount, 4u);
}

void TestEngine::droppedSlotLeavesOthersPolling() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    sim::Device& silent = rig.device('B', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(1); // selected
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(10));
    silent.faults().push_back({sim::FaultKind::Silence, 1, 0});
    QVERIFY(RunChecked(rig, 15000));
    QCOMPARE(rig.engine->ConnectedCount(), 1);
    QCOMPARE(rig.engine->model().SelectedSlot, std::uint8_t(0));
    QVERIFY(rig.view.column[0].highlighted);
    QVERIFY(!rig.view.column[1].connected);
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(10));
    for (const Req& q : rig.reqs(from))
        QCOMPARE(q.address, 1);
}

void TestEngine::identificationExceptionOr77GivesFamilyA_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("function");
    QTest::newRow("ascii E7") << false << 0xE7;
    QTest::newRow("rtu E7") << true << 0xE7;
    QTest::newRow("ascii 77") << false << 0x77;
    QTest::newRow("rtu 77") << true << 0x77;
}

void TestEngine::identificationExceptionOr77GivesFamilyA() {
    QFETCH(bool, rtu);
    QFETCH(int, function);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {}};
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 0x67)
            return std::nullopt;
        return std::vector<Chunk>{{10, Frame({1, std::uint8_t(function), 0x01}, rtu)}};
    };
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(2, 5000));
    QVERIFY(RunChecked(rig, 0));
    QCOMPARE(Describe(rig.req(1)), std::string("01 03 470F 0002"));
    QCOMPARE(rig.engine->model().deviceSlots[0].Family, std::uint8_t('A'));
    QCOMPARE(rig.view.layout.pictureA, true);
    QCOMPARE(rig.view.column[0].errCount, 0u);
}

void TestEngine::exceptionLimit_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii 2") << false << 2 << " Read error : illegal address  !!!";
    QTest::newRow("rtu 3") << true << 3 << " Read error : illegal data     !!!";
    QTest::newRow("rtu 6") << true << 6 << " Read error : Unknow Error     !!!";
}

void TestEngine::exceptionLimit() {
    QFETCH(bool, rtu);
    QFETCH(int, code);
    QFETCH(QString, text);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    rig.clock.advanceUntil([&] { return rig.req(rig.wire.size() - 1).reg == 0x4728; }, 10000);
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.reg != 0x4723)
            return std::nullopt;
        return std::vector<Chunk>{{10, Frame({1, 0x83, std::uint8_t(code)}, rtu)}};
    };
    const std::size_t from = rig.wire.size();
    QVERIFY(RunChecked(rig, 0));
    QVERIFY(rig.runFrames(8, 20000));
    const auto r = Strings(rig.reqs(from), 8);
    // kind 5, then kind 6 four times (the fourth exception passes the limit),
    // then the scheduler moves on to kind 7.
    const std::vector<std::string> expected = {"01 03 4700 0004", "01 03 4723 0007",
                                               "01 03 4723 0007", "01 03 4723 0007",
                                               "01 03 4723 0007", "01 03 4751 0001"};
    QCOMPARE(Join({r.begin(), r.begin() + 6}), Join(expected));
    QVERIFY(rig.view.count("err " + text.toStdString()) == 4);
    QCOMPARE(rig.engine->ReadErrorCount(), 0);
    QCOMPARE(rig.engine->ConnectedCount(), 1);
}

void TestEngine::haltedAfterForeignAddress() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(10));
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        return std::vector<Chunk>{
            {20, Frame(ReadPdu(9, 3, std::vector<std::uint16_t>(std::size_t(r.operand), 0x1111)),
                       false)}};
    };
    rig.settle();
    QVERIFY(rig.clock.advanceUntil(
        [&] { return rig.engine->state() == MonitorEngine::State::Halted; }, 5000));
    QCOMPARE(rig.view.errMessage, std::string(text::AddressNotCorrect));
    const std::size_t sent = rig.wire.size();
    QVERIFY(RunChecked(rig, 10000));
    QCOMPARE(rig.wire.size(), sent); // halted: nothing more
    QVERIFY(rig.engine->port().Open());
    // Disconnect and connect again: polling starts over.
    fb.override = nullptr;
    rig.engine->RunBt0Click(0);
    QVERIFY(!rig.engine->port().Open());
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    rig.engine->RunBt0Click(0);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
    QVERIFY(rig.runFrames(5));
    QCOMPARE(Describe(rig.req(sent)), std::string("01 67 0012 0003"));
}

void TestEngine::exitWaitsForFrameInFlight() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {}};
    fb.devices[1].turnaroundMs = 200;
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(3));
    QVERIFY(rig.engine->AwaitingReply());
    const std::size_t sent = rig.wire.size();
    rig.engine->Close2Click();
    QVERIFY(rig.engine->CloseRequested());
    QCOMPARE(rig.view.closeCount, 0);
    QVERIFY(rig.engine->port().Open());
    rig.clock.advance(100);
    QCOMPARE(rig.view.closeCount, 0);
    rig.clock.advance(400);
    QCOMPARE(rig.view.closeCount, 1);
    QVERIFY(!rig.engine->port().Open());
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Closed);
    rig.clock.advance(5000);
    QCOMPARE(rig.wire.size(), sent);
}

void TestEngine::twoQueuedWritesSendOnlyTheLast() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    QVERIFY(rig.engine->AwaitingReply());
    EngineRequests& q = rig.engine->requests();
    q.PendingRegister = 0x4701;
    q.PendingValue = 300;
    q.WritePending = true;
    q.PendingRegister = 0x4706;
    q.PendingValue = 450;
    q.WritePending = true;
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(8));
    const auto r = rig.reqs(from);
    int writes = 0;
    for (const Req& x : r)
        writes += x.function == 6;
    QCOMPARE(writes, 1);
    QCOMPARE(Describe(r[0]), std::string("01 06 4706 01C2"));
    QVERIFY(!q.WritePending);
    // A good echo asks for the parameters to be read back.
    QCOMPARE(fb.devices[1].regs[0x4706], std::uint16_t(450));
    const auto s = Strings(r, 20);
    QVERIFY(std::find(s.begin(), s.end(), "01 03 4720 0008") != s.end());
}

void TestEngine::writeEchoDiffers_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<bool>("exception");
    QTest::newRow("ascii clamped") << false << false;
    QTest::newRow("rtu clamped") << true << false;
    QTest::newRow("ascii 86") << false << true;
    QTest::newRow("rtu 86") << true << true;
}

void TestEngine::writeEchoDiffers() {
    QFETCH(bool, rtu);
    QFETCH(bool, exception);
    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 6)
            return std::nullopt;
        if (exception)
            return std::vector<Chunk>{{10, Frame({1, 0x86, 0x03}, rtu)}};
        // The device stored a clamped value and echoes it.
        return std::vector<Chunk>{{10, Frame({1, 6, 0x47, 0x01, 0x03, 0xE8}, rtu)}};
    };
    EngineRequests& q = rig.engine->requests();
    q.PendingRegister = 0x4701;
    q.PendingValue = 2000;
    q.WritePending = true;
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(14, 20000));
    const auto s = Strings(rig.reqs(from), 14);
    const auto w = std::find(s.begin(), s.end(), "01 06 4701 07D0");
    QVERIFY(w != s.end());
    QCOMPARE(std::count(s.begin(), s.end(), "01 06 4701 07D0"), 1L); // not repeated
    QCOMPARE(rig.view.count(std::string("err ") + text::WriteCompareFail), 1);
    QCOMPARE(rig.view.count("notechoed"), 1);
    QVERIFY(!q.WritePending);
    QVERIFY(std::find(w, s.end(), "01 03 4720 0008") != s.end()); // read back
}

void TestEngine::unlockBeforeHiddenAdjustReads() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'A', {{0x471D, 1}}};
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    rig.engine->requests().HiddenMode = true;
    rig.engine->requests().ParameterRefresh = true;
    QVERIFY(rig.runFrames(20));
    const auto s = Strings(rig.reqs(), 200);
    const auto k14 = std::find(s.begin(), s.end(), "01 03 4701 0007");
    QVERIFY(k14 != s.end());
    const auto k14b = std::find(k14 + 1, s.end(), "01 03 4701 0007");
    QVERIFY(k14b != s.end());
    QCOMPARE(*(k14b + 1), std::string("01 06 471B 6C3E"));
    QCOMPARE(*(k14b + 2), std::string("01 03 4720 0008"));
    QVERIFY(rig.view.count("lamp 0 blue") >= 1);
}

void TestEngine::lockCommandReplyAcceptedWhateverItHolds() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'C', {{0x4751, 8 << 3 | 7}}};
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 6)
            return std::nullopt;
        return std::vector<Chunk>{{10, Frame({1, 0x86, 0x04}, false)}}; // key refused
    };
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    EngineRequests& q = rig.engine->requests();
    q.PendingRegister = 0x106B;
    q.PendingValue = 0x1234;
    q.WritePending = true;
    q.LockCommandPending = true;
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(4));
    const auto s = Strings(rig.reqs(from), 4);
    const auto w = std::find(s.begin(), s.end(), "01 06 106B 1234");
    QVERIFY(w != s.end() && w + 2 < s.end());
    // Taken as the answer: no compare error, the device is identified again.
    QCOMPARE(*(w + 1), std::string("01 67 0012 0003"));
    QCOMPARE(*(w + 2), std::string("01 03 4751 0001"));
    QVERIFY(!q.LockCommandPending && !q.WritePending);
    QCOMPARE(rig.view.count(std::string("err ") + text::WriteCompareFail), 0);
    QCOMPARE(rig.view.column[0].errCount, 0u);
}

void TestEngine::writeExceptionLimit() {
    Rig rig(true, Via::Script, 38400);
    FakeBus fb;
    fb.rtu = true;
    fb.devices[1] = {'B', {{0x4729, 1}}};
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.function != 6)
            return std::nullopt;
        return std::vector<Chunk>{{5, Frame({1, 0xE8, 0x03}, true)}};
    };
    rig.responder = fb.responder();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(20));
    EngineRequests& q = rig.engine->requests();
    q.PendingRegister = 0x4701;
    q.PendingValue = 100;
    q.WritePending = true;
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(8));
    const auto s = Strings(rig.reqs(from), 8);
    QCOMPARE(std::count(s.begin(), s.end(), "01 06 4701 0064"), 4L);
    QVERIFY(!q.WritePending); // abandoned after the fourth exception
    QCOMPARE(
        rig.view.count(std::string("err ") + text::WriteErrorPrefix + codec::ExceptionMessage(3)),
        4);
    QCOMPARE(rig.engine->WriteErrorCount(), 0);
}

void TestEngine::portThatCannotBeOpened() {
    Rig rig(false, Via::Missing);
    rig.engine->RunBt0Click(0);
    QCOMPARE(rig.view.portErrors.size(), std::size_t(1));
    QVERIFY(rig.view.portErrors[0].find("No such file or directory") != std::string::npos);
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    QVERIFY(!rig.engine->port().Open());
    QCOMPARE(rig.engine->ConnectedCount(), 0);
    QVERIFY(!rig.view.column[0].connected);
    QVERIFY(!rig.view.timer1);
    QVERIFY(!rig.view.enabled[MonitorMenu::FILE1]);
    QVERIFY(rig.wire.empty());
    QVERIFY(RunChecked(rig, 5000));
    // Another try reports again; nothing was left behind by the first.
    rig.engine->RunBt0Click(0);
    QCOMPARE(rig.view.portErrors.size(), std::size_t(2));
}

void TestEngine::lineLostWhilePolling() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    rig.device('C', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(12));
    QVERIFY(rig.lines.simLine);
    rig.lines.simLine->unplug();
    QVERIFY(RunChecked(rig, 5000));
    QCOMPARE(rig.view.lineLost.size(), std::size_t(1));
    QCOMPARE(rig.engine->ConnectedCount(), 0);
    QVERIFY(!rig.view.column[0].connected);
    QVERIFY(!rig.view.column[1].connected);
    QVERIFY(!rig.engine->port().Open());
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    QVERIFY(!rig.view.timer1);
    // Plugged in again: connecting works as before.
    const std::size_t sent = rig.wire.size();
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.engine->port().Open());
    QVERIFY(rig.runFrames(8));
    QCOMPARE(Describe(rig.req(sent)), std::string("01 67 0012 0003"));
    QCOMPARE(rig.view.lineLost.size(), std::size_t(1));
    QCOMPARE(rig.view.column[0].errCount, 0u);
}

void TestEngine::unknownFamilyDoesNotStall() {
    Rig rig(false, Via::Script);
    FakeBus fb;
    fb.devices[1] = {'B', {{0x4729, 1}, {0x4700, 250}, {0x4725, 1}}};
    fb.devices[2] = {'B', {}};
    fb.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
        if (r.address == 2 && r.function == 0x67) // not one of our families
            return std::vector<Chunk>{{10, Frame(ReadPdu(2, 0x67, {5, 9, 0}), false)}};
        return std::nullopt;
    };
    rig.responder = fb.responder();
    rig.setAddresses({2, 1, 1, 1});
    rig.engine->RunBt0Click(0); // the unknown device, selected
    rig.engine->RunBt0Click(1);
    QVERIFY(RunChecked(rig, 30000));
    QCOMPARE(rig.engine->model().deviceSlots[0].Family, FamilyUnknown);
    QCOMPARE(rig.engine->ConnectedCount(), 2);
    // The known device gets its whole status cycle, the unknown one only
    // identification requests.
    const auto s = Strings(rig.reqs(), 100000);
    for (const char* f : {"01 03 4717 0004", "01 03 4700 0004", "01 03 4728 0008",
                          "01 03 4723 0007", "01 03 4751 0001"})
        QVERIFY2(std::count(s.begin(), s.end(), f) > 10, f);
    for (const auto& x : s)
        if (x.rfind("02", 0) == 0)
            QCOMPARE(x, std::string("02 67 0012 0003"));
    QVERIFY(rig.view.column[1].pv != "0");
}

void TestEngine::rtuSpacingWithTwoSlots() {
    Rig rig(true, Via::Sim, 38400);
    rig.device('B', 1);
    rig.device('B', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    QVERIFY(rig.runFrames(12));
    // One slot: the next frame follows the reply at once.
    auto gapAfterReply = [&](std::size_t frame) {
        std::int64_t lastRx = -1;
        for (const auto& c : rig.rx)
            if (c.atMs <= rig.wire[frame].atMs)
                lastRx = c.atMs;
        return rig.wire[frame].atMs - lastRx;
    };
    QVERIFY(gapAfterReply(rig.wire.size() - 1) < 20);
    rig.engine->RunBt0Click(1);
    const std::size_t from = rig.wire.size() + 1;
    QVERIFY(rig.runFrames(40));
    for (std::size_t i = from; i < rig.wire.size(); ++i)
        QVERIFY2(gapAfterReply(i) > 20, qPrintable(QString::number(i)));
    QVERIFY(RunChecked(rig, 1000));
}

void TestEngine::clearCountersAndSelection() {
    Rig rig(false, Via::Sim);
    rig.device('B', 1);
    sim::Device& c = rig.device('C', 2);
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(20));
    c.faults().push_back({sim::FaultKind::BadChecksum, 2, 0});
    QVERIFY(rig.runFrames(20));
    QVERIFY(rig.view.column[1].errCount > 0);
    c.faults().clear();
    rig.engine->ClrBt0MouseDown(1);
    QCOMPARE(rig.view.column[1].errCount, 0u);
    QCOMPARE(rig.view.column[1].execCount, 0u);
    QVERIFY(rig.view.column[0].execCount > 0); // only that slot
    QCOMPARE(rig.view.errMessage, std::string(text::NoError));
    QCOMPARE(rig.view.errColour, Colour::Green);
    // Selecting slot 1 identifies it again and reads its parameters.
    rig.engine->Adr0LbClick(1);
    QVERIFY(rig.view.column[1].highlighted);
    QVERIFY(!rig.view.column[0].highlighted);
    const std::size_t from = rig.wire.size();
    QVERIFY(rig.runFrames(3));
    // The reply in flight is handled, then slot 1 is identified again.
    QCOMPARE(Join(Strings(rig.reqs(from), 2)), QString("02 67 0012 0003 | 02 03 4751 0001"));
    QCOMPARE(rig.view.layout.pictureA, false);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
