#include "recorder/logic/recorder_chart.h"

#include <algorithm>
#include <cstdlib>

namespace zu {

const std::array<Rgb, RecSlots> DeviceColour = {{
    {128, 128, 0},   // olive
    {0, 0, 128},     // navy
    {128, 0, 128},   // purple
    {0, 128, 128},   // teal
    {128, 128, 128}, // gray
    {0, 0, 255},     // blue
    {128, 0, 0},     // maroon
    {0, 128, 0},     // green
    {160, 160, 164}, // medium gray
    {166, 202, 240}, // sky blue
}};

const std::array<Rgb, 16> StandardColour = {{
    {0, 0, 0},       // black
    {128, 0, 0},     // maroon
    {0, 128, 0},     // green
    {128, 128, 0},   // olive
    {0, 0, 128},     // navy
    {128, 0, 128},   // purple
    {0, 128, 128},   // teal
    {128, 128, 128}, // gray
    {192, 192, 192}, // silver
    {255, 0, 0},     // red
    {0, 255, 0},     // lime
    {255, 255, 0},   // yellow
    {0, 0, 255},     // blue
    {255, 0, 255},   // fuchsia
    {0, 255, 255},   // aqua
    {255, 255, 255}, // white
}};

ChartGeometry ChartGeometry::ForWidth(int W) {
    ChartGeometry g;
    g.xL = W * 35 / 808;
    g.xR = W * 755 / 808;
    g.yT = W * 5 / 808;
    g.yB = W * 345 / 808;
    g.cW = W * 795 / 808;
    g.cH = W * 365 / 808;
    g.ChartWidth = g.xR - g.xL;
    return g;
}

std::string TenthsText(int v) {
    const int a = std::abs(v);
    std::string t = v < 0 ? "-" : "";
    return t + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

bool ParseScaleText(const std::string& text, int& tenths) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos)
        return false;
    const std::string t = text.substr(b, e - b + 1);
    std::size_t i = 0;
    bool negative = false;
    if (t[i] == '-' || t[i] == '+')
        negative = t[i++] == '-';
    long whole = 0;
    int digits = 0, tenth = 0, hundredth = 0, decimals = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++digits)
        if ((whole = whole * 10 + (t[i] - '0')) > 3276700)
            return false;
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++decimals) {
            if (decimals == 0)
                tenth = t[i] - '0';
            else if (decimals == 1)
                hundredth = t[i] - '0';
        }
    }
    if (i != t.size() || digits + decimals == 0)
        return false;
    // A second decimal rounds the tenths, half away from zero.
    const long magnitude = whole * 10 + tenth + (hundredth >= 5 ? 1 : 0);
    tenths = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

RecorderChart::RecorderChart(RecorderState& state, ChartCanvas& canvas, RecorderChartView& view)
    : s_(state), canvas_(canvas), view_(view) {}

void RecorderChart::SetGeometry(int W) {
    g_ = ChartGeometry::ForWidth(W);
    // The rings follow the chart width, however wide the window: an index
    // is a sample number modulo ChartWidth.
    const std::size_t n = static_cast<std::size_t>(std::max(g_.ChartWidth, 0));
    for (auto& row : s_.ChartRing)
        if (row.size() != n)
            row.assign(n, 0);
    if (s_.TimeRing.size() != n)
        s_.TimeRing.assign(n, {0, 0, 0, 0});
}

void RecorderChart::setReplayHook(std::function<bool()> replayActive,
                                  std::function<void()> jumpToCurrentCount) {
    replayActive_ = std::move(replayActive);
    jumpToCurrentCount_ = std::move(jumpToCurrentCount);
}

int RecorderChart::ringIndex(int k) const {
    const int w = g_.ChartWidth;
    return ((k % w) + w) % w;
}

int RecorderChart::clampY(int y) const {
    return std::clamp(y, g_.yT, g_.yB);
}

