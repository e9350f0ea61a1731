#pragma once
// One request and its reply on an open serial port component: a register
// read (function 03) or a single write (function 06). The reply is gathered
// and checked the way the monitor does it (same time-outs, same frame end,
// same checks and texts), so a failure reads exactly as in the window.
#include "core/apd_com_port.h"

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

    // Reply time-out in ticks of 55 ms, as the monitor arms it.
    static int TimeoutTicks(bool rtu, int baud, int function);

  private:
    void onTrigger(std::uint16_t message, std::uint16_t handle, std::uint16_t data);
    void onBytes(std::uint16_t count);
    void onExpired();
    void check();
    void finish(TransactionOutcome outcome);

    TApdComPort& port_;
    bool rtu_;
    int baud_;
    TransactionRequest request_;
    std::vector<std::uint8_t> frame_;
    std::function<void(TransactionOutcome)> done_;
    std::uint16_t trigger_ = 0;
    int ticks_ = 18;
    std::vector<std::uint8_t> rx_;
    bool overflow_ = false;
    int rtuExpected_ = 250;
    int rtuMinimum_ = 3;
    bool rtuGrace_ = false;
    bool finished_ = false;
};

} // namespace zu::cli
