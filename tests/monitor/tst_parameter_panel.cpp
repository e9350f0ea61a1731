// The parameter panel's read-back decoding, layout and access rules, on a
// recording view.
#include "parameter_fakes.h"

#include "core/texts.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestParameterPanel : public QObject {
    Q_OBJECT
  private slots:
    void decimalsOfTheSetValue_data();
    void decimalsOfTheSetValue();
    void familyCDecimalsArePerDevice();
    void rowsByOutputConfiguration_data();
    void rowsByOutputConfiguration();
    void runStopReadBack_data();
    void runStopReadBack();
    void integralTimeChoosesTheOffset_data();
    void integralTimeChoosesTheOffset();
    void boxByControlMethod_data();
    void boxByControlMethod();
    void familyCAccessByLevel_data();
    void familyCAccessByLevel();
    void writePermissionEnablesBoxes_data();
    void writePermissionEnablesBoxes();
    void familyCSwapsTheOutputLists();
    void lockStatusReadBack_data();
    void lockStatusReadBack();
    void kindsKeepValuesForLaterKinds();
    void firstShowingOfThePanel();
    void adjustmentReadBack();
    void shortReplyIsIgnored();
    void menusByFamily();
};

void TestParameterPanel::decimalsOfTheSetValue_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("input");   // A 0x4710
    QTest::addColumn<int>("unit");    // B/C 0x4724
    QTest::addColumn<int>("pointer"); // B 0x4725
    QTest::addColumn<int>("sv");
    QTest::addColumn<QString>("shown");
    QTest::newRow("B point 0 unit C") << 'B' << 0 << 1 << 0 << 1235 << "124";
    QTest::newRow("B point 0 unit F") << 'B' << 0 << 0 << 0 << 1234 << "123";
    QTest::newRow("B point 0 unit EU") << 'B' << 0 << 2 << 0 << 1235 << "1235";
    QTest::newRow("B point 1") << 'B' << 0 << 1 << 1 << 1235 << "123.5";
    QTest::newRow("B point 2") << 'B' << 0 << 1 << 2 << 1235 << "12.35";
    QTest::newRow("B negative") << 'B' << 0 << 1 << 1 << 0xFFF6 << "- 1.0";
    QTest::newRow("A K-Type2") << 'A' << 1 << 0 << 0 << 1235 << "123.5";
    QTest::newRow("A K-Type1") << 'A' << 0 << 0 << 0 << 1235 << "124";
    QTest::newRow("C designed 1") << 'C' << 0 << 1 << 3 << 1235 << "123.5";
}

void TestParameterPanel::decimalsOfTheSetValue() {
    QFETCH(char, family);
    QFETCH(int, input);
    QFETCH(int, unit);
    QFETCH(int, pointer);
    QFETCH(int, sv);
    QFETCH(QString, shown);
    PanelFixture f;
    f.select(family);
    f.view.setListIndex("Pointer", 1); // as designed
    f.regs = {{0x4701, std::uint16_t(sv)}};
    if (family == 'A') {
        f.regs[0x4710] = std::uint16_t(input);
    } else {
        f.regs[0x4724] = std::uint16_t(unit);
        f.regs[0x4725] = std::uint16_t(pointer); // family C does not take it
    }
    f.readBack();
    QCOMPARE(f.view.edit("SV"), shown);
    QCOMPARE(f.slot().SvValue, std::int32_t(std::int16_t(sv)));
}

