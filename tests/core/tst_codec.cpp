// Modbus framing and number/text conversions against published frames and a
// CRC computed a second, independent way.
#include "core/codec.h"
#include "core/texts.h"

#include <QtTest>
#include <array>
#include <climits>
#include <cstring>

using namespace zu;

namespace {

// CRC-16/MODBUS the other way round: polynomial 0x8005 shifted MSB first
// through a 256-entry table, input bytes and result bit-reversed.
std::uint8_t Reflect8(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r |= static_cast<std::uint8_t>(0x80u >> i);
    return r;
}

std::uint16_t Reflect16(std::uint16_t v) {
    return static_cast<std::uint16_t>(Reflect8(static_cast<std::uint8_t>(v >> 8)) |
                                      (Reflect8(static_cast<std::uint8_t>(v)) << 8));
}

const std::array<std::uint16_t, 256>& MsbTable() {
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned v = i << 8;
            for (int bit = 0; bit < 8; ++bit)
                v = (v & 0x8000u) ? (v << 1) ^ 0x8005u : v << 1;
            t[i] = static_cast<std::uint16_t>(v);
        }
        return t;
    }();
    return table;
}

std::uint16_t ReferenceCrc(const QByteArray& data) {
    std::uint16_t crc = 0xFFFF; // 0xFFFF reflected is 0xFFFF
    for (char c : data) {
        const std::uint8_t b = Reflect8(static_cast<std::uint8_t>(c));
        crc = static_cast<std::uint16_t>((crc << 8) ^ MsbTable()[((crc >> 8) ^ b) & 0xFF]);
    }
    return Reflect16(crc);
}

std::uint16_t CodecCrc(const QByteArray& data) {
    return codec::Crc16(reinterpret_cast<const std::uint8_t*>(data.constData()),
                        static_cast<std::size_t>(data.size()));
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// "01 03 04" -> the three bytes
QByteArray FromHexText(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray AsciiFrameOf(const QByteArray& body, std::uint8_t lrc) {
    return ':' + body.toHex().toUpper() + QByteArray(1, static_cast<char>(lrc)).toHex().toUpper() +
           "\r\n";
}

} // namespace

class TstCodec : public QObject {
    Q_OBJECT

  private slots:
    void buildRequest_data();
    void buildRequest();
    void reply_data();
    void reply();
    void expectedReplyLength_data();
    void expectedReplyLength();
    void crcAgainstIndependentTable();
    void crcCheckValue();
    void byteToHex_data();
    void byteToHex();
    void hexPairToByte_data();
    void hexPairToByte();
    void asciiLrcPairCount_data();
    void asciiLrcPairCount();
    void exceptionMessage_data();
    void exceptionMessage();
    void predictRtuLength_data();
    void predictRtuLength();
    void formatSigned16_data();
    void formatSigned16();
    void formatDigits_data();
    void formatDigits();
    void formatScaled_data();
    void formatScaled();
    void parseScaled_data();
    void parseScaled();
};

void TstCodec::buildRequest_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("operand");
    QTest::addColumn<QByteArray>("frame");

    const auto rtu = [](const char* frame, int a, int f, int r, int o) {
        QTest::newRow(frame) << true << a << f << r << o << FromHexText(frame);
    };
    const auto ascii = [](const char* frame, int a, int f, int r, int o) {
        QTest::newRow(frame) << false << a << f << r << o << QByteArray(frame) + "\r\n";
    };
    rtu("01 03 47 00 00 02 D0 BF", 1, 3, 0x4700, 2);
    ascii(":010347000002B3", 1, 3, 0x4700, 2);
    rtu("01 03 47 01 00 01 C1 7E", 1, 3, 0x4701, 1);
    ascii(":010347010001B3", 1, 3, 0x4701, 1);
    rtu("01 06 47 0B 02 24 ED C7", 1, 6, 0x470B, 0x0224);
    ascii(":0106470B022481", 1, 6, 0x470B, 0x0224);
    // broadcast write: address 00 on the wire
    ascii(":00064700000AA9", 0, 6, 0x4700, 10);
}

