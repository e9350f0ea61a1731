#pragma once
// One register read (function 03) or single write (function 06) on an open
// serial port component, through the program's one reply transaction and
// checked the way the monitor does it (same time-outs, same frame end, same
// checks and texts), so a failure reads exactly as in the window.
#include "core/apd_com_port.h"
#include "core/reply_transaction.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace zu::cli {

struct TransactionRequest {
    int address = 1;
    int function = 0x03; // 0x03 read or 0x06 write
    std::uint16_t reg = 0;
    std::uint16_t operand = 1; // word count of a read, value of a write
};

struct TransactionOutcome {
    int exitCode = 0;                 // an ExitCode
    QString error;                    // the monitor's text; empty on success
    QString detail;                   // more on a refused write, else empty
    std::vector<std::uint16_t> words; // a read's register values
};

class RegisterTransaction {
  public:
    // The port must be open with the line setting `rtu` and `baud` describe.
    RegisterTransaction(TApdComPort& port, bool rtu, int baud);
    ~RegisterTransaction();
    RegisterTransaction(const RegisterTransaction&) = delete;
    RegisterTransaction& operator=(const RegisterTransaction&) = delete;

    // Sends the frame; `done` runs once, from the port's event, with the result.
    void start(const TransactionRequest& request, std::function<void(TransactionOutcome)> done);

  private:
    void check(const GatheredReply& reply);
    void finish(TransactionOutcome outcome);

    TApdComPort& port_;
    ReplyTransaction reply_;
    bool rtu_;
    int baud_;
    TransactionRequest request_;
    std::vector<std::uint8_t> frame_;
    std::function<void(TransactionOutcome)> done_;
    bool finished_ = false;
};

} // namespace zu::cli
