// The register map against the write table of the panel and the decoding rules.
#include "device/register_map.h"

#include <QtTest>

using namespace zu;
namespace rm = zu::regmap;

class TestRegisterMap : public QObject {
    Q_OBJECT
  private slots:
    void editBoxRegisters_data();
    void editBoxRegisters();
    void listRegisters_data();
    void listRegisters();
    void sameAddressDiffersByLayout_data();
    void sameAddressDiffersByLayout();
    void identification_data();
    void identification();
    void decimals_data();
    void decimals();
    void lockItems_data();
    void lockItems();
    void codeTables_data();
    void codeTables();
    void kindRequests_data();
    void kindRequests();
    void everyReadRowIsInsideItsKindsRequest();
    void unlockRegisterIsAWritableCommand_data();
    void unlockRegisterIsAWritableCommand();
};

// Transcribed from the edit-box write table: register per family (-1 none),
// scaling ('t' tenths, 'i' integer, 'h' hundredths, 'a' integer for A only),
// unlock.
struct BoxRow {
    const char* box;
    int a;
    int bc;
    char scaling;
    bool unlock;
};
static const BoxRow kBoxes[] = {
    {"SV", 0x4701, 0x4701, 't', false},
    {"RangeHi", 0x4706, 0x4704, 't', false},
    {"RangeLo", 0x4707, 0x4705, 't', false},
    {"UpLimit1", 0x4702, 0x4706, 't', false},
    {"DnLimit1", 0x4703, 0x4707, 't', false},
    {"UpLimit2", 0x4704, 0x4708, 't', false},
    {"DnLimit2", 0x4705, 0x4709, 't', false},
    {"UpLimit3", -1, 0x470A, 't', false},
    {"DnLimit3", -1, 0x470B, 't', false},
    {"Pb", 0x4708, 0x470C, 't', false},
    {"Ti", 0x4709, 0x470D, 'i', false},
    {"Td", 0x470A, 0x470E, 'i', false},
    {"IOffset", 0x470E, 0x470F, 'a', false},
    {"PDOffset", 0x4713, 0x4710, 'a', false},
    {"Coeff", -1, 0x4711, 'h', false},
    {"DeadBand1", -1, 0x4712, 't', false},
    {"DeadBand2", -1, 0x4712, 't', false},
    {"Hyst1", 0x470B, 0x4713, 't', false},
    {"Hyst2", -1, 0x4714, 't', false},
    {"CurrHi", 0x470C, 0x4715, 'i', false},
    {"CurrLo", 0x470D, 0x4716, 'i', false},
    {"HCPeriod1", 0x4712, 0x471B, 'i', false},
    {"HCPeriodPID1", 0x4712, 0x471B, 'i', false},
    {"HCPeriod2", -1, 0x471C, 'i', false},
    {"HCPeriodPID2", -1, 0x471C, 'i', false},
    {"OUTQ1", 0x472A, 0x4702, 'a', false},
    {"OUTQ2", -1, 0x4703, 't', false},
    {"PVTune", 0x4714, 0x471D, 't', true},
    {"RTDOfs", 0x4721, 0x4732, 't', true},
    {"RTDGain", 0x4722, 0x4733, 'i', true},
    {"TCOfs", 0x4727, 0x4734, 'i', true},
    {"TCGain", 0x4726, 0x4735, 'i', true},
    {"ColdJ", 0x4723, 0x4736, 't', true},
    {"mVOfs", -1, 0x4737, 'i', true},
    {"mVGain", -1, 0x4738, 'i', true},
};

void TestRegisterMap::editBoxRegisters_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("unlock");
    QCOMPARE(int(std::size(kBoxes)), 35);
    for (const BoxRow& r : kBoxes)
        for (char f : {'A', 'B', 'C'}) {
            const int reg = f == 'A' ? r.a : r.bc;
            rm::Encoding enc = rm::Encoding::Tenths;
            if (r.scaling == 'i' || (r.scaling == 'a' && f == 'A'))
                enc = rm::Encoding::Integer;
            else if (r.scaling == 'h')
                enc = rm::Encoding::Hundredths;
            QTest::addRow("%s %c", r.box, f) << r.box << int(f) << reg << int(enc) << r.unlock;
        }
}