void TstCodec::buildRequest() {
    QFETCH(bool, rtu);
    QFETCH(int, address);
    QFETCH(int, function);
    QFETCH(int, reg);
    QFETCH(int, operand);
    QFETCH(QByteArray, frame);

    const QByteArray built = Bytes(codec::BuildRequest(rtu, address, function, reg, operand));
    QCOMPARE(built.toHex(' '), frame.toHex(' '));

    if (rtu) {
        const std::uint16_t crc = ReferenceCrc(built.left(6));
        QCOMPARE(static_cast<std::uint8_t>(built[6]), static_cast<std::uint8_t>(crc & 0xFF));
        QCOMPARE(static_cast<std::uint8_t>(built[7]), static_cast<std::uint8_t>(crc >> 8));
    } else {
        // The receiver's check: the bytes, LRC included, sum to 0 mod 256.
        QByteArray buffer = built;
        auto* data = reinterpret_cast<std::uint8_t*>(buffer.data());
        QCOMPARE(int(codec::AsciiLrc(data, 13)), codec::HexPairToByte(built[13], built[14]));
        const int n = (static_cast<int>(buffer.size()) - 3) / 2;
        QCOMPARE(n, 7);
        codec::HexFrameToBytes(data, n);
        int sum = 0;
        for (int i = 0; i < n; ++i)
            sum += data[i];
        QCOMPARE(sum & 0xFF, 0);
        QCOMPARE(data[0], static_cast<std::uint8_t>(address));
    }
}

void TstCodec::reply_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("function"); // of the request the reply answers
    QTest::addColumn<int>("registers");
    QTest::addColumn<QByteArray>("crc");
    QTest::addColumn<int>("lrc");
    QTest::addColumn<int>("rtuSize");
    QTest::addColumn<int>("asciiSize");

    QTest::newRow("01 03 04 00 FA 00 00")
        << FromHexText("01 03 04 00 FA 00 00") << 3 << 2 << FromHexText("DA 02") << 0xFE << 9 << 19;
    QTest::newRow("01 83 02") << FromHexText("01 83 02") << 0x83 << 2 << FromHexText("C0 F1")
                              << 0x7A << 5 << 11;
    QTest::newRow("01 06 47 0B 02 24") << FromHexText("01 06 47 0B 02 24") << 6 << 0x0224
                                       << FromHexText("ED C7") << 0x81 << 8 << 17;
}

void TstCodec::reply() {
    QFETCH(QByteArray, body);
    QFETCH(int, function);
    QFETCH(int, registers);
    QFETCH(QByteArray, crc);
    QFETCH(int, lrc);
    QFETCH(int, rtuSize);
    QFETCH(int, asciiSize);

    const std::uint16_t value = CodecCrc(body);
    QCOMPARE(value, ReferenceCrc(body));
    const QByteArray wire{1, static_cast<char>(value & 0xFF)};
    QCOMPARE((wire + char(value >> 8)).toHex(' '), crc.toHex(' '));
    QCOMPARE(codec::ExpectedReplyLength(true, function, registers), rtuSize);
    QCOMPARE(int(body.size() + 2), rtuSize);
    // Whole-frame check as the receivers do it: CRC of all but the last two.
    const QByteArray rtuFrame = body + crc;
    QCOMPARE(int(CodecCrc(rtuFrame.chopped(2))),
             static_cast<std::uint8_t>(rtuFrame.back()) * 256 +
                 static_cast<std::uint8_t>(rtuFrame[rtuFrame.size() - 2]));

    QByteArray ascii = AsciiFrameOf(body, static_cast<std::uint8_t>(lrc));
    QCOMPARE(codec::ExpectedReplyLength(false, function, registers), asciiSize);
    QCOMPARE(int(ascii.size()), asciiSize);
    auto* data = reinterpret_cast<std::uint8_t*>(ascii.data());
    QCOMPARE(int(codec::AsciiLrc(data, 1 + 2 * int(body.size()))), lrc);
    const int n = (int(ascii.size()) - 3) / 2;
    codec::HexFrameToBytes(data, n);
    QCOMPARE(ascii.left(n).toHex(' '), (body + char(lrc)).toHex(' '));
}

