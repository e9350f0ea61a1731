// The monitor window polling the built-in simulated controllers (A at 1,
// B at 2, C at 3) on virtual time: clicks on the named controls, readings on
// the named read-outs.
#include "monitor/widgets/parameter_panel_form.h"
#include "monitor_window_rig.h"

#include <QRegularExpression>
#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

bool IsReading(const QString& s) {
    static const QRegularExpression number(QStringLiteral("^-? ?\\d+(\\.\\d+)?$"));
    return number.match(s).hasMatch();
}

} // namespace

class TestMonitorWindowSim : public QObject {
    Q_OBJECT

  private slots:
    void threeControllersShowTheirReadings();
    void selectingAnotherSlotShowsItsFrontPanel();
    void disconnectingTheLastSlotFreesTheLine();
    void anAddressChangeReachesAnotherController();
    void exitOkClosesOnceTheReplyIsIn();
};

namespace {

void ConnectThree(WindowRig& rig) {
    rig.find<QSpinBox>("ComAddr1")->setValue(2);
    rig.find<QSpinBox>("ComAddr2")->setValue(3);
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    rig.action("Device11")->trigger(); // the DEVICE menu does the same as the button
    QTest::mouseClick(rig.find("RunBt2"), Qt::LeftButton);
}

} // namespace

void TestMonitorWindowSim::threeControllersShowTheirReadings() {
    WindowRig rig;
    rig.show();
    ConnectThree(rig);
    QCOMPARE(rig.app.PortOwner, int(PortMonitor));
    QCOMPARE(rig.text("RunBt1"), QStringLiteral("Cancel"));
    QCOMPARE(rig.action("Device21")->text(), QStringLiteral("DEVICE 3 (ACTIVE)"));
    QCOMPARE(rig.action("Device31")->text(), QStringLiteral("DEVICE 4"));
    QVERIFY(rig.menu("FILE1")->menuAction()->isEnabled());
    QVERIFY(rig.action("SETTING1")->isChecked());

    const bool read = rig.runUntil(
        [&] {
            return IsReading(rig.text("PV0")) && IsReading(rig.text("PV1")) &&
                   IsReading(rig.text("PV2")) && rig.text("PV0") != "0" && rig.text("PV1") != "0" &&
                   rig.text("PV2") != "0" && !rig.find("ParaPL")->isHidden();
        },
        60000);
    QVERIFY2(read, qPrintable(rig.text("PV0") + " | " + rig.text("PV1") + " | " + rig.text("PV2")));
    QCOMPARE(rig.text("PV3"), QStringLiteral("0"));
    QVERIFY(IsReading(rig.text("SV0")));
    // slot 0 is selected: its reading on the front panel, family A's picture
    QCOMPARE(rig.find<ShapePanel>("SelPanel0")->brushColor(), Q(Colour::Yellow));
    QVERIFY(IsReading(rig.text("PVDisp").trimmed()));
    const QObjectList& z = rig.find("ZUA1")->children();
    QVERIFY(z.indexOf(rig.find("ImeA1")) > z.indexOf(rig.find("ImeB1")));
    QVERIFY(rig.find("O2LED")->isHidden());
    for (int s = 0; s < 3; ++s) {
        QCOMPARE(LabelBackground(rig.find<QLabel>(QStringLiteral("Adr%1Lb").arg(s))),
                 Q(Colour::SkyBlue));
        QVERIFY(rig.text(QStringLiteral("ExecCnt%1").arg(s)).toInt() > 0);
        QCOMPARE(rig.text(QStringLiteral("ErrCnt%1").arg(s)), QStringLiteral("0"));
    }
    QCOMPARE(rig.text("ExecCnt3"), QStringLiteral("0"));

    if (const QString shot = qEnvironmentVariable("ZUCOMM_MONITOR_SHOT"); !shot.isEmpty())
        QVERIFY(rig.window->grab().save(shot));
}

