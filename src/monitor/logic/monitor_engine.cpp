// Slots, selection, the port and the window's life cycle. The request cycle
// itself (sending, receiving, the scheduler) is in monitor_engine_poll.cpp.
#include "monitor/logic/monitor_engine.h"

#include "core/app_state.h"
#include "core/texts.h"

#include <algorithm>

namespace zu {

namespace {

std::uint16_t ValidAddress(std::uint16_t a) {
    return std::clamp<std::uint16_t>(a, 1, 247);
}

} // namespace

MonitorEngine::MonitorEngine(AppState& app, MonitorView& view)
    : app_(app), view_(view), status_(app, model_, view),
      port_(app.clock(), app.lines(), app.ports()) {
    port_.OnTrigger = [this](TApdComPort&, std::uint16_t message, std::uint16_t handle,
                             std::uint16_t data) { reply_.onTrigger(message, handle, data); };
    reply_.onStray = [this](int) { onStrayBytes(); };
    port_.OnLineLost = [this](TApdComPort&, const QString& why) { onLineLost(why); };
}

MonitorEngine::~MonitorEngine() {
    if (spacingTimer_)
        app_.clock().cancel(spacingTimer_);
    port_.OnTrigger = nullptr;
    port_.OnLineLost = nullptr;
    closePort();
}

MonitorEngine::State MonitorEngine::state() const {
    if (closed_)
        return State::Closed;
    if (connectedCount_ == 0)
        return State::Idle;
    if (closeRequested_)
        return State::Closing;
    if (halted_)
        return State::Halted;
    return State::Polling;
}

bool MonitorEngine::consistent() const {
    if (closed_)
        return !port_.Open();
    if (awaitingReply_ || spacingTimer_ != 0)
        return true;
    if (connectedCount_ == 0 || halted_)
        return connectedCount_ != 0 || !port_.Open();
    return false;
}

// ---------------------------------------------------------------- window

void MonitorEngine::FormShow() {
    if (spacingTimer_)
        app_.clock().cancel(spacingTimer_);
    spacingTimer_ = 0;
    drain_ = draining_ = false;
    closePort();
    closed_ = false;
    halted_ = false;
    view_.recordLedPositions();

    connectedCount_ = 0;
    model_.RequestKind = 0;
    requestAddress_ = 0;
    model_.RequestSlot = 0;
    model_.SelectedSlot = 0;
    timeoutTicks_ = app_.Com.RtuMode ? 2 : 18;
    closeRequested_ = false;
    awaitingReply_ = false;
    inFlight_ = {};
    timeoutCount_ = readErrorCount_ = writeErrorCount_ = 0;
    faultRuns_ = {};
    lineLostShown_ = false;
    answered_.fill(false);
    readBackStage_ = 0;

    // Nothing of a previous showing continues: the queue and every transfer.
    model_.req = EngineRequests{};
    model_.req.ParameterRefresh = true;
    model_.PvRecordView = false;
    if (transfers_)
        transfers_->ClearImageState();

    for (MonitorMenu m : {MonitorMenu::SAVE1, MonitorMenu::SAVEAS1, MonitorMenu::DOWNLOAD1,
                          MonitorMenu::WRITEALL, MonitorMenu::RampSoakprogram1, MonitorMenu::FILE1,
                          MonitorMenu::PARAMETER1, MonitorMenu::VIEW1})
        view_.enableMenu(m, false);
    for (int i = 0; i < SlotCount; ++i) {
        DeviceSlot& s = model_.deviceSlots[i];
        s.identifyRequest = false;
        s.connected = false;
        s.ProgramRunning = 0;
        s.execCount = 0;
        s.errorCount = 0;
        view_.setExecCount(i, 0);
        view_.setErrCount(i, 0);
    }
    status_.Reset();
    if (trend_)
        trend_->ClearTrend();
}

void MonitorEngine::FormClose() {
    view_.enableTimer1(false);
    view_.enableMenu(MonitorMenu::FILE1, false);
    view_.enableMenu(MonitorMenu::PARAMETER1, false);
    view_.enableMenu(MonitorMenu::VIEW1, false);
    view_.checkMenu(MonitorMenu::SETTING1, false);
    view_.checkMenu(MonitorMenu::RECORD1, false);
    model_.req.ParameterPanelShown = false;
    model_.PvRecordView = false;
    if (spacingTimer_)
        app_.clock().cancel(spacingTimer_);
    spacingTimer_ = 0;
    drain_ = draining_ = false;
    awaitingReply_ = false;
    closeRequested_ = false;
    closePort();
    closed_ = true;
}

void MonitorEngine::Close2Click() {
    if (closed_)
        return;
    if (awaitingReply_) {
        closeRequested_ = true;
        return;
    }
    view_.closeWindow();
    FormClose();
}

void MonitorEngine::ClrBt0MouseDown(int slot) {
    if (slot < 0 || slot >= SlotCount)
        return;
    model_.deviceSlots[slot].execCount = 0;
    model_.deviceSlots[slot].errorCount = 0;
    view_.setExecCount(slot, 0);
    view_.setErrCount(slot, 0);
    const bool clean = std::all_of(model_.deviceSlots.begin(), model_.deviceSlots.end(),
                                   [](const DeviceSlot& s) { return s.errorCount == 0; });
    if (clean) {
        view_.setErrMessageText(text::NoError);
        view_.setErrMessageColour(Colour::Green);
    }
}

// ---------------------------------------------------------- slots, selection

void MonitorEngine::RunBt0Click(int slot) {
    if (slot < 0 || slot >= SlotCount || closed_)
        return;
    if (!model_.deviceSlots[slot].connected) {
        connectSlot(slot);
        return;
    }
    disconnectSlot(slot);
    // Nothing in flight (halted, or between frames): release the port now
    // rather than waiting for a reply that will not come.
    if (connectedCount_ == 0 && !awaitingReply_ && spacingTimer_ == 0)
        chooseAndSend();
}

void MonitorEngine::connectSlot(int slot) {
    DeviceSlot& s = model_.deviceSlots[slot];
    s.connected = true;
    ++connectedCount_;
    s.identifyRequest = true;
    s.DecimalChoice = -1; // whatever device answers now starts at one decimal
    faultRuns_[slot] = {};
    answered_[std::size_t(slot)] = false;
    view_.showSlotConnected(slot, true);
    // Connected is not answering: the lamp lights at the first good reply.
    view_.colourStatusLamp(slot, Colour::Grey);
    EngineRequests& q = model_.req;
    if (connectedCount_ == 1) {
        model_.SelectedSlot = std::uint8_t(slot);
        s.StatusByte = 255;
        q.ParameterRefresh = true;
        q.Unlocked = q.UnlockPending = q.WritePending = q.HiddenMode = false;
    }
    if (const DeviceSlot* sel = model_.selected(); sel && sel->connected)
        highlight(model_.SelectedSlot, true);
    if (trend_)
        trend_->ClearSlotSampling(slot);
    for (int i = 0; i < SlotCount; ++i)
        model_.deviceSlots[i].address = ValidAddress(addressEdits_[i]);
    if (connectedCount_ != 1)
        return; // picked up by the scheduler when it reaches the slot

    view_.enableMenu(MonitorMenu::FILE1, true);
    view_.enableMenu(MonitorMenu::PARAMETER1, true);
    view_.enableMenu(MonitorMenu::VIEW1, true);
    view_.checkMenu(MonitorMenu::SETTING1, true);
    view_.checkMenu(MonitorMenu::RECORD1, false);
    model_.RequestSlot = std::uint8_t(slot);
    model_.RequestKind = 0;
    s.identifyRequest = false;
    halted_ = false;
    if (!port_.Open() && !openPort()) {
        // Nothing stays half-open: the slot is shown disconnected again.
        s.connected = false;
        connectedCount_ = 0;
        model_.SelectedSlot = NoSlot;
        view_.resetSlot(slot);
        allDisconnected();
        return;
    }
    if (awaitingReply_) {
        // A frame of the previous polling is still out; its reply or time-out
        // starts the new polling.
        inFlight_.stale = true;
    } else {
        if (spacingTimer_)
            app_.clock().cancel(spacingTimer_);
        spacingTimer_ = 0;
        drain_ = draining_ = false;
        chooseAndSend();
    }
    view_.enableTimer1(true);
}

void MonitorEngine::disconnectSlot(int slot) {
    DeviceSlot& s = model_.deviceSlots[slot];
    if (!s.connected)
        return;
    s.connected = false;
    s.ProgramRunning = 0;
    if (connectedCount_ > 0)
        --connectedCount_;
    const bool wasSelected = slot == model_.SelectedSlot;
    EngineRequests& q = model_.req;
    if (wasSelected) {
        endTransfersEarly();
        if (s.Family == 'C')
            q.ReidentifySelected = true;
    }
    view_.resetSlot(slot);
    if (wasSelected)
        selectAfterLoss(slot);
    if (const DeviceSlot* sel = model_.selected(); sel && sel->connected)
        highlight(model_.SelectedSlot, true);
    if (connectedCount_ == 0)
        allDisconnected();
}

void MonitorEngine::selectAfterLoss(int slot) {
    model_.SelectedSlot = NoSlot;
    for (int k = 1; k < SlotCount; ++k) {
        const int i = (slot + k) % SlotCount;
        if (model_.deviceSlots[i].connected) {
            model_.SelectedSlot = std::uint8_t(i);
            model_.deviceSlots[i].StatusByte = 255;
            applyFamilyLayout();
            model_.req.ParameterRefresh = true;
            break;
        }
    }
    clearSelectionQueue();
}

// A transfer of the selected device ends with it; the progress it showed
// must not stand as if it went on.
void MonitorEngine::endTransfersEarly() {
    EngineRequests& q = model_.req;
    const bool running = q.DownloadActive || q.BulkReadStart || q.BulkReadActive;
    q.DownloadActive = q.BroadcastMode = q.BulkReadStart = q.BulkReadActive = false;
    if (running && transfers_)
        transfers_->TransferEndedEarly();
}

// What belongs to the selected device only ends when the selection moves.
void MonitorEngine::clearSelectionQueue() {
    EngineRequests& q = model_.req;
    if (editingWriteQueued())
        view_.showWriteOutcome(WriteOutcome::Cancelled, {});
    readBackStage_ = 0;
    q.Unlocked = q.UnlockPending = q.WritePending = q.HiddenMode = false;
    if (q.AdjustControlsShown) {
        if (panel_)
            panel_->ShowAdjustControls(false);
        q.AdjustControlsShown = false;
    }
}

void MonitorEngine::allDisconnected() {
    view_.enableTimer1(false);
    view_.enableMenu(MonitorMenu::FILE1, false);
    view_.enableMenu(MonitorMenu::PARAMETER1, false);
    view_.enableMenu(MonitorMenu::VIEW1, false);
    model_.req.ParameterPanelShown = false;
    model_.PvRecordView = false;
    view_.checkMenu(MonitorMenu::SETTING1, false);
    view_.checkMenu(MonitorMenu::RECORD1, false);
}

void MonitorEngine::ComAddr0Change(int slot,
                                   const std::array<std::uint16_t, SlotCount>& addresses) {
    for (int i = 0; i < SlotCount; ++i)
        addressEdits_[i] = ValidAddress(addresses[i]);
    if (slot < 0 || slot >= SlotCount || !model_.deviceSlots[slot].connected)
        return;
    model_.deviceSlots[slot].identifyRequest = true;
    model_.deviceSlots[slot].DecimalChoice = -1; // another device
    for (int i = 0; i < SlotCount; ++i)
        model_.deviceSlots[i].address = addressEdits_[i];
    if (slot != model_.SelectedSlot)
        return;
    if (trend_)
        trend_->ClearSlotSampling(slot);
    clearSelectionQueue();
}

void MonitorEngine::Adr0LbClick(int slot) {
    if (slot < 0 || slot >= SlotCount || !model_.deviceSlots[slot].connected ||
        slot == model_.SelectedSlot)
        return;
    EngineRequests& q = model_.req;
    q.ReidentifySelected = true;
    model_.deviceSlots[slot].StatusByte = 255;
    const int old = model_.SelectedSlot;
    highlight(slot, true);
    if (old < SlotCount)
        view_.highlightSelection(old, false);
    model_.SelectedSlot = std::uint8_t(slot);
    applyFamilyLayout();
    q.ParameterRefresh = true;
    endTransfersEarly();
    clearSelectionQueue();
}

void MonitorEngine::highlight(int slot, bool on) {
    view_.highlightSelection(slot, on);
    if (on && !answered_[std::size_t(slot)])
        view_.colourStatusLamp(slot, Colour::Grey);
}

bool MonitorEngine::editingWriteQueued() const {
    const EngineRequests& q = model_.req;
    return q.WritePending && !q.DownloadActive && !q.RampSoakWriteActive && !q.LockCommandPending;
}

void MonitorEngine::applyFamilyLayout() {
    const DeviceSlot* sel = model_.selected();
    if (!sel || sel->Family == FamilyUnknown)
        return;
    if (panel_)
        panel_->ApplyFamilyLayout(sel->Family);
    status_.ApplyFrontPanelLayout(sel->Family);
}

// ------------------------------------------------------------------ port

bool MonitorEngine::openPort() {
    port_.takeSetting(app_.Com);
    app_.PortOwner = PortMonitor;
    const PortResult opened = port_.setOpen(true);
    if (!opened) {
        app_.PortOwner = PortFree;
        view_.showPortOpenError(opened.message.toStdString());
        return false;
    }
    lineLostShown_ = false;
    return true;
}

void MonitorEngine::closePort() {
    if (!port_.Open())
        return;
    if (app_.PortOwner == PortMonitor)
        app_.PortOwner = PortFree;
    reply_.cancel();
    port_.setOpen(false);
}

void MonitorEngine::onLineLost(const QString& why) {
    // The component has closed the port by now.
    if (spacingTimer_)
        app_.clock().cancel(spacingTimer_);
    spacingTimer_ = 0;
    drain_ = draining_ = false;
    awaitingReply_ = false;
    reply_.cancel();
    halted_ = false;
    if (app_.PortOwner == PortMonitor)
        app_.PortOwner = PortFree;
    if (closeRequested_) {
        view_.closeWindow();
        FormClose();
        return;
    }
    const bool wasPolling = connectedCount_ > 0;
    for (int i = 0; i < SlotCount; ++i) {
        DeviceSlot& s = model_.deviceSlots[i];
        if (!s.connected)
            continue;
        s.connected = false;
        s.ProgramRunning = 0;
        view_.resetSlot(i);
    }
    connectedCount_ = 0;
    model_.SelectedSlot = NoSlot;
    EngineRequests& q = model_.req;
    endTransfersEarly();
    q.LockCommandPending = q.ReidentifySelected = false;
    clearSelectionQueue();
    allDisconnected();
    view_.resetFrontPanel();
    if (wasPolling && !lineLostShown_) {
        lineLostShown_ = true;
        lineLostNoticeUp_ = true;
        view_.showLineLost(why.toStdString());
    }
}

} // namespace zu
