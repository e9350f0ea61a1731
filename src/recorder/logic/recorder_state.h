#pragma once
// What the recorder keeps for the whole program run, whether its window is
// open or not: the slots and their health, the cycle in progress and the
// chart's rings and scale. Made once at start-up and handed to the window.
#include "core/chart_canvas.h"
#include "device/record_file.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zu {

inline constexpr int RecSlots = RecordFileSlots;
// A dropped slot's value in a sample record, and in the chart ring (as 32933,
// outside the signed 16-bit range of a reading).
inline constexpr std::uint16_t ErrorMarker = RecordErrorValue;
inline constexpr int ChartErrorMarker = 32933;

struct RecorderState {
    RecorderState() {
        RecAddress.fill(0);
        RecAddress[RecSlots] = 1; // a forward search for the next used slot stops here
        RecFailedAt.fill(-1);
        RecShown.fill(true);
    }

    // --- acquisition ---
    std::array<std::uint8_t, RecSlots + 1> RecAddress;
    int RecDeviceIndex = RecSlots;
    std::array<int, RecSlots> RecErrorCount{};
    std::array<int, RecSlots> RecFailedAt;
    std::array<bool, RecSlots> RecShown;
    bool RecHasData = false;
    bool RecAcquiring = false;
    int RecSampleCount = 0;
    // Slot i at bytes 2i (high) and 2i+1, then hour, minute, second,
    // milliseconds mod 256 and 'Z'.
    std::array<std::uint8_t, 25> SampleRecord{};

    void UpdateHasData() {
        RecHasData = false;
        for (int i = 0; i < RecSlots; ++i)
            RecHasData = RecHasData || (RecShown[i] && RecAddress[i] != 0);
    }

    // --- chart ---
    // Indexed by sample number mod ChartWidth; sized to ChartWidth when the
    // window's geometry is fixed.
    std::array<std::vector<int>, RecSlots> ChartRing;
    std::vector<std::array<std::uint8_t, 4>> TimeRing; // hour, minute, second, ms byte
    std::array<int, RecSlots> DeviceMax{};
    std::array<int, RecSlots> DeviceMin{};
    int ScaleMax = 0;
    int ScaleMin = 0;
    int ScaleFactor = 1;
    bool DivideMode = false;
    int ScaleOffset = 0;
    bool AutoScale = true;
    int ChartX = 0;
    std::array<int, RecSlots> LastY{};
    Rgb BackColour{255, 255, 255};
    Rgb ForeColour{0, 0, 0};
    bool CountIsNewest = false;
};

} // namespace zu
