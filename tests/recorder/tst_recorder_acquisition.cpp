// The recorder's acquisition over ApdComPort1 on a simulated line of up to ten
// controllers, on virtual time: the requests on the wire, the cycle, the
// failure count per slot since Start, what the window and the chart were
// asked to show.
#include "core/codec.h"
#include "core/texts.h"
#include "recorder_rig.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

QByteArray AsciiRequest(int address) {
    const int lrc = (0xB4 - address) & 0xFF;
    return QStringLiteral(":%1%2%3\r\n")
        .arg(address, 2, 16, QLatin1Char('0'))
        .arg(QStringLiteral("0347000002"))
        .arg(lrc, 2, 16, QLatin1Char('0'))
        .toUpper()
        .toLatin1();
}

QByteArray RtuRequest(int address) {
    std::uint8_t f[8] = {std::uint8_t(address), 0x03, 0x47, 0x00, 0x00, 0x02, 0, 0};
    const std::uint16_t crc = codec::Crc16(f, 6);
    f[6] = std::uint8_t(crc & 0xFF);
    f[7] = std::uint8_t(crc >> 8);
    return QByteArray(reinterpret_cast<const char*>(f), 8);
}

// A reading that does not drift while the test runs.
void HoldPv(sim::Device& d, Clock& clock, double tenths) {
    d.process().setTimeConstantMs(1e15);
    d.process().setValue(clock.nowMs(), tenths);
}

} // namespace

