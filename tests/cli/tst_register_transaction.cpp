// One read or write on the serial port component against simulated
// controllers, on virtual time: values, the monitor's error texts and the
// exit status of every outcome.
#include "cli/cli_options.h"
#include "cli/register_transaction.h"
#include "core/apd_com_port.h"
#include "core/port_directory.h"
#include "sim/lib/sim_device.h"
#include "sim/lib/standard_line_factory.h"

#include <QtTest>
#include <optional>

using namespace zu;
using namespace zu::cli;

namespace {

// The built-in line (A:1, B:2, C:3 at 9600 7E1 ASCII) plus, for RTU, a
// family-B controller at address 5 on 19200 8N1 RTU.
struct Bench {
    VirtualClock clock;
    sim::StandardLineFactory lines{clock};
    PortDirectory directory;
    TApdComPort port{clock, lines, directory};
    sim::Device* rtuDevice = nullptr;

    explicit Bench(bool rtu) {
        directory.set(1, QStringLiteral("sim"));
        sim::DeviceSetting s;
        s.line = {19200, 8, LineParity::None, 1};
        s.framing = sim::Framing::Rtu;
        rtuDevice = &lines.simulatedBus().addDevice('B', 5, s);
        port.setComNumber(1);
        if (rtu) {
            port.setBaud(19200);
            port.setDataBits(8);
            port.setParity(LineParity::None);
        } else {
            port.setBaud(9600);
            port.setDataBits(7);
            port.setParity(LineParity::Even);
        }
        port.setStopBits(1);
        const bool opened = bool(port.setOpen(true));
        Q_ASSERT(opened);
    }
    sim::Device& device(int address) { return *lines.simulatedBus().find(std::uint8_t(address)); }

    TransactionOutcome run(bool rtu, const TransactionRequest& request) {
        RegisterTransaction t(port, rtu, rtu ? 19200 : 9600);
        std::optional<TransactionOutcome> result;
        t.start(request, [&](TransactionOutcome o) { result = std::move(o); });
        clock.advanceUntil([&] { return result.has_value(); }, 20000);
        return result.value_or(TransactionOutcome{-1, QStringLiteral("never ended"), {}, {}});
    }
};

} // namespace

