// The request cycle of the monitor engine: choosing and sending the next
// frame, receiving and checking its reply, failure handling and the scheduler.
#include "core/app_state.h"
#include "core/codec.h"
#include "core/texts.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/logic/poll_table.h"

#include <algorithm>
#include <optional>

namespace zu {

namespace {

// RTU frames to two or more devices are spaced by more than 20 ms.
constexpr int RtuSpacingMs = 21;
// After a garbled or unexpected reply the rest of it (or a late answer
// behind it) may still be on the line: the retry waits until the line has
// been quiet this long, so replies cannot slip one request behind.
constexpr int QuietGapMs = 50;
constexpr int MaxDrainMs = 1000;
// Bound of the turns the chooser may skip before something goes out.
constexpr int MaxSkippedTurns = 64;
// Time-outs and faulty answers in a row after which a slot is dropped.
constexpr int MaxFaultsInARow = 4;

} // namespace

// ------------------------------------------------------------------ sending

void MonitorEngine::chooseAndSend() {
    if (closed_)
        return;
    if (connectedCount_ == 0)
        halted_ = false; // the user ended the halt by disconnecting every slot
    if (halted_)
        return;
    for (int turn = 0; turn < MaxSkippedTurns; ++turn) {
        if (connectedCount_ == 0) {
            view_.resetFrontPanel();
            closePort();
            return;
        }
        if (!port_.Open())
            return;
        EngineRequests& q = model_.req;
        DeviceSlot* sel = model_.selected();
        if (sel && !sel->connected)
            sel = nullptr;
        const int selected = sel ? model_.SelectedSlot : -1;
        requestAddress_ = sel ? sel->address : 0;
        if (sel) {
            if (q.DownloadActive) {
                if (transfers_)
                    transfers_->PrepareDownloadWrite();
            } else if (q.RampSoakWriteActive) {
                if (rampSoak_)
                    rampSoak_->PrepareRampSoakWrite();
            }
            if (q.UnlockPending) {
                sendRequest(0x06, regmap::UnlockRegister(sel->Family), regmap::UnlockWord,
                            model_.RequestKind, selected, false);
                return;
            }
            if (q.WritePending) {
                sendRequest(0x06, q.PendingRegister, q.PendingValue, model_.RequestKind, selected,
                            false);
                q.Unlocked = false;
                return;
            }
            if (q.BulkReadStart || q.BulkReadActive) {
                q.BulkReadActive = true;
                q.BulkReadStart = false;
                sendRequest(0x03, q.BulkReadRegister, 1, model_.RequestKind, selected, true);
                return;
            }
            if (q.RampSoakReadStart || q.RampSoakReadActive) {
                q.RampSoakReadActive = true;
                q.RampSoakReadStart = false;
                sendRequest(0x03, regmap::BulkRampSoak, 1, model_.RequestKind, selected, true);
                return;
            }
        }
        const int kind = model_.RequestKind;
        const int slot = kind < 10 ? model_.RequestSlot : selected;
        if (slot >= 0 && slot < SlotCount && model_.deviceSlots[slot].connected) {
            if (const auto read = PollRequestOf(kind, model_.deviceSlots[slot])) {
                requestAddress_ = model_.deviceSlots[slot].address;
                sendRequest(read->function, read->start, read->count, kind, slot, false);
                return;
            }
        } else if (kind >= 10) {
            // The parameter read-back lost its device: back to the status cycle.
            model_.RequestKind = 2;
            model_.RequestSlot = 0;
        }
        // A device of unknown family gets no status or parameter frame: skip
        // its turn. It is identified again once per cycle (decision point), so
        // it neither stalls the engine nor holds up the other slots.
        advanceScheduler();
    }
    // Only slots of unknown family, and nothing queued: identify them again.
    for (DeviceSlot& s : model_.deviceSlots)
        if (s.connected)
            s.identifyRequest = true;
    for (int i = 0; i < SlotCount; ++i) {
        if (model_.deviceSlots[i].connected) {
            model_.deviceSlots[i].identifyRequest = false;
            model_.RequestSlot = std::uint8_t(i);
            model_.RequestKind = 0;
            requestAddress_ = model_.deviceSlots[i].address;
            sendRequest(regmap::IdentFunction, regmap::IdentRegister, regmap::IdentCount, 0, i,
                        false);
            return;
        }
    }
}

void MonitorEngine::sendRequest(int function, int reg, int operand, int kind, int slot, bool bulk) {
    const EngineRequests& q = model_.req;
    const bool rtu = app_.Com.RtuMode;
    SentRequest rq;
    rq.rtu = rtu;
    rq.address = q.BroadcastMode ? 0 : requestAddress_;
    rq.function = function;
    rq.reg = reg & 0xFFFF;
    rq.operand = operand & 0xFFFF;
    rq.frame = codec::BuildRequest(rtu, rq.address, function, rq.reg, rq.operand);
    const ReplyWait wait = rq.address == 0                       ? ReplyWait::Broadcast
                           : (q.UnlockPending || q.WritePending) ? ReplyWait::Write
                                                                 : ReplyWait::Read;
    timeoutTicks_ = ReplyTimeoutTicks(rtu, app_.Com.ComBaud, wait);
    replyRules_ = ReplyRules{};
    replyRules_.rtu = rtu;
    replyRules_.timeoutTicks = timeoutTicks_;
    replyRules_.capacity = ReceiveBufferSize;
    replyRules_.rtuMinimumLength = RtuMinimumLength(function, operand);
    replyRules_.expectReply = rq.address != 0;
    inFlight_ = InFlight{std::move(rq), kind, slot, bulk, false};
    if (slot >= 0 && slot < SlotCount) {
        ++model_.deviceSlots[slot].execCount;
        view_.setExecCount(slot, model_.deviceSlots[slot].execCount);
    }
    int delay = rtu && connectedCount_ >= 2 ? RtuSpacingMs : 0;
    if (drain_) {
        drain_ = false;
        draining_ = true;
        drainStartMs_ = app_.clock().nowMs();
        delay = std::max(delay, QuietGapMs);
    }
    if (delay > 0) {
        scheduleFrame(delay);
        return;
    }
    putFrame();
}

void MonitorEngine::scheduleFrame(int delayMs) {
    if (spacingTimer_)
        app_.clock().cancel(spacingTimer_);
    spacingTimer_ = app_.clock().callAfter(delayMs, [this] {
        spacingTimer_ = 0;
        draining_ = false;
        putFrame();
    });
}

void MonitorEngine::putFrame() {
    if (closed_)
        return;
    if (connectedCount_ == 0) {
        chooseAndSend(); // releases the port
        return;
    }
    if (!port_.Open())
        return;
    // A refused block (line broken) ends in OnLineLost or in the time-out.
    reply_.start(inFlight_.request.frame, replyRules_,
                 [this](const GatheredReply& r) { onReply(r); });
    awaitingReply_ = true;
}

// ---------------------------------------------------------------- receiving

void MonitorEngine::onStrayBytes() {
    // A late reply or noise while the retry waits for a quiet line: the wait
    // starts again, within its bound.
    if (draining_ && spacingTimer_ && app_.clock().nowMs() - drainStartMs_ < MaxDrainMs)
        scheduleFrame(QuietGapMs);
}

void MonitorEngine::onReply(const GatheredReply& reply) {
    if (!awaitingReply_)
        return;
    if (!reply.bytes.empty())
        timeoutCount_ = 0;
    if (endsWithoutParsing())
        return;
    if (reply.end != ReplyEnd::TimedOut) {
        parse(reply);
        return;
    }
    if (model_.req.BroadcastMode && inFlight_.request.address == 0) {
        // Nobody answers a broadcast: its time-out stands for the echo. The
        // unlock before a protected row is followed by that row's data write.
        EngineRequests& q = model_.req;
        if (q.UnlockPending) {
            q.UnlockPending = false;
            q.Unlocked = true;
        } else {
            q.WritePending = false;
            if (transfers_)
                transfers_->CountDownloadStep();
        }
        chooseAndSend();
        return;
    }
    // Failure handling still sees whether anything came (an incomplete reply).
    errorState_ = ErrTimeout;
    failureHandling(0, 0, nullptr);
    chooseAndSend();
}

bool MonitorEngine::endsWithoutParsing() {
    awaitingReply_ = false;
    if (closeRequested_) {
        view_.closeWindow();
        FormClose();
        return true;
    }
    if (inFlight_.stale || connectedCount_ == 0) {
        inFlight_.stale = false;
        chooseAndSend();
        return true;
    }
    return false;
}

// ------------------------------------------------------------------ parsing

void MonitorEngine::parse(const GatheredReply& reply) {
    const CheckedReply r =
        CheckReply(inFlight_.request, reply.bytes.data(), int(reply.bytes.size()), reply.overflow);
    errorState_ = r.errorState;
    switch (r.kind) {
    case ReplyKind::Bad:
        failureHandling(r.function, 0, nullptr);
        break;
    case ReplyKind::ForeignAddress:
        handleForeignAddress(r.address);
        return;
    case ReplyKind::Read:
        handleRead(r);
        break;
    case ReplyKind::Identify77:
        identifiedAsFamilyA();
        break;
    case ReplyKind::Exception:
        if (inFlight_.kind == 0 && r.function == 0xE7 && !inFlight_.bulk &&
            inFlight_.request.function == 0x67) {
            errorState_ = ErrNone;
            identifiedAsFamilyA();
        } else {
            failureHandling(r.function, r.exceptionCode, nullptr);
        }
        break;
    case ReplyKind::WriteEcho:
        handleWriteReply(r);
        break;
    }
    chooseAndSend();
}

void MonitorEngine::identifiedAsFamilyA() {
    const int slot = inFlight_.slot;
    if (slot >= 0 && slot < SlotCount) {
        model_.deviceSlots[slot].Family = 'A';
        if (slot == model_.SelectedSlot)
            applyFamilyLayout();
    }
    advanceScheduler();
    failureHandling(0, 0, nullptr);
}

void MonitorEngine::handleForeignAddress(int address) {
    // A sound reply from the address of one of our connected slots is its
    // late answer to an earlier request: an error, and the request goes out
    // again. The address box of a slot that is not connected names no device.
    for (int i = 0; i < SlotCount; ++i) {
        const DeviceSlot& s = model_.deviceSlots[i];
        if (s.connected && s.address == address) {
            errorState_ = ErrFormat;
            failureHandling(0, 0, text::AddressNotCorrect, i);
            chooseAndSend();
            return;
        }
    }
    // Any other device answering means the line is not what the slots say:
    // polling halts until the user connects again.
    halted_ = true;
    view_.setErrMessageText(text::AddressNotCorrect);
    view_.setErrMessageColour(Colour::Red);
}

void MonitorEngine::handleRead(const CheckedReply& r) {
    if (inFlight_.bulk) {
        // One image byte: the scheduler stays where the status poll stood.
        const auto index = std::uint8_t(r.words[0] >> 8), value = std::uint8_t(r.words[0]);
        if (inFlight_.request.reg == regmap::BulkRampSoak) {
            if (rampSoak_)
                rampSoak_->StoreRampSoakByte(index, value);
        } else if (transfers_) {
            transfers_->StoreImageByte(index, value);
        }
        failureHandling(0, 0, nullptr);
        return;
    }
    registerValues_ = r.words;
    const int slot = inFlight_.slot;
    const int kind = inFlight_.kind;
    if (kind == 0) {
        if (slot >= 0 && slot < SlotCount) {
            model_.deviceSlots[slot].Family =
                regmap::FamilyFromIdentification(r.function, r.words[0], r.words[1]);
            if (slot == model_.SelectedSlot)
                applyFamilyLayout();
        }
    } else if (kind < 10) {
        status_.Decode(kind, slot, registerValues_.data(), r.wordCount);
    } else if (panel_ && slot == model_.SelectedSlot) {
        panel_->ShowParameterReply(kind, registerValues_.data(), r.wordCount);
    }
    if (slot == model_.SelectedSlot) {
        if (kind == 10 && readBackStage_ == 1) {
            readBackStage_ = 2;
        } else if (kind == 14 && readBackStage_ == 2) {
            readBackStage_ = 0;
            view_.showWriteOutcome(WriteOutcome::ReadBack, {});
        }
    }
    advanceScheduler();
    failureHandling(0, 0, nullptr);
}

void MonitorEngine::handleWriteReply(const CheckedReply& r) {
    EngineRequests& q = model_.req;
    const bool editing = editingWriteQueued();
    const DeviceSlot* sel = model_.selected();
    if (sel && sel->Family == 'C' && q.LockCommandPending) {
        // The answer to a security write, whatever it holds.
        q.LockCommandPending = false;
        q.WritePending = false;
        q.ReidentifySelected = true;
        advanceScheduler();
        q.ParameterRefresh = true;
        errorState_ = ErrNone;
    } else if (!r.echoMatches) {
        errorState_ = ErrWriteCompare;
        q.WritePending = false;
        q.UnlockPending = false;
        q.ParameterRefresh = true;
    } else if (q.UnlockPending) {
        q.UnlockPending = false;
        q.Unlocked = true;
    } else if (q.WritePending) {
        if (q.DownloadActive) {
            if (transfers_)
                transfers_->CountDownloadStep();
        } else if (q.RampSoakWriteActive) {
            if (rampSoak_)
                rampSoak_->CountRampSoakWriteStep();
        } else {
            q.ParameterRefresh = true;
            if (editing) {
                readBackStage_ = 1;
                view_.showWriteOutcome(WriteOutcome::Written, {});
            }
        }
        q.WritePending = false;
    }
    failureHandling(r.function, 0, nullptr);
}

// --------------------------------------------------------- failure handling

void MonitorEngine::failureHandling(int function, int exceptionCode, const char* text, int blamed) {
    const int charged = inFlight_.slot;
    const bool valid = charged >= 0 && charged < SlotCount;
    const bool connected = valid && model_.deviceSlots[charged].connected;
    if (errorState_ == ErrNone) {
        timeoutCount_ = readErrorCount_ = writeErrorCount_ = 0;
        if (valid)
            faultRuns_[charged] = {};
        if (connected) {
            answered_[std::size_t(charged)] = true;
            view_.colourStatusLamp(charged, Colour::Green);
        }
        if (lineLostNoticeUp_) {
            lineLostNoticeUp_ = false;
            view_.showLineBack();
        }
        return;
    }
    const bool editing = editingWriteQueued();
    const bool writeInFlight = inFlight_.request.function == 0x06 && !inFlight_.bulk;
    if (valid)
        ++model_.deviceSlots[charged].errorCount;
    for (int i = 0; i < SlotCount; ++i)
        view_.setErrCount(i, model_.deviceSlots[i].errorCount);
    if (connected) {
        view_.setErrMessageColour(Colour::Red);
        view_.colourStatusLamp(charged, Colour::Red);
    }
    EngineRequests& q = model_.req;
    // A sound answer (an exception, an echo that differs) proves the device
    // answers; everything else is a faulty answer toward the drop rule.
    std::optional<FaultCause> fault;
    switch (errorState_) {
    case ErrFormat:
        showError(text ? text : zu::text::RcvFormatError);
        drain_ = true;
        fault = blamed >= 0 ? FaultCause::Late : FaultCause::Garbled;
        break;
    case ErrChecksum:
        showError(zu::text::ChecksumError);
        drain_ = true;
        fault = FaultCause::Checksum;
        break;
    case ErrWriteCompare:
        showError(zu::text::WriteCompareFail);
        view_.showWriteNotEchoed();
        break;
    case ErrFunction:
        if (function == 0x83 || function == 0xE7 || function == 0xE8) {
            const bool write = function == 0xE8;
            ++(write ? writeErrorCount_ : readErrorCount_);
            showError(std::string(write ? zu::text::WriteErrorPrefix : zu::text::ReadErrorPrefix) +
                      codec::ExceptionMessage(exceptionCode));
            if (readErrorCount_ > 3 || writeErrorCount_ > 3) {
                q.UnlockPending = q.WritePending = false;
                endTransfersEarly();
                if (charged == model_.SelectedSlot)
                    q.ParameterRefresh = true;
                readErrorCount_ = writeErrorCount_ = 0;
                advanceScheduler();
            }
        } else {
            showError(zu::text::UnknowCommand);
            drain_ = true;
            fault = FaultCause::UnknownFunction;
        }
        break;
    case ErrTimeout:
        showError(zu::text::TimeoutError);
        ++timeoutCount_;
        fault = !reply_.bytes().empty() ? FaultCause::Incomplete : FaultCause::NoReply;
        break;
    default:
        break;
    }
    // A refusal of the user's write is told with the device's reason.
    if (editing && errorState_ == ErrFunction) {
        if (!q.WritePending)
            view_.showWriteOutcome(WriteOutcome::GivenUp, shownError_);
        else if (writeInFlight && inFlight_.request.reg == q.PendingRegister)
            view_.showWriteOutcome(WriteOutcome::Refused, shownError_);
    }
    if (fault)
        countFault(blamed >= 0 ? blamed : charged, *fault);
    else if (valid)
        faultRuns_[charged] = {};
}

void MonitorEngine::countFault(int slot, FaultCause cause) {
    if (slot < 0 || slot >= SlotCount || !model_.deviceSlots[slot].connected)
        return;
    FaultRun& run = faultRuns_[slot];
    if (run.count > 0 && run.cause != cause)
        run.mixed = true;
    run.cause = cause;
    if (++run.count < MaxFaultsInARow)
        return;
    const char* why = zu::text::DroppedMixedFaults;
    if (!run.mixed) {
        switch (cause) {
        case FaultCause::NoReply:
            why = zu::text::DroppedNoReply;
            break;
        case FaultCause::Incomplete:
            why = zu::text::DroppedIncomplete;
            break;
        case FaultCause::Garbled:
            why = zu::text::DroppedGarbled;
            break;
        case FaultCause::Checksum:
            why = zu::text::DroppedChecksum;
            break;
        case FaultCause::UnknownFunction:
            why = zu::text::DroppedUnknownFunction;
            break;
        case FaultCause::Late:
            why = zu::text::DroppedLate;
            break;
        }
    }
    run = {};
    timeoutCount_ = 0;
    view_.showSlotDropped(slot, model_.deviceSlots[slot].address, why);
    disconnectSlot(slot);
    // The scheduler moves on from the request that failed; a late answer
    // from another slot leaves the request in flight to be sent again.
    if (slot == inFlight_.slot)
        advanceScheduler();
}

void MonitorEngine::showError(const std::string& text) {
    shownError_ = text;
    view_.setErrMessageText(text);
}

// ---------------------------------------------------------------- scheduler

void MonitorEngine::advanceScheduler() {
    auto connected = [this](int i) {
        return i >= 0 && i < SlotCount && model_.deviceSlots[i].connected;
    };
    EngineRequests& q = model_.req;
    int& kind = model_.RequestKind;
    std::uint8_t& slot = model_.RequestSlot;
    if (connectedCount_ == 0)
        return;
    if (q.ReidentifySelected && connected(model_.SelectedSlot)) {
        q.ReidentifySelected = false;
        slot = model_.SelectedSlot;
        model_.deviceSlots[slot].identifyRequest = true;
        kind = 0;
    } else {
        q.ReidentifySelected = false;
        if (kind <= 8) {
            if (kind == 0) {
                kind = 1;
            } else if (kind == 1) {
                kind = 2;
                slot = 0;
            } else {
                ++slot;
            }
            for (;;) {
                if (kind == 8) {
                    while (slot < SlotCount &&
                           !(connected(slot) && model_.deviceSlots[slot].ProgramRunning != 0))
                        ++slot;
                    if (slot >= SlotCount) {
                        kind = 9;
                        slot = 0;
                    }
                    break;
                }
                if (slot >= SlotCount) {
                    ++kind;
                    slot = 0;
                    continue;
                }
                if (connected(slot))
                    break;
                ++slot;
            }
            if (kind == 9)
                decisionPoint();
        } else {
            const int sel = model_.SelectedSlot;
            if (kind == 14) {
                if (q.HiddenMode) {
                    kind = 20;
                    if (!q.Unlocked)
                        q.UnlockPending = true;
                    if (connected(sel))
                        view_.colourStatusLamp(sel, Colour::Blue);
                } else {
                    if (q.AdjustControlsShown) {
                        if (panel_)
                            panel_->ShowAdjustControls(false);
                        q.AdjustControlsShown = false;
                    }
                    if (connected(sel))
                        view_.colourStatusLamp(sel, Colour::Green);
                    kind = 2;
                    slot = 0;
                }
            } else if (kind == 21 || (kind > 14 && kind < 20) || kind > 21) {
                if (kind == 21 && connected(sel))
                    view_.colourStatusLamp(sel, Colour::Green);
                kind = 2;
                slot = 0;
            } else {
                ++kind;
            }
        }
    }
    // The first connected slot from RequestSlot on; with none above it the
    // cycle starts again at the first connected slot.
    while (slot < SlotCount && !connected(slot))
        ++slot;
    if (slot >= SlotCount) {
        slot = 0;
        kind = 2;
        while (slot < SlotCount && !connected(slot))
            ++slot;
        if (slot >= SlotCount) {
            connectedCount_ = 0;
            slot = 0;
            return;
        }
    }
    if (model_.deviceSlots[slot].identifyRequest) {
        kind = 0;
        model_.deviceSlots[slot].identifyRequest = false;
        if (slot == model_.SelectedSlot)
            q.ParameterRefresh = true;
    }
}

void MonitorEngine::decisionPoint() {
    EngineRequests& q = model_.req;
    for (DeviceSlot& s : model_.deviceSlots)
        if (s.connected && s.Family == FamilyUnknown)
            s.identifyRequest = true;
    DeviceSlot* sel = model_.selected();
    if (sel && !sel->connected)
        sel = nullptr;
    if (sel && sel->cLocked()) {
        q.ParameterRefresh = false;
        model_.RequestKind = 2;
        if (panel_) {
            panel_->ApplyParameterLayout();
            panel_->ApplyAccessState();
        }
        if (!q.ParameterPanelShown && !model_.PvRecordView) {
            view_.showParameterPanel(true);
            q.ParameterPanelShown = true;
        }
    } else if (sel && q.ParameterRefresh && sel->Family != FamilyUnknown) {
        model_.RequestSlot = model_.SelectedSlot;
        q.ParameterRefresh = false;
        model_.RequestKind = 10;
        view_.colourStatusLamp(model_.SelectedSlot, Colour::Yellow);
    } else {
        model_.RequestKind = 2;
    }
}

} // namespace zu
