#pragma once
// What the PC port face of the protocol window shows for a setting word and
// a PC's ports, and the word its choices make.
#include <array>
#include <cstdint>

namespace zu {

struct PcFaceChoice {
    int formatIndex = 0;            // Format: 0 ASCII, 1 RTU
    int stopBitIndex = 0;           // StopBit
    int baudIndex = 0;              // Baudrate
    int parityIndex = 0;            // Parity
    int dataLenIndex = 0;           // DataLen
    int port = 0;                   // ComPortNumber; 0 when the PC has no port
    bool noPort = false;            // "No COM Port Exist" is to be shown
    std::array<bool, 13> enabled{}; // COM1..COM12 enabled (entry 0 unused)
};

// Codes the radio groups cannot show (baud index 5..7, parity code 3) show
// their group's last item. A stored port that is missing, or outside 1..12,
// gives way to the first present one.
PcFaceChoice PreparePcFace(std::int32_t word, const std::array<bool, 13>& portPresent);

// RTU frames always carry 8 data bits.
inline bool DataLenSelectable(int formatIndex) {
    return formatIndex != 1;
}

} // namespace zu
