#include "cli/protocol_commands.h"

#include "cli/command_setup.h"
#include "cli/signal_watch.h"
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "core/texts.h"
#include "protocol/logic/protocol_change.h"
#include "protocol/logic/scan.h"
#include "sim/lib/standard_line_factory.h"

#include <QEventLoop>
#include <QTextStream>
#include <unistd.h>

namespace zu::cli {

namespace {

// A filter option's digit: its place in `values`, -1 when not given.
std::optional<int> Digit(CommandParser& cmd, const QCommandLineOption& o,
                         const QStringList& values) {
    if (!cmd.parser().isSet(o))
        return -1;
    const qsizetype i = values.indexOf(cmd.parser().value(o).trimmed().toUpper());
    if (i < 0 || cmd.parser().values(o).size() > 1)
        return std::nullopt;
    return int(i);
}

// "1-247" or "49-64": the range item whose addresses these are.
std::optional<int> AddressItem(const QString& text) {
    for (int item = 0; item <= ScanAddressRanges; ++item) {
        const auto [first, last] = ScanAddressRange(item);
        if (text.trimmed() == QStringLiteral("%1-%2").arg(first).arg(last))
            return item;
    }
    return std::nullopt;
}

DeviceLine DeviceLineOf(const LineSpec& l) {
    return DeviceLine{l.baud, l.dataBits, l.parityCode, l.stopBits, l.rtu};
}

} // namespace

int RunScan(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("scan"),
         QStringLiteral("--port PORT [--addresses 1-247|1-16|...|241-247] [--baud B] "
                        "[--parity N|E|O] [--bits 7|8] [--stop 1|2] [--format ASCII|RTU]"),
         QStringLiteral(
             "Finds the controllers on the line without knowing their settings: probes "
             "every address of the range under every line setting left open, as the "
             "protocol window's Auto Detect does, and prints each controller that answers "
             "as \"address=7 line=19200,8,N,1,RTU\". Progress and the time left go to "
             "standard error. Ctrl-C stops the scan and prints what was found. A "
             "controller set to one stop bit also answers a PC at two, and is listed "
             "under both. --line is not used.\n\n"
             "Exit status 0 when a controller was found, 4 when none answered.\n\n"
             "Example: zucomm scan --port sim --addresses 1-16 --baud 9600")});
    const QCommandLineOption addresses(QStringLiteral("addresses"),
                                       QStringLiteral("1-247 (default) or one range of "
                                                      "sixteen: 1-16, 17-32, ..., 241-247."),
                                       QStringLiteral("RANGE"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("9600, 19200, 38400, 4800 or 2400."),
                                  QStringLiteral("B"));
    const QCommandLineOption parity(QStringLiteral("parity"), QStringLiteral("O, E or N."),
                                    QStringLiteral("P"));
    const QCommandLineOption bits(QStringLiteral("bits"), QStringLiteral("7 or 8."),
                                  QStringLiteral("D"));
    const QCommandLineOption stop(QStringLiteral("stop"), QStringLiteral("1 or 2."),
                                  QStringLiteral("S"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("ASCII or RTU."),
                                    QStringLiteral("F"));
    for (const QCommandLineOption* o : {&addresses, &baud, &parity, &bits, &stop, &format})
        cmd.parser().addOption(*o);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    ScanFilters f;
    if (cmd.parser().isSet(addresses)) {
        const auto item = AddressItem(cmd.parser().value(addresses));
        if (!item)
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--addresses must be 1-247 or a range of sixteen "
                                           "(1-16, 17-32, ..., 225-240, 241-247), not \"%1\"")
                                .arg(cmd.parser().value(addresses)));
        f.addressRange = *item;
    }
    struct Dim {
        const QCommandLineOption* option;
        QStringList values;
        int* digit;
    };
    for (const Dim& d :
         {Dim{&baud, {"9600", "19200", "38400", "4800", "2400"}, &f.baud},
          Dim{&parity, {"O", "E", "N"}, &f.parity}, Dim{&bits, {"7", "8"}, &f.dataBits},
          Dim{&stop, {"1", "2"}, &f.stopBits}, Dim{&format, {"ASCII", "RTU"}, &f.framing}}) {
        const auto v = Digit(cmd, *d.option, d.values);
        if (!v)
            return cmd.fail(err, ExitUsage,
                            QStringLiteral("--%1 must be %2, not \"%3\"")
                                .arg(d.option->names().first(), d.values.join(QLatin1String(", ")),
                                     cmd.parser().values(*d.option).join(QLatin1Char(' '))));
        *d.digit = *v;
    }
    if (f.framing == 1 && f.dataBits == 0)
        return cmd.fail(err, ExitUsage, QStringLiteral("RTU needs 8 data bits"));

    int code = ExitUsage;
    auto port = cmd.port(err, &code);
    if (!port)
        return code;
    auto clock = makeRealClock();
    sim::StandardLineFactory lines(*clock);
    AppState app(*clock, lines, port->directory);
    ReplyGathering replies(app);
    DeviceScan scan(app, replies);
    const bool tty = isatty(STDERR_FILENO) == 1;
    QString shownSetting;
    QEventLoop loop;
    QString lost;
    scan.onProgress = [&] {
        if (!scan.Scanning())
            return;
        const QString setting = ScanLineText(scan.ScanIndex());
        if (tty) {
            err << '\r' << setting << "  address " << scan.ScanAddress() << "  " << scan.estimate()
                << "   ";
            err.flush();
        } else if (setting != shownSetting) {
            err << "probing " << setting << ", " << scan.estimate() << '\n';
            err.flush();
        }
        shownSetting = setting;
    };
    scan.onFound = [&](const ScanResult& r) {
        if (tty)
            err << '\r' << QString(70, QLatin1Char(' ')) << '\r';
        out << "address=" << r.address << " line=" << ScanLineText(r.index) << '\n';
        out.flush();
    };
    scan.onFinished = [&](const QString& why) {
        lost = why;
        loop.quit();
    };
    SignalWatch watch([&](int) { scan.cancel(); });
    if (PortResult r = scan.start(f, port->comNumber); !r)
        return cmd.fail(err, ExitPort, PortOpenMessage(*port, r.message));
    if (!tty)
        err << "probing " << ScanLineText(scan.ScanIndex()) << ", "
            << ScanEstimateText(scan.ScanProbeTotal(), 0) << '\n';
    shownSetting = ScanLineText(scan.ScanIndex());
    if (scan.Scanning())
        loop.exec();
    if (tty)
        err << '\r' << QString(70, QLatin1Char(' ')) << '\r';
    err << scan.text() << '\n';
    err.flush();
    if (!lost.isEmpty())
        return cmd.fail(err, ExitPort, PortOpenMessage(*port, lost));
    return scan.ScanFoundCount() > 0 ? ExitOk : ExitTimeout;
}

