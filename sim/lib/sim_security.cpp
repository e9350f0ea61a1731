#include "sim/lib/sim_security.h"

#include "sim/lib/sim_frames.h"

namespace zu::sim {

namespace {
constexpr int kLevelOfKey[3] = {8, 4, 2};
}

SecurityModel::SecurityModel() {
    // Factory keys, all enabled, device open: the level can be lowered and
    // raised again at once.
    keys_ = {0x1111, 0x2222, 0x3333};
    enabled_ = {true, true, true};
}

unsigned SecurityModel::enableBits() const {
    return (enabled_[0] ? 1u : 0u) | (enabled_[1] ? 2u : 0u) | (enabled_[2] ? 4u : 0u);
}

void SecurityModel::settle() {
    if (enableBits() == 0)
        level_ = 8;
}

void SecurityModel::setKey(int key, std::uint16_t value, bool enabled) {
    const std::size_t i = std::size_t(key - 1) % 3;
    keys_[i] = value;
    enabled_[i] = enabled;
    settle();
}

void SecurityModel::setLevel(int level) {
    level_ = (level == 8 || level == 4 || level == 2 || level == 1) ? level : 8;
    settle();
}

std::uint8_t SecurityModel::write(std::uint16_t reg, std::uint16_t value) {
    if (!isKeyRegister(reg))
        return exc::IllegalAddress;
    if (reg <= 0x106D) {
        const std::size_t i = reg - 0x106B;
        if (enabled_[i] && keys_[i] == value) {
            level_ = kLevelOfKey[i];
            return 0;
        }
        if (i == 0 && enableBits() != 0) {
            level_ = 1;
            return 0;
        }
        return i == 0 ? exc::IllegalCommand : exc::IllegalData;
    }
    const std::size_t i = reg - 0x106E;
    if (enabled_[i]) {
        if (keys_[i] != value)
            return exc::IllegalData;
        enabled_[i] = false;
        settle();
        return 0;
    }
    if (level_ != 8)
        return exc::IllegalCommand;
    keys_[i] = value;
    enabled_[i] = true;
    return 0;
}

bool SecurityModel::mayRead(std::uint16_t reg) const {
    if (level_ >= 4)
        return true;
    return reg == 0x4700 || reg == 0x4701 || reg == 0x4728 || reg == 0x4751;
}

bool SecurityModel::mayWrite(std::uint16_t reg) const {
    switch (level_) {
    case 8:
        return true;
    case 4:
        return reg == 0x4701 || reg == 0x4727;
    case 2:
        return reg == 0x4701;
    default:
        return false;
    }
}

} // namespace zu::sim
