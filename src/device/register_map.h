#pragma once
// The controllers' holding registers of the three families, as data: address,
// access, encoding, the poll kinds that read them, the panel control that shows
// them and the code tables of their list items. Every other monitor part looks
// registers up here instead of spelling addresses of its own. Plain C++.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zu {
// Family of a device not (yet) identified.
inline constexpr std::uint8_t FamilyUnknown = 255;
} // namespace zu

namespace zu::regmap {

// --- families -------------------------------------------------------------

inline constexpr unsigned FamA = 1;
inline constexpr unsigned FamB = 2;
inline constexpr unsigned FamC = 4;
inline constexpr unsigned FamBC = FamB | FamC;
inline constexpr unsigned FamAll = FamA | FamB | FamC;

// 'A' -> FamA, 'B' -> FamB, 'C' -> FamC, anything else 0.
constexpr unsigned FamilyBit(std::uint8_t family) {
    return family == 'A' ? FamA : family == 'B' ? FamB : family == 'C' ? FamC : 0u;
}

// --- access and encoding --------------------------------------------------

inline constexpr unsigned AccR = 1; // read by a poll, read-back or bulk request
inline constexpr unsigned AccW = 2; // single write (function 06)
inline constexpr unsigned AccU = 4; // the write needs the unlock write first
inline constexpr unsigned AccC = 8; // command: the UnlockWord itself is written

enum class Encoding : std::uint8_t {
    Tenths,     // value x 10
    Hundredths, // value x 100 (P coefficient)
    Integer,    // the value itself
    Index,      // position in the row's code table
    Bits,       // flag word
    Command,    // command register, value UnlockWord
    Raw,        // a word whose meaning is told in the row
};

// --- code tables -----------------------------------------------------------

struct CodeTable {
    std::string_view name;
    std::span<const std::string_view> items;
    int size() const { return int(items.size()); }
};

extern const CodeTable InputA;
extern const CodeTable InputB;
extern const CodeTable Unit;
extern const CodeTable Pointer;
extern const CodeTable CtrlSet;
extern const CodeTable RunStop;
extern const CodeTable HeatCool;
extern const CodeTable Out1Sel;
extern const CodeTable Out2Sel;
extern const CodeTable SALMode;
extern const CodeTable AlarmModes;
extern const CodeTable LockStatus;
extern const CodeTable AT;
extern const CodeTable ComWrite;
extern const CodeTable OutputType1;
extern const CodeTable OutputType2;
extern const CodeTable ProgDisp;
extern const CodeTable SecurityLevels; // items of SLevel, level codes 8, 4, 2, 1
extern const CodeTable KeyStates;      // items of Pass1..Pass3

// --- registers -------------------------------------------------------------

// Bit n set: poll kind n reads the register.
template <class... K> constexpr std::uint32_t Kinds(K... k) {
    return ((std::uint32_t(1) << k) | ... | 0u);
}

struct Register {
    std::uint16_t address;
    std::uint16_t last; // last address of a block of like registers, else == address
    unsigned families;
    unsigned access;
    Encoding encoding;
    bool displayDecimals; // tenths on the wire, shown with the slot's DecimalPlaces
    std::uint32_t kinds;
    std::array<std::string_view, 2> controls; // panel controls showing/writing it
    const CodeTable* table;
    std::string_view meaning;