bool RecorderChart::drawn(int slot) const {
    return s_.RecShown[slot] && s_.RecAddress[slot] != 0;
}

void RecorderChart::StoreChartValue(int v) {
    const int d = s_.RecDeviceIndex;
    const int p = s_.RecSampleCount;
    if (g_.ChartWidth <= 0 || d < 0 || d >= RecSlots)
        return;
    s_.ChartRing[d][ringIndex(p)] = v;
    if (p == 0) {
        s_.DeviceMax[d] = s_.DeviceMin[d] = v;
    } else if (p >= g_.ChartWidth && p % 60 == 0) {
        // Once the ring has filled, the range follows the visible window.
        for (int slot = 0; slot < RecSlots; ++slot) {
            int hi = 0, lo = 0;
            bool any = false;
            for (int x : s_.ChartRing[slot]) {
                if (x == ChartErrorMarker)
                    continue;
                hi = any ? std::max(hi, x) : x;
                lo = any ? std::min(lo, x) : x;
                any = true;
            }
            if (any) {
                s_.DeviceMax[slot] = hi;
                s_.DeviceMin[slot] = lo;
            }
        }
    } else {
        s_.DeviceMax[d] = std::max(s_.DeviceMax[d], v);
        s_.DeviceMin[d] = std::min(s_.DeviceMin[d], v);
    }
}

void RecorderChart::StoreChartTime(int hour, int minute, int second, int msByte) {
    if (g_.ChartWidth <= 0)
        return;
    s_.TimeRing[ringIndex(s_.RecSampleCount)] = {
        static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute),
        static_cast<std::uint8_t>(second), static_cast<std::uint8_t>(msByte)};
}

void RecorderChart::ClearChartValue(int slot, int k) {
    if (g_.ChartWidth <= 0 || slot < 0 || slot >= RecSlots)
        return;
    s_.ChartRing[slot][ringIndex(k)] = 0;
}

void RecorderChart::StoreChartError(int slot) {
    if (g_.ChartWidth <= 0 || slot < 0 || slot >= RecSlots)
        return;
    s_.ChartRing[slot][ringIndex(s_.RecSampleCount)] = ChartErrorMarker;
}

void RecorderChart::DrawChartFrame() {
    canvas_.fillRect(0, 0, g_.cW, g_.cH, s_.BackColour);
    canvas_.line(g_.xL - 20, g_.yB + 1, g_.xR + 25, g_.yB + 1, s_.ForeColour, 1, PenStyle::Solid);
    canvas_.line(g_.xL - 1, g_.yT + 2, g_.xL - 1, g_.cH - 5, s_.ForeColour, 1, PenStyle::Solid);
}

bool RecorderChart::ExpandAutoRange() {
    if (!s_.AutoScale)
        return false;
    int hi = -32767, lo = 32768;
    for (int slot = 0; slot < RecSlots; ++slot) {
        if (!drawn(slot) || s_.RecFailedAt[slot] != -1)
            continue;
        hi = std::max(hi, s_.DeviceMax[slot]);
        lo = std::min(lo, s_.DeviceMin[slot]);
    }
    bool changed = false;
    if (hi > s_.ScaleMax) {
        s_.ScaleMax = hi;
        changed = true;
    }
    if (lo < s_.ScaleMin) {
        s_.ScaleMin = lo;
        changed = true;
    }
    return changed;
}

void RecorderChart::ComputeScale(int hi, int lo) {
    const int span = hi - lo;
    const int h = g_.yB - 10;
    if (span < h) {
        s_.DivideMode = false;
        if (s_.AutoScale) {
            int f = 10;
            while (f > 1 && static_cast<long long>(span) * f > h)
                --f;
            s_.ScaleFactor = f;
        } else {
            s_.ScaleFactor = std::max(h / std::max(span, 1), 1);
        }
    } else {
        s_.DivideMode = true;
        if (s_.AutoScale) {
            // The smallest f with span / f <= h.
            int f = std::max(1, span / std::max(h, 1));
            while (f > 1 && span / (f - 1) <= h)
                --f;
            while (span / f > h)
                ++f;
            s_.ScaleFactor = f;
        } else {
            // Rounded up: span / h truncated would leave the typed bounds
            // off the plot.
            s_.ScaleFactor = std::max((span + h - 1) / std::max(h, 1), 1);
        }
    }
}

