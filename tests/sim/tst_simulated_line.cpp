// The simulated line from the PC's side: the fixed frames byte for byte,
// line settings that must match, wire time, the address and setting change,
// broadcasts, auto-synchronisation, faults and the built-in line.
#include "core/apd_com_port.h"
#include "core/codec.h"
#include "core/port_directory.h"
#include "sim/lib/simulated_line.h"
#include "sim/lib/standard_line_factory.h"
#include "sim_test_util.h"

#include <QtTest>

using namespace zu::sim;
using namespace zu::sim::test;
using zu::LineParity;
using zu::LineSettings;

namespace {

const LineSettings k7E1{9600, 7, LineParity::Even, 1};
const LineSettings k8N1{9600, 8, LineParity::None, 1};

struct Pc {
    zu::VirtualClock clock;
    std::shared_ptr<Bus> bus = std::make_shared<Bus>(clock);
    SimulatedLine line{clock, bus};
    QByteArray rx;
    std::vector<std::pair<std::int64_t, int>> chunks; // arrival time, size
    int failures = 0;

    explicit Pc(const LineSettings& s = k7E1) {
        line.received = [this](const QByteArray& b) {
            rx += b;
            chunks.emplace_back(clock.nowMs(), int(b.size()));
        };
        line.failed = [this](const QString&) { ++failures; };
        line.open(s, nullptr);
    }
    // Sends and collects what comes back within a second.
    QByteArray exchange(const std::vector<std::uint8_t>& frame, std::int64_t waitMs = 1000) {
        rx.clear();
        chunks.clear();
        line.write(qbytes(frame));
        clock.advance(waitMs);
        return rx;
    }
    QByteArray exchange(Framing f, const Request& r, std::int64_t waitMs = 1000) {
        return exchange(encodeRequest(f, r), waitMs);
    }
};

bool validRtu(const QByteArray& f) {
    if (f.size() < 4)
        return false;
    const auto* b = reinterpret_cast<const std::uint8_t*>(f.constData());
    const std::uint16_t crc = zu::codec::Crc16(b, std::size_t(f.size() - 2));
    return (crc & 0xFF) == b[f.size() - 2] && (crc >> 8) == b[f.size() - 1];
}

bool validAscii(const QByteArray& f) {
    if (f.size() < 7 || f[0] != ':' || !f.endsWith("\r\n"))
        return false;
    const QByteArray bytes = QByteArray::fromHex(f.mid(1, f.size() - 3));
    std::uint8_t sum = 0;
    for (char c : bytes)
        sum = std::uint8_t(sum + std::uint8_t(c));
    return sum == 0 && bytes.size() * 2 == f.size() - 3;
}

DeviceSetting rtu8N1() {
    return {k8N1, Framing::Rtu};
}

} // namespace

class TestSimulatedLine : public QObject {
    Q_OBJECT
  private slots:
    void fixedFrames_data();
    void fixedFrames();
    void readRepliesAreValid();
    void otherSettingIsNotUnderstood_data();
    void otherSettingIsNotUnderstood();
    void anotherStopBitCountIsUnderstood();
    void wireTime();
    void settingsChangeAfterQueuedBytes();
    void addressAndSettingChange();
    void broadcastIsNotAnswered();
    void autoSynchronisation();
    void faults_data();
    void faults();
    void faultEveryNth();
    void unplug();
    void builtInLine();
    void serialComponentOnBuiltInLine();
};

void TestSimulatedLine::fixedFrames_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("RTU") << true << QByteArray("01 03 47 00 00 02 D0 BF")
                         << QByteArray("01 03 04 00 FA 00 00 DA 02");
    QTest::newRow("ASCII") << false << QByteArray(":010347000002B3\r\n")
                           << QByteArray(":01030400FA0000FE\r\n");
}

void TestSimulatedLine::fixedFrames() {
    QFETCH(bool, rtu);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    Pc pc(rtu ? k8N1 : k7E1);
    Device& d = pc.bus->addDevice('B', 1, rtu ? rtu8N1() : defaultSetting());
    // A stopped controller at room temperature (25.0) with set value 0.
    d.poke(0x4723, 0);
    d.poke(0x4701, 0);
    const auto frame = rtu ? hexBytes(request.constData()) : textBytes(request.constData());
    const QByteArray got = pc.exchange(frame);
    QCOMPARE(rtu ? got.toHex(' ').toUpper() : got, reply);
}

