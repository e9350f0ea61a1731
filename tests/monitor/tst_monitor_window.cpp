// The monitor window's widgets: the display operations the engine calls, the
// front panel per family, the menus and the password box, found by name.
#include "monitor/widgets/front_panel_widget.h"
#include "monitor/widgets/monitor_slot_column.h"
#include "monitor/widgets/parameter_panel_form.h"
#include "monitor_window_rig.h"

#include <QImageReader>
#include <QStatusBar>
#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestMonitorWindow : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        rig = std::make_unique<WindowRig>();
        rig->show();
    }
    void cleanup() { rig.reset(); }

    void opensMaximisedWithTheMenusAsDesigned();
    void everySlotControlExists_data();
    void everySlotControlExists();
    void showSlotConnected_data();
    void showSlotConnected();
    void resetSlotRestoresTheIdleColumn();
    void highlightSelectionFramesTheSlot();
    void statusLampColours_data();
    void statusLampColours();
    void slotOutputsShowWhatTheyAreGiven();
    void pvFontAndTexts();
    void frontPanelPerFamily_data();
    void frontPanelPerFamily();
    void ledShiftsDoNotAddUpOverShowings();
    void panelLedColours();
    void resetFrontPanelBlanksIt();
    void picturesAreTheDesignedJpegs();
    void passwordBoxProbeInAndOut();
    void hiddenModeCode_data();
    void hiddenModeCode();
    void clrBtResetsOnlyItsSlot();
    void menuEnablingFollowsTheEngine();
    void portOpenErrorIsShownInABox();
    void noticesGoToTheStatusLine();

  private:
    std::unique_ptr<WindowRig> rig;
    TPMonitor& w() { return *rig->window; }
    static QString n(const char* role, int slot) {
        return QLatin1String(role) + QString::number(slot);
    }
};

void TestMonitorWindow::opensMaximisedWithTheMenusAsDesigned() {
    QCOMPARE(w().windowTitle(), QStringLiteral("Monitor"));
    QVERIFY(w().windowState() & Qt::WindowMaximized);
    QCOMPARE(rig->app.ScaleWidth, w().scaleWidth());
    QVERIFY(rig->app.ScaleWidth > 0);

    struct Item {
        const char* name;
        const char* caption;
        bool enabled;
    };
    const Item items[] = {
        {"OPEN1", "OPEN", true},
        {"SAVE1", "SAVE", false},
        {"SAVEAS1", "SAVE AS", false},
        {"Device01", "DEVICE 1", true},
        {"Device11", "DEVICE 2", true},
        {"Device21", "DEVICE 3", true},
        {"Device31", "DEVICE 4", true},
        {"UPLOAD1", "UPLOAD", false},
        {"DOWNLOAD1", "WRITE TO SELECTED DEVICE", false},
        {"WRITEALL", "WRITE TO ALL CONNECTED DEVICE", false},
        {"RampSoakprogram1", "RAMP SOAK PROGRAM", false},
        {"SETTING1", "SETTING", true},
        {"RECORD1", "PV RECORD", true},
        {"Close2", "OK", true},
        {"Cancel1", "CANCEL", true},
    };
    for (const Item& i : items) {
        QAction* a = rig->action(i.name);
        QVERIFY2(a, i.name);
        QCOMPARE(a->text(), QLatin1String(i.caption));
        QVERIFY2(a->isEnabled() == i.enabled, i.name);
    }
    QCOMPARE(rig->action("WRITEALL")->statusTip(), QStringLiteral("Broadcast function"));
    QVERIFY(rig->action("SETTING1")->isCheckable());
    QVERIFY(rig->action("RECORD1")->isCheckable());

    const struct {
        const char* name;
        const char* caption;
        bool enabled;
    } menus[] = {{"FILE1", "FILE", false},
                 {"Device2", "DEVICE", true},
                 {"PARAMETER1", "PARAMETERS", false},
                 {"VIEW1", "VIEW", false},
                 {"Close1", "EXIT", true}};
    for (const auto& m : menus) {
        QMenu* menu = rig->menu(m.name);
        QVERIFY2(menu, m.name);
        QCOMPARE(menu->title(), QLatin1String(m.caption));
        QVERIFY2(menu->menuAction()->isEnabled() == m.enabled, m.name);
    }
}

