#include "monitor/logic/status_display.h"

#include "core/app_state.h"
#include "core/codec.h"
#include "core/texts.h"
#include "monitor/logic/poll_table.h"

#include <algorithm>

namespace zu {

namespace {

constexpr std::uint16_t Bit(int n) {
    return std::uint16_t(1u << n);
}

std::int32_t Signed16(std::uint16_t w) {
    return std::int16_t(w);
}

int GaugePosition(int v) {
    return std::clamp(v, 0, 1000);
}

// Two-digit time and step fields; a larger value keeps all its digits.
std::string TwoDigits(int v) {
    return codec::FormatDigits(v, 2);
}

} // namespace

StatusDisplay::StatusDisplay(AppState& app, MonitorModel& model, MonitorView& view)
    : app_(app), model_(model), view_(view) {}

int StatusDisplay::scaled(int size) const {
    return app_.ScaleWidth * size / 808;
}

std::string StatusDisplay::PvErrorText(std::uint16_t code) {
    switch (code & 0x0F) {
    case 1:
    case 2:
        return text::Waiting;
    case 3:
        return text::NoConnect;
    case 4:
    case 6:
        return text::InputError;
    case 5:
        return text::OverRange;
    case 7:
        return text::MemoryFail;
    default:
        return {};
    }
}

std::uint8_t StatusDisplay::RearrangeFamilyA(std::uint8_t s) {
    std::uint8_t out = s & (Bit(0) | Bit(5) | Bit(6) | Bit(7));
    if (s & Bit(4))
        out |= Bit(1);
    if (s & Bit(5))
        out |= Bit(4);
    if (s & Bit(2))
        out |= Bit(3);
    if (s & Bit(3))
        out |= Bit(2);
    return out;
}

std::string StatusDisplay::ProgramText(int mode, const std::uint16_t* w, std::int32_t sv,
                                       int decimals) {
    switch (mode) {
    case 0:
        return "0" + std::to_string(w[4]) + "-" + TwoDigits(w[3]);
    case 1:
        return codec::FormatScaled(sv, decimals);
    case 2:
        return TwoDigits(w[2] / 60) + ":" + TwoDigits((w[1] % 3600) / 60) + ":" +
               TwoDigits(w[1] % 60);
    default:
        return {};
    }
}

OutputsShown StatusDisplay::OutputsOf(const DeviceSlot& s) {
    OutputsShown o;
    o.out1Visible = o.out2Visible = true;
    o.alarm1Visible = o.alarm2Visible = true;
    o.alarm3Visible = false;
    if (s.Family == 'C') {
        if (s.Out1Function == 2)
            o.out1Visible = false;
        else
            o.alarm1Visible = false;
        if (s.Out2Function == 2)
            o.out2Visible = false;
        else
            o.alarm2Visible = false;
    } else if (s.Family == 'A') {
        o.out2Visible = false;
    } else if (s.Family == 'B' && s.HeatCoolCode <= 1) {
        o.out2Visible = false;
        o.alarm3Visible = true;
    }
    auto heat = [](Colour& label, Colour& bar) {
        label = Colour::Red;
        bar = Colour::Fuchsia;
    };
    auto cool = [](Colour& label, Colour& bar) {
        label = Colour::Blue;
        bar = Colour::SkyBlue;
    };
    if (s.Family == 'C') {
        (s.Out1Function == 0 ? heat : cool)(o.out1Label, o.out1Bar);
        (s.Out2Function == 0 ? heat : cool)(o.out2Label, o.out2Bar);
    } else if (s.HeatCoolCode & 1) {
        cool(o.out1Label, o.out1Bar);
        heat(o.out2Label, o.out2Bar);
    } else {
        heat(o.out1Label, o.out1Bar);
        cool(o.out2Label, o.out2Bar);
    }
    o.out1Position = GaugePosition(s.Out1Percent);
    o.out2Position = GaugePosition(s.Out2Percent);
    return o;
}

void StatusDisplay::Decode(int kind, int slot, const std::uint16_t* v, int count) {
    if (slot < 0 || slot >= SlotCount || !model_.deviceSlots[slot].connected)
        return;
    const DeviceSlot& s = model_.deviceSlots[slot];
    // Only a reply with exactly the words of this kind's request is decoded.
    const auto asked = PollRequestOf(kind, s);
    if (!asked || asked->count != count || count > 8)
        return;
    switch (kind) {
    case 1:
        decodeKind1(slot, v);
        break;
    case 2:
        decodeKind2(slot, v, count);
        break;
    case 3:
    case 5:
        decodePvSv(slot, v, count);
        break;
    case 4:
        decodeKind4(slot, v, count);
        break;
    case 6:
        decodeKind6(slot, v, count);
        break;
    case 7:
        if (s.Family == 'C') {
            model_.deviceSlots[slot].SecurityLevelCode = (v[0] >> 3) & 15;
            model_.deviceSlots[slot].PasswordEnableBits = v[0] & 7;
            if (security_)
                security_->SecurityWordRead(std::uint8_t(slot), 7);
        }
        break;
    case 8:
        decodeKind8(slot, v, count);
        break;
    default:
        break;
    }
}

void StatusDisplay::decodeKind1(int slot, const std::uint16_t* v) {
    DeviceSlot& s = model_.deviceSlots[slot];
    const bool selected = isSelected(slot);
    switch (s.Family) {
    case 'A': {
        s.DecimalChoice = -1; // a choice made for a family-C device is not this one's
        s.HeatCoolCode = (v[0] & Bit(2)) ? 1 : 0;
        constexpr int oneDecimal[] = {1, 3, 5, 11, 12, 14, 15};
        s.DecimalPlaces =
            std::find(std::begin(oneDecimal), std::end(oneDecimal), v[1]) != std::end(oneDecimal)
                ? 1
                : 255;
        if (selected) {
            view_.enableMenu(MonitorMenu::UPLOAD1, true);
            view_.enableMenu(MonitorMenu::RampSoakprogram1, false);
        }
        break;
    }
    case 'B':
        s.DecimalChoice = -1;
        s.DecimalPlaces = v[1];
        if (v[1] == 0 && v[0] < 2)
            s.DecimalPlaces = 255;
        if (selected) {
            view_.enableMenu(MonitorMenu::UPLOAD1, true);
            view_.enableMenu(MonitorMenu::RampSoakprogram1, false);
        }
        break;
    case 'C': {
        s.SecurityLevelCode = (v[0] >> 3) & 15;
        s.PasswordEnableBits = v[0] & 7;
        if (security_)
            security_->SecurityWordRead(std::uint8_t(slot), 1);
        // identified again (selected anew, after a security change): the
        // decimals chosen for it stay
        if (s.DecimalChoice < 0)
            s.DecimalPlaces = 1;
        if (selected) {
            const bool open = (s.SecurityLevelCode & (Bit(2) | Bit(3))) != 0;
            view_.enableMenu(MonitorMenu::UPLOAD1, open);
            view_.enableMenu(MonitorMenu::RampSoakprogram1, open);
        }
        break;
    }
    default:
        break;
    }
}

void StatusDisplay::decodeKind2(int slot, const std::uint16_t* v, int count) {
    DeviceSlot& s = model_.deviceSlots[slot];
    if (s.Family == 'A') {
        s.VoltageValue = v[0];
        s.PvErrorCode = v[3];
        if (isSelected(slot) && v[1] != s.AtSeen) {
            s.AtSeen = v[1];
            model_.req.ParameterRefresh = true;
        }
    } else if (s.Family == 'B') {
        s.HeatCoolCode = v[3];
        s.ComWriteEnabled = v[0] & Bit(0) ? 1 : 0;
        s.ProgramRunning = v[0] & Bit(5) ? 1 : 0;
        if (isSelected(slot))
            view_.enableMenu(MonitorMenu::RampSoakprogram1, s.ComWriteEnabled == 1);
    } else if (s.cOpen() && count == 6) {
        s.Out1Function = v[0];
        s.Out2Function = v[5];
        std::uint16_t hc = 0;
        if (s.Out1Function < 2)
            hc |= s.Out1Function;
        if (s.Out2Function < 2)
            hc |= std::uint16_t(2 * s.Out2Function);
        s.HeatCoolCode = hc;
    }
}

void StatusDisplay::decodePvSv(int slot, const std::uint16_t* v, int count) {
    DeviceSlot& s = model_.deviceSlots[slot];
    if (!s.cLocked()) {
        if ((s.Family == 'B' || s.Family == 'C') && count >= 4) {
            s.Out1Percent = v[2];
            s.Out2Percent = v[3];
        }
        drawOutputs(slot);
    }
    s.PvValue = Signed16(v[0]);
    s.SvValue = Signed16(v[1]);
    if (s.Family != 'A')
        s.PvErrorCode = (v[0] >> 8) == 0x80 ? v[0] : 0;
    drawPvSv(slot);
}

void StatusDisplay::decodeKind4(int slot, const std::uint16_t* v, int count) {
    DeviceSlot& s = model_.deviceSlots[slot];
    const bool selected = isSelected(slot);
    std::uint8_t status = 0;
    std::uint8_t run = 0xFF;
    if (s.Family == 'A') {
        s.HeatCoolCode = v[0];
        if (selected && v[1] != s.RunStopSeen) {
            s.RunStopSeen = v[1];
            model_.req.ParameterRefresh = true;
        }
        s.ComWriteEnabled = v[2];
        s.FirmwareVersion = v[3];
        status = std::uint8_t(v[4]);
        run = std::uint8_t(v[5]);
        s.Out1Percent = std::uint16_t(std::min(10 * int(v[6]), 0xFFFF));
        s.ColdJunctionValue = v[7];
        s.ProgramRunning = 0;
    } else if (s.cLocked()) {
        status = std::uint8_t(v[0]);
        s.ProgramRunning = 0;
    } else if (count == 8) {
        status = std::uint8_t(v[0]);
        run = std::uint8_t(v[1]);
        s.FirmwareVersion = v[2];
        s.ProgramRunning = v[3] != 0 ? 1 : 0;
        s.ProgramSvValue = v[4];
        s.ColdJunctionValue = v[6];
        s.VoltageValue = v[7];
    }
    if (selected && s.Family != 'C' && !(run & 1))
        model_.req.ParameterRefresh = true;
    statusByteSeen(slot, status);
}

void StatusDisplay::decodeKind6(int slot, const std::uint16_t* v, int count) {
    DeviceSlot& s = model_.deviceSlots[slot];
    const bool selected = isSelected(slot);
    std::uint8_t status = 0;
    std::uint8_t run = 0xFF;
    if (s.Family == 'A') {
        status = std::uint8_t(v[0]);
        run = std::uint8_t(v[1]);
        s.Out1Percent = std::uint16_t(std::min(10 * int(v[2]), 0xFFFF));
    } else if (s.cLocked()) {
        status = std::uint8_t(v[0]);
    } else if (count >= 6) {
        status = std::uint8_t(v[5]);
        if (count >= 7)
            run = std::uint8_t(v[6]); // family B only; family C does not use it
        if (selected) {
            if (v[4] != s.AtSeen) {
                s.AtSeen = v[4];
                model_.req.ParameterRefresh = true;
            }
            if (v[0] != s.RunStopSeen) {
                s.RunStopSeen = v[0];
                model_.req.ParameterRefresh = true;
            }
        }
    }
    if (selected) {
        if (s.Family != 'C' && !(run & 1))
            model_.req.ParameterRefresh = true;
        if (!s.cLocked())
            view_.setDebugValues(std::to_string(s.VoltageValue),
                                 codec::FormatScaled(s.ColdJunctionValue, 1));
    }
    statusByteSeen(slot, status);
}

void StatusDisplay::decodeKind8(int slot, const std::uint16_t* v, int count) {
    if (count != 5)
        return;
    DeviceSlot& s = model_.deviceSlots[slot];
    const int mode = v[0];
    const std::int32_t sv = model_.req.HiddenMode ? Signed16(s.ProgramSvValue) : s.SvValue;
    const std::string text = ProgramText(mode, v, sv, s.DecimalPlaces);
    if (isSelected(slot)) {
        view_.setPanelSvFontSize(scaled(mode == 2 ? 24 : 32));
        view_.setPanelSvText(text);
        if (!programDisplayShown_) {
            programDisplayShown_ = true;
            view_.showProgramDisplay(true, mode);
        }
    }
    view_.setSlotSv(slot, text);
}

void StatusDisplay::statusByteSeen(int slot, std::uint8_t status) {
    DeviceSlot& s = model_.deviceSlots[slot];
    if (status == s.StatusByte)
        return;
    s.StatusByte = status;
    drawLeds(slot);
}

void StatusDisplay::drawOutputs(int slot) {
    const OutputsShown o = OutputsOf(model_.deviceSlots[slot]);
    view_.setSlotOutputs(slot, o);
    if (isSelected(slot))
        view_.setPanelOutputs(o);
}

void StatusDisplay::drawPvSv(int slot) {
    const DeviceSlot& s = model_.deviceSlots[slot];
    const bool error = s.PvErrorCode != 0;
    const std::string pv =
        error ? PvErrorText(s.PvErrorCode) : codec::FormatScaled(s.PvValue, s.DecimalPlaces);
    const std::string sv = codec::FormatScaled(s.SvValue, s.DecimalPlaces);
    view_.setSlotPv(slot, pv, scaled(error ? 8 : 10));
    if (s.ProgramRunning == 0)
        view_.setSlotSv(slot, sv);
    if (!isSelected(slot))
        return;
    view_.setPanelPv(pv, scaled(error ? 14 : 32), error);
    if (s.ProgramRunning == 0) {
        view_.setPanelSvText(sv);
        if (programDisplayShown_) {
            view_.setPanelSvFontSize(scaled(32));
            view_.showProgramDisplay(false, 0);
            programDisplayShown_ = false;
        }
    }
}

void StatusDisplay::drawLeds(int slot) {
    const DeviceSlot& s = model_.deviceSlots[slot];
    std::uint8_t b = s.StatusByte;
    if (s.Family == 'A')
        b = RearrangeFamilyA(b);
    auto on = [b](int n) { return (b & Bit(n)) != 0; };
    view_.setSlotAlarmLamps(slot, on(4), on(1), on(0));
    view_.setSlotUnit(slot, on(2) ? "C" : on(3) ? "F" : "EU");
    if (!isSelected(slot))
        return;
    PanelLeds leds;
    leds.ALM3LED = on(0);
    leds.ALM2LED = on(1);
    leds.DegC = on(2);
    leds.DegF = on(3);
    leds.ALM1LED = on(4);
    leds.O2LED = on(5);
    leds.O1LED = on(6);
    leds.ATLED = on(7);
    view_.setPanelLeds(leds);
}

void StatusDisplay::ApplyFrontPanelLayout(std::uint8_t family) {
    FrontPanelLayout l;
    switch (family) {
    case 'A':
        l = {true, false, 0, 0, 0};
        break;
    // The offsets are picture pixels at the design width: they scale with
    // the panel for family C as they do for family B.
    case 'B':
    case 'C':
        l = {false, true, scaled(10), scaled(20), scaled(5)};
        break;
    default:
        return;
    }
    view_.applyFrontPanelLayout(l);
}

void StatusDisplay::Reset() {
    for (int i = 0; i < SlotCount; ++i) {
        model_.deviceSlots[i].StatusByte = 255;
        model_.deviceSlots[i].ComWriteEnabled = 255;
        view_.resetSlot(i);
    }
    view_.resetFrontPanel();
    if (programDisplayShown_) {
        view_.showProgramDisplay(false, 0);
        programDisplayShown_ = false;
    }
}

} // namespace zu
