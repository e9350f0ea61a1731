#include "monitor/logic/parameter_panel.h"

#include "core/codec.h"
#include "core/texts.h"
#include "device/register_map.h"

namespace zu {

namespace {

constexpr PanelControl kControls[] = {
    // group boxes and panels
    {"CtrlBox", "", "Control", ""},
    {"TempBox", "", "Input", ""},
    {"PIDBox", "", "PID Parameter", ""},
    {"OnOffBox", "", "ON-OFF", ""},
    {"ManuBox", "", "Manual", ""},
    {"AlmBox", "", "Alarm", ""},
    {"AdjustBox", "", "PV tuning", ""},
    {"SecurityPL", "", "Security ", ""},
    {"FWVersion", "", "Firmware Version", ""},
    // Control
    {"CtrlSet", "CtrlSetLb", "Ctrl. Method", ""},
    {"RunStop", "RunStopLb", "Run/Stop", ""},
    {"HeatCool", "HeatCoolLb", "Heat/Cool", ""},
    {"Out1Sel", "HeatCoolLb", "Out1", ""},
    {"Out2Sel", "ComWLb", "Out2", ""},
    {"ComWrite", "ComWLb", "Com.Write", ""},
    {"LockStatus", "LockStatusLb", "Lock Status", ""},
    {"AT", "ATLb", "Auto tuning", ""},
    {"OutputType1", "OutType1LB", "Output Type1", ""},
    {"OutputType2", "OutType2LB", "Output Type2", ""},
    // Input
    {"InputA", "InputLb", "Input Type", ""},
    {"InputB", "InputLb", "Input Type", ""},
    {"Unit", "UnitLb", "Unit", ""},
    {"ProgDisp", "SVLb", "SV", "Program display"},
    {"SV", "SVLb", "SV", ""},
    {"RangeHi", "RangeHiLb", "Range Hi", ""},
    {"RangeLo", "RangeLoLb", "Range Lo", ""},
    {"Pointer", "PointerLb", "Decimal", ""},
    // PID Parameter
    {"Pb", "PbLb", "Pb", ""},
    {"Ti", "TiLb", "Ti", ""},
    {"Td", "TdLb", "Td", ""},
    {"HCPeriodPID1", "PERIOD1Lb", "Ctrl. Period1", ""},
    {"PDOffset", "PDOffsetLb", "PD Offset", ""},
    {"IOffset", "IOffsetLb", "I Offset", ""},
    {"HCPeriodPID2", "PERIOD2Lb", "Ctrl. Period2", ""},
    {"Coeff", "CoeffLb", "P Coefficient", ""},
    {"DeadBand1", "DeadLb1", "DeadBand", ""},
    // ON-OFF
    {"Hyst1", "Hyst1Lb", "Hystersis 1", ""},
    {"Hyst2", "Hyst2Lb", "Hysterisis 2", ""},
    {"DeadBand2", "DeadLb2", "DeadBand", ""},
    // Manual
    {"OUTQ1", "OUTQ1Lb", "Output 1 %", ""},
    {"HCPeriod1", "CPeriod1Lb", "Ctrl. Period1", ""},
    {"OUTQ2", "OUTQ2Lb", "Output 2 %", ""},
    {"HCPeriod2", "CPeriod2Lb", "Ctrl. Period2", ""},
    {"CurrHi", "CurrHiLb", "Tune Out High ", ""},
    {"CurrLo", "CurrLoLb", "Tune Out Low", ""},
    // Alarm
    {"ALM1Mode", "ALM1MLb", "Alarm 1 Mode", ""},
    {"UpLimit1", "UP1LLb", "Up", "Alarm 1 Up"},
    {"DnLimit1", "DN1LLb", "Down", "Alarm 1 Down"},
    {"ALM2Mode", "ALM2MLb", "Alarm 2 Mode", ""},
    {"UpLimit2", "UP2LLb", "Up", "Alarm 2 Up"},
    {"DnLimit2", "DN2LLb", "Down", "Alarm 2 Down"},
    {"ALM3Mode", "ALM3MLb", "Alarm 3 Mode", ""},
    {"UpLimit3", "UP3LLb", "Up", "Alarm 3 Up"},
    {"DnLimit3", "DN3LLb", "Down", "Alarm 3 Down"},
    {"SALMode", "SAlmLb", "System Alarm", ""},
    // PV tuning
    {"PVTune", "PVTuneLb", "PV Offset", ""},
    {"RTDOfs", "RTDOfsLb", "RTD Offset", ""},
    {"RTDGain", "RTDGainLb", "RTD Gain", ""},
    {"TCOfs", "TCOfsLb", "TC Offset", ""},
    {"TCGain", "TCGainLb", "TC Gain", ""},
    {"ColdJ", "ColdJLb", "Cold-J Offset", ""},
    {"mVOfs", "mVOfsLb", "Linear Offset", ""},
    {"mVGain", "mVGainLb", "Linear Gain", ""},
    {"ClearBt1", "", "Restore Default Setting", ""},
    {"ClearBt2", "", "Clear PV Adjust Value ", ""},
};

constexpr OverlapGroup kOverlaps[] = {
    {{{{"PIDBox", ""}, {"OnOffBox", ""}, {"ManuBox", ""}}}},
    {{{{"HeatCool", ""}, {"Out1Sel", ""}, {"", ""}}}},
    {{{{"ComWrite", ""}, {"Out2Sel", ""}, {"", ""}}}},
    {{{{"IOffset", "IOffsetLb"}, {"PDOffset", "PDOffsetLb"}, {"", ""}}}},
    {{{{"SV", ""}, {"ProgDisp", ""}, {"", ""}}}},
    {{{{"InputB", ""}, {"InputA", ""}, {"", ""}}}},
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
        view_.bringToFront("InputA");
    } else if (family == 'B' || family == 'C') {
        view_.bringToFront("InputB");
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
            view_.setListIndex("ALM3Mode", v[2]);
            values_.decimalPoint = v[5];
            view_.setListIndex("Pointer", v[5]);
            slot.DecimalPlaces = v[5];
        } else {
            // The device's own choice, not what the list shows: that may
            // still be the previous device's.
            slot.DecimalPlaces = std::uint16_t(slot.decimalItem());
        }
        slot.DecimalPlaces =
            regmap::DecimalPlacesB(slot.DecimalPlaces, std::uint16_t(values_.unit));
    }
    view_.setListIndex("AT", slot.AtSeen);
    view_.setCaption("FWVersion", fromStd(regmap::FirmwareText(slot.FirmwareVersion)));
}