void TestMonitorWindow::everySlotControlExists_data() {
    QTest::addColumn<int>("slot");
    for (int s = 0; s < 4; ++s)
        QTest::addRow("slot %d", s) << s;
}

void TestMonitorWindow::everySlotControlExists() {
    QFETCH(int, slot);
    for (const char* role : {"SelPanel", "StatusBG", "PVPL", "SVPL", "AlarmPl", "StatusPl"})
        QVERIFY2(rig->find(n(role, slot)), qPrintable(n(role, slot)));
    for (const char* role : {"RunLED", "ALM1LED", "ALM2LED", "ALM3LED", "EV1LED", "EV2LED"})
        QVERIFY2(rig->lamp(n(role, slot)), qPrintable(n(role, slot)));
    QVERIFY(rig->find(n("RunLED", slot))->parentWidget() == rig->find(n("StatusBG", slot)));
    QVERIFY(rig->find(n("PV", slot))->parentWidget() == rig->find(n("PVPL", slot)));
    QVERIFY(rig->find(n("DegLb", slot))->parentWidget() == rig->find(n("PVPL", slot)));
    QVERIFY(rig->find(n("SV", slot))->parentWidget() == rig->find(n("SVPL", slot)));
    QVERIFY(rig->find(n("CT", slot))->parentWidget() == rig->find(n("StatusPl", slot)));

    auto* address = rig->find<QSpinBox>(n("ComAddr", slot));
    QVERIFY(address);
    QCOMPARE(address->minimum(), 1);
    QCOMPARE(address->maximum(), 247);
    QCOMPARE(address->value(), 1);
    QCOMPARE(rig->text(QStringLiteral("Adr%1Lb").arg(slot)), QStringLiteral("Address"));
    QCOMPARE(rig->text(n("RunBt", slot)), QStringLiteral("Connect"));
    QCOMPARE(rig->find<ShapePanel>(n("PVPL", slot))->caption(), QStringLiteral(" PV"));
    QCOMPARE(rig->find<ShapePanel>(n("SVPL", slot))->caption(), QStringLiteral(" SV"));
    QCOMPARE(rig->text(n("DegLb", slot)), QStringLiteral("C"));
    for (int a = 1; a <= 3; ++a)
        QCOMPARE(rig->text(QStringLiteral("ALM%1LB%2").arg(a).arg(slot)),
                 QStringLiteral("Alarm %1").arg(a));
    for (int o = 1; o <= 2; ++o) {
        QCOMPARE(rig->text(QStringLiteral("O%1Lb%2").arg(o).arg(slot)),
                 QStringLiteral("Out%1").arg(o));
        auto* g = rig->find<Gauge>(QStringLiteral("OUT%1%2").arg(o).arg(slot));
        QVERIFY(g);
        QCOMPARE(g->maxValue(), 1000);
    }
    QCOMPARE(rig->text(QStringLiteral("EV1Lb%1").arg(slot)), QStringLiteral("Event 1"));
    QCOMPARE(rig->text(QStringLiteral("EV2Lb%1").arg(slot)), QStringLiteral("Event 2"));
    // shown: every showing resets the column
    QCOMPARE(rig->text(n("CT", slot)), QStringLiteral("CT = 0A"));
    QVERIFY(rig->find(n("StatusPl", slot))->isHidden());
}

void TestMonitorWindow::showSlotConnected_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("connected");
    for (int s = 0; s < 4; ++s) {
        QTest::addRow("slot %d connected", s) << s << true;
        QTest::addRow("slot %d disconnected", s) << s << false;
    }
}

