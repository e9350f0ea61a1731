// The monitor window as a newcomer meets it, over the built-in simulated
// controllers (A at 1, B at 2, C at 3) on virtual time: news where the eye is,
// a layout that follows the window rather than the screen it opened on, and
// the keyboard.
#include "monitor/logic/recording_monitor_view.h"
#include "monitor/logic/status_display.h"
#include "monitor/widgets/front_panel_widget.h"
#include "monitor/widgets/parameter_panel_form.h"
#include "monitor_window_rig.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestMonitorUsability : public QObject {
    Q_OBJECT
  private slots:
    void silentAddressIsNamedInTheStatusLine();
    void writeOutcomeIsToldInTheStatusLineAndAtTheField();
    void refusedChangeIsMarkedAtTheField();
    void lineLostNoticeGoesWhenPollingIsBack();
    void readingsKeepTheirFontSizeWhenAColumnConnects();
    void familyCLedOffsetsScaleWithThePanel_data();
    void familyCLedOffsetsScaleWithThePanel();
    void panelFontsScaleWithThePanel();
    void windowCanBeSmallerThanItsContents();
    void frontPanelGrowsWithTheWindowHeight();
    void slotIsSelectedFromTheKeyboard();

  private:
    static QString status(WindowRig& rig) { return rig.window->statusBar()->currentMessage(); }
    static bool waitForPanel(WindowRig& rig) {
        return rig.runUntil(
            [&] {
                return !rig.find("ParaPL")->isHidden() &&
                       rig.window->engine().model().RequestKind < 10 &&
                       !rig.window->engine().model().req.ParameterRefresh;
            },
            60000);
    }
};

void TestMonitorUsability::silentAddressIsNamedInTheStatusLine() {
    WindowRig rig;
    rig.show();
    rig.find<QSpinBox>("ComAddr0")->setValue(9);
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QCOMPARE(rig.text("RunBt0"), QStringLiteral("Cancel"));
    bool everGreen = false;
    QVERIFY(rig.runUntil(
        [&] {
            everGreen = everGreen || rig.lampColour("RunLED0") == Q(Colour::Green);
            return rig.text("RunBt0") == QLatin1String("Connect");
        },
        30000));
    QVERIFY(!everGreen);
    QCOMPARE(status(rig),
             QStringLiteral("DEVICE 1 (address 9) disconnected: no reply to 4 requests in a row"));
}

void TestMonitorUsability::writeOutcomeIsToldInTheStatusLineAndAtTheField() {
    WindowRig rig;
    rig.show();
    rig.find<QSpinBox>("ComAddr0")->setValue(2); // family B
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(waitForPanel(rig));
    auto* sv = rig.find<QLineEdit>("SV");
    QVERIFY(sv && sv->isEnabled());
    sv->selectAll();
    QTest::keyClicks(sv, "123.4");
    QTest::keyClick(sv, Qt::Key_Return);
    QCOMPARE(status(rig), QStringLiteral("Writing SV = 123.4"));
    QCOMPARE(sv->toolTip(), QStringLiteral("Writing SV = 123.4"));
    QVERIFY(!sv->property("mark").toString().isEmpty());

    QVERIFY(rig.runUntil([&] { return status(rig) == "SV = 123.4 written and read back"; }, 30000));
    QCOMPARE(sv->text(), QStringLiteral("123.4"));
    QCOMPARE(sv->toolTip(), QStringLiteral("SV = 123.4 written and read back"));
    QCOMPARE(sv->property("mark").toString(), QColor(190, 240, 190).name());
    // the mark is short-lived, and the news of a settled write goes after a while
    QVERIFY(rig.runUntil([&] { return sv->property("mark").toString().isEmpty(); },
                         TPMonitor::MarkMs + 500));
    QVERIFY(rig.runUntil([&] { return status(rig).isEmpty(); }, TPMonitor::DoneNoticeMs + 500));
}

