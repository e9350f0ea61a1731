#pragma once
// Where the acquisition and the chart meet: what the acquisition asks of the
// chart as it samples, and the colours an address box shows a slot's state in.
namespace zu {

// White shown, silver hidden from the chart, red dropped.
enum class RecAddressColour { White, Silver, Red };

// What the acquisition asks of the recorder chart.
class RecorderChartLink {
  public:
    virtual ~RecorderChartLink() = default;
    // A good reading of slot RecDeviceIndex for sample RecSampleCount.
    virtual void StoreChartValue(int value) = 0;
    // The time stamp of sample RecSampleCount (into TimeRing).
    virtual void StoreChartTime(int hour, int minute, int second, int msByte) = 0;
    // Draws the newest sample and writes the PV0-PV9 texts.
    virtual void PlotLatest() = 0;
    virtual void DrawChartFrame() = 0;
    // An unused slot's entry for sample `sampleNumber` is zeroed ahead of it.
    virtual void ClearChartValue(int slot, int sampleNumber) = 0;
    // A dropped slot for sample RecSampleCount: its value box reads "Err".
    virtual void StoreChartError(int slot) = 0;
};

} // namespace zu