void TestMonitorWindow::showSlotConnected() {
    QFETCH(int, slot);
    QFETCH(bool, connected);
    const char* menus[4] = {"Device01", "Device11", "Device21", "Device31"};
    // from the opposite state, so that a missing update shows
    w().showSlotConnected(slot, !connected);
    w().showSlotConnected(slot, connected);
    const QString device = QStringLiteral("DEVICE %1").arg(slot + 1);
    QCOMPARE(rig->action(menus[slot])->text(), connected ? device + " (ACTIVE)" : device);
    QCOMPARE(rig->text(n("RunBt", slot)),
             connected ? QStringLiteral("Cancel") : QStringLiteral("Connect"));
    QCOMPARE(LabelBackground(rig->find<QLabel>(QStringLiteral("Adr%1Lb").arg(slot))),
             Q(connected ? Colour::SkyBlue : Colour::Grey));
    QCOMPARE(rig->lampColour(n("RunLED", slot)), Q(connected ? Colour::Green : Colour::Grey));
    // the other slots keep their captions
    for (int other = 0; other < 4; ++other)
        if (other != slot)
            QCOMPARE(rig->action(menus[other])->text(), QStringLiteral("DEVICE %1").arg(other + 1));
}

void TestMonitorWindow::resetSlotRestoresTheIdleColumn() {
    const int slot = 2;
    w().showSlotConnected(slot, true);
    w().highlightSelection(slot, true);
    w().setSlotPv(slot, "123.4", 10);
    w().setSlotSv(slot, "100.0");
    OutputsShown all;
    all.alarm3Visible = true;
    all.out1Position = 500;
    all.out2Position = 700;
    w().setSlotOutputs(slot, all);
    w().setSlotAlarmLamps(slot, true, true, true);
    QVERIFY(!rig->find(n("OUT1", slot))->isHidden());
    QVERIFY(!rig->find(n("ALM3LED", slot))->isHidden());

    w().resetSlot(slot);
    QCOMPARE(rig->action("Device21")->text(), QStringLiteral("DEVICE 3"));
    QCOMPARE(rig->text(n("RunBt", slot)), QStringLiteral("Connect"));
    QCOMPARE(rig->lampColour(n("RunLED", slot)), Q(Colour::Grey));
    QCOMPARE(rig->text(n("PV", slot)), QStringLiteral("0"));
    QCOMPARE(rig->text(n("SV", slot)), QStringLiteral("0"));
    for (const char* c : {"O1Lb", "O2Lb", "OUT1", "OUT2", "StatusPl", "ALM3LED", "ALM3LB"})
        QVERIFY2(rig->find(n(c, slot))->isHidden(), c);
    QCOMPARE(rig->find<Gauge>(n("OUT1", slot))->progress(), 0);
    QCOMPARE(rig->find<Gauge>(n("OUT2", slot))->progress(), 0);
    for (const char* c : {"ALM1LED", "ALM2LED", "ALM3LED", "EV1LED", "EV2LED"})
        QCOMPARE(rig->lampColour(n(c, slot)), Q(Colour::Silver));
    QCOMPARE(rig->text(n("CT", slot)), QStringLiteral("CT = 0A"));
    QCOMPARE(rig->find<ShapePanel>(n("SelPanel", slot))->brushColor(), Q(Colour::Silver));
    // the neighbours are untouched
    QCOMPARE(rig->find<ShapePanel>(n("SelPanel", 1))->brushColor(), Q(Colour::Silver));
}

void TestMonitorWindow::highlightSelectionFramesTheSlot() {
    w().colourStatusLamp(1, Colour::Red);
    w().highlightSelection(1, true);
    QCOMPARE(rig->find<ShapePanel>(n("SelPanel", 1))->brushColor(), Q(Colour::Yellow));
    QCOMPARE(rig->lampColour(n("RunLED", 1)), Q(Colour::Green));
    QCOMPARE(rig->find<ShapePanel>(n("SelPanel", 0))->brushColor(), Q(Colour::Silver));
    w().colourStatusLamp(1, Colour::Red);
    w().highlightSelection(1, false);
    QCOMPARE(rig->find<ShapePanel>(n("SelPanel", 1))->brushColor(), Q(Colour::Silver));
    QCOMPARE(rig->lampColour(n("RunLED", 1)), Q(Colour::Green));
}