// Family C's decimals are a choice the program keeps for each device; the
// panel's Pointer list only shows it, and does not carry one device's
// decimals over to the next.
void TestParameterPanel::familyCDecimalsArePerDevice() {
    PanelFixture f;
    const std::map<int, std::uint16_t> b = {{0x4701, 1000}, {0x4724, 1}, {0x4725, 2}, {0x4726, 1}};
    const std::map<int, std::uint16_t> c = {{0x4701, 1000}, {0x4724, 1}, {0x4726, 1}};
    auto show = [&](int i, char family, const std::map<int, std::uint16_t>& regs) {
        DeviceSlot& s = f.model.deviceSlots[std::size_t(i)];
        f.model.SelectedSlot = std::uint8_t(i);
        s.connected = true;
        s.Family = std::uint8_t(family);
        s.ComWriteEnabled = 1;
        s.SecurityLevelCode = 8;
        f.panel.ApplyFamilyLayout(s.Family);
        for (int kind = 10; kind <= 14; ++kind)
            ReplyFromRegisters(f.panel, s, regs, kind);
        return f.view.edit("SV");
    };
    QCOMPARE(show(0, 'B', b), QStringLiteral("10.00"));
    QCOMPARE(f.view.list("Pointer"), 2);
    QCOMPARE(show(1, 'C', c), QStringLiteral("100.0"));
    QCOMPARE(f.view.list("Pointer"), 1);
    QCOMPARE(int(f.model.deviceSlots[1].DecimalPlaces), 1);
    // and the shown text goes back as the same value
    f.editing.RangeHiKeyPress("SV", 13, f.view.edit("SV"));
    QCOMPARE(int(f.model.req.PendingValue), 1000);

    f.editing.CtrlSetCloseUp("Pointer", 3);
    QCOMPARE(show(1, 'C', c), QStringLiteral("1.000"));
    QCOMPARE(show(2, 'C', c), QStringLiteral("100.0")); // another family-C device
    QCOMPARE(show(0, 'B', b), QStringLiteral("10.00"));
    QCOMPARE(show(1, 'C', c), QStringLiteral("1.000"));
    QCOMPARE(f.view.list("Pointer"), 3);
    QCOMPARE(int(f.model.deviceSlots[2].DecimalPlaces), 1);

    // "None" with unit C is shown rounded, and still lists "None"
    f.editing.CtrlSetCloseUp("Pointer", 0);
    QCOMPARE(show(1, 'C', c), QStringLiteral("100"));
    QCOMPARE(f.view.list("Pointer"), 0);
}

void TestParameterPanel::rowsByOutputConfiguration_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("heatCool"); // A 0x4718, B 0x471A
    QTest::addColumn<int>("out1");     // C 0x471A
    QTest::addColumn<int>("out2");     // C 0x471F
    QTest::addColumn<QString>("seen"); // alarm1 alarm2 alarm3 system period1 period2 deadband
    QTest::newRow("C out1 Alarm") << 'C' << 0 << 2 << 0 << "1 0 0 0 0 1 0";
    QTest::newRow("C Heat Cool") << 'C' << 0 << 0 << 1 << "0 0 0 0 1 1 1";
    QTest::newRow("C Heat Heat") << 'C' << 0 << 0 << 0 << "0 0 0 0 1 1 0";
    QTest::newRow("C both Alarm") << 'C' << 0 << 2 << 2 << "1 1 0 0 0 0 0";
    QTest::newRow("C ReTransmission") << 'C' << 0 << 3 << 1 << "0 0 0 0 0 1 0";
    QTest::newRow("B Heat/Cool") << 'B' << 2 << 0 << 0 << "1 1 0 1 1 1 1";
    QTest::newRow("B Cool/Heat") << 'B' << 3 << 0 << 0 << "1 1 0 1 1 1 1";
    QTest::newRow("B Heat") << 'B' << 0 << 0 << 0 << "1 1 1 1 1 0 0";
    QTest::newRow("B Cool") << 'B' << 1 << 0 << 0 << "1 1 1 1 1 0 0";
    QTest::newRow("A Heat/Cool") << 'A' << 2 << 0 << 0 << "1 1 0 0 1 0 0";
}

