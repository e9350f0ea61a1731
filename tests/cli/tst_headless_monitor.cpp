// The monitor's real polling engine painting into the headless view, on the
// built-in simulated line and virtual time: the lines it prints and why it ends.
#include "cli/cli_options.h"
#include "cli/headless_monitor_view.h"
#include "core/app_state.h"
#include "monitor/logic/monitor_engine.h"
#include "sim/lib/sim_device.h"
#include "sim/lib/standard_line_factory.h"

#include <QRegularExpression>
#include <QtTest>
#include <optional>

using namespace zu;
using namespace zu::cli;

namespace {

struct Monitor {
    VirtualClock clock{QTime(8, 30, 0, 0)};
    sim::StandardLineFactory lines{clock};
    AppState app;
    QStringList printed;
    HeadlessMonitorView view{clock, [this](const QString& l) { printed << l; }};
    MonitorEngine engine{app, view};
    std::optional<HeadlessMonitorView::Ending> ending;

    explicit Monitor(PortDirectory ports) : app(clock, lines, std::move(ports)) {
        ApplyLineSpec(app, {9600, 7, 1, 1, false}, 1);
        app.ScaleWidth = 808;
        view.attach(engine);
        view.onEnd = [this](const HeadlessMonitorView::Ending& e) { ending = e; };
        engine.FormShow();
    }
    static PortDirectory simOnCom1() {
        PortDirectory d;
        d.set(1, QStringLiteral("sim"));
        return d;
    }
    sim::Device& device(int address) { return *lines.simulatedBus().find(std::uint8_t(address)); }
    void connect(std::array<std::uint16_t, SlotCount> addresses, int count) {
        engine.ComAddr0Change(-1, addresses);
        for (int i = 0; i < count; ++i)
            engine.RunBt0Click(i);
    }
    QStringList linesOf(int address) const {
        return printed.filter(QRegularExpression(QStringLiteral(" address=%1 ").arg(address)));
    }
};

const QRegularExpression
    kStatus(QStringLiteral("^08:3\\d:\\d\\d\\.\\d\\d\\d address=(\\d) family=([ABC]) "
                           "PV=(\"[^\"]+\"|\\S+) SV=(\"[^\"]+\"|\\S+)$"));

} // namespace

class TestHeadlessMonitor : public QObject {
    Q_OBJECT
  private slots:
    void oneLinePerCycleAndController() {
        Monitor m(Monitor::simOnCom1());
        m.connect({1, 2, 3, 1}, 3);
        m.clock.advance(20000);
        QVERIFY(!m.ending);
        QVERIFY(!m.printed.isEmpty());
        // Every line is a status line; the lines of a cycle come in slot order
        // with one time stamp.
        for (int i = 0; i < m.printed.size(); ++i) {
            const auto s = kStatus.match(m.printed[i]);
            QVERIFY2(s.hasMatch(), qPrintable(m.printed[i]));
            const int address = s.captured(1).toInt();
            QCOMPARE(address, i % 3 + 1);
            QCOMPARE(s.captured(2), QString(QChar('A' + address - 1)));
            QCOMPARE(s.captured(4), QStringLiteral("100.0"));
            if (i % 3)
                QCOMPARE(m.printed[i].left(12), m.printed[i - 1].left(12));
        }
        QCOMPARE(m.printed.size() % 3, 0);
        QVERIFY(m.printed.size() >= 3 * 5);
    }

    void valuesAreWhatTheMonitorShows_data() {
        QTest::addColumn<int>("pvStatus"); // PV read as 0x80nn, nn = this
        QTest::addColumn<QString>("pv");
        QTest::newRow("Waiting...") << 1 << "Waiting...";
        QTest::newRow("No connect") << 3 << "\"No connect\"";
        QTest::newRow("Over range") << 5 << "\"Over range\"";
        QTest::newRow("Memory fail") << 7 << "\"Memory fail\"";
    }
    void valuesAreWhatTheMonitorShows() {
        QFETCH(int, pvStatus);
        QFETCH(QString, pv);
        Monitor m(Monitor::simOnCom1());
        m.device(2).faults().push_back({sim::FaultKind::PvStatus, 1, pvStatus});
        m.device(2).poke(0x4701, 0xFF38); // SV -20.0
        m.connect({2, 1, 1, 1}, 1);
        m.clock.advance(8000);
        const QStringList lines = m.linesOf(2);
        QVERIFY(!lines.isEmpty());
        for (const QString& l : lines) {
            const auto s = kStatus.match(l);
            QVERIFY2(s.hasMatch(), qPrintable(l));
            QCOMPARE(s.captured(3), pv);
            QCOMPARE(s.captured(4), QStringLiteral("\"- 20.0\""));
        }
    }

