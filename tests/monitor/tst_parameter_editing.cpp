// Single-register writes from the parameter panel: what goes into the write
// queue (and so on the wire), what is refused, and what the technician is told.
#include "parameter_fakes.h"

#include "core/codec.h"
#include "core/texts.h"

#include <QtTest>
#include <algorithm>

using namespace zu;
using namespace zu::test;

namespace {

bool isList(const QString& control) {
    const auto lists = ParameterEditing::Lists();
    return std::any_of(lists.begin(), lists.end(), [&](std::string_view l) {
        return QString::fromLatin1(l.data(), qsizetype(l.size())) == control;
    });
}

QString asciiFrame(const EngineRequests& r) {
    const std::vector<std::uint8_t> f =
        codec::BuildRequest(false, 1, 0x06, r.PendingRegister, r.PendingValue);
    return QString::fromLatin1(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()))
        .trimmed();
}

} // namespace

class TestParameterEditing : public QObject {
    Q_OBJECT
  private slots:
    void change_data();
    void change();
    void onlyEnterActs();
    void panelAcceptsItsOwnNegativeText_data();
    void panelAcceptsItsOwnNegativeText();
    void pointerOfFamilyCIsADisplayChoice();
    void familyCWritesWhatItsSecurityLevelAllows_data();
    void familyCWritesWhatItsSecurityLevelAllows();
    void laterChangeReplacesAnUnsentOne();
    void noWriteDuringTransfersOrSecurityChanges_data();
    void noWriteDuringTransfersOrSecurityChanges();
    void factoryCommands_data();
    void factoryCommands();
    void noDevice();
    void handlesEveryListAndBox();
};