void TestRegisterMap::editBoxRegisters() {
    QFETCH(QString, box);
    QFETCH(int, family);
    QFETCH(int, reg);
    QFETCH(int, encoding);
    QFETCH(bool, unlock);
    const rm::Register* r = rm::WritableFor(std::uint8_t(family), box.toStdString());
    if (reg < 0) {
        QVERIFY(r == nullptr);
        return;
    }
    QVERIFY(r);
    QCOMPARE(int(r->address), reg);
    QCOMPARE(int(r->encoding), encoding);
    QCOMPARE(r->needsUnlock(), unlock);
}

void TestRegisterMap::listRegisters_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("reg");
    QTest::addColumn<bool>("unlock");
    struct Row {
        const char* list;
        int a, b, c;
        bool unlock;
    };
    // the list write table; family C's Pointer is a display choice (none)
    const Row rows[] = {
        {"CtrlSet", 0x4711, 0x4719, 0x4719, false},  {"RunStop", 0x4719, 0x4723, 0x4723, false},
        {"HeatCool", 0x4718, 0x471A, 0x471A, false}, {"Out1Sel", 0x4718, 0x471A, 0x471A, false},
        {"ComWrite", 0x471A, 0x4726, 0x4726, false}, {"LockStatus", 0x4731, 0x471E, 0x471E, false},
        {"AT", 0x4729, 0x4727, 0x4727, false},       {"InputA", 0x4710, -1, -1, false},
        {"InputB", -1, 0x4718, 0x4718, false},       {"Unit", 0x4717, 0x4724, 0x4724, false},
        {"ProgDisp", -1, 0x4762, 0x4762, false},     {"Pointer", -1, 0x4725, -1, false},
        {"ALM1Mode", 0x4715, 0x4720, 0x4720, false}, {"ALM2Mode", 0x4716, 0x4721, 0x4721, false},
        {"ALM3Mode", -1, 0x4722, 0x4722, false},     {"SALMode", -1, 0x471F, 0x471F, false},
        {"Out2Sel", -1, 0x471F, 0x471F, false},      {"OutputType1", 0x4720, 0x4730, 0x4730, true},
        {"OutputType2", -1, 0x4731, 0x4731, true},
    };
    for (const Row& r : rows) {
        QTest::addRow("%s A", r.list) << r.list << int('A') << r.a << r.unlock;
        QTest::addRow("%s B", r.list) << r.list << int('B') << r.b << r.unlock;
        QTest::addRow("%s C", r.list) << r.list << int('C') << r.c << r.unlock;
    }
}

void TestRegisterMap::listRegisters() {
    QFETCH(QString, list);
    QFETCH(int, family);
    QFETCH(int, reg);
    QFETCH(bool, unlock);
    const rm::Register* r = rm::WritableFor(std::uint8_t(family), list.toStdString());
    if (reg < 0) {
        QVERIFY(r == nullptr);
        return;
    }
    QVERIFY(r);
    QCOMPARE(int(r->address), reg);
    QCOMPARE(r->encoding, rm::Encoding::Index);
    QVERIFY(r->table != nullptr);
    QCOMPARE(r->needsUnlock(), unlock);
}

