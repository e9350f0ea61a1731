#include "device/reply_check.h"

#include <QtTest>

using namespace zu;

class TestReplyCheck : public QObject {
    Q_OBJECT
  private slots:
    void timeoutTicks_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("wait");
        QTest::addColumn<int>("ticks");
        const int read = int(ReplyWait::Read), write = int(ReplyWait::Write),
                  broadcast = int(ReplyWait::Broadcast);
        QTest::newRow("ASCII read") << false << 9600 << read << 18;
        QTest::newRow("ASCII write") << false << 9600 << write << 50;
        QTest::newRow("ASCII broadcast") << false << 2400 << broadcast << 5;
        QTest::newRow("RTU 38400") << true << 38400 << read << 1;
        QTest::newRow("RTU 19200 write") << true << 19200 << write << 2;
        QTest::newRow("RTU 9600") << true << 9600 << read << 2;
        QTest::newRow("RTU 4800") << true << 4800 << read << 3;
    }
    void timeoutTicks() {
        QFETCH(bool, rtu);
        QFETCH(int, baud);
        QFETCH(int, wait);
        QFETCH(int, ticks);
        QCOMPARE(ReplyTimeoutTicks(rtu, baud, ReplyWait(wait)), ticks);
    }
};

QTEST_GUILESS_MAIN(TestReplyCheck)
#include "tst_reply_check.moc"
