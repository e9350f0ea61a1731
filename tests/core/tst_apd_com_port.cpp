#include "core/apd_com_port.h"
#include "core/port_directory.h"
#include "support/scripted_line.h"

#include <QtTest>

using namespace zu;
using zu::test::ScriptedLineFactory;

namespace {

struct Seen {
    std::uint16_t message, handle, data;
    std::int64_t at;
    QByteArray taken;
};

} // namespace

class TestApdComPort : public QObject {
    Q_OBJECT

    VirtualClock clock;
    ScriptedLineFactory lines;
    PortDirectory ports;
    std::unique_ptr<TApdComPort> port;
    QList<Seen> seen;
    int take = -1; // bytes the handler takes per data event; -1 all

    void makePort() {
        port = std::make_unique<TApdComPort>(clock, lines, ports);
        port->OnTrigger = [this](TApdComPort& p, std::uint16_t msg, std::uint16_t handle,
                                 std::uint16_t data) {
            Seen s{msg, handle, data, clock.nowMs(), {}};
            const int n =
                msg == MsgDataAvailable ? (take < 0 ? data : std::min<int>(take, data)) : 0;
            for (int i = 0; i < n; ++i)
                s.taken.append(char(p.GetChar()));
            seen << s;
        };
    }

  private slots:
    void init() {
        clock = VirtualClock();
        lines = ScriptedLineFactory();
        ports = PortDirectory();
        ports.set(1, QStringLiteral("/dev/ttyUSB0"));
        ports.set(5, QStringLiteral("sim"));
        seen.clear();
        take = -1;
        makePort();
    }

    void startsWithDocumentedProperties() {
        QCOMPARE(port->ComNumber(), 0);
        QCOMPARE(port->Baud(), 19200);
        QCOMPARE(port->DataBits(), 8);
        QCOMPARE(port->StopBits(), 1);
        QCOMPARE(port->Parity(), LineParity::None);
        QVERIFY(!port->Open());
    }