void TestRegisterMap::sameAddressDiffersByLayout_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("encoding");
    QTest::newRow("0x4724 B unit") << 0x4724 << int('B') << "Unit" << int(rm::Encoding::Index);
    QTest::newRow("0x4724 A restore")
        << 0x4724 << int('A') << "ClearBt1" << int(rm::Encoding::Command);
    QTest::newRow("0x4731 C type 2")
        << 0x4731 << int('C') << "OutputType2" << int(rm::Encoding::Index);
    QTest::newRow("0x4731 A lock")
        << 0x4731 << int('A') << "LockStatus" << int(rm::Encoding::Index);
    QTest::newRow("0x472A B unlock") << 0x472A << int('B') << "" << int(rm::Encoding::Raw);
    QTest::newRow("0x472A A manual") << 0x472A << int('A') << "OUTQ1" << int(rm::Encoding::Integer);
    QTest::newRow("0x471A B heat/cool")
        << 0x471A << int('B') << "HeatCool" << int(rm::Encoding::Index);
    QTest::newRow("0x471A C out 1") << 0x471A << int('C') << "Out1Sel" << int(rm::Encoding::Index);
}

void TestRegisterMap::sameAddressDiffersByLayout() {
    QFETCH(int, address);
    QFETCH(int, family);
    QFETCH(QString, control);
    QFETCH(int, encoding);
    const rm::Register* r = rm::Find(std::uint8_t(family), std::uint16_t(address));
    QVERIFY(r);
    QCOMPARE(QString::fromLatin1(r->controls[0].data(), r->controls[0].size()), control);
    QCOMPARE(int(r->encoding), encoding);
    if (address == 0x472A && family == 'B') {
        QVERIFY(r->access & rm::AccC);
        QCOMPARE(rm::UnlockRegister('B'), std::uint16_t(0x472A));
    }
}

void TestRegisterMap::identification_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("word0");
    QTest::addColumn<int>("word1");
    QTest::addColumn<int>("family");
    QTest::newRow("B") << 0x67 << 2 << 1 << int('B');
    QTest::newRow("C") << 0x67 << 2 << 2 << int('C');
    QTest::newRow("A by offset 0") << 0x67 << 2 << 0x0100 << int('A');
    QTest::newRow("word 0 not 2") << 0x67 << 3 << 1 << 255;
    // A letter past C names no layout the program has.
    QTest::newRow("offset 3 unknown") << 0x67 << 2 << 3 << 255;
    QTest::newRow("0x77") << 0x77 << 0 << 0 << int('A');
    QTest::newRow("exception 0xE7") << 0xE7 << 0 << 0 << int('A');
    QTest::newRow("other function") << 0x03 << 2 << 1 << 255;
}

void TestRegisterMap::identification() {
    QFETCH(int, function);
    QFETCH(int, word0);
    QFETCH(int, word1);
    QFETCH(int, family);
    QCOMPARE(
        int(rm::FamilyFromIdentification(function, std::uint16_t(word0), std::uint16_t(word1))),
        family);
}

void TestRegisterMap::decimals_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("source"); // A: input type; B: decimal point
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("code");
    QTest::newRow("A K-Type2") << int('A') << 1 << 0 << 1;
    QTest::newRow("A Pt100-3") << int('A') << 15 << 0 << 1;
    QTest::newRow("A K-Type1") << int('A') << 0 << 0 << 255;
    QTest::newRow("A Pt100-1") << int('A') << 13 << 0 << 255;
    QTest::newRow("B none F") << int('B') << 0 << 0 << 255;
    QTest::newRow("B none C") << int('B') << 0 << 1 << 255;
    QTest::newRow("B none EU") << int('B') << 0 << 2 << 0;
    QTest::newRow("B 2 C") << int('B') << 2 << 1 << 2;
    QTest::newRow("C 3 EU") << int('C') << 3 << 2 << 3;
}

void TestRegisterMap::decimals() {
    QFETCH(int, family);
    QFETCH(int, source);
    QFETCH(int, unit);
    QFETCH(int, code);
    const std::uint16_t got = family == 'A' ? rm::DecimalPlacesA(std::uint16_t(source))
                              : family == 'B'
                                  ? rm::DecimalPlacesB(std::uint16_t(source), std::uint16_t(unit))
                                  : rm::DecimalPlacesC(std::uint16_t(source), std::uint16_t(unit));
    QCOMPARE(int(got), code);
}

