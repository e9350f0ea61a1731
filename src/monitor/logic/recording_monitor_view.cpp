#include "monitor/logic/recording_monitor_view.h"

namespace zu {

const char* ColourName(Colour c) {
    switch (c) {
    case Colour::Red:
        return "red";
    case Colour::Green:
        return "green";
    case Colour::Yellow:
        return "yellow";
    case Colour::Blue:
        return "blue";
    case Colour::Grey:
        return "grey";
    case Colour::Silver:
        return "silver";
    case Colour::SkyBlue:
        return "skyblue";
    case Colour::Fuchsia:
        return "fuchsia";
    case Colour::Teal:
        return "teal";
    }
    return "?";
}

int RecordingMonitorView::count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : log)
        if (l.compare(0, prefix.size(), prefix) == 0)
            ++n;
    return n;
}

void RecordingMonitorView::note(std::string line) {
    if (keepLog)
        log.push_back(std::move(line));
}

void RecordingMonitorView::showSlotConnected(int slot, bool connected) {
    note("connected " + std::to_string(slot) + (connected ? " 1" : " 0"));
    if (!valid(slot))
        return;
    column[slot].connected = connected;
    column[slot].lamp = connected ? Colour::Green : Colour::Grey;
}

void RecordingMonitorView::resetSlot(int slot) {
    note("reset " + std::to_string(slot));
    if (!valid(slot))
        return;
    Slot& s = column[slot];
    const std::uint32_t exec = s.execCount, err = s.errCount;
    s = Slot{};
    s.execCount = exec;
    s.errCount = err;
}

void RecordingMonitorView::highlightSelection(int slot, bool on) {
    note("highlight " + std::to_string(slot) + (on ? " 1" : " 0"));
    if (!valid(slot))
        return;
    column[slot].highlighted = on;
    column[slot].lamp = Colour::Green;
}

void RecordingMonitorView::colourStatusLamp(int slot, Colour colour) {
    note("lamp " + std::to_string(slot) + " " + ColourName(colour));
    if (valid(slot))
        column[slot].lamp = colour;
}

void RecordingMonitorView::setSlotPv(int slot, const std::string& text, int fontSize) {
    note("pv " + std::to_string(slot) + " " + text + " " + std::to_string(fontSize));
    if (!valid(slot))
        return;
    column[slot].pv = text;
    column[slot].pvFontSize = fontSize;
}

void RecordingMonitorView::setSlotSv(int slot, const std::string& text) {
    note("sv " + std::to_string(slot) + " " + text);
    if (valid(slot))
        column[slot].sv = text;
}

void RecordingMonitorView::setSlotOutputs(int slot, const OutputsShown& outputs) {
    note("outputs " + std::to_string(slot));
    if (valid(slot))
        column[slot].outputs = outputs;
}

void RecordingMonitorView::setSlotAlarmLamps(int slot, bool alarm1, bool alarm2, bool alarm3) {
    note("alarms " + std::to_string(slot) + " " + std::to_string(alarm1) + std::to_string(alarm2) +
         std::to_string(alarm3));
    if (valid(slot))
        column[slot].alarms = {alarm1, alarm2, alarm3};
}

void RecordingMonitorView::setSlotUnit(int slot, const std::string& unit) {
    note("unit " + std::to_string(slot) + " " + unit);
    if (valid(slot))
        column[slot].unit = unit;
}

void RecordingMonitorView::setExecCount(int slot, std::uint32_t count) {
    if (valid(slot))
        column[slot].execCount = count;
}

void RecordingMonitorView::setErrCount(int slot, std::uint32_t count) {
    if (valid(slot))
        column[slot].errCount = count;
}

void RecordingMonitorView::resetFrontPanel() {
    note("resetpanel");
    panelPv.clear();
    panelSv.clear();
    leds = PanelLeds{};
    panelOutputs = OutputsShown{false, false};
    parameterPanelVisible = false;
}

void RecordingMonitorView::recordLedPositions() {
    note("recordleds");
}

void RecordingMonitorView::applyFrontPanelLayout(const FrontPanelLayout& l) {
    note(std::string("layout ") + (l.pictureA ? "A" : "B"));
    layout = l;
}

void RecordingMonitorView::setPanelLeds(const PanelLeds& l) {
    note("leds");
    leds = l;
}

void RecordingMonitorView::setPanelPv(const std::string& text, int fontSize, bool centred) {
    note("panelpv " + text);
    panelPv = text;
    panelPvFontSize = fontSize;
    panelPvCentred = centred;
}

void RecordingMonitorView::setPanelSvText(const std::string& text) {
    note("panelsv " + text);
    panelSv = text;
}

void RecordingMonitorView::setPanelSvFontSize(int fontSize) {
    panelSvFontSize = fontSize;
}

void RecordingMonitorView::setPanelOutputs(const OutputsShown& outputs) {
    note("paneloutputs");
    panelOutputs = outputs;
}

void RecordingMonitorView::showProgramDisplay(bool shown, int mode) {
    note("progdisp " + std::to_string(shown) + " " + std::to_string(mode));
    programDisplayShown = shown;
    programDisplayMode = mode;
}

void RecordingMonitorView::showParameterPanel(bool visible) {
    note(std::string("parapl ") + (visible ? "1" : "0"));
    parameterPanelVisible = visible;
}

void RecordingMonitorView::setDebugValues(const std::string& u, const std::string& c) {
    uv = u;
    coldShow = c;
}

void RecordingMonitorView::setErrMessageText(const std::string& text) {
    note("err " + text);
    errMessage = text;
}

void RecordingMonitorView::setErrMessageColour(Colour colour) {
    errColour = colour;
}

void RecordingMonitorView::showDebugDisplay(bool visible) {
    debugVisible = visible;
}

void RecordingMonitorView::enableMenu(MonitorMenu item, bool on) {
    enabled[item] = on;
}

void RecordingMonitorView::checkMenu(MonitorMenu item, bool on) {
    checked[item] = on;
}

void RecordingMonitorView::enableTimer1(bool on) {
    timer1 = on;
}

void RecordingMonitorView::closeWindow() {
    note("close");
    ++closeCount;
}

void RecordingMonitorView::showPortOpenError(const std::string& message) {
    note("porterror " + message);
    portErrors.push_back(message);
}

void RecordingMonitorView::showWriteNotEchoed() {
    note("notechoed");
}

void RecordingMonitorView::showSlotDropped(int slot, std::uint16_t address,
                                           const std::string& why) {
    const std::string entry = std::to_string(slot) + " " + std::to_string(address) + ": " + why;
    note("dropped " + entry);
    dropped.push_back(entry);
}

void RecordingMonitorView::showWriteOutcome(WriteOutcome outcome, const std::string& reason) {
    std::string line;
    switch (outcome) {
    case WriteOutcome::Written:
        line = "written";
        break;
    case WriteOutcome::ReadBack:
        line = "readback";
        break;
    case WriteOutcome::Refused:
        line = "refused " + reason;
        break;
    case WriteOutcome::GivenUp:
        line = "givenup " + reason;
        break;
    case WriteOutcome::Cancelled:
        line = "cancelled";
        break;
    }
    note("write " + line);
    writeOutcomes.push_back(line);
}

void RecordingMonitorView::showLineBack() {
    note("lineback");
}

void RecordingMonitorView::showLineLost(const std::string& message) {
    note("linelost " + message);
    lineLost.push_back(message);
}

} // namespace zu
