#pragma once
// The PC's end of a simulated line. Bytes written by the PC travel at their
// wire time and reach every controller on the bus; a controller understands
// them only when its line setting is the PC's. Replies come back at wire
// time too, in chunks of a few bytes, as a USB adapter hands them over, and
// are lost when the PC's setting no longer matches the sender's.
#include "core/clock.h"
#include "core/serial_line.h"
#include "sim/lib/sim_bus.h"

#include <memory>

namespace zu::sim {

class SimulatedLine : public SerialLine {
  public:
    SimulatedLine(Clock& clock, std::shared_ptr<Bus> bus);
    ~SimulatedLine() override;

    bool open(const LineSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void applySettings(const LineSettings& settings) override;
    bool write(const QByteArray& bytes) override;
    QString deviceName() const override;

    Bus& bus() { return *bus_; }
    const LineSettings& settings() const { return rxSettings_; }
    // Most bytes handed over per `received` call.
    void setChunkSize(int bytes) { chunk_ = bytes < 1 ? 1 : bytes; }
    // The adapter is pulled out: the line closes and reports `failed`.
    void unplug();

    std::int64_t bytesSent() const { return bytesSent_; }
    std::int64_t bytesLost() const { return bytesLost_; }

  private:
    void onTransmit(const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                    std::int64_t startUs);
    void at(std::int64_t atUs, std::function<void()> fn);
    std::int64_t nowUs() const { return clock_.nowMs() * 1000; }

    Clock& clock_;
    std::shared_ptr<Bus> bus_;
    bool open_ = false;
    LineSettings txSettings_{}; // for bytes written from now on
    LineSettings rxSettings_{}; // what the PC's receiver runs at
    std::int64_t txFreeUs_ = 0; // the PC's transmitter is busy until then
    std::int64_t rxFreeUs_ = 0; // the line toward the PC is busy until then
    int chunk_ = 8;
    std::int64_t bytesSent_ = 0;
    std::int64_t bytesLost_ = 0;
    // Bumped on close so that bytes still travelling are not delivered.
    std::shared_ptr<int> session_ = std::make_shared<int>(0);
};

} // namespace zu::sim