void TestParameterEditing::change_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWrite");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input"); // item number of a list, text of a box
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("unlock");
    QTest::addColumn<bool>("errMessage");
    QTest::addColumn<QString>("frame"); // ASCII request to address 1, when known
    QTest::addColumn<QString>("notice");

    // lists
    QTest::newRow("B Not SV") << 'B' << 1 << "LockStatus"
                              << "2" << true << 0x471E << 11 << false << false << ":0106471E000B89"
                              << "Writing Lock Status = Not SV";
    QTest::newRow("C Not SV") << 'C' << 1 << "LockStatus"
                              << "2" << true << 0x471E << 11 << false << false << ":0106471E000B89"
                              << "";
    QTest::newRow("A Not SV") << 'A' << 1 << "LockStatus"
                              << "2" << true << 0x4731 << 11 << false << false << ":01064731000B76"
                              << "";
    QTest::newRow("A Lock All") << 'A' << 1 << "LockStatus"
                                << "1" << true << 0x4731 << 1 << false << false << ""
                                << "";
    QTest::newRow("B alarm mode") << 'B' << 1 << "ALM1Mode"
                                  << "5" << true << 0x4720 << 5 << false << false << ""
                                  << "Writing Alarm 1 Mode = Absolute Up-Down Limit";
    QTest::newRow("A alarm mode") << 'A' << 1 << "ALM2Mode"
                                  << "13" << true << 0x4716 << 13 << false << false << ""
                                  << "";
    QTest::newRow("B Pointer writes") << 'B' << 1 << "Pointer"
                                      << "2" << true << 0x4725 << 2 << false << false << ""
                                      << "";
    QTest::newRow("C Out2Sel") << 'C' << 1 << "Out2Sel"
                               << "2" << true << 0x471F << 2 << false << false << ""
                               << "";
    QTest::newRow("A same item again") << 'A' << 1 << "CtrlSet"
                                       << "0" << true << 0x4711 << 0 << false << false << ""
                                       << "";
    QTest::newRow("B type 1 unlocks") << 'B' << 1 << "OutputType1"
                                      << "2" << true << 0x4730 << 2 << true << false << ""
                                      << "";
    QTest::newRow("A type 1 unlocks") << 'A' << 1 << "OutputType1"
                                      << "5" << true << 0x4720 << 5 << true << false << ""
                                      << "";
    QTest::newRow("B type 1 disabled: unlock only")
        << 'B' << 0 << "OutputType1"
        << "1" << false << 0 << 0 << true << false << ""
        << "Output Type1 not sent: communication write is disabled on the device (only the "
           "unlock was sent)";
    QTest::newRow("C type 2 disabled: unlock only") << 'C' << 0 << "OutputType2"
                                                    << "1" << false << 0 << 0 << true << false << ""
                                                    << "";
    QTest::newRow("B ComWrite Enable while disabled")
        << 'B' << 0 << "ComWrite"
        << "1" << true << 0x4726 << 1 << false << false << ":0106472600018B"
        << "Writing Com.Write = Enable";
    QTest::newRow("A ComWrite Enable while disabled")
        << 'A' << 0 << "ComWrite"
        << "1" << true << 0x471A << 1 << false << false << ""
        << "";
    QTest::newRow("B other list while disabled")
        << 'B' << 0 << "CtrlSet"
        << "1" << false << 0 << 0 << false << false << ""
        << "Ctrl. Method not sent: communication write is disabled on the device";
    QTest::newRow("A list before the first read")
        << 'A' << 255 << "RunStop"
        << "1" << false << 0 << 0 << false << false << ""
        << "Run/Stop not sent: the device's communication write setting is not read yet";
    QTest::newRow("list with no item") << 'B' << 1 << "Unit"
                                       << "-1" << false << 0 << 0 << false << false << ""
                                       << "Unit not sent: no item chosen";
    QTest::newRow("A has no ALM3Mode") << 'A' << 1 << "ALM3Mode"
                                       << "1" << false << 0 << 0 << false << false << ""
                                       << "";

    // edit boxes
    QTest::newRow("B Ti -5") << 'B' << 1 << "Ti"
                             << "-5" << true << 0x470D << 0xFFFB << false << false
                             << ":0106470DFFFBAB"
                             << "Writing Ti = -5";
    QTest::newRow("C Ti -5") << 'C' << 1 << "Ti"
                             << "-5" << true << 0x470D << 0xFFFB << false << false
                             << ":0106470DFFFBAB"
                             << "";
    QTest::newRow("A Ti -5") << 'A' << 1 << "Ti"
                             << "-5" << true << 0x4709 << 0xFFFB << false << false << ""
                             << "";
    QTest::newRow("Ti 12.7 truncates")
        << 'B' << 1 << "Ti"
        << "12.7" << true << 0x470D << 12 << false << false << ":0106470D000C99"
        << "";
    QTest::newRow("Ti -12.7 toward zero")
        << 'B' << 1 << "Ti"
        << "-12.7" << true << 0x470D << 0xFFF4 << false << false << ""
        << "";
    QTest::newRow("Coeff 1.25") << 'B' << 1 << "Coeff"
                                << "1.25" << true << 0x4711 << 125 << false << false
                                << ":01064711007D24"
                                << "";
    QTest::newRow("Coeff 1.2") << 'B' << 1 << "Coeff"
                               << "1.2" << true << 0x4711 << 120 << false << false
                               << ":01064711007829"
                               << "";
    QTest::newRow("Coeff 1") << 'C' << 1 << "Coeff"
                             << "1" << true << 0x4711 << 100 << false << false << ":0106471100643D"
                             << "";
    QTest::newRow("A PDOffset 2.5")
        << 'A' << 1 << "PDOffset"
        << "2.5" << true << 0x4713 << 2 << false << false << ":0106471300029D"
        << "";
    QTest::newRow("B PDOffset 2.5")
        << 'B' << 1 << "PDOffset"
        << "2.5" << true << 0x4710 << 25 << false << false << ":01064710001989"
        << "";
    QTest::newRow("C PDOffset 2.5")
        << 'C' << 1 << "PDOffset"
        << "2.5" << true << 0x4710 << 25 << false << false << ":01064710001989"
        << "";
    QTest::newRow("A IOffset 2.5") << 'A' << 1 << "IOffset"
                                   << "2.5" << true << 0x470E << 2 << false << false << ""
                                   << "";
    QTest::newRow("B IOffset 2.5") << 'B' << 1 << "IOffset"
                                   << "2.5" << true << 0x470F << 25 << false << false << ""
                                   << "";
    QTest::newRow("A OUTQ1 whole") << 'A' << 1 << "OUTQ1"
                                   << "50.5" << true << 0x472A << 50 << false << false << ""
                                   << "";
    QTest::newRow("B OUTQ1 tenths") << 'B' << 1 << "OUTQ1"
                                    << "50.5" << true << 0x4702 << 505 << false << false << ""
                                    << "";
    QTest::newRow("SV 100") << 'B' << 1 << "SV"
                            << "100" << true << 0x4701 << 1000 << false << false
                            << ":0106470103E8C6"
                            << "Writing SV = 100";
    QTest::newRow("SV 100.0") << 'A' << 1 << "SV"
                              << "100.0" << true << 0x4701 << 1000 << false << false
                              << ":0106470103E8C6"
                              << "";
    QTest::newRow("SV blanks around") << 'B' << 1 << "SV"
                                      << " 12.5" << true << 0x4701 << 125 << false << false << ""
                                      << "";
    QTest::newRow("HCPeriodPID2") << 'B' << 1 << "HCPeriodPID2"
                                  << "20" << true << 0x471C << 20 << false << false << ""
                                  << "";
    QTest::newRow("DeadBand2") << 'C' << 1 << "DeadBand2"
                               << "1.5" << true << 0x4712 << 15 << false << false << ""
                               << "";
    QTest::newRow("PVTune unlocks") << 'B' << 1 << "PVTune"
                                    << "-1.5" << true << 0x471D << 0xFFF1 << true << false << ""
                                    << "";
    QTest::newRow("A ColdJ unlocks") << 'A' << 1 << "ColdJ"
                                     << "0.3" << true << 0x4723 << 3 << true << false << ""
                                     << "";
    QTest::newRow("C mVGain") << 'C' << 1 << "mVGain"
                              << "1200" << true << 0x4738 << 1200 << true << false << ""
                              << "";
    QTest::newRow("PVTune disabled: unlock, no write")
        << 'B' << 0 << "PVTune"
        << "1.5" << false << 0 << 0 << true << true << ""
        << "";
    QTest::newRow("SV disabled") << 'A' << 0 << "SV"
                                 << "50" << false << 0 << 0 << false << true << ""
                                 << "SV not sent: communication write is disabled on the device";
    QTest::newRow("SV before the first read")
        << 'B' << 255 << "SV"
        << "50" << false << 0 << 0 << false << true << ""
        << "SV not sent: the device's communication write setting is not read yet";
    QTest::newRow("A has no Coeff") << 'A' << 1 << "Coeff"
                                    << "1.5" << false << 0 << 0 << false << true << ""
                                    << "P Coefficient not sent: this device has no such parameter";
    QTest::newRow("A has no UpLimit3") << 'A' << 1 << "UpLimit3"
                                       << "10" << false << 0 << 0 << false << true << ""
                                       << "";
    QTest::newRow("letters") << 'B' << 1 << "SV"
                             << "12a" << false << 0 << 0 << false << false << ""
                             << "SV not sent: \"12a\" is not a number";
    QTest::newRow("second point") << 'B' << 1 << "SV"
                                  << "1.2.3" << false << 0 << 0 << false << false << ""
                                  << "";
    QTest::newRow("junk after the number") << 'B' << 1 << "SV"
                                           << "12.3x" << false << 0 << 0 << false << false << ""
                                           << "";
    QTest::newRow("blank after the number") << 'B' << 1 << "SV"
                                            << "12 " << false << 0 << 0 << false << false << ""
                                            << "";
    QTest::newRow("more decimals than the box holds")
        << 'B' << 1 << "SV"
        << "12.34" << true << 0x4701 << 123 << false << false << ""
        << "";
    QTest::newRow("N/A") << 'C' << 1 << "Pb"
                         << "N/A" << false << 0 << 0 << false << false << ""
                         << "";
    QTest::newRow("negative as the panel shows it")
        << 'B' << 1 << "SV"
        << "- 15.0" << true << 0x4701 << 0xFF6A << false << false << ":01064701FF6A48"
        << "Writing SV = - 15.0";
    QTest::newRow("blank inside the digits") << 'B' << 1 << "SV"
                                             << "1 5" << false << 0 << 0 << false << false << ""
                                             << "";
    QTest::newRow("minus and blank alone") << 'B' << 1 << "SV"
                                           << "- " << false << 0 << 0 << false << false << ""
                                           << "";
    QTest::newRow("minus twice") << 'B' << 1 << "SV"
                                 << "- -5" << false << 0 << 0 << false << false << ""
                                 << "";
    QTest::newRow("empty is no number") << 'B' << 1 << "SV"
                                        << "" << false << 0 << 0 << false << false << ""
                                        << "";
    QTest::newRow("lone minus") << 'B' << 1 << "RangeLo"
                                << "-" << false << 0 << 0 << false << false << ""
                                << "";
    QTest::newRow("bad text in an unlock box") << 'B' << 1 << "RTDOfs"
                                               << "x" << false << 0 << 0 << false << false << ""
                                               << "";
    QTest::newRow("too big for a register") << 'B' << 1 << "SV"
                                            << "9999" << false << 0 << 0 << false << false << ""
                                            << "SV not sent: 9999 does not fit in a register";
    QTest::newRow("Coeff too big") << 'B' << 1 << "Coeff"
                                   << "999.9" << false << 0 << 0 << false << false << ""
                                   << "";
    QTest::newRow("largest tenths") << 'B' << 1 << "RangeHi"
                                    << "3276.7" << true << 0x4704 << 32767 << false << false << ""
                                    << "";
    QTest::newRow("integer box keeps 9999")
        << 'B' << 1 << "CurrHi"
        << "9999" << true << 0x4715 << 9999 << false << false << ""
        << "";
}

