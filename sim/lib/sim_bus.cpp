#include "sim/lib/sim_bus.h"

#include <algorithm>

namespace zu::sim {

namespace {

void spoilChecksum(Framing framing, std::vector<std::uint8_t>& frame) {
    if (frame.size() < 3)
        return;
    if (framing == Framing::Rtu) {
        frame.back() ^= 0x5A;
        return;
    }
    // The low LRC digit sits before CR LF.
    std::uint8_t& digit = frame[frame.size() - 3];
    digit = digit == '0' ? '1' : '0';
}

} // namespace

Bus::Bus(Clock& clock) : clock_(clock) {}

Bus::~Bus() {
    *alive_ = false;
}

Device& Bus::addDevice(char family, std::uint8_t address, const DeviceSetting& setting) {
    auto node = std::make_unique<Node>();
    node->device = std::make_unique<Device>(family, address, clock_, setting);
    syncParser(*node);
    devices_.push_back(std::move(node));
    return *devices_.back()->device;
}

Device* Bus::find(std::uint8_t address) {
    for (auto& n : devices_)
        if (n->device->address() == address)
            return n->device.get();
    return nullptr;
}

void Bus::syncParser(Node& node) {
    const DeviceSetting& s = node.device->setting();
    if (node.parserSetting == s && node.parser.framing() == s.framing)
        return;
    node.parser = RequestParser(s.framing);
    // Modbus ends an RTU frame after 3.5 characters of silence (1.75 ms at
    // the fast rates).
    const std::int64_t gap = std::max<std::int64_t>(charTimeUs(s.line) * 7 / 2, 1750);
    node.parser.setGapUs(gap);
    node.parserSetting = s;
}

void Bus::receive(std::span<const std::uint8_t> bytes, const LineSettings& line,
                  std::int64_t firstEndUs, std::int64_t perByteUs) {
    for (auto& node : devices_) {
        syncParser(*node);
        const LineSettings& own = node->device->setting().line;
        if (formatSeen_ ? !understands(own, line) : own.baud != line.baud) {
            // Framing errors and garbage: nothing this controller can use.
            node->parser.reset();
            continue;
        }
        for (const ParseEvent& e : node->parser.feed(bytes, firstEndUs, perByteUs)) {
            const std::uint8_t a = e.request.address;
            const bool mine = a == node->device->address() || a == 0;
            if (e.kind == ParseEvent::ChecksumError && mine)
                ++node->device->counters.checksumErrors;
            if (e.kind == ParseEvent::Frame && mine)
                onFrame(*node, e);
        }
    }
}

void Bus::onFrame(Node& node, const ParseEvent& event) {
    Device& d = *node.device;
    if (observer)
        observer(d, event.request);
    const std::vector<Fault> due = d.faultsForAnswer();
    for (const Fault& f : due)
        if (f.kind == FaultKind::Silence) {
            ++d.counters.faulted;
            return;
        }
    auto pdu = d.handle(event.request);
    if (!pdu)
        return;
    const DeviceSetting setting = d.setting();
    std::int64_t delayUs = wireTime_ ? std::int64_t(d.turnaroundMs()) * 1000 : 0;
    bool wrongAddress = false, badChecksum = false, truncated = false, noise = false;
    for (const Fault& f : due) {
        switch (f.kind) {
        case FaultKind::WrongAddress:
            wrongAddress = true;
            break;
        case FaultKind::BadChecksum:
            badChecksum = true;
            break;
        case FaultKind::Truncated:
            truncated = true;
            break;
        case FaultKind::Noise:
            noise = true;
            break;
        case FaultKind::Slow:
            delayUs += std::int64_t(f.param) * 1000;
            break;
        case FaultKind::Exception:
            *pdu = {(*pdu)[0], std::uint8_t(event.request.function | 0x80),
                    std::uint8_t(f.param)};
            ++d.counters.exceptions;
            break;
        default:
            break;
        }
    }
    if (!due.empty())
        ++d.counters.faulted;
    if (wrongAddress)
        (*pdu)[0] = std::uint8_t((*pdu)[0] % 247 + 1);
    std::vector<std::uint8_t> frame = encodeFrame(setting.framing, *pdu);
    if (badChecksum)
        spoilChecksum(setting.framing, frame);
    if (truncated)
        frame.resize(std::max<std::size_t>(1, frame.size() / 2));
    if (noise)
        frame.insert(frame.begin(), {0x00, 0xFF, 0x5A});
    const std::int64_t startUs = event.endUs + delayUs;
    const std::int64_t endUs = startUs + (wireTime_ ? wireTimeUs(setting.line, frame.size()) : 0);
    ++d.counters.replies;
    Device* dp = &d;
    schedule(startUs, [this, frame = std::move(frame), setting, startUs] {
        if (transmit)
            transmit(frame, setting, startUs);
    });
    applyAfterReply(*dp, endUs);
}

void Bus::applyAfterReply(Device& device, std::int64_t atUs) {
    const auto change = device.takePendingChange();
    const bool sync = device.takeSyncRequest();
    if (!change && !sync)
        return;
    Device* d = &device;
    schedule(atUs, [this, d, change, sync] {
        if (change) {
            d->setAddress(change->address);
            d->setSetting(change->setting);
        }
        if (sync)
            synchronise(*d);
    });
}

void Bus::synchronise(const Device& master) {
    bool after = false;
    int next = master.address();
    for (auto& node : devices_) {
        if (node->device.get() == &master) {
            after = true;
            continue;
        }
        if (!after)
            continue;
        next = next % 247 + 1;
        node->device->setAddress(std::uint8_t(next));
        node->device->setSetting(master.setting());
    }
}

void Bus::schedule(std::int64_t atUs, std::function<void()> fn) {
    const std::int64_t delayUs = atUs - nowUs();
    const std::int64_t delayMs = delayUs <= 0 ? 0 : (delayUs + 999) / 1000;
    std::weak_ptr<bool> alive = alive_;
    clock_.callAfter(delayMs, [alive, fn = std::move(fn)] {
        if (auto a = alive.lock(); a && *a)
            fn();
    });
}

} // namespace zu::sim
