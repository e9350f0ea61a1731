// The status decoders of kinds 1..8 on their own: register values in, slot
// values and display operations out.
#include "core/app_state.h"
#include "core/clock.h"
#include "core/texts.h"
#include "monitor/logic/recording_monitor_view.h"
#include "monitor/logic/status_display.h"

#include <QtTest>

using namespace zu;

namespace {

class NoLines : public LineFactory {
  public:
    std::unique_ptr<SerialLine> create(const QString&) override { return nullptr; }
};

struct Fixture {
    VirtualClock clock;
    NoLines lines;
    AppState app{clock, lines, PortDirectory{}};
    MonitorModel model;
    RecordingMonitorView view;
    StatusDisplay status{app, model, view};

    explicit Fixture(char family, int decimals = 1, int scaleWidth = 808) {
        app.ScaleWidth = scaleWidth;
        DeviceSlot& s = model.deviceSlots[0];
        s.connected = true;
        s.Family = std::uint8_t(family);
        s.DecimalPlaces = std::uint16_t(decimals);
        if (family == 'C')
            s.SecurityLevelCode = 8;
        model.SelectedSlot = 0;
    }
    DeviceSlot& slot() { return model.deviceSlots[0]; }
    void decode(int kind, std::vector<std::uint16_t> v) {
        status.Decode(kind, 0, v.data(), int(v.size()));
    }
    // PV and SV words in the layout of the family's kind-3 request.
    void pvsv(std::uint16_t pv, std::uint16_t sv, std::uint16_t o1 = 0, std::uint16_t o2 = 0) {
        if (slot().Family == 'A' || slot().cLocked())
            decode(3, {pv, sv});
        else
            decode(3, {pv, sv, o1, o2});
    }
};

} // namespace

class TestStatusDisplay : public QObject {
    Q_OBJECT
  private slots:
    void pvAndSvTexts_data();
    void pvAndSvTexts();
    void pvErrorTexts_data();
    void pvErrorTexts();
    void decimalsFromKind1_data();
    void decimalsFromKind1();
    void familyAStatusByte();
    void ledBitsOfOtherFamilies();
    void outputsAndAlarmsPerFamily_data();
    void outputsAndAlarmsPerFamily();
    void programDisplay_data();
    void programDisplay();
    void programRunningKeepsSvReadout();
    void runByteAsksForReadBack_data();
    void runByteAsksForReadBack();
    void frontPanelLayout_data();
    void frontPanelLayout();
    void replyOfOtherSizeOrSlotIsIgnored();
    void debugStripFromKind6();
};

void TestStatusDisplay::pvAndSvTexts_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("pv");
    QTest::addColumn<int>("sv");
    QTest::addColumn<QString>("pvText");
    QTest::addColumn<QString>("svText");
    QTest::newRow("negative PV, one decimal") << 'B' << 1 << 0xFF38 << 250 << "- 20.0"
                                              << "25.0";
    QTest::newRow("tenths rounded up") << 'B' << 255 << 235 << 234 << "24"
                                       << "23";
    QTest::newRow("family A, two decimals") << 'A' << 2 << 1234 << 5 << "12.34"
                                            << "0.05";
    QTest::newRow("family C, no decimals") << 'C' << 0 << 0x8000 - 1 << 0 << "32767"
                                           << "0";
    QTest::newRow("code 4 shows nothing") << 'B' << 4 << 100 << 100 << ""
                                          << "";
}

void TestStatusDisplay::pvAndSvTexts() {
    QFETCH(char, family);
    QFETCH(int, decimals);
    QFETCH(int, pv);
    QFETCH(int, sv);
    QFETCH(QString, pvText);
    QFETCH(QString, svText);
    Fixture f(family, decimals, 808 * 2);
    f.pvsv(std::uint16_t(pv), std::uint16_t(sv));
    QCOMPARE(QString::fromStdString(f.view.column[0].pv), pvText);
    QCOMPARE(QString::fromStdString(f.view.column[0].sv), svText);
    QCOMPARE(f.view.column[0].pvFontSize, 20);
    QCOMPARE(QString::fromStdString(f.view.panelPv), pvText);
    QCOMPARE(f.view.panelPvFontSize, 64);
    QVERIFY(!f.view.panelPvCentred);
    QCOMPARE(QString::fromStdString(f.view.panelSv), svText);
}

