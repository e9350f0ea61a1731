#include "recorder/logic/recorder_chart.h"

#include <QtTest>

#include <map>
#include <string>
#include <vector>

using namespace zu;

namespace {

struct Op {
    enum Kind { Fill, Line, Text, Copy } kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb colour{};
    int width = 0;
    PenStyle style = PenStyle::Solid;
    std::string text;
};

class RecordingCanvas : public ChartCanvas {
  public:
    std::vector<Op> ops;
    void fillRect(int x1, int y1, int x2, int y2, Rgb brush) override {
        ops.push_back({Op::Fill, x1, y1, x2, y2, brush, 0, PenStyle::Solid, {}});
    }
    void line(int x1, int y1, int x2, int y2, Rgb pen, int width, PenStyle style) override {
        ops.push_back({Op::Line, x1, y1, x2, y2, pen, width, style, {}});
    }
    void text(int x, int y, const std::string& s, Rgb colour) override {
        ops.push_back({Op::Text, x, y, 0, 0, colour, 0, PenStyle::Solid, s});
    }
    void copyRect(int x1, int y1, int x2, int y2, int toX, int toY) override {
        ops.push_back({Op::Copy,
                       x1,
                       y1,
                       x2,
                       y2,
                       {},
                       0,
                       PenStyle::Solid,
                       std::to_string(toX) + "," + std::to_string(toY)});
    }
    int count(Op::Kind k) const {
        int n = 0;
        for (const Op& o : ops)
            n += o.kind == k;
        return n;
    }
    int curveSegments() const {
        int n = 0;
        for (const Op& o : ops)
            n += o.kind == Op::Line && o.width == 2;
        return n;
    }
};

class RecordingView : public RecorderChartView {
  public:
    std::array<std::string, RecSlots> pv;
    std::array<int, RecSlots> pvWrites{};
    std::string maxShown, minShown, time;
    std::string maxText = "100", minText = "0";
    int switchedToAuto = 0;
    bool editsEnabled = false;
    std::array<int, RecSlots> addresses{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::map<int, RecAddressColour> boxes;

    void showSlotValue(int slot, const std::string& text) override {
        pv[slot] = text;
        ++pvWrites[slot];
    }
    void showScale(const std::string& maxT, const std::string& minT) override {
        maxShown = maxT;
        minShown = minT;
    }
    void switchDisplayToAuto() override { ++switchedToAuto; }
    void enableScaleEdits(bool enabled) override { editsEnabled = enabled; }
    void showPlottedTime(const std::string& text) override { time = text; }
    void colourAddressBox(int slot, RecAddressColour colour) override { boxes[slot] = colour; }
    std::string maxScaleText() const override { return maxText; }
    std::string minScaleText() const override { return minText; }
    int addressBoxValue(int slot) const override { return addresses[slot]; }
};

const Rgb Black{0, 0, 0};
const Rgb White{255, 255, 255};
const Rgb Navy{0, 0, 128};

// A chart at W = 1024 with the given slots in use, acquiring.
struct Rig {
    RecorderState state;
    RecordingCanvas canvas;
    RecordingView view;
    RecorderChart chart{state, canvas, view};

    explicit Rig(std::vector<int> used = {0}) {
        chart.SetGeometry(1024);
        view.addresses.fill(0);
        for (int s : used) {
            state.RecAddress[s] = static_cast<std::uint8_t>(s + 1);
            view.addresses[s] = s + 1;
        }
        state.UpdateHasData();
        state.RecAcquiring = true;
    }

    // One acquisition cycle: every used slot's value, the time, the plot.
    void cycle(const std::vector<int>& values, int second = 0) {
        for (int s = 0; s < RecSlots; ++s) {
            if (state.RecAddress[s] == 0)
                continue;
            state.RecDeviceIndex = s;
            chart.StoreChartValue(values[std::min<std::size_t>(s, values.size() - 1)]);
        }
        chart.StoreChartTime(12, second / 60 % 60, second % 60, 0);
        state.CountIsNewest = true;
        chart.PlotLatest();
        state.CountIsNewest = false;
        ++state.RecSampleCount;
    }