    void openFailuresAreValues_data() {
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("lineError");
        QTest::addColumn<QString>("mustMention");
        QTest::newRow("COM0") << 0 << QString() << "COM0";
        QTest::newRow("unmapped") << 3 << QString() << "COM3";
        QTest::newRow("device refuses") << 1 << "Permission denied on /dev/ttyUSB0"
                                        << "dialout";
    }
    void openFailuresAreValues() {
        QFETCH(int, com);
        QFETCH(QString, lineError);
        QFETCH(QString, mustMention);
        lines.nextOpenError =
            lineError.isEmpty() ? QString() : lineError + ". Add your user to the dialout group";
        port->setComNumber(std::uint16_t(com));
        const PortResult r = port->setOpen(true);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(mustMention), qPrintable(r.message));
        QVERIFY(!port->Open());
        QVERIFY(!port->PutBlock("x", 1).ok);
    }

    void opensTheMappedDeviceWithTheStoredSettings() {
        port->setComNumber(5);
        port->setBaud(9600);
        port->setDataBits(7);
        port->setParity(LineParity::Even);
        QVERIFY(port->setOpen(true).ok);
        QCOMPARE(lines.devices, QStringList{"sim"});
        QCOMPARE(lines.last->settings, (LineSettings{9600, 7, LineParity::Even, 1}));
        QVERIFY(port->PutBlock(":01", 3).ok);
        QCOMPARE(lines.last->written, QList<QByteArray>{":01"});
    }

    void settingsChangedWhileOpenReachTheLine() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        port->setBaud(38400);
        QCOMPARE(lines.last->settings.baud, 38400);
        port->setStopBits(2);
        QCOMPARE(lines.last->settings.stopBits, 2);
    }

    void chunksGiveOneEventEachWithTheUntakenCount() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        take = 1;
        lines.last->push("abc");
        clock.runDue();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].message, MsgDataAvailable);
        QCOMPARE(seen[0].data, 3);
        QCOMPARE(seen[0].handle, 3);
        QCOMPARE(seen[0].taken, QByteArray("a"));
        lines.last->push("de");
        clock.runDue();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].data, 4); // b, c still untaken, plus d, e
        QCOMPARE(seen[1].taken, QByteArray("b"));
    }

    void bytesArrivingDuringPutBlockWaitForTheEventLoop() {
        // A line that answers inside write: the owner's handler must not run
        // inside its own PutBlock.
        struct EchoLine : test::ScriptedLine {
            bool write(const QByteArray& b) override {
                test::ScriptedLine::write(b);
                push(b);
                return true;
            }
        };
        struct EchoFactory : LineFactory {
            std::unique_ptr<SerialLine> create(const QString&) override {
                return std::make_unique<EchoLine>();
            }
        } factory;
        TApdComPort echo(clock, factory, ports);
        bool inPut = false;
        QList<QByteArray> got;
        echo.OnTrigger = [&](TApdComPort& p, std::uint16_t, std::uint16_t, std::uint16_t data) {
            QVERIFY(!inPut);
            QByteArray b;
            for (int i = 0; i < data; ++i)
                b.append(char(p.GetChar()));
            got << b;
        };
        echo.setComNumber(1);
        QVERIFY(echo.setOpen(true).ok);
        inPut = true;
        QVERIFY(echo.PutBlock("hi", 2).ok);
        inPut = false;
        QVERIFY(got.isEmpty());
        clock.runDue();
        QCOMPARE(got, QList<QByteArray>{"hi"});
    }

    void getCharStopsAtTheAnnouncedBytes() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        port->OnTrigger = [this](TApdComPort& p, std::uint16_t, std::uint16_t, std::uint16_t data) {
            Seen s{MsgDataAvailable, 0, data, clock.nowMs(), {}};
            for (int i = 0; i < data + 3; ++i)
                s.taken.append(char(p.GetChar()));
            seen << s;
        };
        lines.last->push("xy");
        clock.runDue();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].taken, QByteArray("xy\0\0\0", 5));
    }

    void eventsWaitWhileAHandlerRuns() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        int depth = 0, maxDepth = 0;
        port->OnTrigger = [&](TApdComPort& p, std::uint16_t, std::uint16_t, std::uint16_t data) {
            maxDepth = std::max(maxDepth, ++depth);
            for (int i = 0; i < data; ++i)
                p.GetChar();
            if (seen.isEmpty())
                lines.last->push("more"); // arrives while this handler runs
            clock.runDue();
            seen << Seen{MsgDataAvailable, 0, data, clock.nowMs(), {}};
            --depth;
        };
        lines.last->push("first");
        clock.runDue();
        clock.runDue();
        QCOMPARE(maxDepth, 1);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].data, 4);
    }

    void twoTickTriggerNeverFiresBefore110ms_data() {
        QTest::addColumn<int>("armAt");
        for (int ms : {0, 1, 30, 54, 55, 109})
            QTest::newRow(qPrintable(QString::number(ms) + " ms")) << ms;
    }
    void twoTickTriggerNeverFiresBefore110ms() {
        QFETCH(int, armAt);
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        const auto h = port->AddTimerTrigger();
        QVERIFY(h > 0);
        clock.advance(armAt);
        QVERIFY(port->SetTimerTrigger(h, 2, true).ok);
        clock.advance(500);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].message, MsgTimerExpired);
        QCOMPARE(seen[0].handle, h);
        QCOMPARE(seen[0].data, 0);
        const std::int64_t after = seen[0].at - armAt;
        QVERIFY2(after > 110 && after <= 165, qPrintable(QString::number(after)));
    }

    void rearmingRestartsSoATricklingReplyNeverTimesOut() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        const auto h = port->AddTimerTrigger();
        port->SetTimerTrigger(h, 2, true);
        for (int i = 0; i < 10; ++i) {
            clock.advance(100);
            port->SetTimerTrigger(h, 2, true);
        }
        QVERIFY(seen.isEmpty());
        clock.advance(200);
        QCOMPARE(seen.size(), 1);
    }

    void zeroTicksKeepsTheLastCountAndDeactivateStops() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        const auto h = port->AddTimerTrigger();
        port->SetTimerTrigger(h, 18, true);
        port->SetTimerTrigger(h, 5, false); // stopping stores no count
        clock.advance(2000);
        QVERIFY(seen.isEmpty());
        port->SetTimerTrigger(h, 0, true); // 18 ticks kept: 990 < t <= 1045 ms
        clock.advance(990);
        QVERIFY(seen.isEmpty());
        clock.advance(60);
        QCOMPARE(seen.size(), 1);
    }

    void anExpiryWaitingForDeliveryIsDroppedByRearming() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        const auto h = port->AddTimerTrigger();
        port->OnTrigger = [&](TApdComPort& p, std::uint16_t msg, std::uint16_t handle,
                              std::uint16_t data) {
            seen << Seen{msg, handle, data, clock.nowMs(), {}};
            if (msg == MsgDataAvailable) {
                for (int i = 0; i < data; ++i)
                    p.GetChar();
                p.SetTimerTrigger(h, 2, true);
            }
        };
        // A byte and the expiry arrive in the same instant, the byte first.
        clock.callAfter(110, [&] { lines.last->push("z"); });
        port->SetTimerTrigger(h, 1, true); // due at 110 ms
        clock.advance(110);
        clock.advance(0);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].message, MsgDataAvailable);
    }

    void unknownHandleIsAFailure() { QVERIFY(!port->SetTimerTrigger(77, 2, true).ok); }

    void triggersSurviveReopeningAndNothingArrivesWhileClosed() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        const auto h = port->AddTimerTrigger();
        port->SetTimerTrigger(h, 2, true);
        lines.last->push("late");
        const int before = int(seen.size());
        port->setOpen(false);
        clock.advance(1000);
        QCOMPARE(int(seen.size()), before); // the armed trigger died with the port
        QVERIFY(port->setOpen(true).ok);
        QVERIFY(port->SetTimerTrigger(h, 2, true).ok);
        clock.advance(200);
        QCOMPARE(int(seen.size()), before + 1);
        QCOMPARE(seen.last().message, MsgTimerExpired);
        QCOMPARE(seen.last().handle, h);
    }

    void changingComNumberWhileOpenReopens() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        QVERIFY(port->setComNumber(5).ok);
        QVERIFY(port->Open());
        QCOMPARE(lines.devices, (QStringList{"/dev/ttyUSB0", "sim"}));
    }

    void inputBufferOverrunsAt4096Bytes() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        lines.last->push(QByteArray(5000, 'x'));
        clock.runDue();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].data, 4096);
    }

    void lostLineClosesThePortAndTellsTheOwnerOnce() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        QStringList told;
        port->OnLineLost = [&](TApdComPort& p, const QString& why) {
            QVERIFY(!p.Open());
            told << why;
        };
        const auto h = port->AddTimerTrigger();
        port->SetTimerTrigger(h, 2, true);
        lines.last->push("ab");
        const int before = int(seen.size());
        lines.last->breakLine("/dev/ttyUSB0 was disconnected");
        QVERIFY(!port->Open());
        clock.advance(1000);
        QCOMPARE(told, QStringList{"/dev/ttyUSB0 was disconnected"});
        QCOMPARE(int(seen.size()), before); // no expiry after the loss
        QVERIFY(!port->PutBlock("x", 1).ok);
        QVERIFY(port->setOpen(true).ok); // re-plugged
    }

    void destroyingThePortInsideItsHandlerIsSafe() {
        port->setComNumber(1);
        QVERIFY(port->setOpen(true).ok);
        port->OnTrigger = [this](TApdComPort&, std::uint16_t, std::uint16_t, std::uint16_t) {
            port.reset();
        };
        lines.last->push("x");
        clock.runDue();
        QVERIFY(!port);
    }
};

QTEST_GUILESS_MAIN(TestApdComPort)
#include "tst_apd_com_port.moc"
