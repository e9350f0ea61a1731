#include "recorder/logic/recorder_acquisition.h"

#include "core/app_state.h"
#include "core/codec.h"
#include "core/reply_gathering.h"
#include "core/texts.h"

namespace zu {

namespace {

constexpr int CodeTimeout = 15;
constexpr int CodeNotMatch = 30;
constexpr int CodeChecksum = 32;
constexpr int CodeUnstable = 33;
// An exception reply whose code is 0 must not pass for a reading.
constexpr int CodeUnknownException = 256;
// More than 20 ms between the end of one reply and the next RTU request.
constexpr std::int64_t RtuGapMs = 21;

} // namespace

RecorderAcquisition::RecorderAcquisition(AppState& state, ReplyGathering& replies,
                                         RecorderState& rec, RecorderView& view,
                                         RecorderChartLink& chart)
    : state_(state), replies_(replies), rec_(rec), view_(view), chart_(chart),
      timer1_(state.clock()) {
    timer1_.onTimeout = [this] { Timer1Timer(); };
    replies_.HandleSampleReply = [this] { HandleSampleReply(); };
}

RecorderAcquisition::~RecorderAcquisition() {
    replies_.HandleSampleReply = nullptr;
    replies_.ApdComPort1.OnLineLost = nullptr;
    if (gapPending_)
        state_.clock().cancel(gapPending_);
}

bool RecorderAcquisition::Acquiring() const {
    return rec_.RecAcquiring;
}

std::int64_t RecorderAcquisition::PeriodMs(int sampleTime) {
    return sampleTime > 0 ? std::int64_t(sampleTime) * 1000 : 500;
}

QString RecorderAcquisition::SampleErrorText(int slot, int code) {
    const char* why = text::UnknowError;
    switch (code) {
    case 1:
        why = text::IllegalFunction;
        break;
    case 2:
        why = text::IllegalAddress;
        break;
    case 3:
        why = text::IllegalData;
        break;
    case 4:
        why = text::IllegalCommand;
        break;
    case 11:
        why = text::IllegalFrame;
        break;
    case 12:
        why = text::TooFewData;
        break;
    case 13:
        why = text::TooManyData;
        break;
    case 14:
        why = text::IllegalAscii;
        break;
    case CodeTimeout:
        why = text::TimeoutError;
        break;
    case CodeNotMatch:
        why = text::ReceivedDataNotMatch;
        break;
    case CodeChecksum:
        why = text::ChecksumError;
        break;
    case CodeUnstable:
        why = text::InputUnstable;
        break;
    default:
        break;
    }
    return QLatin1String(text::DevicePrefix) + QLatin1Char(' ') + QString::number(slot) +
           QLatin1String(why);
}

QString RecorderAcquisition::LoopCountText(int count) {
    return QLatin1Char(' ') + QStringLiteral("%1").arg(count, 7, 10, QLatin1Char('0'));
}

void RecorderAcquisition::FormShow() {
    timer1_.stop();
    rec_.RecShown.fill(true);
    chart_.DrawChartFrame();
}

void RecorderAcquisition::StartBtClick() {
    if (rec_.RecAcquiring)
        stopSequence();
    else
        startAcquisition();
}

void RecorderAcquisition::advanceToUsedSlot() {
    // RecAddress[RecSlots] is never 0, so the search ends there.
    while (rec_.RecDeviceIndex < RecSlots && rec_.RecAddress[rec_.RecDeviceIndex] == 0)
        ++rec_.RecDeviceIndex;
}

void RecorderAcquisition::startAcquisition() {
    view_.SetErrMess(QString());
    rec_.RecDeviceIndex = 0;
    for (int i = 0; i < RecSlots; ++i) {
        const int a = view_.ComAddr(i);
        rec_.RecAddress[i] = std::uint8_t(a >= 0 && a <= 255 ? a : 0);
    }
    advanceToUsedSlot();
    if (rec_.RecDeviceIndex >= RecSlots) {
        stopSequence();
        return;
    }
    rec_.RecAcquiring = true;
    if (onRecordFileStart && !onRecordFileStart()) {
        rec_.RecAcquiring = false;
        stopSequence();
        return;
    }
    view_.ShowAcquiring(true);
    rec_.RecErrorCount.fill(0);
    for (int i = 0; i < RecSlots; ++i)
        view_.PaintAddressBox(i, rec_.RecShown[i] ? RecAddressColour::White
                                                  : RecAddressColour::Silver);
    rec_.RecFailedAt.fill(-1);
    rec_.UpdateHasData();
    chart_.DrawChartFrame();
    view_.SetControlEnabled(RecControl::MaxScale, false);
    view_.SetControlEnabled(RecControl::MinScale, false);
    view_.SetControlEnabled(RecControl::DisplayMd, false);

    TApdComPort& port = replies_.ApdComPort1;
    if (!port.Open()) {
        port.takeSetting(state_.Com);
        state_.PortOwner = PortRecorder;
        if (PortResult r = port.setOpen(true); !r) {
            // Nothing was sent: the window goes back to idle and says why.
            state_.PortOwner = PortFree;
            rec_.RecAcquiring = false;
            rec_.RecFailedAt.fill(-1);
            StopAcquisition();
            view_.ShowMessage(r.message);
            return;
        }
        port.OnLineLost = [this](TApdComPort&, const QString& why) { lineLost(why); };
    }
    view_.SetControlEnabled(RecControl::SaveBt, false);
    view_.SetControlEnabled(RecControl::RePlayBt, false);
    SendSampleRequest();
    rec_.RecSampleCount = 0;
    view_.SetLoopCnt(QStringLiteral(" 00000000"));
    view_.SetControlEnabled(RecControl::SampleTime, false);
    view_.SetControlEnabled(RecControl::ComAddrPL, false);
    timer1_.setInterval(PeriodMs(view_.SampleTime()));
    timer1_.start();
}

void RecorderAcquisition::stopSequence() {
    rec_.RecErrorCount.fill(0);
    rec_.RecFailedAt.fill(-1);
    rec_.RecAcquiring = false;
    StopAcquisition();
}

void RecorderAcquisition::StopAcquisition() {
    timer1_.stop();
    if (gapPending_) {
        state_.clock().cancel(gapPending_);
        gapPending_ = 0;
    }
    view_.ShowAcquiring(false);
    view_.SetControlEnabled(RecControl::SaveBt, true);
    view_.SetControlEnabled(RecControl::RePlayBt, true);
    view_.SetControlEnabled(RecControl::SampleTime, true);
    view_.SetControlEnabled(RecControl::ComAddrPL, true);
    if (!rec_.AutoScale) {
        view_.SetControlEnabled(RecControl::MaxScale, true);
        view_.SetControlEnabled(RecControl::MinScale, true);
    }
    view_.SetControlEnabled(RecControl::DisplayMd, true);
    // A lost line has closed the port already but the line is still ours.
    if (replies_.ApdComPort1.Open() || state_.PortOwner == PortRecorder)
        replies_.CloseSamplePort();
    if (onRecordFileStop)
        onRecordFileStop();
}

void RecorderAcquisition::FormClose() {
    if (rec_.RecAcquiring) {
        stopSequence();
        return;
    }
    if (replies_.ApdComPort1.Open())
        replies_.CloseSamplePort();
}

void RecorderAcquisition::lineLost(const QString& why) {
    if (!rec_.RecAcquiring)
        return;
    stopSequence();
    view_.ShowMessage(why);
    if (onStopped)
        onStopped();
}

void RecorderAcquisition::Timer1Timer() {
    if (rec_.RecAcquiring && !replies_.RecAwaitingReply && gapPending_ == 0)
        SendSampleRequest();
}

void RecorderAcquisition::SendSampleRequest() {
    if (rec_.RecDeviceIndex < 0 || rec_.RecDeviceIndex >= RecSlots)
        return;
    const int a = rec_.RecAddress[rec_.RecDeviceIndex];
    const bool rtu = state_.Com.RtuMode;
    sendBuffer_ = codec::BuildRequest(rtu, a, 0x03, 0x4700, 2);
    if (rtu)
        replies_.RecTimeoutTicks = state_.Com.ComBaud < 9600 ? 3 : 2;
    // A refused frame ends by its time-out like a lost one.
    replies_.SendSampleRequest(sendBuffer_);
}

void RecorderAcquisition::HandleSampleReply() {
    if (!rec_.RecAcquiring)
        return;
    replyAtMs_ = state_.clock().nowMs();
    int code = replies_.RecReplyError;
    if (code == CodeTimeout) {
        HandleSampleError();
        return;
    }
    // The reply as the 100-byte receive buffer holds it, zeros past its end.
    std::array<std::uint8_t, ReplyGathering::RecReceiveBufferSize> buf{};
    const auto& got = replies_.RecReceived();
    std::copy_n(got.begin(), std::min(got.size(), buf.size()), buf.begin());
    const std::uint8_t a = rec_.RecAddress[rec_.RecDeviceIndex];
    if (!state_.Com.RtuMode) {
        if (buf[0] == ':') {
            const std::uint8_t lrc = codec::AsciiLrc(buf.data(), 15);
            codec::HexFrameToBytes(buf.data(), 8);
            if (buf[0] != a)
                code = CodeNotMatch;
            if (buf[7] != lrc)
                code = CodeChecksum;
        } else {
            code = CodeNotMatch;
        }
    } else {
        const std::uint16_t crc = codec::Crc16(buf.data(), 7);
        if (buf[7] != (crc & 0xFF) || buf[8] != (crc >> 8))
            code = CodeChecksum;
    }
    if (buf[1] == 0x83)
        code = buf[2] != 0 ? buf[2] : CodeUnknownException;
    else if (buf[3] == 0x80)
        code = CodeUnstable;
    if (code != 0) {
        replies_.RecReplyError = code;
        HandleSampleError();
        return;
    }
    const int i = rec_.RecDeviceIndex;
    const int value = std::int16_t(std::uint16_t(buf[3] << 8 | buf[4]));
    chart_.StoreChartValue(value);
    rec_.SampleRecord[2 * i] = buf[3];
    rec_.SampleRecord[2 * i + 1] = buf[4];
    ++rec_.RecDeviceIndex;
    advanceToUsedSlot();
    if (rec_.RecDeviceIndex >= RecSlots) {
        CloseCycle();
        return;
    }
    if (state_.Com.RtuMode)
        sendAfterGap();
    else
        SendSampleRequest();
}

void RecorderAcquisition::sendAfterGap() {
    // The wait runs on the clock, so the line and the window stay served.
    const std::int64_t left = replyAtMs_ + RtuGapMs - state_.clock().nowMs();
    if (left <= 0) {
        SendSampleRequest();
        return;
    }
    gapPending_ = state_.clock().callAfter(left, [this] {
        gapPending_ = 0;
        if (rec_.RecAcquiring && !replies_.RecAwaitingReply)
            SendSampleRequest();
    });
}

void RecorderAcquisition::HandleSampleError() {
    const int i = rec_.RecDeviceIndex;
    if (i < 0 || i >= RecSlots)
        return;
    view_.SetErrMess(SampleErrorText(i + 1, replies_.RecReplyError));
    if (++rec_.RecErrorCount[i] < 3)
        return;
    view_.PaintAddressBox(i, RecAddressColour::Red);
    rec_.RecErrorCount[i] = 0;
    rec_.RecAddress[i] = 0;
    rec_.RecFailedAt[i] = rec_.RecSampleCount;
    rec_.SampleRecord[2 * i] = std::uint8_t(ErrorMarker >> 8);
    rec_.SampleRecord[2 * i + 1] = std::uint8_t(ErrorMarker & 0xFF);
    advanceToUsedSlot();
    if (rec_.RecDeviceIndex < RecSlots)
        return;
    CloseCycle();
    if (rec_.RecDeviceIndex >= RecSlots) {
        stopSequence();
        if (onStopped)
            onStopped();
    }
}

void RecorderAcquisition::CloseCycle() {
    const QTime t = state_.clock().timeOfDay();
    auto& r = rec_.SampleRecord;
    r[20] = std::uint8_t(t.hour());
    r[21] = std::uint8_t(t.minute());
    r[22] = std::uint8_t(t.second());
    r[23] = std::uint8_t(t.msec() % 256);
    r[24] = 'Z';
    chart_.StoreChartTime(r[20], r[21], r[22], r[23]);
    for (int i = 0; i < RecSlots; ++i) {
        if (rec_.RecFailedAt[i] != -1) {
            r[2 * i] = std::uint8_t(ErrorMarker >> 8);
            r[2 * i + 1] = std::uint8_t(ErrorMarker & 0xFF);
            chart_.StoreChartError(i);
        }
    }
    rec_.CountIsNewest = true;
    chart_.PlotLatest();
    if (onSampleRecord) {
        onSampleRecord(r);
        r.fill(0);
    }
    rec_.RecDeviceIndex = 0;
    while (rec_.RecDeviceIndex < RecSlots && rec_.RecAddress[rec_.RecDeviceIndex] == 0) {
        chart_.ClearChartValue(rec_.RecDeviceIndex, rec_.RecSampleCount + 1);
        ++rec_.RecDeviceIndex;
    }
    rec_.CountIsNewest = false;
    ++rec_.RecSampleCount;
    view_.SetLoopCnt(LoopCountText(rec_.RecSampleCount));
    if (onCycleClosed)
        onCycleClosed();
}

} // namespace zu
