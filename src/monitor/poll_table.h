#pragma once
// Which registers each request kind of the monitor's poll reads, by family.
#include "monitor/monitor_model.h"

#include <cstdint>
#include <optional>

namespace zu {

struct PollRead {
    int function = 0x03;
    std::uint16_t reg = 0x4700;
    int count = 2;
    bool operator==(const PollRead&) const = default;
};

// Kinds 1..8 for the slot the request goes to, kinds 10..21 for the selected
// slot. Empty when the kind reads nothing for that device: kinds 1..7 and the
// parameter kinds of a device whose family is unknown, kind 21 of family A.
std::optional<PollRead> PollRequestOf(int kind, const DeviceSlot& slot);

} // namespace zu
