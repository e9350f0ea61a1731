#include "cli/headless_monitor_view.h"

#include "cli/cli_options.h"
#include "core/clock.h"
#include "core/texts.h"
#include "monitor/logic/monitor_engine.h"

#include <algorithm>

namespace zu::cli {

bool CycleTracker::requestSent(int kind) {
    if (kind >= 2 && kind <= 8) {
        const bool wrapped = last_ != 0 && kind < last_;
        last_ = kind;
        return wrapped;
    }
    if (kind >= 10) {
        const bool done = last_ != 0;
        last_ = 0;
        return done;
    }
    last_ = 0; // identification: the cycle starts again after it
    return false;
}

QString QuoteField(const QString& value) {
    if (value.isEmpty() || value.contains(QLatin1Char(' ')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

HeadlessMonitorView::HeadlessMonitorView(Clock& clock, std::function<void(const QString&)> print)
    : clock_(clock), print_(std::move(print)) {}

QString HeadlessMonitorView::stamp() const {
    return clock_.timeOfDay().toString(QStringLiteral("HH:mm:ss.zzz"));
}

int HeadlessMonitorView::addressOf(int slot) const {
    return engine_ ? engine_->model().deviceSlots[std::size_t(slot)].address : 0;
}

void HeadlessMonitorView::showSlotConnected(int slot, bool connected) {
    if (slot < 0 || slot >= SlotCount || !connected)
        return;
    slots_[std::size_t(slot)] = SlotShown{};
    slots_[std::size_t(slot)].connected = true;
    everConnected_ = true;
}

void HeadlessMonitorView::resetSlot(int slot) {
    if (slot < 0 || slot >= SlotCount)
        return;
    SlotShown& s = slots_[std::size_t(slot)];
    s.dropped = s.connected;
    s.connected = false;
    s.valuesShown = false;
    if (s.dropped && !dropCheckPending_) {
        dropCheckPending_ = true;
        clock_.callAfter(0, [this] { checkDrops(); });
    }
}

void HeadlessMonitorView::checkDrops() {
    dropCheckPending_ = false;
    if (ended_)
        return;
    for (int i = 0; i < SlotCount; ++i) {
        SlotShown& s = slots_[std::size_t(i)];
        if (!s.dropped)
            continue;
        s.dropped = false;
        const QString why =
            s.dropReason.isEmpty() ? QString::fromLatin1(text::DroppedNoReply) : s.dropReason;
        s.dropReason.clear();
        print_(QStringLiteral("%1 address=%2 dropped=%3")
                   .arg(stamp())
                   .arg(addressOf(i))
                   .arg(QLatin1Char('"') + why + QLatin1Char('"')));
    }
    const bool anyLeft =
        std::any_of(slots_.begin(), slots_.end(), [](const SlotShown& s) { return s.connected; });
    if (everConnected_ && !anyLeft)
        end(ExitTimeout, QStringLiteral("no controller answers any more; polling stopped"));
}

void HeadlessMonitorView::setSlotPv(int slot, const std::string& text, int) {
    if (slot < 0 || slot >= SlotCount)
        return;
    slots_[std::size_t(slot)].pv = QString::fromStdString(text);
    slots_[std::size_t(slot)].valuesShown = true;
}

void HeadlessMonitorView::setSlotSv(int slot, const std::string& text) {
    if (slot >= 0 && slot < SlotCount)
        slots_[std::size_t(slot)].sv = QString::fromStdString(text);
}

void HeadlessMonitorView::setExecCount(int, std::uint32_t count) {
    // Zero only comes from a reset; every request sent counts one up.
    if (count == 0 || !engine_)
        return;
    if (cycle_.requestSent(engine_->model().RequestKind))
        cycleDone();
}

void HeadlessMonitorView::cycleDone() {
    for (int i = 0; i < SlotCount; ++i) {
        const SlotShown& s = slots_[std::size_t(i)];
        if (!s.connected || !s.valuesShown)
            continue;
        const std::uint8_t family = engine_->model().deviceSlots[std::size_t(i)].Family;
        print_(QStringLiteral("%1 address=%2 family=%3 PV=%4 SV=%5")
                   .arg(stamp())
                   .arg(addressOf(i))
                   .arg(family == FamilyUnknown ? QStringLiteral("?") : QString(QChar(family)))
                   .arg(QuoteField(s.pv), QuoteField(s.sv)));
    }
}

void HeadlessMonitorView::setErrMessageText(const std::string& text) {
    if (ended_ || text == text::NoError)
        return;
    const QString t = QString::fromStdString(text);
    print_(QStringLiteral("%1 address=%2 error=%3")
               .arg(stamp())
               .arg(engine_ ? engine_->RequestAddress() : 0)
               .arg(QLatin1Char('"') + t + QLatin1Char('"')));
    // The engine halts on a reply from an address it does not poll: nothing
    // follows. A late reply from a polled address shows the same text, but
    // the engine sends the request again.
    if (engine_ && engine_->state() == MonitorEngine::State::Halted)
        end(ExitBadReply, QStringLiteral("a reply came from another address; polling halted"));
}

void HeadlessMonitorView::showSlotDropped(int slot, std::uint16_t, const std::string& why) {
    if (slot >= 0 && slot < SlotCount)
        slots_[std::size_t(slot)].dropReason = QString::fromStdString(why);
}

void HeadlessMonitorView::showPortOpenError(const std::string& message) {
    end(ExitPort, QString::fromStdString(message));
}

void HeadlessMonitorView::showLineLost(const std::string& message) {
    end(ExitPort, QString::fromStdString(message));
}

void HeadlessMonitorView::end(int exitCode, const QString& message) {
    if (ended_)
        return;
    ended_ = true;
    if (onEnd)
        onEnd({exitCode, message});
}

} // namespace zu::cli
