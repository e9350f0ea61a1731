#pragma once
// One simulated controller of family A, B or C, answering requests as its
// register map describes: identification, status and parameter registers,
// writes with their rules (write enable, unlock word, family-C security,
// limits), command registers, the parameter and ramp/soak memories read one
// byte at a time, the ramp/soak program, the address and line-setting change
// and auto-synchronisation.
#include "core/clock.h"
#include "sim/lib/sim_frames.h"
#include "sim/lib/sim_process.h"
#include "sim/lib/sim_registers.h"
#include "sim/lib/sim_security.h"
#include "sim/lib/sim_setting.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zu::sim {

enum class FaultKind {
    Silence,      // hears nothing, answers nothing
    BadChecksum,  // LRC or CRC of the reply is wrong
    WrongAddress, // the reply names the next address
    Truncated,    // the reply stops half way
    Noise,        // noise bytes go before the reply
    Slow,         // the reply comes late (param: extra milliseconds)
    PvStatus,     // the PV reads as a status code 0x80nn (param: nn)
    Exception,    // the request is refused with an exception reply (param: its code)
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    int every = 1; // applies to every n-th answer
    int param = 0;
};

std::optional<Fault> parseFault(std::string_view text, int* address);
const char* faultName(FaultKind kind);

struct DeviceCounters {
    int requests = 0;       // frames addressed to the device (or broadcast)
    int replies = 0;        // answers sent
    int exceptions = 0;     // of them, exception replies
    int broadcasts = 0;     // broadcast frames obeyed
    int checksumErrors = 0; // frames dropped for a bad LRC or CRC
    int faulted = 0;        // answers spoiled or suppressed by a fault
};

// A change that takes effect once the reply that acknowledges it has left.
struct PendingChange {
    std::uint8_t address;
    DeviceSetting setting;
};

class Device {
  public:
    Device(char family, std::uint8_t address, Clock& clock, DeviceSetting setting = {});

    char family() const { return layout_.family; }
    std::uint8_t address() const { return address_; }
    void setAddress(std::uint8_t a) { address_ = a; }
    const DeviceSetting& setting() const { return setting_; }
    void setSetting(const DeviceSetting& s) { setting_ = s; }
    int turnaroundMs() const { return turnaroundMs_; }
    void setTurnaroundMs(int ms) { turnaroundMs_ = ms < 0 ? 0 : ms; }

    // Handles a request addressed to this device (or broadcast, address 0);
    // returns the reply PDU (address, function, data), or nothing.
    std::optional<std::vector<std::uint8_t>> handle(const Request& r);
    std::optional<PendingChange> takePendingChange();
    // True once after a write of 1 to the auto-synchronisation register.
    bool takeSyncRequest();

    // The register as a read would give it, without access rules and without
    // moving the memory read pointers.
    std::uint16_t peek(std::uint16_t reg);
    // Stores a value as the device's own front panel would.
    void poke(std::uint16_t reg, std::uint16_t value);
    std::uint8_t memoryByte(int index);
    bool unlocked() const { return unlocked_; }

    SecurityModel& security() { return security_; }
    ProcessModel& process() { return process_; }
    std::vector<Fault>& faults() { return faults_; }
    // Counts one answer for each fault and returns those that apply to it.
    std::vector<Fault> faultsForAnswer();
    DeviceCounters counters;
    // The requests handled, oldest first (at most the last 4096).
    std::vector<Request> log;

  private:
    std::vector<std::uint8_t> exception(const Request& r, std::uint8_t code);
    std::vector<std::uint8_t> readReply(const Request& r);
    std::vector<std::uint8_t> identification(const Request& r);
    std::uint8_t write(std::uint16_t reg, std::uint16_t value);
    std::uint8_t writeChecked(const RegisterInfo& info, std::uint16_t value);
    std::uint16_t readValue(std::uint16_t reg, bool advance);
    const RegisterInfo* registerInfo(std::uint16_t reg) const;
    std::int32_t stored(std::uint16_t reg) const;
    void store(std::uint16_t reg, std::int32_t value);
    // Registers live in two pages, 0x47xx and 0x10xx; -1 for any other.
    static int slot(std::uint16_t reg);
    void update();
    double target() const;
    int outputPercentTenths() const;
    std::uint8_t lampBits();
    bool alarmActive(int n) const;
    bool programMode() const;
    void startOrStopProgram();
    void restoreDefaults();
    std::uint8_t memoryRead(int index);
    void memoryWrite(int index, std::uint8_t byte);
    std::uint16_t rampSoakByte(int index) const;

    const FamilyLayout& layout_;
    const Roles& roles_;
    Clock& clock_;
    std::uint8_t address_;
    DeviceSetting setting_;
    int turnaroundMs_ = 5;
    std::array<std::uint16_t, 512> regs_{};
    std::array<std::uint8_t, 256> raw_{};
    std::array<int, 256> memoryIndex_{}; // field index + 1 per memory byte, 0 = raw
    std::uint8_t parameterPointer_ = 0;
    std::uint8_t rampSoakPointer_ = 0;
    bool unlocked_ = false;
    std::optional<PendingChange> pending_;
    bool syncRequested_ = false;
    SecurityModel security_;
    ProcessModel process_;
    // Program state: elapsed run time banked, and when the present run began.
    bool programActive_ = false;
    RampSoakProgram program_;
    double programStartSv_ = 0;
    std::int64_t programBankedMs_ = 0;
    std::int64_t programResumedMs_ = -1;
    ProgramPosition programPos_;
    std::int64_t tuneEndMs_ = -1;
    std::vector<Fault> faults_;
    std::vector<int> faultCounts_;
};

} // namespace zu::sim
