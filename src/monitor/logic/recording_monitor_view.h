#pragma once
// A monitor view without widgets: it keeps what each control would show and a
// log of the operations in order. Tests assert on it; a command-line monitor
// can print from it.
#include "core/texts.h"
#include "monitor/logic/monitor_view.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace zu {

class RecordingMonitorView : public MonitorView {
  public:
    struct Slot {
        bool connected = false; // as shown: "Cancel" on the button
        bool highlighted = false;
        Colour lamp = Colour::Grey;
        std::string pv = "0";
        int pvFontSize = 0;
        std::string sv = "0";
        OutputsShown outputs{false, false};
        std::array<bool, 3> alarms{};
        std::string unit = "C";
        std::uint32_t execCount = 0;
        std::uint32_t errCount = 0;
    };
    std::array<Slot, 4> column;

    FrontPanelLayout layout;
    PanelLeds leds;
    std::string panelPv, panelSv;
    int panelPvFontSize = 0, panelSvFontSize = 0;
    bool panelPvCentred = false;
    OutputsShown panelOutputs{false, false};
    bool programDisplayShown = false;
    int programDisplayMode = 0;
    bool parameterPanelVisible = false;
    std::string uv, coldShow;
    std::string errMessage = text::NoErrorStart;
    Colour errColour = Colour::Teal;
    bool debugVisible = false;
    std::map<MonitorMenu, bool> enabled, checked;
    bool timer1 = false;
    int closeCount = 0;
    std::vector<std::string> portErrors, lineLost;
    // "slot address: why" per dropped slot; "written", "refused <reason>"... per write outcome
    std::vector<std::string> dropped, writeOutcomes;
    // Every operation in order, one short line each ("pv 0 123.4 10").
    std::vector<std::string> log;
    bool keepLog = true;

    // How often the log holds a line starting with `prefix`.
    int count(const std::string& prefix) const;
    void clearLog() { log.clear(); }

    void showSlotConnected(int slot, bool connected) override;
    void resetSlot(int slot) override;
    void highlightSelection(int slot, bool on) override;
    void colourStatusLamp(int slot, Colour colour) override;
    void setSlotPv(int slot, const std::string& text, int fontSize) override;
    void setSlotSv(int slot, const std::string& text) override;
    void setSlotOutputs(int slot, const OutputsShown& outputs) override;
    void setSlotAlarmLamps(int slot, bool alarm1, bool alarm2, bool alarm3) override;
    void setSlotUnit(int slot, const std::string& unit) override;
    void setExecCount(int slot, std::uint32_t count) override;
    void setErrCount(int slot, std::uint32_t count) override;
    void resetFrontPanel() override;
    void recordLedPositions() override;
    void applyFrontPanelLayout(const FrontPanelLayout& layout) override;
    void setPanelLeds(const PanelLeds& leds) override;
    void setPanelPv(const std::string& text, int fontSize, bool centred) override;
    void setPanelSvText(const std::string& text) override;
    void setPanelSvFontSize(int fontSize) override;
    void setPanelOutputs(const OutputsShown& outputs) override;
    void showProgramDisplay(bool shown, int mode) override;
    void showParameterPanel(bool visible) override;
    void setDebugValues(const std::string& uv, const std::string& coldShow) override;
    void setErrMessageText(const std::string& text) override;
    void setErrMessageColour(Colour colour) override;
    void showDebugDisplay(bool visible) override;
    void enableMenu(MonitorMenu item, bool enabled) override;
    void checkMenu(MonitorMenu item, bool checked) override;
    void enableTimer1(bool on) override;
    void closeWindow() override;
    void showPortOpenError(const std::string& message) override;
    void showLineLost(const std::string& message) override;
    void showWriteNotEchoed() override;
    void showSlotDropped(int slot, std::uint16_t address, const std::string& why) override;
    void showWriteOutcome(WriteOutcome outcome, const std::string& reason) override;
    void showLineBack() override;

  private:
    void note(std::string line);
    bool valid(int slot) const { return slot >= 0 && slot < 4; }
};

const char* ColourName(Colour c);

} // namespace zu
