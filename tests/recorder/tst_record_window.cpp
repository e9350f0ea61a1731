// The recorder window offscreen on virtual time, recording the three built-in
// simulated controllers (COM1 = "sim": A, B, C at 1, 2, 3, 9600 7E1 ASCII):
// Start and Stop through the button, values in the boxes, curves in the
// chart's image, a dropped slot, and closing while acquiring.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "recorder/widgets/record_window.h"
#include "sim/lib/standard_line_factory.h"
#include "ui/chart_image.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace zu;

namespace {

PortDirectory Ports() {
    PortDirectory p;
    p.set(1, QString::fromLatin1(kSimulatedDevice));
    return p;
}

struct RecorderRig {
    VirtualClock clock;
    sim::StandardLineFactory lines{clock};
    AppState app{clock, lines, Ports()};
    ReplyGathering replies{app};
    RecorderState rec;
    ScriptedDialogs dialogs;
    std::unique_ptr<TPRecord> window;

    RecorderRig() {
        app.Com = ComSetting{1, 9600, 7, 1, 1, false};
        window = std::make_unique<TPRecord>(app, replies, rec, dialogs);
        window->resize(1024, 740);
        window->show();
        QCoreApplication::processEvents();
    }
    template <class T = QWidget> T* find(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QString text(const QString& name) const {
        if (auto* e = find<QLineEdit>(name))
            return e->text();
        if (auto* b = find<QPushButton>(name))
            return b->text();
        if (auto* l = find<QLabel>(name))
            return l->text();
        return QStringLiteral("<no control %1>").arg(name);
    }
    void setAddresses(std::initializer_list<int> a) {
        int i = 0;
        for (int v : a)
            find<QSpinBox>(QStringLiteral("ComAddr%1").arg(i++))->setValue(v);
    }
    bool runUntil(const std::function<bool()>& pred, std::int64_t maxMs) {
        const std::int64_t end = clock.nowMs() + maxMs;
        while (!pred() && clock.nowMs() < end) {
            clock.advance(10);
            QCoreApplication::processEvents();
        }
        return pred();
    }
    // Pixels of the chart image in a slot's curve colour.
    int pixelsOf(int slot) {
        const QImage& img = window->chartImage().image();
        const Rgb c = DeviceColour[slot];
        const QRgb want = qRgb(c.r, c.g, c.b);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
        return n;
    }
};

} // namespace

class TestRecordWindow : public QObject {
    Q_OBJECT
  private slots:
    void designValues() {
        RecorderRig rig;
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Recorder Program"));
        QCOMPARE(rig.find<QSpinBox>("ComAddr0")->value(), 1);
        QCOMPARE(rig.find<QSpinBox>("ComAddr9")->value(), 0);
        QCOMPARE(rig.find<QSpinBox>("SampleTime")->value(), 1);
        QCOMPARE(rig.text("LoopCnt"), QStringLiteral(" 00000000"));
        QCOMPARE(rig.text("DevicePL9"), QStringLiteral("Device 10"));
        QCOMPARE(rig.find<QComboBox>("DisplayMd")->currentText(), QStringLiteral("Auto"));
        QCOMPARE(rig.find<QComboBox>("BGColor")->currentText(), QStringLiteral("White"));
        QVERIFY(!rig.find<QLineEdit>("MaxScale")->isEnabled());
        QVERIFY(rig.find("PlayPL")->isHidden());
        // The chart is as wide as the window allows and 365/808 of that high.
        const QSize chart = rig.window->chartImage().size();
        QVERIFY(chart.width() > 600);
        QVERIFY(qAbs(chart.height() * 795 - chart.width() * 365) < 795 * 3);
    }

    void sampleTimeZeroShowsHalfASecond() {
        RecorderRig rig;
        auto* edit = rig.find<QLineEdit>("SampleEdit");
        QVERIFY(edit->isHidden());
        rig.find<QSpinBox>("SampleTime")->setValue(0);
        QVERIFY(!edit->isHidden());
        QCOMPARE(edit->text(), QStringLiteral("0.5"));
        rig.find<QSpinBox>("SampleTime")->setValue(2);
        QVERIFY(edit->isHidden());
    }

    void recordsThreeControllers() {
        RecorderRig rig;
        rig.setAddresses({1, 2, 3});
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QCOMPARE(rig.text("StartBt"), QStringLiteral("Stop"));
        QCOMPARE(rig.find<QFrame>("BackGndP")->palette().color(QPalette::Window),
                 QColor(255, 0, 0));
        QVERIFY(!rig.find<QSpinBox>("ComAddr0")->isEnabled());
        QVERIFY(!rig.find<QSpinBox>("SampleTime")->isEnabled());
        QCOMPARE(rig.app.PortOwner, int(PortRecorder));
        QVERIFY(rig.runUntil([&] { return rig.rec.RecSampleCount >= 90; }, 200 * 1000));
        QCOMPARE(rig.text("LoopCnt").left(1), QStringLiteral(" "));
        for (int i = 0; i < 3; ++i) {
            bool ok = false;
            rig.text(QStringLiteral("PV%1").arg(i)).toDouble(&ok);
            QVERIFY2(ok, qPrintable(rig.text(QStringLiteral("PV%1").arg(i))));
        }
        // The three built-in controllers read alike: their curves lie on one
        // another, the last drawn on top, at least a pixel per sample.
        QVERIFY2(rig.pixelsOf(2) >= 80, qPrintable(QString::number(rig.pixelsOf(2))));
        QCOMPARE(rig.text("PV3"), QStringLiteral("0.0")); // every box is written, used or not
        QCOMPARE(rig.pixelsOf(3), 0);

        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QCOMPARE(rig.text("StartBt"), QStringLiteral("START"));
        QCOMPARE(rig.find<QFrame>("BackGndP")->palette().color(QPalette::Window),
                 QColor(0, 255, 0));
        QCOMPARE(rig.app.PortOwner, int(PortFree));
        QVERIFY(!rig.replies.ApdComPort1.Open());
        QVERIFY(rig.find<QSpinBox>("ComAddr0")->isEnabled());
    }

