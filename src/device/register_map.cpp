#include "device/register_map.h"

#include "device/panel_controls.h"

#include "core/codec.h"
#include "core/texts.h"

namespace zu::regmap {

namespace {

using sv = std::string_view;

constexpr sv kInputA[] = {"K-Type1", "K-Type2",  "J-Type1",  "J-Type2", "T-Type1",
                          "T-Type2", "E-Type",   "N-Type",   "R-Type",  "S-Type",
                          "B-Type",  "JPt100-1", "JPt100-2", "Pt100-1", "Pt100-2",
                          "Pt100-3", "L-Type",   "U-Type",   "TXK"};
constexpr sv kInputB[] = {"K-Type", "J-Type", "T-Type", "E-Type", "N-Type", "R-Type",
                          "S-Type", "B-Type", "L-Type", "U-Type", "TXK",    "JPt100",
                          "Pt100",  "0~5V",   "0~10V",  "0~20mA", "4~20mA", "0~50mV"};
constexpr sv kUnit[] = {"F", "C", "EU"};
constexpr sv kPointer[] = {"None", "1", "2", "3"};
constexpr sv kCtrlSet[] = {"PID", "ON-OFF", "Manual", "Ramp Soak"};
constexpr sv kRunStop[] = {"Stop", "Run", "Stop Program", "Hold Program"};
constexpr sv kHeatCool[] = {"Heat", "Cool", "Heat/Cool", "Cool/Heat"};
constexpr sv kOut1Sel[] = {"Heat", "Cool", "Alarm", "ReTransmission"};
constexpr sv kOut2Sel[] = {"Heat", "Cool", "Alarm"};
constexpr sv kSALMode[] = {"Disable", "Alarm1", "Alarm2", "Alarm3"};
constexpr sv kAlarmModes[] = {"Alarm Disable",
                              "Up-Down Limit",
                              "Up Limit",
                              "Down Limit",
                              "Reverse Up-Down Limit",
                              "Absolute Up-Down Limit",
                              "Absolute Up Limit",
                              "Absolute Down Limit",
                              "Standby Up-Down Limit",
                              "Standby Up Limit",
                              "Standby Down Limit",
                              "Hysterics Up Limit",
                              "Hysterics Down Limit",
                              "CT Alarm"};
constexpr sv kLockStatus[] = {"Normal", "Lock All", "Not SV"};
constexpr sv kAT[] = {"Stop", "Start"};
constexpr sv kComWrite[] = {"Disable", "Enable"};
constexpr sv kOutputType1[] = {"Relay", "Voltage Pulse", "4~20mA", "0~5V", "0~10V", "None"};
constexpr sv kOutputType2[] = {"Relay", "Voltage Pulse", "None"};
constexpr sv kProgDisp[] = {"Pattern-Step", "SV", "Time Left"};
constexpr sv kSecurityLevels[] = {"Unlock All", "Read All, SV,AT", "PV,SV", "All Lock"};
constexpr sv kKeyStates[] = {"Disable", "Enable"};

} // namespace

const CodeTable InputA{ctl::InputA, kInputA};
const CodeTable InputB{ctl::InputB, kInputB};
const CodeTable Unit{ctl::Unit, kUnit};
const CodeTable Pointer{ctl::Pointer, kPointer};
const CodeTable CtrlSet{ctl::CtrlSet, kCtrlSet};
const CodeTable RunStop{ctl::RunStop, kRunStop};
const CodeTable HeatCool{ctl::HeatCool, kHeatCool};
const CodeTable Out1Sel{ctl::Out1Sel, kOut1Sel};
const CodeTable Out2Sel{ctl::Out2Sel, kOut2Sel};
const CodeTable SALMode{ctl::SALMode, kSALMode};
const CodeTable AlarmModes{"AlarmModes", kAlarmModes};
const CodeTable LockStatus{ctl::LockStatus, kLockStatus};
const CodeTable AT{ctl::AT, kAT};
const CodeTable ComWrite{ctl::ComWrite, kComWrite};
const CodeTable OutputType1{ctl::OutputType1, kOutputType1};
const CodeTable OutputType2{ctl::OutputType2, kOutputType2};
const CodeTable ProgDisp{ctl::ProgDisp, kProgDisp};
const CodeTable SecurityLevels{"SLevel", kSecurityLevels};
const CodeTable KeyStates{"Pass", kKeyStates};

namespace {

using E = Encoding;
constexpr unsigned R = AccR, W = AccW, U = AccU, C = AccC;

// One row: address (block: first, last), families, access, encoding, display
// decimals, kinds, controls, table, meaning.
#define ROW(a, fam, acc, enc, dd, kinds, c0, c1, tab, text)                                        \
    Register {                                                                                     \
        a, a, fam, acc, enc, dd, kinds, {c0, c1}, tab, text                                        \
    }
#define BLOCK(a, b, fam, acc, enc, kinds, text)                                                    \
    Register {                                                                                     \
        a, b, fam, acc, enc, false, kinds, {"", ""}, nullptr, text                                 \
    }

const Register kRegisters[] = {
    // shared by all families
    ROW(0x4700, FamAll, R, E::Tenths, true, Kinds(3, 5), "", "", nullptr,
        "process value; high byte 0x80 = status code (B, C)"),
    ROW(0x4701, FamAll, R | W, E::Tenths, true, Kinds(3, 5, 14), ctl::SV, "", nullptr, "set value"),

    // families B and C
    ROW(0x4702, FamBC, R | W, E::Tenths, false, Kinds(3, 5), ctl::OUTQ1, "", nullptr,
        "output 1 percentage (manual mode)"),
    ROW(0x4703, FamBC, R | W, E::Tenths, false, Kinds(3, 5), ctl::OUTQ2, "", nullptr,
        "output 2 percentage"),
    ROW(0x4704, FamBC, R | W, E::Tenths, true, Kinds(14), ctl::RangeHi, "", nullptr, "range high"),
    ROW(0x4705, FamBC, R | W, E::Tenths, true, Kinds(14), ctl::RangeLo, "", nullptr, "range low"),
    ROW(0x4706, FamBC, R | W, E::Tenths, true, Kinds(14), ctl::UpLimit1, "", nullptr,
        "alarm 1 upper limit"),
    ROW(0x4707, FamBC, R | W, E::Tenths, true, Kinds(14), ctl::DnLimit1, "", nullptr,
        "alarm 1 lower limit"),
    ROW(0x4708, FamBC, R | W, E::Tenths, true, Kinds(13), ctl::UpLimit2, "", nullptr,
        "alarm 2 upper limit"),
    ROW(0x4709, FamBC, R | W, E::Tenths, true, Kinds(13), ctl::DnLimit2, "", nullptr,
        "alarm 2 lower limit"),
    ROW(0x470A, FamBC, R | W, E::Tenths, true, Kinds(13), ctl::UpLimit3, "", nullptr,
        "alarm 3 upper limit"),
    ROW(0x470B, FamBC, R | W, E::Tenths, true, Kinds(13), ctl::DnLimit3, "", nullptr,
        "alarm 3 lower limit"),
    ROW(0x470C, FamBC, R | W, E::Tenths, false, Kinds(13), ctl::Pb, "", nullptr,
        "proportional band"),
    ROW(0x470D, FamBC, R | W, E::Integer, false, Kinds(13), ctl::Ti, "", nullptr, "integral time"),
    ROW(0x470E, FamBC, R | W, E::Integer, false, Kinds(13), ctl::Td, "", nullptr,
        "derivative time"),
    ROW(0x470F, FamBC, R | W, E::Tenths, false, Kinds(13), ctl::IOffset, "", nullptr,
        "integral offset"),
    ROW(0x4710, FamBC, R | W, E::Tenths, false, Kinds(11), ctl::PDOffset, "", nullptr, "PD offset"),
    ROW(0x4711, FamBC, R | W, E::Hundredths, false, Kinds(11), ctl::Coeff, "", nullptr,
        "P coefficient"),
    ROW(0x4712, FamBC, R | W, E::Tenths, false, Kinds(11), ctl::DeadBand1, ctl::DeadBand2, nullptr,
        "dead band"),
    ROW(0x4713, FamBC, R | W, E::Tenths, true, Kinds(11), ctl::Hyst1, "", nullptr, "hysteresis 1"),
    ROW(0x4714, FamBC, R | W, E::Tenths, true, Kinds(11), ctl::Hyst2, "", nullptr, "hysteresis 2"),
    ROW(0x4715, FamBC, R | W, E::Integer, false, Kinds(11), ctl::CurrHi, "", nullptr,
        "tune output high"),
    ROW(0x4716, FamBC, R | W, E::Integer, false, Kinds(11), ctl::CurrLo, "", nullptr,
        "tune output low"),
    ROW(0x4717, FamB, R | W, E::Bits, false, Kinds(2), "", "", nullptr,
        "status word: bit 0 communication write enabled, bit 5 program running; "
        "written by the download"),
    ROW(0x4717, FamC, W, E::Bits, false, 0, "", "", nullptr,
        "status word, written by the download"),
    ROW(0x4718, FamBC, R | W, E::Index, false, Kinds(12), ctl::InputB, "", &InputB, "input type"),
    ROW(0x4719, FamBC, R | W, E::Index, false, Kinds(12), ctl::CtrlSet, "", &CtrlSet,
        "control method"),
    // The list at this place is HeatCool for B and Out1Sel for C; either writes here.
    ROW(0x471A, FamB, R | W, E::Index, false, Kinds(2, 12), ctl::HeatCool, ctl::Out1Sel, &HeatCool,
        "heat/cool"),
    ROW(0x471A, FamC, R | W, E::Index, false, Kinds(2, 12), ctl::Out1Sel, ctl::HeatCool, &Out1Sel,
        "output 1 function"),
    ROW(0x471B, FamBC, R | W, E::Integer, false, Kinds(12), ctl::HCPeriod1, ctl::HCPeriodPID1,
        nullptr, "control period 1"),
    ROW(0x471C, FamBC, R | W, E::Integer, false, Kinds(12), ctl::HCPeriod2, ctl::HCPeriodPID2,
        nullptr, "control period 2"),
    ROW(0x471D, FamBC, R | W | U, E::Tenths, false, Kinds(12), ctl::PVTune, "", nullptr,
        "PV offset"),
    ROW(0x471E, FamB, R | W, E::Index, false, Kinds(12), ctl::LockStatus, "", &LockStatus,
        "lock status: 0, 1, 11 written; read back as v / 10 + v mod 10"),
    ROW(0x471E, FamC, W, E::Index, false, 0, ctl::LockStatus, "", &LockStatus,
        "lock status: 0, 1, 11 written; shown from the security level"),
    ROW(0x471F, FamB, R | W, E::Index, false, Kinds(12), ctl::SALMode, ctl::Out2Sel, &SALMode,
        "system alarm"),
    ROW(0x471F, FamC, R | W, E::Index, false, Kinds(2, 12), ctl::Out2Sel, ctl::SALMode, &Out2Sel,
        "output 2 function"),
    ROW(0x4720, FamBC, R | W, E::Index, false, Kinds(10), ctl::ALM1Mode, "", &AlarmModes,
        "alarm 1 mode"),
    ROW(0x4721, FamBC, R | W, E::Index, false, Kinds(10), ctl::ALM2Mode, "", &AlarmModes,
        "alarm 2 mode"),
    ROW(0x4722, FamB, R | W, E::Index, false, Kinds(10), ctl::ALM3Mode, "", &AlarmModes,
        "alarm 3 mode"),
    ROW(0x4722, FamC, W, E::Index, false, 0, ctl::ALM3Mode, "", &AlarmModes, "alarm 3 mode"),
    ROW(0x4723, FamBC, R | W, E::Index, false, Kinds(6, 10), ctl::RunStop, "", &RunStop,
        "run/stop; a read value of 4 is shown as Stop"),
    ROW(0x4724, FamB, R | W, E::Index, false, Kinds(1, 10), ctl::Unit, "", &Unit,
        "temperature unit"),
    ROW(0x4724, FamC, R | W, E::Index, false, Kinds(10), ctl::Unit, "", &Unit, "temperature unit"),
    // Family C keeps the decimals as a display choice of its own, not in the device.
    ROW(0x4725, FamB, R | W, E::Index, false, Kinds(1, 10), ctl::Pointer, "", &Pointer,
        "decimal point"),
    ROW(0x4726, FamBC, R | W, E::Index, false, Kinds(10), ctl::ComWrite, "", &ComWrite,
        "communication write"),
    ROW(0x4727, FamBC, R | W, E::Index, false, Kinds(6), ctl::AT, "", &AT, "auto-tuning"),
    ROW(0x4728, FamB, R, E::Bits, false, Kinds(4, 6), "", "", nullptr, "status lamps"),
    ROW(0x4728, FamC, R, E::Bits, false, Kinds(2, 4, 6), "", "", nullptr, "status lamps"),
    ROW(0x4729, FamB, R, E::Bits, false, Kinds(4, 6), "", "", nullptr,
        "status flags; bit 0 clear asks for a parameter read-back"),
    // family C's kind 6 stops one word short of the flags
    ROW(0x4729, FamC, R, E::Bits, false, Kinds(4), "", "", nullptr, "status flags"),
    ROW(0x472A, FamBC, R | W | C, E::Raw, false, Kinds(4), "", "", nullptr,
        "firmware version (high byte major, low byte minor); unlock register"),
    ROW(0x472B, FamBC, R, E::Integer, false, Kinds(4), "", "", nullptr,
        "ramp/soak program running"),
    ROW(0x472C, FamBC, R, E::Tenths, true, Kinds(4), "", "", nullptr,
        "program display set value in hidden mode"),
    ROW(0x472E, FamBC, R, E::Tenths, false, Kinds(4), "ColdShow", "", nullptr,
        "cold-junction temperature"),
    ROW(0x472F, FamBC, R, E::Integer, false, Kinds(4), "UV", "", nullptr, "input voltage"),
    ROW(0x4730, FamBC, R | W | U, E::Index, false, Kinds(20), ctl::OutputType1, "", &OutputType1,
        "output type 1"),
    ROW(0x4731, FamBC, R | W | U, E::Index, false, Kinds(20), ctl::OutputType2, "", &OutputType2,
        "output type 2"),
    ROW(0x4732, FamBC, R | W | U, E::Tenths, false, Kinds(20), ctl::RTDOfs, "", nullptr,
        "RTD offset"),
    ROW(0x4733, FamBC, R | W | U, E::Integer, false, Kinds(20), ctl::RTDGain, "", nullptr,
        "RTD gain"),
    ROW(0x4734, FamBC, R | W | U, E::Integer, false, Kinds(20), ctl::TCOfs, "", nullptr,
        "thermocouple offset"),
    ROW(0x4735, FamBC, R | W | U, E::Integer, false, Kinds(20), ctl::TCGain, "", nullptr,
        "thermocouple gain"),
    ROW(0x4736, FamBC, R | W | U, E::Tenths, false, Kinds(20), ctl::ColdJ, "", nullptr,
        "cold-junction offset"),
    ROW(0x4737, FamBC, R | W | U, E::Integer, false, Kinds(21), ctl::mVOfs, "", nullptr,
        "linear input offset"),
    ROW(0x4738, FamBC, R | W | U, E::Integer, false, Kinds(21), ctl::mVGain, "", nullptr,
        "linear input gain"),
    ROW(0x474C, FamB, R | W | U, E::Raw, false, 0, "", "", nullptr,
        "parameter memory, one byte per access: index x 256 + byte"),
    ROW(0x474C, FamC, R, E::Raw, false, 0, "", "", nullptr,
        "parameter memory, one byte per read: index x 256 + byte"),
    ROW(0x474D, FamBC, R, E::Raw, false, 0, "", "", nullptr,
        "ramp/soak memory, one byte per read: index x 256 + byte"),
    ROW(0x474E, FamBC, W | U | C, E::Command, false, 0, ctl::ClearBt1, "", nullptr,
        "restore default setting"),
    ROW(0x474F, FamBC, W | U | C, E::Command, false, 0, ctl::ClearBt2, "", nullptr,
        "clear PV adjustment values"),
    ROW(0x4751, FamB, R, E::Bits, false, Kinds(7), "", "", nullptr,
        "read by the status poll, not used"),
    ROW(0x4751, FamC, R, E::Bits, false, Kinds(1, 7), "", "", nullptr,
        "security word: bits 3..6 level code, bits 0..2 password enable bits"),
    ROW(0x4756, FamB, W, E::Raw, false, 0, "", "", nullptr, "setting copied by the download"),
    ROW(0x4762, FamBC, R | W, E::Index, false, Kinds(8), ctl::ProgDisp, "", &ProgDisp,
        "program display selection"),
    ROW(0x4763, FamBC, R, E::Integer, false, Kinds(8), "", "", nullptr,
        "program time left, seconds part"),
    ROW(0x4764, FamBC, R, E::Integer, false, Kinds(8), "", "", nullptr,
        "program time left, minutes"),
    ROW(0x4765, FamBC, R, E::Integer, false, Kinds(8), "", "", nullptr, "current step"),
    ROW(0x4766, FamBC, R, E::Integer, false, Kinds(8), "", "", nullptr, "current pattern"),

    // family A
    ROW(0x4702, FamA, R | W, E::Tenths, true, Kinds(14), ctl::UpLimit1, "", nullptr,
        "alarm 1 upper limit"),
    ROW(0x4703, FamA, R | W, E::Tenths, true, Kinds(14), ctl::DnLimit1, "", nullptr,
        "alarm 1 lower limit"),
    ROW(0x4704, FamA, R | W, E::Tenths, true, Kinds(14), ctl::UpLimit2, "", nullptr,
        "alarm 2 upper limit"),
    ROW(0x4705, FamA, R | W, E::Tenths, true, Kinds(14), ctl::DnLimit2, "", nullptr,
        "alarm 2 lower limit"),
    ROW(0x4706, FamA, R | W, E::Tenths, true, Kinds(14), ctl::RangeHi, "", nullptr, "range high"),
    ROW(0x4707, FamA, R | W, E::Tenths, true, Kinds(14), ctl::RangeLo, "", nullptr, "range low"),
    ROW(0x4708, FamA, R | W, E::Tenths, false, Kinds(13), ctl::Pb, "", nullptr,
        "proportional band"),
    ROW(0x4709, FamA, R | W, E::Integer, false, Kinds(13), ctl::Ti, "", nullptr, "integral time"),
    ROW(0x470A, FamA, R | W, E::Integer, false, Kinds(13), ctl::Td, "", nullptr, "derivative time"),
    ROW(0x470B, FamA, R | W, E::Tenths, true, Kinds(13), ctl::Hyst1, "", nullptr, "hysteresis 1"),
    ROW(0x470C, FamA, R | W, E::Integer, false, Kinds(13), ctl::CurrHi, "", nullptr,
        "tune output high"),
    ROW(0x470D, FamA, R | W, E::Integer, false, Kinds(13), ctl::CurrLo, "", nullptr,
        "tune output low"),
    ROW(0x470E, FamA, R | W, E::Integer, false, Kinds(13), ctl::IOffset, "", nullptr,
        "integral offset (shown as value x 10 with one decimal)"),
    ROW(0x470F, FamA, R, E::Bits, false, Kinds(1), "", "", nullptr,
        "status word: bit 2 set = the output cools"),
    ROW(0x4710, FamA, R | W, E::Index, false, Kinds(1, 11), ctl::InputA, "", &InputA, "input type"),
    ROW(0x4711, FamA, R | W, E::Index, false, Kinds(11), ctl::CtrlSet, "", &CtrlSet,
        "control method"),
    ROW(0x4712, FamA, R | W, E::Integer, false, Kinds(11), ctl::HCPeriod1, ctl::HCPeriodPID1,
        nullptr, "control period"),
    ROW(0x4713, FamA, R | W, E::Integer, false, Kinds(11), ctl::PDOffset, "", nullptr,
        "PD offset (shown as value x 10 with one decimal)"),
    ROW(0x4714, FamA, R | W | U, E::Tenths, false, Kinds(11), ctl::PVTune, "", nullptr,
        "PV offset"),
    ROW(0x4715, FamA, R | W, E::Index, false, Kinds(11), ctl::ALM1Mode, "", &AlarmModes,
        "alarm 1 mode"),
    ROW(0x4716, FamA, R | W, E::Index, false, Kinds(11), ctl::ALM2Mode, "", &AlarmModes,
        "alarm 2 mode"),
    ROW(0x4717, FamA, R | W, E::Index, false, Kinds(11), ctl::Unit, "", &Unit, "temperature unit"),
    ROW(0x4718, FamA, R | W, E::Index, false, Kinds(4, 12), ctl::HeatCool, ctl::Out1Sel, &HeatCool,
        "heat/cool"),
    ROW(0x4719, FamA, R | W, E::Index, false, Kinds(4, 12), ctl::RunStop, "", &RunStop, "run/stop"),
    ROW(0x471A, FamA, R | W, E::Index, false, Kinds(4, 12), ctl::ComWrite, "", &ComWrite,
        "communication write"),
    ROW(0x471B, FamA, R | W | C, E::Raw, false, Kinds(4), "", "", nullptr,
        "firmware version (high byte major, low byte minor); unlock register"),
    ROW(0x471C, FamA, R, E::Bits, false, Kinds(4, 6), "", "", nullptr, "status lamps"),
    ROW(0x471D, FamA, R, E::Bits, false, Kinds(4, 6), "", "", nullptr,
        "status flags; bit 0 clear asks for a parameter read-back"),
    ROW(0x471E, FamA, R, E::Integer, false, Kinds(4, 6), "", "", nullptr,
        "output 1 percentage (whole percents)"),
    ROW(0x471F, FamA, R, E::Tenths, false, Kinds(4), "ColdShow", "", nullptr,
        "cold-junction temperature"),
    ROW(0x4720, FamA, R | W | U, E::Index, false, Kinds(20), ctl::OutputType1, "", &OutputType1,
        "output type 1"),
    ROW(0x4721, FamA, R | W | U, E::Tenths, false, Kinds(20), ctl::RTDOfs, "", nullptr,
        "RTD offset"),
    ROW(0x4722, FamA, R | W | U, E::Integer, false, Kinds(20), ctl::RTDGain, "", nullptr,
        "RTD gain"),
    ROW(0x4723, FamA, R | W | U, E::Tenths, false, Kinds(20), ctl::ColdJ, "", nullptr,
        "cold-junction offset"),
    ROW(0x4724, FamA, W | U | C, E::Command, false, 0, ctl::ClearBt1, "", nullptr,
        "restore default setting"),
    ROW(0x4725, FamA, W | U | C, E::Command, false, 0, ctl::ClearBt2, "", nullptr,
        "clear PV adjustment values"),
    ROW(0x4726, FamA, R | W | U, E::Integer, false, Kinds(20), ctl::TCGain, "", nullptr,
        "thermocouple gain"),
    ROW(0x4727, FamA, R | W | U, E::Integer, false, Kinds(20), ctl::TCOfs, "", nullptr,
        "thermocouple offset"),
    ROW(0x4728, FamA, R, E::Integer, false, Kinds(2), "UV", "", nullptr, "input voltage"),
    ROW(0x4729, FamA, R | W, E::Index, false, Kinds(2), ctl::AT, "", &AT, "auto-tuning"),
    ROW(0x472A, FamA, W, E::Integer, false, 0, ctl::OUTQ1, "", nullptr,
        "output 1 percentage in manual mode"),
    ROW(0x472B, FamA, R, E::Raw, false, Kinds(2), "", "", nullptr, "PV status code"),
    ROW(0x472F, FamA, R, E::Raw, false, 0, "", "", nullptr,
        "parameter memory after the unlock write: index x 256 + byte"),
    ROW(0x4731, FamA, R | W, E::Index, false, Kinds(10), ctl::LockStatus, "", &LockStatus,
        "lock status: 0, 1, 11 written; read back as v / 15 + (v mod 10) / 2"),
    ROW(0x4733, FamA, R, E::Raw, false, Kinds(7), "", "", nullptr,
        "read by the status poll, not used"),

    // identification, security keys, download-only and ramp/soak registers
    ROW(IdentRegister, FamAll, R, E::Raw, false, Kinds(0), "", "", nullptr,
        "identification, function 0x67, 3 words"),
    ROW(0x106B, FamC, W, E::Raw, false, 0, "", "", nullptr,
        "key 1 (Unlock All); target of the lock command"),
    ROW(0x106C, FamC, W, E::Raw, false, 0, "", "", nullptr, "key 2 (Read All, SV,AT)"),
    ROW(0x106D, FamC, W, E::Raw, false, 0, "", "", nullptr, "key 3 (PV,SV)"),
    ROW(0x106E, FamC, W, E::Raw, false, 0, "", "", nullptr, "enable or disable key 1"),
    ROW(0x106F, FamC, W, E::Raw, false, 0, "", "", nullptr, "enable or disable key 2"),
    ROW(0x1070, FamC, W, E::Raw, false, 0, "", "", nullptr, "enable or disable key 3"),
    ROW(0x1017, FamB, W, E::Raw, false, 0, "", "", nullptr, "setting copied by the download"),
    ROW(0x4767, FamBC, W, E::Integer, false, 0, "", "", nullptr, "ramp/soak start pattern"),
    BLOCK(0x4768, 0x476F, FamBC, W, E::Integer, 0, "highest step of patterns 0..7"),
    BLOCK(0x4770, 0x4777, FamBC, W, E::Integer, 0, "loop count of patterns 0..7"),
    BLOCK(0x4778, 0x477F, FamBC, W, E::Integer, 0, "pattern linked after patterns 0..7"),
    BLOCK(0x4780, 0x47FF, FamBC, W, E::Raw, 0,
          "steps k = 8 x pattern + step: 0x4780 + 2k set value (tenths), "
          "0x4781 + 2k time (minutes)"),
};

#undef ROW
#undef BLOCK

} // namespace

std::span<const Register> Registers() {
    return kRegisters;
}

const Register* Find(std::uint8_t family, std::uint16_t address) {
    const unsigned bit = FamilyBit(family);
    for (const Register& r : kRegisters)
        if ((r.families & bit) && address >= r.address && address <= r.last)
            return &r;
    return nullptr;
}

const Register* WritableFor(std::uint8_t family, std::string_view control) {
    const unsigned bit = FamilyBit(family);
    for (const Register& r : kRegisters)
        if ((r.families & bit) && r.writable() && r.has(control))
            return &r;
    return nullptr;
}

const CodeTable* ListItems(std::string_view control) {
    for (const Register& r : kRegisters)
        if (r.table && r.controls[0] == control)
            return r.table;
    return nullptr;
}

PollRead KindRequest(int kind, std::uint8_t family, bool cLocked) {
    const bool a = family == 'A', b = family == 'B', c = family == 'C';
    auto read = [](std::uint16_t start, int count) { return PollRead{true, 0x03, start, count}; };
    switch (kind) {
    case 0:
        return PollRead{true, IdentFunction, IdentRegister, IdentCount};
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: {
        if (!a && !b && !c)
            return {};
        const int k = kind == 5 ? 3 : kind;
        static constexpr PollRead table[8][4] = {
            // A, B, C-open, C-locked
            {},
            {{true, 3, 0x470F, 2},
             {true, 3, 0x4724, 2},
             {true, 3, 0x4751, 1},
             {true, 3, 0x4751, 1}},
            {{true, 3, 0x4728, 4},
             {true, 3, 0x4717, 4},
             {true, 3, 0x471A, 6},
             {true, 3, 0x4728, 1}},
            {{true, 3, 0x4700, 2},
             {true, 3, 0x4700, 4},
             {true, 3, 0x4700, 4},
             {true, 3, 0x4700, 2}},
            {{true, 3, 0x4718, 8},
             {true, 3, 0x4728, 8},
             {true, 3, 0x4728, 8},
             {true, 3, 0x4728, 1}},
            {},
            {{true, 3, 0x471C, 3},
             {true, 3, 0x4723, 7},
             {true, 3, 0x4723, 6},
             {true, 3, 0x4728, 1}},
            {{true, 3, 0x4733, 1},
             {true, 3, 0x4751, 1},
             {true, 3, 0x4751, 1},
             {true, 3, 0x4751, 1}},
        };
        return table[k][a ? 0 : b ? 1 : cLocked ? 3 : 2];
    }
    case 8:
        return read(ProgramDisplay, 5);
    case KindDecision:
        return {};
    case 10:
        return a ? read(0x4731, 1) : read(0x4720, 8);
    case 11:
        return read(0x4710, 8);
    case 12:
        return read(0x4718, 8);
    case 13:
        return read(0x4708, 8);
    case 14:
        return read(0x4701, 7);
    case 20:
        return a ? read(0x4720, 8) : read(0x4730, 7);
    case 21:
        return a ? PollRead{} : read(0x4737, 2);
    default:
        return read(0x4700, 2);
    }
}

std::uint8_t FamilyFromIdentification(int function, std::uint16_t word0, std::uint16_t word1) {
    if (function == IdentFunction)
        return word0 == 2 && (word1 & 0xFF) <= 2 ? std::uint8_t('A' + (word1 & 0xFF))
                                                 : FamilyUnknown;
    if (function == 0x77 || function == 0xE7)
        return 'A';
    return FamilyUnknown;
}

std::uint16_t DecimalPlacesA(std::uint16_t inputType) {
    switch (inputType) {
    case 1:
    case 3:
    case 5:
    case 11:
    case 12:
    case 14:
    case 15:
        return 1;
    default:
        return 255;
    }
}

std::uint16_t DecimalPlacesB(std::uint16_t decimalPoint, std::uint16_t unit) {
    return decimalPoint == 0 && unit < 2 ? 255 : decimalPoint;
}

int LockItemA(std::uint16_t v) {
    return v / 15 + (v % 10) / 2;
}
int LockItemB(std::uint16_t v) {
    return v / 10 + v % 10;
}
int LockItemC(std::uint32_t code) {
    if (code & 1u)
        return 1;
    if (code & 6u)
        return 2;
    return 0;
}

std::uint16_t LockStatusWriteValue(int item) {
    return item == 2 ? 11 : std::uint16_t(item);
}

std::uint16_t HeatCoolC(std::uint16_t out1, std::uint16_t out2) {
    std::uint16_t code = 0;
    if (out1 < 2)
        code |= out1;
    if (out2 < 2)
        code |= std::uint16_t(2 * out2);
    return code;
}

std::string FirmwareText(std::uint16_t version) {
    return std::string(text::FwVersion) + std::to_string(version >> 8) + "." +
           codec::ByteToHex(version & 0xFF);
}

} // namespace zu::regmap
