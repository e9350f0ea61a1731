#include "core/reply_transaction.h"

#include "core/codec.h"

namespace zu {

// ---------------------------------------------------------------- assembler

void FrameAssembler::reset(const ReplyRules& rules) {
    rtu_ = rules.rtu;
    predict_ = rules.rtuPredictLength;
    capacity_ = rules.capacity;
    bytes_.clear();
    overflow_ = false;
    rtuExpected_ = 250;
}

void FrameAssembler::add(std::uint8_t b) {
    if (int(bytes_.size()) >= capacity_) {
        overflow_ = true;
        return;
    }
    bytes_.push_back(b);
    if (rtu_ && predict_)
        rtuExpected_ = codec::PredictRtuLength(rtuExpected_, int(bytes_.size()), bytes_.data());
}

bool FrameAssembler::completedBy(std::uint8_t last) const {
    if (!rtu_)
        return last == '\n';
    return predict_ && int(bytes_.size()) == rtuExpected_;
}

// -------------------------------------------------------------- transaction

ReplyTransaction::ReplyTransaction(TApdComPort& port) : port_(port) {
    trigger_ = port_.AddTimerTrigger();
}

ReplyTransaction::~ReplyTransaction() {
    port_.SetTimerTrigger(trigger_, 0, false);
}

PortResult ReplyTransaction::start(const std::vector<std::uint8_t>& frame, const ReplyRules& rules,
                                   Done done) {
    rules_ = rules;
    frame_.reset(rules);
    done_ = std::move(done);
    grace_ = false;
    waiting_ = true;
    if (rules_.firstWaitMs > 0)
        port_.SetTimerTriggerMs(trigger_, rules_.firstWaitMs);
    else
        arm();
    return port_.PutBlock(frame.data(), std::uint16_t(frame.size()));
}

void ReplyTransaction::cancel() {
    waiting_ = false;
    done_ = nullptr;
    port_.SetTimerTrigger(trigger_, 0, false);
}

void ReplyTransaction::arm() {
    port_.SetTimerTrigger(trigger_, rules_.timeoutTicks, true);
}

void ReplyTransaction::onTrigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data) {
    if (message == MsgDataAvailable)
        onData(data);
    else if (message == MsgTimerExpired && handle == trigger_ && waiting_)
        onExpired();
}

void ReplyTransaction::onData(int count) {
    const bool dropped = frame_.overflow() && rules_.overflowEndsAtTimeout;
    if (!waiting_ || !rules_.expectReply || dropped) {
        for (int i = 0; i < count; ++i)
            port_.GetChar();
        if (!waiting_ && onStray)
            onStray(count);
        return;
    }
    port_.SetTimerTrigger(trigger_, 0, false);
    std::uint8_t last = 0;
    for (int i = 0; i < count; ++i) {
        last = port_.GetChar();
        frame_.add(last);
    }
    const bool complete = count > 0 && frame_.completedBy(last);
    // A runaway reply: the time-out armed now ends it, however long the
    // bytes keep coming.
    if (frame_.overflow() && rules_.overflowEndsAtTimeout) {
        arm();
        return;
    }
    if (complete) {
        finish(ReplyEnd::Complete);
        return;
    }
    arm();
}

void ReplyTransaction::onExpired() {
    port_.SetTimerTrigger(trigger_, 0, false);
    const int n = int(frame_.bytes().size());
    if (frame_.overflow() && rules_.overflowEndsAtTimeout) {
        finish(ReplyEnd::Overflow);
        return;
    }
    if (rules_.expectReply && rules_.rtu && n > 0) {
        if (n < rules_.rtuMinimumLength && !grace_) {
            grace_ = true;
            arm();
            return;
        }
        finish(ReplyEnd::Silence);
        return;
    }
    finish(ReplyEnd::TimedOut);
}

void ReplyTransaction::finish(ReplyEnd end) {
    waiting_ = false;
    // Moved out first: the callback may start the next request, or end the
    // owner and with it this object.
    Done done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(GatheredReply{end, frame_.bytes(), frame_.overflow()});
}

} // namespace zu
