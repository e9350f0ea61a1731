#include "core/apd_com_port.h"
#include "core/app_state.h"
#include "core/texts.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/widgets/monitor_window.h"
#include "protocol/protocol_window.h"
#include "shell/main_window.h"
#include "shell/shell_texts.h"
#include "support/scripted_line.h"
#include "ui/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace zu;

class TestMainWindow : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<AppState> state;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;

    QString file() const { return state->settingFilePath; }
    QStringList modalsShown() const {
        QStringList out;
        for (const auto& s : dialogs.shown())
            if (s.kind == ScriptedDialogs::Kind::Modal)
                out << s.text;
        return out;
    }
    static void clickButton(QDialog& d, const char* name) {
        auto* b = d.findChild<QPushButton*>(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void trigger(const char* action) {
        auto* a = form->findChild<QAction*>(action);
        QVERIFY2(a, action);
        a->trigger();
    }
    void writeSetting(const QByteArray& text) {
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        PortDirectory pd;
        pd.set(3, "sim");
        pd.set(5, "/dev/ttyUSB0");
        state = std::make_unique<AppState>(clock, lines, pd);
        state->settingFilePath = dir->filePath("SETDT.$$$");
        dialogs.clear();
        form = std::make_unique<TMainForm>(*state, dialogs);
    }
    void cleanup() { form.reset(); }

    void constructionFindsThePorts() {
        for (int n = 0; n <= 12; ++n)
            QCOMPARE(state->PortPresent[std::size_t(n)], n == 3 || n == 5);
    }

    void firstStartAsksUntilStored() {
        bool firstPortSelected = false;
        dialogs.pushModal([&](QDialog& d) {
            auto* com3 = d.findChild<QRadioButton*>("COM3");
            firstPortSelected = com3 && com3->isChecked();
            clickButton(d, "CancelBt");
        });
        form->show();
        QVERIFY(state->ScaleWidth > 0);
        QTRY_COMPARE(modalsShown(), QStringList{"TProtocol"});
        QVERIFY(firstPortSelected);
        QCoreApplication::processEvents();
        QCOMPARE(modalsShown(), QStringList{"TProtocol"}); // Cancel is not asked again at once
        QVERIFY(!QFile::exists(file()));
        QVERIFY(!state->SettingLoaded);

        // The next activation (here the close of the about box) asks again; OK stores.
        dialogs.pushModal([](QDialog& d) { d.reject(); });
        dialogs.pushModal([](QDialog& d) { clickButton(d, "OKBt"); });
        trigger("ABOUT1");
        QCOMPARE(modalsShown(), (QStringList{"TProtocol", "TABOUT", "TProtocol"}));
        QFile f(file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray::number(3 * 256 + 36));
        QVERIFY(state->SettingLoaded);
        QCOMPARE(state->Com.ComPortNumber, 3);

        // From now on an activation only reads the file.
        dialogs.pushModal([](QDialog& d) { d.reject(); });
        trigger("ABOUT1");
        QCOMPARE(modalsShown().size(), 4);
        QCOMPARE(dialogs.unscripted(), 0);
    }

    void storedSettingIsLoadedAtStart() {
        writeSetting("946");
        form->show();
        QTRY_VERIFY(state->SettingLoaded);
        QVERIFY(modalsShown().isEmpty());
        QCOMPARE(state->Com.ComPortNumber, 3);
        QVERIFY(state->Com.RtuMode);
    }

    void menusAndToolBar_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("SET1") << "SET1"
                              << "SET PC COM";
        QTest::newRow("ZUCSET1") << "ZUCSET1"
                                 << "SET Modelue COM";
        QTest::newRow("MONITOR1") << "MONITOR1"
                                  << "MONITOR";
        QTest::newRow("RECODER1") << "RECODER1"
                                  << "RECODER";
        QTest::newRow("EXIT1") << "EXIT1"
                               << "EXIT";
        QTest::newRow("ABOUT1") << "ABOUT1"
                                << "ABOUT";
        QTest::newRow("ToolButton1") << "ToolButton1" << text::HintPcProtocol;
        QTest::newRow("ToolButton11") << "ToolButton11" << text::HintModuleProtocol;
        QTest::newRow("ToolButton2") << "ToolButton2" << text::HintMonitor;
        QTest::newRow("ToolButton3") << "ToolButton3" << text::HintRecorder;
    }
    void menusAndToolBar() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        if (auto* a = form->findChild<QAction*>(name)) {
            // An & only marks the Alt key; what reads is the caption.
            QCOMPARE(QString(a->text()).remove('&'), text);
            return;
        }
        auto* b = form->findChild<QToolButton*>(name);
        QVERIFY(b);
        QCOMPARE(b->toolTip(), text);
        QCOMPARE(b->size(), QSize(39, 38));
        QVERIFY(!b->icon().isNull());
    }

    void menusOpenFromTheKeyboard_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("menu");
        QTest::newRow("Alt+P") << int(Qt::Key_P) << int(Qt::AltModifier) << "PROTOCOL1";
        QTest::newRow("Alt+R") << int(Qt::Key_R) << int(Qt::AltModifier) << "PROGRAM1";
        QTest::newRow("F10") << int(Qt::Key_F10) << int(Qt::NoModifier) << "PROTOCOL1";
    }
    void menusOpenFromTheKeyboard() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, menu);
        writeSetting("946");
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(state->SettingLoaded);
        QTest::keyClick(form.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(QApplication::activePopupWidget());
        QCOMPARE(QApplication::activePopupWidget()->objectName(), menu);
        // Down and Enter choose an item: the first of PROTOCOL asks for the PC dialog.
        if (menu == "PROTOCOL1") {
            dialogs.pushModal([](QDialog& d) { d.reject(); });
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
            QTRY_COMPARE(modalsShown(), QStringList{"TProtocol"});
        } else {
            QApplication::activePopupWidget()->close();
        }
    }

    void exitAndAboutHaveAltKeys() {
        writeSetting("946");
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QSignalSpy about(form->findChild<QAction*>("ABOUT1"), &QAction::triggered);
        QSignalSpy exit(form->findChild<QAction*>("EXIT1"), &QAction::triggered);
        dialogs.pushModal([](QDialog& d) { d.reject(); });
        QTest::keyClick(form.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(about.size(), 1);
        QTest::keyClick(form.get(), Qt::Key_X, Qt::AltModifier);
        QTRY_COMPARE(exit.size(), 1);
    }

    void toolButtonsRunTheMenuHandlers() {
        writeSetting("946");
        state->PortOwner = PortMonitor;
        QTest::mouseClick(form->findChild<QToolButton*>("ToolButton1"), Qt::LeftButton);
        QTest::mouseClick(form->findChild<QToolButton*>("ToolButton11"), Qt::LeftButton);
        QTest::mouseClick(form->findChild<QToolButton*>("ToolButton3"), Qt::LeftButton);
        QCOMPARE(dialogs.messages(), QStringList(3, PortInUseMessage(PortMonitor)));
    }

    void monitorIsShownWhenAllowed() {
        writeSetting("946");
        QWidget monitor;
        form->setMonitorWindow(&monitor);
        state->PortOwner = PortRecorder;
        trigger("MONITOR1");
        QVERIFY(!monitor.isVisible());
        QCOMPARE(dialogs.messages(), QStringList{PortInUseMessage(PortRecorder)});
        state->PortOwner = PortMonitor; // the monitor's own line: brought back
        trigger("MONITOR1");
        QVERIFY(monitor.isVisible());
    }

    void recorderRunsModallyWhenAllowed() {
        writeSetting("946");
        int made = 0;
        form->setRecorderFactory([&](QWidget* parent) {
            ++made;
            auto d = std::make_unique<QDialog>(parent);
            d->setObjectName("TPRecord");
            return d;
        });
        state->PortOwner = PortProtocol;
        trigger("RECODER1");
        QCOMPARE(made, 0);
        state->PortOwner = PortRecorder;
        dialogs.pushModal([](QDialog& d) { d.reject(); });
        trigger("RECODER1");
        QCOMPARE(made, 1);
        QCOMPARE(modalsShown(), QStringList{"TPRecord"});
    }

    void comingBackFromTheMonitorReadsTheSettingAgain() {
        writeSetting("946");
        QWidget monitor;
        form->setMonitorWindow(&monitor);
        form->show();
        form->activateWindow();
        QTRY_VERIFY(state->SettingLoaded);
        QTRY_COMPARE(QGuiApplication::focusWindow(), form->windowHandle());
        trigger("MONITOR1");
        QTRY_COMPARE(QGuiApplication::focusWindow(), monitor.windowHandle());
        writeSetting("292"); // changed behind the program's back
        QCOMPARE(state->ComSettingWord, 946);
        form->activateWindow();
        QTRY_COMPARE(state->ComSettingWord, 292);
        QCOMPARE(state->Com.ComPortNumber, 1);
        QVERIFY(modalsShown().isEmpty());
    }

    void exitEndsTheMonitorAndFreesTheLine_data() {
        QTest::addColumn<bool>("menu"); // EXIT, or the main window's own close
        QTest::newRow("EXIT") << true;
        QTest::newRow("window closed") << false;
    }
    void exitEndsTheMonitorAndFreesTheLine() {
        QFETCH(bool, menu);
        writeSetting("946"); // COM3
        TPMonitor monitor(*state, dialogs);
        form->setMonitorWindow(&monitor);
        form->show();
        QTRY_VERIFY(state->SettingLoaded);
        trigger("MONITOR1");
        QVERIFY(monitor.isVisible());
        QTest::mouseClick(monitor.findChild<QPushButton*>("RunBt0"), Qt::LeftButton);
        QCOMPARE(state->PortOwner, int(PortMonitor));
        test::ScriptedLine* line = lines.last;
        QVERIFY(line && line->isOpen());
        clock.advance(1000);
        QVERIFY(line->written.size() > 1); // polling, unanswered

        if (menu)
            trigger("EXIT1");
        else
            form->close();
        QVERIFY(!form->isVisible());
        QVERIFY(!monitor.isVisible());
        QCOMPARE(monitor.engine().state(), MonitorEngine::State::Closed);
        QVERIFY(!monitor.engine().port().Open()); // its line is gone with the port
        QCOMPARE(state->PortOwner, int(PortFree));
        const int made = lines.created;
        clock.advance(5000);
        QCOMPARE(lines.created, made); // nothing opens the line again
        QVERIFY(!monitor.engine().port().Open());
        // no window of the program is left up to keep it running
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    // While the monitor polls, coming back to the main window without a stored
    // setting does not open the PC dialog under it: its frames keep their
    // framing. Once the monitor has closed its port the dialog comes again.
    void comingBackFromAPollingMonitorKeepsItsFraming() {
        QWidget* pcDialog = nullptr;
        dialogs.pushModal([&](QDialog& d) { clickButton(d, "CancelBt"); });
        form->show();
        QTRY_COMPARE(modalsShown(), QStringList{"TProtocol"});
        QCOMPARE(state->Com.ComPortNumber, 3);
        QVERIFY(!state->Com.RtuMode);

        TPMonitor monitor(*state, dialogs);
        form->setMonitorWindow(&monitor);
        trigger("MONITOR1");
        QTRY_COMPARE(QGuiApplication::focusWindow(), monitor.windowHandle());
        QTest::mouseClick(monitor.findChild<QPushButton*>("RunBt0"), Qt::LeftButton);
        test::ScriptedLine* line = lines.last;
        QVERIFY(line && line->isOpen());
        clock.advance(1000);

        // If the dialog came, the user would choose RTU and OK.
        dialogs.pushModal([&](QDialog& d) {
            pcDialog = &d;
            auto* rtu = d.findChild<QRadioButton*>("Format_1");
            QVERIFY(rtu);
            QTest::mouseClick(rtu, Qt::LeftButton);
            clickButton(d, "OKBt");
        });
        const auto before = line->written.size();
        form->activateWindow();
        QTRY_VERIFY(QGuiApplication::focusWindow() == form->windowHandle() ||
                    modalsShown().size() > 1);
        QCoreApplication::processEvents();
        QCOMPARE(modalsShown(), QStringList{"TProtocol"});
        QVERIFY(!state->Com.RtuMode);
        clock.advance(2000);
        QVERIFY(line->written.size() > before);
        for (auto i = before; i < line->written.size(); ++i)
            QVERIFY2(line->written[i].startsWith(':') && line->written[i].endsWith("\r\n"),
                     line->written[i].toHex().constData());

        // The line is free again: the next activation asks.
        trigger("MONITOR1");
        QTRY_COMPARE(QGuiApplication::focusWindow(), monitor.windowHandle());
        monitor.close();
        QCOMPARE(state->PortOwner, int(PortFree));
        form->activateWindow();
        QTRY_COMPARE(modalsShown(), (QStringList{"TProtocol", "TProtocol"}));
        QVERIFY(pcDialog);
        QVERIFY(QFile::exists(file()));
    }

    // The protocol window works with the main window's port, its reply
    // gathering and the user-message window.
    void protocolWindowGetsTheRepliesAndTheUserMessage() {
        writeSetting("292"); // COM1 is not present here: the window works on COM3
        int replies = 0;
        QString rxAtReply, line1, line2;
        bool openAfterTick = true;
        dialogs.pushModal([&](QDialog& d) {
            auto* w = qobject_cast<TProtocol*>(&d);
            QVERIFY(w);
            const ProtocolContext& c = w->context();
            QCOMPARE(&c.replies, &form->replies());

            // a request and its reply, as the scan and the device change make them
            c.replies.ProtocolReplyHandler = [&] {
                ++replies;
                rxAtReply = c.replies.ProtocolRxText();
            };
            c.replies.ApdComPortMain.setComNumber(3);
            QVERIFY(c.replies.ApdComPortMain.setOpen(true));
            state->PortOwner = PortProtocol;
            const std::string probe = ":010347010001B3\r\n";
            QVERIFY(c.replies.SendProtocolRequest({probe.begin(), probe.end()}));
            lines.last->push(":01030203E811\r\n");
            clock.runDue();

            // the user message, closed by Timer1 while the device face is up
            dialogs.pushModal([&](QDialog& m) {
                line1 = m.findChild<QLabel*>("PWRLB1")->text();
                line2 = m.findChild<QLabel*>("PWRLB2")->text();
                clock.advance(500);
                openAfterTick = m.isVisible();
            });
            w->ShowUserMessage(252);
            clickButton(d, "CancelBt");
        });
        trigger("ZUCSET1");
        QCOMPARE(modalsShown(), (QStringList{"TProtocol", "TDISPUPDATE"}));
        QCOMPARE(replies, 1);
        QCOMPARE(rxAtReply, QStringLiteral(":01030203E811"));
        QCOMPARE(state->UserMessageCode, 252);
        QCOMPARE(line1, QString::fromLatin1(text::ChangingProtocol));
        QCOMPARE(line2, QString::fromLatin1(text::PleaseWait));
        QVERIFY(!openAfterTick);
        QVERIFY(!form->shell().Timer1.enabled());
        // Cancel closed the port and freed the line; nobody waits for replies now
        QVERIFY(!form->replies().ApdComPortMain.Open());
        QCOMPARE(state->PortOwner, int(PortFree));
        QVERIFY(!form->replies().ProtocolReplyHandler);
        QCOMPARE(dialogs.unscripted(), 0);
    }

    void exitClosesTheMainWindow() {
        writeSetting("946");
        form->show();
        QTRY_VERIFY(state->SettingLoaded);
        trigger("EXIT1");
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
