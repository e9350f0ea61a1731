#include "shell/reply_gathering.h"

#include "core/app_state.h"
#include "core/codec.h"

namespace zu {

namespace {
constexpr std::uint8_t Lf = 10;
constexpr std::uint8_t Cr = 13;
} // namespace

ReplyGathering::ReplyGathering(AppState& state)
    : ApdComPortMain(state.clock(), state.lines(), state.ports()),
      ApdComPort1(state.clock(), state.lines(), state.ports()), state_(state) {
    ApdComPortMain.OnTrigger = [this](TApdComPort&, std::uint16_t msg, std::uint16_t handle,
                                      std::uint16_t data) {
        ApdComPortMainTrigger(msg, handle, data);
    };
    ApdComPort1.OnTrigger = [this](TApdComPort&, std::uint16_t msg, std::uint16_t handle,
                                   std::uint16_t data) { ApdComPort1Trigger(msg, handle, data); };
}

ReplyGathering::~ReplyGathering() {
    ApdComPortMain.OnTrigger = nullptr;
    ApdComPort1.OnTrigger = nullptr;
}

void ReplyGathering::ApdComPortMainTrigger(std::uint16_t message, std::uint16_t handle,
                                           std::uint16_t data) {
    AppState& s = state_;
    if (message == MsgDataAvailable) {
        ApdComPortMain.SetTimerTrigger(s.ProtocolTimerHandle, AppState::ProtocolTimeoutTicks,
                                       false);
        std::uint8_t last = 0;
        for (int i = 0; i < data; ++i) {
            last = ApdComPortMain.GetChar();
            if (s.RtuMode) {
                if (s.ProtocolRxText.size() + 2 <= ProtocolRxTextLimit)
                    s.ProtocolRxText += QString::fromStdString(codec::ByteToHex(last));
            } else if (last != Lf && last != Cr && s.ProtocolRxText.size() < ProtocolRxTextLimit) {
                s.ProtocolRxText += QChar(last);
            }
        }
        if (!s.RtuMode && data > 0 && last == Lf) {
            if (ProtocolReplyHandler)
                ProtocolReplyHandler();
            return;
        }
        ApdComPortMain.SetTimerTrigger(s.ProtocolTimerHandle, AppState::ProtocolTimeoutTicks, true);
        return;
    }
    if (message == MsgTimerExpired && handle == s.ProtocolTimerHandle) {
        ApdComPortMain.SetTimerTrigger(s.ProtocolTimerHandle, AppState::ProtocolTimeoutTicks,
                                       false);
        if (ProtocolReplyHandler)
            ProtocolReplyHandler();
    }
}

void ReplyGathering::ApdComPort1Trigger(std::uint16_t message, std::uint16_t handle,
                                        std::uint16_t data) {
    AppState& s = state_;
    if (message == MsgDataAvailable) {
        ApdComPort1.SetTimerTrigger(s.RecTimerTrigger, s.RecTimeoutTicks, false);
        std::uint8_t last = 0;
        for (int i = 0; i < data; ++i) {
            last = ApdComPort1.GetChar();
            // Bytes beyond the buffer are taken from the port and dropped; the
            // recorder's checks then reject the reply.
            if (s.RecReceiveLength >= AppState::RecReceiveBufferSize)
                continue;
            s.RecReceiveBuffer[std::size_t(s.RecReceiveLength++)] = last;
            if (s.RtuMode)
                s.RtuExpectedLength = codec::PredictRtuLength(
                    s.RtuExpectedLength, s.RecReceiveLength, s.RecReceiveBuffer.data());
        }
        const bool complete =
            data > 0 && (s.RtuMode ? s.RecReceiveLength == s.RtuExpectedLength : last == Lf);
        if (complete) {
            s.RecAwaitingReply = false;
            s.RecReplyError = 0;
            if (HandleSampleReply)
                HandleSampleReply();
            return;
        }
        ApdComPort1.SetTimerTrigger(s.RecTimerTrigger, s.RecTimeoutTicks, true);
        return;
    }
    if (message == MsgTimerExpired && handle == s.RecTimerTrigger) {
        ApdComPort1.SetTimerTrigger(s.RecTimerTrigger, s.RecTimeoutTicks, false);
        s.RecReplyError = (s.RtuMode && s.RecReceiveLength > 0) ? 0 : 15;
        s.RecAwaitingReply = false;
        if (HandleSampleReply)
            HandleSampleReply();
    }
}

} // namespace zu