void TestStatusDisplay::pvErrorTexts_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("code"); // B, C: the PV word; A: the kind-2 status word
    QTest::addColumn<QString>("text");
    QTest::newRow("B waiting") << 'B' << 0x8001 << text::Waiting;
    QTest::newRow("B no connect") << 'B' << 0x8003 << text::NoConnect;
    QTest::newRow("C input error") << 'C' << 0x8006 << text::InputError;
    QTest::newRow("B over range") << 'B' << 0x8005 << text::OverRange;
    QTest::newRow("B memory fail") << 'B' << 0x8007 << text::MemoryFail;
    QTest::newRow("B other code blank") << 'B' << 0x800C << "";
    QTest::newRow("A input error") << 'A' << 4 << text::InputError;
}

void TestStatusDisplay::pvErrorTexts() {
    QFETCH(char, family);
    QFETCH(int, code);
    QFETCH(QString, text);
    Fixture f(family, 1);
    if (family == 'A') {
        f.decode(2, {0, 0, 0, std::uint16_t(code)});
        f.pvsv(250, 300);
    } else {
        f.pvsv(std::uint16_t(code), 300);
    }
    QCOMPARE(QString::fromStdString(f.view.column[0].pv), text);
    QCOMPARE(f.view.column[0].pvFontSize, 8);
    QCOMPARE(QString::fromStdString(f.view.panelPv), text);
    QVERIFY(f.view.panelPvCentred);
    QCOMPARE(f.view.panelPvFontSize, 14);
    QCOMPARE(f.view.column[0].sv, std::string("30.0")); // SV still shown
    // A valid reading afterwards shows the number again.
    if (family == 'A')
        f.decode(2, {0, 0, 0, 0});
    f.pvsv(250, 300);
    QCOMPARE(f.view.column[0].pv, std::string("25.0"));
    QVERIFY(!f.view.panelPvCentred);
}

void TestStatusDisplay::decimalsFromKind1_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("w0");
    QTest::addColumn<int>("w1");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("rampSoakMenu");
    QTest::newRow("A K-Type2") << 'A' << 0 << 1 << 1 << false;
    QTest::newRow("A K-Type1") << 'A' << 0 << 0 << 255 << false;
    QTest::newRow("A Pt100-3") << 'A' << 4 << 15 << 1 << false;
    QTest::newRow("B point 2") << 'B' << 1 << 2 << 2 << false;
    QTest::newRow("B no point, unit C") << 'B' << 1 << 0 << 255 << false;
    QTest::newRow("B no point, unit EU") << 'B' << 2 << 0 << 0 << false;
    QTest::newRow("C unlock all") << 'C' << (8 << 3 | 1) << 0 << 1 << true;
    QTest::newRow("C PV,SV") << 'C' << (2 << 3) << 0 << 1 << false;
}

void TestStatusDisplay::decimalsFromKind1() {
    QFETCH(char, family);
    QFETCH(int, w0);
    QFETCH(int, w1);
    QFETCH(int, decimals);
    QFETCH(bool, rampSoakMenu);
    Fixture f(family, 3);
    if (family == 'C')
        f.decode(1, {std::uint16_t(w0)});
    else
        f.decode(1, {std::uint16_t(w0), std::uint16_t(w1)});
    QCOMPARE(int(f.slot().DecimalPlaces), decimals);
    QCOMPARE(f.view.enabled[MonitorMenu::RampSoakprogram1], rampSoakMenu);
    QCOMPARE(f.view.enabled[MonitorMenu::UPLOAD1], family != 'C' || rampSoakMenu);
    if (family == 'A')
        QCOMPARE(int(f.slot().HeatCoolCode), (w0 & 4) ? 1 : 0);
    if (family == 'C')
        QCOMPARE(int(f.slot().SecurityLevelCode), (w0 >> 3) & 15);
}

