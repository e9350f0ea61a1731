#pragma once
// The recorder's strip chart: ten slot curves drawn one point per sample from
// the rings in RecorderState, with an automatic or fixed vertical scale, value
// grid, a dotted time line every 60 points and per-slot show/hide. It draws
// through a ChartCanvas and talks to its window through RecorderChartView, so
// it needs no widgets and is tested with recording fakes.
#include "core/chart_canvas.h"
#include "recorder/logic/recorder_chart_link.h"
#include "recorder/logic/recorder_state.h"

#include <array>
#include <functional>
#include <string>

namespace zu {

// What the chart writes to, and reads from, the recorder window.
class RecorderChartView {
  public:
    virtual ~RecorderChartView() = default;
    // PV0-PV9: the slot's value of the plotted sample, or "Err".
    virtual void showSlotValue(int slot, const std::string& text) = 0;
    // MaxScale, MinScale: the scale in use while it is automatic.
    virtual void showScale(const std::string& maxText, const std::string& minText) = 0;
    // DisplayMd back to "Auto" (item 0) after bad fixed bounds.
    virtual void switchDisplayToAuto() = 0;
    // MaxScale and MinScale editable (fixed scale) or not.
    virtual void enableScaleEdits(bool enabled) = 0;
    // ErrMess: the time of the plotted sample.
    virtual void showPlottedTime(const std::string& text) = 0;
    // ComAddr0-ComAddr9 colour.
    virtual void colourAddressBox(int slot, RecAddressColour colour) = 0;
    virtual std::string maxScaleText() const = 0;
    virtual std::string minScaleText() const = 0;
    // ComAddr0-ComAddr9 value, 0..247.
    virtual int addressBoxValue(int slot) const = 0;
};

// Where the chart sits in a window of width W (integer arithmetic on a
// layout made for 808 pixels).
struct ChartGeometry {
    int xL = 0, xR = 0, yT = 0, yB = 0, cW = 0, cH = 0;
    int ChartWidth = 0;
    static ChartGeometry ForWidth(int W);
};

// Curve colours of slots 1-10, also the DevicePL0-DevicePL9 panel colours.
extern const std::array<Rgb, RecSlots> DeviceColour;
// The 16 standard colours of BGColor, in item order (black .. white).
extern const std::array<Rgb, 16> StandardColour;
inline constexpr int WhiteItem = 15;

// A value in tenths with one decimal: -5 gives "-0.5", 253 gives "25.3".
std::string TenthsText(int v);
// A scale bound typed in display units ("100", "12.5", "-3") in tenths; false
// when the text is not such a number.
bool ParseScaleText(const std::string& text, int& tenths);

class RecorderChart : public RecorderChartLink {
  public:
    RecorderChart(RecorderState& state, ChartCanvas& canvas, RecorderChartView& view);

    // Fixes the geometry from the window width and sizes the rings to
    // ChartWidth (contents kept when the size is unchanged).
    void SetGeometry(int W);
    const ChartGeometry& geometry() const { return g_; }

    // Replay asks whether it is running and jumps to the LoopCnt position
    // when a slot toggles during replay.
    void setReplayHook(std::function<bool()> replayActive,
                       std::function<void()> jumpToCurrentCount);

    // --- calls from acquisition and replay ---
    void StoreChartValue(int v) override;
    void StoreChartTime(int hour, int minute, int second, int msByte) override;
    // The chart entry of a slot not asked in this cycle, for sample number k.
    void ClearChartValue(int slot, int k) override;
    void StoreChartError(int slot) override;
    void PlotLatest() override;
    void DrawChartFrame() override;
    void RebuildScale();
    void PlotPoint(int k);
    void RedrawChart();

    // --- scale ---
    bool ExpandAutoRange();
    void ComputeScale(int hi, int lo);
    int ValueToY(int v) const;
    int GridStep() const;

    // --- window events ---
    void RecdImePaint() { RedrawChart(); }
    void DevicePL0Click(int slot);
    void DisplayMdChange(int item);
    void BGColorChange(int item);

  private:
    int ringIndex(int k) const;
    int clampY(int y) const;
    bool drawn(int slot) const;

    RecorderState& s_;
    ChartCanvas& canvas_;
    RecorderChartView& view_;
    ChartGeometry g_;
    std::function<bool()> replayActive_;
    std::function<void()> jumpToCurrentCount_;
    // A redraw writes the value boxes only at its last point.
    bool boxesQuiet_ = false;
};

} // namespace zu