void TstCodec::expectedReplyLength_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("operand");
    QTest::addColumn<int>("size");

    QTest::newRow("rtu 03 n=1") << true << 0x03 << 1 << 7;
    QTest::newRow("ascii 03 n=1") << false << 0x03 << 1 << 15;
    QTest::newRow("rtu 67 n=6") << true << 0x67 << 6 << 17;
    QTest::newRow("ascii 67 n=6") << false << 0x67 << 6 << 35;
    QTest::newRow("rtu 06 any value") << true << 0x06 << 0xFFFF << 8;
    QTest::newRow("ascii 06 any value") << false << 0x06 << 0 << 17;
    QTest::newRow("rtu 83") << true << 0x83 << 2 << 5;
    QTest::newRow("ascii 86") << false << 0x86 << 2 << 11;
    QTest::newRow("rtu E7") << true << 0xE7 << 2 << 5;
    QTest::newRow("ascii E8") << false << 0xE8 << 2 << 11;
    QTest::newRow("unknown function") << true << 0x10 << 2 << 0;
}

void TstCodec::expectedReplyLength() {
    QFETCH(bool, rtu);
    QFETCH(int, function);
    QFETCH(int, operand);
    QFETCH(int, size);
    QCOMPARE(codec::ExpectedReplyLength(rtu, function, operand), size);
}

void TstCodec::crcAgainstIndependentTable() {
    // Published first entries of the MSB-first 0x8005 table pin the reference.
    QCOMPARE(MsbTable()[1], std::uint16_t(0x8005));
    QCOMPARE(MsbTable()[2], std::uint16_t(0x800F));
    QCOMPARE(MsbTable()[3], std::uint16_t(0x000A));
    // Deterministic pseudo-random buffers of every length up to 300.
    std::uint32_t seed = 12345;
    for (int length = 0; length <= 300; ++length) {
        QByteArray data(length, '\0');
        for (char& c : data) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 16);
        }
        QCOMPARE(CodecCrc(data), ReferenceCrc(data));
    }
}

void TstCodec::crcCheckValue() {
    QCOMPARE(CodecCrc("123456789"), std::uint16_t(0x4B37));
    QCOMPARE(ReferenceCrc("123456789"), std::uint16_t(0x4B37));
    QCOMPARE(codec::Crc16(nullptr, 0), std::uint16_t(0xFFFF));
}

void TstCodec::byteToHex_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "00";
    QTest::newRow("9") << 9 << "09";
    QTest::newRow("0xB3") << 0xB3 << "B3";
    QTest::newRow("255") << 255 << "FF";
    QTest::newRow("only the low byte") << 0x1A5 << "A5";
    QTest::newRow("negative") << -1 << "FF";
}

void TstCodec::byteToHex() {
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(codec::ByteToHex(value)), text);
}

void TstCodec::hexPairToByte_data() {
    QTest::addColumn<QByteArray>("pair");
    QTest::addColumn<int>("value");
    QTest::newRow("7F") << QByteArray("7F") << 127;
    QTest::newRow("FF") << QByteArray("FF") << 255;
    QTest::newRow("00") << QByteArray("00") << 0;
    QTest::newRow("A9") << QByteArray("A9") << 169;
    // lowercase is not a hex digit here: 'f' - 55 = 47
    QTest::newRow("ff") << QByteArray("ff") << 47 * 16 + 47;
}

void TstCodec::hexPairToByte() {
    QFETCH(QByteArray, pair);
    QFETCH(int, value);
    QCOMPARE(codec::HexPairToByte(pair[0], pair[1]), value);
}

void TstCodec::asciiLrcPairCount_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("lrc");
    // pairs covered = (length - 1) / 2
    QTest::newRow("13: six bytes") << 13 << 0xB3;
    QTest::newRow("14: still six") << 14 << 0xB3;
    QTest::newRow("15: LRC included sums to 0") << 15 << 0x00;
    QTest::newRow("3: address only") << 3 << 0xFF;
    QTest::newRow("1: nothing") << 1 << 0x00;
    QTest::newRow("0: nothing") << 0 << 0x00;
}

