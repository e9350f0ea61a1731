// The recorder chart drawn into the widget's image at W = 1920: a full
// rebuild of ten curves across the chart width (what every repaint, range
// growth and slot toggle costs) and one point once the chart scrolls (what
// every sampling cycle costs). Targets: rebuild < 5 ms, one point < 0.2 ms.
//   bench_chart [ROUNDS]   (default 200)
#include "recorder/logic/recorder_chart.h"
#include "ui/chart_image.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zu;

namespace {

class QuietView : public RecorderChartView {
  public:
    void showSlotValue(int, const std::string&) override {}
    void showScale(const std::string&, const std::string&) override {}
    void switchDisplayToAuto() override {}
    void enableScaleEdits(bool) override {}
    void showPlottedTime(const std::string&) override {}
    void colourAddressBox(int, RecAddressColour) override {}
    std::string maxScaleText() const override { return "100"; }
    std::string minScaleText() const override { return "0"; }
    int addressBoxValue(int slot) const override { return slot + 1; }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
    const int W = 1920;
    const ChartGeometry g = ChartGeometry::ForWidth(W);

    RecorderState state;
    QuietView view;
    ChartImage image;
    image.resize(g.cW, g.cH);
    image.show();
    RecorderChart chart(state, image, view);
    chart.SetGeometry(W);

    // Ten slots, each a wave around its own level, over two chart widths
    // so the ring is full and the range covers the whole window.
    for (int s = 0; s < RecSlots; ++s)
        state.RecAddress[s] = static_cast<std::uint8_t>(s + 1);
    state.UpdateHasData();
    state.RecAcquiring = true;
    const int n = 2 * g.ChartWidth;
    auto value = [](int s, int k) { return 200 + 60 * s + int(50 * std::sin((k + 37 * s) / 25.0)); };
    for (int k = 0; k < n; ++k) {
        state.RecSampleCount = k;
        for (int s = 0; s < RecSlots; ++s) {
            state.RecDeviceIndex = s;
            chart.StoreChartValue(value(s, k));
        }
        chart.StoreChartTime(k / 3600 % 24, k / 60 % 60, k % 60, 0);
    }
    state.RecSampleCount = n;

    using Clock = std::chrono::steady_clock;
    std::vector<double> rebuild;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        chart.RecdImePaint();
        (void)image.image(); // the painter finishes
        rebuild.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }

    // One point per cycle on a scrolling chart, as acquisition plots it.
    std::vector<double> point;
    const int points = rounds * 20;
    for (int r = 0; r < points; ++r) {
        const int k = n + r;
        state.RecSampleCount = k;
        for (int s = 0; s < RecSlots; ++s) {
            state.RecDeviceIndex = s;
            chart.StoreChartValue(value(s, k));
        }
        chart.StoreChartTime(k / 3600 % 24, k / 60 % 60, k % 60, 0);
        const auto t0 = Clock::now();
        chart.PlotPoint(k);
        (void)image.image();
        point.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }

    const double rb = Median(rebuild), pp = Median(point);
    const double pp99 = [&] {
        std::vector<double> v = point;
        std::sort(v.begin(), v.end());
        return v[v.size() * 99 / 100];
    }();
    std::printf("chart W=%d, %d points across, 10 curves\n", W, g.ChartWidth);
    std::printf("full rebuild: median %.3f ms, best %.3f ms (target < 5 ms) %s\n", rb,
                *std::min_element(rebuild.begin(), rebuild.end()), rb < 5 ? "ok" : "OVER");
    std::printf("one point:    median %.4f ms, 99%% %.4f ms (target < 0.2 ms) %s\n", pp, pp99,
                pp < 0.2 ? "ok" : "OVER");
    return rb < 5 && pp < 0.2 ? 0 : 1;
}
