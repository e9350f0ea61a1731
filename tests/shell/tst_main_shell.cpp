#include "core/app_state.h"
#include "core/texts.h"
#include "shell/main_shell.h"
#include "support/scripted_line.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace zu;

namespace {

// Records what the logic asked of the form; a protocol window run can be
// given something to do (the user's OK, say).
struct RecordingView : MainView {
    QStringList calls;
    std::function<void()> duringProtocol;
    bool recorderExists = true;
    AppState* state = nullptr;
    void showMessage(const QString& t) override { calls << "message:" + t; }
    void runProtocolWindow() override {
        calls << (state->ProtocolDeviceMode ? "protocol:device" : "protocol:pc");
        if (duringProtocol)
            duringProtocol();
    }
    void showMonitor() override { calls << "monitor"; }
    bool runRecorder() override {
        calls << "recorder";
        return recorderExists;
    }
    void runAbout() override { calls << "about"; }
    void closeMainWindow() override { calls << "exit"; }
};

struct FakeUserMessage : UserMessageWindow {
    int closed = 0;
    void closeUserMessage() override { ++closed; }
};

} // namespace

class TestMainShell : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<AppState> state;
    RecordingView view;
    std::unique_ptr<MainShell> shell;

    void writeSetting(const QByteArray& text) {
        QFile f(state->settingFilePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        PortDirectory pd;
        pd.set(2, "sim");
        pd.set(4, "/dev/ttyUSB0");
        state = std::make_unique<AppState>(clock, lines, pd);
        state->settingFilePath = dir->filePath("SETDT.$$$");
        state->BuildPortPresent();
        view = RecordingView();
        view.state = state.get();
        shell = std::make_unique<MainShell>(*state, view);
    }

    void ownership_data() {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("expected");
        const struct {
            const char* handler;
            const char* action;
            std::array<bool, 4> allowed; // for owners 0, 2, 3, 4
        } table[] = {
            {"PROTOCOL1Click", "protocol:pc", {true, false, false, false}},
            {"ZUCSET1Click", "protocol:device", {true, true, false, false}},
            {"MONITOR1Click", "monitor", {true, false, true, false}},
            {"ToolButton3Click", "recorder", {true, false, false, true}},
            {"ABOUT1Click", "about", {true, true, true, true}},
            {"EXIT1Click", "exit", {true, true, true, true}},
        };
        const int owners[] = {0, 2, 3, 4};
        for (const auto& row : table)
            for (int i = 0; i < 4; ++i)
                QTest::addRow("%s owner %d", row.handler, owners[i])
                    << row.handler << owners[i]
                    << (row.allowed[std::size_t(i)]
                            ? QString::fromLatin1(row.action)
                            : QStringLiteral("message:") + PortInUseMessage(owners[i]));
    }
    void ownership() {
        QFETCH(QString, handler);
        QFETCH(int, owner);
        QFETCH(QString, expected);
        writeSetting("946");
        state->PortOwner = owner;
        state->ProtocolDeviceMode = !handler.startsWith("PROTOCOL"); // must be set by the handler
        const std::map<QString, void (MainShell::*)()> handlers = {
            {"PROTOCOL1Click", &MainShell::PROTOCOL1Click},
            {"ZUCSET1Click", &MainShell::ZUCSET1Click},
            {"MONITOR1Click", &MainShell::MONITOR1Click},
            {"ToolButton3Click", &MainShell::ToolButton3Click},
            {"ABOUT1Click", &MainShell::ABOUT1Click},
            {"EXIT1Click", &MainShell::EXIT1Click}};
        (shell.get()->*handlers.at(handler))();
        QCOMPARE(view.calls, QStringList{expected});
        QCOMPARE(state->PortOwner, owner); // no handler changes the owner
    }

    void portInUseSaysWhoHoldsTheLineAndHowToFreeIt_data() {
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("second");
        QTest::newRow("protocol window") << int(PortProtocol) << QString(text::PortHeldByProtocol);
        QTest::newRow("monitor") << int(PortMonitor) << QString(text::PortHeldByMonitor);
        QTest::newRow("recorder") << int(PortRecorder) << QString(text::PortHeldByRecorder);
    }
    void portInUseSaysWhoHoldsTheLineAndHowToFreeIt() {
        QFETCH(int, owner);
        QFETCH(QString, second);
        writeSetting("946");
        state->PortOwner = owner;
        shell->PROTOCOL1Click();
        QCOMPARE(view.calls.size(), 1);
        const QStringList lines = view.calls[0].mid(int(qstrlen("message:"))).split('\n');
        QCOMPARE(lines, (QStringList{text::ComPortInUse, second}));
    }

    void startUpSetsNoDisplayNameForTheCaptions() {
        // A display name set at start-up is appended to every window's
        // caption by the window system; unset, it follows the application
        // name.
        NameApplication();
        QCOMPARE(QCoreApplication::applicationName(), QString("zucomm"));
        QCOMPARE(QCoreApplication::applicationVersion(), QString("1.0.1.0"));
        QCoreApplication::setApplicationName("probe");
        QCOMPARE(QGuiApplication::applicationDisplayName(), QString("probe"));
        NameApplication();
    }

    void refusalChangesNothing() {
        writeSetting("946");
        shell->FormActivate();
        state->ComSettingWord = 1234; // not what the file holds
        state->ProtocolDeviceMode = true;
        state->PortOwner = PortMonitor;
        shell->PROTOCOL1Click();
        QCOMPARE(state->ComSettingWord, 1234);
        QVERIFY(state->ProtocolDeviceMode);
    }

    void activationLoadsTheFile() {
        writeSetting("946");
        shell->FormActivate();
        QVERIFY(view.calls.isEmpty());
        QVERIFY(state->SettingLoaded);
        QCOMPARE(state->ComSettingWord, 946);
        QCOMPARE(state->Com.ComPortNumber, 3);
        QCOMPARE(state->Com.ComBaud, 19200);
        QCOMPARE(state->Com.ComDataBits, 8);
        QVERIFY(state->Com.RtuMode);
    }

    void activationWithoutFileAsksInThePcFace() {
        state->ProtocolDeviceMode = true;
        int wordDuring = -1;
        view.duringProtocol = [&] { wordDuring = state->ComSettingWord; };
        shell->FormActivate();
        QCOMPARE(view.calls, QStringList{"protocol:pc"});
        QCOMPARE(wordDuring, 2 * 256 + 36); // first present port is COM2
        QVERIFY(!state->SettingLoaded);
        QCOMPARE(state->Com.ComPortNumber, 2);
        QCOMPARE(state->Com.ComBaud, 9600);
        // Still no file: every activation asks again.
        shell->FormActivate();
        QCOMPARE(view.calls, (QStringList{"protocol:pc", "protocol:pc"}));
    }

    void activationLeavesTheSettingOfAnOwnedLine_data() {
        QTest::addColumn<int>("owner");
        QTest::addColumn<bool>("file"); // SETDT.$$$ exists (and changed meanwhile)
        QTest::newRow("monitor, no file") << int(PortMonitor) << false;
        QTest::newRow("monitor, file changed") << int(PortMonitor) << true;
        QTest::newRow("protocol") << int(PortProtocol) << false;
        QTest::newRow("recorder") << int(PortRecorder) << false;
    }
    // The owner polls with the setting it opened its port with: coming back
    // to the main window neither asks for another one nor loads one, until
    // the line is free again.
    void activationLeavesTheSettingOfAnOwnedLine() {
        QFETCH(int, owner);
        QFETCH(bool, file);
        writeSetting("946");
        shell->FormActivate();
        if (file)
            writeSetting("292");
        else
            QVERIFY(QFile::remove(state->settingFilePath));
        view.duringProtocol = [&] { QVERIFY(state->StoreComSetting(292)); };
        state->PortOwner = owner;
        shell->FormActivate();
        shell->ABOUT1Click();
        QCOMPARE(view.calls, QStringList{"about"});
        QCOMPARE(state->ComSettingWord, 946);
        QCOMPARE(state->Com.ComPortNumber, 3);
        QVERIFY(state->Com.RtuMode);
        QCOMPARE(state->Com.ComBaud, 19200);
        QCOMPARE(state->PortOwner, owner);

        // the line is free: the next activation does what it always does
        state->PortOwner = PortFree;
        shell->FormActivate();
        QCOMPARE(view.calls, file ? QStringList{"about"} : (QStringList{"about", "protocol:pc"}));
        QCOMPARE(state->ComSettingWord, 292);
        QVERIFY(!state->Com.RtuMode);
        QCOMPARE(state->Com.ComPortNumber, 1);
    }

    void settingFileThatCannotBeReadIsToldOnce() {
        // A folder in its place: even root cannot read it as a file.
        QVERIFY(QDir().mkdir(state->settingFilePath));
        const QString told = QStringLiteral("message:%1 cannot be read (it is a folder); the "
                                            "default setting is used.")
                                 .arg(QFileInfo(state->settingFilePath).absoluteFilePath());
        shell->FormActivate();
        // Told, then asked as without a file, and the default word is used.
        QCOMPARE(view.calls, (QStringList{told, "protocol:pc"}));
        QVERIFY(!state->SettingLoaded);
        QCOMPARE(state->ComSettingWord, 2 * 256 + 36);
        // Not again at every activation while nothing changed.
        shell->FormActivate();
        QCOMPARE(view.calls, (QStringList{told, "protocol:pc", "protocol:pc"}));
        // Readable again, then unreadable again: told again.
        QVERIFY(QDir().rmdir(state->settingFilePath));
        writeSetting("946");
        shell->FormActivate();
        QVERIFY(state->SettingLoaded);
        QVERIFY(QFile::remove(state->settingFilePath));
        QVERIFY(QDir().mkdir(state->settingFilePath));
        shell->FormActivate();
        QCOMPARE(view.calls.count(told), 2);
    }

    void activationInsideItsOwnWindowDoesNotAskAgain() {
        int nested = 0;
        view.duringProtocol = [&] {
            if (nested++ < 3)
                shell->FormActivate(); // the main window becomes active as the window closes
        };
        shell->FormActivate();
        QCOMPARE(view.calls.size(), 1);
    }

    void okInTheAskedWindowIsLoadedAtOnce() {
        view.duringProtocol = [&] { QVERIFY(state->StoreComSetting(946)); };
        shell->FormActivate();
        QVERIFY(state->SettingLoaded); // read back as the window closed
        QCOMPARE(state->Com.ComPortNumber, 3);
        QVERIFY(state->Com.RtuMode);
        shell->FormActivate();
        QCOMPARE(view.calls.size(), 1);
        QVERIFY(state->SettingLoaded);
    }

    void protocolWindowCloseRestoresTheStoredWord() {
        writeSetting("946");
        shell->FormActivate();
        // The window picked COM2 and the store failed: the file's word comes back.
        view.duringProtocol = [&] {
            state->Com.ComPortNumber = 2;
            state->ComSettingWord = 2 * 256 + 36;
        };
        shell->PROTOCOL1Click();
        QCOMPARE(state->ComSettingWord, 946);
        QCOMPARE(state->Com.ComPortNumber, 3);
    }

    void cancelledMenuWindowDoesNotComeBackAtOnce() {
        shell->PROTOCOL1Click(); // no file, user cancels
        QCOMPARE(view.calls, QStringList{"protocol:pc"});
        QVERIFY(!state->SettingLoaded);
        QCOMPARE(state->ComSettingWord, 2 * 256 + 36);
        shell->ABOUT1Click(); // a later activation asks again
        QCOMPARE(view.calls, (QStringList{"protocol:pc", "about", "protocol:pc"}));
    }

    void recorderThatDoesNotExistChangesNothing() {
        view.recorderExists = false;
        shell->ToolButton3Click();
        QCOMPARE(view.calls, QStringList{"recorder"});
    }

    void formShowStoresTheWidth() {
        shell->FormShow(1280);
        QCOMPARE(state->ScaleWidth, 1280);
    }

    void timer1ClosesTheUserMessageOnlyInTheDeviceFace() {
        FakeUserMessage msg;
        shell->setUserMessageWindow(&msg);
        QVERIFY(!shell->Timer1.enabled());
        QCOMPARE(shell->Timer1.interval(), 1500);
        shell->Timer1.setInterval(500);
        shell->Timer1.start();
        state->ProtocolDeviceMode = false;
        clock.advance(500);
        QCOMPARE(msg.closed, 0);
        QVERIFY(shell->Timer1.enabled());
        state->ProtocolDeviceMode = true;
        clock.advance(500);
        QCOMPARE(msg.closed, 1);
        QVERIFY(!shell->Timer1.enabled());
        clock.advance(5000);
        QCOMPARE(msg.closed, 1);
        shell->forgetUserMessageWindow(&msg);
        shell->Timer1.start();
        clock.advance(500); // nothing left to close
        QCOMPARE(msg.closed, 1);
    }
};

QTEST_GUILESS_MAIN(TestMainShell)
#include "tst_main_shell.moc"