void TestParameterEditing::change() {
    QFETCH(char, family);
    QFETCH(int, comWrite);
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(bool, write);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(bool, unlock);
    QFETCH(bool, errMessage);
    QFETCH(QString, frame);
    QFETCH(QString, notice);

    PanelFixture f;
    f.select(family, comWrite);
    const std::string name = control.toStdString();
    if (isList(control)) {
        f.editing.CtrlSetCloseUp(name, input.toInt());
    } else {
        QVERIFY(f.editing.RangeHiKeyPress(name, 13, input));
    }
    const EngineRequests& r = f.model.req;
    QCOMPARE(r.WritePending, write);
    QCOMPARE(r.UnlockPending, unlock);
    if (write) {
        QCOMPARE(int(r.PendingRegister), reg);
        QCOMPARE(int(r.PendingValue), value);
        QVERIFY(!r.ParameterRefresh); // the engine reads back after the echo
        if (!frame.isEmpty())
            QCOMPARE(asciiFrame(r), frame);
    } else {
        // the queue is left alone, and the read-back restores the panel
        QCOMPARE(int(r.PendingRegister), 0);
        QCOMPARE(int(r.PendingValue), 0);
        QVERIFY(r.ParameterRefresh || control == "ALM3Mode");
        QCOMPARE(f.host.notices.size(), 1);
    }
    QCOMPARE(f.host.errMessage,
             errMessage ? QString::fromLatin1(text::IllegalFunctionOnWrongModel) : QString());
    if (!notice.isEmpty())
        QCOMPARE(f.host.lastNotice(), notice);
    QVERIFY(f.host.questions.isEmpty());
}