// 11: 0x4710..0x4717
void ParameterPanel::showKind11(DeviceSlot& slot, const std::uint16_t* v) {
    if (slot.Family == 'A') {
        values_.inputType = v[0];
        view_.setListIndex("InputA", v[0]);
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
        showScaled("Coeff", values_.pCoefficient, 2);
        showScaled("DeadBand1", values_.deadBand, 1);
        showScaled("DeadBand2", values_.deadBand, 1);
        showScaled("Hyst2", values_.hysteresis2, slot.DecimalPlaces);
    }
    showScaled("PDOffset", values_.pdOffset, 1);
    view_.setListIndex("ALM1Mode", values_.alarmMode[0]);
    view_.setListIndex("ALM2Mode", values_.alarmMode[1]);
    view_.setListIndex("Unit", values_.unit);
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
            view_.setListIndex("SALMode", v[7]);
        } else {
            slot.Out1Function = v[2];
            slot.Out2Function = v[7];
            view_.setListIndex("Out1Sel", v[2]);
            view_.setListIndex("Out2Sel", v[7]);
            slot.HeatCoolCode = regmap::HeatCoolC(v[2], v[7]);
            values_.lockItem = regmap::LockItemC(slot.SecurityLevelCode);
        }
        view_.setListIndex("InputB", v[0]);
        showScaled("HCPeriod2", values_.period2, 0);
        showScaled("HCPeriodPID2", values_.period2, 0);
    }
    view_.setListIndex("CtrlSet", values_.controlMethod);
    selectBoxByControlMethod(values_.controlMethod);
    showScaled("PVTune", values_.pvOffset, 1);
    view_.setListIndex("HeatCool", slot.HeatCoolCode);
    showScaled("HCPeriod1", values_.period1, 0);
    showScaled("HCPeriodPID1", values_.period1, 0);
    view_.setListIndex("LockStatus", values_.lockItem);
    view_.setListIndex("RunStop", slot.RunStopSeen == 4 ? 0 : slot.RunStopSeen);
    view_.setListIndex("ComWrite", slot.ComWriteEnabled);
}

