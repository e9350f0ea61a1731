#include "core/clock.h"

#include <QtTest>

using namespace zu;

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void virtualCallbacksRunInTimeOrder()
    {
        VirtualClock c;
        QList<int> order;
        c.callAfter(30, [&] { order << 30; });
        c.callAfter(10, [&] {
            order << 10;
            c.callAfter(5, [&] { order << 15; });
        });
        const auto gone = c.callAfter(20, [&] { order << 20; });
        c.cancel(gone);
        c.advance(29);
        QCOMPARE(order, (QList<int>{10, 15}));
        QCOMPARE(c.nowMs(), 29);
        c.advance(1);
        QCOMPARE(order, (QList<int>{10, 15, 30}));
    }

    void clockTimerRepeatsAndRestartsWhenEnabled()
    {
        VirtualClock c;
        ClockTimer t(c);
        int ticks = 0;
        t.onTimeout = [&] { ++ticks; };
        t.setInterval(500);
        t.start();
        c.advance(400);
        t.start();   // restart
        c.advance(400);
        QCOMPARE(ticks, 0);
        c.advance(100);
        QCOMPARE(ticks, 1);
        c.advance(1000);
        QCOMPARE(ticks, 3);
        t.stop();
        c.advance(5000);
        QCOMPARE(ticks, 3);
    }

    void timerStoppedInsideItsOwnTimeoutStaysStopped()
    {
        VirtualClock c;
        ClockTimer t(c);
        int ticks = 0;
        t.onTimeout = [&] {
            ++ticks;
            t.stop();
        };
        t.setInterval(100);
        t.start();
        c.advance(1000);
        QCOMPARE(ticks, 1);
        QVERIFY(!t.enabled());
    }

    void realClockCallsBackOnTheEventLoop()
    {
        auto c = makeRealClock();
        bool fired = false;
        c->callAfter(5, [&] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
