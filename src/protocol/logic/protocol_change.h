#pragma once
// The change of a controller's address and line setting: the 0x470B write in
// its present setting, then, when asked, the 0x4722 auto-synchronise write in
// the new one, each acknowledged by its echo. No widgets: the device face of
// the protocol window and `zucomm set-protocol` are faces over it.
#include "core/apd_com_port.h"
#include "device/device_comm.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace zu {

class AppState;
class ReplyGathering;

// The port's line setting for a controller's setting (parity code 0 none, 1 even, 2 odd).
LineSettings LineOfDevice(const DeviceLine& d);
// The write of a step: 1 register 0x470B = new address x 256 + setting
// byte, 2 register 0x4722 = 1; to `address`, 17 characters or 8 bytes.
std::vector<std::uint8_t> ProtocolWriteFrame(int step, bool rtu, int address, int newAddress,
                                             std::uint8_t commByte);
// The reply is the exact echo of the write: in ASCII the request without CR
// LF, in RTU its eight bytes as hex pairs.
bool IsEchoOf(const QString& rxText, const std::vector<std::uint8_t>& request, bool rtu);
// An address a controller can be given and reached at again: 1-247.
inline bool IsDeviceAddress(int a) {
    return a >= 1 && a <= 247;
}

struct ProtocolChangeOrder {
    int port = 1;
    int beforeAddress = 1;
    DeviceLine before;
    int afterAddress = 1;
    DeviceLine after;
    bool sync = false;
};

class ProtocolChange {
  public:
    // showUserMessage(code, then): shows the user message and calls `then`
    // once it has closed. Empty: the sequence waits the message's time on
    // the clock (500 ms for 252, 3 s for 251) and tells onUserMessage.
    using UserMessage = std::function<void(int code, std::function<void()> then)>;
    ProtocolChange(AppState& state, ReplyGathering& replies, UserMessage showUserMessage = {});
    ~ProtocolChange();
    ProtocolChange(const ProtocolChange&) = delete;
    ProtocolChange& operator=(const ProtocolChange&) = delete;

    // SET: starts the sequence; false when the order names an address or
    // setting that cannot be written (nothing is sent then).
    bool start(const ProtocolChangeOrder& order);
    // Ends a running change quietly (its window goes); the port is closed.
    void stop();

    void AdvanceProtocolChange();

    bool running() const { return running_; }
    int ChangeStep() const { return step_; }
    bool SyncDone() const { return syncDone_; }
    // The present address and setting: the new ones once step 1 is acknowledged.
    int BeforeAddress() const { return order_.beforeAddress; }
    const DeviceLine& before() const { return order_.before; }
    const QString& text() const { return text_; }
    bool succeeded() const { return !running_ && text_ == successText(); }
    const std::vector<std::uint8_t>& ProtocolRequest() const { return request_; }

    std::function<void()> onStep;
    std::function<void(int code)> onUserMessage;
    // Over: success, or a data or time-out error (text() tells which);
    // `portError` holds the port's message when it could not be opened.
    std::function<void(const QString& portError)> onFinished;

    static QString successText();

  private:
    void SendProtocolWrite();
    void ProtocolReplyHandler();
    void userMessage(int code, std::function<void()> then);
    void finish(const QString& text, const QString& portError = {});

    AppState& state_;
    ReplyGathering& replies_;
    UserMessage showUserMessage_;
    ProtocolChangeOrder order_;
    bool running_ = false;
    int step_ = 0;
    bool wrote_ = false;
    bool syncDone_ = false;
    bool savedRtu_ = false;
    QString text_;
    std::vector<std::uint8_t> request_;
    TimerId wait_ = 0;
};

} // namespace zu
