// QtSerialLine through a real pseudo-terminal: the far end plays the device.
#include "core/apd_com_port.h"
#include "core/port_directory.h"
#include "core/qt_serial_line.h"

#include <QSocketNotifier>
#include <QtTest>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace zu;

namespace {

struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(ptsname(master));
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { closeMaster(); }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray read()
    {
        QByteArray out;
        char buf[256];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            out.append(buf, n);
        return out;
    }
    void write(const QByteArray& b) { QCOMPARE(::write(master, b.constData(), size_t(b.size())), ssize_t(b.size())); }
};

} // namespace

class TestQtSerialLine : public QObject {
    Q_OBJECT
private slots:
    void talksSevenBitsEvenParityThroughAPty()
    {
        Pty pty;
        QVERIFY(!pty.slave.isEmpty());
        QtSerialLine line(pty.slave);
        QVERIFY(QtSerialLine::isPseudoTerminal(pty.slave));
        QByteArray got;
        line.received = [&](const QByteArray& b) { got += b; };
        QString error;
        QVERIFY2(line.open({9600, 7, LineParity::Even, 1}, &error), qPrintable(error));
        QVERIFY(line.write(":010347000002B3\r\n"));
        QByteArray sent;
        QTRY_VERIFY((sent += pty.read()).endsWith("\r\n"));
        QCOMPARE(sent, QByteArray(":010347000002B3\r\n"));
        pty.write(":01030400FA0000FE\r\n");
        QTRY_COMPARE(got, QByteArray(":01030400FA0000FE\r\n"));
        line.applySettings({38400, 8, LineParity::None, 1});   // RTU now: must not fail on a pty
        QVERIFY(line.write(QByteArray::fromHex("010347000002D0BF")));
        sent.clear();
        QTRY_COMPARE(sent += pty.read(), QByteArray::fromHex("010347000002D0BF"));
        QVERIFY(line.isOpen());
    }

    void missingDeviceIsAnErrorNamingIt()
    {
        QtSerialLine line(QStringLiteral("/dev/ttyUSB97"));
        QString error;
        QVERIFY(!line.open({}, &error));
        QVERIFY2(error.contains("/dev/ttyUSB97") && error.contains("plugged"), qPrintable(error));
        QVERIFY(!line.isOpen());
    }

    void notADeviceIsAnError()
    {
        QtSerialLine line(QStringLiteral("/etc/hostname"));
        QString error;
        QVERIFY(!line.open({}, &error));
        QVERIFY(!error.isEmpty());
    }

    void farEndClosingIsReportedOnce()
    {
        Pty pty;
        QtSerialLine line(pty.slave);
        QString error;
        QVERIFY(line.open({9600, 8, LineParity::None, 1}, &error));
        QStringList failures;
        line.failed = [&](const QString& why) { failures << why; };
        pty.closeMaster();   // the adapter is pulled
        QTRY_COMPARE(failures.size(), 1);
        QVERIFY(!line.isOpen());
        QVERIFY(!line.write("x"));
        QTest::qWait(100);
        QCOMPARE(failures.size(), 1);
    }

    void portOwnerIsToldWhenTheAdapterIsPulled()
    {
        struct Factory : LineFactory {
            std::unique_ptr<SerialLine> create(const QString& d) override { return std::make_unique<QtSerialLine>(d); }
        } factory;
        Pty pty;
        PortDirectory ports;
        ports.set(3, pty.slave);
        auto clock = makeRealClock();
        TApdComPort port(*clock, factory, ports);
        QStringList lost;
        port.OnLineLost = [&](TApdComPort& p, const QString& why) {
            QVERIFY(!p.Open());
            lost << why;
        };
        port.setComNumber(3);
        port.setBaud(9600);
        port.setDataBits(7);
        port.setParity(LineParity::Even);
        QVERIFY(port.setOpen(true).ok);
        const auto h = port.AddTimerTrigger();
        port.SetTimerTrigger(h, 2, true);
        pty.closeMaster();
        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(lost[0].contains(pty.slave));
        QVERIFY(!port.PutBlock("x", 1).ok);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialLine)
#include "tst_qt_serial_line.moc"
