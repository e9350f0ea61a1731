#include "core/apd_com_port.h"

#include "core/app_state.h"
#include "core/port_directory.h"

#include <algorithm>

namespace zu {

TApdComPort::TApdComPort(Clock& clock, LineFactory& lines, const PortDirectory& devices)
    : clock_(clock), lines_(lines), devices_(devices) {}

TApdComPort::~TApdComPort() {
    *alive_ = false;
    closeLine();
}

QString TApdComPort::deviceName() const {
    if (line_)
        return line_->deviceName();
    return devices_.device(comNumber_);
}

void TApdComPort::takeSetting(const ComSetting& com) {
    setComNumber(std::uint16_t(com.ComPortNumber));
    setBaud(com.ComBaud);
    setDataBits(std::uint16_t(com.ComDataBits));
    setStopBits(std::uint16_t(com.ComStopBits));
    setParity(com.ComParityCode == 1   ? LineParity::Even
              : com.ComParityCode == 2 ? LineParity::Odd
                                       : LineParity::None);
}

PortResult TApdComPort::setComNumber(std::uint16_t n) {
    if (!line_) {
        comNumber_ = n;
        return {};
    }
    closeLine();
    comNumber_ = n;
    return openLine();
}

void TApdComPort::setBaud(int baud) {
    settings_.baud = baud;
    if (line_)
        line_->applySettings(settings_);
}

void TApdComPort::setParity(LineParity parity) {
    settings_.parity = parity;
    if (line_)
        line_->applySettings(settings_);
}

void TApdComPort::setDataBits(std::uint16_t bits) {
    settings_.dataBits = bits;
    if (line_)
        line_->applySettings(settings_);
}

void TApdComPort::setStopBits(std::uint16_t bits) {
    settings_.stopBits = bits;
    if (line_)
        line_->applySettings(settings_);
}

PortResult TApdComPort::setOpen(bool open) {
    if (!open) {
        closeLine();
        return {};
    }
    if (line_)
        return {};
    return openLine();
}

PortResult TApdComPort::openLine() {
    if (comNumber_ == 0)
        return PortResult::failure(QStringLiteral(
            "No serial port is selected (COM0). Choose a port with PROTOCOL > SET PC COM."));
    const QString device = devices_.device(comNumber_);
    if (device.isEmpty())
        return PortResult::failure(
            QStringLiteral(
                "COM%1 is not assigned to any device on this PC. Choose another port with "
                "PROTOCOL > SET PC COM, or map it in %2.")
                .arg(comNumber_)
                .arg(PortDirectory::mapFilePath()));
    std::unique_ptr<SerialLine> line = lines_.create(device);
    if (!line)
        return PortResult::failure(
            QStringLiteral("COM%1 (%2) cannot be opened.").arg(comNumber_).arg(device));
    QString error;
    if (!line->open(settings_, &error))
        return PortResult::failure(QStringLiteral("COM%1: %2").arg(comNumber_).arg(error));
    line->received = [this](const QByteArray& bytes) { onReceived(bytes); };
    line->failed = [this](const QString& why) { onFailed(why); };
    line_ = std::move(line);
    return {};
}

void TApdComPort::closeLine() {
    for (auto& [handle, t] : triggers_) {
        if (t.pending)
            clock_.cancel(t.pending);
        t.pending = 0;
        t.active = false;
    }
    if (deliveryPending_)
        clock_.cancel(deliveryPending_);
    deliveryPending_ = 0;
    events_.clear();
    input_.clear();
    announcedLeft_ = 0;
    if (line_) {
        line_->received = nullptr;
        line_->failed = nullptr;
        line_->close();
        line_.reset();
    }
}

std::uint16_t TApdComPort::AddTimerTrigger() {
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    const std::uint16_t h = nextHandle_++;
    triggers_[h] = Trigger{};
    return h;
}

TApdComPort::Trigger* TApdComPort::stopTrigger(std::uint16_t handle) {
    auto it = triggers_.find(handle);
    if (it == triggers_.end())
        return nullptr;
    Trigger& t = it->second;
    if (t.pending)
        clock_.cancel(t.pending);
    t.pending = 0;
    t.active = false;
    // An expiry already waiting for delivery belongs to the old arming.
    std::erase_if(events_, [handle](const Event& e) {
        return e.message == MsgTimerExpired && e.handle == handle;
    });
    return &t;
}

void TApdComPort::startTrigger(Trigger& t, std::uint16_t handle, std::int64_t afterMs) {
    t.active = true;
    t.pending = clock_.callAfter(afterMs, [this, handle] { fireTrigger(handle); });
}

PortResult TApdComPort::SetTimerTrigger(std::uint16_t handle, int ticks, bool activate) {
    Trigger* t = stopTrigger(handle);
    if (!t)
        return unknownTrigger(handle);
    if (!activate)
        return {};
    if (ticks != 0)
        t->ticks = ticks;
    if (!line_)
        return {}; // a closed port checks no timers
    // The component counts whole ticks: armed at tick s with t ticks, it fires
    // once the tick count exceeds s + t.
    const std::int64_t now = clock_.nowMs();
    startTrigger(*t, handle, (now / TimerTickMs + t->ticks + 1) * TimerTickMs - now);
    return {};
}

PortResult TApdComPort::SetTimerTriggerMs(std::uint16_t handle, std::int64_t ms) {
    Trigger* t = stopTrigger(handle);
    if (!t)
        return unknownTrigger(handle);
    if (line_)
        startTrigger(*t, handle, std::max<std::int64_t>(ms, 0));
    return {};
}

PortResult TApdComPort::unknownTrigger(std::uint16_t handle) {
    return PortResult::failure(QStringLiteral("Timer trigger %1 was not allocated").arg(handle));
}

void TApdComPort::fireTrigger(std::uint16_t handle) {
    auto it = triggers_.find(handle);
    if (it == triggers_.end())
        return;
    it->second.pending = 0;
    if (!it->second.active)
        return;
    it->second.active = false;
    events_.push_back({MsgTimerExpired, handle});
    postDelivery();
}

PortResult TApdComPort::PutBlock(const void* data, std::uint16_t length) {
    if (!line_)
        return PortResult::failure(QStringLiteral("The serial port is not open"));
    if (length > PortBufferSize)
        return PortResult::failure(QStringLiteral("Output buffer full"));
    const QByteArray bytes(static_cast<const char*>(data), length);
    inPutBlock_ = true;
    const bool written = line_->write(bytes);
    inPutBlock_ = false;
    if (!written)
        return PortResult::failure(QStringLiteral("Writing to %1 failed").arg(deviceName()));
    return {};
}

std::uint8_t TApdComPort::GetChar() {
    if (announcedLeft_ <= 0 || input_.empty())
        return 0;
    --announcedLeft_;
    const std::uint8_t b = input_.front();
    input_.pop_front();
    return b;
}

void TApdComPort::onReceived(const QByteArray& bytes) {
    // A full input buffer overruns: the bytes that do not fit are lost, as on a UART.
    const std::size_t room = PortBufferSize > input_.size() ? PortBufferSize - input_.size() : 0;
    const std::size_t n = std::min<std::size_t>(room, std::size_t(bytes.size()));
    input_.insert(input_.end(), bytes.constBegin(), bytes.constBegin() + qsizetype(n));
    const bool dataQueued = std::any_of(events_.begin(), events_.end(), [](const Event& e) {
        return e.message == MsgDataAvailable;
    });
    if (!dataQueued && n > 0) {
        events_.push_back({MsgDataAvailable, 0});
        // Bytes from the event loop go straight to the owner when nothing else
        // waits: a posted delivery would cost a second wake-up per chunk.
        if (!inHandler_ && !inPutBlock_ && events_.size() == 1 && !deliveryPending_)
            deliver();
        else
            postDelivery();
    }
}

void TApdComPort::onFailed(const QString& why) {
    // Called from inside the line: let it finish before it is destroyed.
    std::shared_ptr<SerialLine> dead(line_.release());
    if (dead) {
        dead->received = nullptr;
        dead->failed = nullptr;
    }
    closeLine();
    std::weak_ptr<bool> alive = alive_;
    clock_.callAfter(0, [this, alive, dead, why] {
        if (dead)
            dead->close();
        if (alive.expired() || !*alive.lock())
            return;
        if (OnLineLost)
            OnLineLost(*this, why);
    });
}

void TApdComPort::postDelivery() {
    if (deliveryPending_ || inHandler_ || events_.empty())
        return;
    deliveryPending_ = clock_.callAfter(0, [this] {
        deliveryPending_ = 0;
        deliver();
    });
}

void TApdComPort::deliver() {
    if (inHandler_ || events_.empty() || !line_)
        return;
    const Event e = events_.front();
    events_.pop_front();
    std::uint16_t handle = e.handle;
    std::uint16_t data = 0;
    if (e.message == MsgDataAvailable) {
        if (input_.empty()) {
            postDelivery();
            return;
        }
        data = std::uint16_t(input_.size());
        handle = data;
        announcedLeft_ = data;
    }
    std::weak_ptr<bool> alive = alive_;
    inHandler_ = true;
    // A copy, so a handler may replace OnTrigger or destroy the port.
    if (auto handler = OnTrigger)
        handler(*this, e.message, handle, data);
    if (alive.expired())
        return;
    inHandler_ = false;
    announcedLeft_ = 0;
    postDelivery();
}

} // namespace zu
