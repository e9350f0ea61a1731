// The monitor window's parameter image on the built-in simulated line:
// upload, SAVE AS, OPEN with its checks, and the menus they enable.
#include "core/texts.h"
#include "monitor_window_rig.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestParameterFileMenu : public QObject {
    Q_OBJECT

    // Connects the family-B controller (address 2) and waits for its parameters.
    static bool ConnectFamilyB(WindowRig& rig) {
        rig.show();
        rig.find<QSpinBox>("ComAddr0")->setValue(2);
        QTest::mouseClick(rig.find("RunBt0"), Qt::LeftButton);
        return rig.runUntil([&] { return rig.action("UPLOAD1")->isEnabled(); }, 30000) &&
               rig.runUntil(
                   [&] {
                       return rig.window->engine().model().deviceSlots[0].FirmwareVersion != 0 &&
                              rig.find("ParaPL")->isVisible();
                   },
                   30000);
    }

  private slots:
    void uploadThenSaveAsWritesTheImage() {
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        QVERIFY(!rig.action("SAVEAS1")->isEnabled());
        rig.action("UPLOAD1")->trigger();
        auto* bar = rig.find<QProgressBar>("ProgressBar");
        QVERIFY(rig.runUntil([&] { return bar->isVisible() && bar->value() > 0; }, 30000));
        QCOMPARE(rig.text("ProgressLb"), QString("UPLOAD"));
        QVERIFY(rig.runUntil([&] { return !rig.dialogs.messages().isEmpty(); }, 120000));
        QVERIFY2(
            rig.dialogs.messages().last().endsWith(" parameters successful upload into buffer"),
            qPrintable(rig.dialogs.messages().last()));
        QVERIFY(rig.dialogs.messages().last().startsWith("ZUB V"));
        QCOMPARE(rig.dialogs.shown().last().caption, QString("Upload Done"));
        QVERIFY(!bar->isVisible());
        QVERIFY(rig.action("SAVEAS1")->isEnabled());
        QVERIFY(rig.action("DOWNLOAD1")->isEnabled());
        QVERIFY(!rig.action("SAVE1")->isEnabled()); // no file chosen yet

        QTemporaryDir dir;
        const QString path = dir.filePath("clone.par");
        rig.dialogs.pushFileName(path);
        rig.action("SAVEAS1")->trigger();
        QCOMPARE(rig.dialogs.shown().last().caption, QString("Done"));
        QVERIFY(rig.dialogs.messages().last().endsWith(" save parameters to file done"));
        QVERIFY(rig.action("SAVE1")->isEnabled());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 260);
        QCOMPARE(bytes[256], 'B');
        QCOMPARE(std::uint8_t(bytes[259]), std::uint8_t(bytes[256] + bytes[257] + bytes[258]));
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    // COMPARE WITH DEVICE lists what the controller holds otherwise than the
    // buffer, and the buffer stays as it was.
    void compareWithDeviceListsTheDifferences() {
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        rig.action("UPLOAD1")->trigger();
        QVERIFY(rig.runUntil([&] { return !rig.dialogs.messages().isEmpty(); }, 120000));
        QVERIFY(rig.action("COMPARE1")->isEnabled());
        // The controller's SV is changed behind the buffer's back.
        auto* sv = rig.find<QLineEdit>("SV");
        sv->setText("55.5");
        QTest::keyClick(sv, Qt::Key_Return);
        QVERIFY(rig.runUntil(
            [&] { return rig.window->engine().model().deviceSlots[0].SvValue == 555; }, 30000));
        QStringList rows;
        rig.dialogs.pushModal([&](QDialog& d) {
            auto* t = d.findChild<QTableWidget*>("CompareList");
            QVERIFY(t);
            for (int r = 0; r < t->rowCount(); ++r)
                rows << t->item(r, 0)->text() + ": " + t->item(r, 1)->text() + " | " +
                            t->item(r, 2)->text();
            d.accept();
        });
        rig.action("COMPARE1")->trigger();
        QVERIFY(rig.runUntil([&] { return !rows.isEmpty(); }, 120000));
        QVERIFY2(rows.contains("SV: 100.0 | 55.5"), qPrintable(rows.join("; ")));
        // The buffer still holds what was uploaded first.
        QTemporaryDir dir;
        rig.dialogs.pushFileName(dir.filePath("kept.par"));
        rig.action("SAVEAS1")->trigger();
        QFile f(dir.filePath("kept.par"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(std::uint8_t(bytes[24]) * 256 + std::uint8_t(bytes[25]), 1000);
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    // WRITE TO ALL CONNECTED DEVICE asks the broadcast question and never the
    // model question; No sends nothing.
    void writeToAllAsksTheBroadcastQuestion() {
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        rig.action("UPLOAD1")->trigger();
        QVERIFY(rig.runUntil([&] { return !rig.dialogs.messages().isEmpty(); }, 120000));
        rig.dialogs.pushAnswer(false);
        rig.action("WRITEALL")->trigger();
        QCOMPARE(rig.dialogs.shown().last().text, QString::fromLatin1(text::AllDevicesConfirm));
        QCOMPARE(rig.dialogs.shown().last().caption, QString("Model Name Confirm"));
        QVERIFY(!rig.window->engine().model().req.DownloadActive);
        rig.dialogs.pushAnswer(true);
        rig.action("WRITEALL")->trigger();
        QVERIFY(rig.window->engine().model().req.BroadcastMode);
        QVERIFY(
            rig.runUntil([&] { return !rig.window->engine().model().req.DownloadActive; }, 120000));
        for (const QString& t : rig.dialogs.messages())
            QVERIFY(t != QString::fromLatin1(text::DifferentModelConfirm));
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    // A backup restores the controller it came from: upload, a change on the
    // controller, WRITE TO SELECTED DEVICE, and the change is undone.
    void downloadRestoresTheUploadedSettings() {
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        rig.action("UPLOAD1")->trigger();
        QVERIFY(rig.runUntil([&] { return !rig.dialogs.messages().isEmpty(); }, 120000));
        auto* sv = rig.find<QLineEdit>("SV");
        sv->setText("55.5");
        QTest::keyClick(sv, Qt::Key_Return);
        const DeviceSlot& slot = rig.window->engine().model().deviceSlots[0];
        QVERIFY(rig.runUntil([&] { return slot.SvValue == 555; }, 30000));
        rig.action("DOWNLOAD1")->trigger(); // same family: nothing to ask
        QVERIFY(rig.window->engine().model().req.DownloadActive);
        QVERIFY(rig.runUntil([&] { return slot.SvValue == 1000; }, 120000));
        QVERIFY(!rig.window->engine().model().req.DownloadActive);
        QCOMPARE(rig.text("SV"), QString("100.0"));
        QCOMPARE(rig.dialogs.unscripted(), 0);
    }

    void openChecksTheFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("menusOn");
        QByteArray good(260, '\x11');
        good[256] = 'C';
        good[257] = 0x01;
        good[258] = 0x20;
        good[259] = 0x64;
        QByteArray badCheck = good;
        badCheck[259] = 0x65;
        QTest::newRow("good") << good << "ZUC V1.20 parameters successful load"
                              << "Done" << true;
        QTest::newRow("259 bytes") << good.left(259) << "File data length or content error !"
                                   << "File Error" << false;
        QTest::newRow("wrong check byte") << badCheck << "File data length or content error !"
                                          << "File Error" << false;
    }
    void openChecksTheFile() {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(bool, menusOn);
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        QTemporaryDir dir;
        const QString path = dir.filePath("in.par");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        rig.dialogs.pushFileName(path);
        rig.action("OPEN1")->trigger();
        QCOMPARE(rig.dialogs.messages().last(), text);
        QCOMPARE(rig.dialogs.shown().last().caption, caption);
        QCOMPARE(rig.action("SAVEAS1")->isEnabled(), menusOn);
        QCOMPARE(rig.action("WRITEALL")->isEnabled(), menusOn);
    }

    // Writing a family-C image to the family-B controller asks first; No
    // sends nothing.
    void downloadOfAnotherFamilyAsksFirst() {
        WindowRig rig;
        QVERIFY(ConnectFamilyB(rig));
        QTemporaryDir dir;
        const QString path = dir.filePath("c.par");
        QByteArray c(260, '\0');
        c[256] = 'C';
        c[259] = 'C';
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(c);
        f.close();
        rig.dialogs.pushFileName(path);
        rig.action("OPEN1")->trigger();
        rig.dialogs.pushAnswer(false);
        rig.action("DOWNLOAD1")->trigger();
        QCOMPARE(rig.dialogs.shown().last().text, QString::fromLatin1(text::DifferentModelConfirm));
        QCOMPARE(rig.dialogs.shown().last().caption, QString("Model Name Confirm"));
        QVERIFY(!rig.window->engine().model().req.DownloadActive);
        rig.dialogs.pushAnswer(true);
        rig.action("DOWNLOAD1")->trigger();
        QVERIFY(rig.window->engine().model().req.DownloadActive);
        QVERIFY(
            rig.runUntil([&] { return !rig.window->engine().model().req.DownloadActive; }, 120000));
        QVERIFY(!rig.find<QProgressBar>("ProgressBar")->isVisible());
    }
};

QTEST_MAIN(TestParameterFileMenu)
#include "tst_parameter_file_menu.moc"