void TestRegisterMap::lockItems_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("item");
    QTest::newRow("B normal") << int('B') << 0 << 0;
    QTest::newRow("B lock all") << int('B') << 1 << 1;
    QTest::newRow("B not SV") << int('B') << 11 << 2;
    QTest::newRow("A 0") << int('A') << 0 << 0;
    QTest::newRow("A 2") << int('A') << 2 << 1;
    QTest::newRow("A 30") << int('A') << 30 << 2;
    QTest::newRow("A 17") << int('A') << 17 << 4; // 17/15 + 7/2, truncating
    QTest::newRow("C unlock all") << int('C') << 8 << 0;
    QTest::newRow("C read all") << int('C') << 4 << 2;
    QTest::newRow("C PV,SV") << int('C') << 2 << 2;
    QTest::newRow("C all lock") << int('C') << 1 << 1;
}

void TestRegisterMap::lockItems() {
    QFETCH(int, family);
    QFETCH(int, value);
    QFETCH(int, item);
    const int got = family == 'A'   ? rm::LockItemA(std::uint16_t(value))
                    : family == 'B' ? rm::LockItemB(std::uint16_t(value))
                                    : rm::LockItemC(std::uint32_t(value));
    QCOMPARE(got, item);
    QCOMPARE(int(rm::LockStatusWriteValue(2)), 11);
    QCOMPARE(int(rm::LockStatusWriteValue(1)), 1);
}

void TestRegisterMap::codeTables_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("item");
    QTest::newRow("InputA") << "InputA" << 19 << 18 << "TXK";
    QTest::newRow("InputA JPt") << "InputA" << 19 << 12 << "JPt100-2";
    QTest::newRow("InputB") << "InputB" << 18 << 17 << "0~50mV";
    QTest::newRow("alarm modes") << "AlarmModes" << 14 << 11 << "Hysterics Up Limit";
    QTest::newRow("Out1Sel") << "Out1Sel" << 4 << 3 << "ReTransmission";
    QTest::newRow("Out2Sel") << "Out2Sel" << 3 << 2 << "Alarm";
    QTest::newRow("OutputType1") << "OutputType1" << 6 << 1 << "Voltage Pulse";
    QTest::newRow("OutputType2") << "OutputType2" << 3 << 2 << "None";
    QTest::newRow("RunStop") << "RunStop" << 4 << 3 << "Hold Program";
    QTest::newRow("LockStatus") << "LockStatus" << 3 << 2 << "Not SV";
    QTest::newRow("ProgDisp") << "ProgDisp" << 3 << 0 << "Pattern-Step";
    QTest::newRow("SLevel") << "SLevel" << 4 << 1 << "Read All, SV,AT";
}

void TestRegisterMap::codeTables() {
    QFETCH(QString, table);
    QFETCH(int, size);
    QFETCH(int, index);
    QFETCH(QString, item);
    const rm::CodeTable* all[] = {
        &rm::InputA,   &rm::InputB,         &rm::Unit,        &rm::Pointer,
        &rm::CtrlSet,  &rm::RunStop,        &rm::HeatCool,    &rm::Out1Sel,
        &rm::Out2Sel,  &rm::SALMode,        &rm::AlarmModes,  &rm::LockStatus,
        &rm::AT,       &rm::ComWrite,       &rm::OutputType1, &rm::OutputType2,
        &rm::ProgDisp, &rm::SecurityLevels, &rm::KeyStates};
    const rm::CodeTable* found = nullptr;
    for (const rm::CodeTable* t : all)
        if (QString::fromLatin1(t->name.data(), t->name.size()) == table)
            found = t;
    QVERIFY(found);
    QCOMPARE(found->size(), size);
    const std::string_view got = found->items[std::size_t(index)];
    QCOMPARE(QString::fromLatin1(got.data(), got.size()), item);
}

