// Whatever comes back in place of a status reply, the engine shows an error,
// sends the request again and never shows a value it did not read.
#include "engine_rig.h"

#include "core/texts.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

const std::vector<std::uint16_t> Good = {250, 300, 0, 0};
const std::vector<std::uint16_t> Bogus = {9999, 9999, 0, 0}; // would read 999.9

QByteArray Reply(bool rtu, const std::vector<std::uint16_t>& w = Bogus, int address = 1,
                 int function = 3) {
    return Frame(ReadPdu(address, function, w), rtu);
}

QByteArray Lower(QByteArray f) {
    for (auto& c : f)
        if (c >= 'A' && c <= 'F')
            c = char(c - 'A' + 'a');
    return f;
}

// Once: the PV read is answered so, once. LateReply: it goes unanswered and
// the bytes arrive during a later request. BesideSlot1: as Once, with slot 1
// (address 2) connected too.
enum Mode { Once, LateReply, BesideSlot1 };

} // namespace

Q_DECLARE_METATYPE(QList<QByteArray>)

class TestEngineBadInput : public QObject {
    Q_OBJECT
  private slots:
    void badReply_data();
    void badReply();
};

void TestEngineBadInput::badReply_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("errors"); // -1: at least one
    const QString format = text::RcvFormatError, checksum = text::ChecksumError,
                  timeout = text::TimeoutError, unknown = text::UnknowCommand,
                  address = text::AddressNotCorrect;
    auto ascii = [](const char* name) -> QTestData& {
        return QTest::newRow(qPrintable(QString("ascii ") + name));
    };
    auto rtu = [](const char* name) -> QTestData& {
        return QTest::newRow(qPrintable(QString("rtu ") + name));
    };
    using L = QList<QByteArray>;

    QByteArray a = Reply(false), r = Reply(true);
    QByteArray badLrc = a;
    badLrc[badLrc.size() - 3] = badLrc[badLrc.size() - 3] == '0' ? '1' : '0';
    QByteArray badCrc = r;
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x5A);
    ascii("bad LRC") << false << L{badLrc} << int(Once) << checksum << 1;
    rtu("bad CRC") << true << L{badCrc} << int(Once) << checksum << 1;
    ascii("odd length") << false << L{a.left(5) + a.mid(6)} << int(Once) << format << 1;
    QByteArray nonHex = a;
    nonHex[7] = 'G';
    ascii("non-hex digit") << false << L{nonHex} << int(Once) << format << 1;
    ascii("lowercase hex") << false << L{Lower(a)} << int(Once) << format << 1;
    ascii("truncated") << false << L{a.left(12)} << int(Once) << timeout << 1;
    rtu("truncated") << true << L{r.left(6)} << int(Once) << checksum << 1;
    ascii("garbage before") << false << L{"xx" + a} << int(Once) << format << 1;
    rtu("garbage before") << true << L{QByteArray(1, char(0xAA)) + r} << int(Once) << checksum << 1;
    ascii("garbage after, no LF") << false << L{a + "zz"} << int(Once) << timeout << 1;
    ascii("garbage line after") << false << L{a + "zz\r\n"} << int(Once) << format << 1;
    rtu("garbage after") << true << L{r + QByteArray(1, char(0x55))} << int(Once) << checksum << 1;
    ascii("two frames in one chunk") << false << L{a + a} << int(Once) << format << 1;
    rtu("two frames in one chunk") << true << L{r + r} << int(Once) << checksum << 1;
    ascii("split in many chunks") << false
                                  << L{a.left(3), a.mid(3, 9), a.mid(12, 1), badLrc.mid(13)}
                                  << int(Once) << checksum << 1;
    // A connected slot's late answer; an address no connected slot has halts
    // polling instead (tst_engine).
    ascii("other slot's address") << false << L{Reply(false, Bogus, 2)} << int(BesideSlot1)
                                  << address << 1;
    rtu("other slot's address") << true << L{Reply(true, Bogus, 2)} << int(BesideSlot1) << address
                                << 1;
    ascii("other function code") << false << L{Reply(false, Bogus, 1, 4)} << int(Once) << unknown
                                 << 1;
    rtu("other function code") << true << L{Reply(true, Bogus, 1, 4)} << int(Once) << unknown << 1;
    rtu("identification reply to a read")
        << true << L{Reply(true, Bogus, 1, 0x67)} << int(Once) << unknown << 1;
    ascii("late reply") << false << L{a} << int(LateReply) << format << 2;
    rtu("late reply") << true << L{r} << int(LateReply) << format << 2;
    ascii("byte count short") << false << L{Reply(false, {9999, 9999})} << int(Once) << format << 1;
    rtu("byte count short") << true << L{Reply(true, {9999, 9999})} << int(Once) << format << 1;
    rtu("byte count long") << true << L{Reply(true, {9999, 9999, 9999, 9999, 9999})} << int(Once)
                           << format << 1;
    rtu("byte count odd") << true << L{Frame({1, 3, 3, 0x27, 0x0F, 0x27}, true)} << int(Once)
                          << format << 1;
    ascii("byte count zero") << false << L{Frame({1, 3, 0}, false)} << int(Once) << format << 1;
    rtu("byte count zero") << true << L{Frame({1, 3, 0}, true)} << int(Once) << format << 1;
    const std::vector<std::uint16_t> hundred(100, 9999);
    ascii("byte count 200") << false << L{Reply(false, hundred)} << int(Once) << format << 1;
    rtu("byte count 200") << true << L{Reply(true, hundred)} << int(Once) << format << 1;
    for (int code : {1, 2, 3, 4, 6, 0x55}) {
        const QString t =
            QString(text::ReadErrorPrefix) + QString::fromStdString(codec::ExceptionMessage(code));
        const auto name = QString("exception %1").arg(code).toLatin1();
        ascii(name.constData()) << false << L{Frame({1, 0x83, std::uint8_t(code)}, false)}
                                << int(Once) << t << 1;
        rtu(name.constData()) << true << L{Frame({1, 0x83, std::uint8_t(code)}, true)} << int(Once)
                              << t << 1;
    }
    QByteArray badException = Frame({1, 0x83, 2}, true);
    badException[4] = char(badException[4] ^ 1);
    rtu("exception with bad CRC") << true << L{badException} << int(Once) << checksum << 1;
    QByteArray badExceptionA = Frame({1, 0x83, 2}, false);
    badExceptionA[7] = badExceptionA[7] == '0' ? '1' : '0';
    ascii("exception with bad LRC") << false << L{badExceptionA} << int(Once) << checksum << 1;
    ascii("CR without LF") << false << L{a.left(a.size() - 1)} << int(Once) << timeout << 1;
    ascii("runaway, no LF") << false << L{":" + QByteArray(149, '7')} << int(Once) << format << 1;
    ascii("runaway, LF at 150") << false << L{":" + QByteArray(147, '7') + "\r\n"} << int(Once)
                                << format << 1;
    rtu("runaway") << true << L{QByteArray(60, char(0x01)), QByteArray(90, char(0x03))} << int(Once)
                   << format << 1;
    L noise;
    for (int i = 0; i < 40; ++i)
        noise << QByteArray(7, char('!' + i));
    ascii("noise for a second") << false << noise << int(Once) << format << -1;
    rtu("noise for a second") << true << noise << int(Once) << format << -1;
}

