#pragma once
// The monitor's polling engine: serves up to four controllers on one line
// with exactly one request in flight. A request goes out, and everything else
// happens when its reply is complete or its time-out expires; each handled
// reply or time-out ends by choosing the next request. Other monitor parts
// never send: they set the flags of MonitorModel::req and the engine picks
// them up at its next turn.
#include "core/apd_com_port.h"
#include "core/reply_transaction.h"
#include "device/reply_check.h"
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"
#include "monitor/logic/status_display.h"

#include <array>
#include <cstdint>
#include <string>

namespace zu {

class AppState;

class MonitorEngine {
  public:
    MonitorEngine(AppState& app, MonitorView& view);
    ~MonitorEngine();
    MonitorEngine(const MonitorEngine&) = delete;
    MonitorEngine& operator=(const MonitorEngine&) = delete;

    MonitorModel& model() { return model_; }
    const MonitorModel& model() const { return model_; }
    EngineRequests& requests() { return model_.req; }
    StatusDisplay& status() { return status_; }
    TApdComPort& port() { return port_; } // ApdComPort1

    // Hooks of the other monitor parts; each may be null (nothing is called).
    void setPanelHooks(ParameterPanelHooks* hooks) { panel_ = hooks; }
    void setTransferHooks(ParameterTransferHooks* hooks) { transfers_ = hooks; }
    void setRampSoakHooks(RampSoakTransferHooks* hooks) { rampSoak_ = hooks; }
    void setSecurityHooks(SecurityHooks* hooks) { status_.setSecurityHooks(hooks); }
    void setTrendHooks(TrendHooks* hooks) { trend_ = hooks; }

    // --- handlers of the window ---
    void FormShow();
    void FormClose();
    // RunBt0..3 and the DEVICE menu items: connect or disconnect the slot.
    void RunBt0Click(int slot);
    // ComAddr0..3 changed; the four spin-edit values as they are now.
    void ComAddr0Change(int slot, const std::array<std::uint16_t, SlotCount>& addresses);
    // Adr0Lb..3: select a connected slot.
    void Adr0LbClick(int slot);
    void ClrBt0MouseDown(int slot);
    // EXIT/OK: close now, or once the frame in flight is handled.
    void Close2Click();

    // --- state, for the window and tests ---
    enum class State { Idle, Polling, Halted, Closing, Closed };
    State state() const;
    int ConnectedCount() const { return connectedCount_; }
    int ErrorState() const { return errorState_; }
    bool AwaitingReply() const { return awaitingReply_; }
    bool CloseRequested() const { return closeRequested_; }
    int TimeoutTicks() const { return timeoutTicks_; }
    int TimeoutCount() const { return timeoutCount_; }
    int ReadErrorCount() const { return readErrorCount_; }
    int WriteErrorCount() const { return writeErrorCount_; }
    std::uint16_t RequestAddress() const { return std::uint16_t(requestAddress_); }
    const std::array<std::uint16_t, MaxRegisterValues>& RegisterValues() const {
        return registerValues_;
    }
    // A frame is built and waits for the RTU spacing before it goes out.
    bool sendScheduled() const { return spacingTimer_ != 0; }
    // The engine is doing something or is idle by rule (nothing connected,
    // halted, closing). False means it stalled.
    bool consistent() const;

  private:
    struct InFlight {
        SentRequest request;
        int kind = 0;
        int slot = 0;       // the slot charged with the frame
        bool bulk = false;  // a bulk-read step of an image transfer
        bool stale = false; // polling restarted under it: handle it as nothing
    };

    // connection and selection
    void connectSlot(int slot);
    void disconnectSlot(int slot);
    void selectAfterLoss(int slot);
    void clearSelectionQueue();
    void endTransfersEarly();
    void applyFamilyLayout();
    void allDisconnected();

    // port
    bool openPort();
    void closePort();
    void onLineLost(const QString& why);

    // sending
    void chooseAndSend();
    void sendRequest(int function, int reg, int operand, int kind, int slot, bool bulk);
    void scheduleFrame(int delayMs);
    void putFrame();

    // receiving
    void onReply(const GatheredReply& reply);
    void onStrayBytes();
    // The frame in flight has ended: closes the window on a pending EXIT, or
    // sends the next request when the reply has nobody to go to. True then.
    bool endsWithoutParsing();
    void parse(const GatheredReply& reply);
    void handleRead(const CheckedReply& r);
    void handleWriteReply(const CheckedReply& r);
    void handleForeignAddress(int address);
    void identifiedAsFamilyA();
    // blamed: the slot whose answer was at fault when it is not the one the
    // frame was charged to (a late reply from another monitored address).
    void failureHandling(int function, int exceptionCode, const char* text, int blamed = -1);
    // What was wrong with a slot's answer, for the drop rule and its notice.
    enum class FaultCause { NoReply, Incomplete, Garbled, Checksum, UnknownFunction, Late };
    struct FaultRun {
        int count = 0; // faulty answers in a row
        FaultCause cause = FaultCause::NoReply;
        bool mixed = false; // not all of them for the same cause
    };
    // One more faulty answer of the slot; the fourth in a row drops it.
    void countFault(int slot, FaultCause cause);
    void advanceScheduler();
    void decisionPoint();
    void showError(const std::string& text);
    // A write of the user's is queued (not a transfer step or a security command).
    bool editingWriteQueued() const;
    // The selection highlight; a slot that has not answered yet keeps its lamp off.
    void highlight(int slot, bool on);

    AppState& app_;
    MonitorView& view_;
    MonitorModel model_;
    StatusDisplay status_;
    TApdComPort port_;
    ReplyTransaction reply_{port_};
    ReplyRules replyRules_;
    ParameterPanelHooks* panel_ = nullptr;
    ParameterTransferHooks* transfers_ = nullptr;
    RampSoakTransferHooks* rampSoak_ = nullptr;
    TrendHooks* trend_ = nullptr;

    std::array<std::uint16_t, SlotCount> addressEdits_{1, 1, 1, 1};
    int connectedCount_ = 0;
    int requestAddress_ = 0;
    bool awaitingReply_ = false;
    bool closeRequested_ = false;
    bool halted_ = false;
    bool closed_ = false;
    int errorState_ = 0;
    int timeoutTicks_ = 18;
    int timeoutCount_ = 0;
    int readErrorCount_ = 0;
    int writeErrorCount_ = 0;
    // Per slot: a slot answering badly is dropped on its own record, never on
    // the faults of another slot.
    std::array<FaultRun, SlotCount> faultRuns_{};
    std::array<std::uint16_t, MaxRegisterValues> registerValues_{};
    InFlight inFlight_;
    TimerId spacingTimer_ = 0;
    bool drain_ = false;    // the next frame waits for a quiet line
    bool draining_ = false; // spacingTimer_ is that wait
    std::int64_t drainStartMs_ = 0;
    bool lineLostShown_ = false;
    bool lineLostNoticeUp_ = false;
    // A good reply came from the slot since it connected.
    std::array<bool, SlotCount> answered_{};
    // A written parameter waits for its read-back: 1 until kind 10 goes out
    // after the write, 2 until kind 14 has come in.
    int readBackStage_ = 0;
    std::string shownError_;
};

} // namespace zu