void TestMonitorWindowSim::selectingAnotherSlotShowsItsFrontPanel() {
    WindowRig rig;
    rig.show();
    ConnectThree(rig);
    QVERIFY(rig.runUntil([&] { return !rig.find("ParaPL")->isHidden(); }, 60000));

    QTest::mouseClick(rig.find("Adr1Lb"), Qt::LeftButton);
    QCOMPARE(rig.find<ShapePanel>("SelPanel1")->brushColor(), Q(Colour::Yellow));
    QCOMPARE(rig.find<ShapePanel>("SelPanel0")->brushColor(), Q(Colour::Silver));
    const QObjectList& z = rig.find("ZUA1")->children();
    QVERIFY(rig.runUntil(
        [&] { return z.indexOf(rig.find("ImeB1")) > z.indexOf(rig.find("ImeA1")); }, 30000));
    QVERIFY(!rig.find("O2LED")->isHidden());
    QVERIFY(!rig.find("ALM3LED")->isHidden());
    // the family-B controller's firmware in the parameter panel
    QVERIFY(rig.runUntil(
        [&] { return rig.find<QLabel>("FWVersion")->text().startsWith("F/W Version "); }, 30000));
}

void TestMonitorWindowSim::disconnectingTheLastSlotFreesTheLine() {
    WindowRig rig;
    rig.show();
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(rig.runUntil([&] { return rig.text("PV0") != "0"; }, 30000));
    QVERIFY(rig.window->timer1().enabled());
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QCOMPARE(rig.text("RunBt0"), QStringLiteral("Connect"));
    QCOMPARE(rig.action("Device01")->text(), QStringLiteral("DEVICE 1"));
    QVERIFY(rig.runUntil([&] { return rig.app.PortOwner == PortFree; }, 5000));
    QVERIFY(!rig.menu("FILE1")->menuAction()->isEnabled());
    QVERIFY(!rig.window->timer1().enabled());
    QCOMPARE(rig.text("PVDisp"), QString());
}

void TestMonitorWindowSim::anAddressChangeReachesAnotherController() {
    WindowRig rig;
    rig.show();
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(rig.runUntil([&] { return !rig.find("ParaPL")->isHidden(); }, 30000));
    const QObjectList& z = rig.find("ZUA1")->children();
    QVERIFY(z.indexOf(rig.find("ImeA1")) > z.indexOf(rig.find("ImeB1")));

    // slot 0 now asks address 2, the family-B controller
    rig.find<QSpinBox>("ComAddr0")->setValue(2);
    QVERIFY(rig.runUntil(
        [&] { return z.indexOf(rig.find("ImeB1")) > z.indexOf(rig.find("ImeA1")); }, 30000));
    QVERIFY(!rig.find("ALM3LED")->isHidden());
    QCOMPARE(rig.text("RunBt0"), QStringLiteral("Cancel"));
}

void TestMonitorWindowSim::exitOkClosesOnceTheReplyIsIn() {
    WindowRig rig;
    rig.show();
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(rig.runUntil([&] { return rig.text("PV0") != "0"; }, 30000));
    QVERIFY(rig.runUntil([&] { return rig.window->engine().AwaitingReply(); }, 1000));

    rig.action("Close2")->trigger();
    QVERIFY(rig.window->isVisible());
    QCOMPARE(rig.app.PortOwner, int(PortMonitor));
    QVERIFY(rig.runUntil([&] { return !rig.window->isVisible(); }, 2000));
    QCOMPARE(rig.app.PortOwner, int(PortFree));
    QVERIFY(!rig.menu("FILE1")->menuAction()->isEnabled());
    QVERIFY(!rig.window->timer1().enabled());

    // shown again: a fresh start
    rig.show();
    QCOMPARE(rig.text("RunBt0"), QStringLiteral("Connect"));
    QCOMPARE(rig.text("PV0"), QStringLiteral("0"));
    QCOMPARE(rig.text("ExecCnt0"), QStringLiteral("0"));
}

QTEST_MAIN(TestMonitorWindowSim)
#include "tst_monitor_window_sim.moc"