void TestMonitorWindow::statusLampColours_data() {
    QTest::addColumn<int>("colour");
    QTest::addColumn<QColor>("rgb");
    QTest::newRow("green") << int(Colour::Green) << QColor(0, 255, 0);
    QTest::newRow("red") << int(Colour::Red) << QColor(255, 0, 0);
    QTest::newRow("yellow") << int(Colour::Yellow) << QColor(255, 255, 0);
    QTest::newRow("blue") << int(Colour::Blue) << QColor(0, 0, 255);
    QTest::newRow("grey") << int(Colour::Grey) << QColor(128, 128, 128);
}

void TestMonitorWindow::statusLampColours() {
    QFETCH(int, colour);
    QFETCH(QColor, rgb);
    for (int s = 0; s < 4; ++s) {
        w().colourStatusLamp(s, Colour(colour));
        QCOMPARE(rig->lampColour(n("RunLED", s)), rgb);
    }
}

void TestMonitorWindow::slotOutputsShowWhatTheyAreGiven() {
    OutputsShown o;
    o.out1Visible = true;
    o.out2Visible = false;
    o.out1Label = Colour::Blue;
    o.out1Bar = Colour::SkyBlue;
    o.out1Position = 437;
    o.alarm1Visible = false;
    o.alarm2Visible = true;
    o.alarm3Visible = true;
    w().setSlotOutputs(3, o);
    QVERIFY(!rig->find(n("O1Lb", 3))->isHidden());
    QVERIFY(rig->find(n("O2Lb", 3))->isHidden());
    QVERIFY(rig->find(n("OUT2", 3))->isHidden());
    QCOMPARE(LabelTextColour(rig->find<QLabel>(n("O1Lb", 3))), QColor(0, 0, 255));
    QCOMPARE(rig->find<Gauge>(n("OUT1", 3))->progress(), 437);
    QVERIFY(rig->find(n("ALM1LED", 3))->isHidden());
    QVERIFY(rig->find(n("ALM1LB", 3))->isHidden());
    QVERIFY(!rig->find(n("ALM3LED", 3))->isHidden());
    QVERIFY(!rig->find(n("ALM3LB", 3))->isHidden());

    w().setSlotAlarmLamps(3, false, true, false);
    QCOMPARE(rig->lampColour(n("ALM1LED", 3)), Q(Colour::Silver));
    QCOMPARE(rig->lampColour(n("ALM2LED", 3)), Q(Colour::Red));
    QCOMPARE(rig->lampColour(n("ALM3LED", 3)), Q(Colour::Silver));
    w().setSlotUnit(3, "EU");
    QCOMPARE(rig->text(n("DegLb", 3)), QStringLiteral("EU"));

    // the front panel's outputs beside the picture
    w().setPanelOutputs(o);
    QVERIFY(!rig->find("O1Lb")->isHidden());
    QVERIFY(!rig->find("Out1Qty")->isHidden());
    QVERIFY(rig->find("O2Lb")->isHidden());
    QVERIFY(rig->find("Out2Qty")->isHidden());
    QCOMPARE(rig->find<Gauge>("Out1Qty")->progress(), 437);
    QCOMPARE(rig->find<Gauge>("Out1Qty")->maxValue(), 1000);
}

void TestMonitorWindow::pvFontAndTexts() {
    w().setSlotPv(0, "Waiting...", 7);
    QCOMPARE(rig->text("PV0"), QStringLiteral("Waiting..."));
    QCOMPARE(rig->find("PV0")->font().pointSize(), 7);
    w().setSlotSv(0, "- 20.0");
    QCOMPARE(rig->text("SV0"), QStringLiteral("- 20.0"));

    // The sizes are for the panel at its reference scale; the picture may be
    // larger or smaller, and its displays with it.
    auto* panel = rig->find<FrontPanel>("ZUA1");
    const double k = panel->scale() / panel->referenceScale();
    w().setPanelPv("Over range", 14, true);
    auto* pv = rig->find<QLabel>("PVDisp");
    QCOMPARE(pv->text(), QStringLiteral("Over range"));
    QCOMPARE(pv->font().pointSizeF(), 14 * k);
    QVERIFY(pv->alignment() & Qt::AlignHCenter);
    w().setPanelPv("25.3", 32, false);
    QVERIFY(pv->alignment() & Qt::AlignRight);
    QCOMPARE(pv->font().pointSizeF(), 32 * k);
    w().setPanelSvText("01:02:05");
    w().setPanelSvFontSize(24);
    QCOMPARE(rig->text("SVDisp"), QStringLiteral("01:02:05"));
    QCOMPARE(rig->find("SVDisp")->font().pointSizeF(), 24 * k);
    // red on black and green on black
    QCOMPARE(LabelTextColour(pv), QColor(255, 0, 0));
    QCOMPARE(LabelBackground(pv), QColor(Qt::black));
    QCOMPARE(LabelTextColour(rig->find<QLabel>("SVDisp")), QColor(0, 255, 0));
}