class TestRegisterTransaction : public QObject {
    Q_OBJECT
  private slots:
    void readsWhatTheDeviceHolds_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("address");
        QTest::newRow("ASCII, family A") << false << 1;
        QTest::newRow("ASCII, family B") << false << 2;
        QTest::newRow("ASCII, family C") << false << 3;
        QTest::newRow("RTU, family B") << true << 5;
    }
    void readsWhatTheDeviceHolds() {
        QFETCH(bool, rtu);
        QFETCH(int, address);
        Bench b(rtu);
        // Parameters, which stay as they are (the PV moves).
        b.device(address).poke(0x4708, 0xFFF6);
        b.device(address).poke(0x4709, 1234);
        const TransactionOutcome o = b.run(rtu, {address, 0x03, 0x4708, 3});
        QCOMPARE(o.exitCode, int(ExitOk));
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.words.size(), std::size_t(3));
        QCOMPARE(o.words[0], std::uint16_t(0xFFF6));
        QCOMPARE(o.words[1], std::uint16_t(1234));
        QCOMPARE(o.words[2], b.device(address).peek(0x470A));
    }

    void writesAndTheEchoIsChecked_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("address");
        QTest::newRow("ASCII") << false << 2;
        QTest::newRow("RTU") << true << 5;
    }
    void writesAndTheEchoIsChecked() {
        QFETCH(bool, rtu);
        QFETCH(int, address);
        Bench b(rtu);
        const TransactionOutcome o = b.run(rtu, {address, 0x06, 0x4701, 1234});
        QCOMPARE(o.exitCode, int(ExitOk));
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        QCOMPARE(b.device(address).peek(0x4701), std::uint16_t(1234));
    }

    void failuresReadAsInTheMonitor_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("operand");
        QTest::addColumn<int>("fault"); // -1 none, else sim::FaultKind
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        const int none = -1;
        QTest::newRow("ASCII, nobody at the address")
            << false << 9 << 3 << 0x4700 << 1 << none << int(ExitTimeout)
            << "Received data time out error";
        QTest::newRow("RTU, nobody at the address")
            << true << 9 << 3 << 0x4700 << 1 << none << int(ExitTimeout)
            << "Received data time out error";
        QTest::newRow("ASCII write, nobody at the address")
            << false << 9 << 6 << 0x4701 << 5 << none << int(ExitTimeout)
            << "Received data time out error";
        QTest::newRow("ASCII, register outside the map")
            << false << 2 << 3 << 0x0100 << 1 << none << int(ExitRefused)
            << " Read error : illegal address  !!!";
        QTest::newRow("RTU, register outside the map (ends by time-out)")
            << true << 5 << 3 << 0x0100 << 1 << none << int(ExitRefused)
            << " Read error : illegal address  !!!";
        QTest::newRow("RTU, nine registers")
            << true << 5 << 3 << 0x4700 << 9 << none << int(ExitRefused)
            << " Read error : illegal data     !!!";
        QTest::newRow("ASCII, write to a read-only register")
            << false << 2 << 6 << 0x4700 << 1 << none << int(ExitRefused)
            << "Writing data compare fail !!!";
        QTest::newRow("RTU, write to a read-only register")
            << true << 5 << 6 << 0x4700 << 1 << none << int(ExitRefused)
            << "Writing data compare fail !!!";
        QTest::newRow("ASCII, bad LRC")
            << false << 2 << 3 << 0x4700 << 2 << int(sim::FaultKind::BadChecksum)
            << int(ExitBadReply) << "Received checksum error !!!";
        QTest::newRow("RTU, bad CRC")
            << true << 5 << 3 << 0x4700 << 2 << int(sim::FaultKind::BadChecksum)
            << int(ExitBadReply) << "Received checksum error !!!";
        QTest::newRow("ASCII, reply from another address")
            << false << 2 << 3 << 0x4700 << 2 << int(sim::FaultKind::WrongAddress)
            << int(ExitBadReply) << "Address not correct";
        QTest::newRow("RTU, reply from another address")
            << true << 5 << 3 << 0x4700 << 2 << int(sim::FaultKind::WrongAddress)
            << int(ExitBadReply) << "Address not correct";
        QTest::newRow("ASCII, reply cut short: no LF, a time-out")
            << false << 2 << 3 << 0x4700 << 2 << int(sim::FaultKind::Truncated) << int(ExitTimeout)
            << "Received data time out error";
        QTest::newRow("RTU, reply cut short: judged after the grace")
            << true << 5 << 3 << 0x4700 << 2 << int(sim::FaultKind::Truncated) << int(ExitBadReply)
            << "Received checksum error !!!";
        QTest::newRow("ASCII, noise before the reply")
            << false << 2 << 3 << 0x4700 << 2 << int(sim::FaultKind::Noise) << int(ExitBadReply)
            << "Rcv format error !!!";
    }
    void failuresReadAsInTheMonitor() {
        QFETCH(bool, rtu);
        QFETCH(int, address);
        QFETCH(int, function);
        QFETCH(int, reg);
        QFETCH(int, operand);
        QFETCH(int, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        Bench b(rtu);
        if (fault >= 0)
            b.device(address).faults().push_back({sim::FaultKind(fault), 1, 0});
        const TransactionOutcome o =
            b.run(rtu, {address, function, std::uint16_t(reg), std::uint16_t(operand)});
        QCOMPARE(o.error, error);
        QCOMPARE(o.exitCode, exitCode);
        QVERIFY(o.words.empty());
    }

    void refusedWriteSaysWhy() {
        Bench b(false);
        const TransactionOutcome o = b.run(false, {2, 0x06, 0x4700, 1});
        QCOMPARE(o.error, QStringLiteral("Writing data compare fail !!!"));
        QVERIFY2(o.detail.contains("illegal address  !!!"), qPrintable(o.detail));
        QCOMPARE(b.device(2).counters.exceptions, 1);
    }

    void slowReplyWithinTheTimeoutIsTaken() {
        // ASCII reads wait 18 ticks (990 ms or a little more): 600 ms late is fine,
        // 1200 ms late is a time-out.
        Bench b(false);
        b.device(2).faults().push_back({sim::FaultKind::Slow, 1, 600});
        QCOMPARE(b.run(false, {2, 0x03, 0x4701, 1}).exitCode, int(ExitOk));
        b.device(2).faults().front().param = 1200;
        QCOMPARE(b.run(false, {2, 0x03, 0x4701, 1}).exitCode, int(ExitTimeout));
    }
};

QTEST_GUILESS_MAIN(TestRegisterTransaction)
#include "tst_register_transaction.moc"