void TestMonitorUsability::refusedChangeIsMarkedAtTheField() {
    WindowRig rig;
    rig.show();
    rig.find<QSpinBox>("ComAddr0")->setValue(2); // family B
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(waitForPanel(rig));
    auto* sv = rig.find<QLineEdit>("SV");
    sv->selectAll();
    QTest::keyClicks(sv, "1x");
    QTest::keyClick(sv, Qt::Key_Return);
    QCOMPARE(status(rig), QStringLiteral("SV not sent: \"1x\" is not a number"));
    QCOMPARE(sv->toolTip(), status(rig));
    QCOMPARE(sv->property("mark").toString(), QColor(255, 190, 190).name());
}

void TestMonitorUsability::lineLostNoticeGoesWhenPollingIsBack() {
    WindowRig rig;
    rig.show();
    rig.window->showLineLost("COM1: the device went away");
    QCOMPARE(status(rig), QStringLiteral("COM1: the device went away"));
    rig.window->showLineBack();
    QCOMPARE(status(rig), QString());
    // a later notice is not taken away by it
    rig.window->showLineLost("COM1: the device went away");
    rig.window->notice("Writing SV = 1.0");
    rig.window->showLineBack();
    QCOMPARE(status(rig), QStringLiteral("Writing SV = 1.0"));
}

void TestMonitorUsability::readingsKeepTheirFontSizeWhenAColumnConnects() {
    WindowRig rig;
    rig.show();
    const int before = rig.find("PV0")->font().pointSize();
    QCOMPARE(rig.find("PV3")->font().pointSize(), before);
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
    QVERIFY(rig.runUntil([&] { return rig.text("PV0") != "0"; }, 30000));
    QCOMPARE(rig.find("PV0")->font().pointSize(), before);
    QCOMPARE(rig.find("PV3")->font().pointSize(), before);
    QCOMPARE(rig.find("SV0")->font().pointSize(), rig.find("SV3")->font().pointSize());
    QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton); // disconnected: reset
    QCOMPARE(rig.find("PV0")->font().pointSize(), before);
}

void TestMonitorUsability::familyCLedOffsetsScaleWithThePanel_data() {
    QTest::addColumn<int>("scaleWidth");
    QTest::addColumn<int>("panelWidth");
    QTest::newRow("design width, design size") << 808 << 193;
    QTest::newRow("1920 screen, panel at its reference size") << 1920 << 458;
    QTest::newRow("1920 screen, a larger panel") << 1920 << 772;
    QTest::newRow("1024 screen, a small panel") << 1024 << 200;
}

void TestMonitorUsability::familyCLedOffsetsScaleWithThePanel() {
    QFETCH(int, scaleWidth);
    QFETCH(int, panelWidth);
    VirtualClock clock;
    sim::StandardLineFactory lines{clock};
    AppState app{clock, lines, WindowPorts()};
    app.ScaleWidth = scaleWidth;
    MonitorModel model;
    RecordingMonitorView view;
    StatusDisplay status(app, model, view);
    FrontPanel panel(scaleWidth, 808);
    panel.resize(panelWidth, panelWidth * FrontPanel::DesignHeight / FrontPanel::DesignWidth);
    panel.recordLedPositions();
    const auto x = [&](const char* led) { return panel.findChild<QWidget*>(led)->x(); };
    const int at = x("ATLED"), o1 = x("O1LED"), alm2 = x("ALM2LED");
    for (char family : {'B', 'C'}) {
        status.ApplyFrontPanelLayout(std::uint8_t(family));
        panel.applyLayout(view.layout);
        // 10, 20 and 5 picture pixels left, whatever the panel's size
        const double s = panel.scale();
        const QByteArray which = QByteArray("family ") + family;
        QVERIFY2(std::abs((at - x("ATLED")) / s - 10) <= 1.5, which);
        QVERIFY2(std::abs((o1 - x("O1LED")) / s - 20) <= 1.5, which);
        QVERIFY2(std::abs((alm2 - x("ALM2LED")) / s - 5) <= 1.5, which);
    }
}

