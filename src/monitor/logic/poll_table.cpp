#include "monitor/logic/poll_table.h"

namespace zu {

std::optional<regmap::PollRead> PollRequestOf(int kind, const DeviceSlot& slot) {
    const bool known = slot.Family == 'A' || slot.Family == 'B' || slot.Family == 'C';
    // The parameter read-back needs a family as much as the status kinds do.
    if (!known && kind >= 10 && kind <= 21)
        return std::nullopt;
    const regmap::PollRead read = regmap::KindRequest(kind, slot.Family, slot.cLocked());
    if (!read.sent)
        return std::nullopt;
    return read;
}

} // namespace zu
