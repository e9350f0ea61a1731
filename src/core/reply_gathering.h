#pragma once
// The main window's two serial ports and the gathering of their replies:
// ApdComPortMain for the communication-protocol window, ApdComPort1 for the
// recorder. The gathering decides when a reply is complete or has timed out
// and then calls the owning window's reply handler. It outlives the windows,
// and so does the reception state kept here. No widgets, so it is tested and
// fuzzed on its own.
#include "core/apd_com_port.h"
#include "core/reply_transaction.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace zu {

class AppState;

class ReplyGathering {
  public:
    explicit ReplyGathering(AppState& state);
    ~ReplyGathering();
    ReplyGathering(const ReplyGathering&) = delete;
    ReplyGathering& operator=(const ReplyGathering&) = delete;

    TApdComPort ApdComPortMain;
    TApdComPort ApdComPort1;

    // Filled by the protocol window and the recorder while they exist; empty
    // means nobody waits and a finished reply is dropped.
    std::function<void()> ProtocolReplyHandler;
    std::function<void()> HandleSampleReply;

    // --- the protocol window's port ---
    // Sends a request in the PC framing (RtuMode): the reply text starts
    // empty. The time-out of `ticks` starts when the request has left the
    // wire (to the millisecond) and is re-armed after every chunk. An
    // ASCII reply is handed over at LF, an RTU reply after its last byte by
    // the time-out; a time-out hands over whatever was gathered.
    PortResult SendProtocolRequest(const std::vector<std::uint8_t>& frame,
                                   int ticks = ProtocolTimeoutTicks);
    // The reply so far: ASCII characters without CR and LF, or two hex
    // digits per RTU byte.
    QString ProtocolRxText() const;
    static constexpr int ProtocolTimeoutTicks = 2;
    // The protocol window's work on ApdComPortMain is over (a scan or a
    // change ended): nobody waits for its replies or its line, the port is
    // closed and the line is free again.
    void ReleaseProtocolPort();
    // The text stops growing here: a line that never falls silent must not
    // eat memory; every reply the protocol window expects is far shorter.
    static constexpr int ProtocolRxTextLimit = 1024;

    // --- the recorder's port ---
    // Sends a sample request: complete at LF (ASCII) or at the predicted
    // length (RTU); an RTU time-out after some bytes hands them over as a
    // reply (an exception), any other time-out as error 15.
    PortResult SendSampleRequest(const std::vector<std::uint8_t>& frame);
    // The bytes of the reply so far, at most RecReceiveBufferSize; the rest
    // of a longer one is taken from the port and dropped.
    const std::vector<std::uint8_t>& RecReceived() const { return sampleReply_.bytes(); }
    static constexpr int RecReceiveBufferSize = 100;
    int RecReplyError = 0;
    bool RecAwaitingReply = false;
    int RecTimeoutTicks = 15;
    // The recorder's work on ApdComPort1 is over: the request in flight is
    // forgotten, the port closed (if a lost line has not closed it already)
    // and the line free again. The handlers stay bound: the recorder unbinds
    // them when it goes.
    void CloseSamplePort();

    // Bound to OnTrigger of the two ports.
    void ApdComPortMainTrigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);
    void ApdComPort1Trigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);

  private:
    AppState& state_;
    ReplyTransaction protocolReply_{ApdComPortMain};
    ReplyTransaction sampleReply_{ApdComPort1};
    bool protocolRtu_ = false;
};

} // namespace zu