    void silentAddressIsDroppedAndEndsTheMonitor() {
        Monitor m(Monitor::simOnCom1());
        m.connect({9, 1, 1, 1}, 1);
        m.clock.advanceUntil([&] { return m.ending.has_value(); }, 30000);
        QVERIFY(m.ending);
        QCOMPARE(m.ending->exitCode, int(ExitTimeout));
        QCOMPARE(m.printed.filter("address=9 error=\"Received data time out error\"").size(), 4);
        QVERIFY(m.printed.last().contains("address=9 dropped="));
    }

    void aSilentAddressBesideAnAnsweringOneIsOnlyDropped() {
        Monitor m(Monitor::simOnCom1());
        m.connect({1, 9, 1, 1}, 2);
        m.clock.advance(20000);
        QVERIFY(!m.ending);
        QCOMPARE(m.printed.filter("address=9 dropped=").size(), 1);
        // After the drop, address 1 is reported on and on.
        QVERIFY(kStatus.match(m.printed.last()).hasMatch());
        QVERIFY(m.linesOf(1).size() >= 5);
    }

    void replyFromAnotherAddressHaltsAndEnds() {
        Monitor m(Monitor::simOnCom1());
        m.device(2).faults().push_back({sim::FaultKind::WrongAddress, 1, 0});
        m.connect({2, 1, 1, 1}, 1);
        m.clock.advanceUntil([&] { return m.ending.has_value(); }, 10000);
        QVERIFY(m.ending);
        QCOMPARE(m.ending->exitCode, int(ExitBadReply));
        QVERIFY(m.printed.last().endsWith("address=2 error=\"Address not correct\""));
    }

    void lateReplyFromAPolledAddressGoesOn() {
        // Device 2 answers every third request after the time-out; such an
        // answer can come while device 3 is asked for as many words, and it
        // names an address the monitor polls: the engine retries.
        Monitor m(Monitor::simOnCom1());
        m.device(2).faults().push_back({sim::FaultKind::Slow, 3, 1080});
        m.connect({2, 3, 1, 1}, 2);
        m.clock.advance(30000);
        QVERIFY2(!m.ending, qPrintable(m.ending ? m.ending->message : QString()));
        QVERIFY(!m.printed.filter("error=\"Address not correct\"").isEmpty());
        QVERIFY(m.printed.filter("dropped=").isEmpty());
        // Both go on being reported after the late replies.
        const int late = int(m.printed.lastIndexOf(QRegularExpression("Address not correct")));
        const QStringList after = m.printed.mid(late + 1);
        QVERIFY(!after.filter(kStatus).filter(" address=2 ").isEmpty());
        QVERIFY(!after.filter(kStatus).filter(" address=3 ").isEmpty());
    }

    void aControllerAnsweringBadlyIsDroppedWithTheCause() {
        Monitor m(Monitor::simOnCom1());
        m.device(3).faults().push_back({sim::FaultKind::BadChecksum, 1, 0});
        m.connect({1, 3, 1, 1}, 2);
        m.clock.advance(20000);
        QVERIFY(!m.ending);
        QCOMPARE(m.printed.filter("address=3 error=\"Received checksum error !!!\"").size(), 4);
        const QStringList dropped = m.printed.filter("dropped=");
        QCOMPARE(dropped.size(), 1);
        QVERIFY2(
            dropped[0].endsWith("address=3 dropped=\"4 replies in a row with a wrong checksum\""),
            qPrintable(dropped[0]));
        QVERIFY(kStatus.match(m.printed.last()).hasMatch());
        QVERIFY(m.linesOf(1).size() >= 5);
    }

    void checksumErrorsArePrintedAsTheyHappen() {
        Monitor m(Monitor::simOnCom1());
        m.device(3).faults().push_back({sim::FaultKind::BadChecksum, 5, 0});
        m.connect({3, 1, 1, 1}, 1);
        m.clock.advance(10000);
        QVERIFY(!m.ending);
        const QStringList errors = m.printed.filter("error=");
        QVERIFY(!errors.isEmpty());
        for (const QString& e : errors)
            QVERIFY2(e.endsWith("address=3 error=\"Received checksum error !!!\""), qPrintable(e));
        QVERIFY(m.linesOf(3).size() > errors.size());
    }

    void portThatCannotOpenEndsAtOnce() {
        Monitor m(PortDirectory{}); // COM1 has no device
        m.connect({1, 1, 1, 1}, 1);
        QVERIFY(m.ending);
        QCOMPARE(m.ending->exitCode, int(ExitPort));
        QVERIFY2(m.ending->message.contains("COM1"), qPrintable(m.ending->message));
        m.clock.advance(1000);
        QVERIFY(m.printed.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadlessMonitor)
#include "tst_headless_monitor.moc"