void TestSimulatedLine::readRepliesAreValid() {
    Pc rtu(k8N1);
    rtu.bus->addDevice('C', 1, rtu8N1());
    const QByteArray r = rtu.exchange(hexBytes("01 03 47 00 00 02 D0 BF"));
    QCOMPARE(r.size(), 9);
    QVERIFY(validRtu(r));
    Pc ascii;
    ascii.bus->addDevice('A', 1);
    const QByteArray a = ascii.exchange(textBytes(":010347000002B3\r\n"));
    QCOMPARE(a.size(), 19);
    QVERIFY(validAscii(a));
    QCOMPARE(a.left(7), QByteArray(":010304"));
}

void TestSimulatedLine::otherSettingIsNotUnderstood_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("rtuFrame");
    QTest::newRow("odd parity") << 9600 << 7 << int(LineParity::Odd) << 1 << false;
    QTest::newRow("no parity") << 9600 << 7 << int(LineParity::None) << 1 << false;
    QTest::newRow("19200") << 19200 << 7 << int(LineParity::Even) << 1 << false;
    QTest::newRow("8 bits") << 9600 << 8 << int(LineParity::Even) << 1 << false;
    QTest::newRow("RTU frame") << 9600 << 7 << int(LineParity::Even) << 1 << true;
}

void TestSimulatedLine::otherSettingIsNotUnderstood() {
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(bool, rtuFrame);
    Pc pc(LineSettings{baud, dataBits, LineParity(parity), stopBits});
    Device& d = pc.bus->addDevice('B', 1);
    QVERIFY(pc.exchange(rtuFrame ? Framing::Rtu : Framing::Ascii, {1, 3, 0x4701, 1, 0}).isEmpty());
    QCOMPARE(d.counters.requests, 0);
    // The same request in the device's own setting is answered.
    pc.line.applySettings(k7E1);
    QCOMPARE(pc.exchange(Framing::Ascii, {1, 3, 0x4701, 1, 0}).size(), 15);
}

void TestSimulatedLine::anotherStopBitCountIsUnderstood() {
    // A receiver checks one stop bit: two from the PC are heard by a
    // controller set to one, and its reply with one is heard by the PC.
    Pc pc(LineSettings{9600, 7, LineParity::Even, 2});
    Device& d = pc.bus->addDevice('B', 1);
    const QByteArray reply = pc.exchange(Framing::Ascii, {1, 3, 0x4701, 1, 0});
    QCOMPARE(reply.left(7), QByteArray(":010302"));
    QCOMPARE(d.counters.requests, 1);
}

void TestSimulatedLine::wireTime() {
    Pc pc;
    pc.bus->addDevice('B', 1).setTurnaroundMs(5);
    pc.line.write(QByteArray(":010347000002B3\r\n"));
    pc.clock.advance(1000);
    QCOMPARE(pc.rx.size(), 19);
    // 17 characters out, 5 ms turnaround, 19 characters back, 10 bits each at
    // 9600 bit/s: 36 * 10 / 9600 s + 5 ms = 42.5 ms; bytes are handed over at
    // the next millisecond.
    QCOMPARE(pc.chunks.back().first, std::int64_t(43));
    QVERIFY(pc.chunks.size() > 1);
    QVERIFY(pc.chunks.front().first >= 23);
}

void TestSimulatedLine::settingsChangeAfterQueuedBytes() {
    Pc pc;
    Device& d = pc.bus->addDevice('B', 1);
    pc.line.write(qbytes(encodeRequest(Framing::Ascii, {1, 3, 0x4701, 1, 0})));
    pc.line.applySettings({19200, 7, LineParity::Even, 1});
    pc.clock.advance(1000);
    // The request left at 9600 and was understood; the PC listened at 19200
    // by the time the answer came, so it got nothing it could use.
    QCOMPARE(d.counters.replies, 1);
    QVERIFY(pc.rx.isEmpty());
    QCOMPARE(pc.line.bytesLost(), std::int64_t(15));
}