void TestParameterPanel::rowsByOutputConfiguration() {
    QFETCH(char, family);
    QFETCH(int, heatCool);
    QFETCH(int, out1);
    QFETCH(int, out2);
    QFETCH(QString, seen);
    PanelFixture f;
    f.select(family);
    if (family == 'A') {
        f.regs[0x4718] = std::uint16_t(heatCool);
    } else if (family == 'B') {
        f.regs[0x471A] = std::uint16_t(heatCool);
    } else {
        f.regs[0x471A] = std::uint16_t(out1);
        f.regs[0x471F] = std::uint16_t(out2);
    }
    f.readBack();
    const std::vector<std::vector<std::string>> rows = {
        {"ALM1MLb", "ALM1Mode", "UP1LLb", "UpLimit1", "DN1LLb", "DnLimit1"},
        {"ALM2MLb", "ALM2Mode", "UP2LLb", "UpLimit2", "DN2LLb", "DnLimit2"},
        {"ALM3MLb", "ALM3Mode", "UP3LLb", "UpLimit3", "DN3LLb", "DnLimit3"},
        {"SAlmLb", "SALMode"},
        {"CPeriod1Lb", "HCPeriod1", "PERIOD1Lb", "HCPeriodPID1", "OUTQ1Lb", "OUTQ1", "Hyst1Lb",
         "Hyst1"},
        {"CPeriod2Lb", "HCPeriod2", "PERIOD2Lb", "HCPeriodPID2", "OUTQ2Lb", "OUTQ2", "Hyst2Lb",
         "Hyst2"},
        {"DeadLb1", "DeadBand1", "DeadLb2", "DeadBand2", "CoeffLb", "Coeff"},
    };
    const QStringList expected = seen.split(' ');
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (const std::string& c : rows[r])
            QVERIFY2(f.view.seen(c) == (expected[int(r)] == "1"), c.c_str());
}

void TestParameterPanel::runStopReadBack_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("item");
    QTest::newRow("B 4 is Stop") << 'B' << 4 << 0;
    QTest::newRow("B Run") << 'B' << 1 << 1;
    QTest::newRow("B Hold Program") << 'B' << 3 << 3;
    QTest::newRow("A 4 is Stop") << 'A' << 4 << 0;
    QTest::newRow("C Stop Program") << 'C' << 2 << 2;
}

void TestParameterPanel::runStopReadBack() {
    QFETCH(char, family);
    QFETCH(int, value);
    QFETCH(int, item);
    PanelFixture f;
    f.select(family);
    f.regs[family == 'A' ? 0x4719 : 0x4723] = std::uint16_t(value);
    f.readBack();
    QCOMPARE(f.view.list("RunStop"), item);
    QCOMPARE(int(f.slot().RunStopSeen), value);
}

void TestParameterPanel::integralTimeChoosesTheOffset_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("ti");
    QTest::addColumn<int>("pd");
    QTest::addColumn<int>("io");
    QTest::addColumn<QString>("pdText");
    QTest::addColumn<QString>("ioText");
    QTest::newRow("B Ti 0") << 'B' << 0 << 25 << 7 << "2.5"
                            << "0.7";
    QTest::newRow("B Ti 240") << 'B' << 240 << 25 << 7 << "2.5"
                              << "0.7";
    // family A keeps whole numbers, shown times 10 with one decimal
    QTest::newRow("A Ti 0") << 'A' << 0 << 3 << 0xFFFE << "3.0"
                            << "- 2.0";
    QTest::newRow("A Ti 5") << 'A' << 5 << 3 << 4 << "3.0"
                            << "4.0";
}

void TestParameterPanel::integralTimeChoosesTheOffset() {
    QFETCH(char, family);
    QFETCH(int, ti);
    QFETCH(int, pd);
    QFETCH(int, io);
    QFETCH(QString, pdText);
    QFETCH(QString, ioText);
    PanelFixture f;
    f.select(family);
    if (family == 'A') {
        f.regs = {
            {0x4709, std::uint16_t(ti)}, {0x4713, std::uint16_t(pd)}, {0x470E, std::uint16_t(io)}};
    } else {
        f.regs = {
            {0x470D, std::uint16_t(ti)}, {0x4710, std::uint16_t(pd)}, {0x470F, std::uint16_t(io)}};
    }
    f.readBack();
    QCOMPARE(f.view.seen("PDOffset"), ti == 0);
    QCOMPARE(f.view.seen("PDOffsetLb"), ti == 0);
    QCOMPARE(f.view.seen("IOffset"), ti != 0);
    QCOMPARE(f.view.seen("IOffsetLb"), ti != 0);
    QCOMPARE(f.view.edit("PDOffset"), pdText);
    QCOMPARE(f.view.edit("IOffset"), ioText);
    QCOMPARE(f.view.edit("Ti"), QString::number(ti));
}

