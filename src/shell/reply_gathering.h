#pragma once
// The main window's two serial ports and their receive handlers: ApdComPortMain
// gathers replies for the communication-protocol window, ApdComPort1 for the
// recorder. A handler decides when a reply is complete or has timed out and
// then calls the owning window's reply handler. No widgets here, so the
// gathering is tested and fuzzed on its own.
#include "core/apd_com_port.h"

#include <cstdint>
#include <functional>

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

    // Bound to OnTrigger of the two ports.
    void ApdComPortMainTrigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);
    void ApdComPort1Trigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);

    // ProtocolRxText stops growing here: a line that never falls silent must
    // not eat memory; every reply the protocol window expects is far shorter.
    static constexpr int ProtocolRxTextLimit = 1024;

  private:
    AppState& state_;
};

} // namespace zu
