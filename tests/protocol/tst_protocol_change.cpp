// The change of a controller's address and setting over the protocol port on
// a simulated line: the writes on the wire in their settings, the user
// messages between them on virtual time, the echo check and the texts.
#include "core/texts.h"
#include "protocol/logic/protocol_change.h"
#include "protocol_line_rig.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

const DeviceLine k7E1Ascii{9600, 7, 1, 1, false};
const DeviceLine k8N1Rtu19200{19200, 8, 0, 1, true};
const LineSettings k7E1{9600, 7, LineParity::Even, 1};

struct Run {
    std::vector<std::pair<int, std::int64_t>> messages; // code, virtual time
    int finished = 0;
    QString portError;
};

void Watch(ProtocolChange& c, Run& run, Clock& clock) {
    c.onUserMessage = [&run, &clock](int code) { run.messages.emplace_back(code, clock.nowMs()); };
    c.onFinished = [&run](const QString& e) {
        ++run.finished;
        run.portError = e;
    };
}

} // namespace

class TestProtocolChange : public QObject {
    Q_OBJECT
  private slots:
    void writeFrames_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("0x470B ASCII") << 1 << false << QByteArray(":0106470B01A501\r\n");
        QTest::newRow("0x470B RTU") << 1 << true << Hex("01 06 47 0B 01 A5 2D 57");
        QTest::newRow("0x4722 ASCII")
            << 2 << false << QByteArray(":010647220001 8F\r\n").replace(' ', "");
        QTest::newRow("0x4722 RTU") << 2 << true << Hex("01 06 47 22 00 01 FC B4");
    }
    void writeFrames() {
        QFETCH(int, step);
        QFETCH(bool, rtu);
        QFETCH(QByteArray, frame);
        QCOMPARE(DeviceCommByte(k7E1Ascii), std::optional<std::uint8_t>(0xA5));
        QCOMPARE(Bytes(ProtocolWriteFrame(step, rtu, 1, 1, 0xA5)), frame);
    }

    void echoCheck_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<bool>("echo");
        QTest::newRow("ASCII echo") << ":0106470B01A501" << false << true;
        QTest::newRow("ASCII, other value") << ":0106470B01A600" << false << false;
        QTest::newRow("ASCII, exception") << ":018603F6" << false << false;
        QTest::newRow("ASCII, echo and more") << ":0106470B01A50100" << false << false;
        QTest::newRow("RTU echo") << "0106470B01A52D57" << true << true;
        QTest::newRow("RTU, only the CRC differs") << "0106470B01A52D58" << true << false;
        QTest::newRow("RTU, cut") << "0106470B01A5" << true << false;
    }
    void echoCheck() {
        QFETCH(QString, reply);
        QFETCH(bool, rtu);
        QFETCH(bool, echo);
        QCOMPARE(IsEchoOf(reply, ProtocolWriteFrame(1, rtu, 1, 1, 0xA5), rtu), echo);
    }

    void addressRules() {
        QVERIFY(IsDeviceAddress(1));
        QVERIFY(IsDeviceAddress(247));
        QVERIFY(!IsDeviceAddress(0));
        QVERIFY(!IsDeviceAddress(248));
        QVERIFY(!IsDeviceAddress(255));
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        QVERIFY(!c.start({1, 1, k7E1Ascii, 250, k7E1Ascii, false}));
        QVERIFY(!c.start({1, 0, k7E1Ascii, 5, k7E1Ascii, false}));
        QVERIFY(rig.frames().empty());
        QVERIFY(!c.running());
    }

    void nothingToChangeSucceedsWithoutTraffic() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({1, 1, k7E1Ascii, 1, k7E1Ascii, false}));
        QCOMPARE(run.finished, 1);
        QCOMPARE(c.text(), QStringLiteral("SET Protocol Success"));
        QCOMPARE(c.ChangeStep(), 3);
        QVERIFY(rig.frames().empty());
        QVERIFY(run.messages.empty());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
    }

    void onlySyncSendsTheSyncWrite() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({1, 1, k7E1Ascii, 1, k7E1Ascii, true}));
        QCOMPARE(rig.state->PortOwner, int(PortProtocol));
        QVERIFY(rig.clock.advanceUntil([&] { return run.finished > 0; }, 10000));
        QCOMPARE(rig.frames().size(), std::size_t(1));
        QCOMPARE(rig.frames()[0].bytes, QByteArray(":0106472200018F\r\n"));
        QCOMPARE(run.messages.size(), std::size_t(1));
        QCOMPARE(run.messages[0].first, 251);
        // the 251 message stays three seconds before success is told
        QVERIFY(rig.clock.nowMs() - run.messages[0].second >= 3000);
        QCOMPARE(c.text(), QStringLiteral("SET Protocol Success"));
        QVERIFY(c.SyncDone());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
    }

    void oneToFiveWithSync() {
        ProtocolLineRig rig;
        sim::Device& d = rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({1, 1, k7E1Ascii, 5, k8N1Rtu19200, true}));
        QVERIFY(rig.clock.advanceUntil([&] { return run.finished > 0; }, 20000));
        QCOMPARE(c.text(), QStringLiteral("SET Protocol Success"));
        QCOMPARE(rig.frames().size(), std::size_t(2));
        const std::uint8_t comm = *DeviceCommByte(k8N1Rtu19200);
        QCOMPARE(rig.frames()[0].bytes, Bytes(ProtocolWriteFrame(1, false, 1, 5, comm)));
        QCOMPARE(rig.frames()[0].bytes.left(11), QByteArray(":0106470B05"));
        QCOMPARE(rig.frames()[0].line, k7E1);
        QCOMPARE(rig.frames()[1].bytes, Bytes(ProtocolWriteFrame(2, true, 5, 5, comm)));
        QCOMPARE(rig.frames()[1].bytes.left(6), Hex("05 06 47 22 00 01"));
        QCOMPARE(rig.frames()[1].line, (LineSettings{19200, 8, LineParity::None, 1}));
        QCOMPARE(run.messages.size(), std::size_t(2));
        QCOMPARE(run.messages[0].first, 252);
        QCOMPARE(run.messages[1].first, 251);
        // the sync write waits for the 252 message to close
        QVERIFY(rig.frames()[1].atMs - run.messages[0].second >= 500);
        QCOMPARE(c.BeforeAddress(), 5);
        QCOMPARE(c.before(), k8N1Rtu19200);
        QCOMPARE(int(d.address()), 5);
        QCOMPARE(d.setting().framing, sim::Framing::Rtu);
        QCOMPARE(rig.state->Com.RtuMode, false);
    }

    void rtuEchoWithAnotherCrcIsADataError() {
        ProtocolLineRig rig;
        sim::Device& d =
            rig.bus->addDevice('B', 1, {{19200, 8, LineParity::None, 1}, sim::Framing::Rtu});
        d.faults().push_back({sim::FaultKind::BadChecksum, 1, 0});
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({1, 1, k8N1Rtu19200, 1, k7E1Ascii, false}));
        QVERIFY(rig.clock.advanceUntil([&] { return run.finished > 0; }, 10000));
        QCOMPARE(c.text(), QStringLiteral("Data error,Fail to changed"));
        QCOMPARE(c.BeforeAddress(), 1);
        QCOMPARE(c.before(), k8N1Rtu19200);
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
    }

    void noEchoIsATimeout() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({1, 9, k7E1Ascii, 10, k7E1Ascii, false}));
        QVERIFY(rig.clock.advanceUntil([&] { return run.finished > 0; }, 10000));
        QCOMPARE(c.text(), QStringLiteral("Timeout error,Fail to changed"));
        // 18 ticks after the write has left the wire
        QVERIFY(rig.clock.nowMs() >= 18 * 55);
        QCOMPARE(rig.frames().size(), std::size_t(1));
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
    }

    void portThatCannotOpen() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        Run run;
        Watch(c, run, rig.clock);
        QVERIFY(c.start({5, 1, k7E1Ascii, 2, k7E1Ascii, false}));
        QCOMPARE(run.finished, 1);
        QVERIFY(run.portError.contains("COM5"));
        QVERIFY(!c.succeeded());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
    }

    void stopEndsAWaitingChange() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        ProtocolChange c(*rig.state, *rig.replies);
        QVERIFY(c.start({1, 1, k7E1Ascii, 2, k7E1Ascii, true}));
        c.stop();
        QVERIFY(!c.running());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        rig.clock.advance(10000);
        QCOMPARE(rig.frames().size(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestProtocolChange)
#include "tst_protocol_change.moc"
