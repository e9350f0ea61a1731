// The scan panel and the device face of the protocol window over a
// simulated line, offscreen and on virtual time: clicks on the named
// controls, texts on the named labels and grid cells.
#include "core/texts.h"
#include "protocol/logic/protocol_change.h"
#include "protocol/logic/scan.h"
#include "protocol/protocol_window.h"
#include "protocol_line_rig.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "ui/radio_group.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestProtocolFaces : public QObject {
    Q_OBJECT

    std::unique_ptr<ProtocolLineRig> rig;
    ScriptedDialogs dialogs;
    std::unique_ptr<TProtocol> window;

    void open(bool deviceMode) {
        rig->state->ComSettingWord = 1 * 256 + 36; // COM1 9600 7E1 ASCII
        rig->state->ApplyComSetting();
        rig->state->ProtocolDeviceMode = deviceMode;
        window = std::make_unique<TProtocol>(
            ProtocolContext{*rig->state, dialogs, *rig->replies, nullptr});
        window->show();
    }
    template <class T = QWidget> T* find(const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void click(const char* name) {
        auto* b = find<QAbstractButton>(name);
        QVERIFY2(b->isEnabled() && b->isVisible(), name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void choose(const char* combo, const QString& item) {
        auto* c = find<QComboBox>(combo);
        const int i = c->findText(item);
        QVERIFY2(i >= 0, qPrintable(item));
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
    QString cell(int row, int col) {
        auto* item = find<QTableWidget>("ResultTable")->item(row, col);
        return item ? item->text() : QString();
    }
    QString label(const char* name) { return find<QLabel>(name)->text(); }
    void shoot(const QString& file) {
        window->adjustSize();
        QCoreApplication::processEvents();
        window->grab().save(file);
    }

  private slots:
    void init() {
        rig = std::make_unique<ProtocolLineRig>();
        dialogs.clear();
    }
    void cleanup() {
        window.reset();
        rig.reset();
    }

    void scanPanelFindsAndSetsTheDialog() {
        rig->bus->addDevice('B', 3);
        rig->bus->addDevice('B', 9, {{19200, 8, LineParity::None, 1}, sim::Framing::Rtu});
        open(false);
        QVERIFY(!find("DetectPL")->isVisible());
        click("AutoDetectBt");
        QVERIFY(find("DetectPL")->isVisible());
        QVERIFY(!find("SettingsArea")->isVisible());
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("Pressed Start to begin detect"));
        QCOMPARE(cell(0, 2), QStringLiteral(" Communicate Protocol"));
        QCOMPARE(cell(28, 0), QStringLiteral("28"));
        choose("AddrPreSet", "01H~10H");
        choose("ParityPreSet", "NONE");
        choose("ProtocolPreSet", "RTU");
        QCOMPARE(find<QComboBox>("LengthPreSet")->currentText(), QStringLiteral("8 BITS"));
        QCOMPARE(find<QComboBox>("StopPreSet")->currentText(), QStringLiteral("UNKNOW"));
        choose("StopPreSet", "1 STOP BIT");
        choose("BaudPreSet", "19200");
        click("SetStartBt");
        QCOMPARE(find<QPushButton>("SetStartBt")->text(), QStringLiteral("CANCEL"));
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("COM01,19200,8,N,1,  RTU"));
        QCOMPARE(find<Gauge>("DetectBar")->maxValue(), 16);
        QCOMPARE(rig->state->PortOwner, int(PortProtocol));
        // selecting a result while scanning does nothing
        QVERIFY(
            rig->clock.advanceUntil([&] { return window->scan().ScanFoundCount() == 1; }, 10000));
        window->ResultTableSelectCell(1);
        QVERIFY(!find("SETBt")->isEnabled());
        if (const QString shot = qEnvironmentVariable("ZUCOMM_SCAN_SHOT"); !shot.isEmpty())
            shoot(shot);
        QVERIFY(rig->clock.advanceUntil([&] { return !window->scan().Scanning(); }, 60000));
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("Search Completed,Found 1 items"));
        QCOMPARE(find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
        QCOMPARE(cell(1, 1), QStringLiteral("09H"));
        QCOMPARE(cell(1, 2), QStringLiteral("19200,8,N,1,  RTU"));
        QCOMPARE(rig->state->PortOwner, int(PortFree));
        window->ResultTableSelectCell(2); // an empty row
        QVERIFY(!find("SETBt")->isEnabled());
        choose("BaudPreSet", "UNKNOW");
        window->ResultTableSelectCell(1);
        QCOMPARE(find<QComboBox>("BaudPreSet")->currentText(), QStringLiteral("19200"));
        click("SETBt");
        click("SetCloseBt");
        QVERIFY(!find("DetectPL")->isVisible());
        QCOMPARE(find<RadioGroup>("Baudrate")->itemIndex(), 3);
        QCOMPARE(find<RadioGroup>("Format")->itemIndex(), 1);
        QCOMPARE(find<RadioGroup>("Parity")->itemIndex(), 0);
        QCOMPARE(find<RadioGroup>("DataLen")->itemIndex(), 1);
    }

    void moreResultsThanNumberedRowsAreKept() {
        for (int a = 1; a <= 16; ++a)
            rig->bus->addDevice('B', std::uint8_t(a));
        open(false);
        click("AutoDetectBt");
        choose("AddrPreSet", "01H~10H");
        choose("BaudPreSet", "9600");
        choose("ParityPreSet", "EVEN");
        choose("LengthPreSet", "7 BITS");
        choose("ProtocolPreSet", "ASCII");
        click("SetStartBt");
        QVERIFY(rig->clock.advanceUntil([&] { return !window->scan().Scanning(); }, 60000));
        QCOMPARE(window->scan().ScanFoundCount(), 32); // each under 1 and 2 stop bits
        QCOMPARE(cell(32, 1), QStringLiteral("10H"));
        QCOMPARE(cell(32, 2), QStringLiteral(" 9600,7,E,2,ASCII"));
        window->ResultTableSelectCell(32);
        QVERIFY(find("SETBt")->isEnabled());
        QCOMPARE(find<QComboBox>("StopPreSet")->currentText(), QStringLiteral("2 STOP BITS"));
    }

    void closingDuringAScanStopsIt() {
        rig->bus->addDevice('B', 1);
        open(false);
        click("AutoDetectBt");
        click("SetStartBt");
        QVERIFY(rig->replies->ApdComPortMain.Open());
        window.reset();
        QVERIFY(!rig->replies->ApdComPortMain.Open());
        QCOMPARE(rig->state->PortOwner, int(PortFree));
        const std::size_t sent = rig->frames().size();
        rig->clock.advance(5000);
        QCOMPARE(rig->frames().size(), sent);
    }

    void deviceFaceChangesAController() {
        sim::Device& d = rig->bus->addDevice('B', 1);
        open(true);
        QVERIFY(find("ZUCAfterPL")->isVisible());
        QVERIFY(!find("SetStartBt")->isVisible());
        QVERIFY(find("BeforeAddr")->isVisible());
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("Press SET to change protocol"));
        QCOMPARE(find<QComboBox>("ParityPreSet")->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(find<QComboBox>("AfterBaud")->currentText(), QStringLiteral("9600"));
        auto* after = find<QLineEdit>("AfterAddr");
        after->clear();
        QTest::keyClicks(after, "5x");
        QCOMPARE(after->text(), QStringLiteral("5"));
        after->clear();
        QTest::keyClicks(after, "248");
        QCOMPARE(after->text(), QStringLiteral("24"));
        after->clear();
        QTest::keyClicks(after, "5");
        choose("AfterProtocol", "RTU");
        QCOMPARE(find<QComboBox>("AfterLength")->currentText(), QStringLiteral("8 BITS"));
        choose("AfterParity", "NONE");
        choose("AfterBaud", "19200");
        find<QCheckBox>("SyncChk")->setChecked(true);
        if (const QString shot = qEnvironmentVariable("ZUCOMM_DEVICE_SHOT"); !shot.isEmpty())
            shoot(shot);
        click("SETBt");
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("Device Protocol Changing"));
        QVERIFY(!find("DetectPL")->isEnabled());
        QVERIFY(rig->clock.advanceUntil([&] { return !window->change().running(); }, 20000));
        QCOMPARE(label("AutoDetectLb"), QStringLiteral("SET Protocol Success"));
        QVERIFY(find("DetectPL")->isEnabled());
        QCOMPARE(find<QLineEdit>("BeforeAddr")->text(), QStringLiteral("5"));
        QCOMPARE(find<QComboBox>("ProtocolPreSet")->currentText(), QStringLiteral("RTU"));
        QCOMPARE(int(d.address()), 5);
        QCOMPARE(rig->frames().size(), std::size_t(2));
        click("SetCloseBt");
        QVERIFY(!rig->state->ProtocolDeviceMode);
    }
};

QTEST_MAIN(TestProtocolFaces)
#include "tst_protocol_faces.moc"
