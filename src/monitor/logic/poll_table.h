#pragma once
// Which registers each request kind of the monitor's poll reads, for one slot.
#include "device/register_map.h"
#include "monitor/logic/monitor_model.h"

#include <optional>

namespace zu {

// Kinds 1..8 for the slot the request goes to, kinds 10..21 for the selected
// slot. Empty when the kind reads nothing for that device: the decision point,
// kinds 1..7 and the parameter kinds of a device whose family is unknown, kind
// 21 of family A.
std::optional<regmap::PollRead> PollRequestOf(int kind, const DeviceSlot& slot);

} // namespace zu