void ParameterPanel::selectBoxByControlMethod(int method) {
    switch (method) {
    case 1:
        view_.bringToFront("OnOffBox");
        setRowVisible({"ATLb", "AT"}, false);
        break;
    case 2:
        view_.bringToFront("ManuBox");
        setRowVisible({"ATLb", "AT"}, false);
        break;
    case 0:
        view_.bringToFront("PIDBox");
        setRowVisible({"ATLb", "AT"}, true);
        break;
    default: // Ramp Soak and unknown methods leave auto-tuning as it was
        view_.bringToFront("PIDBox");
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
        showScaled("UpLimit3", values_.upLimit[2], slot.DecimalPlaces);
        showScaled("DnLimit3", values_.downLimit[2], slot.DecimalPlaces);
    }
    showScaled("Pb", values_.proportionalBand, 1);
    showScaled("Ti", values_.integralTime, 0);
    showScaled("Td", values_.derivativeTime, 0);
    showScaled("IOffset", values_.integralOffset, 1);
    if (values_.integralTime == 0) {
        view_.bringToFront("PDOffsetLb");
        view_.bringToFront("PDOffset");
    } else {
        view_.bringToFront("IOffsetLb");
        view_.bringToFront("IOffset");
    }
    showScaled("Hyst1", values_.hysteresis1, slot.DecimalPlaces);
    showScaled("CurrHi", values_.tuneHigh, 0);
    showScaled("CurrLo", values_.tuneLow, 0);
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
    showScaled("RangeHi", values_.rangeHigh, d);
    showScaled("RangeLo", values_.rangeLow, d);
    showScaled("UpLimit1", values_.upLimit[0], d);
    showScaled("DnLimit1", values_.downLimit[0], d);
    showScaled("UpLimit2", values_.upLimit[1], d);
    showScaled("DnLimit2", values_.downLimit[1], d);
    showScaled("SV", slot.SvValue, d);
    if (values_.controlMethod == 2)
        showManualOutputs(slot);
    finishReadBack();
}

void ParameterPanel::showManualOutputs(const DeviceSlot& slot) {
    if (slot.Family == 'A') {
        // whole percents, kept times 10
        showScaled("OUTQ1", slot.Out1Percent, 255);
    } else {
        showScaled("OUTQ1", slot.Out1Percent, 1);
        showScaled("OUTQ2", slot.Out2Percent, 1);
    }
}

void ParameterPanel::finishReadBack() {
    ApplyParameterLayout();
    ApplyAccessState();
    const bool trend = model_.PvRecordView || (host_.trendViewActive && host_.trendViewActive());
    if (!model_.req.ParameterPanelShown && !trend) {
        view_.setControlVisible("ParaPL", true);
        model_.req.ParameterPanelShown = true;
    }
}