void TestSimulatedLine::addressAndSettingChange() {
    Pc pc;
    Device& d = pc.bus->addDevice('C', 1);
    // Address 5, 38400 bit/s, 8N1, RTU: the echo comes in the old setting...
    pc.line.write(qbytes(encodeRequest(Framing::Ascii, {1, 6, 0x470B, 0x0543, 0})));
    QVERIFY(pc.clock.advanceUntil([&] { return !pc.rx.isEmpty(); }, 1000));
    QCOMPARE(d.address(), std::uint8_t(1)); // the echo is still on its way
    pc.clock.advance(1000);
    QCOMPARE(pc.rx, QByteArray(":0106470B05435F\r\n"));
    // ...then the controller lives at the new one.
    QCOMPARE(d.address(), std::uint8_t(5));
    QVERIFY(pc.exchange(Framing::Ascii, {1, 3, 0x4701, 1, 0}).isEmpty());
    QVERIFY(pc.exchange(Framing::Ascii, {5, 3, 0x4701, 1, 0}).isEmpty());
    pc.line.applySettings({38400, 8, LineParity::None, 1});
    const QByteArray r = pc.exchange(Framing::Rtu, {5, 3, 0x4701, 1, 0});
    QCOMPARE(r.size(), 7);
    QVERIFY(validRtu(r));
    QCOMPARE(std::uint8_t(r[0]), std::uint8_t(5));
}

void TestSimulatedLine::broadcastIsNotAnswered() {
    Pc pc;
    pc.bus->addDevice('A', 1);
    pc.bus->addDevice('B', 2);
    pc.bus->addDevice('C', 3);
    QVERIFY(pc.exchange(Framing::Ascii, {0, 6, 0x4701, 777, 0}).isEmpty());
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(pc.bus->at(i).peek(0x4701), std::uint16_t(777));
        QCOMPARE(pc.bus->at(i).counters.replies, 0);
    }
}

void TestSimulatedLine::autoSynchronisation() {
    Pc pc;
    pc.bus->addDevice('B', 1);
    pc.bus->addDevice('C', 9, rtu8N1());
    pc.bus->addDevice('A', 12, {{19200, 8, LineParity::None, 1}, Framing::Rtu});
    QCOMPARE(pc.exchange(Framing::Ascii, {1, 6, 0x4722, 1, 0}), QByteArray(":0106472200018F\r\n"));
    QCOMPARE(pc.bus->at(1).address(), std::uint8_t(2));
    QCOMPARE(pc.bus->at(2).address(), std::uint8_t(3));
    QVERIFY(pc.bus->at(2).setting() == defaultSetting());
    // Family A, now at address 3, refuses identification in the new setting.
    QCOMPARE(pc.exchange(Framing::Ascii, {3, 0x67, 0x0012, 3, 0}), QByteArray(":03E70115\r\n"));
}

void TestSimulatedLine::faults_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("silence") << int(FaultKind::Silence);
    QTest::newRow("bad checksum") << int(FaultKind::BadChecksum);
    QTest::newRow("wrong address") << int(FaultKind::WrongAddress);
    QTest::newRow("truncated") << int(FaultKind::Truncated);
    QTest::newRow("noise") << int(FaultKind::Noise);
    QTest::newRow("slow") << int(FaultKind::Slow);
    QTest::newRow("exception") << int(FaultKind::Exception);
}

void TestSimulatedLine::faults() {
    QFETCH(int, kind);
    Pc pc;
    Device& d = pc.bus->addDevice('B', 2);
    d.faults().push_back({FaultKind(kind), 1, 1500});
    const QByteArray good = ":0203020001F8\r\n"; // write enabled
    const QByteArray r = pc.exchange(Framing::Ascii, {2, 3, 0x4726, 1, 0}, 1200);
    switch (FaultKind(kind)) {
    case FaultKind::Silence:
        QVERIFY(r.isEmpty());
        QCOMPARE(d.counters.requests, 0);
        break;
    case FaultKind::BadChecksum:
        QCOMPARE(r.size(), 15);
        QVERIFY(r != good);
        QVERIFY(!validAscii(r));
        QCOMPARE(r.left(11), QByteArray(":0203020001"));
        break;
    case FaultKind::WrongAddress:
        QVERIFY(validAscii(r));
        QCOMPARE(r.left(3), QByteArray(":03"));
        break;
    case FaultKind::Truncated:
        QCOMPARE(r, good.left(7));
        break;
    case FaultKind::Noise:
        QCOMPARE(r.size(), 18);
        QVERIFY(r[0] != ':');
        QCOMPARE(r.mid(3), good);
        break;
    case FaultKind::Slow:
        QVERIFY2(r.isEmpty(), "nothing within the first 1.2 s");
        pc.clock.advance(1000);
        QCOMPARE(pc.rx, good);
        break;
    case FaultKind::Exception: // the code is the low byte of param 1500
        QCOMPARE(r, QByteArray(":0283DC9F\r\n"));
        QCOMPARE(d.counters.exceptions, 1);
        break;
    default:
        QFAIL("unknown fault");
    }
}

