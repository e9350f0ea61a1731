#pragma once
// The serial port component every window talks through. Its semantics are the
// ones the windows were written against: timer triggers counted in 55 ms
// ticks, PutBlock returning at once, one OnTrigger event at a time on the
// owning thread (messages 32257 data available and 32259 timer expired).
// Failures are values: Open, PutBlock and SetTimerTrigger report them, and a
// line lost while open closes the port and calls OnLineLost once.
#include "core/clock.h"
#include "core/com_setting.h"
#include "core/serial_line.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace zu {

class AppState;
class PortDirectory;

inline constexpr std::uint16_t MsgDataAvailable = 32257;
inline constexpr std::uint16_t MsgTimerExpired = 32259;
inline constexpr int TimerTickMs = 55;
inline constexpr int PortBufferSize = 4096;

// Outcome of an operation of the component; message is empty on success.
struct PortResult {
    bool ok = true;
    QString message;
    explicit operator bool() const { return ok; }
    static PortResult failure(QString m) { return {false, std::move(m)}; }
};

class TApdComPort {
  public:
    // devices: maps ComNumber to a device string (the port directory of AppState).
    TApdComPort(Clock& clock, LineFactory& lines, const PortDirectory& devices);
    ~TApdComPort();
    TApdComPort(const TApdComPort&) = delete;
    TApdComPort& operator=(const TApdComPort&) = delete;

    std::uint16_t ComNumber() const { return comNumber_; }
    int Baud() const { return settings_.baud; }
    LineParity Parity() const { return settings_.parity; }
    std::uint16_t DataBits() const { return std::uint16_t(settings_.dataBits); }
    std::uint16_t StopBits() const { return std::uint16_t(settings_.stopBits); }
    bool Open() const { return line_ != nullptr; }
    const LineSettings& lineSettings() const { return settings_; }

    // Takes a PC line setting: port number, baud, data bits, stop bits and
    // parity (code 1 even, 2 odd, else none).
    void takeSetting(const ComSetting& com);
    // While open, re-opens the port on the new number, keeping the triggers.
    PortResult setComNumber(std::uint16_t n);
    // While open, applied after the bytes already queued have gone out.
    void setBaud(int baud);
    void setParity(LineParity parity);
    void setDataBits(std::uint16_t bits);
    void setStopBits(std::uint16_t bits);
    // Opening a missing, busy or forbidden port, or ComNumber 0, fails with a
    // message and leaves the port closed.
    PortResult setOpen(bool open);

    // A new inactive timer trigger; handles are > 0.
    std::uint16_t AddTimerTrigger();
    // activate: (re)start with ticks (when not 0); else stop. Unknown handle: failure.
    PortResult SetTimerTrigger(std::uint16_t handle, int ticks, bool activate);
    // (Re)starts a trigger to fire `ms` from now, to the millisecond rather
    // than in whole ticks; its tick count is kept for later SetTimerTrigger calls.
    PortResult SetTimerTriggerMs(std::uint16_t handle, std::int64_t ms);
    // Queues the bytes; failure when the port is closed or the output buffer is full.
    PortResult PutBlock(const void* data, std::uint16_t length);
    // The next announced byte inside a data-available event (0 when none is left).
    std::uint8_t GetChar();

    // (port, message, trigger handle, data)
    std::function<void(TApdComPort&, std::uint16_t, std::uint16_t, std::uint16_t)> OnTrigger;
    // The line broke while open (unplugged adapter, I/O error); the port is closed by then.
    std::function<void(TApdComPort&, const QString&)> OnLineLost;

    QString deviceName() const;
    // Bytes still in the input buffer (not yet announced or not yet taken).
    int inputCount() const { return int(input_.size()); }

  private:
    struct Trigger {
        int ticks = 0;
        bool active = false;
        TimerId pending = 0;
    };
    void onReceived(const QByteArray& bytes);
    void onFailed(const QString& why);
    void postDelivery();
    void deliver();
    Trigger* stopTrigger(std::uint16_t handle);
    void startTrigger(Trigger& t, std::uint16_t handle, std::int64_t afterMs);
    static PortResult unknownTrigger(std::uint16_t handle);
    void fireTrigger(std::uint16_t handle);
    void closeLine();
    PortResult openLine();

    Clock& clock_;
    LineFactory& lines_;
    const PortDirectory& devices_;
    std::uint16_t comNumber_ = 0;
    LineSettings settings_{};
    std::unique_ptr<SerialLine> line_;
    std::deque<std::uint8_t> input_;
    std::map<std::uint16_t, Trigger> triggers_;
    std::uint16_t nextHandle_ = 1;
    // Events wait here until the owning thread is free; a data event announces
    // every byte still untaken when it is delivered.
    struct Event {
        std::uint16_t message;
        std::uint16_t handle;
    };
    std::deque<Event> events_;
    TimerId deliveryPending_ = 0;
    bool inHandler_ = false;
    bool inPutBlock_ = false;
    int announcedLeft_ = 0; // bytes GetChar may still take in the running handler
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace zu