void TestMonitorUsability::panelFontsScaleWithThePanel() {
    FrontPanel panel(1920, 808);
    panel.resize(400, 390);
    panel.setPv("25.3", 1920 * 32 / 808, false);
    auto* pv = panel.findChild<QLabel*>("PVDisp");
    const double small = pv->font().pointSizeF() / pv->width();
    panel.resize(800, 780);
    const double large = pv->font().pointSizeF() / pv->width();
    QVERIFY(std::abs(small - large) / small < 0.05);
    QVERIFY(pv->width() > 300);
}

void TestMonitorUsability::windowCanBeSmallerThanItsContents() {
    WindowRig rig;
    rig.show();
    rig.window->showParameterPanel(true);
    rig.window->setWindowState(Qt::WindowNoState);
    rig.window->resize(520, 400);
    QCoreApplication::processEvents();
    QCOMPARE(rig.window->width(), 520);
    QVERIFY(rig.window->minimumSizeHint().width() <= 520);
    auto* scroll = rig.find<QScrollArea>("MonitorScroll");
    QVERIFY(scroll);
    // what does not fit is reached by scrolling, the front panel and the
    // parameter panel's last box included
    QWidget* client = scroll->widget();
    QVERIFY(client->width() > scroll->viewport()->width());
    QCOMPARE(scroll->horizontalScrollBar()->maximum(),
             client->width() - scroll->viewport()->width());
    for (const char* name : {"ZUA1", "AdjustBox"}) {
        QWidget* w = rig.find(QLatin1String(name));
        const QRect r(w->mapTo(client, QPoint(0, 0)), w->size());
        QVERIFY2(client->rect().contains(r), name);
    }
}

void TestMonitorUsability::frontPanelGrowsWithTheWindowHeight() {
    WindowRig rig;
    rig.show();
    rig.window->setWindowState(Qt::WindowNoState);
    rig.window->resize(1000, 600);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const int low = rig.find("ZUA1")->height();
    rig.window->resize(1400, 1000);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    auto* panel = rig.find<FrontPanel>("ZUA1");
    QVERIFY2(panel->height() > low + 200, qPrintable(QString::number(panel->height())));
    // the picture fills the height, or as much of it as the width allows
    const bool fillsHeight =
        std::abs(panel->scale() * FrontPanel::DesignHeight - panel->height()) <= 2;
    const bool fillsWidth =
        std::abs(panel->scale() * FrontPanel::DesignWidth - panel->width()) <= 2;
    QVERIFY(fillsHeight || fillsWidth);
    QVERIFY(panel->width() <=
            panel->height() * FrontPanel::DesignWidth / FrontPanel::DesignHeight + 2);
}

void TestMonitorUsability::slotIsSelectedFromTheKeyboard() {
    WindowRig rig;
    rig.show();
    rig.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    rig.find<QSpinBox>("ComAddr1")->setValue(2);
    rig.find<QSpinBox>("ComAddr2")->setValue(3);
    for (const char* bt : {"RunBt0", "RunBt1", "RunBt2"})
        QTest::mouseClick(rig.find(QLatin1String(bt)), Qt::LeftButton);
    MonitorEngine& engine = rig.window->engine();
    QVERIFY(rig.runUntil([&] { return engine.model().RequestKind == 2; }, 30000));
    QCOMPARE(int(engine.model().SelectedSlot), 0);

    // Tab reaches the address label; Space selects its slot
    auto* label = rig.find("Adr1Lb");
    QVERIFY(label->focusPolicy() & Qt::TabFocus);
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Space);
    QCOMPARE(int(engine.model().SelectedSlot), 1);
    QCOMPARE(rig.find<ShapePanel>("SelPanel1")->brushColor(), Q(Colour::Yellow));
    // Ctrl+3 selects the third
    QTest::keyClick(rig.window.get(), Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(int(engine.model().SelectedSlot), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(int(engine.model().SelectedSlot), 1); // Enter on the focused label
}

QTEST_MAIN(TestMonitorUsability)
#include "tst_monitor_usability.moc"
