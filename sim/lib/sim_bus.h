#pragma once
// Controllers sharing one line. Each listens with its own line setting and
// framing; bytes sent in another setting mean nothing to it. A controller
// answers after its turnaround, through `transmit`, and takes a new address
// or setting only once that answer has left.
#include "core/clock.h"
#include "sim/lib/sim_device.h"

#include <functional>
#include <memory>
#include <vector>

namespace zu::sim {

class Bus {
  public:
    explicit Bus(Clock& clock);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    Device& addDevice(char family, std::uint8_t address, const DeviceSetting& setting = {});
    std::size_t size() const { return devices_.size(); }
    Device& at(std::size_t i) { return *devices_[i]->device; }
    // The first device with this address, or nullptr.
    Device* find(std::uint8_t address);

    // Bytes on the line, sent with `line`; byte i finished at firstEndUs + i * perByteUs.
    void receive(std::span<const std::uint8_t> bytes, const LineSettings& line,
                 std::int64_t firstEndUs, std::int64_t perByteUs);

    // A reply leaves a controller: its bytes, the setting they are sent in,
    // and when the first one starts.
    std::function<void(const std::vector<std::uint8_t>&, const DeviceSetting&, std::int64_t)>
        transmit;
    // The end of the line that set `transmit`, so that another one closing
    // leaves it alone.
    const void* transmitOwner = nullptr;
    // Sees every frame a controller took as addressed to it (for logs).
    std::function<void(const Device&, const Request&)> observer;
    // When on, a reply occupies the line for its wire time, and changes
    // acknowledged by it wait for its end.
    void setWireTime(bool on) { wireTime_ = on; }
    // Off where the line cannot tell parity and data bits (a pty): then a
    // controller hears every frame sent at its own baud.
    void setCharacterFormatSeen(bool on) { formatSeen_ = on; }
    bool wireTime() const { return wireTime_; }

    std::int64_t nowUs() const { return clock_.nowMs() * 1000; }

  private:
    struct Node {
        std::unique_ptr<Device> device;
        RequestParser parser{Framing::Ascii};
        DeviceSetting parserSetting;
    };
    void onFrame(Node& node, const ParseEvent& event);
    void send(Device& device, std::vector<std::uint8_t> frame, std::int64_t startUs);
    void applyAfterReply(Device& device, std::int64_t atUs);
    void synchronise(const Device& master);
    void schedule(std::int64_t atUs, std::function<void()> fn);
    static void syncParser(Node& node);

    Clock& clock_;
    std::vector<std::unique_ptr<Node>> devices_;
    bool wireTime_ = true;
    bool formatSeen_ = true;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace zu::sim
