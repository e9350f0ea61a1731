#pragma once
// The lines behind the port directory's devices: the built-in simulated line
// for "sim", a serial device for anything else.
#include "core/clock.h"
#include "core/serial_line.h"
#include "sim/lib/sim_bus.h"

#include <memory>

namespace zu::sim {

// The controllers of the built-in line: families A, B and C at addresses 1,
// 2 and 3, all at the PC's default setting (9600 bit/s, 7E1, ASCII).
void addBuiltInDevices(Bus& bus);

class StandardLineFactory : public LineFactory {
  public:
    explicit StandardLineFactory(Clock& clock) : clock_(clock) {}
    std::unique_ptr<SerialLine> create(const QString& device) override;
    // The built-in controllers; they keep their state from one opening of the
    // line to the next, as devices on a real line do.
    Bus& simulatedBus();

  private:
    Clock& clock_;
    std::shared_ptr<Bus> bus_;
};

} // namespace zu::sim
