#include "core/app_state.h"
#include "core/codec.h"
#include "core/reply_gathering.h"
#include "support/scripted_line.h"

#include <QtTest>

using namespace zu;
using test::ScriptedLine;

namespace {

QByteArray rtu(std::initializer_list<int> bytes) {
    QByteArray b;
    for (int v : bytes)
        b.append(char(v));
    const std::uint16_t crc =
        codec::Crc16(reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size()));
    b.append(char(crc & 0xFF));
    b.append(char(crc >> 8));
    return b;
}

} // namespace

class TestReplyGathering : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ReplyGathering> g;
    ScriptedLine* protocolLine = nullptr;
    ScriptedLine* recorderLine = nullptr;
    int protocolReplies = 0;
    int sampleReplies = 0;
    QString rxAtReply;
    QByteArray recAtReply;
    int errorAtReply = -1;

    void protocolRequest() { QVERIFY(g->SendProtocolRequest({'x'})); }
    void recorderRequest() { QVERIFY(g->SendSampleRequest({'x'})); }
    void feed(ScriptedLine* line, const QByteArray& bytes) {
        line->push(bytes);
        clock.runDue();
    }
    QByteArray recorded() const {
        return QByteArray(reinterpret_cast<const char*>(g->RecReceived().data()),
                          qsizetype(g->RecReceived().size()));
    }

  private slots:
    void init() {
        clock = VirtualClock();
        PortDirectory pd;
        pd.set(1, "/dev/ttyUSB0");
        pd.set(2, "/dev/ttyUSB1");
        state = std::make_unique<AppState>(clock, lines, pd);
        g = std::make_unique<ReplyGathering>(*state);
        protocolReplies = sampleReplies = 0;
        errorAtReply = -1;
        g->ProtocolReplyHandler = [this] {
            ++protocolReplies;
            rxAtReply = g->ProtocolRxText();
        };
        g->HandleSampleReply = [this] {
            ++sampleReplies;
            recAtReply = recorded();
            errorAtReply = g->RecReplyError;
        };
        g->ApdComPortMain.setComNumber(1);
        QVERIFY(g->ApdComPortMain.setOpen(true));
        protocolLine = lines.last;
        g->ApdComPort1.setComNumber(2);
        QVERIFY(g->ApdComPort1.setOpen(true));
        recorderLine = lines.last;
    }
    void cleanup() { g.reset(); }

    void asciiReplyInChunks_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<int>(
            "completeAfter"); // chunk index after which the reply is complete; -1 never
        QTest::newRow("one chunk") << QList<QByteArray>{":010302006496\r\n"} << 0;
        QTest::newRow("three chunks") << QList<QByteArray>{":0103", "020064", "96\r\n"} << 2;
        QTest::newRow("CR, then LF in the next chunk")
            << QList<QByteArray>{":010302006496\r", "\n"} << 1;
        QTest::newRow("LF followed by more bytes")
            << QList<QByteArray>{":010302006496\r\nxx"} << -1;
        QTest::newRow("LF alone") << QList<QByteArray>{"\n"} << 0;
    }
    void asciiReplyInChunks() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(int, completeAfter);
        state->Com.RtuMode = false;
        protocolRequest();
        recorderRequest();
        QByteArray all;
        for (int i = 0; i < chunks.size(); ++i) {
            feed(protocolLine, chunks[i]);
            feed(recorderLine, chunks[i]);
            all += chunks[i];
            const int expected = completeAfter >= 0 && i >= completeAfter ? 1 : 0;
            QCOMPARE(protocolReplies, expected);
            QCOMPARE(sampleReplies, expected);
            clock.advance(50); // less than a time-out between chunks
        }
        QByteArray noLineEnds = all;
        noLineEnds.replace("\r", "").replace("\n", "");
        if (completeAfter >= 0) {
            QCOMPARE(rxAtReply, QString::fromLatin1(noLineEnds));
            QCOMPARE(recAtReply, all); // the recorder keeps CR and LF
            QCOMPARE(errorAtReply, 0);
            QVERIFY(!g->RecAwaitingReply);
            clock.advance(2000); // the timers stay disarmed
            QCOMPARE(protocolReplies, 1);
            QCOMPARE(sampleReplies, 1);
        } else {
            // Only the time-out ends it: the protocol window gets the text,
            // the recorder an error even though characters came.
            clock.advance(2000);
            QCOMPARE(protocolReplies, 1);
            QCOMPARE(rxAtReply, QString::fromLatin1(noLineEnds));
            QCOMPARE(sampleReplies, 1);
            QCOMPARE(errorAtReply, 15);
            QCOMPARE(recAtReply, all);
        }
    }

    void rtuReadReplyCompletesAtItsLengthOnlyOnTheRecorderPort() {
        state->Com.RtuMode = true;
        const QByteArray reply = rtu({0x01, 0x03, 0x02, 0x00, 0x64}); // byte count 2: 7 bytes
        protocolRequest();
        recorderRequest();
        feed(protocolLine, reply.left(3));
        feed(recorderLine, reply.left(3));
        feed(protocolLine, reply.mid(3));
        feed(recorderLine, reply.mid(3));
        QCOMPARE(sampleReplies, 1);
        QCOMPARE(errorAtReply, 0);
        QCOMPARE(recAtReply, reply);
        QCOMPARE(protocolReplies, 0); // handed over only after silence
        clock.advance(2 * TimerTickMs - 1);
        QCOMPARE(protocolReplies, 0);
        clock.advance(TimerTickMs + 1);
        QCOMPARE(protocolReplies, 1);
        QCOMPARE(rxAtReply, QString("0103020064") +
                                QString::fromStdString(codec::ByteToHex(std::uint8_t(reply[5]))) +
                                QString::fromStdString(codec::ByteToHex(std::uint8_t(reply[6]))));
    }

    void rtuTimeOutOnTheRecorderPort_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::newRow("exception reply ends by silence") << rtu({0x01, 0x83, 0x02}) << 0;
        QTest::newRow("nothing came") << QByteArray() << 15;
    }
    void rtuTimeOutOnTheRecorderPort() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        state->Com.RtuMode = true;
        g->RecTimeoutTicks = 2;
        recorderRequest();
        if (!bytes.isEmpty())
            feed(recorderLine, bytes);
        QCOMPARE(sampleReplies, 0);
        clock.advance(3 * TimerTickMs);
        QCOMPARE(sampleReplies, 1);
        QCOMPARE(errorAtReply, error);
        QCOMPARE(recAtReply, bytes);
        QVERIFY(!g->RecAwaitingReply);
    }

    void chunksKeepTheTimeOutAway() {
        state->Com.RtuMode = true;
        protocolRequest();
        for (int i = 0; i < 10; ++i) {
            feed(protocolLine, QByteArray(1, char(i)));
            clock.advance(100); // under the 2-tick time-out each time
        }
        QCOMPARE(protocolReplies, 0);
        clock.advance(100);
        QCOMPARE(protocolReplies, 1);
        QCOMPARE(rxAtReply, QString("00010203040506070809"));
    }

    void foreignTimerHandleIsIgnored() {
        state->Com.RtuMode = false;
        const std::uint16_t otherMain = g->ApdComPortMain.AddTimerTrigger();
        const std::uint16_t otherRec = g->ApdComPort1.AddTimerTrigger();
        g->RecTimeoutTicks = 30;
        QVERIFY(g->SendProtocolRequest({'x'}, 30));
        recorderRequest();
        QVERIFY(g->ApdComPortMain.SetTimerTrigger(otherMain, 1, true));
        QVERIFY(g->ApdComPort1.SetTimerTrigger(otherRec, 1, true));
        clock.advance(500);
        QCOMPARE(protocolReplies, 0);
        QCOMPARE(sampleReplies, 0);
        QVERIFY(g->RecAwaitingReply);
        // Called directly as well, with a handle nobody armed.
        g->ApdComPortMainTrigger(MsgTimerExpired, 999, 0);
        g->ApdComPort1Trigger(MsgTimerExpired, 999, 0);
        g->ApdComPort1Trigger(12345, otherRec, 0); // other messages too
        QCOMPARE(protocolReplies + sampleReplies, 0);
        QVERIFY(g->RecAwaitingReply);
    }

    void bytesBeyondTheBufferAreDropped_data() {
        QTest::addColumn<bool>("rtuMode");
        QTest::newRow("ASCII") << false;
        QTest::newRow("RTU") << true;
    }
    void bytesBeyondTheBufferAreDropped() {
        QFETCH(bool, rtuMode);
        state->Com.RtuMode = rtuMode;
        recorderRequest();
        QByteArray flood;
        for (int i = 0; i < 250; ++i)
            flood.append(
                char(rtuMode ? (i == 1 ? 3 : 0xFF) : 'A' + i % 26)); // RTU: 0xFF+5 predicted
        feed(recorderLine, flood.left(120));
        feed(recorderLine, flood.mid(120));
        QCOMPARE(int(g->RecReceived().size()), ReplyGathering::RecReceiveBufferSize);
        QCOMPARE(recorded(), flood.left(ReplyGathering::RecReceiveBufferSize));
        QCOMPARE(g->ApdComPort1.inputCount(), 0); // all taken from the port
        QCOMPARE(sampleReplies, 0);
        if (!rtuMode) {
            feed(recorderLine, "\r\n"); // the line end still ends the reply
            QCOMPARE(sampleReplies, 1);
            QCOMPARE(recAtReply, flood.left(ReplyGathering::RecReceiveBufferSize));
        } else {
            clock.advance(2000);
            QCOMPARE(sampleReplies, 1);
            QCOMPARE(errorAtReply, 0);
        }
    }

    void protocolTextStopsGrowing() {
        state->Com.RtuMode = true;
        protocolRequest();
        for (int i = 0; i < 10; ++i)
            feed(protocolLine, QByteArray(1000, char(0xAB)));
        QCOMPARE(g->ProtocolRxText().size(), ReplyGathering::ProtocolRxTextLimit);
        clock.advance(1000);
        QCOMPARE(protocolReplies, 1);
        QVERIFY(rxAtReply.startsWith("ABAB"));
        QCOMPARE(rxAtReply.size(), ReplyGathering::ProtocolRxTextLimit);

        // ASCII: the line ends do not count, the text still stops at the limit.
        state->Com.RtuMode = false;
        protocolRequest();
        for (int i = 0; i < 3; ++i)
            feed(protocolLine, QByteArray(700, 'a') + "\r");
        QCOMPARE(g->ProtocolRxText(), QString(ReplyGathering::ProtocolRxTextLimit, 'a'));
        feed(protocolLine, "\n"); // the line end still ends the reply
        QCOMPARE(protocolReplies, 2);
    }

    void withoutAReceiverNothingBreaks() {
        g->ProtocolReplyHandler = nullptr;
        g->HandleSampleReply = nullptr;
        state->Com.RtuMode = false;
        protocolRequest();
        recorderRequest();
        feed(protocolLine, "ok\r\n");
        feed(recorderLine, "ok\r\n");
        QCOMPARE(g->ProtocolRxText(), QString("ok"));
        QVERIFY(!g->RecAwaitingReply);
        clock.advance(2000);
    }

    void replyHandlerMaySendTheNextRequest() {
        state->Com.RtuMode = false;
        int round = 0;
        g->ProtocolReplyHandler = [&] {
            ++protocolReplies;
            rxAtReply = g->ProtocolRxText();
            if (++round < 3)
                protocolRequest();
        };
        protocolRequest();
        for (int i = 0; i < 3; ++i)
            feed(protocolLine, QByteArray("r") + QByteArray::number(i) + "\r\n");
        QCOMPARE(protocolReplies, 3);
        QCOMPARE(rxAtReply, QString("r2"));
        QCOMPARE(protocolLine->written.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestReplyGathering)
#include "tst_reply_gathering.moc"