void TstCodec::asciiLrcPairCount() {
    QFETCH(int, length);
    QFETCH(int, lrc);
    const QByteArray frame = ":010347000002B3";
    QCOMPARE(int(codec::AsciiLrc(reinterpret_cast<const std::uint8_t*>(frame.constData()), length)),
             lrc);
}

void TstCodec::exceptionMessage_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << text::IllegalFunction;
    QTest::newRow("2") << 2 << text::IllegalAddress;
    QTest::newRow("3") << 3 << text::IllegalData;
    QTest::newRow("4") << 4 << text::IllegalCommand;
    QTest::newRow("11") << 11 << text::IllegalFrame;
    QTest::newRow("12") << 12 << text::TooFewData;
    QTest::newRow("13") << 13 << text::TooManyData;
    QTest::newRow("14") << 14 << text::IllegalAscii;
    QTest::newRow("6") << 6 << "Unknow Error     !!!";
    QTest::newRow("0") << 0 << text::UnknowError;
    QTest::newRow("255") << 255 << text::UnknowError;
}

void TstCodec::exceptionMessage() {
    QFETCH(int, code);
    QFETCH(QString, text);
    const QString message = QString::fromStdString(codec::ExceptionMessage(code));
    QCOMPARE(message, text);
    QCOMPARE(message.size(), 20);
}

void TstCodec::predictRtuLength_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("startPrediction");
    QTest::addColumn<int>("completeAt"); // -1: only the time-out ends it

    QTest::newRow("01 03 04 00 FA 00 00 DA 02")
        << FromHexText("01 03 04 00 FA 00 00 DA 02") << 250 << 9;
    QTest::newRow("01 06 47 0B 02 24 ED C7") << FromHexText("01 06 47 0B 02 24 ED C7") << 250 << 8;
    QTest::newRow("01 83 02 C0 F1") << FromHexText("01 83 02 C0 F1") << 250 << -1;
    // a stale prediction from the previous reply is dropped at the first byte
    QTest::newRow("01 83 02 C0 F1 after a 5-byte guess")
        << FromHexText("01 83 02 C0 F1") << 5 << -1;
    QTest::newRow("01 67 02 00 41 67 44") << FromHexText("01 67 02 00 41 67 44") << 250 << -1;
}

void TstCodec::predictRtuLength() {
    QFETCH(QByteArray, stream);
    QFETCH(int, startPrediction);
    QFETCH(int, completeAt);

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.constData());
    int prediction = startPrediction;
    int completed = -1;
    for (int count = 1; count <= stream.size() && completed < 0; ++count) {
        prediction = codec::PredictRtuLength(prediction, count, bytes);
        if (count == prediction)
            completed = count;
    }
    QCOMPARE(completed, completeAt);
}

void TstCodec::formatSigned16_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("5") << 5 << " 5";
    QTest::newRow("32767") << 32767 << " 32767";
    QTest::newRow("32768") << 32768 << "-32768";
    QTest::newRow("65535") << 65535 << "-1";
    QTest::newRow("65526") << 65526 << "-10";
    QTest::newRow("0") << 0 << " 0";
    // outside 0..65535 only the low 16 bits count
    QTest::newRow("65536") << 65536 << " 0";
    QTest::newRow("-10") << -10 << "-10";
}

void TstCodec::formatSigned16() {
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(codec::FormatSigned16(value)), text);
}

void TstCodec::formatDigits_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("7, 2") << 7 << 2 << "07";
    QTest::newRow("0, 3") << 0 << 3 << "000";
    QTest::newRow("59, 2") << 59 << 2 << "59";
    QTest::newRow("5, 0") << 5 << 0 << "";
    QTest::newRow("5, -1") << 5 << -1 << "";
    QTest::newRow("too large keeps its digits") << 123 << 2 << "123";
    QTest::newRow("negative") << -7 << 2 << "-07";
    QTest::newRow("INT_MIN") << INT_MIN << 3 << "-2147483648";
    QTest::newRow("width 40 is 32") << 5 << 40 << QString(31, '0') + "5";
    QTest::newRow("width INT_MAX is 32") << 5 << INT_MAX << QString(31, '0') + "5";
}

