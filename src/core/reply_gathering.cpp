#include "core/reply_gathering.h"

#include "core/app_state.h"
#include "core/codec.h"

namespace zu {

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

PortResult ReplyGathering::SendProtocolRequest(const std::vector<std::uint8_t>& frame, int ticks) {
    protocolRtu_ = state_.Com.RtuMode;
    ReplyRules rules;
    rules.rtu = protocolRtu_;
    rules.timeoutTicks = ticks;
    // A slow baud must not eat into the time a controller has to answer.
    rules.firstWaitMs = ApdComPortMain.lineSettings().wireMs(std::int64_t(frame.size())) +
                        std::int64_t(ticks) * TimerTickMs;
    // Room for the text limit: one hex pair per RTU byte; ASCII keeps its CR LF.
    rules.capacity = protocolRtu_ ? ProtocolRxTextLimit / 2 : ProtocolRxTextLimit + 2;
    rules.rtuPredictLength = false;
    rules.overflowEndsAtTimeout = false;
    return protocolReply_.start(frame, rules, [this](const GatheredReply&) {
        if (ProtocolReplyHandler)
            ProtocolReplyHandler();
    });
}

void ReplyGathering::ReleaseProtocolPort() {
    protocolReply_.cancel();
    ApdComPortMain.OnLineLost = nullptr;
    ProtocolReplyHandler = nullptr;
    if (ApdComPortMain.Open())
        ApdComPortMain.setOpen(false);
    state_.PortOwner = PortFree;
}

QString ReplyGathering::ProtocolRxText() const {
    QString text;
    for (std::uint8_t b : protocolReply_.bytes()) {
        if (protocolRtu_)
            text += QString::fromStdString(codec::ByteToHex(b));
        else if (b != '\r' && b != '\n')
            text += QChar(b);
    }
    return text.left(ProtocolRxTextLimit);
}

PortResult ReplyGathering::SendSampleRequest(const std::vector<std::uint8_t>& frame) {
    ReplyRules rules;
    rules.rtu = state_.Com.RtuMode;
    rules.timeoutTicks = RecTimeoutTicks;
    rules.capacity = RecReceiveBufferSize;
    // The recorder's own checks reject what overflowed.
    rules.overflowEndsAtTimeout = false;
    RecAwaitingReply = true;
    return sampleReply_.start(frame, rules, [this](const GatheredReply& r) {
        RecAwaitingReply = false;
        RecReplyError = r.end == ReplyEnd::TimedOut ? 15 : 0;
        if (HandleSampleReply)
            HandleSampleReply();
    });
}

void ReplyGathering::CloseSamplePort() {
    sampleReply_.cancel();
    RecAwaitingReply = false;
    if (ApdComPort1.Open())
        ApdComPort1.setOpen(false);
    state_.PortOwner = PortFree;
}

void ReplyGathering::ApdComPortMainTrigger(std::uint16_t message, std::uint16_t handle,
                                           std::uint16_t data) {
    protocolReply_.onTrigger(message, handle, data);
}

void ReplyGathering::ApdComPort1Trigger(std::uint16_t message, std::uint16_t handle,
                                        std::uint16_t data) {
    sampleReply_.onTrigger(message, handle, data);
}

} // namespace zu