void TestParameterPanel::boxByControlMethod_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("atSeen"); // -1: left as it was
    QTest::addColumn<QString>("outq1");
    QTest::addColumn<QString>("outq2");
    QTest::newRow("B PID") << 'B' << 0 << "PIDBox" << 1 << "<unset>"
                           << "<unset>";
    QTest::newRow("B ON-OFF") << 'B' << 1 << "OnOffBox" << 0 << "<unset>"
                              << "<unset>";
    QTest::newRow("B Manual") << 'B' << 2 << "ManuBox" << 0 << "45.5"
                              << "3.0";
    QTest::newRow("A Manual") << 'A' << 2 << "ManuBox" << 0 << "46"
                              << "<unset>";
    QTest::newRow("B Ramp Soak") << 'B' << 3 << "PIDBox" << -1 << "<unset>"
                                 << "<unset>";
    QTest::newRow("B unknown") << 'B' << 9 << "PIDBox" << -1 << "<unset>"
                               << "<unset>";
}

void TestParameterPanel::boxByControlMethod() {
    QFETCH(char, family);
    QFETCH(int, method);
    QFETCH(QString, box);
    QFETCH(int, atSeen);
    QFETCH(QString, outq1);
    QFETCH(QString, outq2);
    PanelFixture f;
    f.select(family);
    f.slot().Out1Percent = 455;
    f.slot().Out2Percent = 30;
    // auto-tuning shown by an earlier method, then left or changed
    f.regs[family == 'A' ? 0x4711 : 0x4719] = 1;
    f.readBack();
    QVERIFY(!f.view.seen("AT"));
    f.regs[family == 'A' ? 0x4711 : 0x4719] = std::uint16_t(method);
    f.readBack();
    for (const char* b : {"PIDBox", "OnOffBox", "ManuBox"})
        QCOMPARE(f.view.seen(b), box == b);
    if (atSeen >= 0) {
        QCOMPARE(f.view.seen("AT"), atSeen == 1);
        QCOMPARE(f.view.seen("ATLb"), atSeen == 1);
    } else {
        QVERIFY(!f.view.seen("AT")); // stays hidden, as ON-OFF left it
    }
    QCOMPARE(f.view.edit("OUTQ1"), outq1);
    QCOMPARE(f.view.edit("OUTQ2"), outq2);
}

void TestParameterPanel::familyCAccessByLevel_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("boxes");
    QTest::addColumn<bool>("sv");
    QTest::addColumn<bool>("at");
    QTest::addColumn<bool>("blanked");
    QTest::addColumn<int>("lock");
    QTest::newRow("Unlock All") << 8 << true << true << true << false << 0;
    QTest::newRow("Read All, SV,AT") << 4 << false << true << true << false << 2;
    QTest::newRow("PV,SV") << 2 << false << true << false << true << 2;
    QTest::newRow("All Lock") << 1 << false << false << false << true << 1;
}

