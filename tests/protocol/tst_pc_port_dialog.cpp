#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "core/texts.h"
#include "protocol/pc_port_face.h"
#include "protocol/protocol_window.h"
#include "support/scripted_line.h"
#include "ui/dialogs.h"
#include "ui/radio_group.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace zu;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class TestPcPortDialog : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ReplyGathering> replies;
    ScriptedDialogs dialogs;
    std::unique_ptr<TProtocol> window;

    // A PC with the given ports (device paths by COM number).
    void makePc(const std::map<int, QString>& devices) {
        PortDirectory pd;
        for (const auto& [n, dev] : devices)
            pd.set(n, dev);
        state = std::make_unique<AppState>(clock, lines, pd);
        state->settingFilePath = dir->filePath("SETDT.$$$");
        state->BuildPortPresent();
        replies = std::make_unique<ReplyGathering>(*state);
    }
    void openWindow() {
        window = std::make_unique<TProtocol>(ProtocolContext{*state, dialogs, *replies, nullptr});
        window->show();
    }
    RadioGroup* group(const char* name) { return window->findChild<RadioGroup*>(name); }
    QRadioButton* com(int n) {
        return window->findChild<QRadioButton*>(QStringLiteral("COM%1").arg(n));
    }
    void click(QAbstractButton* b) {
        QVERIFY(b);
        QVERIFY(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void clickItem(const char* groupName, int index) { click(group(groupName)->button(index)); }
    void clickOk() { click(window->findChild<QPushButton*>("OKBt")); }
    QString file() const { return state->settingFilePath; }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        dialogs.clear();
        window.reset();
    }
    void cleanup() {
        window.reset();
        replies.reset();
        state.reset();
    }

    void prepareFromWord_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<QList<int>>("expected"); // format, stop, baud, parity, dataLen, port
        QTest::newRow("946: COM3 19200 8N1 RTU") << 946 << QList<int>{1, 0, 3, 0, 1, 3};
        QTest::newRow("292: COM1 9600 7E1 ASCII") << 292 << QList<int>{0, 0, 2, 1, 0, 1};
        QTest::newRow("RTU with the 7-bit code shows 8 bits")
            << (3 * 256 + 128 + 32) << QList<int>{1, 0, 2, 0, 1, 3};
        QTest::newRow("codes the groups lack show the last item")
            << (1 * 256 + 0x70 + 0x0C + 1) << QList<int>{0, 1, 4, 2, 0, 1};
        QTest::newRow("port above 12 gives the first present")
            << (13 * 256 + 36) << QList<int>{0, 0, 2, 1, 0, 1};
        QTest::newRow("negative word") << -5 << QList<int>{1, 1, 4, 2, 1, 1};
    }
    void prepareFromWord() {
        QFETCH(int, word);
        QFETCH(QList<int>, expected);
        std::array<bool, 13> present{};
        present[1] = present[3] = true;
        const PcFaceChoice c = PreparePcFace(word, present);
        QCOMPARE((QList<int>{c.formatIndex, c.stopBitIndex, c.baudIndex, c.parityIndex,
                             c.dataLenIndex, c.port}),
                 expected);
        QVERIFY(!c.noPort);
    }

    void missingPortGivesWayToFirstPresent() {
        makePc({{2, "/dev/ttyS1"}, {7, "/dev/ttyUSB0"}});
        state->ComSettingWord = 5 * 256 + 36;
        openWindow();
        QVERIFY(com(2)->isChecked());
        QCOMPARE(state->Com.ComPortNumber, 2);
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(com(n)->isEnabled(), n == 2 || n == 7);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void eachPortShowsItsDevice() {
        makePc({{1, "sim"}, {3, "/dev/ttyUSB0"}});
        openWindow();
        auto* dev3 = window->findChild<QLabel*>("COM3Device");
        QVERIFY(dev3);
        QCOMPARE(dev3->text(), QString("/dev/ttyUSB0"));
        QVERIFY(com(3)->toolTip().contains("/dev/ttyUSB0"));
        QCOMPARE(window->findChild<QLabel*>("COM1Device")->text(), QString("simulated"));
        QVERIFY(window->findChild<QLabel*>("COM2Device")->text().isEmpty());
        QCOMPARE(com(3)->text(), QString("COM3"));
    }

    void simulatedLineIsNamedWithoutAnAdapter_data() {
        QTest::addColumn<QStringList>("devices"); // COM1, COM2, ...
        QTest::addColumn<QString>("hint");        // empty: no hint shown
        QTest::newRow("a UART and sim") << QStringList{"/dev/ttyS0", "sim"}
                                        << "COM2 is the simulated line: three demo controllers "
                                           "at addresses 1, 2 and 3";
        QTest::newRow("sim alone") << QStringList{"sim"}
                                   << "COM1 is the simulated line: three demo controllers at "
                                      "addresses 1, 2 and 3";
        QTest::newRow("a USB adapter")
            << QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "sim"} << QString();
        QTest::newRow("an ACM adapter") << QStringList{"/dev/ttyACM0", "sim"} << QString();
        QTest::newRow("no simulated line") << QStringList{"/dev/ttyS0"} << QString();
    }
    void simulatedLineIsNamedWithoutAnAdapter() {
        QFETCH(QStringList, devices);
        QFETCH(QString, hint);
        std::map<int, QString> pc;
        for (int i = 0; i < devices.size(); ++i)
            pc[i + 1] = devices[i];
        makePc(pc);
        state->ComSettingWord = state->DefaultComSettingWord();
        openWindow();
        auto* lb = window->findChild<QLabel*>("SimLineLb");
        QVERIFY(lb);
        QCOMPARE(lb->isVisible(), !hint.isEmpty());
        if (!hint.isEmpty())
            QCOMPARE(lb->text(), hint);
        QVERIFY(com(1)->isChecked()); // the first present port, as before
    }

    void tabFollowsTheScreenAndEntersEachGroupOnItsChoice() {
        makePc({{1, "/dev/ttyS0"}, {2, "sim"}});
        // COM2, 19200, 8 bits, odd parity, 2 stop bits, ASCII
        state->ComSettingWord = 2 * 256 + 3 * 16 + 2 * 4 + 2 + 1;
        openWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->findChild<QPushButton*>("CancelBt")->setFocus();
        QStringList seen;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(seen, (QStringList{"COM2", "Baudrate_3", "DataLen_1", "Parity_2", "StopBit_1",
                                    "Format_0", "AutoDetectBt", "OKBt", "CancelBt", "COM2"}));

        // A Space on arrival keeps every setting; the arrows still choose.
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(state->Com.ComPortNumber, 2);
        QCOMPARE(group("Baudrate")->itemIndex(), 3);
        QCOMPARE(group("DataLen")->itemIndex(), 1);
        QCOMPARE(group("Parity")->itemIndex(), 2);
        QCOMPARE(group("StopBit")->itemIndex(), 1);
        QCOMPARE(group("Format")->itemIndex(), 0);
        group("Parity")->button(2)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(group("Parity")->itemIndex(), 1);
        window->findChild<QPushButton*>("CancelBt")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Parity_1"));
    }

    void rtuForcesEightBits() {
        makePc({{1, "sim"}});
        state->ComSettingWord = 292; // 7 bits, ASCII
        openWindow();
        RadioGroup* dataLen = group("DataLen");
        QCOMPARE(dataLen->itemIndex(), 0);
        QVERIFY(dataLen->isEnabled());
        clickItem("Format", 1);
        QCOMPARE(dataLen->itemIndex(), 1);
        QVERIFY(!dataLen->isEnabled());
        clickItem("Format", 0);
        QVERIFY(dataLen->isEnabled());
        QCOMPARE(dataLen->itemIndex(), 1);
    }

    void rtuWordOpensWithDataLenDisabled() {
        makePc({{3, "sim"}});
        state->ComSettingWord = 3 * 256 + 128 + 48; // RTU with the 7-bit code
        openWindow();
        QCOMPARE(group("DataLen")->itemIndex(), 1);
        QVERIFY(!group("DataLen")->isEnabled());
        QCOMPARE(group("Format")->itemIndex(), 1);
    }

    void unchangedOkAfterLoadDoesNotRewrite() {
        makePc({{1, "sim"}});
        writeFile(file(), " 292 trailing");
        QVERIFY(state->LoadComSetting());
        state->SettingLoaded = true;
        openWindow();
        clickOk();
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Accepted));
        QCOMPARE(readFile(file()), QByteArray(" 292 trailing"));
    }

    void firstStartOkWritesDefault() {
        makePc({{1, "sim"}, {3, "/dev/ttyUSB0"}});
        state->ComSettingWord = state->DefaultComSettingWord();
        state->SettingLoaded = false;
        openWindow();
        clickOk();
        QCOMPARE(readFile(file()), QByteArray("292"));
        QCOMPARE(state->ComSettingWord, 292);
    }

    void storesTheChosenWord_data() {
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<QList<int>>("items"); // baud, dataLen, parity, stop, format
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("COM3 19200 8N1 RTU") << 3 << QList<int>{3, 1, 0, 0, 1} << QByteArray("946");
        QTest::newRow("COM1 9600 7E1 ASCII") << 1 << QList<int>{2, 0, 1, 0, 0} << QByteArray("292");
        QTest::newRow("COM12 38400 8O2 ASCII")
            << 12 << QList<int>{4, 1, 2, 1, 0}
            << QByteArray(QByteArray::number(12 * 256 + 64 + 8 + 2 + 1));
    }
    void storesTheChosenWord() {
        QFETCH(int, portNumber);
        QFETCH(QList<int>, items);
        QFETCH(QByteArray, expected);
        makePc({{1, "sim"}, {3, "/dev/ttyUSB0"}, {12, "/dev/ttyACM0"}});
        writeFile(file(), "5000"); // a word that differs from every row
        QVERIFY(state->LoadComSetting());
        state->SettingLoaded = true;
        openWindow();
        click(com(portNumber));
        QCOMPARE(state->Com.ComPortNumber, portNumber);
        // Format first: RTU takes DataLen away.
        clickItem("Format", items[4]);
        clickItem("Baudrate", items[0]);
        if (group("DataLen")->isEnabled())
            clickItem("DataLen", items[1]);
        clickItem("Parity", items[2]);
        clickItem("StopBit", items[3]);
        clickOk();
        QCOMPARE(readFile(file()), expected);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void noPortAtAll() {
        makePc({});
        state->ComSettingWord = state->DefaultComSettingWord();
        openWindow();
        QCOMPARE(dialogs.messages(), QStringList{text::NoComPortExist});
        QCOMPARE(state->Com.ComPortNumber, 0);
        for (int n = 1; n <= 12; ++n)
            QVERIFY(!com(n)->isEnabled());
        clickOk();
        QCOMPARE(readFile(file()), QByteArray("36")); // port 0 stored
    }

    void failedStoreIsReported() {
        makePc({{1, "sim"}});
        state->settingFilePath = dir->filePath("no-such-folder/SETDT.$$$");
        openWindow();
        clickOk();
        QCOMPARE(dialogs.messages(), QStringList{text::DataCanNotSave});
        QVERIFY(!window->isVisible()); // the window still closes
    }

    void cancelStoresNothingAndFreesTheLine() {
        makePc({{1, "sim"}});
        replies->ApdComPortMain.setComNumber(1);
        QVERIFY(replies->ApdComPortMain.setOpen(true));
        state->PortOwner = PortProtocol;
        openWindow();
        click(window->findChild<QPushButton*>("CancelBt"));
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));
        QVERIFY(!replies->ApdComPortMain.Open());
        QCOMPARE(state->PortOwner, int(PortFree));
        QVERIFY(!QFile::exists(file()));
    }

    void escapeIsCancel() {
        makePc({{1, "sim"}});
        replies->ApdComPortMain.setComNumber(1);
        QVERIFY(replies->ApdComPortMain.setOpen(true));
        state->PortOwner = PortProtocol;
        openWindow();
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QVERIFY(!replies->ApdComPortMain.Open());
        QCOMPARE(state->PortOwner, int(PortFree));
    }

    void cancelLeavesAForeignOwnerAlone() {
        makePc({{1, "sim"}});
        state->PortOwner = PortMonitor; // the port of the protocol window is closed
        openWindow();
        click(window->findChild<QPushButton*>("CancelBt"));
        QCOMPARE(state->PortOwner, int(PortMonitor));
    }
};

QTEST_MAIN(TestPcPortDialog)
#include "tst_pc_port_dialog.moc"