void TestMonitorWindow::frontPanelPerFamily_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<bool>("pictureA");
    QTest::addColumn<bool>("extraLeds");
    QTest::addColumn<int>("atShift");
    QTest::addColumn<int>("o1Shift");
    QTest::addColumn<int>("alm2Shift");
    // families B and C move them by 10, 20 and 5 picture pixels, scaled with
    // the panel
    QTest::newRow("A") << 'A' << true << false << 0 << 0 << 0;
    QTest::newRow("B") << 'B' << false << true << 10 << 20 << 5;
    QTest::newRow("C") << 'C' << false << true << 10 << 20 << 5;
}

void TestMonitorWindow::frontPanelPerFamily() {
    QFETCH(char, family);
    QFETCH(bool, pictureA);
    QFETCH(bool, extraLeds);
    QFETCH(int, atShift);
    QFETCH(int, o1Shift);
    QFETCH(int, alm2Shift);
    const double scale = rig->find<FrontPanel>("ZUA1")->scale();
    const auto shifted = [scale](int from, int now, int by) {
        return std::abs((from - now) / scale - by) <= 1.5;
    };

    QWidget* zua = rig->find("ZUA1");
    const int atX = rig->find("ATLED")->x(), o1X = rig->find("O1LED")->x(),
              alm2X = rig->find("ALM2LED")->x();
    // start from the other layout so that every part has to change
    w().engine().status().ApplyFrontPanelLayout(family == 'A' ? 'B' : 'A');
    w().engine().status().ApplyFrontPanelLayout(std::uint8_t(family));

    const QObjectList& z = zua->children(); // back to front
    const int a = int(z.indexOf(rig->find("ImeA1"))), b = int(z.indexOf(rig->find("ImeB1")));
    QVERIFY(a >= 0 && b >= 0);
    QCOMPARE(a > b, pictureA);
    // the LEDs and displays stay above both pictures
    for (const char* over : {"ATLED", "O1LED", "ALM1LED", "DegC", "PVDisp", "SVDisp"})
        QVERIFY2(z.indexOf(rig->find(over)) > std::max(a, b), over);
    QCOMPARE(!rig->find("ALM3LED")->isHidden(), extraLeds);
    QCOMPARE(!rig->find("O2LED")->isHidden(), extraLeds);
    QVERIFY(shifted(atX, rig->find("ATLED")->x(), atShift));
    QVERIFY(shifted(o1X, rig->find("O1LED")->x(), o1Shift));
    QVERIFY(shifted(alm2X, rig->find("ALM2LED")->x(), alm2Shift));
}

void TestMonitorWindow::ledShiftsDoNotAddUpOverShowings() {
    const int atX = rig->find("ATLED")->x();
    w().engine().status().ApplyFrontPanelLayout('C');
    const int atC = rig->find("ATLED")->x();
    QVERIFY(atC < atX);
    // shown again while the family-C layout is in place
    w().close();
    rig->show();
    w().engine().status().ApplyFrontPanelLayout('C');
    QCOMPARE(rig->find("ATLED")->x(), atC);
    w().engine().status().ApplyFrontPanelLayout('A');
    QCOMPARE(rig->find("ATLED")->x(), atX);
}

