// zusim: simulated controllers on a pseudo-terminal.
#include "core/clock.h"
#include "sim/lib/pty_server.h"
#include "sim/lib/sim_bus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

const char* kDescription =
    "Serves simulated temperature controllers (families A, B, C) on a pseudo-terminal.\n"
    "The first line of output is the path of the terminal to open.\n"
    "\n"
    "A pty carries no parity or data bits: every frame counts as sent in the --line\n"
    "setting, and a controller answers only while its own setting is that one (after\n"
    "a change through register 0x470B it waits on the new setting).\n"
    "\n"
    "Faults (--fault NAME:ADDRESS[:every=N][:param=P], repeatable):\n"
    "  silence        the controller hears and answers nothing\n"
    "  bad-checksum   the reply's LRC or CRC is wrong\n"
    "  wrong-address  the reply names the next address\n"
    "  truncated      the reply stops half way\n"
    "  noise          three noise bytes go before the reply\n"
    "  slow           the reply comes param ms late (default 1500)\n"
    "  pv-status      the PV reads as status code 0x80nn, nn = param (default 3)\n"
    "  exception      the request is refused with exception code param (default 4)\n"
    "every=N spoils only every N-th answer.\n"
    "\n"
    "Family-C controllers start at level Unlock All with the keys 1111, 2222 and\n"
    "3333 enabled (levels Unlock All, Read All SV/AT, PV/SV).";

bool parseDevice(const QString& text, char* family, int* address) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2 || parts[0].size() != 1)
        return false;
    const QChar f = parts[0][0].toUpper();
    bool ok = false;
    const int a = parts[1].toInt(&ok);
    if (!ok || a < 1 || a > 247 ||
        (f != QLatin1Char('A') && f != QLatin1Char('B') && f != QLatin1Char('C')))
        return false;
    *family = char(f.toLatin1());
    *address = a;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zusim"));
    QCommandLineParser cli;
    cli.setApplicationDescription(QString::fromLatin1(kDescription));
    cli.addHelpOption();
    QCommandLineOption link(QStringLiteral("link"),
                            QStringLiteral("Also make a symbolic link to the terminal at PATH."),
                            QStringLiteral("PATH"));
    QCommandLineOption line(QStringLiteral("line"),
                            QStringLiteral("Line setting of the controllers, "
                                           "BAUD,DATABITS,PARITY,STOPBITS,FRAMING "
                                           "(default 9600,7,E,1,ASCII; e.g. 38400,8,N,1,RTU)."),
                            QStringLiteral("SETTING"), QStringLiteral("9600,7,E,1,ASCII"));
    QCommandLineOption device(QStringLiteral("device"),
                              QStringLiteral("A controller FAMILY:ADDRESS, repeatable "
                                             "(default A:1, B:2, C:3)."),
                              QStringLiteral("FAMILY:ADDRESS"));
    QCommandLineOption wire(QStringLiteral("wire-time"),
                            QStringLiteral("Hand out every byte at its wire time at the baud rate, "
                                           "after the controller's turnaround."));
    QCommandLineOption turnaround(QStringLiteral("turnaround"),
                                  QStringLiteral("Turnaround of every controller in ms with "
                                                 "--wire-time (default 5)."),
                                  QStringLiteral("MS"), QStringLiteral("5"));
    QCommandLineOption fault(QStringLiteral("fault"),
                             QStringLiteral("Inject a fault, NAME:ADDRESS[:every=N][:param=P] "
                                            "(see above), repeatable."),
                             QStringLiteral("FAULT"));
    QCommandLineOption verbose(QStringLiteral("verbose"),
                               QStringLiteral("Log every request to standard error."));
    cli.addOptions({link, line, device, wire, turnaround, fault, verbose});
    cli.process(app);

    auto fatal = [](const QString& why) {
        std::fprintf(stderr, "zusim: %s\n", qPrintable(why));
        return 2;
    };
    const auto setting = zu::sim::parseSetting(cli.value(line).toStdString());
    if (!setting)
        return fatal(
            QStringLiteral("bad --line %1 (expected e.g. 9600,7,E,1,ASCII)").arg(cli.value(line)));
    bool ok = false;
    const int turnaroundMs = cli.value(turnaround).toInt(&ok);
    if (!ok || turnaroundMs < 0)
        return fatal(QStringLiteral("bad --turnaround %1").arg(cli.value(turnaround)));

    auto clock = zu::makeRealClock();
    zu::sim::Bus bus(*clock);
    QStringList devices = cli.values(device);
    if (devices.isEmpty())
        devices = {QStringLiteral("A:1"), QStringLiteral("B:2"), QStringLiteral("C:3")};
    for (const QString& d : devices) {
        char family = 0;
        int address = 0;
        if (!parseDevice(d, &family, &address))
            return fatal(QStringLiteral("bad --device %1 (expected e.g. C:7)").arg(d));
        bus.addDevice(family, std::uint8_t(address), *setting).setTurnaroundMs(turnaroundMs);
    }
    for (const QString& f : cli.values(fault)) {
        int address = 0;
        const auto parsed = zu::sim::parseFault(f.toStdString(), &address);
        zu::sim::Device* target = parsed ? bus.find(std::uint8_t(address)) : nullptr;
        if (!target)
            return fatal(QStringLiteral("bad --fault %1 (expected e.g. bad-checksum:2:every=3 "
                                        "for a configured address)")
                             .arg(f));
        target->faults().push_back(*parsed);
    }
    if (cli.isSet(verbose)) {
        bus.observer = [](const zu::sim::Device& d, const zu::sim::Request& r) {
            std::fprintf(stderr, "%c:%d function %02X register %04X value %04X%s\n", d.family(),
                         d.address(), r.function, r.reg, r.operand,
                         r.address == 0 ? " (broadcast)" : "");
        };
    }

    zu::sim::PtyServer server(*clock, bus, setting->line, cli.isSet(wire));
    QString error;
    if (!server.start(&error))
        return fatal(error);
    const QString linkPath = cli.value(link);
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(server.slavePath(), linkPath))
            return fatal(QStringLiteral("cannot make the link %1").arg(linkPath));
    }
    std::printf("%s\n", qPrintable(server.slavePath()));
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return fatal(QStringLiteral("socketpair failed"));
    QSocketNotifier quitNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    const int rc = app.exec();
    server.unplug();
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    return rc;
}
