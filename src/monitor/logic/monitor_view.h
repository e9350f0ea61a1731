#pragma once
// What the monitor's polling engine and status display ask of the window.
// Each operation is named after what the user sees; the window (TPMonitor)
// implements them with widgets, a headless monitor or a test records them.
// Texts arrive ready to show; the window only puts them into its controls.
#include "core/chart_canvas.h"

#include <cstdint>
#include <string>

namespace zu {

// Colours the monitor paints lamps, labels and bars with.
enum class Colour {
    Red,     // (255, 0, 0)
    Green,   // (0, 255, 0)
    Yellow,  // (255, 255, 0)
    Blue,    // (0, 0, 255)
    Grey,    // (128, 128, 128)
    Silver,  // (192, 192, 192)
    SkyBlue, // (166, 202, 240)
    Fuchsia, // (255, 0, 255)
    Teal,    // (0, 128, 128)
};

constexpr Rgb rgbOf(Colour c) {
    switch (c) {
    case Colour::Red:
        return {255, 0, 0};
    case Colour::Green:
        return {0, 255, 0};
    case Colour::Yellow:
        return {255, 255, 0};
    case Colour::Blue:
        return {0, 0, 255};
    case Colour::Grey:
        return {128, 128, 128};
    case Colour::Silver:
        return {192, 192, 192};
    case Colour::SkyBlue:
        return {166, 202, 240};
    case Colour::Fuchsia:
        return {255, 0, 255};
    case Colour::Teal:
        return {0, 128, 128};
    }
    return {0, 0, 0};
}

// Menu items whose enabling the engine and the status display change.
enum class MonitorMenu {
    FILE1,
    PARAMETER1,
    VIEW1,
    UPLOAD1,
    RampSoakprogram1,
    SAVE1,
    SAVEAS1,
    DOWNLOAD1,
    WRITEALL,
    SETTING1, // radio item of VIEW: checked, not enabled
    RECORD1,  // radio item of VIEW: checked, not enabled
};

// Output gauges and alarm lamps of one slot column (O1Lb0/OUT10, ALM1LED0...),
// or of the front panel (O1Lb/Out1Qty, O2Lb/Out2Qty; the alarm fields unused).
struct OutputsShown {
    bool out1Visible = true;
    bool out2Visible = true;
    Colour out1Label = Colour::Red; // label text colour
    Colour out1Bar = Colour::Fuchsia;
    Colour out2Label = Colour::Blue;
    Colour out2Bar = Colour::SkyBlue;
    int out1Position = 0; // 0..1000 (gauge MaxValue 1000)
    int out2Position = 0;
    bool alarm1Visible = true; // lamp with its label
    bool alarm2Visible = true;
    bool alarm3Visible = false;
    bool operator==(const OutputsShown&) const = default;
};

// The eight LEDs of the front-panel picture: lit or grey.
struct PanelLeds {
    bool ALM3LED = false; // red
    bool ALM2LED = false; // red
    bool DegC = false;    // yellow
    bool DegF = false;    // yellow
    bool ALM1LED = false; // red
    bool O2LED = false;   // green
    bool O1LED = false;   // green
    bool ATLED = false;   // green
    bool operator==(const PanelLeds&) const = default;
};

// Picture half of the family layout: which picture is in front, which LEDs
// exist, and how far ATLED, O1LED and ALM2LED sit left of their design
// positions (recorded by recordLedPositions at FormShow), in pixels.
struct FrontPanelLayout {
    bool pictureA = true;           // ImeA1 in front (family A), else ImeB1
    bool alarm3AndOut2Leds = false; // ALM3LED and O2LED shown
    int atLedShift = 0;
    int o1LedShift = 0;
    int alm2LedShift = 0;
    bool operator==(const FrontPanelLayout&) const = default;
};

// What became of a single write of a parameter that the user changed (not of
// a transfer's writes or of a security command).
enum class WriteOutcome {
    Written,   // the device echoed it; the parameters are read back next
    ReadBack,  // and the parameters have been read back since
    Refused,   // answered with an exception (the reason); it goes out again
    GivenUp,   // refused too often and dropped (the reason)
    Cancelled, // never sent: the selection moved or the device was lost
};

class MonitorView {
  public:
    virtual ~MonitorView() = default;

