#pragma once
// The PC's line setting as decoded from its setting word; the protocol
// window, the monitor and the recorder open their ports with it.
namespace zu {

struct ComSetting {
    int ComPortNumber = 0;
    int ComBaud = 0;
    int ComDataBits = 0;
    int ComStopBits = 0;
    int ComParityCode = 0; // 1 even, 2 odd, else none
    bool RtuMode = false;
    bool operator==(const ComSetting&) const = default;
};

} // namespace zu