void TestParameterEditing::onlyEnterActs() {
    PanelFixture f;
    f.select('B');
    QVERIFY(!f.editing.RangeHiKeyPress("SV", '5', QStringLiteral("5")));
    QVERIFY(!f.editing.RangeHiKeyPress("SV", 10, QStringLiteral("5")));
    QVERIFY(!f.model.req.WritePending && !f.model.req.ParameterRefresh);
    QVERIFY(f.host.notices.isEmpty());
    QVERIFY(f.editing.RangeHiKeyPress("SV", 13, QStringLiteral("5")));
    QVERIFY(f.model.req.WritePending);
}

void TestParameterEditing::panelAcceptsItsOwnNegativeText_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value"); // register word, read and written back
    QTest::addColumn<QString>("shown");
    QTest::newRow("B SV one decimal") << 'B' << "SV" << 0x4701 << 0xFF6A << "- 15.0";
    QTest::newRow("A SV rounded") << 'A' << "SV" << 0x4701 << 0xFF6A << "- 15";
    QTest::newRow("B range low") << 'B' << "RangeLo" << 0x4705 << 0xFF38 << "- 20.0";
    QTest::newRow("C alarm limit") << 'C' << "DnLimit1" << 0x4707 << 0xFFFB << "- 0.5";
    QTest::newRow("B integral time") << 'B' << "Ti" << 0x470D << 0xFFFB << "- 5";
    QTest::newRow("B PV offset") << 'B' << "PVTune" << 0x471D << 0xFFF1 << "- 1.5";
    QTest::newRow("B P coefficient") << 'B' << "Coeff" << 0x4711 << 0xFF85 << "- 1.23";
}