    // --- slot columns (slot 0..3) ---
    // Menu caption "DEVICE n" (+ " (ACTIVE)"), RunBt "Cancel"/"Connect",
    // address label sky blue/grey, status lamp green/grey.
    virtual void showSlotConnected(int slot, bool connected) = 0;
    // showSlotConnected(false); PV and SV "0"; outputs hidden, gauges 0;
    // status panel, Alarm 3 lamp and label hidden; alarm and event lamps
    // silver; current text "CT = 0A"; frame silver.
    virtual void resetSlot(int slot) = 0;
    // Frame yellow (on) or silver (off), then the status lamp green.
    virtual void highlightSelection(int slot, bool on) = 0;
    // RunLED0..3: green good reply, red failure, yellow read-back, blue
    // adjust reads, grey disconnected.
    virtual void colourStatusLamp(int slot, Colour colour) = 0;
    // PV0..3 text and font size (points).
    virtual void setSlotPv(int slot, const std::string& text, int fontSize) = 0;
    // SV0..3 text.
    virtual void setSlotSv(int slot, const std::string& text) = 0;
    virtual void setSlotOutputs(int slot, const OutputsShown& outputs) = 0;
    // ALM1LED..ALM3LED of the column: red when lit, silver otherwise.
    virtual void setSlotAlarmLamps(int slot, bool alarm1, bool alarm2, bool alarm3) = 0;
    // DegLb0..3 caption: "C", "F" or "EU".
    virtual void setSlotUnit(int slot, const std::string& unit) = 0;
    virtual void setExecCount(int slot, std::uint32_t count) = 0;
    virtual void setErrCount(int slot, std::uint32_t count) = 0;

    // --- front panel of the selected slot (ZUA1) ---
    // PVDisp, SVDisp empty; LEDs grey; ParaPL, DrawIme, O1Lb, O2Lb,
    // Out1Qty, Out2Qty hidden.
    virtual void resetFrontPanel() = 0;
    // FormShow: remember the design left positions of ATLED, O1LED, ALM2LED.
    virtual void recordLedPositions() = 0;
    virtual void applyFrontPanelLayout(const FrontPanelLayout& layout) = 0;
    virtual void setPanelLeds(const PanelLeds& leds) = 0;
    // PVDisp: centred (error texts) or right-aligned (numbers).
    virtual void setPanelPv(const std::string& text, int fontSize, bool centred) = 0;
    virtual void setPanelSvText(const std::string& text) = 0;
    virtual void setPanelSvFontSize(int fontSize) = 0;
    // Visibility only of O1Lb/Out1Qty, O2Lb/Out2Qty with colours and positions.
    virtual void setPanelOutputs(const OutputsShown& outputs) = 0;
    // shown: ProgDisp visible with item `mode` selected and the parameter
    // panel's SV edit hidden; not shown: ProgDisp hidden, SV edit visible.
    virtual void showProgramDisplay(bool shown, int mode) = 0;
    // ParaPL visible or hidden.
    virtual void showParameterPanel(bool visible) = 0;

    // --- debug strip (DebugPL) and ErrMessage ---
    virtual void setDebugValues(const std::string& uv, const std::string& coldShow) = 0;
    virtual void setErrMessageText(const std::string& text) = 0;
    virtual void setErrMessageColour(Colour colour) = 0;
    // "probe in" / "probe out": DebugPL and ErrMessage visible or hidden.
    virtual void showDebugDisplay(bool visible) = 0;

    // --- window ---
    virtual void enableMenu(MonitorMenu item, bool enabled) = 0;
    virtual void checkMenu(MonitorMenu item, bool checked) = 0;
    // The monitor's Timer1 (1000 ms, trend sampling) on or off.
    virtual void enableTimer1(bool on) = 0;
    virtual void closeWindow() = 0;
    // The port could not be opened: a message box with the component's text.
    virtual void showPortOpenError(const std::string& message) = 0;
    // The line broke while polling; told once, polling has stopped.
    virtual void showLineLost(const std::string& message) = 0;
    // A single write was dropped because its echo differed (refused or changed
    // by the device); the parameters are being read back.
    virtual void showWriteNotEchoed() {}
    virtual void showWriteOutcome(WriteOutcome, const std::string& /*reason*/) {}
    // The engine dropped a connected slot (its column is reset next) after
    // too many failed requests in a row; `why` says so in plain words. The
    // error text of the last failure stays as it was.
    virtual void showSlotDropped(int /*slot*/, std::uint16_t /*address*/,
                                 const std::string& /*why*/) {}
    // The first good reply after a lost line: what was said of the loss no
    // longer holds.
    virtual void showLineBack() {}
};

} // namespace zu