void TestStatusDisplay::familyAStatusByte() {
    Fixture f('A');
    f.decode(4, {0, 1, 1, 0x0320, 0x20, 1, 0, 0}); // status byte with only bit 5
    QCOMPARE(f.view.column[0].alarms, (std::array<bool, 3>{true, false, false}));
    QVERIFY(f.view.leds.ALM1LED);
    QVERIFY(f.view.leds.O2LED);
    QVERIFY(!f.view.leds.ALM2LED && !f.view.leds.O1LED && !f.view.leds.ATLED);
    QVERIFY(!f.view.leds.DegC && !f.view.leds.DegF && !f.view.leds.ALM3LED);
    QCOMPARE(f.view.column[0].unit, std::string("EU"));
    // Bits 2 and 3 trade places: old bit 3 is the C lamp.
    f.decode(6, {0x08, 1, 0});
    QVERIFY(f.view.leds.DegC);
    QCOMPARE(f.view.column[0].unit, std::string("C"));
    // Old bit 4 is alarm 2.
    f.decode(6, {0x10, 1, 0});
    QCOMPARE(f.view.column[0].alarms, (std::array<bool, 3>{false, true, false}));
    QCOMPARE(f.slot().FirmwareVersion, std::uint16_t(0x0320));
}

void TestStatusDisplay::ledBitsOfOtherFamilies() {
    Fixture f('B');
    f.decode(4, {0xC9, 1, 0x0150, 0, 0, 0, 0, 0}); // bits 0, 3, 6, 7
    QCOMPARE(f.view.column[0].alarms, (std::array<bool, 3>{false, false, true}));
    QCOMPARE(f.view.column[0].unit, std::string("F"));
    QVERIFY(f.view.leds.ALM3LED && f.view.leds.DegF && f.view.leds.O1LED && f.view.leds.ATLED);
    QVERIFY(!f.view.leds.O2LED && !f.view.leds.ALM1LED);
    // The same byte again draws nothing; a selection forces a redraw.
    const int before = f.view.count("leds");
    f.decode(4, {0xC9, 1, 0x0150, 0, 0, 0, 0, 0});
    QCOMPARE(f.view.count("leds"), before);
    f.slot().StatusByte = 255;
    f.decode(4, {0xC9, 1, 0x0150, 0, 0, 0, 0, 0});
    QCOMPARE(f.view.count("leds"), before + 1);
}

void TestStatusDisplay::outputsAndAlarmsPerFamily_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("heatCool");
    QTest::addColumn<int>("out1Function");
    QTest::addColumn<int>("out2Function");
    QTest::addColumn<QString>("visible"); // out1 out2 alarm1 alarm2 alarm3
    QTest::addColumn<QString>("colours"); // label1 bar1 label2 bar2
    QTest::newRow("A heat") << 'A' << 0 << 0 << 0 << "10110"
                            << "red fuchsia blue skyblue";
    QTest::newRow("A cool") << 'A' << 1 << 0 << 0 << "10110"
                            << "blue skyblue red fuchsia";
    QTest::newRow("B one output") << 'B' << 1 << 0 << 0 << "10111"
                                  << "blue skyblue red fuchsia";
    QTest::newRow("B heat/cool") << 'B' << 2 << 0 << 0 << "11110"
                                 << "red fuchsia blue skyblue";
    QTest::newRow("B cool/heat") << 'B' << 3 << 0 << 0 << "11110"
                                 << "blue skyblue red fuchsia";
    QTest::newRow("C out1 alarm") << 'C' << 0 << 2 << 1 << "01100"
                                  << "blue skyblue blue skyblue";
    QTest::newRow("C heat, cool") << 'C' << 0 << 0 << 1 << "11000"
                                  << "red fuchsia blue skyblue";
    QTest::newRow("C both alarms") << 'C' << 0 << 2 << 2 << "00110"
                                   << "blue skyblue blue skyblue";
    QTest::newRow("C retransmission") << 'C' << 0 << 3 << 0 << "11000"
                                      << "blue skyblue red fuchsia";
}

