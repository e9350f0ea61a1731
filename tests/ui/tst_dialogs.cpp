#include "ui/dialogs.h"

#include <QDialog>
#include <QPushButton>
#include <QtTest>

using namespace zu;

class TestDialogs : public QObject {
    Q_OBJECT
  private slots:
    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("description already shows a pattern")
            << "Parameters backup files (*.par)|*.PAR"
            << QStringList{"Parameters backup files (*.PAR *.par)"};
        QTest::newRow("record files")
            << "Record files (*.rec)|*.REC" << QStringList{"Record files (*.REC *.rec)"};
        QTest::newRow("dollar in the extension")
            << "Ramp soak table files (*.r$s)|*.R$S"
            << QStringList{"Ramp soak table files (*.R$S *.r$s)"};
        QTest::newRow("plain text") << "Text|*.txt" << QStringList{"Text (*.txt *.TXT)"};
        QTest::newRow("two pairs, several patterns")
            << "Pictures|*.jpg;*.png|All|*"
            << QStringList{"Pictures (*.jpg *.JPG *.png *.PNG)", "All (*)"};
        QTest::newRow("a description without its pattern is dropped") << "Text" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(QtNameFilters(filter), expected);
    }

    void defaultExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("expected");
        QTest::newRow("added") << "/tmp/run1"
                               << "rec"
                               << "/tmp/run1.rec";
        QTest::newRow("kept") << "/tmp/run1.REC"
                              << "rec"
                              << "/tmp/run1.REC";
        QTest::newRow("other extension kept") << "/tmp/run1.txt"
                                              << "rec"
                                              << "/tmp/run1.txt";
        QTest::newRow("dot in a folder name") << "/tmp/a.b/run1"
                                              << "par"
                                              << "/tmp/a.b/run1.par";
        QTest::newRow("no default") << "/tmp/run1"
                                    << ""
                                    << "/tmp/run1";
        QTest::newRow("cancelled stays empty") << ""
                                               << "rec"
                                               << "";
    }
    void defaultExtension() {
        QFETCH(QString, name);
        QFETCH(QString, ext);
        QFETCH(QString, expected);
        QCOMPARE(WithDefaultExtension(name, ext), expected);
    }

    void scriptedAnswersInOrderAndRecordsPrompts() {
        ScriptedDialogs d;
        d.pushAnswer(true);
        d.pushAnswer(false);
        d.pushFileName("/tmp/x");
        d.message(nullptr, "hello", "Done");
        QVERIFY(d.confirmOkCancel(nullptr, "first ?"));
        QVERIFY(!d.askYesNo(nullptr, "second ?"));
        QCOMPARE(d.saveFileName(nullptr, "Record files (*.rec)|*.REC", "rec"),
                 QString("/tmp/x.rec"));
        QCOMPARE(d.unscripted(), 0);
        QVERIFY(d.allAnswersUsed());
        QCOMPARE(d.shown().size(), 4);
        QCOMPARE(d.shown()[0].kind, ScriptedDialogs::Kind::Message);
        QCOMPARE(d.shown()[0].caption, QString("Done"));
        QCOMPARE(d.shown()[3].kind, ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(d.shown()[3].text, QString("Record files (*.rec)|*.REC"));
        QCOMPARE(d.messages(), QStringList{"hello"});
    }

    void unscriptedPromptsAnswerNoAndAreCounted() {
        ScriptedDialogs d;
        QVERIFY(!d.confirmOkCancel(nullptr, "?"));
        QVERIFY(!d.askYesNo(nullptr, "?"));
        QVERIFY(d.openFileName(nullptr, "Text|*.txt").isEmpty());
        QDialog dlg;
        QCOMPARE(d.runModal(dlg), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(d.unscripted(), 4);
    }

    void modalScriptDrivesTheShownDialog() {
        ScriptedDialogs d;
        QDialog dlg;
        dlg.setObjectName("Probe");
        auto* ok = new QPushButton("OK", &dlg);
        connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
        bool wasVisible = false;
        d.pushModal([&](QDialog& shown) {
            wasVisible = shown.isVisible();
            QTest::mouseClick(shown.findChild<QPushButton*>(), Qt::LeftButton);
        });
        QCOMPARE(d.runModal(dlg), int(QDialog::Accepted));
        QVERIFY(wasVisible);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(d.shown().back().kind, ScriptedDialogs::Kind::Modal);
        QCOMPARE(d.shown().back().text, QString("Probe"));
    }

    void whileShownRunsDuringTheBox() {
        ScriptedDialogs d;
        QStringList during;
        d.whileShown = [&](const ScriptedDialogs::Shown& s) { during << s.text; };
        d.message(nullptr, "a");
        d.confirmOkCancel(nullptr, "b");
        QCOMPARE(during, (QStringList{"a", "b"}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