int RunSetProtocol(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandParser cmd(
        {QStringLiteral("set-protocol"),
         QStringLiteral("--port PORT --address N --line LINE --new-address M --new-line LINE "
                        "[--sync]"),
         QStringLiteral(
             "Gives the controller at address N, which runs LINE now, the address M and "
             "the setting of --new-line, as the protocol window's SET Modelue COM face "
             "does: register 0x470B is written in the present setting and its echo "
             "checked. With --sync the controller is then told, in its new setting, to "
             "pass the setting on to the extension devices after it (register 0x4722). "
             "The PC's own setting (SETDT.$$$) is not changed.\n\n"
             "Example: zucomm set-protocol --port sim --address 1 --line 9600,7,E,1,ASCII "
             "--new-address 5 --new-line 19200,8,N,1,RTU")});
    const QCommandLineOption address(
        QStringLiteral("address"), QStringLiteral("Present address, 1..247."), QStringLiteral("N"));
    const QCommandLineOption newAddress(
        QStringLiteral("new-address"), QStringLiteral("New address, 1..247."), QStringLiteral("M"));
    const QCommandLineOption newLine(QStringLiteral("new-line"),
                                     QStringLiteral("New setting, e.g. 19200,8,N,1,RTU."),
                                     QStringLiteral("LINE"));
    const QCommandLineOption sync(QStringLiteral("sync"),
                                  QStringLiteral("Also send the auto-synchronise command."));
    for (const QCommandLineOption* o : {&address, &newAddress, &newLine, &sync})
        cmd.parser().addOption(*o);
    if (auto done = cmd.parse(args, out, err))
        return *done;
    QCommandLineParser& p = cmd.parser();
    for (const char* name : {"address", "line", "new-address", "new-line"})
        if (!p.isSet(QLatin1String(name)))
            return cmd.fail(err, ExitUsage, QStringLiteral("--%1 is missing").arg(name));
    const auto a = ParseNumber(p.value(address), 1, 247);
    const auto m = ParseNumber(p.value(newAddress), 1, 247);
    if (!a || !m)
        return cmd.fail(err, ExitUsage,
                        QStringLiteral("--address and --new-address must be 1..247 (0 is the "
                                       "broadcast, 248..255 are reserved)"));
    QString error;
    const auto next = ParseLineSpec(p.value(newLine), &error);
    if (!next)
        return cmd.fail(err, ExitUsage, QStringLiteral("--new-line: ") + error);
    int code = ExitUsage;
    auto link = cmd.link(err, &code);
    if (!link)
        return code;
    ReplyGathering replies(*link->app);
    ProtocolChange change(*link->app, replies);
    QEventLoop loop;
    QString portError;
    change.onUserMessage = [&](int c) {
        if (c == 252)
            err << text::ChangingProtocol << ' ' << text::PleaseWait << '\n';
        else
            err << text::AutoSyncSuccess << ". " << text::ConnectExtendDevice << '\n';
        err.flush();
    };
    bool over = false;
    change.onFinished = [&](const QString& e) {
        portError = e;
        over = true;
        loop.quit();
    };
    ProtocolChangeOrder o;
    o.port = link->port.comNumber;
    o.beforeAddress = int(*a);
    o.before = DeviceLineOf(link->line);
    o.afterAddress = int(*m);
    o.after = DeviceLineOf(*next);
    o.sync = p.isSet(sync);
    err << text::DeviceProtocolChanging << '\n';
    err.flush();
    change.start(o);
    if (!over)
        loop.exec();
    if (!portError.isEmpty())
        return cmd.fail(err, ExitPort, PortOpenMessage(link->port, portError));
    if (change.succeeded()) {
        out << change.text() << '\n';
        out.flush();
        return ExitOk;
    }
    err << change.text() << '\n';
    err.flush();
    return change.text() == QLatin1String(text::TimeoutFailToChange) ? ExitTimeout : ExitBadReply;
}

} // namespace zu::cli