void TestRegisterMap::kindRequests_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("0 identify") << 0 << 255 << false << true << 0x67 << 0x12 << 3;
    QTest::newRow("1 unknown family") << 1 << 255 << false << false << 0 << 0 << 0;
    QTest::newRow("2 C open") << 2 << int('C') << false << true << 3 << 0x471A << 6;
    QTest::newRow("2 C locked") << 2 << int('C') << true << true << 3 << 0x4728 << 1;
    QTest::newRow("5 as 3 for B") << 5 << int('B') << false << true << 3 << 0x4700 << 4;
    QTest::newRow("6 A") << 6 << int('A') << false << true << 3 << 0x471C << 3;
    QTest::newRow("9 decision") << 9 << int('B') << false << false << 0 << 0 << 0;
    QTest::newRow("10 A") << 10 << int('A') << false << true << 3 << 0x4731 << 1;
    QTest::newRow("10 C") << 10 << int('C') << false << true << 3 << 0x4720 << 8;
    QTest::newRow("14") << 14 << int('B') << false << true << 3 << 0x4701 << 7;
    QTest::newRow("20 A") << 20 << int('A') << false << true << 3 << 0x4720 << 8;
    QTest::newRow("20 B") << 20 << int('B') << false << true << 3 << 0x4730 << 7;
    QTest::newRow("21 A none") << 21 << int('A') << false << false << 0 << 0 << 0;
    QTest::newRow("21 C") << 21 << int('C') << false << true << 3 << 0x4737 << 2;
    QTest::newRow("other") << 30 << int('B') << false << true << 3 << 0x4700 << 2;
}

void TestRegisterMap::kindRequests() {
    QFETCH(int, kind);
    QFETCH(int, family);
    QFETCH(bool, locked);
    QFETCH(bool, sent);
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);
    const rm::PollRead r = rm::KindRequest(kind, std::uint8_t(family), locked);
    QCOMPARE(r.sent, sent);
    if (!sent)
        return;
    QCOMPARE(r.function, function);
    QCOMPARE(int(r.start), start);
    QCOMPARE(r.count, count);
}

// A row that says kind n reads it must lie inside the block that kind reads.
void TestRegisterMap::everyReadRowIsInsideItsKindsRequest() {
    int checked = 0;
    for (const rm::Register& r : rm::Registers())
        for (char f : {'A', 'B', 'C'}) {
            if (!(r.families & rm::FamilyBit(std::uint8_t(f))))
                continue;
            for (int kind = 1; kind <= 21; ++kind) {
                if (!r.readBy(kind))
                    continue;
                bool inside = false;
                for (bool locked : {false, true}) {
                    const rm::PollRead q = rm::KindRequest(kind, std::uint8_t(f), locked);
                    inside =
                        inside || (q.sent && r.address >= q.start && r.address < q.start + q.count);
                }
                QVERIFY2(inside, qPrintable(QStringLiteral("0x%1 family %2 kind %3")
                                                .arg(r.address, 0, 16)
                                                .arg(QChar(f))
                                                .arg(kind)));
                ++checked;
            }
        }
    QVERIFY(checked > 100);
}

void TestRegisterMap::unlockRegisterIsAWritableCommand_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("address");
    QTest::newRow("A") << 'A' << 0x471B;
    QTest::newRow("B") << 'B' << 0x472A;
    QTest::newRow("C") << 'C' << 0x472A;
}

// The unlock word goes out as a single write of its own: code that asks the
// map whether a register may be written must not refuse it.
void TestRegisterMap::unlockRegisterIsAWritableCommand() {
    QFETCH(char, family);
    QFETCH(int, address);
    QCOMPARE(int(rm::UnlockRegister(std::uint8_t(family))), address);
    const rm::Register* r = rm::Find(std::uint8_t(family), std::uint16_t(address));
    QVERIFY(r);
    QVERIFY(r->writable());
    QVERIFY(r->access & rm::AccC);
    QVERIFY(!r->needsUnlock());
    QVERIFY(r->readBy(4)); // still the firmware version of the status poll
    // no panel control writes it
    QVERIFY(r->controls[0].empty() && r->controls[1].empty());
}

QTEST_GUILESS_MAIN(TestRegisterMap)
#include "tst_register_map.moc"
