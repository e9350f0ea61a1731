#include "ui/form_scaling.h"
#include "ui/gauge.h"
#include "ui/lamp.h"
#include "ui/picture.h"
#include "ui/radio_group.h"

#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace zu;

class TestWidgets : public QObject {
    Q_OBJECT
  private slots:
    void scaleValueIsIntegerArithmetic_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("d");
        QTest::addColumn<int>("expected");
        QTest::newRow("main window 1280/808") << 100 << 1280 << 808 << 158;
        QTest::newRow("truncates") << 7 << 3 << 2 << 10;
        QTest::newRow("about box 342/282") << 93 << 342 << 282 << 112;
        QTest::newRow("shrinks") << 100 << 640 << 808 << 79;
        QTest::newRow("64-bit product") << 1000000 << 1280 << 808 << 1584158;
        QTest::newRow("zero divisor keeps value") << 55 << 3 << 0 << 55;
    }
    void scaleValueIsIntegerArithmetic() {
        QFETCH(int, value);
        QFETCH(int, m);
        QFETCH(int, d);
        QFETCH(int, expected);
        QCOMPARE(ScaleValue(value, m, d), expected);
    }

    void scaleContentsMovesChildrenAndScalesFontsOnce() {
        QWidget form;
        QFont f;
        f.setPixelSize(12);
        form.setFont(f);
        auto* panel = new QWidget(&form);
        panel->setGeometry(4, 4, 200, 100);
        auto* inherits = new QLabel("a", panel);
        inherits->setGeometry(10, 20, 50, 15);
        auto* boldOnly = new QLabel("b", panel);
        QFont bold;
        bold.setBold(true);
        boldOnly->setFont(bold); // size still from the parent
        auto* ownSize = new QLabel("c", panel);
        QFont big;
        big.setPixelSize(20);
        ownSize->setFont(big);
        auto* managed = new QWidget(&form);
        auto* lay = new QVBoxLayout(managed);
        auto* inLayout = new QLabel("d", managed);
        lay->addWidget(inLayout);

        ScaleContents(&form, 3, 2);

        QCOMPARE(panel->geometry(), QRect(6, 6, 300, 150));
        QCOMPARE(inherits->geometry(), QRect(15, 30, 75, 22));
        QCOMPARE(inherits->font().pixelSize(), 18);
        QCOMPARE(boldOnly->font().pixelSize(), 18);
        QVERIFY(boldOnly->font().bold());
        QCOMPARE(ownSize->font().pixelSize(), 30);
        QCOMPARE(inLayout->font().pixelSize(), 18);
    }

    void scaleContentsFactorOneChangesNothing() {
        QWidget form;
        auto* c = new QWidget(&form);
        c->setGeometry(3, 4, 5, 6);
        const QFont before = c->font();
        ScaleContents(&form, 808, 808);
        ScaleContents(&form, 808, 0);
        QCOMPARE(c->geometry(), QRect(3, 4, 5, 6));
        QCOMPARE(c->font(), before);
    }

    void gaugeKeepsProgressInRange() {
        Gauge g;
        g.setMaxValue(3);
        g.setProgress(2);
        QCOMPARE(g.percentDone(), 66);
        g.setProgress(7);
        QCOMPARE(g.progress(), 3);
        QCOMPARE(g.percentDone(), 100);
        g.addProgress(-10);
        QCOMPARE(g.progress(), 0);
        g.setProgress(2);
        g.setMaxValue(1); // shrinking the range pulls the progress along
        QCOMPARE(g.progress(), 1);
        g.setMaxValue(0); // empty range: no division by zero
        QCOMPARE(g.percentDone(), 0);
        g.resize(100, 20);
        g.grab(); // paints without trouble
        g.setMinValue(-100);
        g.setMaxValue(100);
        g.setProgress(0);
        QCOMPARE(g.percentDone(), 50);
        g.setMaxValue(2000000000);
        g.setMinValue(-2000000000);
        g.setProgress(2000000000);
        QCOMPARE(g.percentDone(), 100);
        g.grab();
    }

    void lampShowsItsColour() {
        Lamp l;
        l.resize(20, 20);
        l.setBrushColor(Qt::red);
        QCOMPARE(l.brushColor(), QColor(Qt::red));
        const QImage img = l.grab().toImage();
        QCOMPARE(QColor(img.pixel(img.width() / 2, img.height() / 2)), QColor(Qt::red));
        l.setBrushColor(Qt::green);
        const QImage img2 = l.grab().toImage();
        QCOMPARE(QColor(img2.pixel(img2.width() / 2, img2.height() / 2)), QColor(Qt::green));
    }

    void radioGroupIndexAndClicks() {
        RadioGroup g("Parity", "Parity Bit", {"None", "Even", "Odd"}, 3);
        QCOMPARE(g.itemIndex(), -1);
        QSignalSpy clicked(&g, &RadioGroup::clicked);
        g.setItemIndex(1);
        QCOMPARE(g.itemIndex(), 1);
        QCOMPARE(g.currentText(), QString("Even"));
        QCOMPARE(clicked.count(), 0);
        g.setItemIndex(9); // clamped to the last item
        QCOMPARE(g.itemIndex(), 2);
        g.show();
        QRadioButton* none = g.findChild<QRadioButton*>("Parity_0");
        QVERIFY(none);
        QTest::mouseClick(none, Qt::LeftButton, {}, QPoint(5, none->height() / 2));
        QCOMPARE(g.itemIndex(), 0);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().first().toInt(), 0);
        g.setItemIndex(-1);
        QCOMPARE(g.itemIndex(), -1);
    }

    void picturePlacementKeepsProportions_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("wide area")
            << QSize(1000, 600) << QSize(1280, 600) << QRect(140, 0, 1000, 600);
        QTest::newRow("tall area")
            << QSize(1000, 600) << QSize(500, 900) << QRect(0, 300, 500, 300);
        QTest::newRow("empty area") << QSize(1000, 600) << QSize(0, 0) << QRect();
        QTest::newRow("no picture") << QSize() << QSize(10, 10) << QRect();
    }
    void picturePlacementKeepsProportions() {
        QFETCH(QSize, picture);
        QFETCH(QSize, area);
        QFETCH(QRect, expected);
        QCOMPARE(Picture::placement(picture, area), expected);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