// Enter on a value just as the panel shows it sends that value back.
void TestParameterEditing::panelAcceptsItsOwnNegativeText() {
    QFETCH(char, family);
    QFETCH(QString, box);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(QString, shown);
    PanelFixture f;
    f.select(family);
    f.regs = {{reg, std::uint16_t(value)}};
    if (family == 'A')
        f.regs[0x471A] = 1; // writing on
    else
        f.regs.insert({{0x4724, 1}, {0x4725, 1}, {0x4726, 1}});
    f.readBack();
    const std::string name = box.toStdString();
    QCOMPARE(f.view.edit(name), shown);
    f.model.req.ParameterRefresh = false;
    QVERIFY(f.editing.RangeHiKeyPress(name, 13, f.view.edit(name)));
    const EngineRequests& r = f.model.req;
    QVERIFY2(r.WritePending, qPrintable(f.host.lastNotice()));
    QCOMPARE(int(r.PendingRegister), reg);
    QCOMPARE(int(r.PendingValue), value);
    QVERIFY(!r.ParameterRefresh);
    QCOMPARE(f.host.lastNotice(), QStringLiteral("Writing %1 = %2").arg(PanelCaption(name), shown));
}

// Family C keeps the decimals as the program's own display choice.
void TestParameterEditing::pointerOfFamilyCIsADisplayChoice() {
    PanelFixture f;
    f.select('C');
    f.regs = {{0x4701, 1234}, {0x4724, 1}, {0x4726, 1}};
    f.readBack();
    QCOMPARE(f.view.edit("SV"), QStringLiteral("123.4"));

    f.view.setListIndex("Pointer", 2); // the user picks "2"
    f.editing.CtrlSetCloseUp("Pointer", 2);
    QVERIFY(!f.model.req.WritePending && !f.model.req.UnlockPending);
    QVERIFY(f.model.req.ParameterRefresh);
    QCOMPARE(int(f.slot().DecimalPlaces), 2);
    QVERIFY(f.host.lastNotice().contains("nothing sent"));
    f.model.req.ParameterRefresh = false;
    f.readBack();
    QCOMPARE(f.view.edit("SV"), QStringLiteral("12.34"));
    QCOMPARE(f.view.list("Pointer"), 2);

    // "None" with unit C reads as whole numbers, rounded
    f.view.setListIndex("Pointer", 0);
    f.editing.CtrlSetCloseUp("Pointer", 0);
    f.readBack();
    QCOMPARE(int(f.slot().DecimalPlaces), 255);
    QCOMPARE(f.view.edit("SV"), QStringLiteral("123"));

    // a value typed is still sent in tenths
    f.editing.RangeHiKeyPress("SV", 13, QStringLiteral("100"));
    QCOMPARE(int(f.model.req.PendingValue), 1000);
}

void TestParameterEditing::familyCWritesWhatItsSecurityLevelAllows_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("comWrite"); // the slot's ComWriteEnabled; 255 never read
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("reg"); // 0: nothing written
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("notice");
    const QString level =
        QStringLiteral("%1 not sent: the device's security level does not allow it");
    // A locked device is not read back: its communication write stays unknown.
    QTest::newRow("PV,SV: SV") << 2 << 255 << "SV"
                               << "50" << 0x4701 << 500 << "Writing SV = 50";
    QTest::newRow("PV,SV: SV, whatever 0x4726 said")
        << 2 << 0 << "SV"
        << "- 5.5" << 0x4701 << 0xFFC9 << "Writing SV = - 5.5";
    QTest::newRow("PV,SV: no AT") << 2 << 255 << "AT"
                                  << "1" << 0 << 0 << level.arg("Auto tuning");
    QTest::newRow("PV,SV: no Pb") << 2 << 255 << "Pb"
                                  << "3.5" << 0 << 0 << level.arg("Pb");
    // nor the unlock, which the level refuses as well
    QTest::newRow("PV,SV: no PV offset") << 2 << 255 << "PVTune"
                                         << "1.5" << 0 << 0 << level.arg("PV Offset");
    QTest::newRow("Read All: no output type") << 4 << 1 << "OutputType1"
                                              << "1" << 0 << 0 << level.arg("Output Type1");
    QTest::newRow("Read All: SV") << 4 << 0 << "SV"
                                  << "123.4" << 0x4701 << 1234 << "Writing SV = 123.4";
    QTest::newRow("Read All: AT") << 4 << 0 << "AT"
                                  << "1" << 0x4727 << 1 << "Writing Auto tuning = Start";
    QTest::newRow("Read All: AT not read yet")
        << 4 << 255 << "AT"
        << "0" << 0x4727 << 0 << "Writing Auto tuning = Stop";
    QTest::newRow("Read All: no Pb") << 4 << 1 << "Pb"
                                     << "3.5" << 0 << 0 << level.arg("Pb");
    QTest::newRow("Read All: no control method") << 4 << 1 << "CtrlSet"
                                                 << "1" << 0 << 0 << level.arg("Ctrl. Method");
    QTest::newRow("All Lock: no SV") << 1 << 1 << "SV"
                                     << "50" << 0 << 0 << level.arg("SV");
    QTest::newRow("All Lock: no AT") << 1 << 1 << "AT"
                                     << "1" << 0 << 0 << level.arg("Auto tuning");
    QTest::newRow("Unlock All: SV") << 8 << 1 << "SV"
                                    << "50" << 0x4701 << 500 << "Writing SV = 50";
    QTest::newRow("Unlock All: writing off")
        << 8 << 0 << "Pb"
        << "3.5" << 0 << 0 << "Pb not sent: communication write is disabled on the device";
    QTest::newRow("Unlock All: not read yet")
        << 8 << 255 << "SV"
        << "50" << 0 << 0
        << "SV not sent: the device's communication write setting is not read yet";
}

