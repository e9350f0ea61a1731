#include "monitor/logic/parameter_panel.h"

#include "core/codec.h"
#include "core/texts.h"
#include "device/panel_controls.h"
#include "device/register_map.h"

namespace zu {

namespace {

constexpr PanelControl kControls[] = {
    // group boxes and panels
    {ctl::CtrlBox, "", "Control", ""},
    {ctl::TempBox, "", "Input", ""},
    {ctl::PIDBox, "", "PID Parameter", ""},
    {ctl::OnOffBox, "", "ON-OFF", ""},
    {ctl::ManuBox, "", "Manual", ""},
    {ctl::AlmBox, "", "Alarm", ""},
    {ctl::AdjustBox, "", "PV tuning", ""},
    {ctl::SecurityPL, "", "Security ", ""},
    {ctl::FWVersion, "", "Firmware Version", ""},
    // Control
    {ctl::CtrlSet, ctl::CtrlSetLb, "Ctrl. Method", ""},
    {ctl::RunStop, ctl::RunStopLb, "Run/Stop", ""},
    {ctl::HeatCool, ctl::HeatCoolLb, "Heat/Cool", ""},
    {ctl::Out1Sel, ctl::HeatCoolLb, "Out1", ""},
    {ctl::Out2Sel, ctl::ComWLb, "Out2", ""},
    {ctl::ComWrite, ctl::ComWLb, "Com.Write", ""},
    {ctl::LockStatus, ctl::LockStatusLb, "Lock Status", ""},
    {ctl::AT, ctl::ATLb, "Auto tuning", ""},
    {ctl::OutputType1, ctl::OutType1LB, "Output Type1", ""},
    {ctl::OutputType2, ctl::OutType2LB, "Output Type2", ""},
    // Input
    {ctl::InputA, ctl::InputLb, "Input Type", ""},
    {ctl::InputB, ctl::InputLb, "Input Type", ""},
    {ctl::Unit, ctl::UnitLb, "Unit", ""},
    {ctl::ProgDisp, ctl::SVLb, "SV", "Program display"},
    {ctl::SV, ctl::SVLb, "SV", ""},
    {ctl::RangeHi, ctl::RangeHiLb, "Range Hi", ""},
    {ctl::RangeLo, ctl::RangeLoLb, "Range Lo", ""},
    {ctl::Pointer, ctl::PointerLb, "Decimal", ""},
    // PID Parameter
    {ctl::Pb, ctl::PbLb, "Pb", ""},
    {ctl::Ti, ctl::TiLb, "Ti", ""},
    {ctl::Td, ctl::TdLb, "Td", ""},
    {ctl::HCPeriodPID1, ctl::PERIOD1Lb, "Ctrl. Period1", ""},
    {ctl::PDOffset, ctl::PDOffsetLb, "PD Offset", ""},
    {ctl::IOffset, ctl::IOffsetLb, "I Offset", ""},
    {ctl::HCPeriodPID2, ctl::PERIOD2Lb, "Ctrl. Period2", ""},
    {ctl::Coeff, ctl::CoeffLb, "P Coefficient", ""},
    {ctl::DeadBand1, ctl::DeadLb1, "DeadBand", ""},
    // ON-OFF
    {ctl::Hyst1, ctl::Hyst1Lb, "Hystersis 1", ""},
    {ctl::Hyst2, ctl::Hyst2Lb, "Hysterisis 2", ""},
    {ctl::DeadBand2, ctl::DeadLb2, "DeadBand", ""},
    // Manual
    {ctl::OUTQ1, ctl::OUTQ1Lb, "Output 1 %", ""},
    {ctl::HCPeriod1, ctl::CPeriod1Lb, "Ctrl. Period1", ""},
    {ctl::OUTQ2, ctl::OUTQ2Lb, "Output 2 %", ""},
    {ctl::HCPeriod2, ctl::CPeriod2Lb, "Ctrl. Period2", ""},
    {ctl::CurrHi, ctl::CurrHiLb, "Tune Out High ", ""},
    {ctl::CurrLo, ctl::CurrLoLb, "Tune Out Low", ""},
    // Alarm
    {ctl::ALM1Mode, ctl::ALM1MLb, "Alarm 1 Mode", ""},
    {ctl::UpLimit1, ctl::UP1LLb, "Up", "Alarm 1 Up"},
    {ctl::DnLimit1, ctl::DN1LLb, "Down", "Alarm 1 Down"},
    {ctl::ALM2Mode, ctl::ALM2MLb, "Alarm 2 Mode", ""},
    {ctl::UpLimit2, ctl::UP2LLb, "Up", "Alarm 2 Up"},
    {ctl::DnLimit2, ctl::DN2LLb, "Down", "Alarm 2 Down"},
    {ctl::ALM3Mode, ctl::ALM3MLb, "Alarm 3 Mode", ""},
    {ctl::UpLimit3, ctl::UP3LLb, "Up", "Alarm 3 Up"},
    {ctl::DnLimit3, ctl::DN3LLb, "Down", "Alarm 3 Down"},
    {ctl::SALMode, ctl::SAlmLb, "System Alarm", ""},
    // PV tuning
    {ctl::PVTune, ctl::PVTuneLb, "PV Offset", ""},
    {ctl::RTDOfs, ctl::RTDOfsLb, "RTD Offset", ""},
    {ctl::RTDGain, ctl::RTDGainLb, "RTD Gain", ""},
    {ctl::TCOfs, ctl::TCOfsLb, "TC Offset", ""},
    {ctl::TCGain, ctl::TCGainLb, "TC Gain", ""},
    {ctl::ColdJ, ctl::ColdJLb, "Cold-J Offset", ""},
    {ctl::mVOfs, ctl::mVOfsLb, "Linear Offset", ""},
    {ctl::mVGain, ctl::mVGainLb, "Linear Gain", ""},
    {ctl::ClearBt1, "", "Restore Default Setting", ""},
    {ctl::ClearBt2, "", "Clear PV Adjust Value ", ""},
};

constexpr OverlapGroup kOverlaps[] = {
    {{{{ctl::PIDBox, ""}, {ctl::OnOffBox, ""}, {ctl::ManuBox, ""}}}},
    {{{{ctl::HeatCool, ""}, {ctl::Out1Sel, ""}, {"", ""}}}},
    {{{{ctl::ComWrite, ""}, {ctl::Out2Sel, ""}, {"", ""}}}},
    {{{{ctl::IOffset, ctl::IOffsetLb}, {ctl::PDOffset, ctl::PDOffsetLb}, {"", ""}}}},
    {{{{ctl::SV, ""}, {ctl::ProgDisp, ""}, {"", ""}}}},
    {{{{ctl::InputB, ""}, {ctl::InputA, ""}, {"", ""}}}},
};

// A register word as the signed number it carries.
int s16(std::uint16_t v) {
    return static_cast<std::int16_t>(v);
}

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

std::span<const PanelControl> PanelControls() {
    return kControls;
}

std::span<const OverlapGroup> PanelOverlaps() {
    return kOverlaps;
}

const PanelControl* FindPanelControl(std::string_view name) {
    for (const PanelControl& c : kControls)
        if (c.name == name)
            return &c;
    return nullptr;
}

QString PanelCaption(std::string_view control) {
    const PanelControl* c = FindPanelControl(control);
    if (!c)
        return QString::fromUtf8(control.data(), qsizetype(control.size()));
    const std::string_view text = c->longName.empty() ? c->caption : c->longName;
    return QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed();
}

ParameterPanel::ParameterPanel(MonitorModel& model, ParameterPanelView& view, PanelHost host)
    : model_(model), view_(view), host_(std::move(host)) {}

void ParameterPanel::showScaled(std::string_view edit, long long value, int decimals) {
    view_.setEditText(edit, fromStd(codec::FormatScaled(value, decimals)));
}

void ParameterPanel::setRowVisible(std::initializer_list<std::string_view> controls, bool visible) {
    for (std::string_view c : controls)
        view_.setControlVisible(c, visible);
}

void ParameterPanel::enableMenu(MonitorMenu item, bool enabled) {
    if (host_.enableMenu)
        host_.enableMenu(item, enabled);
}

void ParameterPanel::ApplyFamilyLayout(std::uint8_t family) {
    DeviceSlot* slot = model_.selected();
    if (family == 'A') {
        view_.bringToFront(ctl::InputA);
    } else if (family == 'B' || family == 'C') {
        view_.bringToFront(ctl::InputB);
        // A family-C device keeps the decimals chosen for it.
        if (family == 'C' && slot && slot->DecimalChoice < 0)
            slot->DecimalPlaces = 1;
    }
}

void ParameterPanel::ShowParameterReply(int kind, const std::uint16_t* values, int count) {
    DeviceSlot* slot = model_.selected();
    if (!slot || !values)
        return;
    // A reply shorter than the request would show words the device never sent.
    const regmap::PollRead request = regmap::KindRequest(kind, slot->Family, slot->cLocked());
    if (!request.sent || count < request.count)
        return;
    switch (kind) {
    case 10:
        showKind10(*slot, values);
        break;
    case 11:
        showKind11(*slot, values);
        break;
    case 12:
        showKind12(*slot, values);
        break;
    case 13:
        showKind13(*slot, values);
        break;
    case 14:
        showKind14(*slot, values);
        break;
    case 20:
    case 21:
        showAdjust(*slot, kind, values);
        break;
    default:
        break;
    }
}

// 10: A 0x4731; B, C 0x4720..0x4727
void ParameterPanel::showKind10(DeviceSlot& slot, const std::uint16_t* v) {
    if (slot.Family == 'A') {
        values_.lockItem = regmap::LockItemA(v[0]);
    } else {
        values_.alarmMode[0] = v[0];
        values_.alarmMode[1] = v[1];
        values_.unit = v[4];
        slot.RunStopSeen = v[3];
        slot.ComWriteEnabled = v[6];
        if (slot.Family == 'B') {
            values_.alarmMode[2] = v[2];
            view_.setListIndex(ctl::ALM3Mode, v[2]);
            values_.decimalPoint = v[5];
            view_.setListIndex(ctl::Pointer, v[5]);
            slot.DecimalPlaces = v[5];
        } else {
            // The device's own choice, not what the list shows: that may
            // still be the previous device's.
            slot.DecimalPlaces = std::uint16_t(slot.decimalItem());
        }
        slot.DecimalPlaces =
            regmap::DecimalPlacesB(slot.DecimalPlaces, std::uint16_t(values_.unit));
    }
    view_.setListIndex(ctl::AT, slot.AtSeen);
    view_.setCaption(ctl::FWVersion, fromStd(regmap::FirmwareText(slot.FirmwareVersion)));
}

// 11: 0x4710..0x4717
void ParameterPanel::showKind11(DeviceSlot& slot, const std::uint16_t* v) {
    if (slot.Family == 'A') {
        values_.inputType = v[0];
        view_.setListIndex(ctl::InputA, v[0]);
        slot.DecimalPlaces = regmap::DecimalPlacesA(v[0]);
        values_.controlMethod = v[1];
        values_.period1 = s16(v[2]);
        values_.pdOffset = s16(v[3]) * 10;
        values_.pvOffset = s16(v[4]);
        values_.alarmMode[0] = v[5];
        values_.alarmMode[1] = v[6];
        values_.unit = v[7];
    } else {
        values_.pdOffset = s16(v[0]);
        values_.pCoefficient = s16(v[1]);
        values_.deadBand = s16(v[2]);
        values_.hysteresis1 = s16(v[3]);
        values_.hysteresis2 = s16(v[4]);
        values_.tuneHigh = s16(v[5]);
        values_.tuneLow = s16(v[6]);
        showScaled(ctl::Coeff, values_.pCoefficient, 2);
        showScaled(ctl::DeadBand1, values_.deadBand, 1);
        showScaled(ctl::DeadBand2, values_.deadBand, 1);
        showScaled(ctl::Hyst2, values_.hysteresis2, slot.DecimalPlaces);
    }
    showScaled(ctl::PDOffset, values_.pdOffset, 1);
    view_.setListIndex(ctl::ALM1Mode, values_.alarmMode[0]);
    view_.setListIndex(ctl::ALM2Mode, values_.alarmMode[1]);
    view_.setListIndex(ctl::Unit, values_.unit);
}

// 12: 0x4718..0x471F
void ParameterPanel::showKind12(DeviceSlot& slot, const std::uint16_t* v) {
    if (slot.Family == 'A') {
        slot.HeatCoolCode = v[0];
        slot.RunStopSeen = v[1];
        slot.ComWriteEnabled = v[2];
    } else {
        values_.inputType = v[0];
        values_.controlMethod = v[1];
        values_.period1 = s16(v[3]);
        values_.period2 = s16(v[4]);
        values_.pvOffset = s16(v[5]);
        if (slot.Family == 'B') {
            slot.HeatCoolCode = v[2];
            values_.lockItem = regmap::LockItemB(v[6]);
            values_.systemAlarm = v[7];
            view_.setListIndex(ctl::SALMode, v[7]);
        } else {
            slot.Out1Function = v[2];
            slot.Out2Function = v[7];
            view_.setListIndex(ctl::Out1Sel, v[2]);
            view_.setListIndex(ctl::Out2Sel, v[7]);
            slot.HeatCoolCode = regmap::HeatCoolC(v[2], v[7]);
            values_.lockItem = regmap::LockItemC(slot.SecurityLevelCode);
        }
        view_.setListIndex(ctl::InputB, v[0]);
        showScaled(ctl::HCPeriod2, values_.period2, 0);
        showScaled(ctl::HCPeriodPID2, values_.period2, 0);
    }
    view_.setListIndex(ctl::CtrlSet, values_.controlMethod);
    selectBoxByControlMethod(values_.controlMethod);
    showScaled(ctl::PVTune, values_.pvOffset, 1);
    view_.setListIndex(ctl::HeatCool, slot.HeatCoolCode);
    showScaled(ctl::HCPeriod1, values_.period1, 0);
    showScaled(ctl::HCPeriodPID1, values_.period1, 0);
    view_.setListIndex(ctl::LockStatus, values_.lockItem);
    view_.setListIndex(ctl::RunStop, slot.RunStopSeen == 4 ? 0 : slot.RunStopSeen);
    view_.setListIndex(ctl::ComWrite, slot.ComWriteEnabled);
}

void ParameterPanel::selectBoxByControlMethod(int method) {
    switch (method) {
    case 1:
        view_.bringToFront(ctl::OnOffBox);
        setRowVisible({ctl::ATLb, ctl::AT}, false);
        break;
    case 2:
        view_.bringToFront(ctl::ManuBox);
        setRowVisible({ctl::ATLb, ctl::AT}, false);
        break;
    case 0:
        view_.bringToFront(ctl::PIDBox);
        setRowVisible({ctl::ATLb, ctl::AT}, true);
        break;
    default: // Ramp Soak and unknown methods leave auto-tuning as it was
        view_.bringToFront(ctl::PIDBox);
        break;
    }
}

// 13: 0x4708..0x470F
void ParameterPanel::showKind13(const DeviceSlot& slot, const std::uint16_t* v) {
    if (slot.Family == 'A') {
        values_.proportionalBand = s16(v[0]);
        values_.integralTime = s16(v[1]);
        values_.derivativeTime = s16(v[2]);
        values_.hysteresis1 = s16(v[3]);
        values_.tuneHigh = s16(v[4]);
        values_.tuneLow = s16(v[5]);
        values_.integralOffset = s16(v[6]) * 10;
    } else {
        values_.upLimit[1] = s16(v[0]);
        values_.downLimit[1] = s16(v[1]);
        values_.upLimit[2] = s16(v[2]);
        values_.downLimit[2] = s16(v[3]);
        values_.proportionalBand = s16(v[4]);
        values_.integralTime = s16(v[5]);
        values_.derivativeTime = s16(v[6]);
        values_.integralOffset = s16(v[7]);
        showScaled(ctl::UpLimit3, values_.upLimit[2], slot.DecimalPlaces);
        showScaled(ctl::DnLimit3, values_.downLimit[2], slot.DecimalPlaces);
    }
    showScaled(ctl::Pb, values_.proportionalBand, 1);
    showScaled(ctl::Ti, values_.integralTime, 0);
    showScaled(ctl::Td, values_.derivativeTime, 0);
    showScaled(ctl::IOffset, values_.integralOffset, 1);
    if (values_.integralTime == 0) {
        view_.bringToFront(ctl::PDOffsetLb);
        view_.bringToFront(ctl::PDOffset);
    } else {
        view_.bringToFront(ctl::IOffsetLb);
        view_.bringToFront(ctl::IOffset);
    }
    showScaled(ctl::Hyst1, values_.hysteresis1, slot.DecimalPlaces);
    showScaled(ctl::CurrHi, values_.tuneHigh, 0);
    showScaled(ctl::CurrLo, values_.tuneLow, 0);
}

// 14: 0x4701..0x4707
void ParameterPanel::showKind14(DeviceSlot& slot, const std::uint16_t* v) {
    slot.SvValue = s16(v[0]);
    if (slot.Family == 'A') {
        values_.upLimit[0] = s16(v[1]);
        values_.downLimit[0] = s16(v[2]);
        values_.upLimit[1] = s16(v[3]);
        values_.downLimit[1] = s16(v[4]);
        values_.rangeHigh = s16(v[5]);
        values_.rangeLow = s16(v[6]);
    } else {
        values_.rangeHigh = s16(v[3]);
        values_.rangeLow = s16(v[4]);
        values_.upLimit[0] = s16(v[5]);
        values_.downLimit[0] = s16(v[6]);
    }
    const int d = slot.DecimalPlaces;
    showScaled(ctl::RangeHi, values_.rangeHigh, d);
    showScaled(ctl::RangeLo, values_.rangeLow, d);
    showScaled(ctl::UpLimit1, values_.upLimit[0], d);
    showScaled(ctl::DnLimit1, values_.downLimit[0], d);
    showScaled(ctl::UpLimit2, values_.upLimit[1], d);
    showScaled(ctl::DnLimit2, values_.downLimit[1], d);
    showScaled(ctl::SV, slot.SvValue, d);
    if (values_.controlMethod == 2)
        showManualOutputs(slot);
    finishReadBack();
}

void ParameterPanel::showManualOutputs(const DeviceSlot& slot) {
    if (slot.Family == 'A') {
        // whole percents, kept times 10
        showScaled(ctl::OUTQ1, slot.Out1Percent, 255);
    } else {
        showScaled(ctl::OUTQ1, slot.Out1Percent, 1);
        showScaled(ctl::OUTQ2, slot.Out2Percent, 1);
    }
}

void ParameterPanel::finishReadBack() {
    ApplyParameterLayout();
    ApplyAccessState();
    const bool trend = model_.PvRecordView || (host_.trendViewActive && host_.trendViewActive());
    if (!model_.req.ParameterPanelShown && !trend) {
        view_.setControlVisible(ctl::ParaPL, true);
        model_.req.ParameterPanelShown = true;
    }
}

// 20: A 0x4720..0x4727; B, C 0x4730..0x4736. 21: B, C 0x4737, 0x4738.
void ParameterPanel::showAdjust(const DeviceSlot& slot, int kind, const std::uint16_t* v) {
    if (kind == 20 && slot.Family == 'A') {
        view_.setListIndex(ctl::OutputType1, v[0]);
        showScaled(ctl::RTDOfs, s16(v[1]), 1);
        showScaled(ctl::RTDGain, s16(v[2]), 0);
        showScaled(ctl::ColdJ, s16(v[3]), 1);
        showScaled(ctl::TCGain, s16(v[6]), 0);
        showScaled(ctl::TCOfs, s16(v[7]), 0);
        // Family A has no second adjustment block: the scheduler goes on from 21.
        model_.RequestKind = 21;
    } else if (kind == 20) {
        view_.setListIndex(ctl::OutputType1, v[0]);
        view_.setListIndex(ctl::OutputType2, v[1]);
        showScaled(ctl::RTDOfs, s16(v[2]), 1);
        showScaled(ctl::RTDGain, s16(v[3]), 0);
        showScaled(ctl::TCOfs, s16(v[4]), 0);
        showScaled(ctl::TCGain, s16(v[5]), 0);
        showScaled(ctl::ColdJ, s16(v[6]), 1);
        return;
    } else {
        showScaled(ctl::mVOfs, s16(v[0]), 0);
        showScaled(ctl::mVGain, s16(v[1]), 0);
    }
    if (!model_.req.AdjustControlsShown)
        ShowAdjustControls(true);
}

void ParameterPanel::ApplyParameterLayout() {
    const DeviceSlot* slot = model_.selected();
    if (!slot)
        return;
    const std::uint8_t f = slot->Family;
    const bool a = f == 'A', b = f == 'B', c = f == 'C';
    const int hc = slot->HeatCoolCode;
    const int o1 = slot->Out1Function, o2 = slot->Out2Function;

    const bool alarm1 = a || b || (c && o1 == 2);
    const bool alarm2 = a || b || (c && o2 == 2);
    const bool alarm3 = b && hc < 2;
    const bool period1 = a || b || (c && o1 < 2);
    const bool period2 = (b && (hc == 2 || hc == 3)) || (c && o2 < 2);
    const bool deadBand = (b && (hc == 2 || hc == 3)) || (c && o1 < 2 && o2 < 2 && o1 != o2);

    setRowVisible(
        {ctl::ALM1MLb, ctl::ALM1Mode, ctl::UP1LLb, ctl::UpLimit1, ctl::DN1LLb, ctl::DnLimit1},
        alarm1);
    setRowVisible(
        {ctl::ALM2MLb, ctl::ALM2Mode, ctl::UP2LLb, ctl::UpLimit2, ctl::DN2LLb, ctl::DnLimit2},
        alarm2);
    setRowVisible(
        {ctl::ALM3MLb, ctl::ALM3Mode, ctl::UP3LLb, ctl::UpLimit3, ctl::DN3LLb, ctl::DnLimit3},
        alarm3);
    setRowVisible({ctl::SAlmLb, ctl::SALMode}, b);
    setRowVisible({ctl::PointerLb, ctl::Pointer}, b || c);
    setRowVisible({ctl::CPeriod1Lb, ctl::HCPeriod1, ctl::PERIOD1Lb, ctl::HCPeriodPID1, ctl::OUTQ1Lb,
                   ctl::OUTQ1, ctl::Hyst1Lb, ctl::Hyst1},
                  period1);
    setRowVisible({ctl::CPeriod2Lb, ctl::HCPeriod2, ctl::PERIOD2Lb, ctl::HCPeriodPID2, ctl::OUTQ2Lb,
                   ctl::OUTQ2, ctl::Hyst2Lb, ctl::Hyst2},
                  period2);
    setRowVisible(
        {ctl::DeadLb1, ctl::DeadBand1, ctl::DeadLb2, ctl::DeadBand2, ctl::CoeffLb, ctl::Coeff},
        deadBand);

    const bool securityMenusOff =
        c && (slot->SecurityLevelCode == 1 || slot->SecurityLevelCode == 2);
    enableMenu(MonitorMenu::RampSoakprogram1, (b || c) && !securityMenusOff);
    enableMenu(MonitorMenu::UPLOAD1, !securityMenusOff);

    if (c) {
        const bool accessCode = host_.accessCodeEntered && host_.accessCodeEntered();
        if (!accessCode)
            view_.setControlVisible(ctl::SecurityPL, true);
        view_.setCaption("HeatCoolLb", QString::fromLatin1(text::Out1));
        view_.setCaption("ComWLb", QString::fromLatin1(text::Out2));
        view_.setControlVisible(ctl::ComWrite, false);
        view_.setControlVisible(ctl::HeatCool, false);
        if (host_.showSecurityState)
            host_.showSecurityState();
    } else {
        view_.setControlVisible(ctl::SecurityPL, false);
        view_.setCaption("HeatCoolLb", QString::fromLatin1(text::HeatCool));
        view_.setCaption("ComWLb", QString::fromLatin1(text::ComWrite));
        view_.setControlVisible(ctl::ComWrite, true);
        view_.setControlVisible(ctl::HeatCool, true);
    }
}

void ParameterPanel::ApplyAccessState() {
    const DeviceSlot* slot = model_.selected();
    if (!slot)
        return;
    bool enabled = false;
    if (slot->Family == 'C') {
        const std::uint32_t level = slot->SecurityLevelCode;
        enabled = level == 8;
        if (level == 4 || level == 8) {
            view_.setControlEnabled(ctl::AT, true);
            view_.setControlEnabled(ctl::SV, true);
            view_.setListIndex(ctl::Pointer, slot->decimalItem());
        } else if (level < 4) {
            view_.setControlEnabled(ctl::AT, false);
            view_.setControlEnabled(ctl::SV, level == 2);
            view_.setListIndex(ctl::LockStatus, level == 2 ? 2 : 1);
            blankLockedPanel();
        }
    } else {
        enabled = slot->ComWriteEnabled == 1;
        view_.setControlEnabled(ctl::AT, enabled);
        view_.setControlEnabled(ctl::SV, enabled);
    }
    for (std::string_view box : {ctl::AdjustBox, ctl::AlmBox, ctl::ManuBox, ctl::OnOffBox,
                                 ctl::PIDBox, ctl::TempBox, ctl::CtrlBox})
        view_.setControlEnabled(box, enabled);
}

void ParameterPanel::blankLockedPanel() {
    const QString na = QString::fromLatin1(text::NotAvailable);
    view_.setListIndex(ctl::AT, -1);
    for (std::string_view list : {ctl::ALM1Mode, ctl::ALM2Mode, ctl::ALM3Mode, ctl::SALMode})
        view_.setListText(list, na);
    for (std::string_view edit :
         {ctl::PVTune,    ctl::UpLimit1,     ctl::DnLimit1, ctl::UpLimit2,  ctl::DnLimit2,
          ctl::UpLimit3,  ctl::DnLimit3,     ctl::OUTQ1,    ctl::OUTQ2,     ctl::CurrHi,
          ctl::CurrLo,    ctl::Hyst1,        ctl::Hyst2,    ctl::HCPeriod1, ctl::HCPeriod2,
          ctl::DeadBand2, ctl::Pb,           ctl::Ti,       ctl::Td,        ctl::HCPeriodPID1,
          ctl::IOffset,   ctl::HCPeriodPID2, ctl::Coeff,    ctl::DeadBand1})
        view_.setEditText(edit, na);
    view_.setEditText(ctl::RangeHi, QString());
    view_.setEditText(ctl::RangeLo, QString());
    for (std::string_view list : {ctl::InputA, ctl::InputB, ctl::Unit, ctl::Pointer, ctl::CtrlSet,
                                  ctl::RunStop, ctl::HeatCool, ctl::Out1Sel, ctl::Out2Sel})
        view_.setListIndex(list, -1);
}

void ParameterPanel::ShowAdjustControls(bool visible) {
    model_.req.AdjustControlsShown = visible;
    setRowVisible({ctl::OutType1LB, ctl::OutputType1, ctl::RTDOfsLb, ctl::RTDOfs, ctl::RTDGainLb,
                   ctl::RTDGain, ctl::TCOfsLb, ctl::TCOfs, ctl::TCGainLb, ctl::TCGain, ctl::ColdJLb,
                   ctl::ColdJ, ctl::ClearBt1, ctl::ClearBt2},
                  visible);
    const DeviceSlot* slot = model_.selected();
    const bool second = visible && !(slot && slot->Family == 'A');
    setRowVisible(
        {ctl::OutputType2, ctl::OutType2LB, ctl::mVOfs, ctl::mVOfsLb, ctl::mVGain, ctl::mVGainLb},
        second);
}

} // namespace zu