void TestStatusDisplay::outputsAndAlarmsPerFamily() {
    QFETCH(char, family);
    QFETCH(int, heatCool);
    QFETCH(int, out1Function);
    QFETCH(int, out2Function);
    QFETCH(QString, visible);
    QFETCH(QString, colours);
    Fixture f(family);
    if (family == 'C') {
        f.decode(2, {std::uint16_t(out1Function), 0, 0, 0, 0, std::uint16_t(out2Function)});
    } else {
        f.slot().HeatCoolCode = std::uint16_t(heatCool);
    }
    f.slot().Out1Percent = 0; // family A takes output 1 from kinds 4 and 6
    f.pvsv(250, 300, 1234, 456);
    const OutputsShown& o = f.view.column[0].outputs;
    const QString got = QString("%1%2%3%4%5")
                            .arg(int(o.out1Visible))
                            .arg(int(o.out2Visible))
                            .arg(int(o.alarm1Visible))
                            .arg(int(o.alarm2Visible))
                            .arg(int(o.alarm3Visible));
    QCOMPARE(got, visible);
    QCOMPARE(QString("%1 %2 %3 %4")
                 .arg(ColourName(o.out1Label), ColourName(o.out1Bar), ColourName(o.out2Label),
                      ColourName(o.out2Bar)),
             colours);
    if (family != 'A') {
        QCOMPARE(o.out1Position, 1000); // beyond the gauge's range: full
        QCOMPARE(o.out2Position, 456);
    }
    QCOMPARE(f.view.panelOutputs, o); // the selected slot's front panel follows
}

void TestStatusDisplay::programDisplay_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("w1");
    QTest::addColumn<int>("w2");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("fontSize");
    QTest::newRow("pattern-step") << 0 << 0 << 0 << 3 << 12 << "012-03" << 32;
    QTest::newRow("pattern-step small") << 0 << 0 << 0 << 5 << 3 << "03-05" << 32;
    QTest::newRow("time left") << 2 << 3725 << 62 << 0 << 0 << "01:02:05" << 24;
    QTest::newRow("SV") << 1 << 0 << 0 << 0 << 0 << "30.0" << 32;
    QTest::newRow("unknown mode") << 7 << 0 << 0 << 0 << 0 << "" << 32;
}

void TestStatusDisplay::programDisplay() {
    QFETCH(int, mode);
    QFETCH(int, w1);
    QFETCH(int, w2);
    QFETCH(int, step);
    QFETCH(int, pattern);
    QFETCH(QString, text);
    QFETCH(int, fontSize);
    Fixture f('B');
    f.slot().SvValue = 300;
    f.slot().ProgramRunning = 1;
    f.decode(8, {std::uint16_t(mode), std::uint16_t(w1), std::uint16_t(w2), std::uint16_t(step),
                 std::uint16_t(pattern)});
    QCOMPARE(QString::fromStdString(f.view.column[0].sv), text);
    QCOMPARE(QString::fromStdString(f.view.panelSv), text);
    QCOMPARE(f.view.panelSvFontSize, fontSize);
    QVERIFY(f.view.programDisplayShown);
    QCOMPARE(f.view.programDisplayMode, mode);
}

void TestStatusDisplay::programRunningKeepsSvReadout() {
    Fixture f('B');
    f.decode(4, {0, 1, 0x0150, 1, 0, 0, 0, 0}); // program running
    QCOMPARE(f.slot().ProgramRunning, std::uint16_t(1));
    f.decode(8, {0, 0, 0, 2, 1});
    f.pvsv(250, 300);
    QCOMPARE(f.view.column[0].sv, std::string("01-02"));
    QCOMPARE(f.view.panelSv, std::string("01-02"));
    QVERIFY(f.view.programDisplayShown);
    // The program ends: SV is shown again and ProgDisp gives way to the SV edit.
    f.decode(4, {0, 1, 0x0150, 0, 0, 0, 0, 0});
    f.pvsv(250, 300);
    QCOMPARE(f.view.column[0].sv, std::string("30.0"));
    QCOMPARE(f.view.panelSv, std::string("30.0"));
    QVERIFY(!f.view.programDisplayShown);
    QCOMPARE(f.view.panelSvFontSize, 32);
}