// Below "Unlock All" a family-C device lets the set value (and at "Read All,
// SV,AT" the auto-tuning) be written, and is never read past them.
void TestParameterEditing::familyCWritesWhatItsSecurityLevelAllows() {
    QFETCH(int, level);
    QFETCH(int, comWrite);
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(QString, notice);
    PanelFixture f;
    f.select('C', comWrite, level);
    const std::string name = control.toStdString();
    if (isList(control))
        f.editing.CtrlSetCloseUp(name, input.toInt());
    else
        QVERIFY(f.editing.RangeHiKeyPress(name, 13, input));
    const EngineRequests& r = f.model.req;
    QCOMPARE(r.WritePending, reg != 0);
    QVERIFY(!r.UnlockPending);
    if (reg) {
        QCOMPARE(int(r.PendingRegister), reg);
        QCOMPARE(int(r.PendingValue), value);
        QVERIFY(f.host.errMessage.isEmpty());
    } else {
        QCOMPARE(int(r.PendingRegister), 0);
        QVERIFY(r.ParameterRefresh);
    }
    QCOMPARE(f.host.notices, QStringList{notice});
}

void TestParameterEditing::laterChangeReplacesAnUnsentOne() {
    PanelFixture f;
    f.select('B');
    f.editing.RangeHiKeyPress("Pb", 13, QStringLiteral("3.5"));
    f.editing.CtrlSetCloseUp("ALM2Mode", 3);
    QCOMPARE(int(f.model.req.PendingRegister), 0x4721);
    QCOMPARE(int(f.model.req.PendingValue), 3);
    QCOMPARE(
        f.host.lastNotice(),
        QStringLiteral("Writing Alarm 2 Mode = Down Limit (replaces the unsent change of Pb)"));

    // once the engine has sent it, the next change is a write of its own
    f.model.req.WritePending = false;
    f.editing.RangeHiKeyPress("Td", 13, QStringLiteral("60"));
    QCOMPARE(f.host.lastNotice(), QStringLiteral("Writing Td = 60"));
}

void TestParameterEditing::noWriteDuringTransfersOrSecurityChanges_data() {
    QTest::addColumn<QString>("flag");
    QTest::newRow("bulk read start") << "BulkReadStart";
    QTest::newRow("bulk read") << "BulkReadActive";
    QTest::newRow("ramp/soak read") << "RampSoakReadActive";
    QTest::newRow("ramp/soak write") << "RampSoakWriteActive";
    QTest::newRow("download") << "DownloadActive";
    QTest::newRow("security write") << "LockCommandPending";
}

