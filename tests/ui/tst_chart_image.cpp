#include "ui/chart_image.h"

#include <QtTest>

using namespace zu;

namespace {
const Rgb Red{255, 0, 0};
const Rgb Blue{0, 0, 255};
const Rgb Black{0, 0, 0};
const QRgb WhitePx = qRgb(255, 255, 255);
const QRgb RedPx = qRgb(255, 0, 0);
const QRgb BluePx = qRgb(0, 0, 255);

QRgb px(ChartImage& c, int x, int y) { return (c.image().pixel(x, y) & 0xFFFFFF) | 0xFF000000; }
} // namespace

class TestChartImage : public QObject {
    Q_OBJECT
  private slots:
    void imageFollowsTheWidgetAndAsksForARebuild() {
        ChartImage c;
        int rebuilds = 0;
        c.setRebuild([&] {
            ++rebuilds;
            c.fillRect(0, 0, 5, 5, Blue);
        });
        c.resize(200, 100);
        c.show();
        QVERIFY(rebuilds >= 1);
        QCOMPARE(c.image().size(), QSize(200, 100));
        QCOMPARE(px(c, 4, 4), BluePx);
        QCOMPARE(px(c, 5, 5), WhitePx);
        const int before = rebuilds;
        c.resize(300, 120);
        QCoreApplication::processEvents();
        QVERIFY(rebuilds > before);
        QCOMPARE(c.image().size(), QSize(300, 120));
    }

    void fillRectLeavesOutItsSecondCorner() {
        ChartImage c;
        c.resize(100, 100);
        c.show();
        c.fillRect(10, 20, 30, 40, Red);
        QCOMPARE(px(c, 10, 20), RedPx);
        QCOMPARE(px(c, 29, 39), RedPx);
        QCOMPARE(px(c, 30, 39), WhitePx);
        QCOMPARE(px(c, 29, 40), WhitePx);
        QCOMPARE(px(c, 9, 20), WhitePx);
    }

    void lineIsDrawnInItsColourWithoutItsEndPoint() {
        ChartImage c;
        c.resize(100, 100);
        c.show();
        c.line(10, 20, 50, 20, Red, 1, PenStyle::Solid);
        for (int x = 10; x < 50; ++x)
            QCOMPARE(px(c, x, 20), RedPx);
        QCOMPARE(px(c, 50, 20), WhitePx);
        QCOMPARE(px(c, 9, 20), WhitePx);
        QCOMPARE(px(c, 30, 19), WhitePx);
        QCOMPARE(px(c, 30, 21), WhitePx);
        c.line(5, 10, 5, 60, Blue, 1, PenStyle::Solid);
        QCOMPARE(px(c, 5, 10), BluePx);
        QCOMPARE(px(c, 5, 59), BluePx);
        QCOMPARE(px(c, 5, 60), WhitePx);
    }

    void widePenCoversTwoPixels() {
        ChartImage c;
        c.resize(100, 100);
        c.show();
        c.line(10, 50, 40, 50, Blue, 2, PenStyle::Solid);
        int blueRows = 0;
        for (int y = 47; y <= 53; ++y)
            blueRows += px(c, 25, y) == BluePx;
        QCOMPARE(blueRows, 2);
    }

    void dottedLineLeavesGaps() {
        ChartImage c;
        c.resize(100, 100);
        c.show();
        c.line(20, 0, 20, 80, Black, 1, PenStyle::Dotted);
        int on = 0, off = 0;
        for (int y = 0; y < 79; ++y)
            (px(c, 20, y) == WhitePx ? off : on) += 1;
        QVERIFY(on > 20);
        QVERIFY(off > 20);
    }

    void textIsWrittenBelowAndRightOfItsCorner() {
        ChartImage c;
        c.resize(100, 60);
        c.show();
        c.text(20, 20, "88.8", Black);
        int dark = 0, above = 0;
        const QImage img = c.image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128) {
                    ++dark;
                    above += y < 20 || x < 20;
                }
        QVERIFY(dark > 10);
        QCOMPARE(above, 0);
    }

    void onePixelScrollMovesTheDrawingLeft() {
        ChartImage c;
        c.resize(120, 80);
        c.show();
        c.line(30, 40, 60, 40, Red, 1, PenStyle::Solid);
        c.fillRect(0, 0, 10, 80, Blue); // left of the scrolled area: stays
        c.copyRect(11, 0, 100, 80, 10, 0);
        QCOMPARE(px(c, 29, 40), RedPx);
        QCOMPARE(px(c, 58, 40), RedPx);
        QCOMPARE(px(c, 59, 40), WhitePx);
        QCOMPARE(px(c, 9, 40), BluePx);
        // The right edge keeps what it had (a source copy, not a clear).
        c.line(99, 0, 99, 80, Red, 1, PenStyle::Solid);
        c.copyRect(11, 0, 100, 80, 10, 0);
        QCOMPARE(px(c, 98, 10), RedPx);
        QCOMPARE(px(c, 99, 10), RedPx);
        // Out of the image: clipped, not a crash.
        c.copyRect(-10, -10, 500, 500, -11, -10);
        c.copyRect(100, 0, 500, 80, 200, 0);
    }
};

QTEST_MAIN(TestChartImage)
#include "tst_chart_image.moc"