    std::vector<int> gridYs() const {
        std::vector<int> ys;
        const ChartGeometry& g = chart.geometry();
        for (const Op& o : canvas.ops)
            if (o.kind == Op::Line && o.x1 == g.xL && o.x2 == g.xR + 20 && o.y1 == o.y2)
                ys.push_back(o.y1);
        return ys;
    }
};

} // namespace

class TestRecorderChart : public QObject {
    Q_OBJECT
  private slots:
    void geometryFollowsTheWindowWidth() {
        const ChartGeometry g = ChartGeometry::ForWidth(1024);
        QCOMPARE(g.xL, 44);
        QCOMPARE(g.xR, 956);
        QCOMPARE(g.ChartWidth, 912);
        QCOMPARE(g.yT, 6);
        QCOMPARE(g.yB, 437);
        QCOMPARE(g.cW, 1007);
        QCOMPARE(g.cH, 462);
    }

    void ringsAreSizedToTheChartWidth_data() {
        QTest::addColumn<int>("W");
        QTest::newRow("808") << 808;
        QTest::newRow("1024") << 1024;
        QTest::newRow("wider than 1800 points") << 2560;
    }
    void ringsAreSizedToTheChartWidth() {
        QFETCH(int, W);
        RecorderState state;
        RecordingCanvas canvas;
        RecordingView view;
        RecorderChart chart(state, canvas, view);
        chart.SetGeometry(W);
        const int w = ChartGeometry::ForWidth(W).ChartWidth;
        for (const auto& row : state.ChartRing)
            QCOMPARE(int(row.size()), w);
        QCOMPARE(int(state.TimeRing.size()), w);
        // The last point of a full ring lands inside it.
        state.RecDeviceIndex = 0;
        state.RecSampleCount = 2 * w - 1;
        chart.StoreChartValue(77);
        QCOMPARE(state.ChartRing[0][w - 1], 77);
    }

    void tenthsText_data() {
        QTest::addColumn<int>("v");
        QTest::addColumn<QString>("text");
        QTest::newRow("minus half") << -5 << "-0.5";
        QTest::newRow("25.3") << 253 << "25.3";
        QTest::newRow("zero") << 0 << "0.0";
        QTest::newRow("-12.0") << -120 << "-12.0";
        QTest::newRow("largest reading") << 32767 << "3276.7";
    }
    void tenthsText() {
        QFETCH(int, v);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(TenthsText(v)), text);
    }

