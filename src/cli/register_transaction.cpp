#include "cli/register_transaction.h"

#include "cli/cli_options.h"
#include "core/codec.h"
#include "core/texts.h"
#include "monitor/monitor_reply.h"

namespace zu::cli {

RegisterTransaction::RegisterTransaction(TApdComPort& port, bool rtu, int baud)
    : port_(port), rtu_(rtu), baud_(baud) {}

RegisterTransaction::~RegisterTransaction() {
    port_.OnTrigger = nullptr;
    port_.OnLineLost = nullptr;
    if (trigger_)
        port_.SetTimerTrigger(trigger_, 0, false);
}

int RegisterTransaction::TimeoutTicks(bool rtu, int baud, int function) {
    if (rtu)
        return baud >= 38400 ? 1 : baud >= 9600 ? 2 : 3;
    return function == 0x06 ? 50 : 18;
}

void RegisterTransaction::start(const TransactionRequest& request,
                                std::function<void(TransactionOutcome)> done) {
    request_ = request;
    done_ = std::move(done);
    finished_ = false;
    rx_.clear();
    overflow_ = false;
    rtuExpected_ = 250;
    rtuGrace_ = false;
    ticks_ = TimeoutTicks(rtu_, baud_, request.function);
    rtuMinimum_ = request.function == 0x03 ? 2 * (request.operand & 0xFF) + 5 : 8;
    frame_ =
        codec::BuildRequest(rtu_, request.address, request.function, request.reg, request.operand);

    port_.OnTrigger = [this](TApdComPort&, std::uint16_t message, std::uint16_t handle,
                             std::uint16_t data) { onTrigger(message, handle, data); };
    port_.OnLineLost = [this](TApdComPort&, const QString& why) {
        finish({ExitPort, why, {}, {}});
    };
    trigger_ = port_.AddTimerTrigger();
    port_.SetTimerTrigger(trigger_, ticks_, true);
    const PortResult sent = port_.PutBlock(frame_.data(), std::uint16_t(frame_.size()));
    if (!sent)
        finish({ExitPort, sent.message, {}, {}});
}

void RegisterTransaction::onTrigger(std::uint16_t message, std::uint16_t handle,
                                    std::uint16_t data) {
    if (finished_)
        return;
    if (message == MsgDataAvailable)
        onBytes(data);
    else if (message == MsgTimerExpired && handle == trigger_)
        onExpired();
}

void RegisterTransaction::onBytes(std::uint16_t count) {
    port_.SetTimerTrigger(trigger_, 0, false);
    std::uint8_t last = 0;
    for (int i = 0; i < count; ++i) {
        last = port_.GetChar();
        if (int(rx_.size()) < ReceiveBufferSize)
            rx_.push_back(last);
        else
            overflow_ = true;
        if (rtu_ && !overflow_)
            rtuExpected_ = codec::PredictRtuLength(rtuExpected_, int(rx_.size()), rx_.data());
    }
    const bool complete = rtu_ ? int(rx_.size()) == rtuExpected_ : (count > 0 && last == '\n');
    if (complete || overflow_) {
        check();
        return;
    }
    port_.SetTimerTrigger(trigger_, ticks_, true);
}

void RegisterTransaction::onExpired() {
    port_.SetTimerTrigger(trigger_, 0, false);
    if (rtu_ && !rx_.empty()) {
        // A reply shorter than the one asked for (an exception, a cut frame)
        // gets one more time-out to complete, then it is judged as it is.
        if (int(rx_.size()) < rtuMinimum_ && !rtuGrace_) {
            rtuGrace_ = true;
            port_.SetTimerTrigger(trigger_, ticks_, true);
            return;
        }
        check();
        return;
    }
    finish({ExitTimeout, QString::fromLatin1(text::TimeoutError), {}, {}});
}

void RegisterTransaction::check() {
    SentRequest sent;
    sent.rtu = rtu_;
    sent.address = request_.address;
    sent.function = request_.function;
    sent.reg = request_.reg;
    sent.operand = request_.operand;
    sent.frame = frame_;
    const CheckedReply r = CheckReply(sent, rx_.data(), int(rx_.size()), overflow_);

    TransactionOutcome out;
    switch (r.kind) {
    case ReplyKind::Read:
        out.exitCode = ExitOk;
        out.words.assign(r.words.begin(), r.words.begin() + r.wordCount);
        break;
    case ReplyKind::WriteEcho:
        if (!r.echoMatches) {
            out.exitCode = ExitRefused;
            out.error = QString::fromLatin1(text::WriteCompareFail);
            if (r.function == 0x86) {
                const int n = int(rx_.size());
                const int code =
                    rtu_ ? (n > 2 ? rx_[2] : 0)
                         : (n > 6 ? codec::HexPairToByte(char(rx_[5]), char(rx_[6])) : 0);
                out.detail = QStringLiteral("the device refused the write: exception %1, %2")
                                 .arg(code)
                                 .arg(QString::fromStdString(codec::ExceptionMessage(code)));
            } else {
                out.detail = QStringLiteral("the device answered with another value");
            }
        }
        break;
    case ReplyKind::Exception:
        out.exitCode = ExitRefused;
        out.error = QString::fromLatin1(r.function == 0xE8 ? text::WriteErrorPrefix
                                                           : text::ReadErrorPrefix) +
                    QString::fromStdString(codec::ExceptionMessage(r.exceptionCode));
        break;
    case ReplyKind::ForeignAddress:
        out.exitCode = ExitBadReply;
        out.error = QString::fromLatin1(text::AddressNotCorrect);
        break;
    case ReplyKind::Identify77:
    case ReplyKind::Bad:
        out.exitCode = ExitBadReply;
        out.error = QString::fromLatin1(r.errorState == ErrChecksum   ? text::ChecksumError
                                        : r.errorState == ErrFunction ? text::UnknowCommand
                                                                      : text::RcvFormatError);
        break;
    }
    finish(std::move(out));
}

void RegisterTransaction::finish(TransactionOutcome outcome) {
    if (finished_)
        return;
    finished_ = true;
    if (trigger_)
        port_.SetTimerTrigger(trigger_, 0, false);
    // Moved out first: the callback may end the program's loop and with it this object.
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(std::move(outcome));
}

} // namespace zu::cli