// A locked family-C device is not read back: the engine lays the panel out
// and applies the access state at its decision point.
void TestParameterPanel::familyCAccessByLevel() {
    QFETCH(int, level);
    QFETCH(bool, boxes);
    QFETCH(bool, sv);
    QFETCH(bool, at);
    QFETCH(bool, blanked);
    QFETCH(int, lock);
    PanelFixture f;
    f.select('C', 1, 8);
    f.regs = {{0x4701, 1000}, {0x4720, 2}, {0x4727, 1}, {0x470C, 35}, {0x4704, 4000}};
    f.slot().AtSeen = 1;
    f.readBack(); // first shown while open
    f.slot().SecurityLevelCode = std::uint32_t(level);
    if (level >= 4) {
        f.readBack();
    } else {
        f.panel.ApplyParameterLayout();
        f.panel.ApplyAccessState();
    }
    for (const char* b :
         {"AdjustBox", "AlmBox", "ManuBox", "OnOffBox", "PIDBox", "TempBox", "CtrlBox"})
        QCOMPARE(f.view.isEnabled(b), boxes);
    QCOMPARE(f.view.isEnabled("SV"), sv);
    QCOMPARE(f.view.isEnabled("AT"), at);
    QCOMPARE(f.view.list("LockStatus"), lock);
    const QString na = QString::fromLatin1(text::NotAvailable);
    if (blanked) {
        for (const char* e : {"PVTune", "UpLimit1", "DnLimit3", "OUTQ2", "Hyst1", "Pb", "Ti",
                              "Coeff", "DeadBand1", "HCPeriodPID2"})
            QCOMPARE(f.view.edit(e), na);
        for (const char* l : {"ALM1Mode", "ALM3Mode", "SALMode"}) {
            QCOMPARE(f.view.list(l), -1);
            QCOMPARE(f.view.listTexts[l], na);
        }
        QCOMPARE(f.view.edit("RangeHi"), QString());
        QCOMPARE(f.view.edit("RangeLo"), QString());
        for (const char* l : {"InputB", "Unit", "Pointer", "CtrlSet", "RunStop", "Out1Sel", "AT"})
            QCOMPARE(f.view.list(l), -1);
        QCOMPARE(f.view.edit("SV"), QStringLiteral("100.0")); // the set value stays
    } else {
        QCOMPARE(f.view.edit("Pb"), QStringLiteral("3.5"));
        QCOMPARE(f.view.list("ALM1Mode"), 2);
        QCOMPARE(f.view.list("AT"), 1);
        QCOMPARE(f.view.list("Pointer"), 1); // shows the slot's decimals
    }
}

void TestParameterPanel::writePermissionEnablesBoxes_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWrite"); // A 0x471A, B 0x4726
    QTest::addColumn<bool>("enabled");
    QTest::newRow("A enabled") << 'A' << 1 << true;
    QTest::newRow("A disabled") << 'A' << 0 << false;
    QTest::newRow("B enabled") << 'B' << 1 << true;
    QTest::newRow("B disabled") << 'B' << 0 << false;
}

void TestParameterPanel::writePermissionEnablesBoxes() {
    QFETCH(char, family);
    QFETCH(int, comWrite);
    QFETCH(bool, enabled);
    PanelFixture f;
    f.select(family, 255);
    f.regs[family == 'A' ? 0x471A : 0x4726] = std::uint16_t(comWrite);
    f.readBack();
    QCOMPARE(int(f.slot().ComWriteEnabled), comWrite);
    QCOMPARE(f.view.list("ComWrite"), comWrite);
    for (const char* b : {"AdjustBox", "AlmBox", "PIDBox", "TempBox", "CtrlBox"})
        QCOMPARE(f.view.isEnabled(b), enabled);
    QCOMPARE(f.view.isEnabled("SV"), enabled);
    QCOMPARE(f.view.isEnabled("AT"), enabled);
    QVERIFY(f.view.isEnabled("ComWrite")); // writing can always be switched on
}

