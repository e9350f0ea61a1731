#include "core/app_state.h"
#include "core/texts.h"
#include "shell/about_box.h"
#include "shell/main_shell.h"
#include "shell/shell_texts.h"
#include "shell/user_message.h"
#include "support/scripted_line.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace zu;

namespace {

struct NullView : MainView {
    void showMessage(const QString&) override {}
    void runProtocolWindow() override {}
    void showMonitor() override {}
    bool runRecorder() override { return false; }
    void runAbout() override {}
    void closeMainWindow() override {}
};

} // namespace

class TestAuxWindows : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    std::unique_ptr<AppState> state;
    NullView view;
    std::unique_ptr<MainShell> shell;

  private slots:
    void init() {
        clock = VirtualClock();
        state = std::make_unique<AppState>(clock, lines, PortDirectory());
        shell = std::make_unique<MainShell>(*state, view);
    }

    void userMessageCloses_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("252") << 252 << 500 << text::ChangingProtocol << text::PleaseWait;
        QTest::newRow("251") << 251 << 3000 << text::AutoSyncSuccess << text::ConnectExtendDevice;
    }
    void userMessageCloses() {
        QFETCH(int, code);
        QFETCH(int, ms);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        state->ProtocolDeviceMode = true;
        state->UserMessageCode = code;
        TDISPUPDATE w(*state, *shell);
        w.show();
        QVERIFY(w.isVisible());
        QCOMPARE(w.findChild<QLabel*>("PWRLB1")->text(), line1);
        QCOMPARE(w.findChild<QLabel*>("PWRLB2")->text(), line2);
        auto* button = w.findChild<QPushButton*>("Button1");
        QVERIFY(!button->isVisible());
        QVERIFY(shell->Timer1.enabled());
        QCOMPARE(shell->Timer1.interval(), ms);
        clock.advance(ms - 1);
        QVERIFY(w.isVisible());
        QVERIFY(!button->isVisible());
        clock.advance(1);
        QVERIFY(!w.isVisible());
        QVERIFY(!shell->Timer1.enabled());
        QVERIFY(!button->isVisible());
    }

    void userMessageGoneLeavesTimer1Harmless() {
        state->ProtocolDeviceMode = true;
        state->UserMessageCode = 252;
        {
            TDISPUPDATE w(*state, *shell);
            w.show();
        }
        clock.advance(500); // the window is gone: nothing to close, no crash
        QVERIFY(!shell->Timer1.enabled());
    }

    void userMessageScalesToItsWidth() {
        state->UserMessageCode = 252;
        TDISPUPDATE w(*state, *shell);
        w.show();
        auto* l = w.findChild<QLabel*>("PWRLB1");
        QCOMPARE(l->width(), w.width()); // across the whole width
        QCOMPARE(w.size(), QSize(449, 102));
        w.hide();
        w.show(); // shown again: not scaled twice
        QCOMPARE(l->width(), w.width());
    }

    void aboutBoxTexts() {
        TABOUT about({"ports.conf:3: \"COMX=/dev/x\" is not COM1..COM12"});
        about.show();
        QCOMPARE(about.windowTitle(), QString("ABOUT"));
        auto text = [&](const char* name) {
            auto* l = about.findChild<QLabel*>(name);
            return l ? l->text() : QString("<none>");
        };
        QCOMPARE(text("Label2"), QString("Communication Program"));
        QCOMPARE(text("Label3"), QString("Version 1.0.1.0"));
        QCOMPARE(text("Label5"), QString("Recommanded Display Resolution 800 x 600 or above"));
        QVERIFY(!text("Label1").isEmpty());
        QVERIFY(!text("Label4").isEmpty());
        QVERIFY(text("MapProblems").contains("COMX"));
        // Scaled by width / 282: the logo grows from its design size to 112 x 57.
        auto* logo = about.findChild<QWidget*>("Image2");
        QCOMPARE(logo->size(), QSize(112, 57));
    }

    void aboutBoxShowsMapProblemsAsWritten() {
        PortDirectory d;
        d.applyMapText("COM3=<b>\x1b[2J</b>\n", "ports.conf");
        TABOUT about(d.problems());
        auto* l = about.findChild<QLabel*>("MapProblems");
        QVERIFY(l);
        QCOMPARE(l->textFormat(), Qt::PlainText); // not markup
        // (zero-width spaces after slashes let a long path wrap)
        QVERIFY2(l->text().remove(QChar(0x200B)).endsWith("COM3=<b>\\x1B[2J</b>"),
                 qPrintable(l->text()));
    }

    void aboutBoxShowsLongProblemsWhole_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("one long line") << 1;
        QTest::newRow("many long lines scroll") << 12;
    }
    void aboutBoxShowsLongProblemsWhole() {
        QFETCH(int, count);
        QStringList problems;
        for (int i = 0; i < count; ++i)
            problems << QStringLiteral(
                            "/home/technician/.config/zucomm/ports.conf:%1: device must be "
                            "an absolute path such as /dev/ttyUSB0, or sim (line "
                            "ignored): COM3=ttyUSB0")
                            .arg(i + 1);
        TABOUT about(problems);
        about.show();
        QCoreApplication::processEvents(); // the scroll area fits its text to the scaled font
        auto* list = about.findChild<QLabel*>("MapProblems");
        auto* area = about.findChild<QScrollArea*>("MapProblemsArea");
        QVERIFY(list && area);
        QVERIFY(list->wordWrap());
        for (int i = 0; i < count; ++i)
            QVERIFY(list->text().remove(QChar(0x200B)).contains(problems[i]));
        // Wrapped to the width it is given, nothing cut at the right...
        QVERIFY2(list->width() <= area->viewport()->width(),
                 qPrintable(QString("%1 %2 %3")
                                .arg(list->width())
                                .arg(area->viewport()->width())
                                .arg(list->minimumSizeHint().width())));
        QVERIFY(list->heightForWidth(list->width()) <= list->height());
        // ...and what does not fit below is reached by scrolling.
        const int hidden = list->height() - area->viewport()->height();
        QVERIFY(area->verticalScrollBar()->maximum() >= hidden);
        // The box stays a box.
        QVERIFY(about.height() < 400);
        QCOMPARE(about.width(), 342);
    }

    void aboutBoxWithoutProblemsHasItsSize() {
        TABOUT about;
        about.show();
        QCOMPARE(about.size(), QSize(342, 177));
        QVERIFY(!about.findChild<QLabel*>("MapProblems"));
    }
};

QTEST_MAIN(TestAuxWindows)
#include "tst_aux_windows.moc"
