#pragma once
// Family-C access control: a security level and three 4-digit keys.
//
// Levels: 8 Unlock All, 4 Read All + SV and AT, 2 PV and SV, 1 All Lock.
// Writing key n to its level register (0x106B + n - 1) raises or lowers the
// device to that key's level. Any other value written to 0x106B is the lock
// command and takes the device to All Lock (while some key is enabled); a
// wrong key at 0x106C/0x106D is refused. Writing to 0x106E + n - 1 enables
// key n with the written value as its key (at Unlock All only), or, when it
// is enabled, disables it if the value is the key. With no key enabled the
// device is always at Unlock All.
#include <array>
#include <cstdint>

namespace zu::sim {

class SecurityModel {
  public:
    SecurityModel();
    int level() const { return level_; }
    unsigned enableBits() const;
    std::uint16_t word() const { return std::uint16_t(level_ << 3 | enableBits()); }
    bool isKeyRegister(std::uint16_t reg) const { return reg >= 0x106B && reg <= 0x1070; }
    // 0 when accepted, else the exception code.
    std::uint8_t write(std::uint16_t reg, std::uint16_t value);
    bool mayRead(std::uint16_t reg) const;
    bool mayWrite(std::uint16_t reg) const;

    // For tests and start-up options. key is 1..3.
    void setKey(int key, std::uint16_t value, bool enabled);
    std::uint16_t key(int key) const { return keys_[std::size_t(key - 1) % 3]; }
    void setLevel(int level);

  private:
    void settle();
    int level_ = 8;
    std::array<std::uint16_t, 3> keys_{};
    std::array<bool, 3> enabled_{};
};

} // namespace zu::sim
