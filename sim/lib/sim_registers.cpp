#include "sim/lib/sim_registers.h"

#include <vector>

namespace zu::sim {

namespace {

constexpr unsigned R = Read;
constexpr unsigned RW = Read | Write;
constexpr unsigned RWU = Read | Write | Unlock;
constexpr unsigned WUC = Write | Unlock | Command;

constexpr std::int32_t kLow = -1999; // four-digit display limits
constexpr std::int32_t kHigh = 9999;

// Registers common to families B and C, in address order.
std::vector<RegisterInfo> commonBC(bool familyC) {
    std::vector<RegisterInfo> r = {
        {0x4700, 0, R, 0, 0},
        {0x4701, 1000, RW, kLow, kHigh},
        {0x4702, 0, RW, 0, 1000},
        {0x4703, 0, RW, 0, 1000},
        {0x4704, 4000, RW, kLow, kHigh},
        {0x4705, 0, RW, kLow, kHigh},
        {0x4706, 40, RW, kLow, kHigh},
        {0x4707, 40, RW, kLow, kHigh},
        {0x4708, 100, RW, kLow, kHigh},
        {0x4709, 100, RW, kLow, kHigh},
        {0x470A, 50, RW, kLow, kHigh},
        {0x470B, 50, RW, kLow, kHigh},
        {0x470C, 47, RW, 1, kHigh},
        {0x470D, 260, RW, 0, kHigh},
        {0x470E, 41, RW, 0, kHigh},
        {0x470F, 0, RW, 0, 1000},
        {0x4710, 0, RW, 0, 1000},
        {0x4711, 100, RW, 1, 999},
        {0x4712, 0, RW, -999, 999},
        {0x4713, 0, RW, 0, kHigh},
        {0x4714, 0, RW, 0, kHigh},
        {0x4715, 100, RW, 0, 100},
        {0x4716, 0, RW, 0, 100},
        {0x4717, 0x01, RW, 0, 255},
        {0x4718, 0, RW, 0, 17},
        {0x4719, 0, RW, 0, 3},
        {0x471A, 0, RW, 0, 3},
        {0x471B, 20, RW, 1, 99},
        {0x471C, 20, RW, 1, 99},
        // The PV offset takes writes without the unlock: the parameter download
        // writes it so.
        {0x471D, 0, RW, -999, 999},
        {0x471E, 0, RW, 0, 11},
        {0x471F, familyC ? 2 : 0, RW, 0, familyC ? 2 : 3},
        {0x4720, 1, RW, 0, 13},
        {0x4721, 2, RW, 0, 13},
        {0x4722, 0, RW, 0, 13},
        {0x4723, 1, RW, 0, 3},
        {0x4724, 1, RW, 0, 2},
        {0x4725, 1, familyC ? R : RW, 0, 3},
        {0x4726, 1, RW, 0, 1},
        {0x4727, 0, RW, 0, 1},
        {0x4728, 0, R, 0, 0},
        {0x4729, 0, R, 0, 0},
        {0x472A, 0, R | Write | Command, 0, 0xFFFF},
        {0x472B, 0, R, 0, 0},
        {0x472C, 0, R, 0, 0},
        {0x472E, 0, R, 0, 0},
        {0x472F, 0, R, 0, 0},
        {0x4730, 0, RWU, 0, 5},
        {0x4731, 0, RWU, 0, 2},
        {0x4732, 0, RWU, -999, 999},
        {0x4733, 12034, RWU, 0, 32767},
        {0x4734, 3, RWU, -999, 999},
        {0x4735, 10247, RWU, 0, 32767},
        {0x4736, 0, RWU, -999, 999},
        {0x4737, -2, RWU, -999, 999},
        {0x4738, 9876, RWU, 0, 32767},
        {0x474C, 0, familyC ? R : (R | Write | Unlock), 0, 0xFFFF},
        {0x474D, 0, R, 0, 0},
        {0x474E, 0, WUC, 0, 0xFFFF},
        {0x474F, 0, WUC, 0, 0xFFFF},
        {0x4751, 0, R, 0, 0},
        {0x4762, 0, RW, 0, 2},
        {0x4763, 0, R, 0, 0},
        {0x4764, 0, R, 0, 0},
        {0x4765, 0, R, 0, 0},
        {0x4766, 0, R, 0, 0},
        {0x4767, 0, RW, 0, 7},
    };
    if (!familyC) {
        r.push_back({0x4756, 0, RW, 0, 255});
        r.push_back({0x1017, 0, RW, 0, 255});
    }
    // A small factory program in pattern 0: heat up, hold, cool down.
    const std::int32_t stepSv[4] = {1000, 1500, 1500, 500};
    const std::int32_t stepMinutes[4] = {10, 20, 30, 10};
    for (int p = 0; p < 8; ++p)
        r.push_back({std::uint16_t(0x4768 + p), p == 0 ? 3 : 0, RW, 0, 7});
    for (int p = 0; p < 8; ++p)
        r.push_back({std::uint16_t(0x4770 + p), 0, RW, 0, 99});
    for (int p = 0; p < 8; ++p)
        r.push_back({std::uint16_t(0x4778 + p), 8, RW, 0, 8});
    for (int k = 0; k < 64; ++k) {
        r.push_back(
            {std::uint16_t(kProgramStepsFirst + 2 * k), k < 4 ? stepSv[k] : 0, RW, kLow, kHigh});
        r.push_back({std::uint16_t(kProgramStepsFirst + 2 * k + 1), k < 4 ? stepMinutes[k] : 0, RW,
                     0, 900});
    }
    return r;
}

std::vector<RegisterInfo> familyA() {
    return {
        {0x4700, 0, R, 0, 0},
        {0x4701, 1000, RW, kLow, kHigh},
        {0x4702, 40, RW, kLow, kHigh},
        {0x4703, 40, RW, kLow, kHigh},
        {0x4704, 100, RW, kLow, kHigh},
        {0x4705, 100, RW, kLow, kHigh},
        {0x4706, 4000, RW, kLow, kHigh},
        {0x4707, 0, RW, kLow, kHigh},
        {0x4708, 47, RW, 1, kHigh},
        {0x4709, 260, RW, 0, kHigh},
        {0x470A, 41, RW, 0, kHigh},
        {0x470B, 0, RW, 0, kHigh},
        {0x470C, 100, RW, 0, 100},
        {0x470D, 0, RW, 0, 100},
        {0x470E, 0, RW, 0, 100},
        {0x470F, 0x01, RW, 0, 15},
        {0x4710, 1, RW, 0, 18},
        {0x4711, 0, RW, 0, 2},
        {0x4712, 20, RW, 1, 99},
        {0x4713, 0, RW, 0, 100},
        {0x4714, 0, RWU, -999, 999},
        {0x4715, 1, RW, 0, 13},
        {0x4716, 2, RW, 0, 13},
        {0x4717, 1, RW, 0, 2},
        {0x4718, 0, RW, 0, 1},
        {0x4719, 1, RW, 0, 1},
        {0x471A, 1, RW, 0, 1},
        {0x471B, 0, R | Write | Command, 0, 0xFFFF},
        {0x471C, 0, R, 0, 0},
        {0x471D, 0, R, 0, 0},
        {0x471E, 0, R, 0, 0},
        {0x471F, 0, R, 0, 0},
        {0x4720, 0, RWU, 0, 5},
        {0x4721, 0, RWU, -999, 999},
        {0x4722, 11876, RWU, 0, 32767},
        {0x4723, 0, RWU, -999, 999},
        {0x4724, 0, WUC, 0, 0xFFFF},
        {0x4725, 0, WUC, 0, 0xFFFF},
        {0x4726, 10112, RWU, 0, 32767},
        {0x4727, 2, RWU, -999, 999},
        {0x4728, 0, R, 0, 0},
        {0x4729, 0, RW, 0, 1},
        {0x472A, 0, RW, 0, 100},
        {0x472B, 0, R, 0, 0},
        {0x472F, 0, R, 0, 0},
        {0x4731, 0, RW, 0, 11},
        {0x4733, 1, R, 0, 0},
    };
}

constexpr MemoryField kMemoryA[] = {
    {0, 0x4701, 2},  {2, 0x4702, 2},  {4, 0x4703, 2},  {6, 0x4704, 2},  {8, 0x4705, 2},
    {10, 0x470F, 1}, {11, 0x4731, 1}, {12, 0x4710, 1}, {13, 0x4711, 1}, {14, 0x4715, 1},
    {15, 0x4716, 1}, {16, 0x4706, 2}, {18, 0x4707, 2}, {20, 0x4708, 2}, {22, 0x4709, 2},
    {24, 0x470A, 2}, {26, 0x470B, 2}, {28, 0x4712, 1}, {29, 0x470E, 1}, {30, 0x4713, 1},
    {31, 0x4717, 1}, {32, 0x4718, 1}, {33, 0x470C, 1}, {34, 0x470D, 1},
};

std::vector<MemoryField> memoryBC(bool familyC) {
    std::vector<MemoryField> m = {
        {0, 0x4706, 2},  {2, 0x4707, 2},  {4, 0x4708, 2},  {6, 0x4709, 2},  {12, 0x4717, 1},
        {14, 0x4718, 1}, {15, 0x4719, 1}, {16, 0x4720, 1}, {17, 0x4721, 1}, {20, 0x4704, 2},
        {22, 0x4705, 2}, {24, 0x4701, 2}, {26, 0x470C, 2}, {28, 0x470D, 2}, {30, 0x470E, 2},
        {32, 0x470F, 2}, {34, 0x4710, 2}, {36, 0x4713, 2}, {38, 0x4714, 2}, {40, 0x4711, 2},
        {42, 0x4712, 2}, {44, 0x4715, 1}, {45, 0x4716, 1}, {46, 0x4724, 1}, {48, 0x471B, 1},
        {49, 0x471C, 1}, {56, 0x471D, 2},
    };
    if (familyC) {
        m.push_back({54, 0x471A, 1});
        m.push_back({55, 0x471F, 1});
        m.push_back({100, 0x4702, 2});
        m.push_back({102, 0x4703, 2});
    } else {
        m.push_back({8, 0x470A, 2});
        m.push_back({10, 0x470B, 2});
        m.push_back({13, 0x471E, 1});
        m.push_back({18, 0x4722, 1});
        m.push_back({19, 0x471A, 1});
        m.push_back({47, 0x4725, 1});
        m.push_back({51, 0x471F, 1});
        m.push_back({52, 0x1017, 1});
        m.push_back({179, 0x4756, 1});
    }
    // The program's header: start pattern, last steps, loops, links.
    for (int n = 0; n < 25; ++n)
        m.push_back({std::uint8_t(231 + n), std::uint16_t(kProgramFirst + n), 1});
    return m;
}

Roles rolesBC() {
    Roles r{};
    r.pv = 0x4700;
    r.sv = 0x4701;
    r.out1 = 0x4702;
    r.out2 = 0x4703;
    r.rangeHi = 0x4704;
    r.rangeLo = 0x4705;
    r.alarmHigh[0] = 0x4706;
    r.alarmLow[0] = 0x4707;
    r.alarmHigh[1] = 0x4708;
    r.alarmLow[1] = 0x4709;
    r.alarmHigh[2] = 0x470A;
    r.alarmLow[2] = 0x470B;
    r.alarmMode[0] = 0x4720;
    r.alarmMode[1] = 0x4721;
    r.alarmMode[2] = 0x4722;
    r.pb = 0x470C;
    r.period = 0x471B;
    r.input = 0x4718;
    r.ctrlSet = 0x4719;
    r.heatCool = 0x471A;
    r.runStop = 0x4723;
    r.unit = 0x4724;
    r.pointer = 0x4725;
    r.comWrite = 0x4726;
    r.autoTune = 0x4727;
    r.lamps = 0x4728;
    r.flags = 0x4729;
    r.firmware = 0x472A;
    r.statusWord = 0x4717;
    r.lock = 0x471E;
    r.coldJunction = 0x472E;
    r.voltage = 0x472F;
    r.programRunning = 0x472B;
    r.programSv = 0x472C;
    r.unlock = 0x472A;
    r.restoreDefaults = 0x474E;
    r.clearAdjust = 0x474F;
    r.parameterMemory = 0x474C;
    r.rampSoakMemory = 0x474D;
    const std::uint16_t adjust[5] = {0x471D, 0x4732, 0x4734, 0x4736, 0x4737};
    for (int i = 0; i < 5; ++i)
        r.adjustOffsets[i] = adjust[i];
    return r;
}

Roles rolesA() {
    Roles r{};
    r.pv = 0x4700;
    r.sv = 0x4701;
    r.rangeHi = 0x4706;
    r.rangeLo = 0x4707;
    r.alarmHigh[0] = 0x4702;
    r.alarmLow[0] = 0x4703;
    r.alarmHigh[1] = 0x4704;
    r.alarmLow[1] = 0x4705;
    r.alarmMode[0] = 0x4715;
    r.alarmMode[1] = 0x4716;
    r.pb = 0x4708;
    r.period = 0x4712;
    r.input = 0x4710;
    r.ctrlSet = 0x4711;
    r.heatCool = 0x4718;
    r.runStop = 0x4719;
    r.unit = 0x4717;
    r.comWrite = 0x471A;
    r.autoTune = 0x4729;
    r.lamps = 0x471C;
    r.flags = 0x471D;
    r.firmware = 0x471B;
    r.statusWord = 0x470F;
    r.lock = 0x4731;
    r.coldJunction = 0x471F;
    r.voltage = 0x4728;
    r.pvStatus = 0x472B;
    r.outPercent = 0x471E;
    r.manualOut = 0x472A;
    r.unlock = 0x471B;
    r.restoreDefaults = 0x4724;
    r.clearAdjust = 0x4725;
    r.parameterMemory = 0x472F;
    const std::uint16_t adjust[4] = {0x4714, 0x4721, 0x4723, 0x4727};
    for (int i = 0; i < 4; ++i)
        r.adjustOffsets[i] = adjust[i];
    return r;
}

struct Tables {
    std::vector<RegisterInfo> regsA = familyA(), regsB = commonBC(false), regsC = commonBC(true);
    std::vector<MemoryField> memB = memoryBC(false), memC = memoryBC(true);
    FamilyLayout a{'A', 0x4700, 0x4733, 0x0320, 0, rolesA(), regsA, kMemoryA};
    FamilyLayout b{'B', 0x4700, 0x47FF, 0x0152, 0x0104, rolesBC(), regsB, memB};
    FamilyLayout c{'C', 0x4700, 0x47FF, 0x0120, 0x0207, rolesBC(), regsC, memC};
};

} // namespace

const FamilyLayout& layoutOf(char family) {
    static const Tables tables;
    switch (family) {
    case 'A':
        return tables.a;
    case 'C':
        return tables.c;
    default:
        return tables.b;
    }
}

} // namespace zu::sim
