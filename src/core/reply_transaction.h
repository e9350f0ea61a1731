#pragma once
// One request and its reply on a serial port component. The frame goes out
// with the time-out armed; the reply is gathered until it is complete (ASCII:
// a chunk ending in LF; RTU: the length its first bytes predict) or a
// time-out ends it, re-armed after every chunk. Each window keeps its own
// rules (time-out, grace, what an overflow does) as options, so they all
// wait for replies the same way and none assembles frames of its own.
#include "core/apd_com_port.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zu {

struct ReplyRules {
    bool rtu = false;
    int timeoutTicks = 18;
    // When > 0, the wait for the first byte instead, to the millisecond
    // (a time-out that starts once the request has left the wire).
    std::int64_t firstWaitMs = 0;
    // Bytes kept; the rest of a longer reply is taken from the port and dropped.
    int capacity = 100;
    // RTU: complete at the length predicted from the first bytes; when false
    // only silence (the time-out after the last chunk) ends an RTU reply.
    bool rtuPredictLength = true;
    // RTU: a reply shorter than this at its time-out gets one more time-out,
    // then it is taken as it is (a cut frame, an exception reply).
    int rtuMinimumLength = 0;
    // An overflowed reply ends at the time-out armed when it overflowed,
    // however long bytes keep coming. When false it goes on to its normal end.
    bool overflowEndsAtTimeout = true;
    // A broadcast: nobody answers, whatever comes is dropped, the time-out ends it.
    bool expectReply = true;
};

enum class ReplyEnd {
    Complete, // LF, or the predicted RTU length
    Silence,  // RTU: bytes came, then the line fell silent
    Overflow, // more than `capacity` came (with overflowEndsAtTimeout)
    TimedOut, // nothing (RTU), or no LF (ASCII), before the time-out
};

// The bytes of one reply as they are gathered.
class FrameAssembler {
  public:
    void reset(const ReplyRules& rules);
    void add(std::uint8_t b);
    // After a chunk whose last byte was `last`: is the frame complete?
    bool completedBy(std::uint8_t last) const;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    bool overflow() const { return overflow_; }
    int predictedLength() const { return rtuExpected_; }

  private:
    bool rtu_ = false;
    bool predict_ = true;
    int capacity_ = 100;
    std::vector<std::uint8_t> bytes_;
    bool overflow_ = false;
    int rtuExpected_ = 250;
};

struct GatheredReply {
    ReplyEnd end = ReplyEnd::TimedOut;
    const std::vector<std::uint8_t>& bytes;
    bool overflow = false;
};

class ReplyTransaction {
  public:
    explicit ReplyTransaction(TApdComPort& port);
    ~ReplyTransaction();
    ReplyTransaction(const ReplyTransaction&) = delete;
    ReplyTransaction& operator=(const ReplyTransaction&) = delete;

    using Done = std::function<void(const GatheredReply&)>;
    // Arms the time-out and sends; `done` runs once, from a port event. A
    // refused frame is reported here and the time-out still ends the wait.
    PortResult start(const std::vector<std::uint8_t>& frame, const ReplyRules& rules, Done done);
    // Forgets the request in flight: `done` is not called.
    void cancel();
    bool waiting() const { return waiting_; }
    const std::vector<std::uint8_t>& bytes() const { return frame_.bytes(); }

    // The owner of the port forwards its OnTrigger events here.
    void onTrigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);
    // Bytes that came while no reply was awaited (already taken from the port).
    std::function<void(int count)> onStray;

  private:
    void onData(int count);
    void onExpired();
    void finish(ReplyEnd end);
    void arm();

    TApdComPort& port_;
    std::uint16_t trigger_ = 0;
    ReplyRules rules_;
    FrameAssembler frame_;
    Done done_;
    bool waiting_ = false;
    bool grace_ = false;
};

} // namespace zu