void TestMonitorWindow::panelLedColours() {
    PanelLeds leds;
    leds.ALM1LED = true;
    leds.DegC = true;
    leds.O1LED = true;
    w().setPanelLeds(leds);
    QCOMPARE(rig->lampColour("ALM1LED"), Q(Colour::Red));
    QCOMPARE(rig->lampColour("DegC"), Q(Colour::Yellow));
    QCOMPARE(rig->lampColour("O1LED"), Q(Colour::Green));
    for (const char* off : {"ALM2LED", "ALM3LED", "DegF", "O2LED", "ATLED"})
        QCOMPARE(rig->lampColour(off), Q(Colour::Grey));

    PanelLeds others;
    others.ALM2LED = others.ALM3LED = others.DegF = others.O2LED = others.ATLED = true;
    w().setPanelLeds(others);
    for (const char* red : {"ALM2LED", "ALM3LED"})
        QCOMPARE(rig->lampColour(red), Q(Colour::Red));
    QCOMPARE(rig->lampColour("DegF"), Q(Colour::Yellow));
    QCOMPARE(rig->lampColour("O2LED"), Q(Colour::Green));
    QCOMPARE(rig->lampColour("ATLED"), Q(Colour::Green));
    for (const char* off : {"ALM1LED", "DegC", "O1LED"})
        QCOMPARE(rig->lampColour(off), Q(Colour::Grey));
}

void TestMonitorWindow::resetFrontPanelBlanksIt() {
    w().setPanelPv("25.3", 32, false);
    w().setPanelSvText("30.0");
    PanelLeds all{true, true, true, true, true, true, true, true};
    w().setPanelLeds(all);
    OutputsShown o;
    w().setPanelOutputs(o);
    w().showParameterPanel(true);
    QVERIFY(!rig->find("ParaPL")->isHidden());

    w().resetFrontPanel();
    QCOMPARE(rig->text("PVDisp"), QString());
    QCOMPARE(rig->text("SVDisp"), QString());
    for (const char* led :
         {"ATLED", "O1LED", "O2LED", "ALM1LED", "ALM2LED", "ALM3LED", "DegC", "DegF"})
        QCOMPARE(rig->lampColour(led), Q(Colour::Grey));
    for (const char* hidden : {"ParaPL", "DrawIme", "O1Lb", "O2Lb", "Out1Qty", "Out2Qty"})
        QVERIFY2(rig->find(hidden)->isHidden(), hidden);
}

void TestMonitorWindow::picturesAreTheDesignedJpegs() {
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{":/monitor/front_panel_a.jpg", {193, 188}},
                    {":/monitor/front_panel_bc.jpg", {193, 185}}};
    for (const auto& p : pictures) {
        QImageReader reader(QLatin1String(p.name));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), p.size);
        QVERIFY2(!reader.read().isNull(), p.name);
    }
    auto* imeA = rig->find<QLabel>("ImeA1");
    auto* imeB = rig->find<QLabel>("ImeB1");
    QVERIFY(!imeA->pixmap().isNull());
    QVERIFY(!imeB->pixmap().isNull());
    // stretched over the panel as far as its proportions allow
    QWidget* zua = rig->find("ZUA1");
    QVERIFY(zua->rect().contains(imeA->geometry()));
    QCOMPARE(imeA->pos(), QPoint(0, 0));
    QVERIFY(imeA->width() == zua->width() || imeA->height() == zua->height());
    QVERIFY(std::abs(imeA->width() * 188 - imeA->height() * 193) <= 193 + 188);
    QCOMPARE(imeB->geometry(), imeA->geometry());
}