int RecorderChart::ValueToY(int v) const {
    if (s_.DivideMode)
        return g_.yB - (v - s_.ScaleOffset) / s_.ScaleFactor;
    return g_.yB - (v - s_.ScaleOffset) * s_.ScaleFactor;
}

int RecorderChart::GridStep() const {
    if (s_.DivideMode)
        return s_.ScaleFactor * 50;
    if (s_.ScaleFactor > 7)
        return 5;
    if (s_.ScaleFactor > 3)
        return 10;
    if (s_.ScaleFactor > 1)
        return 20;
    return 50;
}

void RecorderChart::RebuildScale() {
    DrawChartFrame();
    const int w = g_.ChartWidth;
    if (w <= 0)
        return;
    const int start = s_.RecSampleCount < w ? 0 : (s_.RecSampleCount + 1) % w;

    s_.ScaleMax = -32767;
    s_.ScaleMin = 32767;
    if (!s_.AutoScale) {
        int hi = 0, lo = 0;
        if (ParseScaleText(view_.maxScaleText(), hi) && ParseScaleText(view_.minScaleText(), lo) &&
            hi > lo) {
            s_.ScaleMax = hi;
            s_.ScaleMin = lo;
        } else {
            s_.AutoScale = true;
            view_.switchDisplayToAuto();
            view_.enableScaleEdits(false);
        }
    }
    ExpandAutoRange();
    ComputeScale(s_.ScaleMax + 1, s_.ScaleMin - 1);

    // Centre the range on the plot.
    const int mY = g_.yB / 2;
    const int mV = (s_.ScaleMin + s_.ScaleMax) / 2;
    s_.ScaleOffset = s_.DivideMode ? mV - mY * s_.ScaleFactor : mV - mY / s_.ScaleFactor;
    s_.ScaleMax = 2 * mV - s_.ScaleOffset;
    s_.ScaleMin = s_.ScaleOffset;
    if (s_.AutoScale)
        view_.showScale(TenthsText(s_.ScaleMax), TenthsText(s_.ScaleMin));

    const int step = GridStep();
    int v = s_.ScaleOffset / step * step;
    if (v > s_.ScaleOffset)
        v -= step; // rounded down for negative offsets too
    for (;;) {
        v += step;
        const int y = ValueToY(v);
        if (y <= 0)
            break;
        canvas_.line(g_.xL, y, g_.xR + 20, y, s_.ForeColour, 1, PenStyle::Solid);
        if (y < g_.yB - 10 && y > g_.yT + 6)
            canvas_.text(g_.xL - 30, y - 6, TenthsText(v), s_.ForeColour);
    }

    for (int slot = 0; slot < RecSlots; ++slot) {
        if (drawn(slot))
            s_.LastY[slot] = ValueToY(s_.ChartRing[slot][start]);
        s_.LastY[slot] = clampY(s_.LastY[slot]);
    }
    s_.ChartX = 0;
}

