#include "cli/register_transaction.h"

#include "cli/cli_options.h"
#include "core/codec.h"
#include "core/texts.h"
#include "device/reply_check.h"

namespace zu::cli {

RegisterTransaction::RegisterTransaction(TApdComPort& port, bool rtu, int baud)
    : port_(port), reply_(port), rtu_(rtu), baud_(baud) {}

RegisterTransaction::~RegisterTransaction() {
    port_.OnTrigger = nullptr;
    port_.OnLineLost = nullptr;
}

void RegisterTransaction::start(const TransactionRequest& request,
                                std::function<void(TransactionOutcome)> done) {
    request_ = request;
    done_ = std::move(done);
    finished_ = false;
    frame_ =
        codec::BuildRequest(rtu_, request.address, request.function, request.reg, request.operand);

    ReplyRules rules;
    rules.rtu = rtu_;
    rules.timeoutTicks = ReplyTimeoutTicks(
        rtu_, baud_, request.function == 0x06 ? ReplyWait::Write : ReplyWait::Read);
    rules.capacity = ReceiveBufferSize;
    rules.rtuMinimumLength = RtuMinimumLength(request.function, request.operand);

    port_.OnTrigger = [this](TApdComPort&, std::uint16_t message, std::uint16_t handle,
                             std::uint16_t data) { reply_.onTrigger(message, handle, data); };
    port_.OnLineLost = [this](TApdComPort&, const QString& why) {
        finish({ExitPort, why, {}, {}});
    };
    const PortResult sent = reply_.start(frame_, rules, [this](const GatheredReply& r) {
        if (r.end == ReplyEnd::TimedOut)
            finish({ExitTimeout, QString::fromLatin1(text::TimeoutError), {}, {}});
        else
            check(r);
    });
    if (!sent)
        finish({ExitPort, sent.message, {}, {}});
}

void RegisterTransaction::check(const GatheredReply& reply) {
    const std::vector<std::uint8_t>& rx = reply.bytes;
    SentRequest sent;
    sent.rtu = rtu_;
    sent.address = request_.address;
    sent.function = request_.function;
    sent.reg = request_.reg;
    sent.operand = request_.operand;
    sent.frame = frame_;
    const CheckedReply r = CheckReply(sent, rx.data(), int(rx.size()), reply.overflow);

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
                const int n = int(rx.size());
                const int code = rtu_
                                     ? (n > 2 ? rx[2] : 0)
                                     : (n > 6 ? codec::HexPairToByte(char(rx[5]), char(rx[6])) : 0);
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
    reply_.cancel();
    // Moved out first: the callback may end the program's loop and with it this object.
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(std::move(outcome));
}

} // namespace zu::cli