void TestMonitorWindow::passwordBoxProbeInAndOut() {
    w().showParameterPanel(true);
    QWidget* fw = rig->find("FWVersion");
    auto* edit = rig->find<QLineEdit>("PassEdit");
    QVERIFY(fw && edit && rig->find("PassLb"));
    QCOMPARE(rig->text("PassLb"), QStringLiteral("Password"));
    QVERIFY(!edit->isVisible());
    QVERIFY(!rig->find("DebugPL")->isVisible());
    QVERIFY(!rig->find("ErrMessage")->isVisible());

    QTest::mouseDClick(fw, Qt::LeftButton);
    QVERIFY(edit->isVisible());
    QCOMPARE(rig->find("PassBox")->geometry(), fw->geometry());

    QTest::keyClicks(edit, "probe in");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(rig->find("DebugPL")->isVisible());
    QVERIFY(rig->find("ErrMessage")->isVisible());
    QCOMPARE(rig->text("ErrMessage"), QStringLiteral("NO Error !!!"));
    QCOMPARE(LabelBackground(rig->find<QLabel>("ErrMessage")), QColor(0, 128, 128));
    // the firmware panel covers the box again; the text stays
    QVERIFY(!edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("probe in"));

    QTest::mouseDClick(fw, Qt::LeftButton);
    edit->clear();
    QTest::keyClicks(edit, "probe out");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!rig->find("DebugPL")->isVisible());
    QVERIFY(!rig->find("ErrMessage")->isVisible());

    // a case-different text is "any other text"
    QTest::mouseDClick(fw, Qt::LeftButton);
    edit->setText(QStringLiteral("Probe In"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!rig->find("DebugPL")->isVisible());

    // the label puts the firmware panel in front without entering anything
    QTest::mouseDClick(fw, Qt::LeftButton);
    QVERIFY(edit->isVisible());
    QTest::mouseClick(rig->find("PassLb"), Qt::LeftButton);
    QVERIFY(!edit->isVisible());
    QVERIFY(fw->isVisible());
}

void TestMonitorWindow::hiddenModeCode_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWrite");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("C, code") << 'C' << 0 << "XQT" << true;
    QTest::newRow("B writable, code") << 'B' << 1 << "XQT" << true;
    QTest::newRow("B not writable, code") << 'B' << 0 << "XQT" << false;
    QTest::newRow("A writable, lower case") << 'A' << 1 << "xqt" << false;
    QTest::newRow("C, empty text") << 'C' << 0 << "" << false;
}

void TestMonitorWindow::hiddenModeCode() {
    QFETCH(char, family);
    QFETCH(int, comWrite);
    QFETCH(QString, entered);
    QFETCH(bool, hidden);
    MonitorModel& m = w().engine().model();
    m.SelectedSlot = 1;
    m.deviceSlots[1].Family = std::uint8_t(family);
    m.deviceSlots[1].ComWriteEnabled = std::uint16_t(comWrite);
    const bool wasHidden = family == 'B' && comWrite == 0; // stays as it was: on
    m.req.HiddenMode = wasHidden;
    m.req.ParameterRefresh = false;
    w().showParameterPanel(true);
    w().parameterForm().setControlVisible("SecurityPL", family == 'C');

    rig->find<QLineEdit>("PassEdit")->setText(entered);
    w().PassEditKeyPress();
    QCOMPARE(m.req.HiddenMode, hidden || wasHidden);
    QCOMPARE(m.req.ParameterRefresh, hidden);
    if (family == 'C')
        QCOMPARE(rig->find("SecurityPL")->isHidden(), hidden);
    QVERIFY(!rig->find("PassEdit")->isVisible());
}

void TestMonitorWindow::clrBtResetsOnlyItsSlot() {
    MonitorModel& m = w().engine().model();
    for (int s = 0; s < 4; ++s) {
        m.deviceSlots[s].execCount = 10 + s;
        m.deviceSlots[s].errorCount = s == 0 || s == 2 ? 3 : 0;
        w().setExecCount(s, m.deviceSlots[s].execCount);
        w().setErrCount(s, m.deviceSlots[s].errorCount);
    }
    w().showDebugDisplay(true);
    QTest::mousePress(rig->find("ClrBt0"), Qt::LeftButton);
    QTest::mouseRelease(rig->find("ClrBt0"), Qt::LeftButton);
    QCOMPARE(rig->text("ExecCnt0"), QStringLiteral("0"));
    QCOMPARE(rig->text("ErrCnt0"), QStringLiteral("0"));
    QCOMPARE(m.deviceSlots[0].execCount, 0u);
    QCOMPARE(rig->text("ExecCnt1"), QStringLiteral("11"));
    QCOMPARE(rig->text("ExecCnt2"), QStringLiteral("12"));
    QCOMPARE(rig->text("ErrCnt2"), QStringLiteral("3"));
    QCOMPARE(rig->text("ExecCnt3"), QStringLiteral("13"));
    QCOMPARE(rig->text("ErrMessage"), QStringLiteral("NO Error !!!"));

    // the last error count cleared: "No Error" on green
    QTest::mousePress(rig->find("ClrBt2"), Qt::LeftButton);
    QCOMPARE(rig->text("ErrCnt2"), QStringLiteral("0"));
    QCOMPARE(rig->text("ExecCnt1"), QStringLiteral("11"));
    QCOMPARE(rig->text("ErrMessage"), QStringLiteral("No Error"));
    QCOMPARE(LabelBackground(rig->find<QLabel>("ErrMessage")), Q(Colour::Green));
}