    bool has(std::string_view control) const {
        return !control.empty() && (controls[0] == control || controls[1] == control);
    }
    bool readBy(int kind) const { return kind >= 0 && kind < 32 && (kinds >> kind) & 1u; }
    bool writable() const { return access & AccW; }
    bool needsUnlock() const { return access & AccU; }
};

// Every register the program reads or writes, both layouts.
std::span<const Register> Registers();
// The row of an address for a family ('A', 'B', 'C'), nullptr when the family
// has no such register.
const Register* Find(std::uint8_t family, std::uint16_t address);
// The register a panel control writes for a family, nullptr when the control
// writes nothing for it.
const Register* WritableFor(std::uint8_t family, std::string_view control);
// The item list of a panel list (the control a row is named after first),
// nullptr for a control that is no list.
const CodeTable* ListItems(std::string_view control);

// --- fixed registers -------------------------------------------------------

inline constexpr int IdentFunction = 0x67;
inline constexpr std::uint16_t IdentRegister = 0x0012;
inline constexpr int IdentCount = 3;
inline constexpr std::uint16_t UnlockWord = 0x6C3E;
inline constexpr std::uint16_t PvRegister = 0x4700;         // all families, recorder too
inline constexpr std::uint16_t SvRegister = 0x4701;         // all families; scan presence probe
inline constexpr std::uint16_t DeviceCommRegister = 0x470B; // new address + line setting
inline constexpr std::uint16_t AutoSyncRegister = 0x4722;   // value 1
inline constexpr std::uint16_t BulkParameterA = 0x472F;
inline constexpr std::uint16_t BulkParameterBC = 0x474C;
inline constexpr std::uint16_t BulkRampSoak = 0x474D;
inline constexpr std::uint16_t SecurityWord = 0x4751;   // family C
inline constexpr std::uint16_t PasswordKey1 = 0x106B;   // also the lock command
inline constexpr std::uint16_t KeyEnable1 = 0x106E;     // .. 0x1070
inline constexpr std::uint16_t ProgramDisplay = 0x4762; // .. 0x4766, kind 8

constexpr std::uint16_t UnlockRegister(std::uint8_t family) {
    return family == 'A' ? 0x471B : 0x472A;
}
constexpr std::uint16_t RestoreDefaultRegister(std::uint8_t family) {
    return family == 'A' ? 0x4724 : 0x474E;
}
constexpr std::uint16_t ClearPvAdjustRegister(std::uint8_t family) {
    return family == 'A' ? 0x4725 : 0x474F;
}
constexpr std::uint16_t BulkParameterRegister(std::uint8_t family) {
    return family == 'A' ? BulkParameterA : BulkParameterBC;
}

// --- poll requests -----------------------------------------------------------

// The monitor's request kinds (its RequestKind): what one turn of the poll reads.
enum PollKind : int {
    KindIdentify = 0,        // identification
    KindSetup = 1,           // per-slot setup after identification
    KindStatusFirst = 2,     // the status cycle runs kinds 2..8 over the slots
    KindPvSv = 3,            // PV and SV (0x4700 on)
    KindProgramDisplay = 8,  // slots with a running program only
    KindDecision = 9,        // sends nothing: chooses the parameter read-back
    KindParameterFirst = 10, // read-back of the selected slot, 10..14
    KindParameterLast = 14,
    KindAdjustFirst = 20, // factory adjustments in hidden mode, 20 and 21
    KindAdjustLast = 21,
};

struct PollRead {
    bool sent = false; // false: the kind sends nothing for this device
    int function = 0x03;
    std::uint16_t start = 0;
    int count = 0;
};
// The request of a poll kind for a device of `family`; cLocked: family C with
// a security level code below 4.
PollRead KindRequest(int kind, std::uint8_t family, bool cLocked);

// --- decoding rules ----------------------------------------------------------

// Family of an identification reply: function 0x67 with word 0 == 2 gives
// 'A' + low byte of word 1 when that names a family we know (0..2), else 255;
// 0x77 and 0xE7 give 'A'. Any other function: 255 (the caller treats it as an
// unexpected reply).
std::uint8_t FamilyFromIdentification(int function, std::uint16_t word0, std::uint16_t word1);

// Decimals code of the slot (0..3, or 255 for tenths shown rounded).
std::uint16_t DecimalPlacesA(std::uint16_t inputType);
std::uint16_t DecimalPlacesB(std::uint16_t decimalPoint, std::uint16_t unit);
inline std::uint16_t DecimalPlacesC(std::uint16_t pointerItem, std::uint16_t unit) {
    return DecimalPlacesB(pointerItem, unit);
}

// LockStatus item of a read-back; the value written for an item.
int LockItemA(std::uint16_t v); // v / 15 + (v mod 10) / 2
int LockItemB(std::uint16_t v); // v / 10 + v mod 10
int LockItemC(std::uint32_t securityLevelCode);
std::uint16_t LockStatusWriteValue(int item); // "Not SV" is 11

// Family C heat/cool indicator from the two output functions.
std::uint16_t HeatCoolC(std::uint16_t out1Function, std::uint16_t out2Function);

// Family C security word 0x4751.
constexpr std::uint32_t SecurityLevelOf(std::uint16_t word) {
    return (word >> 3) & 15u;
}
constexpr std::uint32_t PasswordBitsOf(std::uint16_t word) {
    return word & 7u;
}

// "F/W Version " + major + "." + minor as two hex digits.
std::string FirmwareText(std::uint16_t version);

} // namespace zu::regmap