void TestParameterPanel::familyCSwapsTheOutputLists() {
    PanelFixture f;
    f.select('B');
    f.readBack();
    QVERIFY(f.view.seen("HeatCool") && !f.view.seen("Out1Sel"));
    QVERIFY(f.view.seen("ComWrite") && !f.view.seen("Out2Sel"));
    QCOMPARE(f.view.captions["HeatCoolLb"], QStringLiteral("Heat/Cool"));
    QCOMPARE(f.view.captions["ComWLb"], QStringLiteral("Com.Write"));
    QVERIFY(!f.view.visible["SecurityPL"]);

    f.select('C');
    f.regs = {{0x471A, 1}, {0x471F, 2}};
    f.readBack();
    QVERIFY(!f.view.seen("HeatCool") && f.view.seen("Out1Sel"));
    QVERIFY(!f.view.seen("ComWrite") && f.view.seen("Out2Sel"));
    QCOMPARE(f.view.list("Out1Sel"), 1);
    QCOMPARE(f.view.list("Out2Sel"), 2);
    QCOMPARE(int(f.slot().HeatCoolCode), 1);
    QCOMPARE(f.view.captions["HeatCoolLb"], QStringLiteral("Out1"));
    QCOMPARE(f.view.captions["ComWLb"], QStringLiteral("Out2"));
    QVERIFY(f.view.visible["SecurityPL"]);
    QCOMPARE(f.securityShown, 1);
    QVERIFY(f.view.seen("InputB") && !f.view.seen("InputA"));

    // with the hidden-mode code in the password box the security box stays away
    f.view.visible.erase("SecurityPL");
    f.accessCode = true;
    f.readBack();
    QVERIFY(f.view.visible.count("SecurityPL") == 0);

    f.select('A');
    f.readBack();
    QVERIFY(f.view.seen("InputA") && !f.view.seen("InputB"));
    QVERIFY(f.view.seen("HeatCool"));
}

void TestParameterPanel::lockStatusReadBack_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("item");
    QTest::newRow("B Not SV") << 'B' << 11 << 2;
    QTest::newRow("B Lock All") << 'B' << 1 << 1;
    QTest::newRow("A 30") << 'A' << 30 << 2;
    QTest::newRow("A 2") << 'A' << 2 << 1;
}

void TestParameterPanel::lockStatusReadBack() {
    QFETCH(char, family);
    QFETCH(int, value);
    QFETCH(int, item);
    PanelFixture f;
    f.select(family);
    f.regs[family == 'A' ? 0x4731 : 0x471E] = std::uint16_t(value);
    f.readBack();
    QCOMPARE(f.view.list("LockStatus"), item);
}

// Values read by one kind and shown by a later one.
void TestParameterPanel::kindsKeepValuesForLaterKinds() {
    PanelFixture f;
    f.select('B');
    f.regs = {{0x4713, 15}, {0x4725, 1},  {0x4724, 1},  {0x4720, 3},  {0x4721, 5},
              {0x4722, 7},  {0x4715, 80}, {0x4716, 10}, {0x4708, 50}, {0x4709, 0xFFCE}};
    f.reply(10);
    QCOMPARE(f.view.list("ALM3Mode"), 7);
    QCOMPARE(f.view.list("Pointer"), 1);
    f.reply(11);
    QCOMPARE(f.view.list("ALM1Mode"), 3);
    QCOMPARE(f.view.list("ALM2Mode"), 5);
    QCOMPARE(f.view.list("Unit"), 1);
    QCOMPARE(f.view.edit("Hyst1"), QStringLiteral("<unset>"));
    f.reply(12);
    f.reply(13);
    QCOMPARE(f.view.edit("Hyst1"), QStringLiteral("1.5"));
    QCOMPARE(f.view.edit("CurrHi"), QStringLiteral("80"));
    QCOMPARE(f.view.edit("CurrLo"), QStringLiteral("10"));
    QCOMPARE(f.view.edit("UpLimit2"), QStringLiteral("<unset>"));
    f.reply(14);
    QCOMPARE(f.view.edit("UpLimit2"), QStringLiteral("5.0"));
    QCOMPARE(f.view.edit("DnLimit2"), QStringLiteral("- 5.0"));
    QCOMPARE(f.panel.values().downLimit[1], -50);
}

void TestParameterPanel::firstShowingOfThePanel() {
    PanelFixture f;
    f.select('B');
    for (int kind = 10; kind <= 13; ++kind)
        f.reply(kind);
    QVERIFY(!f.view.visible.count("ParaPL"));
    f.reply(14);
    QVERIFY(f.view.visible["ParaPL"]);
    QVERIFY(f.model.req.ParameterPanelShown);

    // shown once: the VIEW menu decides afterwards
    f.view.visible["ParaPL"] = false;
    f.readBack();
    QVERIFY(!f.view.visible["ParaPL"]);

    PanelFixture g;
    g.select('A');
    g.model.PvRecordView = true;
    g.readBack();
    QVERIFY(!g.view.visible.count("ParaPL"));
    QVERIFY(!g.model.req.ParameterPanelShown);
}

