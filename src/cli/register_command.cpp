#include "cli/register_command.h"

#include "cli/command_setup.h"
#include "cli/register_transaction.h"
#include "core/apd_com_port.h"
#include "core/app_state.h"
#include "device/reply_check.h"

#include <QEventLoop>
#include <QTextStream>

namespace zu::cli {

namespace {

// The most registers a controller returns for one request.
constexpr int kMaxCount = MaxRegisterValues;

const QCommandLineOption kAddress(QStringLiteral("address"),
                                  QStringLiteral("Modbus address of the controller, 1..247."),
                                  QStringLiteral("N"));
const QCommandLineOption kRegister(QStringLiteral("register"),
                                   QStringLiteral("Register address, decimal or hex with 0x "
                                                  "(0x4700 = 18176), 0..0xFFFF."),
                                   QStringLiteral("R"));

struct Target {
    int address = 1;
    std::uint16_t reg = 0;
};

std::optional<Target> TargetOf(CommandParser& cmd, QTextStream& err, int* exitCode) {
    QCommandLineParser& p = cmd.parser();
    *exitCode = ExitUsage;
    for (const QCommandLineOption* o : {&kAddress, &kRegister}) {
        if (!p.isSet(*o)) {
            cmd.fail(err, ExitUsage, QStringLiteral("--%1 is missing").arg(o->names().first()));
            return std::nullopt;
        }
        if (p.values(*o).size() > 1) {
            cmd.fail(err, ExitUsage,
                     QStringLiteral("--%1 given more than once").arg(o->names().first()));
            return std::nullopt;
        }
    }
    Target t;
    const auto address = ParseNumber(p.value(kAddress), 1, 247);
    if (!address) {
        cmd.fail(err, ExitUsage,
                 QStringLiteral("--address must be 1..247, not \"%1\"").arg(p.value(kAddress)));
        return std::nullopt;
    }
    const auto reg = ParseNumber(p.value(kRegister), 0, 0xFFFF);
    if (!reg) {
        cmd.fail(err, ExitUsage,
                 QStringLiteral("--register must be 0..65535 or 0x0000..0xFFFF, not \"%1\"")
                     .arg(p.value(kRegister)));
        return std::nullopt;
    }
    t.address = int(*address);
    t.reg = std::uint16_t(*reg);
    return t;
}

// Opens the port, runs one request, and prints the failure if there is one.
int Transact(CommandParser& cmd, const TransactionRequest& request, QTextStream& err,
             TransactionOutcome* outcome) {
    int code = ExitUsage;
    const auto link = cmd.link(err, &code);
    if (!link)
        return code;
    TApdComPort com(*link->clock, *link->lines, link->port.directory);
    com.takeSetting(link->app->Com);
    const PortResult opened = com.setOpen(true);
    if (!opened)
        return cmd.fail(err, ExitPort, PortOpenMessage(link->port, opened.message));

    QEventLoop loop;
    RegisterTransaction transaction(com, link->line.rtu, link->line.baud);
    transaction.start(request, [&](TransactionOutcome o) {
        *outcome = std::move(o);
        loop.quit();
    });
    // The transaction always ends, by its reply, its time-out or a lost line;
    // when it ended inside start() the loop must not wait.
    if (outcome->exitCode == -1)
        loop.exec();
    com.setOpen(false);
    if (outcome->exitCode != ExitOk) {
        err << outcome->error << '\n';
        if (!outcome->detail.isEmpty())
            err << outcome->detail << '\n';
        err.flush();
    }
    return outcome->exitCode;
}

} // namespace

QString FormatRegisterLine(std::uint16_t reg, std::uint16_t value) {
    const auto hex = [](std::uint16_t v) {
        return QStringLiteral("0x") +
               QString::number(v, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    };
    return QStringLiteral("%1 = %2 (%3, signed %4)")
        .arg(hex(reg))
        .arg(value)
        .arg(hex(value))
        .arg(std::int16_t(value));
}

int RunRead(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("read"),
         QStringLiteral("--port PORT --address N --register R [--count C] [--line LINE]"),
         QStringLiteral("Reads C holding registers from R on (function 03), checks the "
                        "reply as the monitor does and prints one line per register: "
                        "its address in hex, the value in decimal and hex, and the "
                        "value as a signed 16-bit number. Errors go to standard error "
                        "with the monitor's text.\n\n"
                        "Example: zucomm read --port sim --address 2 --register 0x4700 "
                        "--count 2")});
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("Number of registers, 1..%1 (default 1).").arg(kMaxCount),
        QStringLiteral("C"), QStringLiteral("1"));
    cmd.parser().addOption(kAddress);
    cmd.parser().addOption(kRegister);
    cmd.parser().addOption(count);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    int code = ExitUsage;
    const auto target = TargetOf(cmd, err, &code);
    if (!target)
        return code;
    const auto n = ParseNumber(cmd.parser().value(count), 1, kMaxCount);
    if (!n || cmd.parser().values(count).size() > 1)
        return cmd.fail(err, ExitUsage,
                        QStringLiteral("--count must be 1..%1 (the most a controller answers at "
                                       "once), not \"%2\"")
                            .arg(kMaxCount)
                            .arg(cmd.parser().values(count).join(QLatin1Char(' '))));
    if (target->reg + *n - 1 > 0xFFFF)
        return cmd.fail(err, ExitUsage, QStringLiteral("--register plus --count runs past 0xFFFF"));

    TransactionOutcome outcome;
    outcome.exitCode = -1;
    const int result =
        Transact(cmd, {target->address, 0x03, target->reg, std::uint16_t(*n)}, err, &outcome);
    if (result != ExitOk)
        return result;
    for (std::size_t i = 0; i < outcome.words.size(); ++i)
        out << FormatRegisterLine(std::uint16_t(target->reg + i), outcome.words[i]) << '\n';
    out.flush();
    return ExitOk;
}

