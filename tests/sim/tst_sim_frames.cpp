// The controllers' own framing: checksums, request parsing in any chunking,
// the refusals of bad ASCII, and the communication byte of register 0x470B.
#include "core/codec.h"
#include "sim/lib/sim_frames.h"
#include "sim/lib/sim_setting.h"
#include "sim_test_util.h"

#include <QtTest>

using namespace zu::sim;
using namespace zu::sim::test;

class TestSimFrames : public QObject {
    Q_OBJECT
  private slots:
    void checksums();
    void requestFrames_data();
    void requestFrames();
    void anyChunking();
    void asciiRefusals_data();
    void asciiRefusals();
    void rtuResyncAfterNoise();
    void rtuSilenceEndsPartialFrame();
    void commByte_data();
    void commByte();
    void settingText();
};

void TestSimFrames::checksums() {
    const auto digits = textBytes("123456789");
    QCOMPARE(crcOf(digits), std::uint16_t(0x4B37));
    // Independent of the program's codec, and in agreement with it.
    QCOMPARE(crcOf(digits), zu::codec::Crc16(digits.data(), digits.size()));
    QCOMPARE(lrcOf(hexBytes("01 03 47 00 00 02")), std::uint8_t(0xB3));
    QCOMPARE(lrcOf(hexBytes("01 03 04 00 FA 00 00")), std::uint8_t(0xFE));
}

void TestSimFrames::requestFrames_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("operand");
    QTest::addColumn<QByteArray>("rtu");
    QTest::addColumn<QByteArray>("ascii");
    QTest::newRow("read PV") << 3 << 0x4700 << 2 << QByteArray("01 03 47 00 00 02 D0 BF")
                             << QByteArray(":010347000002B3\r\n");
    QTest::newRow("probe") << 3 << 0x4701 << 1 << QByteArray("01 03 47 01 00 01 C1 7E")
                           << QByteArray(":010347010001B3\r\n");
    QTest::newRow("setting") << 6 << 0x470B << 0x0224 << QByteArray("01 06 47 0B 02 24 ED C7")
                             << QByteArray(":0106470B022481\r\n");
    QTest::newRow("same setting") << 6 << 0x470B << 0x01A5 << QByteArray("01 06 47 0B 01 A5 2D 57")
                                  << QByteArray(":0106470B01A501\r\n");
    QTest::newRow("sync") << 6 << 0x4722 << 1 << QByteArray("01 06 47 22 00 01 FC B4")
                          << QByteArray(":0106472200018F\r\n");
}

void TestSimFrames::requestFrames() {
    QFETCH(int, function);
    QFETCH(int, reg);
    QFETCH(int, operand);
    QFETCH(QByteArray, rtu);
    QFETCH(QByteArray, ascii);
    const Request r{1, std::uint8_t(function), std::uint16_t(reg), std::uint16_t(operand), 0};
    QCOMPARE(show(encodeRequest(Framing::Rtu, r)), QString::fromLatin1(rtu));
    QCOMPARE(qbytes(encodeRequest(Framing::Ascii, r)), ascii);
    for (Framing f : {Framing::Rtu, Framing::Ascii}) {
        RequestParser p(f);
        const auto frame = encodeRequest(f, r);
        const auto events = p.feed(frame, 1000, 1000);
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(events[0].kind, ParseEvent::Frame);
        QVERIFY(events[0].request == r);
        QCOMPARE(events[0].endUs, std::int64_t(1000 * frame.size()));
    }
}

void TestSimFrames::anyChunking() {
    // Two frames back to back, cut at every possible place, give the same two requests.
    for (Framing f : {Framing::Rtu, Framing::Ascii}) {
        auto stream = encodeRequest(f, {1, 3, 0x4700, 2, 0});
        const auto second = encodeRequest(f, {2, 6, 0x4701, 0x03E8, 0});
        stream.insert(stream.end(), second.begin(), second.end());
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            RequestParser p(f);
            auto a = p.feed(std::span(stream).first(cut), 0, 100);
            auto b = p.feed(std::span(stream).subspan(cut), std::int64_t(cut) * 100, 100);
            a.insert(a.end(), b.begin(), b.end());
            std::vector<Request> frames;
            for (const auto& e : a)
                if (e.kind == ParseEvent::Frame)
                    frames.push_back(e.request);
            QCOMPARE(frames.size(), std::size_t(2));
            QCOMPARE(frames[0].reg, std::uint16_t(0x4700));
            QCOMPARE(frames[1].operand, std::uint16_t(0x03E8));
        }
    }
}