    void silentSlotIsDroppedAndShownRed() {
        RecorderRig rig;
        rig.setAddresses({1, 9}); // nobody at 9
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QVERIFY(rig.runUntil([&] { return rig.rec.RecFailedAt[1] != -1; }, 60 * 1000));
        QCOMPARE(rig.find<QSpinBox>("ComAddr1")->palette().color(QPalette::Base),
                 QColor(255, 0, 0));
        QVERIFY(rig.runUntil([&] { return rig.text("PV1") == QStringLiteral("Err"); }, 10000));
        QVERIFY(rig.rec.RecAcquiring); // slot 1 goes on
    }

    void hidingASlotTakesItsCurveOff() {
        RecorderRig rig;
        rig.setAddresses({1, 2});
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QVERIFY(rig.runUntil([&] { return rig.rec.RecSampleCount >= 20; }, 60 * 1000));
        QVERIFY(rig.pixelsOf(1) > 0);
        QTest::mouseClick(rig.find<QLabel>("DevicePL1"), Qt::LeftButton);
        QCOMPARE(rig.find<QSpinBox>("ComAddr1")->palette().color(QPalette::Base),
                 QColor(192, 192, 192));
        QCOMPARE(rig.pixelsOf(1), 0);
        QVERIFY(rig.pixelsOf(0) > 0);
    }

    void navyBackground() {
        RecorderRig rig;
        rig.find<QComboBox>("BGColor")->setCurrentIndex(4); // Navy
        const QImage& img = rig.window->chartImage().image();
        QCOMPARE(QColor(img.pixel(img.width() / 2, 20)), QColor(0, 0, 128));
    }

    void closingWhileAcquiringStops() {
        RecorderRig rig;
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QVERIFY(rig.runUntil([&] { return rig.rec.RecSampleCount >= 2; }, 10000));
        rig.window->close();
        QCOMPARE(rig.app.PortOwner, int(PortFree));
        QVERIFY(!rig.replies.ApdComPort1.Open());
        QVERIFY(!rig.rec.RecAcquiring);
        // A new window on the same state starts cleanly.
        rig.window = std::make_unique<TPRecord>(rig.app, rig.replies, rig.rec, rig.dialogs);
        rig.window->show();
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QCOMPARE(rig.text("StartBt"), QStringLiteral("Stop"));
        QVERIFY(rig.rec.RecAcquiring);
    }

    // At the two screen sizes a technician has: the chart fills the width
    // above the controls and every control is inside the window. Set
    // ZUCOMM_RECORDER_SHOTS to a folder to keep the pictures.
    void fitsTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024x768") << QSize(1024, 740);
        QTest::newRow("1920x1080") << QSize(1920, 1050);
    }
    void fitsTheScreen() {
        QFETCH(QSize, screen);
        RecorderRig rig;
        rig.window->resize(screen);
        QCoreApplication::processEvents();
        rig.setAddresses({1, 2, 3});
        rig.find<QSpinBox>("SampleTime")->setValue(0);
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QVERIFY(rig.runUntil([&] { return rig.rec.RecSampleCount >= 200; }, 400 * 1000));
        for (const char* name : {"ErrMess", "BGColor", "PV9", "ComAddr9", "ExitBt3"}) {
            QWidget* w = rig.find(QLatin1String(name));
            const QRect r(w->mapTo(rig.window.get(), QPoint(0, 0)), w->size());
            QVERIFY2(rig.window->rect().contains(r), name);
        }
        QVERIFY(rig.window->chartImage().width() > screen.width() * 3 / 4);
        QCOMPARE(rig.window->size(), screen); // nothing forces it wider or higher
        if (const QString dir = qEnvironmentVariable("ZUCOMM_RECORDER_SHOTS"); !dir.isEmpty())
            rig.window->grab().save(QStringLiteral("%1/recorder_%2x%3.png")
                                        .arg(dir)
                                        .arg(screen.width())
                                        .arg(screen.height()));
    }

    void portThatCannotOpen() {
        RecorderRig rig;
        rig.app.Com.ComPortNumber = 5; // assigned to nothing
        QTest::mouseClick(rig.find<QPushButton>("StartBt"), Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(rig.dialogs.messages().front().contains(QStringLiteral("COM5")));
        QCOMPARE(rig.text("StartBt"), QStringLiteral("START"));
        QCOMPARE(rig.app.PortOwner, int(PortFree));
    }
};

QTEST_MAIN(TestRecordWindow)
#include "tst_record_window.moc"