class TestRecorderAcquisition : public QObject {
    Q_OBJECT
  private slots:
    void requestFrames_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("RTU address 1") << true << 1 << Hex("01 03 47 00 00 02 D0 BF");
        QTest::newRow("ASCII address 1, LRC B3") << false << 1 << QByteArray(":010347000002B3\r\n");
        QTest::newRow("ASCII address 200, LRC EC")
            << false << 200 << QByteArray(":C80347000002EC\r\n");
    }
    void requestFrames() {
        QFETCH(bool, rtu);
        QFETCH(int, address);
        QFETCH(QByteArray, frame);
        RecorderRig rig(rtu);
        rig.view.addresses[0] = address;
        rig.acq->StartBtClick();
        QCOMPARE(rig.wire().size(), std::size_t(1));
        QCOMPARE(rig.wire()[0], frame);
        QCOMPARE(Bytes(rig.acq->RecSendBuffer()), frame);
        QCOMPARE(rig.frames()[0].line.baud, 9600);
    }

    void rtuTimeoutTicksFollowBaud_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("ticks");
        QTest::newRow("4800: 3") << 4800 << 3;
        QTest::newRow("9600: 2") << 9600 << 2;
        QTest::newRow("38400: 2") << 38400 << 2;
    }
    void rtuTimeoutTicksFollowBaud() {
        QFETCH(int, baud);
        QFETCH(int, ticks);
        RecorderRig rig(true, baud);
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        QCOMPARE(rig.replies->RecTimeoutTicks, ticks);
    }

    void allAddressesZeroRunsOnlyTheStopSequence() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.acq->StartBtClick();
        rig.clock.advance(5000);
        QVERIFY(rig.wire().empty());
        QVERIFY(!rig.rec.RecAcquiring);
        QCOMPARE(rig.view.ops, QStringList{QStringLiteral("look lime")});
        QCOMPARE(rig.view.messages, QStringList{});
        QVERIFY(!rig.replies->ApdComPort1.Open());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.acq->Timer1().enabled());
    }

    void startShowsAcquiringAndLocksControls() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.rec.RecShown[4] = false;
        rig.rec.AutoScale = false;
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        QVERIFY(rig.rec.RecAcquiring);
        QCOMPARE(rig.view.acquiringLook, std::vector<bool>{true});
        QCOMPARE(rig.state->PortOwner, int(PortRecorder));
        QCOMPARE(rig.chart.frames, 1);
        QVERIFY(rig.view.boxes[0] == RecAddressColour::White);
        QVERIFY(rig.view.boxes[4] == RecAddressColour::Silver);
        for (RecControl c : {RecControl::SaveBt, RecControl::RePlayBt, RecControl::SampleTime,
                             RecControl::ComAddrPL, RecControl::DisplayMd, RecControl::MaxScale,
                             RecControl::MinScale})
            QCOMPARE(rig.view.controls[c], false);
        rig.acq->StartBtClick();
        QCOMPARE(rig.view.acquiringLook, (std::vector<bool>{true, false}));
        for (RecControl c : {RecControl::SaveBt, RecControl::RePlayBt, RecControl::SampleTime,
                             RecControl::ComAddrPL, RecControl::DisplayMd, RecControl::MaxScale,
                             RecControl::MinScale})
            QCOMPARE(rig.view.controls[c], true);
        QVERIFY(!rig.replies->ApdComPort1.Open());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
    }

    void autoScaleKeepsScaleBoxesDisabledAtStop() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.rec.AutoScale = true;
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        rig.acq->StartBtClick();
        QCOMPARE(rig.view.controls[RecControl::MaxScale], false);
        QCOMPARE(rig.view.controls[RecControl::MinScale], false);
        QCOMPARE(rig.view.controls[RecControl::DisplayMd], true);
    }

    void onlyUsedSlotsAreAskedAndRecorded() {
        RecorderRig rig;
        HoldPv(rig.bus->addDevice('B', 3), rig.clock, 215);
        HoldPv(rig.bus->addDevice('C', 7), rig.clock, -42);
        rig.view.addresses[2] = 3;
        rig.view.addresses[6] = 7;
        rig.acq->StartBtClick();
        rig.clock.advance(2500); // the cycle at Start and the ticks at 1 s and 2 s
        QCOMPARE(rig.wire().size(), std::size_t(6));
        for (std::size_t i = 0; i < 6; i += 2) {
            QCOMPARE(rig.wire()[i], AsciiRequest(3));
            QCOMPARE(rig.wire()[i + 1], AsciiRequest(7));
        }
        QCOMPARE(rig.records.size(), std::size_t(3));
        for (const auto& r : rig.records) {
            for (int slot : {0, 1, 3, 4, 5, 7, 8, 9}) {
                QCOMPARE(int(r[2 * slot]), 0);
                QCOMPARE(int(r[2 * slot + 1]), 0);
            }
            // The sensor ripples by about a tenth either way.
            QVERIFY(std::abs(std::int16_t(r[4] << 8 | r[5]) - 215) <= 2);
            QVERIFY(std::abs(std::int16_t(r[12] << 8 | r[13]) + 42) <= 2);
            QCOMPARE(int(r[24]), int('Z'));
        }
        QCOMPARE(rig.chart.values.size(), std::size_t(6));
        QCOMPARE(rig.chart.values[0].slot, 2);
        QCOMPARE(rig.chart.values[0].value,
                 int(std::int16_t(rig.records[0][4] << 8 | rig.records[0][5])));
        QCOMPARE(rig.chart.values[1].slot, 6);
        QCOMPARE(rig.chart.values[1].value,
                 int(std::int16_t(rig.records[0][12] << 8 | rig.records[0][13])));
        QCOMPARE(rig.chart.values[2].sample, 1);
        // The slots before the first used one are zeroed ahead of each next sample.
        QCOMPARE(rig.chart.clears.size(), std::size_t(6));
        QCOMPARE(rig.chart.clears[0], std::make_pair(0, 1));
        QCOMPARE(rig.chart.clears[1], std::make_pair(1, 1));
        QCOMPARE(rig.chart.clears[2], std::make_pair(0, 2));
        QCOMPARE(rig.chart.plots, 3);
        QVERIFY(rig.chart.newestWhilePlotting);
        QVERIFY(!rig.rec.CountIsNewest);
    }

    void cycleTimeStampGoesToRecordAndChart() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        rig.clock.advance(900);
        QCOMPARE(rig.records.size(), std::size_t(1));
        const auto& r = rig.records[0];
        const QTime t = QTime(12, 0, 0, 0).addMSecs(int(rig.chart.values[0].atMs));
        QCOMPARE(int(r[20]), t.hour());
        QCOMPARE(int(r[21]), t.minute());
        QCOMPARE(int(r[22]), t.second());
        QCOMPARE(int(r[23]), t.msec() % 256);
        QCOMPARE(rig.chart.times.size(), std::size_t(1));
        QCOMPARE(rig.chart.times[0], (std::array<int, 4>{r[20], r[21], r[22], r[23]}));
    }

    void tenControllersOfEveryFamilyInOneCycle() {
        RecorderRig rig;
        const char families[] = {'A', 'B', 'C', 'A', 'B', 'C', 'A', 'B', 'C', 'B'};
        const int addresses[] = {1, 2, 5, 9, 17, 33, 100, 150, 200, 247};
        for (int i = 0; i < RecSlots; ++i) {
            HoldPv(rig.bus->addDevice(families[i], std::uint8_t(addresses[i])), rig.clock,
                   100 + 10 * i);
            rig.view.addresses[std::size_t(i)] = addresses[i];
        }
        rig.acq->StartBtClick();
        rig.clock.advance(950);
        QCOMPARE(rig.wire().size(), std::size_t(10));
        for (int i = 0; i < RecSlots; ++i)
            QCOMPARE(rig.wire()[std::size_t(i)], AsciiRequest(addresses[i]));
        QCOMPARE(rig.records.size(), std::size_t(1));
        QCOMPARE(rig.chart.values.size(), std::size_t(10));
        for (int i = 0; i < RecSlots; ++i) {
            const auto& r = rig.records[0];
            const int inRecord = std::int16_t(r[2 * i] << 8 | r[2 * i + 1]);
            QCOMPARE(rig.chart.values[std::size_t(i)].slot, i);
            QCOMPARE(rig.chart.values[std::size_t(i)].value, inRecord);
        }
        QCOMPARE(rig.view.loopCnt, QStringLiteral(" 0000001"));
        QVERIFY(rig.view.errTexts.isEmpty());
    }

    void failuresCountSinceStartNotInARow() {
        RecorderRig rig;
        sim::Device& bad = rig.bus->addDevice('B', 1);
        rig.bus->addDevice('B', 2);
        rig.view.addresses[0] = 1;
        rig.view.addresses[1] = 2;
        bad.faults().push_back({sim::FaultKind::Silence, 1, 0});
        rig.acq->StartBtClick();
        rig.clock.advance(1900); // fails at Start and at the tick of 1 s
        QCOMPARE(rig.rec.RecErrorCount[0], 2);
        QCOMPARE(rig.view.errMess, QStringLiteral("DEVICE  1Received data time out error"));
        bad.faults().clear();
        rig.clock.advance(1000); // 2 s: answers, slot 2 too, the cycle closes
        QCOMPARE(rig.records.size(), std::size_t(1));
        QCOMPARE(rig.rec.RecErrorCount[0], 2); // a good reply does not forgive
        bad.faults().push_back({sim::FaultKind::Silence, 1, 0});
        rig.clock.advance(1000); // 3 s: the third failure drops slot 1
        QCOMPARE(rig.rec.RecAddress[0], 0);
        QCOMPARE(rig.rec.RecErrorCount[0], 0);
        QCOMPARE(rig.rec.RecFailedAt[0], 1);
        QVERIFY(rig.view.boxes[0] == RecAddressColour::Red);
        QVERIFY(rig.rec.RecAcquiring);
        rig.clock.advance(2000);
        // Slot 2 carries on alone; slot 1 is marked in every record after.
        QCOMPARE(rig.wire().back(), AsciiRequest(2));
        QVERIFY(rig.records.size() >= 3);
        for (std::size_t i = 1; i < rig.records.size(); ++i) {
            QCOMPARE(int(rig.records[i][0]), 0x80);
            QCOMPARE(int(rig.records[i][1]), 0xA5);
        }
        const auto frames = rig.wire();
        QCOMPARE(std::count(frames.begin(), frames.end(), AsciiRequest(1)), 4);
    }

    void droppingTheOnlySlotStopsAcquisition() {
        RecorderRig rig;
        rig.bus->addDevice('B', 4).faults().push_back({sim::FaultKind::Silence, 1, 0});
        rig.view.addresses[3] = 4;
        int stopped = 0;
        rig.acq->onStopped = [&] { ++stopped; };
        rig.acq->StartBtClick();
        rig.clock.advance(2950);
        QCOMPARE(rig.wire().size(), std::size_t(3));
        QVERIFY(!rig.rec.RecAcquiring);
        QCOMPARE(stopped, 1);
        QCOMPARE(rig.records.size(), std::size_t(1)); // the cycle was closed first
        QCOMPARE(int(rig.records[0][6]), 0x80);
        QCOMPARE(int(rig.records[0][7]), 0xA5);
        QCOMPARE(rig.view.acquiringLook, (std::vector<bool>{true, false}));
        QVERIFY(!rig.replies->ApdComPort1.Open());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.acq->Timer1().enabled());
        rig.clock.advance(5000);
        QCOMPARE(rig.wire().size(), std::size_t(3));
    }

    void replyFaults_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("param");
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII bad LRC") << false << int(sim::FaultKind::BadChecksum) << 0
                                       << QStringLiteral("DEVICE  1Received checksum error !!!");
        QTest::newRow("RTU bad CRC") << true << int(sim::FaultKind::BadChecksum) << 0
                                     << QStringLiteral("DEVICE  1Received checksum error !!!");
        QTest::newRow("ASCII other address")
            << false << int(sim::FaultKind::WrongAddress) << 0
            << QStringLiteral("DEVICE  1 Received data does not match");
        QTest::newRow("ASCII noise before ':'")
            << false << int(sim::FaultKind::Noise) << 0
            << QStringLiteral("DEVICE  1 Received data does not match");
        QTest::newRow("ASCII 0x8002") << false << int(sim::FaultKind::PvStatus) << 2
                                      << QStringLiteral("DEVICE  1 Input unstable or Device fail");
        QTest::newRow("RTU 0x8002") << true << int(sim::FaultKind::PvStatus) << 2
                                    << QStringLiteral("DEVICE  1 Input unstable or Device fail");
        QTest::newRow("ASCII exception 3") << false << int(sim::FaultKind::Exception) << 3
                                           << QStringLiteral("DEVICE  1illegal data     !!!");
        QTest::newRow("ASCII silence") << false << int(sim::FaultKind::Silence) << 0
                                       << QStringLiteral("DEVICE  1Received data time out error");
        QTest::newRow("RTU silence") << true << int(sim::FaultKind::Silence) << 0
                                     << QStringLiteral("DEVICE  1Received data time out error");
    }
    void replyFaults() {
        QFETCH(bool, rtu);
        QFETCH(int, fault);
        QFETCH(int, param);
        QFETCH(QString, text);
        RecorderRig rig(rtu);
        sim::Device& d = rtu ? rig.rtuDevice('C', 1, 9600) : rig.bus->addDevice('C', 1);
        d.faults().push_back({sim::FaultKind(fault), 1, param});
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        rig.clock.advance(990);
        QCOMPARE(rig.view.errTexts, QStringList{text});
        QCOMPARE(rig.rec.RecErrorCount[0], 1);
        QVERIFY(rig.chart.values.empty()); // nothing charted from a failed reply
        QVERIFY(rig.records.empty());
        QCOMPARE(rig.rec.RecDeviceIndex, 0); // the next tick asks the same slot
        rig.clock.advance(20);
        QCOMPARE(rig.wire().size(), std::size_t(2));
        QCOMPARE(rig.wire()[1], rig.wire()[0]);
    }

    void rtuExceptionCompletesByTimeOut_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << QStringLiteral("DEVICE  1illegal function !!!");
        QTest::newRow("2") << 2 << QStringLiteral("DEVICE  1illegal address  !!!");
        QTest::newRow("3") << 3 << QStringLiteral("DEVICE  1illegal data     !!!");
        QTest::newRow("4") << 4 << QStringLiteral("DEVICE  1illegal command  !!!");
        QTest::newRow("11") << 11 << QStringLiteral("DEVICE  1illegal frame    !!!");
        QTest::newRow("12") << 12 << QStringLiteral("DEVICE  1too few data     !!!");
        QTest::newRow("13") << 13 << QStringLiteral("DEVICE  1too many data    !!!");
        QTest::newRow("14") << 14 << QStringLiteral("DEVICE  1illegal ASCII    !!!");
        QTest::newRow("7 unknown") << 7 << QStringLiteral("DEVICE  1Unknow Error     !!!");
        QTest::newRow("0 unknown") << 0 << QStringLiteral("DEVICE  1Unknow Error     !!!");
    }
    void rtuExceptionCompletesByTimeOut() {
        QFETCH(int, code);
        QFETCH(QString, text);
        RecorderRig rig(true, 9600);
        rig.rtuDevice('B', 1, 9600).faults().push_back({sim::FaultKind::Exception, 1, code});
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        // Request 8 and reply 5 characters at 9600 8N1 take about 10 ms; the
        // reply is handed over only by the time-out of 2 ticks after it.
        rig.clock.advance(100);
        QVERIFY(rig.view.errTexts.isEmpty());
        rig.clock.advance(100);
        QCOMPARE(rig.view.errTexts, QStringList{text});
        QVERIFY(rig.chart.values.empty());
    }

    void statusCodeIsNeverCharted() {
        RecorderRig rig;
        sim::Device& d = rig.bus->addDevice('B', 1);
        rig.bus->addDevice('B', 2);
        d.faults().push_back({sim::FaultKind::PvStatus, 1, 2});
        rig.view.addresses[0] = 1;
        rig.view.addresses[1] = 2;
        rig.acq->StartBtClick();
        rig.clock.advance(3500); // dropped at the tick of 2 s, slot 2 asked at 3 s
        QCOMPARE(rig.rec.RecAddress[0], 0);
        QVERIFY(rig.rec.RecAcquiring);
        for (const auto& v : rig.chart.values)
            QCOMPARE(v.slot, 1);
        QCOMPARE(rig.chart.values.size(), std::size_t(1)); // slot 2 once slot 1 was dropped
        QCOMPARE(rig.records.size(), std::size_t(1));
        QCOMPARE(int(rig.records[0][0]), 0x80);
        QCOMPARE(int(rig.records[0][1]), 0xA5);
        // The dropped slot's value box reads "Err" from its first closed cycle on.
        QCOMPARE(rig.chart.errors, (std::vector<std::pair<int, int>>{{0, 0}}));
    }

    void period_data() {
        QTest::addColumn<int>("sampleTime");
        QTest::addColumn<int>("periodMs");
        QTest::newRow("0 is half a second") << 0 << 500;
        QTest::newRow("1 s") << 1 << 1000;
        QTest::newRow("3 s") << 3 << 3000;
    }
    void period() {
        QFETCH(int, sampleTime);
        QFETCH(int, periodMs);
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        rig.view.sampleTime = sampleTime;
        rig.acq->StartBtClick();
        QCOMPARE(rig.acq->Timer1().interval(), std::int64_t(periodMs));
        rig.clock.advance(4 * periodMs + periodMs / 2);
        QCOMPARE(rig.frames().size(), std::size_t(5));
        for (std::size_t i = 0; i < 5; ++i)
            QCOMPARE(rig.frames()[i].atMs, std::int64_t(i) * periodMs);
    }

    void loopCountTexts() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        QCOMPARE(rig.view.loopCnt, QStringLiteral(" 00000000"));
        rig.clock.advance(900);
        QCOMPARE(rig.view.loopCnt, QStringLiteral(" 0000001"));
        rig.clock.advance(1000);
        QCOMPARE(rig.view.loopTexts,
                 (QStringList{QStringLiteral(" 00000000"), QStringLiteral(" 0000001"),
                              QStringLiteral(" 0000002")}));
        QCOMPARE(RecorderAcquisition::LoopCountText(12345678), QStringLiteral(" 12345678"));
    }

    void portThatCannotOpenLeavesAcquisitionIdle() {
        RecorderRig rig;
        rig.state->Com.ComPortNumber = 5; // assigned to nothing
        rig.view.addresses[0] = 1;
        bool fileStopped = false;
        rig.acq->onRecordFileStop = [&] { fileStopped = true; };
        rig.acq->StartBtClick();
        QCOMPARE(rig.view.messages.size(), 1);
        QVERIFY(!rig.view.messages[0].isEmpty());
        QVERIFY(!rig.rec.RecAcquiring);
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.acq->Timer1().enabled());
        QCOMPARE(rig.view.acquiringLook.back(), false);
        QCOMPARE(rig.view.controls[RecControl::ComAddrPL], true);
        QVERIFY(fileStopped);
        rig.clock.advance(3000);
        QVERIFY(rig.wire().empty());
        // With the port put right, Start works again.
        rig.state->Com.ComPortNumber = 1;
        rig.bus->addDevice('B', 1);
        rig.acq->StartBtClick();
        QVERIFY(rig.rec.RecAcquiring);
        QCOMPARE(rig.wire().size(), std::size_t(1));
    }

    void lineLostStopsAndTellsOnce() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        int stopped = 0;
        rig.acq->onStopped = [&] { ++stopped; };
        rig.acq->StartBtClick();
        rig.clock.advance(1500);
        RecordingLine::last->unplug();
        rig.clock.advance(5000);
        QCOMPARE(rig.view.messages.size(), 1);
        QCOMPARE(stopped, 1);
        QVERIFY(!rig.rec.RecAcquiring);
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->RecAwaitingReply);
        QVERIFY(!rig.acq->Timer1().enabled());
        QCOMPARE(rig.view.acquiringLook.back(), false);
        QCOMPARE(rig.wire().size(), std::size_t(2));
        // A fresh Start opens the line again.
        rig.acq->StartBtClick();
        QVERIFY(rig.rec.RecAcquiring);
        QCOMPARE(rig.wire().size(), std::size_t(3));
    }

    void closingTheWindowWhileAcquiringStops() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        bool fileStopped = false;
        rig.acq->onRecordFileStop = [&] { fileStopped = true; };
        rig.acq->StartBtClick();
        rig.clock.advance(1010); // a request is in flight
        rig.acq->FormClose();
        QVERIFY(!rig.rec.RecAcquiring);
        QVERIFY(fileStopped);
        QVERIFY(!rig.replies->ApdComPort1.Open());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
        QVERIFY(!rig.replies->RecAwaitingReply);
        rig.clock.advance(5000);
        QCOMPARE(rig.wire().size(), std::size_t(2));
    }

    void declinedRecordFileDoesNotStart() {
        RecorderRig rig;
        rig.bus->addDevice('B', 1);
        rig.view.addresses[0] = 1;
        rig.acq->onRecordFileStart = [] { return false; };
        rig.acq->StartBtClick();
        QVERIFY(!rig.rec.RecAcquiring);
        QVERIFY(rig.wire().empty());
        QCOMPARE(rig.state->PortOwner, int(PortFree));
    }

    void rtuRequestsAreSpacedByMoreThan20ms() {
        RecorderRig rig(true, 38400);
        for (int a = 1; a <= RecSlots; ++a) {
            rig.rtuDevice(a % 3 == 0 ? 'A' : a % 3 == 1 ? 'B' : 'C', std::uint8_t(a), 38400);
            rig.view.addresses[std::size_t(a - 1)] = a;
        }
        rig.acq->StartBtClick();
        rig.clock.advance(900);
        QCOMPARE(rig.wire().size(), std::size_t(10));
        QCOMPARE(rig.chart.values.size(), std::size_t(10));
        for (int i = 0; i < RecSlots; ++i)
            QCOMPARE(rig.wire()[std::size_t(i)], RtuRequest(i + 1));
        for (std::size_t i = 1; i < 10; ++i) {
            const std::int64_t gap = rig.frames()[i].atMs - rig.chart.values[i - 1].atMs;
            QVERIFY2(gap > 20 && gap <= 22, qPrintable(QString::number(gap)));
        }
        QCOMPARE(rig.records.size(), std::size_t(1));
    }

    void tickDuringTheRtuGapSendsNothing() {
        RecorderRig rig(true, 38400);
        rig.rtuDevice('B', 1, 38400);
        rig.rtuDevice('B', 2, 38400);
        rig.view.addresses[0] = 1;
        rig.view.addresses[1] = 2;
        rig.acq->StartBtClick();
        QVERIFY(rig.clock.advanceUntil([&] { return !rig.chart.values.empty(); }, 500));
        rig.acq->Timer1Timer(); // the window's tick, inside the gap
        QCOMPARE(rig.wire().size(), std::size_t(1));
        rig.clock.advance(30);
        QCOMPARE(rig.wire().size(), std::size_t(2));
        rig.clock.advance(200);
        QCOMPARE(rig.wire().size(), std::size_t(2));
        QCOMPARE(rig.records.size(), std::size_t(1));
    }

    void sampleErrorTexts_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("15") << 10 << 15 << QStringLiteral("DEVICE  10Received data time out error");
        QTest::newRow("30") << 2 << 30 << QStringLiteral("DEVICE  2 Received data does not match");
        QTest::newRow("32") << 3 << 32 << QStringLiteral("DEVICE  3Received checksum error !!!");
        QTest::newRow("33") << 4 << 33 << QStringLiteral("DEVICE  4 Input unstable or Device fail");
        QTest::newRow("5") << 5 << 5 << QStringLiteral("DEVICE  5Unknow Error     !!!");
    }
    void sampleErrorTexts() {
        QFETCH(int, slot);
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(RecorderAcquisition::SampleErrorText(slot, code), text);
    }

    void overlongReplyKeepsTheFirstHundredBytes() {
        RecorderRig rig;
        rig.view.addresses[0] = 1;
        rig.acq->StartBtClick();
        // No controller: the line answers with a flood the size of four replies
        // that never ends in LF; the time-out ends it as a lost reply.
        RecordingLine::last->bus().transmit(std::vector<std::uint8_t>(400, '0'),
                                            sim::defaultSetting(), rig.bus->nowUs());
        rig.clock.advance(1500);
        QCOMPARE(rig.replies->RecReceived().size(), std::size_t(100));
        QCOMPARE(rig.view.errTexts,
                 QStringList{QStringLiteral("DEVICE  1Received data time out error")});
    }
};

QTEST_GUILESS_MAIN(TestRecorderAcquisition)
#include "tst_recorder_acquisition.moc"
