#include "core/clock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace zu {

void ClockTimer::setEnabled(bool on) {
    if (pending_) {
        clock_.cancel(pending_);
        pending_ = 0;
    }
    if (on)
        pending_ = clock_.callAfter(interval_, [this] { fire(); });
}

void ClockTimer::fire() {
    pending_ = 0;
    if (!singleShot_)
        pending_ = clock_.callAfter(interval_, [this] { fire(); });
    if (onTimeout)
        onTimeout();
}

TimerId CallbackQueue::add(std::int64_t due, std::function<void()> fn) {
    const TimerId id = nextId_++;
    queue_.emplace(Key{due, id}, std::move(fn));
    dueOf_[id] = due;
    return id;
}

void CallbackQueue::cancel(TimerId id) {
    auto it = dueOf_.find(id);
    if (it == dueOf_.end())
        return;
    queue_.erase(Key{it->second, id});
    dueOf_.erase(it);
}

std::pair<std::int64_t, std::function<void()>> CallbackQueue::takeNext() {
    auto node = queue_.extract(queue_.begin());
    dueOf_.erase(node.key().id);
    return {node.key().due, std::move(node.mapped())};
}

namespace {

// One QTimer armed for the earliest callback: a serial port re-arms its
// time-out at every chunk, and a timer object per callback would cost more
// than the polling itself.
class RealClock : public Clock {
  public:
    RealClock() {
        elapsed_.start();
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { runDue(); });
    }
    std::int64_t nowMs() const override { return elapsed_.elapsed(); }
    QTime timeOfDay() const override { return QTime::currentTime(); }
    TimerId callAfter(std::int64_t ms, std::function<void()> fn) override {
        const TimerId id = queue_.add(nowMs() + (ms < 0 ? 0 : ms), std::move(fn));
        rearm();
        return id;
    }
    void cancel(TimerId id) override {
        queue_.cancel(id);
        rearm();
    }

  private:
    void runDue() {
        // What the callbacks ask for now waits for the next turn of the event
        // loop, so a callback that keeps re-posting itself cannot starve I/O.
        const std::int64_t now = nowMs();
        const TimerId newest = queue_.lastAdded();
        while (!queue_.empty() && queue_.nextDue() <= now && queue_.nextId() <= newest)
            queue_.takeNext().second();
        rearm();
    }
    void rearm() {
        if (queue_.empty()) {
            timer_.stop();
            return;
        }
        const std::int64_t due = queue_.nextDue();
        if (timer_.isActive() && armedFor_ == due)
            return;
        armedFor_ = due;
        timer_.start(int(std::max<std::int64_t>(0, due - nowMs())));
    }

    QElapsedTimer elapsed_;
    QTimer timer_;
    CallbackQueue queue_;
    std::int64_t armedFor_ = -1;
};

} // namespace

std::unique_ptr<Clock> makeRealClock() {
    return std::make_unique<RealClock>();
}

TimerId VirtualClock::callAfter(std::int64_t ms, std::function<void()> fn) {
    return queue_.add(now_ + (ms < 0 ? 0 : ms), std::move(fn));
}

void VirtualClock::cancel(TimerId id) {
    queue_.cancel(id);
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t end = now_ + (ms < 0 ? 0 : ms);
    while (!queue_.empty() && queue_.nextDue() <= end) {
        auto [due, fn] = queue_.takeNext();
        now_ = due;
        fn();
    }
    now_ = end;
}

bool VirtualClock::step() {
    if (queue_.empty())
        return false;
    advance(queue_.nextDue() - now_);
    return true;
}

bool VirtualClock::advanceUntil(const std::function<bool()>& pred, std::int64_t maxMs) {
    const std::int64_t end = now_ + maxMs;
    while (!pred()) {
        if (queue_.empty() || queue_.nextDue() > end) {
            now_ = end;
            return pred();
        }
        advance(queue_.nextDue() - now_);
    }
    return true;
}

} // namespace zu
