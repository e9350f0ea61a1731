#include "sim/lib/standard_line_factory.h"

#include "core/port_directory.h"
#include "core/qt_serial_line.h"
#include "sim/lib/simulated_line.h"

namespace zu::sim {

void addBuiltInDevices(Bus& bus) {
    bus.addDevice('A', 1, defaultSetting());
    bus.addDevice('B', 2, defaultSetting());
    bus.addDevice('C', 3, defaultSetting());
}

Bus& StandardLineFactory::simulatedBus() {
    if (!bus_) {
        bus_ = std::make_shared<Bus>(clock_);
        addBuiltInDevices(*bus_);
    }
    return *bus_;
}

std::unique_ptr<SerialLine> StandardLineFactory::create(const QString& device) {
    if (device == QLatin1String(kSimulatedDevice)) {
        simulatedBus();
        return std::make_unique<SimulatedLine>(clock_, bus_);
    }
    return std::make_unique<QtSerialLine>(device);
}

} // namespace zu::sim
