#pragma once
// The register maps of the three controller families as the controllers
// themselves keep them: which words exist, their factory values, who may
// write them and within which limits, and where each setting sits in the
// 256-byte parameter memory.
#include <cstdint>
#include <span>

namespace zu::sim {

// Access rights of a register.
enum Access : unsigned {
    Read = 1,
    Write = 2,
    Unlock = 4,  // a write needs the unlock word written just before
    Command = 8, // the written value must be the unlock word; the device acts on it
};

inline constexpr std::uint16_t kUnlockWord = 0x6C3E;

struct RegisterInfo {
    std::uint16_t reg;
    std::int32_t initial; // factory value (signed registers as negative numbers)
    unsigned access;
    std::int32_t minValue; // accepted write range; signed when minValue < 0
    std::int32_t maxValue;
};

// A setting held in parameter memory: one byte (the register's low byte) or
// two (high byte first).
struct MemoryField {
    std::uint8_t offset;
    std::uint16_t reg;
    std::uint8_t width;
};

// Registers with a role the device model computes or acts on. 0 = none.
struct Roles {
    std::uint16_t pv, sv, out1, out2, rangeHi, rangeLo;
    std::uint16_t alarmHigh[3], alarmLow[3], alarmMode[3];
    std::uint16_t pb, period, input, ctrlSet, heatCool, runStop, unit, pointer, comWrite, autoTune;
    std::uint16_t lamps, flags, firmware, statusWord, lock, coldJunction, voltage;
    std::uint16_t pvStatus, outPercent, manualOut, programRunning, programSv;
    std::uint16_t unlock, restoreDefaults, clearAdjust, parameterMemory, rampSoakMemory;
    std::uint16_t adjustOffsets[5]; // cleared by the clear-adjustment command
};

struct FamilyLayout {
    char family;
    std::uint16_t firstRegister, lastRegister; // the readable window
    std::uint16_t firmwareVersion;
    std::uint16_t identificationModel; // third word of the identification reply (B, C)
    Roles roles;
    std::span<const RegisterInfo> registers;
    std::span<const MemoryField> memory;
};

// Family 'A', 'B' or 'C'; anything else gives B.
const FamilyLayout& layoutOf(char family);

// Registers shared by all families.
inline constexpr std::uint16_t kAddressSetting = 0x470B;
inline constexpr std::uint16_t kAutoSync = 0x4722;
inline constexpr std::uint16_t kIdentification = 0x0012;
inline constexpr std::uint16_t kProgramDisplay = 0x4762; // .. 0x4766, families B and C
inline constexpr std::uint16_t kProgramFirst = 0x4767;   // .. 0x47FF, families B and C
inline constexpr std::uint16_t kProgramStepsFirst = 0x4780;
inline constexpr std::uint16_t kSecurityWord = 0x4751;
inline constexpr std::uint16_t kKeyEntryFirst = 0x106B; // .. 0x106D levels, 0x106E .. 0x1070 keys

} // namespace zu::sim
