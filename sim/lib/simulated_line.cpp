#include "sim/lib/simulated_line.h"

#include <algorithm>

namespace zu::sim {

SimulatedLine::SimulatedLine(Clock& clock, std::shared_ptr<Bus> bus)
    : clock_(clock), bus_(std::move(bus)) {}

SimulatedLine::~SimulatedLine() {
    close();
}

bool SimulatedLine::open(const LineSettings& settings, QString* error) {
    if (!bus_) {
        if (error)
            *error = QStringLiteral("The simulated line has no controllers.");
        return false;
    }
    close();
    open_ = true;
    txSettings_ = rxSettings_ = settings;
    txFreeUs_ = rxFreeUs_ = nowUs();
    bus_->transmit = [this](const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                            std::int64_t startUs) { onTransmit(bytes, from, startUs); };
    bus_->transmitOwner = this;
    return true;
}

void SimulatedLine::close() {
    if (!open_)
        return;
    open_ = false;
    ++*session_;
    if (bus_ && bus_->transmitOwner == this) {
        bus_->transmit = nullptr;
        bus_->transmitOwner = nullptr;
    }
}

void SimulatedLine::unplug() {
    if (!open_)
        return;
    close();
    if (failed)
        failed(QStringLiteral("The simulated adapter was unplugged."));
}

QString SimulatedLine::deviceName() const {
    return QStringLiteral("simulated line");
}

void SimulatedLine::at(std::int64_t atUs, std::function<void()> fn) {
    const std::int64_t delayUs = atUs - nowUs();
    const std::int64_t delayMs = delayUs <= 0 ? 0 : (delayUs + 999) / 1000;
    std::weak_ptr<int> session = session_;
    const int id = *session_;
    clock_.callAfter(delayMs, [session, id, fn = std::move(fn)] {
        auto s = session.lock();
        if (s && *s == id)
            fn();
    });
}

void SimulatedLine::applySettings(const LineSettings& settings) {
    txSettings_ = settings;
    if (!open_ || txFreeUs_ <= nowUs()) {
        rxSettings_ = settings;
        return;
    }
    // The UART changes once the bytes queued before have left.
    at(txFreeUs_, [this, settings] { rxSettings_ = settings; });
}

bool SimulatedLine::write(const QByteArray& bytes) {
    if (!open_)
        return false;
    if (bytes.isEmpty())
        return true;
    const std::int64_t start = std::max(nowUs(), txFreeUs_);
    const LineSettings line = txSettings_;
    const std::int64_t n = bytes.size();
    txFreeUs_ = start + wireTimeUs(line, n);
    bytesSent_ += n;
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    const std::int64_t perByte = charTimeUs(line);
    // Counted back from the exact end of the last byte, which ends the frame.
    const std::int64_t firstEnd = txFreeUs_ - (n - 1) * perByte;
    at(txFreeUs_, [this, data = std::move(data), line, firstEnd, perByte] {
        bus_->receive(data, line, firstEnd, perByte);
    });
    return true;
}

void SimulatedLine::onTransmit(const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                               std::int64_t startUs) {
    if (!open_)
        return;
    const std::int64_t start = std::max(startUs, rxFreeUs_);
    const std::int64_t n = std::int64_t(bytes.size());
    rxFreeUs_ = start + wireTimeUs(from.line, n);
    for (std::int64_t first = 0; first < n; first += chunk_) {
        const std::int64_t last = std::min(n, first + chunk_);
        QByteArray chunk(reinterpret_cast<const char*>(bytes.data()) + first, int(last - first));
        at(start + wireTimeUs(from.line, last), [this, chunk, line = from.line] {
            if (!understands(rxSettings_, line)) {
                bytesLost_ += chunk.size();
                return;
            }
            if (received)
                received(chunk);
        });
    }
}

} // namespace zu::sim