void TestSimFrames::asciiRefusals_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("refusal");
    QTest::newRow("lower-case hex")
        << QByteArray(":0103470a0002a9\r\n") << int(ParseEvent::Frame) << int(exc::IllegalAscii);
    QTest::newRow("odd digits") << QByteArray(":010347000002B\r\n") << int(ParseEvent::Frame)
                                << int(exc::IllegalAscii);
    QTest::newRow("bad LRC") << QByteArray(":010347000002B4\r\n") << int(ParseEvent::ChecksumError)
                             << 0;
    QTest::newRow("too few data") << QByteArray(":0103470000B5\r\n") << int(ParseEvent::Frame)
                                  << int(exc::TooFewData);
    QTest::newRow("too many data")
        << QByteArray(":01034700000200B3\r\n") << int(ParseEvent::Frame) << int(exc::TooManyData);
    QTest::newRow("unknown function")
        << QByteArray(":011047000002A6\r\n") << int(ParseEvent::Frame) << int(exc::IllegalFunction);
    QTest::newRow("no CR") << QByteArray(":010347000002B3\n") << int(ParseEvent::Garbage) << 0;
}

void TestSimFrames::asciiRefusals() {
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(int, refusal);
    RequestParser p(Framing::Ascii);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const auto events = p.feed(bytes, 0, 1000);
    QCOMPARE(events.size(), std::size_t(1));
    QCOMPARE(int(events[0].kind), kind);
    QCOMPARE(int(events[0].request.refusal), refusal);
    if (kind == ParseEvent::Frame)
        QCOMPARE(events[0].request.address, std::uint8_t(1));
}

void TestSimFrames::rtuResyncAfterNoise() {
    auto stream = hexBytes("00 FF 5A");
    const auto frame = hexBytes("01 03 47 00 00 02 D0 BF");
    stream.insert(stream.end(), frame.begin(), frame.end());
    RequestParser p(Framing::Rtu);
    const auto events = p.feed(stream, 0, 10);
    QCOMPARE(events.back().kind, ParseEvent::Frame);
    QCOMPARE(events.back().request.reg, std::uint16_t(0x4700));
}

void TestSimFrames::rtuSilenceEndsPartialFrame() {
    RequestParser p(Framing::Rtu);
    p.setGapUs(4000);
    const auto frame = hexBytes("01 03 47 00 00 02 D0 BF");
    p.feed(std::span(frame).first(5), 0, 1000);
    // A long pause: the first half is dropped, the complete frame after it counts.
    const auto events = p.feed(frame, 20000, 1000);
    int frames = 0;
    for (const auto& e : events)
        frames += e.kind == ParseEvent::Frame;
    QCOMPARE(frames, 1);
}

void TestSimFrames::commByte_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("setting");
    QTest::newRow("default") << 0xA5 << "9600,7,E,1,ASCII";
    QTest::newRow("rtu fast") << 0x43 << "38400,8,N,1,RTU";
    QTest::newRow("odd two stop") << 0x88 << "2400,7,O,2,ASCII";
    QTest::newRow("8E2 ascii") << 0x24 << "9600,8,E,2,ASCII";
    QTest::newRow("rtu 7 bits") << 0xA7 << "";
    QTest::newRow("baud code 5") << 0x51 << "";
    QTest::newRow("parity code 3") << 0x2D << "";
}

void TestSimFrames::commByte() {
    QFETCH(int, byte);
    QFETCH(QString, setting);
    const auto decoded = decodeCommByte(std::uint8_t(byte));
    QCOMPARE(decoded.has_value(), !setting.isEmpty());
    if (!decoded)
        return;
    QCOMPARE(QString::fromStdString(zu::sim::settingText(*decoded)), setting);
    QCOMPARE(int(encodeCommByte(*decoded)), byte);
}

void TestSimFrames::settingText() {
    QVERIFY(parseSetting("9600,7,E,1,ASCII") == defaultSetting());
    const auto rtu = parseSetting("38400,8,n,1,rtu");
    QVERIFY(rtu);
    QCOMPARE(rtu->line.baud, 38400);
    QCOMPARE(rtu->framing, Framing::Rtu);
    QVERIFY(!parseSetting("9600,7,E,1,RTU"));
    QVERIFY(!parseSetting("1200,8,N,1,RTU"));
    QVERIFY(!parseSetting("9600,8,X,1,ASCII"));
    QVERIFY(!parseSetting("9600,8,N,1"));
    QCOMPARE(wireTimeUs({9600, 7, zu::LineParity::Even, 1}, 19), std::int64_t(19792));
}

QTEST_GUILESS_MAIN(TestSimFrames)
#include "tst_sim_frames.moc"
