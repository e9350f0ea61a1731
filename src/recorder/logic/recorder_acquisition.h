#pragma once
// The recorder's timed acquisition: one read of the process value of every
// used slot per cycle, over the main window's ApdComPort1 and its reply
// gathering, failures counted per slot since Start, a slot dropped at its
// third. No widgets: the recorder window and `zucomm record` are faces over
// it, each with its own RecorderView and RecorderChartLink.
#include "core/apd_com_port.h"
#include "core/clock.h"
#include "recorder/logic/recorder_chart_link.h"
#include "recorder/logic/recorder_state.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zu {

class AppState;
class ReplyGathering;

// Controls of the recorder window that are usable only while it is idle.
enum class RecControl { SaveBt, RePlayBt, SampleTime, ComAddrPL, DisplayMd, MaxScale, MinScale };

// What the acquisition shows on, and reads from, its window.
class RecorderView {
  public:
    virtual ~RecorderView() = default;
    // on: BackGndP red, StartBt "Stop" with hint "End of acquire data";
    // off: BackGndP lime, StartBt "START" with hint "Start to getting data".
    virtual void ShowAcquiring(bool on) = 0;
    virtual void SetErrMess(const QString& text) = 0;
    virtual void SetLoopCnt(const QString& text) = 0;
    virtual void PaintAddressBox(int slot, RecAddressColour colour) = 0;
    virtual void SetControlEnabled(RecControl control, bool enabled) = 0;
    // A message box with OK: a port that cannot be opened, a line lost.
    virtual void ShowMessage(const QString& text) = 0;

    // The value in ComAddr0-ComAddr9 (slot 0-9); 0 leaves the slot unused.
    virtual int ComAddr(int slot) const = 0;
    // Whole seconds; 0 means half a second.
    virtual int SampleTime() const = 0;
};

class RecorderAcquisition {
  public:
    RecorderAcquisition(AppState& state, ReplyGathering& replies, RecorderState& rec,
                        RecorderView& view, RecorderChartLink& chart);
    ~RecorderAcquisition();
    RecorderAcquisition(const RecorderAcquisition&) = delete;
    RecorderAcquisition& operator=(const RecorderAcquisition&) = delete;

    // Window events.
    void FormShow();
    void StartBtClick();
    void Timer1Timer();
    // The window closes: a running acquisition is stopped (port closed,
    // record file closed, PortOwner 0).
    void FormClose();

    // The steps of a cycle; public so the window and tests can drive them.
    void SendSampleRequest();
    void HandleSampleReply();
    void HandleSampleError();
    void CloseCycle();
    void StopAcquisition();

    ClockTimer& Timer1() { return timer1_; }
    bool Acquiring() const;
    // The request last sent (RecSendBuffer without its padding).
    const std::vector<std::uint8_t>& RecSendBuffer() const { return sendBuffer_; }
    // Timer1's interval for a SampleTime: 500 ms for 0.
    static std::int64_t PeriodMs(int sampleTime);
    // "DEVICE " + " " + slot number (1-10) + the text of the code.
    static QString SampleErrorText(int slot, int code);
    // LoopCnt: a space and the count in at least seven digits.
    static QString LoopCountText(int count);

    // The record file (optional). At Start: false cancels the acquisition
    // (the user declined to overwrite). At CloseCycle: the finished record,
    // SampleRecord is cleared afterwards. At Stop: the file is closed.
    std::function<bool()> onRecordFileStart;
    std::function<void(const std::array<std::uint8_t, 25>&)> onSampleRecord;
    std::function<void()> onRecordFileStop;
    // After every CloseCycle (a headless face prints the cycle here).
    std::function<void()> onCycleClosed;
    // Acquisition ended by itself: every slot dropped, or the line lost.
    std::function<void()> onStopped;

  private:
    void startAcquisition();
    void stopSequence();
    void advanceToUsedSlot();
    void sendAfterGap();
    void lineLost(const QString& why);

    AppState& state_;
    ReplyGathering& replies_;
    RecorderState& rec_;
    RecorderView& view_;
    RecorderChartLink& chart_;
    ClockTimer timer1_;
    std::vector<std::uint8_t> sendBuffer_;
    TimerId gapPending_ = 0;
    std::int64_t replyAtMs_ = 0;
};

} // namespace zu
