#pragma once
// The monitor window without a window: the polling engine paints into this
// view, which keeps what a slot column would show and prints one line per
// completed status cycle and connected controller, and one per error.
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace zu {
class Clock;
class MonitorEngine;
} // namespace zu

namespace zu::cli {

// Follows the kinds of the requests the engine sends and tells when the
// status poll (kinds 2..8) has gone once round all connected slots: the next
// cycle starts again at a lower kind, or the decision point sends the
// parameter reads (kinds 10 and up). Identification (kinds 0 and 1) restarts
// the cycle, so a cycle cut short by it is not reported.
class CycleTracker {
  public:
    // True when this request is the first after a completed cycle.
    bool requestSent(int kind);

  private:
    int last_ = 0; // last status kind sent in the running cycle, 0 = none
};

// What the monitor shows a technician, as printable values: "25.3", "- 20.0",
// "Input error" are kept as they are, a value with blanks in quotes.
QString QuoteField(const QString& value);

class HeadlessMonitorView : public MonitorView {
  public:
    // `print` gets each finished line without its line end.
    HeadlessMonitorView(Clock& clock, std::function<void(const QString&)> print);

    // The engine whose model and request address the lines describe.
    void attach(const MonitorEngine& engine) { engine_ = &engine; }

    // Why the monitor must end, once it must: an exit status and a message
    // for standard error (empty when the lines said it all).
    struct Ending {
        int exitCode = 0;
        QString message;
    };
    std::function<void(const Ending&)> onEnd;

    // --- MonitorView ---
    void showSlotConnected(int slot, bool connected) override;
    void resetSlot(int slot) override;
    void highlightSelection(int, bool) override {}
    void colourStatusLamp(int, Colour) override {}
    void setSlotPv(int slot, const std::string& text, int fontSize) override;
    void setSlotSv(int slot, const std::string& text) override;
    void setSlotOutputs(int, const OutputsShown&) override {}
    void setSlotAlarmLamps(int, bool, bool, bool) override {}
    void setSlotUnit(int, const std::string&) override {}
    void setExecCount(int slot, std::uint32_t count) override;
    void setErrCount(int, std::uint32_t) override {}
    void resetFrontPanel() override {}
    void recordLedPositions() override {}
    void applyFrontPanelLayout(const FrontPanelLayout&) override {}
    void setPanelLeds(const PanelLeds&) override {}
    void setPanelPv(const std::string&, int, bool) override {}
    void setPanelSvText(const std::string&) override {}
    void setPanelSvFontSize(int) override {}
    void setPanelOutputs(const OutputsShown&) override {}
    void showProgramDisplay(bool, int) override {}
    void showParameterPanel(bool) override {}
    void setDebugValues(const std::string&, const std::string&) override {}
    void setErrMessageText(const std::string& text) override;
    void setErrMessageColour(Colour) override {}
    void showDebugDisplay(bool) override {}
    void enableMenu(MonitorMenu, bool) override {}
    void checkMenu(MonitorMenu, bool) override {}
    void enableTimer1(bool) override {}
    void closeWindow() override {}
    void showPortOpenError(const std::string& message) override;
    void showLineLost(const std::string& message) override;
    void showSlotDropped(int slot, std::uint16_t address, const std::string& why) override;

  private:
    struct SlotShown {
        bool connected = false;
        bool valuesShown = false; // PV/SV came in since it connected
        bool dropped = false;     // reset while connected, not yet reported
        QString dropReason;       // as the engine gave it
        QString pv;
        QString sv;
    };
    QString stamp() const;
    int addressOf(int slot) const;
    void cycleDone();
    // After the engine's handler has run: report dropped slots, and end when
    // none is left (unless something else ended the monitor meanwhile).
    void checkDrops();
    void end(int exitCode, const QString& message);

    Clock& clock_;
    std::function<void(const QString&)> print_;
    const MonitorEngine* engine_ = nullptr;
    std::array<SlotShown, SlotCount> slots_{};
    CycleTracker cycle_;
    bool everConnected_ = false;
    bool dropCheckPending_ = false;
    bool ended_ = false;
};

} // namespace zu::cli