void RecorderChart::PlotPoint(int k) {
    const int w = g_.ChartWidth;
    if (w <= 0)
        return;
    const int i = ringIndex(k);
    const auto& t = s_.TimeRing[i];
    const bool marked = k % 60 == 0;
    std::string time;
    if (!boxesQuiet_ || marked)
        time = std::to_string(t[0]) + ":" + std::to_string(t[1]) + ":" + std::to_string(t[2]);
    if (!boxesQuiet_)
        view_.showPlottedTime(time);

    const int x = g_.xL + s_.ChartX;
    for (int slot = 0; slot < RecSlots; ++slot) {
        const int v = s_.ChartRing[slot][i];
        if (v == ChartErrorMarker) {
            if (!boxesQuiet_)
                view_.showSlotValue(slot, "Err");
            s_.RecAddress[slot] = 0;
        } else if (!boxesQuiet_) {
            view_.showSlotValue(slot, TenthsText(v));
        }
        if (drawn(slot)) {
            const int y = clampY(ValueToY(v));
            canvas_.line(x, s_.LastY[slot], x + 1, y, DeviceColour[slot], 2, PenStyle::Solid);
            s_.LastY[slot] = y;
        }
    }

    if (marked) {
        canvas_.line(x, g_.yT, x, g_.yB, s_.ForeColour, 1, PenStyle::Dotted);
        if (s_.ChartX > 30)
            canvas_.text(x - 35, g_.yB + 4, time, s_.ForeColour);
        for (int slot = 0; slot < RecSlots; ++slot) {
            const int y = s_.LastY[slot];
            if (drawn(slot) && y > g_.yT + 2 && y < g_.yB - 16 && s_.ChartX > 20)
                canvas_.text(x - 20, y + 2, TenthsText(s_.ChartRing[slot][i]), DeviceColour[slot]);
        }
    }

    if (++s_.ChartX >= w) {
        // Scroll the plot and its labels; the scale labels left of xL stay.
        canvas_.copyRect(g_.xL + 1, g_.yT, g_.xR + 15, g_.cH, g_.xL, g_.yT);
        s_.ChartX = w - 1;
    }
}

void RecorderChart::PlotLatest() {
    if (!s_.RecHasData)
        return;
    if (s_.RecSampleCount == 0)
        RebuildScale(); // the first sample only sets the starting points
    else if (ExpandAutoRange())
        RedrawChart();
    else
        PlotPoint(s_.RecSampleCount);
}

void RecorderChart::RedrawChart() {
    const int w = g_.ChartWidth;
    const int n = s_.CountIsNewest ? s_.RecSampleCount : s_.RecSampleCount - 1;
    const int start = n < w ? 0 : n - w;
    const int saved = s_.RecSampleCount;
    s_.RecSampleCount = n;
    RebuildScale();
    for (int j = start + 1; j <= n; ++j) {
        boxesQuiet_ = j < n;
        PlotPoint(j);
    }
    boxesQuiet_ = false;
    s_.RecSampleCount = saved;
}

void RecorderChart::DevicePL0Click(int slot) {
    if (slot < 0 || slot >= RecSlots)
        return;
    for (int i = 0; i < RecSlots; ++i)
        if (s_.RecFailedAt[i] == -1)
            s_.RecAddress[i] =
                static_cast<std::uint8_t>(std::clamp(view_.addressBoxValue(i), 0, 247));
    if (s_.RecAddress[slot] == 0)
        return;
    s_.RecShown[slot] = !s_.RecShown[slot];
    view_.colourAddressBox(slot,
                           s_.RecShown[slot] ? RecAddressColour::White : RecAddressColour::Silver);
    s_.UpdateHasData();

    const bool replaying = replayActive_ && replayActive_();
    if (!s_.RecAcquiring && !replaying)
        return;
    if (!s_.RecHasData)
        DrawChartFrame();
    else if (s_.RecAcquiring)
        RedrawChart();
    else if (jumpToCurrentCount_)
        jumpToCurrentCount_();
}

void RecorderChart::DisplayMdChange(int item) {
    s_.AutoScale = item != 1;
    view_.enableScaleEdits(!s_.AutoScale);
}

void RecorderChart::BGColorChange(int item) {
    if (item < 0 || item >= static_cast<int>(StandardColour.size()))
        return;
    s_.BackColour = StandardColour[item];
    // Axes, grid and labels stay readable: black on the light colours,
    // white on the dark ones.
    s_.ForeColour = item >= 8 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    if (s_.RecHasData)
        RedrawChart();
    else
        DrawChartFrame();
}

} // namespace zu
