#pragma once
// The recorder's acquisition on the simulated line of protocol_line_rig.h,
// with a window and a chart that only note what they were asked to do.
#include "../protocol/protocol_line_rig.h"
#include "recorder/logic/recorder_acquisition.h"
#include "recorder/logic/recorder_state.h"

#include <QStringList>
#include <map>

namespace zu::test {

class NotingRecorderView : public RecorderView {
  public:
    NotingRecorderView() { addresses.fill(0); }
    void ShowAcquiring(bool on) override {
        acquiringLook.push_back(on);
        ops << (on ? QStringLiteral("look red") : QStringLiteral("look lime"));
    }
    void SetErrMess(const QString& text) override {
        errMess = text;
        if (!text.isEmpty()) // Start clears it
            errTexts << text;
    }
    void SetLoopCnt(const QString& text) override {
        loopCnt = text;
        loopTexts << text;
    }
    void PaintAddressBox(int slot, RecAddressColour colour) override { boxes[slot] = colour; }
    void SetControlEnabled(RecControl control, bool enabled) override {
        controls[control] = enabled;
    }
    void ShowMessage(const QString& text) override { messages << text; }
    int ComAddr(int slot) const override { return addresses[std::size_t(slot)]; }
    int SampleTime() const override { return sampleTime; }

    std::array<int, RecSlots> addresses;
    int sampleTime = 1;
    std::vector<bool> acquiringLook;
    QStringList ops;
    QString errMess;
    QStringList errTexts;
    QString loopCnt;
    QStringList loopTexts;
    std::map<int, RecAddressColour> boxes;
    std::map<RecControl, bool> controls;
    QStringList messages;
};

class NotingChart : public RecorderChartLink {
  public:
    explicit NotingChart(const RecorderState& rec, const Clock& clock) : rec_(rec), clock_(clock) {}
    struct Value {
        int slot;
        int sample;
        int value;
        std::int64_t atMs;
    };
    void StoreChartValue(int value) override {
        values.push_back({rec_.RecDeviceIndex, rec_.RecSampleCount, value, clock_.nowMs()});
    }
    void StoreChartTime(int h, int m, int s, int ms) override { times.push_back({h, m, s, ms}); }
    void PlotLatest() override {
        ++plots;
        newestWhilePlotting = newestWhilePlotting && rec_.CountIsNewest;
    }
    void DrawChartFrame() override { ++frames; }
    void ClearChartValue(int slot, int sample) override { clears.push_back({slot, sample}); }
    void StoreChartError(int slot) override { errors.push_back({slot, rec_.RecSampleCount}); }

    std::vector<Value> values;
    std::vector<std::array<int, 4>> times;
    int plots = 0;
    bool newestWhilePlotting = true;
    int frames = 0;
    std::vector<std::pair<int, int>> clears;
    std::vector<std::pair<int, int>> errors; // slot, sample

  private:
    const RecorderState& rec_;
    const Clock& clock_;
};

struct RecorderRig : ProtocolLineRig {
    RecorderState rec;
    NotingRecorderView view;
    NotingChart chart{rec, clock};
    std::unique_ptr<RecorderAcquisition> acq;
    std::vector<std::array<std::uint8_t, 25>> records;

    // The PC at 9600 7E1 ASCII (the built-in controllers' setting) or RTU 8N1 at `baud`.
    explicit RecorderRig(bool rtu = false, int baud = 9600) {
        state->Com = rtu ? ComSetting{1, baud, 8, 1, 0, true} : ComSetting{1, baud, 7, 1, 1, false};
        acq = std::make_unique<RecorderAcquisition>(*state, *replies, rec, view, chart);
        acq->onSampleRecord = [this](const std::array<std::uint8_t, 25>& r) {
            records.push_back(r);
        };
    }
    sim::Device& rtuDevice(char family, std::uint8_t address, int baud) {
        return bus->addDevice(family, address, {{baud, 8, LineParity::None, 1}, sim::Framing::Rtu});
    }
    std::vector<QByteArray> wire() const {
        std::vector<QByteArray> out;
        for (const WireFrame& f : lines.frames)
            out.push_back(f.bytes);
        return out;
    }
};

} // namespace zu::test