// 20: A 0x4720..0x4727; B, C 0x4730..0x4736. 21: B, C 0x4737, 0x4738.
void ParameterPanel::showAdjust(const DeviceSlot& slot, int kind, const std::uint16_t* v) {
    if (kind == 20 && slot.Family == 'A') {
        view_.setListIndex("OutputType1", v[0]);
        showScaled("RTDOfs", s16(v[1]), 1);
        showScaled("RTDGain", s16(v[2]), 0);
        showScaled("ColdJ", s16(v[3]), 1);
        showScaled("TCGain", s16(v[6]), 0);
        showScaled("TCOfs", s16(v[7]), 0);
        // Family A has no second adjustment block: the scheduler goes on from 21.
        model_.RequestKind = 21;
    } else if (kind == 20) {
        view_.setListIndex("OutputType1", v[0]);
        view_.setListIndex("OutputType2", v[1]);
        showScaled("RTDOfs", s16(v[2]), 1);
        showScaled("RTDGain", s16(v[3]), 0);
        showScaled("TCOfs", s16(v[4]), 0);
        showScaled("TCGain", s16(v[5]), 0);
        showScaled("ColdJ", s16(v[6]), 1);
        return;
    } else {
        showScaled("mVOfs", s16(v[0]), 0);
        showScaled("mVGain", s16(v[1]), 0);
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

    setRowVisible({"ALM1MLb", "ALM1Mode", "UP1LLb", "UpLimit1", "DN1LLb", "DnLimit1"}, alarm1);
    setRowVisible({"ALM2MLb", "ALM2Mode", "UP2LLb", "UpLimit2", "DN2LLb", "DnLimit2"}, alarm2);
    setRowVisible({"ALM3MLb", "ALM3Mode", "UP3LLb", "UpLimit3", "DN3LLb", "DnLimit3"}, alarm3);
    setRowVisible({"SAlmLb", "SALMode"}, b);
    setRowVisible({"PointerLb", "Pointer"}, b || c);
    setRowVisible({"CPeriod1Lb", "HCPeriod1", "PERIOD1Lb", "HCPeriodPID1", "OUTQ1Lb", "OUTQ1",
                   "Hyst1Lb", "Hyst1"},
                  period1);
    setRowVisible({"CPeriod2Lb", "HCPeriod2", "PERIOD2Lb", "HCPeriodPID2", "OUTQ2Lb", "OUTQ2",
                   "Hyst2Lb", "Hyst2"},
                  period2);
    setRowVisible({"DeadLb1", "DeadBand1", "DeadLb2", "DeadBand2", "CoeffLb", "Coeff"}, deadBand);

    const bool securityMenusOff =
        c && (slot->SecurityLevelCode == 1 || slot->SecurityLevelCode == 2);
    enableMenu(MonitorMenu::RampSoakprogram1, (b || c) && !securityMenusOff);
    enableMenu(MonitorMenu::UPLOAD1, !securityMenusOff);

    if (c) {
        const bool accessCode = host_.accessCodeEntered && host_.accessCodeEntered();
        if (!accessCode)
            view_.setControlVisible("SecurityPL", true);
        view_.setCaption("HeatCoolLb", QString::fromLatin1(text::Out1));
        view_.setCaption("ComWLb", QString::fromLatin1(text::Out2));
        view_.setControlVisible("ComWrite", false);
        view_.setControlVisible("HeatCool", false);
        if (host_.showSecurityState)
            host_.showSecurityState();
    } else {
        view_.setControlVisible("SecurityPL", false);
        view_.setCaption("HeatCoolLb", QString::fromLatin1(text::HeatCool));
        view_.setCaption("ComWLb", QString::fromLatin1(text::ComWrite));
        view_.setControlVisible("ComWrite", true);
        view_.setControlVisible("HeatCool", true);
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
            view_.setControlEnabled("AT", true);
            view_.setControlEnabled("SV", true);
            view_.setListIndex("Pointer", slot->decimalItem());
        } else if (level < 4) {
            view_.setControlEnabled("AT", false);
            view_.setControlEnabled("SV", level == 2);
            view_.setListIndex("LockStatus", level == 2 ? 2 : 1);
            blankLockedPanel();
        }
    } else {
        enabled = slot->ComWriteEnabled == 1;
        view_.setControlEnabled("AT", enabled);
        view_.setControlEnabled("SV", enabled);
    }
    for (std::string_view box :
         {"AdjustBox", "AlmBox", "ManuBox", "OnOffBox", "PIDBox", "TempBox", "CtrlBox"})
        view_.setControlEnabled(box, enabled);
}

void ParameterPanel::blankLockedPanel() {
    const QString na = QString::fromLatin1(text::NotAvailable);
    view_.setListIndex("AT", -1);
    for (std::string_view list : {"ALM1Mode", "ALM2Mode", "ALM3Mode", "SALMode"})
        view_.setListText(list, na);
    for (std::string_view edit :
         {"PVTune",   "UpLimit1",     "DnLimit1",  "UpLimit2",     "DnLimit2", "UpLimit3",
          "DnLimit3", "OUTQ1",        "OUTQ2",     "CurrHi",       "CurrLo",   "Hyst1",
          "Hyst2",    "HCPeriod1",    "HCPeriod2", "DeadBand2",    "Pb",       "Ti",
          "Td",       "HCPeriodPID1", "IOffset",   "HCPeriodPID2", "Coeff",    "DeadBand1"})
        view_.setEditText(edit, na);
    view_.setEditText("RangeHi", QString());
    view_.setEditText("RangeLo", QString());
    for (std::string_view list : {"InputA", "InputB", "Unit", "Pointer", "CtrlSet", "RunStop",
                                  "HeatCool", "Out1Sel", "Out2Sel"})
        view_.setListIndex(list, -1);
}

void ParameterPanel::ShowAdjustControls(bool visible) {
    model_.req.AdjustControlsShown = visible;
    setRowVisible({"OutType1LB", "OutputType1", "RTDOfsLb", "RTDOfs", "RTDGainLb", "RTDGain",
                   "TCOfsLb", "TCOfs", "TCGainLb", "TCGain", "ColdJLb", "ColdJ", "ClearBt1",
                   "ClearBt2"},
                  visible);
    const DeviceSlot* slot = model_.selected();
    const bool second = visible && !(slot && slot->Family == 'A');
    setRowVisible({"OutputType2", "OutType2LB", "mVOfs", "mVOfsLb", "mVGain", "mVGainLb"}, second);
}

} // namespace zu