int RunWrite(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("write"),
         QStringLiteral("--port PORT --address N --register R --value V [--line LINE]"),
         QStringLiteral("Writes V into register R (function 06) and checks that the "
                        "device echoes the request unchanged, as the monitor does; a "
                        "device that refuses or clamps the value gives \"Writing data "
                        "compare fail !!!\". Protected registers may need the unlock "
                        "word 0x6C3E written first (0x471B on family A, 0x472A on B "
                        "and C).\n\n"
                        "Example: zucomm write --port sim --address 2 --register 0x4701 "
                        "--value 1234")});
    const QCommandLineOption value(
        QStringLiteral("value"),
        QStringLiteral("The value: 0..65535, -32768..-1 (sent as two's "
                       "complement), or hex with 0x. Values in tenths "
                       "(temperatures) are given in tenths: 25.0 is 250."),
        QStringLiteral("V"));
    cmd.parser().addOption(kAddress);
    cmd.parser().addOption(kRegister);
    cmd.parser().addOption(value);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    int code = ExitUsage;
    const auto target = TargetOf(cmd, err, &code);
    if (!target)
        return code;
    if (!cmd.parser().isSet(value))
        return cmd.fail(err, ExitUsage, QStringLiteral("--value is missing"));
    const auto v = ParseNumber(cmd.parser().value(value), -32768, 65535);
    if (!v || cmd.parser().values(value).size() > 1)
        return cmd.fail(
            err, ExitUsage,
            QStringLiteral("--value must be -32768..65535 or 0x0000..0xFFFF, not \"%1\"")
                .arg(cmd.parser().values(value).join(QLatin1Char(' '))));
    const auto word = std::uint16_t(*v & 0xFFFF);

    TransactionOutcome outcome;
    outcome.exitCode = -1;
    const int result = Transact(cmd, {target->address, 0x06, target->reg, word}, err, &outcome);
    if (result != ExitOk)
        return result;
    out << FormatRegisterLine(target->reg, word) << " written\n";
    out.flush();
    return ExitOk;
}

} // namespace zu::cli
