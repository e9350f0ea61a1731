#include "monitor/poll_table.h"

namespace zu {

namespace {

enum Column { ColA, ColB, ColCOpen, ColCLocked };

struct Row {
    int kind;
    PollRead read[4];
};

// One row per kind: families A, B, C-open, C-locked.
constexpr Row Rows[] = {
    {1, {{3, 0x470F, 2}, {3, 0x4724, 2}, {3, 0x4751, 1}, {3, 0x4751, 1}}},
    {2, {{3, 0x4728, 4}, {3, 0x4717, 4}, {3, 0x471A, 6}, {3, 0x4728, 1}}},
    {3, {{3, 0x4700, 2}, {3, 0x4700, 4}, {3, 0x4700, 4}, {3, 0x4700, 2}}},
    {4, {{3, 0x4718, 8}, {3, 0x4728, 8}, {3, 0x4728, 8}, {3, 0x4728, 1}}},
    {5, {{3, 0x4700, 2}, {3, 0x4700, 4}, {3, 0x4700, 4}, {3, 0x4700, 2}}},
    {6, {{3, 0x471C, 3}, {3, 0x4723, 7}, {3, 0x4723, 6}, {3, 0x4728, 1}}},
    {7, {{3, 0x4733, 1}, {3, 0x4751, 1}, {3, 0x4751, 1}, {3, 0x4751, 1}}},
    {10, {{3, 0x4731, 1}, {3, 0x4720, 8}, {3, 0x4720, 8}, {3, 0x4720, 8}}},
    {20, {{3, 0x4720, 8}, {3, 0x4730, 7}, {3, 0x4730, 7}, {3, 0x4730, 7}}},
};

std::optional<Column> ColumnOf(const DeviceSlot& s) {
    switch (s.Family) {
    case 'A':
        return ColA;
    case 'B':
        return ColB;
    case 'C':
        return s.cOpen() ? ColCOpen : ColCLocked;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<PollRead> PollRequestOf(int kind, const DeviceSlot& slot) {
    if (kind == 0)
        return PollRead{0x67, 0x0012, 3};
    if (kind == 8)
        return PollRead{3, 0x4762, 5};
    const auto column = ColumnOf(slot);
    switch (kind) {
    case 11:
        return column ? std::optional(PollRead{3, 0x4710, 8}) : std::nullopt;
    case 12:
        return column ? std::optional(PollRead{3, 0x4718, 8}) : std::nullopt;
    case 13:
        return column ? std::optional(PollRead{3, 0x4708, 8}) : std::nullopt;
    case 14:
        return column ? std::optional(PollRead{3, 0x4701, 7}) : std::nullopt;
    case 21:
        if (!column || *column == ColA)
            return std::nullopt;
        return PollRead{3, 0x4737, 2};
    default:
        break;
    }
    for (const Row& row : Rows)
        if (row.kind == kind)
            return column ? std::optional(row.read[*column]) : std::nullopt;
    return PollRead{3, 0x4700, 2}; // any other kind
}

} // namespace zu
