#include "core/clock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <unordered_map>

namespace zu {

void ClockTimer::setEnabled(bool on)
{
    if (pending_) {
        clock_.cancel(pending_);
        pending_ = 0;
    }
    if (on)
        pending_ = clock_.callAfter(interval_, [this] { fire(); });
}

void ClockTimer::fire()
{
    pending_ = 0;
    if (!singleShot_)
        pending_ = clock_.callAfter(interval_, [this] { fire(); });
    if (onTimeout)
        onTimeout();
}

namespace {

class RealClock : public Clock {
public:
    RealClock() { elapsed_.start(); }
    ~RealClock() override
    {
        for (auto& [id, t] : timers_)
            delete t;
    }
    std::int64_t nowMs() const override { return elapsed_.elapsed(); }
    QTime timeOfDay() const override { return QTime::currentTime(); }
    TimerId callAfter(std::int64_t ms, std::function<void()> fn) override
    {
        TimerId id = nextId_++;
        auto* t = new QTimer;
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, [this, id, fn = std::move(fn)] {
            auto it = timers_.find(id);
            if (it == timers_.end())
                return;
            it->second->deleteLater();
            timers_.erase(it);
            fn();
        });
        timers_[id] = t;
        t->start(int(ms < 0 ? 0 : ms));
        return id;
    }
    void cancel(TimerId id) override
    {
        auto it = timers_.find(id);
        if (it == timers_.end())
            return;
        it->second->stop();
        it->second->deleteLater();
        timers_.erase(it);
    }

private:
    QElapsedTimer elapsed_;
    TimerId nextId_ = 1;
    std::unordered_map<TimerId, QTimer*> timers_;
};

} // namespace

std::unique_ptr<Clock> makeRealClock() { return std::make_unique<RealClock>(); }

TimerId VirtualClock::callAfter(std::int64_t ms, std::function<void()> fn)
{
    TimerId id = nextId_++;
    std::int64_t due = now_ + (ms < 0 ? 0 : ms);
    queue_.emplace(Key{due, id}, std::move(fn));
    dueOf_[id] = due;
    return id;
}

void VirtualClock::cancel(TimerId id)
{
    auto it = dueOf_.find(id);
    if (it == dueOf_.end())
        return;
    queue_.erase(Key{it->second, id});
    dueOf_.erase(it);
}

void VirtualClock::advance(std::int64_t ms)
{
    const std::int64_t end = now_ + (ms < 0 ? 0 : ms);
    while (!queue_.empty() && queue_.begin()->first.due <= end) {
        auto node = queue_.extract(queue_.begin());
        dueOf_.erase(node.key().id);
        now_ = node.key().due;
        node.mapped()();
    }
    now_ = end;
}

bool VirtualClock::step()
{
    if (queue_.empty())
        return false;
    advance(queue_.begin()->first.due - now_);
    return true;
}

bool VirtualClock::advanceUntil(const std::function<bool()>& pred, std::int64_t maxMs)
{
    const std::int64_t end = now_ + maxMs;
    while (!pred()) {
        if (queue_.empty() || queue_.begin()->first.due > end) {
            now_ = end;
            return pred();
        }
        advance(queue_.begin()->first.due - now_);
    }
    return true;
}

} // namespace zu