void TestEngineBadInput::badReply() {
    QFETCH(bool, rtu);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(int, errors);

    Rig rig(rtu, Via::Script, 19200);
    FakeBus fb;
    fb.rtu = rtu;
    fb.devices[1] = {'B',
                     {{0x4700, Good[0]}, {0x4701, Good[1]}, {0x4724, 1}, {0x4725, 1}, {0x4729, 1}}};
    if (mode == BesideSlot1)
        fb.devices[2] = {'B', {{0x4729, 1}}};
    rig.responder = fb.responder();
    rig.setAddresses({1, 2, 1, 1});
    rig.engine->RunBt0Click(0);
    if (mode == BesideSlot1)
        rig.engine->RunBt0Click(1);
    QVERIFY(rig.runFrames(25));
    QCOMPARE(rig.view.column[0].pv, std::string("25.0"));
    QCOMPARE(rig.view.column[0].errCount, 0u);

    int state = 0; // 0 waiting for the PV read, 1 faulted, 2 done
    fb.override = [&](const Req& q) -> std::optional<std::vector<Chunk>> {
        if (state == 0 && q.reg == 0x4700 && q.address == 1) {
            state = 1;
            if (mode == LateReply)
                return std::vector<Chunk>{}; // silent now, answers during a later request
            std::vector<Chunk> out;
            std::int64_t at = 10;
            for (const auto& c : chunks) {
                out.push_back({at, c});
                at += rtu && chunks.size() > 4 ? 20 : 2;
                if (!rtu && chunks.size() > 4)
                    at += 18;
            }
            state = 2;
            return out;
        }
        if (state == 1 && mode == LateReply && q.reg == 0x4728) {
            state = 2;
            auto real = fb.answer(q, {});
            std::vector<Chunk> out{{2, chunks[0]}};
            for (auto& c : real)
                out.push_back({c.afterMs + 10, c.bytes});
            return out;
        }
        return std::nullopt;
    };
    const std::size_t from = rig.wire.size();
    rig.view.clearLog();
    // Step event by event: at no moment may the engine wait with nothing out.
    const std::int64_t end = rig.clock.nowMs() + 20000;
    while (rig.clock.nowMs() < end && rig.clock.step())
        QVERIFY(rig.engine->consistent());
    QCOMPARE(state, 2);
    QVERIFY2(rig.view.count("err " + text.toStdString()) >= 1, qPrintable(text));
    if (errors >= 0)
        QCOMPARE(int(rig.view.column[0].errCount), errors);
    else
        QVERIFY(rig.view.column[0].errCount >= 1);
    // The faulted read went out again (or, for the late reply, the read hit by it).
    const auto sent = rig.reqs(from);
    std::size_t at = 0; // with slot 1 connected, other requests may come first
    while (mode == BesideSlot1 && at + 1 < sent.size() &&
           !(sent[at].address == 1 && sent[at].reg == 0x4700))
        ++at;
    const Req faulted = sent.at(at);
    QCOMPARE(faulted.reg, 0x4700);
    if (mode != LateReply && errors == 1)
        QCOMPARE(sent.at(at + 1), faulted);
    QVERIFY(rig.view.count("pv 0 999.9") == 0);
    QVERIFY(rig.view.count("panelpv 999.9") == 0);
    QCOMPARE(rig.view.column[0].pv, std::string("25.0"));
    QCOMPARE(rig.engine->ConnectedCount(), mode == BesideSlot1 ? 2 : 1);
    QCOMPARE(rig.engine->state(), MonitorEngine::State::Polling);
}

QTEST_GUILESS_MAIN(TestEngineBadInput)
#include "tst_engine_badinput.moc"
