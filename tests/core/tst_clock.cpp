#include "core/clock.h"

#include <QtTest>

using namespace zu;

class TestClock : public QObject {
    Q_OBJECT
  private slots:
    void virtualCallbacksRunInTimeOrder() {
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

    void clockTimerRepeatsAndRestartsWhenEnabled() {
        VirtualClock c;
        ClockTimer t(c);
        int ticks = 0;
        t.onTimeout = [&] { ++ticks; };
        t.setInterval(500);
        t.start();
        c.advance(400);
        t.start(); // restart
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

    void timerStoppedInsideItsOwnTimeoutStaysStopped() {
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

    void realClockRunsCallbacksInOrderAndHonoursCancel() {
        auto c = makeRealClock();
        QList<int> order;
        c->callAfter(30, [&] { order << 30; });
        const auto gone = c->callAfter(10, [&] { order << -1; });
        c->callAfter(20, [&] { order << 20; });
        c->callAfter(0, [&] {
            order << 0;
            c->callAfter(0, [&] { order << 1; });
        });
        c->cancel(gone);
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 4, 2000);
        QCOMPARE(order, (QList<int>{0, 1, 20, 30}));
    }

    void realClockSelfRepostingCallbackLetsTheEventLoopRun() {
        auto c = makeRealClock();
        int spins = 0;
        bool stop = false;
        std::function<void()> spin = [&] {
            ++spins;
            if (!stop)
                c->callAfter(0, spin);
        };
        c->callAfter(0, spin);
        bool otherRan = false;
        QTimer::singleShot(20, [&] { otherRan = true; });
        QTRY_VERIFY_WITH_TIMEOUT(otherRan, 2000);
        stop = true;
        QVERIFY(spins > 1);
    }

    void realClockCallsBackOnTheEventLoop() {
        auto c = makeRealClock();
        bool fired = false;
        c->callAfter(5, [&] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
