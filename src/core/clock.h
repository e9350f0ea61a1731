#pragma once
// The one source of time. Everything that waits (timer triggers, window timers,
// the RTU gap, record time stamps) asks a Clock, so tests run on virtual time.
#include <QTime>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace zu {

using TimerId = std::uint64_t;

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since the clock started; never goes back.
    virtual std::int64_t nowMs() const = 0;
    // Wall-clock time of day with milliseconds.
    virtual QTime timeOfDay() const = 0;
    // Runs fn once, on the owning thread, after at least ms milliseconds.
    virtual TimerId callAfter(std::int64_t ms, std::function<void()> fn) = 0;
    // A cancelled or already fired id is ignored.
    virtual void cancel(TimerId id) = 0;
};

// A repeating or single-shot timer on a Clock, as the windows' Timer1 need.
class ClockTimer {
  public:
    explicit ClockTimer(Clock& clock) : clock_(clock) {}
    ~ClockTimer() { stop(); }
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

    void setInterval(std::int64_t ms) { interval_ = ms; }
    std::int64_t interval() const { return interval_; }
    void setSingleShot(bool s) { singleShot_ = s; }
    // Enabling restarts the interval, as a window timer does.
    void setEnabled(bool on);
    bool enabled() const { return pending_ != 0; }
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }
    std::function<void()> onTimeout;

  private:
    void fire();
    Clock& clock_;
    std::int64_t interval_ = 1000;
    bool singleShot_ = false;
    TimerId pending_ = 0;
};

// Real time, on QElapsedTimer and one QTimer of the thread that uses it.
std::unique_ptr<Clock> makeRealClock();

// Callbacks ordered by due time, then by the order they were asked for.
class CallbackQueue {
  public:
    TimerId add(std::int64_t due, std::function<void()> fn);
    void cancel(TimerId id);
    bool empty() const { return queue_.empty(); }
    std::size_t size() const { return queue_.size(); }
    std::int64_t nextDue() const { return queue_.begin()->first.due; }
    TimerId nextId() const { return queue_.begin()->first.id; }
    TimerId lastAdded() const { return nextId_ - 1; }
    // Removes the earliest callback and returns it with its due time.
    std::pair<std::int64_t, std::function<void()>> takeNext();

  private:
    struct Key {
        std::int64_t due;
        TimerId id;
        bool operator<(const Key& o) const { return due != o.due ? due < o.due : id < o.id; }
    };
    TimerId nextId_ = 1;
    std::map<Key, std::function<void()>> queue_;
    std::map<TimerId, std::int64_t> dueOf_;
};

// Virtual time for tests: nothing happens until the test advances it.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(QTime startOfDay = QTime(12, 0, 0, 0)) : startOfDay_(startOfDay) {}
    std::int64_t nowMs() const override { return now_; }
    QTime timeOfDay() const override { return startOfDay_.addMSecs(int(now_ % 86400000)); }
    TimerId callAfter(std::int64_t ms, std::function<void()> fn) override;
    void cancel(TimerId id) override;

    // Runs every callback due up to now + ms, in time order, then stops at now + ms.
    void advance(std::int64_t ms);
    // Runs callbacks due now (a zero-delay callback posted by another).
    void runDue() { advance(0); }
    // Advances to the next due callback and runs it; false when none is pending.
    bool step();
    // Advances until pred() holds or maxMs have passed; returns pred().
    bool advanceUntil(const std::function<bool()>& pred, std::int64_t maxMs);
    std::size_t pendingCount() const { return queue_.size(); }

  private:
    std::int64_t now_ = 0;
    QTime startOfDay_;
    CallbackQueue queue_;
};

} // namespace zu