void TestStatusDisplay::runByteAsksForReadBack_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("run");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("refresh");
    QTest::newRow("B kind 4 bit 0 clear") << 'B' << 4 << 0 << true << true;
    QTest::newRow("B kind 4 bit 0 set") << 'B' << 4 << 1 << true << false;
    QTest::newRow("B not selected") << 'B' << 4 << 0 << false << false;
    QTest::newRow("A kind 6 bit 0 clear") << 'A' << 6 << 2 << true << true;
    QTest::newRow("C never") << 'C' << 4 << 0 << true << false;
}

void TestStatusDisplay::runByteAsksForReadBack() {
    QFETCH(char, family);
    QFETCH(int, kind);
    QFETCH(int, run);
    QFETCH(bool, selected);
    QFETCH(bool, refresh);
    Fixture f(family);
    if (!selected) {
        f.model.SelectedSlot = 1;
        f.model.deviceSlots[1].connected = true;
    }
    const std::uint16_t r = std::uint16_t(run);
    if (kind == 4)
        f.decode(4, family == 'A' ? std::vector<std::uint16_t>{0, 0, 1, 0, 0, r, 0, 0}
                                  : std::vector<std::uint16_t>{0, r, 0, 0, 0, 0, 0, 0});
    else
        f.decode(6, {0, r, 0});
    QCOMPARE(f.model.req.ParameterRefresh, refresh);
}

void TestStatusDisplay::frontPanelLayout_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("scaleWidth");
    QTest::addColumn<bool>("pictureA");
    QTest::addColumn<QList<int>>("shifts");
    QTest::newRow("A") << 'A' << 1616 << true << QList<int>{0, 0, 0};
    QTest::newRow("B scaled") << 'B' << 1616 << false << QList<int>{20, 40, 10};
    QTest::newRow("B design width") << 'B' << 798 << false << QList<int>{9, 19, 4};
    QTest::newRow("C scaled as B") << 'C' << 1616 << false << QList<int>{20, 40, 10};
    QTest::newRow("C on a 1920 screen") << 'C' << 1920 << false << QList<int>{23, 47, 11};
}

void TestStatusDisplay::frontPanelLayout() {
    QFETCH(char, family);
    QFETCH(int, scaleWidth);
    QFETCH(bool, pictureA);
    QFETCH(QList<int>, shifts);
    Fixture f(family, 1, scaleWidth);
    f.status.ApplyFrontPanelLayout(std::uint8_t(family));
    QCOMPARE(f.view.layout.pictureA, pictureA);
    QCOMPARE(f.view.layout.alarm3AndOut2Leds, !pictureA);
    QCOMPARE(f.view.layout.atLedShift, shifts[0]);
    QCOMPARE(f.view.layout.o1LedShift, shifts[1]);
    QCOMPARE(f.view.layout.alm2LedShift, shifts[2]);
}

void TestStatusDisplay::replyOfOtherSizeOrSlotIsIgnored() {
    Fixture f('B');
    f.pvsv(250, 300);
    f.view.clearLog();
    f.decode(3, {999, 999}); // family B asks for 4 words
    f.model.deviceSlots[0].connected = false;
    f.pvsv(111, 111); // not connected
    QVERIFY(f.view.log.empty());
    QCOMPARE(f.slot().PvValue, 250);
}

void TestStatusDisplay::debugStripFromKind6() {
    Fixture f('B');
    f.decode(4, {0, 1, 0, 0, 0, 0, 0xFFF6, 1234}); // cold junction -1.0, voltage 1234
    f.decode(6, {0, 0, 0, 0, 0, 0, 1});
    QCOMPARE(f.view.uv, std::string("1234"));
    QCOMPARE(f.view.coldShow, std::string("- 1.0"));
}

QTEST_GUILESS_MAIN(TestStatusDisplay)
#include "tst_status_display.moc"