void TstCodec::formatDigits() {
    QFETCH(int, value);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(codec::FormatDigits(value, digits)), text);
}

void TstCodec::formatScaled_data() {
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1234, 1") << 1234LL << 1 << "123.4";
    QTest::newRow("5, 2") << 5LL << 2 << "0.05";
    QTest::newRow("0xFFF6, 1") << 0xFFF6LL << 1 << "- 1.0";
    QTest::newRow("125, 255") << 125LL << 255 << "13";
    QTest::newRow("124, 255") << 124LL << 255 << "12";
    QTest::newRow("0x8000, 0") << 0x8000LL << 0 << "- 32768";
    QTest::newRow("1234, 4") << 1234LL << 4 << "";
    QTest::newRow("0xFFF6, 4") << 0xFFF6LL << 4 << "";
    QTest::newRow("1234, 3") << 1234LL << 3 << "1.234";
    QTest::newRow("7, 3") << 7LL << 3 << "0.007";
    QTest::newRow("32767, 0") << 32767LL << 0 << "32767";
    QTest::newRow("0xFFFF, 2") << 0xFFFFLL << 2 << "- 0.01";
    QTest::newRow("0xFFFB, 255") << 0xFFFBLL << 255 << "- 1";
    QTest::newRow("-15, 1") << -15LL << 1 << "- 1.5";
    QTest::newRow("70000, 0 is no register value") << 70000LL << 0 << "70000";
    QTest::newRow("LLONG_MIN, 0") << qlonglong(LLONG_MIN) << 0 << "- 9223372036854775808";
}

void TstCodec::formatScaled() {
    QFETCH(qlonglong, value);
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(codec::FormatScaled(value, code)), text);
}

void TstCodec::parseScaled_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<qlonglong>("value");
    const qlonglong bad = codec::ParseError;
    const auto row = [](const char* name, const QByteArray& text, int decimals, qlonglong value) {
        QTest::newRow(name) << text << decimals << value;
    };
    row("12.5, 1", "12.5", 1, 125);
    row("12.5, 2", "12.5", 2, 1250);
    row("12, 1", "12", 1, 120);
    row("  -3.25, 2", "  -3.25", 2, -325);
    row("12., 1", "12.", 1, 120);
    row(".5, 1", ".5", 1, 5);
    row("7.9, 0", "7.9", 0, 7);
    row("12.34, 1", "12.34", 1, 123);
    row("12.3x, 1", "12.3x", 1, 123);
    row("12.3x, 2", "12.3x", 2, bad);
    row("1.2.3, 2", "1.2.3", 2, bad);
    row("12a", "12a", 1, bad);
    row("+5", "+5", 1, bad);
    row("12 blank", "12 ", 1, bad);
    row("--5", "--5", 1, bad);
    row("empty", "", 1, 0);
    row("lone minus", "-", 1, 0);
    row("-32761 reads as the error value", "-32761", 0, bad);
    row("12.x, 1", "12.x", 1, bad);
    row("7.x, 0: nothing after the point counts", "7.x", 0, 7);
    row("1.5, 3", "1.5", 3, 1500);
    row("LLONG_MAX exactly", "9223372036854775807", 0, LLONG_MAX);
    row("LLONG_MIN exactly", "-9223372036854775808", 0, LLONG_MIN);
    row("saturates up", "99999999999999999999999999999", 0, LLONG_MAX);
    row("saturates down", "-99999999999999999999999999999", 0, LLONG_MIN);
    row("saturates in the decimals", "922337203685477580.8", 1, LLONG_MAX);
    row("edge in the decimals", "922337203685477580.7", 1, LLONG_MAX);
    row("saturated text still checked", "99999999999999999999x", 0, bad);
}

void TstCodec::parseScaled() {
    QFETCH(QByteArray, text);
    QFETCH(int, decimals);
    QFETCH(qlonglong, value);
    QCOMPARE(
        qlonglong(codec::ParseScaled(std::string_view(text.constData(), text.size()), decimals)),
        value);
}

QTEST_GUILESS_MAIN(TstCodec)
#include "tst_codec.moc"