void TestSimulatedLine::faultEveryNth() {
    Pc pc;
    Device& d = pc.bus->addDevice('B', 2);
    d.faults().push_back({FaultKind::BadChecksum, 3, 0});
    int bad = 0;
    for (int i = 0; i < 9; ++i)
        bad += !validAscii(pc.exchange(Framing::Ascii, {2, 3, 0x4701, 1, 0}));
    QCOMPARE(bad, 3);
    QCOMPARE(d.counters.faulted, 3);
}

void TestSimulatedLine::unplug() {
    Pc pc;
    pc.bus->addDevice('B', 1);
    pc.line.write(qbytes(encodeRequest(Framing::Ascii, {1, 3, 0x4701, 1, 0})));
    pc.clock.advance(20);
    pc.line.unplug();
    pc.clock.advance(1000);
    QCOMPARE(pc.failures, 1);
    QVERIFY(!pc.line.isOpen());
    QVERIFY(pc.rx.isEmpty());
    QVERIFY(!pc.line.write("x"));
}

void TestSimulatedLine::builtInLine() {
    zu::VirtualClock clock;
    StandardLineFactory factory(clock);
    QByteArray rx;
    auto exchange = [&](zu::SerialLine& line, const Request& r) {
        rx.clear();
        line.write(qbytes(encodeRequest(Framing::Ascii, r)));
        clock.advance(1000);
        return rx;
    };
    {
        auto line = factory.create(QString::fromLatin1(zu::kSimulatedDevice));
        line->received = [&](const QByteArray& b) { rx += b; };
        QVERIFY(line->open(k7E1, nullptr));
        QCOMPARE(exchange(*line, {1, 0x67, 0x0012, 3, 0}), QByteArray(":01E70117\r\n"));
        QCOMPARE(exchange(*line, {2, 0x67, 0x0012, 3, 0}), QByteArray(":02670600020001010489\r\n"));
        QCOMPARE(exchange(*line, {3, 0x67, 0x0012, 3, 0}), QByteArray(":03670600020002020783\r\n"));
        QVERIFY(validAscii(exchange(*line, {2, 6, 0x4701, 555, 0})));
    }
    // The controllers outlive the line, as on a real bus; a line closed
    // after the next one opened does not cut that one off.
    auto again = factory.create(QStringLiteral("sim"));
    again->received = [&](const QByteArray& b) { rx += b; };
    {
        auto old = factory.create(QStringLiteral("sim"));
        QVERIFY(old->open(k7E1, nullptr));
        QVERIFY(again->open(k7E1, nullptr));
    }
    const QByteArray r = exchange(*again, {2, 3, 0x4701, 1, 0});
    QCOMPARE(r.mid(7, 4), QByteArray("022B")); // 555
    auto device = factory.create(QStringLiteral("/dev/zucomm-no-such-port"));
    QVERIFY(device);
    QString error;
    QVERIFY(!device->open(k7E1, &error));
    QVERIFY(!error.isEmpty());
}

void TestSimulatedLine::serialComponentOnBuiltInLine() {
    // The program's serial component on COM1=sim, as the windows use it.
    zu::VirtualClock clock;
    StandardLineFactory factory(clock);
    zu::PortDirectory ports;
    ports.set(1, QStringLiteral("sim"));
    zu::TApdComPort port(clock, factory, ports);
    QByteArray rx;
    int events = 0;
    port.OnTrigger = [&](zu::TApdComPort& p, std::uint16_t msg, std::uint16_t, std::uint16_t n) {
        if (msg != zu::MsgDataAvailable)
            return;
        ++events;
        for (int i = 0; i < n; ++i)
            rx += char(p.GetChar());
    };
    QVERIFY(port.setComNumber(1));
    port.setBaud(9600);
    port.setDataBits(7);
    port.setParity(LineParity::Even);
    port.setStopBits(1);
    QVERIFY(port.setOpen(true));
    QVERIFY(port.PutBlock(":030347000002B1\r\n", 17));
    clock.advance(1000);
    QCOMPARE(rx.size(), 19);
    QVERIFY(validAscii(rx));
    QVERIFY(events > 1); // the reply came in several chunks
    QCOMPARE(rx.left(7), QByteArray(":030304"));
}

QTEST_GUILESS_MAIN(TestSimulatedLine)
#include "tst_simulated_line.moc"