// A transfer drives the queue and its own registers step by step, and a
// security write has its register queued while the key is asked for: a
// change typed meanwhile must not redirect either.
void TestParameterEditing::noWriteDuringTransfersOrSecurityChanges() {
    QFETCH(QString, flag);
    PanelFixture f;
    f.select('C');
    EngineRequests& r = f.model.req;
    r.BulkReadRegister = 0x474C;
    r.PendingRegister = 0x106C;
    r.PendingValue = 0x1234;
    r.BulkReadStart = flag == "BulkReadStart";
    r.BulkReadActive = flag == "BulkReadActive";
    r.RampSoakReadActive = flag == "RampSoakReadActive";
    r.RampSoakWriteActive = flag == "RampSoakWriteActive";
    r.DownloadActive = flag == "DownloadActive";
    r.LockCommandPending = flag == "LockCommandPending";
    f.editing.RangeHiKeyPress("SV", 13, QStringLiteral("50"));
    f.editing.CtrlSetCloseUp("OutputType1", 1);
    f.editing.ClearBt1Click("ClearBt1");
    QCOMPARE(int(r.PendingRegister), 0x106C);
    QCOMPARE(int(r.PendingValue), 0x1234);
    QCOMPARE(int(r.BulkReadRegister), 0x474C);
    QVERIFY(!r.WritePending && !r.UnlockPending);
    QVERIFY(f.host.questions.isEmpty());
    QCOMPARE(f.host.notices.size(), 3);
    QVERIFY(f.host.lastNotice().contains(flag == "LockCommandPending" ? "security" : "transfer"));
}

void TestParameterEditing::factoryCommands_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWrite");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("reg"); // 0: nothing queued
    QTest::addColumn<QString>("question");
    const QString restore = QString::fromLatin1(text::RestoreDefaultConfirm);
    const QString clear = QString::fromLatin1(text::ClearFactoryConfirm);
    QTest::newRow("A restore") << 'A' << 1 << "ClearBt1" << true << 0x4724 << restore;
    QTest::newRow("B restore") << 'B' << 1 << "ClearBt1" << true << 0x474E << restore;
    QTest::newRow("A clear") << 'A' << 1 << "ClearBt2" << true << 0x4725 << clear;
    QTest::newRow("C clear") << 'C' << 1 << "ClearBt2" << true << 0x474F << clear;
    QTest::newRow("C with writing off") << 'C' << 0 << "ClearBt1" << true << 0x474E << restore;
    QTest::newRow("B with writing off") << 'B' << 0 << "ClearBt1" << true << 0 << restore;
    QTest::newRow("Cancel") << 'B' << 1 << "ClearBt2" << false << 0 << clear;
}

void TestParameterEditing::factoryCommands() {
    QFETCH(char, family);
    QFETCH(int, comWrite);
    QFETCH(QString, button);
    QFETCH(bool, ok);
    QFETCH(int, reg);
    QFETCH(QString, question);
    PanelFixture f;
    f.select(family, comWrite);
    f.host.answer = ok;
    f.editing.ClearBt1Click(button.toStdString());
    QCOMPARE(f.host.questions, QStringList{question});
    const EngineRequests& r = f.model.req;
    QCOMPARE(r.WritePending, reg != 0);
    QCOMPARE(r.UnlockPending, reg != 0);
    if (reg) {
        QCOMPARE(int(r.PendingRegister), reg);
        QCOMPARE(int(r.PendingValue), int(regmap::UnlockWord));
    }
    if (!ok)
        QVERIFY(f.host.notices.isEmpty());
    else if (!reg)
        QVERIFY(f.host.lastNotice().contains("communication write is disabled"));
}

void TestParameterEditing::noDevice() {
    PanelFixture f;
    f.editing.RangeHiKeyPress("SV", 13, QStringLiteral("10"));
    f.editing.CtrlSetCloseUp("CtrlSet", 1);
    f.select('B');
    f.slot().Family = FamilyUnknown;
    f.editing.RangeHiKeyPress("SV", 13, QStringLiteral("10"));
    QVERIFY(!f.model.req.WritePending && !f.model.req.UnlockPending);
    QCOMPARE(f.host.notices.size(), 3);
    QCOMPARE(f.host.lastNotice(), QString::fromLatin1(text::NoticeNoDevice));
}

void TestParameterEditing::handlesEveryListAndBox() {
    QCOMPARE(int(ParameterEditing::Lists().size()), 19);
    QCOMPARE(int(ParameterEditing::EditBoxes().size()), 35);
    // every one of them writes a register for at least one family
    for (auto names : {ParameterEditing::Lists(), ParameterEditing::EditBoxes()})
        for (std::string_view n : names) {
            if (n == "Pointer")
                continue;
            bool some = false;
            for (char fam : {'A', 'B', 'C'})
                some = some || regmap::WritableFor(std::uint8_t(fam), n) != nullptr;
            QVERIFY2(some, std::string(n).c_str());
        }
}

QTEST_GUILESS_MAIN(TestParameterEditing)
#include "tst_parameter_editing.moc"
