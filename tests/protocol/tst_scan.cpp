// The auto-detect scan over the protocol port on a simulated line: totals,
// the probes on the wire and their order, the answer test, the texts, and
// whole scans of the built-in controllers on virtual time.
#include "core/texts.h"
#include "protocol/logic/scan.h"
#include "protocol_line_rig.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

ScanFilters Open() {
    return {};
}

// The settings in the order a scan with every filter open tries them, built
// from the nesting alone: framing outermost, baud innermost.
std::vector<LineSettings> ExpectedOrder(std::vector<bool>* rtu) {
    std::vector<LineSettings> order;
    const int bauds[] = {9600, 19200, 38400, 4800, 2400};
    const LineParity parities[] = {LineParity::Odd, LineParity::Even, LineParity::None};
    for (int framing = 0; framing < 2; ++framing)
        for (int stop = 1; stop <= 2; ++stop)
            for (int bits = 7; bits <= 8; ++bits)
                for (LineParity p : parities)
                    for (int baud : bauds) {
                        if (framing == 1 && bits == 7)
                            continue;
                        order.push_back({baud, bits, p, stop});
                        rtu->push_back(framing == 1);
                    }
    return order;
}

QString Describe(const LineSettings& s) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.baud)
        .arg(s.dataBits)
        .arg(int(s.parity))
        .arg(s.stopBits);
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT
  private slots:
    void probeTotal_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QList<int>>("fixed"); // baud, parity, bits, stop, framing
        QTest::addColumn<int>("total");
        QTest::newRow("every filter open") << 0 << QList<int>{-1, -1, -1, -1, -1} << 22230;
        QTest::newRow("31H~40H") << 4 << QList<int>{-1, -1, -1, -1, -1} << 1440;
        QTest::newRow("F1H~F7H stops at 247") << 16 << QList<int>{-1, -1, -1, -1, -1} << 630;
        QTest::newRow("every filter fixed") << 1 << QList<int>{0, 1, 0, 0, 0} << 16;
        QTest::newRow("RTU: eight bits only") << 0 << QList<int>{-1, -1, -1, -1, 1} << 30 * 247;
        QTest::newRow("RTU with seven bits: nothing") << 1 << QList<int>{-1, -1, 0, -1, 1} << 0;
        QTest::newRow("8 bits, framing open") << 1 << QList<int>{-1, -1, 1, -1, -1} << 60 * 16;
    }
    void probeTotal() {
        QFETCH(int, range);
        QFETCH(QList<int>, fixed);
        QFETCH(int, total);
        const ScanFilters f{range, fixed[0], fixed[1], fixed[2], fixed[3], fixed[4]};
        QCOMPARE(ScanProbeTotal(f), total);
    }

    void addressRanges_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("UNKNOW") << 0 << 1 << 247;
        QTest::newRow("01H~10H") << 1 << 1 << 16;
        QTest::newRow("31H~40H") << 4 << 49 << 64;
        QTest::newRow("E1H~F0H") << 15 << 225 << 240;
        QTest::newRow("F1H~F7H") << 16 << 241 << 247;
    }
    void addressRanges() {
        QFETCH(int, item);
        QFETCH(int, first);
        QFETCH(int, last);
        QCOMPARE(ScanAddressRange(item), std::make_pair(first, last));
    }

    void probeFrames() {
        QCOMPARE(Bytes(ScanProbe(false, 1)), QByteArray(":010347010001B3\r\n"));
        QCOMPARE(Bytes(ScanProbe(true, 1)), Hex("01 03 47 01 00 01 C1 7E"));
    }

    void labelAndEstimate() {
        QCOMPARE(ScanLabelText(1, 0), QStringLiteral("COM01, 9600,7,O,1,ASCII"));
        // 19200, even, 8 bits, 2 stop bits, RTU: each digit in its column
        const int i = 1 + 5 * 1 + 15 * 1 + 30 * 1 + 60 * 1;
        QCOMPARE(ScanLabelText(12, i), QStringLiteral("COM12,19200,8,E,2,  RTU"));
        QCOMPARE(ScanSettingText(i), QStringLiteral("19200,8,E,2,  RTU"));
        QCOMPARE(ScanLabelText(3, 4 + 10).mid(6), QStringLiteral(" 2400,7,N,1,ASCII"));
        QCOMPARE(ScanLineText(i), QStringLiteral("19200,8,E,2,RTU"));
        QCOMPARE(ScanEstimateText(22230, 1), QStringLiteral("Estimate time left : 67 min,47 sec"));
        QCOMPARE(ScanEstimateText(100, 90), QStringLiteral("Estimate time left : 1 sec"));
        QCOMPARE(ScanEstimateText(10, 10), QStringLiteral("Estimate time left : 0 sec"));
    }

    void answerTest_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("answer");
        QTest::newRow("ASCII answer") << ":010302A5A5B2" << false << 1 << true;
        QTest::newRow("ASCII, wrong checksum") << ":0103020000FF" << false << 1 << true;
        QTest::newRow("ASCII, other address") << ":020302A5A5B1" << false << 1 << false;
        QTest::newRow("ASCII, exception") << ":018302FA" << false << 1 << false;
        QTest::newRow("ASCII, four bytes") << ":010304000000" << false << 1 << false;
        QTest::newRow("RTU answer") << "010302A5A50000" << true << 1 << true;
        QTest::newRow("RTU, address F1") << "F10302A5A51234" << true << 241 << true;
        QTest::newRow("RTU, exception") << "0183027F41" << true << 1 << false;
        QTest::newRow("too short") << ":0103" << false << 1 << false;
        QTest::newRow("longer than the work buffer")
            << QString(":070302") + QString(2000, 'F') << false << 7 << true;
        QTest::newRow("RTU text in ASCII places") << "070302A5A5" << false << 7 << false;
    }
    void answerTest() {
        QFETCH(QString, text);
        QFETCH(bool, rtu);
        QFETCH(int, address);
        QFETCH(bool, answer);
        QCOMPARE(IsScanAnswer(text, rtu, address), answer);
    }

    void firstProbeWithEveryFilterOpen() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 200);
        DeviceScan scan(*rig.state, *rig.replies);
        QVERIFY(scan.start(Open(), 1));
        QCOMPARE(rig.state->PortOwner, int(PortProtocol));
        QCOMPARE(scan.ScanProbeTotal(), 22230);
        QCOMPARE(scan.text(), QStringLiteral("COM01, 9600,7,O,1,ASCII"));
        QCOMPARE(scan.ScanAddress(), 1);
        QCOMPARE(rig.frames().size(), std::size_t(1));
        QCOMPARE(rig.frames()[0].bytes, QByteArray(":010347010001B3\r\n"));
        QCOMPARE(rig.frames()[0].line, (LineSettings{9600, 7, LineParity::Odd, 1}));
        scan.cancel();
        QCOMPARE(scan.text(), QStringLiteral("Search abort,Found 0 items"));
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
        rig.clock.advance(5000);
        QCOMPARE(rig.frames().size(), std::size_t(1)); // nothing after the cancel
    }

    void everySettingInOrder() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1); // the line needs a controller; it is out of range
        DeviceScan scan(*rig.state, *rig.replies);
        ScanFilters f;
        f.addressRange = 16;
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QVERIFY(scan.start(f, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return over; }, 3600 * 1000));
        QCOMPARE(scan.text(), QStringLiteral("Search Completed,Found 0 items"));
        QCOMPARE(scan.ScanProbeCount(), 630);
        QCOMPARE(rig.frames().size(), std::size_t(630));
        std::vector<bool> rtu;
        const std::vector<LineSettings> order = ExpectedOrder(&rtu);
        QCOMPARE(order.size(), std::size_t(90));
        for (std::size_t s = 0; s < order.size(); ++s)
            for (int a = 0; a < 7; ++a) {
                const WireFrame& w = rig.frames()[s * 7 + std::size_t(a)];
                QVERIFY2(w.line == order[s],
                         qPrintable(QStringLiteral("setting %1: %2, not %3")
                                        .arg(s)
                                        .arg(Describe(w.line), Describe(order[s]))));
                QCOMPARE(w.bytes, Bytes(ScanProbe(rtu[s], 241 + a)));
            }
        QVERIFY(!rig.replies->ApdComPortMain.Open());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
    }

    void fixedFiltersGiveOneSetting() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 3); // 9600 7E1 ASCII
        DeviceScan scan(*rig.state, *rig.replies);
        const ScanFilters f{1, 0, 1, 0, 0, 0};
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QVERIFY(scan.start(f, 1));
        QCOMPARE(scan.ScanProbeTotal(), 16);
        QVERIFY(rig.clock.advanceUntil([&] { return over; }, 60 * 1000));
        QCOMPARE(rig.frames().size(), std::size_t(16));
        for (const WireFrame& w : rig.frames())
            QCOMPARE(w.line, (LineSettings{9600, 7, LineParity::Even, 1}));
        QCOMPARE(scan.text(), QStringLiteral("Search Completed,Found 1 items"));
        QCOMPARE(scan.results().size(), std::size_t(1));
        QCOMPARE(scan.results()[0].address, 3);
        QCOMPARE(ScanSettingText(scan.results()[0].index), QStringLiteral(" 9600,7,E,1,ASCII"));
    }

    void wrongChecksumAnswerIsListed() {
        ProtocolLineRig rig;
        sim::Device& d = rig.bus->addDevice('B', 2);
        d.faults().push_back({sim::FaultKind::BadChecksum, 1, 0});
        DeviceScan scan(*rig.state, *rig.replies);
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QVERIFY(scan.start({1, 0, 1, 0, 0, 0}, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return over; }, 60 * 1000));
        QCOMPARE(scan.ScanFoundCount(), 1);
        QCOMPARE(scan.results()[0].address, 2);
    }

    void rtuDeviceIsFoundUnderBothStopBitCounts() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 7, {{19200, 8, LineParity::None, 1}, sim::Framing::Rtu});
        DeviceScan scan(*rig.state, *rig.replies);
        std::vector<QString> found;
        scan.onFound = [&](const ScanResult& r) {
            found.push_back(QStringLiteral("%1 %2").arg(r.address).arg(ScanLineText(r.index)));
        };
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QVERIFY(scan.start({1, -1, -1, -1, -1, -1}, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return over; }, 3600 * 1000));
        QCOMPARE(found, (std::vector<QString>{"7 19200,8,N,1,RTU", "7 19200,8,N,2,RTU"}));
        QCOMPARE(rig.state->Com.RtuMode, false); // the PC's framing is left as it was
    }

    void builtInLineWithEveryFilterOpen() {
        VirtualClock clock;
        sim::StandardLineFactory lines(clock);
        PortDirectory pd;
        pd.set(2, QStringLiteral("sim"));
        AppState state(clock, lines, pd);
        ReplyGathering replies(state);
        DeviceScan scan(state, replies);
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QElapsedTimer real;
        real.start();
        QVERIFY(scan.start(Open(), 2));
        QVERIFY(clock.advanceUntil([&] { return over; }, 24LL * 3600 * 1000));
        const qint64 realMs = real.elapsed();
        QCOMPARE(scan.ScanProbeCount(), 22230);
        QStringList found;
        for (const ScanResult& r : scan.results())
            found << QStringLiteral("%1%2").arg(r.address).arg(ScanSettingText(r.index));
        QCOMPARE(found,
                 (QStringList{"1 9600,7,E,1,ASCII", "2 9600,7,E,1,ASCII", "3 9600,7,E,1,ASCII",
                              "1 9600,7,E,2,ASCII", "2 9600,7,E,2,ASCII", "3 9600,7,E,2,ASCII"}));
        QCOMPARE(scan.text(), QStringLiteral("Search Completed,Found 6 items"));
        qInfo("22230 probes: %lld s on the virtual clock, %lld ms of real time",
              (long long)(clock.nowMs() / 1000), (long long)realMs);
        QVERIFY2(realMs < 60000, "the whole scan must run in seconds");
        QCOMPARE(state.PortOwner, int(PortFree));
    }

    void portThatCannotOpen() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        DeviceScan scan(*rig.state, *rig.replies);
        const PortResult r = scan.start(Open(), 5);
        QVERIFY(!r.ok);
        QVERIFY(r.message.contains("COM5"));
        QVERIFY(!scan.Scanning());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->ApdComPortMain.Open());
        QVERIFY(rig.frames().empty());
    }

    void lostLineStopsTheScanAndKeepsResults() {
        ProtocolLineRig rig;
        rig.bus->addDevice('B', 1);
        DeviceScan scan(*rig.state, *rig.replies);
        QString lost;
        int finished = 0;
        scan.onFinished = [&](const QString& why) {
            lost = why;
            ++finished;
        };
        QVERIFY(scan.start({1, 0, 1, 0, -1, 0}, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return scan.ScanProbeCount() >= 3; }, 10000));
        QCOMPARE(scan.ScanFoundCount(), 1);
        RecordingLine::last->unplug();
        rig.clock.advance(10000);
        QCOMPARE(finished, 1);
        QVERIFY(!lost.isEmpty());
        QVERIFY(!scan.Scanning());
        QCOMPARE(scan.ScanFoundCount(), 1);
        QCOMPARE(rig.state->PortOwner, int(PortFree));
    }

    void unansweredProbeWaitsItsWireTimeAndTwoTicks_data() {
        QTest::addColumn<int>("baudDigit");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("probeMs");
        // 17 characters of 10 bits: 71 ms at 2400, 18 ms at 9600; RTU 8 of 11 bits
        QTest::newRow("2400 ASCII") << 4 << false << 71 + 110;
        QTest::newRow("9600 ASCII") << 0 << false << 18 + 110;
        QTest::newRow("38400 RTU") << 2 << true << 3 + 110;
    }
    void unansweredProbeWaitsItsWireTimeAndTwoTicks() {
        QFETCH(int, baudDigit);
        QFETCH(bool, rtu);
        QFETCH(int, probeMs);
        ProtocolLineRig rig; // nobody on the line
        DeviceScan scan(*rig.state, *rig.replies);
        std::int64_t overAt = -1;
        scan.onFinished = [&](const QString&) { overAt = rig.clock.nowMs(); };
        QVERIFY(scan.start({1, baudDigit, 0, rtu ? 1 : 0, 0, rtu ? 1 : 0}, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return overAt >= 0; }, 60 * 1000));
        QCOMPARE(rig.frames().size(), std::size_t(16));
        // To the millisecond: not rounded up to whole ticks of the component.
        QCOMPARE(overAt, std::int64_t(16) * probeMs);
    }

    void slowBaudControllerIsFound() {
        // At 2400 the probe takes 71 ms on the wire; a controller that starts
        // its answer 70 ms after it gets its first 8 bytes to the PC 174 ms
        // after the hand-over: later than two ticks counted from the hand-over
        // (at most 165 ms), in time for two ticks counted from the probe's end.
        ProtocolLineRig rig;
        sim::Device& d =
            rig.bus->addDevice('B', 4, {{2400, 7, LineParity::Odd, 1}, sim::Framing::Ascii});
        d.setTurnaroundMs(70);
        DeviceScan scan(*rig.state, *rig.replies);
        bool over = false;
        scan.onFinished = [&](const QString&) { over = true; };
        QVERIFY(scan.start({1, 4, 0, 0, 0, 0}, 1));
        QVERIFY(rig.clock.advanceUntil([&] { return over; }, 60 * 1000));
        QCOMPARE(scan.ScanFoundCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