void TestParameterPanel::adjustmentReadBack() {
    PanelFixture a;
    a.select('A');
    a.regs = {{0x4720, 2},  {0x4721, 0xFFFB}, {0x4722, 1000},
              {0x4723, 12}, {0x4726, 990},    {0x4727, 0xFFFF}};
    a.model.RequestKind = 20;
    a.reply(20);
    QCOMPARE(a.model.RequestKind, 21); // family A has no second block
    QVERIFY(a.model.req.AdjustControlsShown);
    QCOMPARE(a.view.list("OutputType1"), 2);
    QCOMPARE(a.view.edit("RTDOfs"), QStringLiteral("- 0.5"));
    QCOMPARE(a.view.edit("RTDGain"), QStringLiteral("1000"));
    QCOMPARE(a.view.edit("ColdJ"), QStringLiteral("1.2"));
    QCOMPARE(a.view.edit("TCGain"), QStringLiteral("990"));
    QCOMPARE(a.view.edit("TCOfs"), QStringLiteral("- 1"));
    QVERIFY(a.view.seen("ClearBt1") && a.view.seen("RTDOfs"));
    QVERIFY(!a.view.seen("OutputType2") && !a.view.seen("mVOfs"));

    PanelFixture b;
    b.select('B');
    b.regs = {{0x4730, 1}, {0x4731, 2}, {0x4736, 7}, {0x4737, 3}, {0x4738, 2000}};
    b.model.RequestKind = 20;
    b.reply(20);
    QCOMPARE(b.model.RequestKind, 20);
    QVERIFY(!b.model.req.AdjustControlsShown);
    QCOMPARE(b.view.list("OutputType2"), 2);
    QCOMPARE(b.view.edit("ColdJ"), QStringLiteral("0.7"));
    b.reply(21);
    QVERIFY(b.model.req.AdjustControlsShown);
    QCOMPARE(b.view.edit("mVGain"), QStringLiteral("2000"));
    QVERIFY(b.view.seen("OutputType2") && b.view.seen("mVGainLb") && b.view.seen("ClearBt2"));

    b.panel.ShowAdjustControls(false);
    QVERIFY(!b.model.req.AdjustControlsShown);
    for (const char* c : {"OutputType1", "ClearBt1", "mVOfs", "TCGainLb"})
        QVERIFY(!b.view.seen(c));
}

void TestParameterPanel::shortReplyIsIgnored() {
    PanelFixture f;
    f.select('B');
    const std::uint16_t words[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    f.panel.ShowParameterReply(14, words, 3);
    QCOMPARE(f.view.edit("SV"), QStringLiteral("<unset>"));
    QVERIFY(!f.model.req.ParameterPanelShown);
    f.panel.ShowParameterReply(14, words, 7);
    QCOMPARE(f.view.edit("SV"), QStringLiteral("0.7"));
}

void TestParameterPanel::menusByFamily() {
    auto last = [](const PanelFixture& f, MonitorMenu m) {
        for (auto it = f.menus.rbegin(); it != f.menus.rend(); ++it)
            if (it->first == m)
                return int(it->second);
        return -1;
    };
    PanelFixture a;
    a.select('A');
    a.readBack();
    QCOMPARE(last(a, MonitorMenu::RampSoakprogram1), 0);
    QCOMPARE(last(a, MonitorMenu::UPLOAD1), 1);

    PanelFixture c;
    c.select('C', 1, 8);
    c.readBack();
    QCOMPARE(last(c, MonitorMenu::RampSoakprogram1), 1);
    c.slot().SecurityLevelCode = 2;
    c.panel.ApplyParameterLayout();
    QCOMPARE(last(c, MonitorMenu::RampSoakprogram1), 0);
    QCOMPARE(last(c, MonitorMenu::UPLOAD1), 0);
}

QTEST_GUILESS_MAIN(TestParameterPanel)
#include "tst_parameter_panel.moc"