    void scaleTextIsInDisplayUnits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("tenths");
        QTest::newRow("whole") << "100" << true << 1000;
        QTest::newRow("decimal") << "12.5" << true << 125;
        QTest::newRow("negative") << "-3" << true << -30;
        QTest::newRow("blanks") << " 7 " << true << 70;
        QTest::newRow("second decimal rounds") << "1.25" << true << 13;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing junk") << "10x" << false << 0;
        QTest::newRow("lone point") << "." << false << 0;
    }
    void scaleTextIsInDisplayUnits() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, tenths);
        int t = 0;
        QCOMPARE(ParseScaleText(text.toStdString(), t), ok);
        if (ok)
            QCOMPARE(t, tenths);
    }

    void frameIsBackgroundAndTwoAxes() {
        Rig r;
        r.chart.DrawChartFrame();
        QCOMPARE(int(r.canvas.ops.size()), 3);
        const Op& fill = r.canvas.ops[0];
        QCOMPARE(fill.kind, Op::Fill);
        QCOMPARE(std::vector<int>({fill.x1, fill.y1, fill.x2, fill.y2}),
                 std::vector<int>({0, 0, 1007, 462}));
        QCOMPARE(fill.colour, White);
        const Op& valueAxis = r.canvas.ops[1];
        QCOMPARE(std::vector<int>({valueAxis.x1, valueAxis.y1, valueAxis.x2, valueAxis.y2}),
                 std::vector<int>({24, 438, 981, 438}));
        const Op& axis = r.canvas.ops[2];
        QCOMPARE(std::vector<int>({axis.x1, axis.y1, axis.x2, axis.y2}),
                 std::vector<int>({43, 8, 43, 457}));
        QCOMPARE(axis.colour, Black);
        QCOMPARE(axis.width, 1);
    }

    void gridStepFollowsTheScale_data() {
        QTest::addColumn<int>("hi");
        QTest::addColumn<bool>("divide");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("step");
        // 427 pixels of height: a span of 22 fits ten times over.
        QTest::newRow("factor 10") << 20 << false << 10 << 5;
        QTest::newRow("factor 5") << 75 << false << 5 << 10;
        QTest::newRow("factor 2") << 150 << false << 2 << 20;
        QTest::newRow("factor 1") << 300 << false << 1 << 50;
        QTest::newRow("divide by 3") << 1000 << true << 3 << 150;
    }
    void gridStepFollowsTheScale() {
        QFETCH(int, hi);
        QFETCH(bool, divide);
        QFETCH(int, factor);
        QFETCH(int, step);
        Rig r;
        r.state.DeviceMax[0] = hi;
        r.state.DeviceMin[0] = 0;
        r.chart.RebuildScale();
        QCOMPARE(r.state.DivideMode, divide);
        QCOMPARE(r.state.ScaleFactor, factor);
        QCOMPARE(r.chart.GridStep(), step);
        const std::vector<int> ys = r.gridYs();
        QVERIFY(ys.size() >= 3);
        const int pixels = divide ? step / factor : step * factor;
        for (std::size_t i = 1; i < ys.size(); ++i)
            QCOMPARE(ys[i - 1] - ys[i], pixels);
        // Every label is a multiple of the step, left of the plot.
        int labels = 0;
        for (const Op& o : r.canvas.ops)
            if (o.kind == Op::Text) {
                int t = 0;
                QVERIFY(ParseScaleText(o.text, t));
                QCOMPARE(t % step, 0);
                QCOMPARE(o.x1, 44 - 30);
                ++labels;
            }
        QVERIFY(labels > 0);
    }

    void autoScaleCentresTheRangeAndShowsIt() {
        Rig r;
        r.state.DeviceMax[0] = 20;
        r.state.DeviceMin[0] = 0;
        r.chart.RebuildScale();
        // Centre 10 at yB / 2 = 218 pixels, ten pixels a tenth.
        QCOMPARE(r.state.ScaleOffset, 10 - 21);
        QCOMPARE(r.state.ScaleMin, -11);
        QCOMPARE(r.state.ScaleMax, 31);
        QCOMPARE(QString::fromStdString(r.view.minShown), QString("-1.1"));
        QCOMPARE(QString::fromStdString(r.view.maxShown), QString("3.1"));
        QCOMPARE(r.chart.ValueToY(10), 437 - 21 * 10);
        QCOMPARE(r.state.ChartX, 0);
    }

    void minusHalfShowsInItsBoxAndLabel() {
        Rig r;
        for (int k = 0; k <= 60; ++k)
            r.cycle({k < 30 ? 0 : -5}, k);
        QCOMPARE(QString::fromStdString(r.view.pv[0]), QString("-0.5"));
        bool label = false;
        for (const Op& o : r.canvas.ops)
            label =
                label || (o.kind == Op::Text && o.text == "-0.5" && o.colour == DeviceColour[0]);
        QVERIFY(label);
    }

    void fixedBoundsAreDisplayUnits() {
        Rig r;
        r.chart.DisplayMdChange(1);
        QVERIFY(!r.state.AutoScale);
        QVERIFY(r.view.editsEnabled);
        r.view.maxText = "100";
        r.view.minText = "0";
        r.state.DeviceMax[0] = 20000; // ignored: the scale is fixed
        r.chart.RebuildScale();
        QVERIFY(!r.state.AutoScale);
        QCOMPARE(r.view.switchedToAuto, 0);
        QVERIFY(r.state.ScaleMin <= 0);
        QVERIFY(r.state.ScaleMax >= 1000);
        QVERIFY(r.state.ScaleMax < 1200);
        QVERIFY(r.view.maxShown.empty()); // the boxes keep what was typed
    }

    void fixedBoundsStayOnThePlot_data() {
        QTest::addColumn<QString>("maxText");
        QTest::addColumn<QString>("minText");
        QTest::newRow("0 to 100") << "100"
                                  << "0";
        QTest::newRow("just over the height") << "43"
                                              << "0";
        QTest::newRow("-50 to 250") << "250"
                                    << "-50";
        QTest::newRow("narrow") << "12.5"
                                << "12";
    }
    void fixedBoundsStayOnThePlot() {
        QFETCH(QString, maxText);
        QFETCH(QString, minText);
        Rig r;
        r.chart.DisplayMdChange(1);
        r.view.maxText = maxText.toStdString();
        r.view.minText = minText.toStdString();
        r.chart.RebuildScale();
        int hi = 0, lo = 0;
        QVERIFY(ParseScaleText(r.view.maxText, hi));
        QVERIFY(ParseScaleText(r.view.minText, lo));
        const int yT = r.chart.geometry().yT, yB = r.chart.geometry().yB;
        QVERIFY(r.chart.ValueToY(lo) <= yB);
        QVERIFY(r.chart.ValueToY(hi) >= yT);
    }

    void badFixedBoundsSwitchBackToAuto_data() {
        QTest::addColumn<QString>("maxText");
        QTest::addColumn<QString>("minText");
        QTest::newRow("max not a number") << "abc"
                                          << "0";
        QTest::newRow("min not a number") << "100"
                                          << "";
        QTest::newRow("max below min") << "10"
                                       << "20";
        QTest::newRow("max equal to min") << "12.5"
                                          << "12.5";
    }
    void badFixedBoundsSwitchBackToAuto() {
        QFETCH(QString, maxText);
        QFETCH(QString, minText);
        Rig r;
        r.chart.DisplayMdChange(1);
        r.view.maxText = maxText.toStdString();
        r.view.minText = minText.toStdString();
        r.state.DeviceMax[0] = 20;
        r.chart.RebuildScale();
        QVERIFY(r.state.AutoScale);
        QCOMPARE(r.view.switchedToAuto, 1);
        QVERIFY(!r.view.editsEnabled);
        QCOMPARE(r.state.ScaleFactor, 10); // the auto range of the data
    }

    void displayModeTakesEffectAtTheNextRebuild() {
        Rig r;
        r.chart.DisplayMdChange(1);
        QVERIFY(r.canvas.ops.empty());
        r.chart.DisplayMdChange(0);
        QVERIFY(r.state.AutoScale);
        QVERIFY(!r.view.editsEnabled);
        QVERIFY(r.canvas.ops.empty());
    }

    void repaintBeforeAnySampleDrawsFrameScaleAndGridButNoCurve() {
        Rig r({0, 3});
        r.chart.RecdImePaint();
        QCOMPARE(r.canvas.ops[0].kind, Op::Fill);
        QVERIFY(r.gridYs().size() > 3);
        QVERIFY(r.canvas.count(Op::Text) > 0);
        QCOMPARE(r.canvas.curveSegments(), 0);
        QCOMPARE(r.canvas.count(Op::Copy), 0);
        QVERIFY(!r.view.maxShown.empty());
        QCOMPARE(r.view.pvWrites[0], 0);
    }

    void firstSampleOnlySetsTheStartingPoint() {
        Rig r;
        r.cycle({100});
        QCOMPARE(r.canvas.curveSegments(), 0);
        QCOMPARE(r.state.LastY[0], r.chart.ValueToY(100));
        r.cycle({100}, 1);
        QCOMPARE(r.canvas.curveSegments(), 1);
        const Op& seg = r.canvas.ops.back();
        QCOMPARE(seg.x1, 44);
        QCOMPARE(seg.x2, 45);
        QCOMPARE(seg.colour, DeviceColour[0]);
        QCOMPARE(QString::fromStdString(r.view.time), QString("12:0:1"));
        QCOMPARE(QString::fromStdString(r.view.pv[0]), QString("10.0"));
    }

    void growingRangeRedrawsTheWholeChart() {
        Rig r;
        for (int k = 0; k < 10; ++k)
            r.cycle({100}, k);
        const int frames = r.canvas.count(Op::Fill);
        r.cycle({5000}, 10);
        QCOMPARE(r.canvas.count(Op::Fill), frames + 1);
        // Frame, grid, then the ten segments of samples 1..10 again.
        int segments = 0;
        for (std::size_t i = r.canvas.ops.size(); i-- > 0 && r.canvas.ops[i].kind != Op::Fill;)
            segments += r.canvas.ops[i].kind == Op::Line && r.canvas.ops[i].width == 2;
        QCOMPARE(segments, 10);
        QCOMPARE(r.state.ChartX, 10);
    }

    void curvesAreClampedToThePlot() {
        Rig r;
        r.chart.DisplayMdChange(1);
        r.view.maxText = "10";
        r.view.minText = "0";
        r.cycle({50});
        r.cycle({30000}, 1);
        r.cycle({-30000}, 2);
        const auto& ops = r.canvas.ops;
        QCOMPARE(ops[ops.size() - 2].y2, 6);
        QCOMPARE(ops.back().y2, 437);
    }

    void chartScrollsAfterChartWidthPoints() {
        Rig r;
        const int w = 912;
        for (int k = 0; k <= w + 130; ++k)
            r.cycle({100}, k);
        // The first copy comes with the point that fills the width.
        int copies = 0, firstCopyAt = -1, segment = 0;
        for (const Op& o : r.canvas.ops) {
            if (o.kind == Op::Line && o.width == 2)
                ++segment;
            if (o.kind == Op::Copy) {
                if (firstCopyAt < 0)
                    firstCopyAt = segment;
                ++copies;
                QCOMPARE(std::vector<int>({o.x1, o.y1, o.x2, o.y2}),
                         std::vector<int>({45, 6, 971, 462}));
                QCOMPARE(QString::fromStdString(o.text), QString("44,6"));
            }
        }
        QCOMPARE(firstCopyAt, w);
        QCOMPARE(copies, 130 + 1);
        QCOMPARE(r.state.ChartX, w - 1);
        QCOMPARE(r.canvas.ops.back().kind, Op::Copy);
    }

    void dottedTimeLineEverySixtyPointsAndItsLabelPastThirty() {
        Rig r;
        for (int k = 0; k <= 1000; ++k)
            r.cycle({100}, k);
        std::vector<int> dottedAt, labelAt;
        std::vector<std::string> labels;
        for (const Op& o : r.canvas.ops) {
            if (o.kind == Op::Line && o.style == PenStyle::Dotted) {
                QCOMPARE(o.x1, o.x2);
                QCOMPARE(o.y1, 6);
                QCOMPARE(o.y2, 437);
                QCOMPARE(o.colour, Black);
                QCOMPARE(o.width, 1);
                dottedAt.push_back(o.x1);
            }
            if (o.kind == Op::Text && o.y1 == 437 + 4) {
                labelAt.push_back(o.x1);
                labels.push_back(o.text);
            }
        }
        // Samples 60, 120 .. 1000: x = xL + k - 1 until the width fills,
        // then the last column.
        std::vector<int> expected;
        for (int k = 60; k <= 1000; k += 60)
            expected.push_back(44 + std::min(k - 1, 911));
        QCOMPARE(dottedAt, expected);
        QCOMPARE(int(labelAt.size()), int(expected.size()));
        QCOMPARE(labelAt.front(), 44 + 59 - 35);
        QCOMPARE(labels.front(), std::string("12:1:0"));
        QCOMPARE(labels.back(), std::string("12:16:0"));
    }

    void timeLabelOnlyPastThirtyPoints() {
        Rig r;
        // After a redraw at sample 70 the chart starts over at ChartX 0,
        // so sample 120 comes at ChartX 50 and 60 is not drawn again.
        for (int k = 0; k <= 100; ++k)
            r.cycle({100}, k);
        r.canvas.ops.clear();
        r.state.RecSampleCount = 0; // a new start: sample 0 rebuilds
        for (int k = 0; k <= 60; ++k)
            r.cycle({100}, k);
        int dotted = 0, timeLabels = 0;
        for (const Op& o : r.canvas.ops) {
            dotted += o.kind == Op::Line && o.style == PenStyle::Dotted;
            timeLabels += o.kind == Op::Text && o.y1 == 441;
        }
        QCOMPARE(dotted, 1);
        QCOMPARE(timeLabels, 1); // ChartX 59

        // Sample 60 at ChartX 30 or below: the line but no label.
        Rig s;
        s.cycle({100}, 0);
        s.state.RecSampleCount = 30;
        s.cycle({100}, 30); // ChartX 0 -> 1
        for (int k = 31; k <= 60; ++k)
            s.cycle({100}, k);
        QCOMPARE(s.state.ChartX, 31);
        dotted = timeLabels = 0;
        for (const Op& o : s.canvas.ops) {
            dotted += o.kind == Op::Line && o.style == PenStyle::Dotted;
            timeLabels += o.kind == Op::Text && o.y1 == 441;
        }
        QCOMPARE(dotted, 1);
        QCOMPARE(timeLabels, 0); // drawn at ChartX 30
    }

    void hidingEverySlotLeavesOnlyTheFrame() {
        Rig r({0, 2});
        for (int k = 0; k < 20; ++k)
            r.cycle({100, 200, 300}, k);
        r.chart.DevicePL0Click(0);
        QCOMPARE(r.view.boxes[0], RecAddressColour::Silver);
        r.canvas.ops.clear();
        r.chart.DevicePL0Click(2);
        QCOMPARE(r.view.boxes[2], RecAddressColour::Silver);
        QVERIFY(!r.state.RecHasData);
        QCOMPARE(int(r.canvas.ops.size()), 3);
        QCOMPARE(r.canvas.ops[0].kind, Op::Fill);
        // The value boxes stop updating.
        const auto writes = r.view.pvWrites;
        r.cycle({111, 222, 333}, 20);
        QCOMPARE(r.view.pvWrites, writes);
        QCOMPARE(int(r.canvas.ops.size()), 3);
        // Shown again, the slot comes back with a redraw.
        r.chart.DevicePL0Click(2);
        QCOMPARE(r.view.boxes[2], RecAddressColour::White);
        QVERIFY(r.canvas.curveSegments() > 0);
    }

    void clickOnAnUnusedSlotDoesNothing() {
        Rig r({0});
        r.chart.DevicePL0Click(5);
        QVERIFY(r.state.RecShown[5]);
        QVERIFY(r.view.boxes.empty());
        QVERIFY(r.canvas.ops.empty());
    }

    void clickWhileIdleOnlyToggles() {
        Rig r({0});
        r.state.RecAcquiring = false;
        r.chart.DevicePL0Click(0);
        QVERIFY(!r.state.RecShown[0]);
        QVERIFY(r.canvas.ops.empty());
    }

    void clickDuringReplayJumps() {
        Rig r({0});
        r.state.RecAcquiring = false;
        int jumps = 0;
        r.chart.setReplayHook([] { return true; }, [&] { ++jumps; });
        r.chart.DevicePL0Click(0); // hidden: nothing left to draw
        QCOMPARE(jumps, 0);
        QCOMPARE(int(r.canvas.ops.size()), 3);
        r.chart.DevicePL0Click(0);
        QCOMPARE(jumps, 1);
    }

    void errorMarkerShowsErrAndStopsTheCurve() {
        Rig r({0, 1});
        r.cycle({100, 100});
        r.cycle({100, 100}, 1);
        r.state.ChartRing[1][2] = ChartErrorMarker;
        r.state.RecSampleCount = 2;
        r.canvas.ops.clear();
        r.chart.PlotPoint(2);
        QCOMPARE(QString::fromStdString(r.view.pv[1]), QString("Err"));
        QCOMPARE(int(r.state.RecAddress[1]), 0);
        QCOMPARE(r.canvas.curveSegments(), 1);
    }

    void navyBackgroundTurnsAxesGridAndLabelsWhite() {
        Rig r;
        r.state.DeviceMax[0] = 20;
        r.cycle({20});
        r.cycle({0}, 1);
        r.canvas.ops.clear();
        r.chart.BGColorChange(4);
        QCOMPARE(r.state.BackColour, Navy);
        QCOMPARE(r.state.ForeColour, White);
        QCOMPARE(r.canvas.ops[0].colour, Navy);
        int foreOps = 0;
        for (const Op& o : r.canvas.ops) {
            if (o.kind == Op::Line && o.width == 1) {
                QCOMPARE(o.colour, White);
                ++foreOps;
            }
            if (o.kind == Op::Text)
                QCOMPARE(o.colour, White);
        }
        QVERIFY(foreOps > 3);
        QVERIFY(r.canvas.curveSegments() > 0);
    }

    void lightBackgroundsKeepBlack_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("whiteFore");
        QTest::newRow("black") << 0 << true;
        QTest::newRow("gray") << 7 << true;
        QTest::newRow("silver") << 8 << false;
        QTest::newRow("blue") << 12 << false;
        QTest::newRow("white") << 15 << false;
    }
    void lightBackgroundsKeepBlack() {
        QFETCH(int, item);
        QFETCH(bool, whiteFore);
        Rig r;
        r.state.RecHasData = false;
        r.chart.BGColorChange(item);
        QCOMPARE(r.state.BackColour, StandardColour[item]);
        QCOMPARE(r.state.ForeColour, whiteFore ? White : Black);
        QCOMPARE(int(r.canvas.ops.size()), 3); // no data: the frame only
    }

    void rangeIsRecomputedEverySixtyPointsOnceTheRingIsFull() {
        Rig r({0, 1});
        const int w = 912;
        auto store = [&](int slot, int p, int v) {
            r.state.RecDeviceIndex = slot;
            r.state.RecSampleCount = p;
            r.chart.StoreChartValue(v);
        };
        for (int p = 0; p < 960; ++p) {
            store(0, p, p == 1 ? 5000 : 100);
            store(1, p, p == 2 ? -5000 : -100);
        }
        // The spikes left the ring at 913 and 914, but the range only grows
        // between recomputations.
        QCOMPARE(r.state.DeviceMax[0], 5000);
        QCOMPARE(r.state.DeviceMin[1], -5000);
        store(0, 960, 120);
        QCOMPARE(r.state.DeviceMax[0], 120);
        QCOMPARE(r.state.DeviceMin[0], 100);
        QCOMPARE(r.state.DeviceMin[1], -100); // every slot, not only this one
        QCOMPARE(r.state.DeviceMax[1], -100);
        store(1, 960, -90);
        QCOMPARE(r.state.DeviceMax[1], -90);
        // No recomputation before the ring has filled, nor off the sixties.
        store(0, 961, 110);
        QCOMPARE(r.state.DeviceMax[0], 120);
        Rig early({0});
        for (int p = 0; p <= 600; ++p) {
            early.state.RecDeviceIndex = 0;
            early.state.RecSampleCount = p;
            early.chart.StoreChartValue(p == 1 ? 999 : 1);
        }
        QCOMPARE(early.state.DeviceMax[0], 999);
        Q_UNUSED(w);
    }

    void firstSampleSetsTheRange() {
        Rig r({0});
        r.state.DeviceMax[0] = 9999;
        r.state.DeviceMin[0] = -9999;
        r.state.RecDeviceIndex = 0;
        r.state.RecSampleCount = 0;
        r.chart.StoreChartValue(42);
        QCOMPARE(r.state.DeviceMax[0], 42);
        QCOMPARE(r.state.DeviceMin[0], 42);
    }

    void autoRangeLeavesOutHiddenAndDroppedSlots() {
        Rig r({0, 1, 2});
        r.state.ScaleMax = -32767;
        r.state.ScaleMin = 32767;
        r.state.DeviceMax = {10, 500, 900};
        r.state.DeviceMin = {0, -500, -900};
        r.state.RecShown[1] = false;
        r.state.RecFailedAt[2] = 7;
        QVERIFY(r.chart.ExpandAutoRange());
        QCOMPARE(r.state.ScaleMax, 10);
        QCOMPARE(r.state.ScaleMin, 0);
        QVERIFY(!r.chart.ExpandAutoRange());
        r.state.AutoScale = false;
        r.state.RecShown[1] = true;
        QVERIFY(!r.chart.ExpandAutoRange());
    }

    void redrawLeavesTheNewestValuesInTheBoxes() {
        Rig r({0, 1});
        for (int k = 0; k < 50; ++k)
            r.cycle({k, -k}, k);
        r.state.ChartRing[1][10] = ChartErrorMarker; // replayed as dropped
        const auto writes = r.view.pvWrites;
        r.chart.RecdImePaint();
        QCOMPARE(QString::fromStdString(r.view.pv[0]), QString("4.9"));
        QCOMPARE(QString::fromStdString(r.view.pv[1]), QString("-4.9"));
        QCOMPARE(r.view.pvWrites[0], writes[0] + 1);
        QCOMPARE(QString::fromStdString(r.view.time), QString("12:0:49"));
        QCOMPARE(int(r.state.RecAddress[1]), 0); // the marker still stops the curve
    }

    void redrawReplaysTheVisibleWindow() {
        Rig r;
        const int w = 912;
        for (int k = 0; k < w + 50; ++k)
            r.cycle({100 + k % 7}, k);
        r.canvas.ops.clear();
        r.chart.RecdImePaint();
        QCOMPARE(r.canvas.curveSegments(), w);
        QCOMPARE(r.state.RecSampleCount, w + 50);
        QCOMPARE(r.state.ChartX, w - 1);
    }
};

QTEST_GUILESS_MAIN(TestRecorderChart)
#include "tst_recorder_chart.moc"
