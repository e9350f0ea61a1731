#include "protocol/logic/protocol_change.h"

#include "core/app_state.h"
#include "core/codec.h"
#include "core/reply_gathering.h"
#include "core/texts.h"

namespace zu {

namespace {

constexpr int FirstByteTicks = 18;

} // namespace

LineSettings LineOfDevice(const DeviceLine& d) {
    return LineSettings{d.baud, d.dataBits,
                        d.parityCode == 1   ? LineParity::Even
                        : d.parityCode == 2 ? LineParity::Odd
                                            : LineParity::None,
                        d.stopBits};
}

std::vector<std::uint8_t> ProtocolWriteFrame(int step, bool rtu, int address, int newAddress,
                                             std::uint8_t commByte) {
    if (step == 1)
        return codec::BuildRequest(rtu, address & 0xFF, 0x06, 0x470B,
                                   (newAddress & 0xFF) << 8 | commByte);
    return codec::BuildRequest(rtu, address & 0xFF, 0x06, 0x4722, 1);
}

bool IsEchoOf(const QString& rxText, const std::vector<std::uint8_t>& request, bool rtu) {
    QString expected;
    if (rtu) {
        for (std::uint8_t b : request)
            expected += QString::fromStdString(codec::ByteToHex(b));
    } else {
        for (std::uint8_t b : request)
            if (b != '\r' && b != '\n')
                expected += QChar(b);
    }
    return rxText == expected;
}

QString ProtocolChange::successText() {
    return QLatin1String(text::SetProtocolSuccess);
}

ProtocolChange::ProtocolChange(AppState& state, ReplyGathering& replies,
                               UserMessage showUserMessage)
    : state_(state), replies_(replies), showUserMessage_(std::move(showUserMessage)) {}

ProtocolChange::~ProtocolChange() {
    stop();
}

bool ProtocolChange::start(const ProtocolChangeOrder& order) {
    if (running_)
        return false;
    if (!IsDeviceAddress(order.beforeAddress) || !IsDeviceAddress(order.afterAddress) ||
        !DeviceCommByte(order.before) || !DeviceCommByte(order.after))
        return false;
    order_ = order;
    syncDone_ = false;
    wrote_ = false;
    step_ = 0;
    running_ = true;
    savedRtu_ = state_.Com.RtuMode;
    text_ = QLatin1String(text::DeviceProtocolChanging);
    replies_.ApdComPortMain.setComNumber(std::uint16_t(order.port));
    AdvanceProtocolChange();
    return true;
}

void ProtocolChange::AdvanceProtocolChange() {
    if (!running_)
        return;
    const bool acknowledged1 = step_ == 1;
    if (step_ == 0)
        step_ =
            order_.beforeAddress == order_.afterAddress && order_.before == order_.after ? 2 : 1;
    else if (step_ == 1) {
        step_ = 2;
        wrote_ = true;
    }
    auto rest = [this] {
        if (onStep)
            onStep();
        if (step_ < 3) {
            SendProtocolWrite();
            return;
        }
        auto done = [this] { finish(successText()); };
        if (order_.sync && syncDone_)
            userMessage(251, done);
        else
            done();
    };
    if (step_ == 2) {
        if (!order_.sync || syncDone_)
            step_ = 3;
        else if (acknowledged1) {
            userMessage(252, rest);
            return;
        }
    }
    rest();
}

void ProtocolChange::userMessage(int code, std::function<void()> then) {
    state_.UserMessageCode = code;
    if (onUserMessage)
        onUserMessage(code);
    if (showUserMessage_) {
        showUserMessage_(code, std::move(then));
        return;
    }
    wait_ = state_.clock().callAfter(code == 252 ? 500 : 3000, [this, then = std::move(then)] {
        wait_ = 0;
        if (running_)
            then();
    });
}

void ProtocolChange::SendProtocolWrite() {
    const DeviceLine& b = order_.before;
    TApdComPort& p = replies_.ApdComPortMain;
    const LineSettings line = LineOfDevice(b);
    p.setBaud(line.baud);
    p.setDataBits(std::uint16_t(line.dataBits));
    p.setParity(line.parity);
    p.setStopBits(std::uint16_t(line.stopBits));
    state_.Com.RtuMode = b.rtu;
    request_ = ProtocolWriteFrame(step_, b.rtu, order_.beforeAddress, order_.afterAddress,
                                  DeviceCommByte(order_.after).value_or(0));
    state_.PortOwner = PortProtocol;
    if (!p.Open()) {
        if (PortResult r = p.setOpen(true); !r) {
            finish(QLatin1String(text::TimeoutFailToChange), r.message);
            return;
        }
    }
    replies_.ProtocolReplyHandler = [this] { ProtocolReplyHandler(); };
    p.OnLineLost = [this](TApdComPort&, const QString& why) {
        finish(QLatin1String(text::TimeoutFailToChange), why);
    };
    (void)replies_.SendProtocolRequest(request_, FirstByteTicks);
}

void ProtocolChange::ProtocolReplyHandler() {
    if (!running_)
        return;
    const QString rx = replies_.ProtocolRxText();
    if (rx.isEmpty()) {
        finish(QLatin1String(text::TimeoutFailToChange));
        return;
    }
    if (!IsEchoOf(rx, request_, order_.before.rtu)) {
        finish(QLatin1String(text::DataErrorFailToChange));
        return;
    }
    if (step_ == 1) {
        order_.beforeAddress = order_.afterAddress;
        order_.before = order_.after;
    } else {
        syncDone_ = true;
    }
    AdvanceProtocolChange();
}

void ProtocolChange::finish(const QString& text, const QString& portError) {
    if (!running_)
        return;
    running_ = false;
    text_ = text;
    if (wait_)
        state_.clock().cancel(wait_);
    wait_ = 0;
    replies_.ReleaseProtocolPort();
    state_.Com.RtuMode = savedRtu_;
    if (onFinished)
        onFinished(portError);
}

void ProtocolChange::stop() {
    if (!running_)
        return;
    auto done = std::move(onFinished);
    onFinished = nullptr;
    finish(text_);
    onFinished = std::move(done);
}

} // namespace zu