void TestMonitorWindow::menuEnablingFollowsTheEngine() {
    w().enableMenu(MonitorMenu::FILE1, true);
    QVERIFY(rig->menu("FILE1")->menuAction()->isEnabled());
    w().enableMenu(MonitorMenu::UPLOAD1, true);
    QVERIFY(rig->action("UPLOAD1")->isEnabled());
    QVERIFY(!rig->action("DOWNLOAD1")->isEnabled());
    w().checkMenu(MonitorMenu::SETTING1, true);
    QVERIFY(rig->action("SETTING1")->isChecked());
    w().checkMenu(MonitorMenu::RECORD1, true);
    QVERIFY(rig->action("RECORD1")->isChecked());
    QVERIFY(!rig->action("SETTING1")->isChecked());
    // both unchecked, as a closed window has them
    w().checkMenu(MonitorMenu::RECORD1, false);
    QVERIFY(!rig->action("RECORD1")->isChecked());
    QVERIFY(!rig->action("SETTING1")->isChecked());
    w().enableTimer1(true);
    QVERIFY(w().timer1().enabled());
    QCOMPARE(w().timer1().interval(), 1000);
    w().enableTimer1(false);
    QVERIFY(!w().timer1().enabled());
}

void TestMonitorWindow::portOpenErrorIsShownInABox() {
    WindowRig missing(2);
    missing.show();
    QTest::mouseClick(missing.find("RunBt0"), Qt::LeftButton);
    QCOMPARE(missing.dialogs.shown().size(), 1);
    QVERIFY(!missing.dialogs.messages().first().isEmpty());
    QCOMPARE(missing.window->statusBar()->currentMessage(), missing.dialogs.messages().first());
}

void TestMonitorWindow::noticesGoToTheStatusLine() {
    w().notice(QStringLiteral("Writing Pb = 12.0"));
    QCOMPARE(w().statusBar()->currentMessage(), QStringLiteral("Writing Pb = 12.0"));
    w().setErrMessage(QStringLiteral("Writing data compare fail !!!"));
    QCOMPARE(rig->text("ErrMessage"), QStringLiteral("Writing data compare fail !!!"));
    w().showWriteNotEchoed();
    QVERIFY(w().statusBar()->currentMessage().contains(QStringLiteral("did not echo")));
    // A slot the engine dropped: which, and why; ErrMessage keeps its text.
    w().showSlotDropped(1, 7, "4 replies in a row with a wrong checksum");
    QCOMPARE(w().statusBar()->currentMessage(),
             QStringLiteral("DEVICE 2 (address 7) disconnected: 4 replies in a row with a wrong "
                            "checksum"));
    QCOMPARE(rig->text("ErrMessage"), QStringLiteral("Writing data compare fail !!!"));
    rig->dialogs.pushAnswer(true);
    QVERIFY(w().confirm(QStringLiteral("Will clear factory setting, continue anyway ?")));
    QVERIFY(!w().confirm(QStringLiteral("Will clear factory setting, continue anyway ?")));
    QCOMPARE(rig->dialogs.shown().size(), 2);
}

QTEST_MAIN(TestMonitorWindow)
#include "tst_monitor_window.moc"
