// QtSerialLine through a real pseudo-terminal: the far end plays the device.
#include "core/apd_com_port.h"
#include "core/port_directory.h"
#include "core/qt_serial_line.h"
#include "support/files_as_nobody.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QtTest>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace zu;

namespace {

struct Pty {
    int master = -1;
    QString slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(ptsname(master));
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray read() {
        QByteArray out;
        char buf[256];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            out.append(buf, n);
        return out;
    }
    void write(const QByteArray& b) {
        QCOMPARE(::write(master, b.constData(), size_t(b.size())), ssize_t(b.size()));
    }
    // The line speed the device side has set, as the far end sees it.
    speed_t speed() const {
        termios t{};
        return tcgetattr(master, &t) == 0 ? cfgetospeed(&t) : speed_t(-1);
    }
};

} // namespace

class TestQtSerialLine : public QObject {
    Q_OBJECT
  private slots:
    void talksSevenBitsEvenParityThroughAPty() {
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
        line.applySettings({38400, 8, LineParity::None, 1}); // RTU now: must not fail on a pty
        QVERIFY(line.write(QByteArray::fromHex("010347000002D0BF")));
        sent.clear();
        QTRY_COMPARE(sent += pty.read(), QByteArray::fromHex("010347000002D0BF"));
        QVERIFY(line.isOpen());
    }

    // A late answer to the previous program's last request waits in the
    // device when the port opens: it is no reply to anything of ours.
    void bytesWaitingBeforeTheOpenAreDropped() {
        Pty pty;
        QVERIFY(!pty.slave.isEmpty());
        // The slave must have been open once for the master to queue bytes.
        const int first = ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(first >= 0);
        pty.write(":0103020000FA\r\n");
        ::close(first);
        QtSerialLine line(pty.slave);
        QByteArray got;
        line.received = [&](const QByteArray& b) { got += b; };
        QString error;
        QVERIFY2(line.open({9600, 7, LineParity::Even, 1}, &error), qPrintable(error));
        QTest::qWait(50);
        QCOMPARE(got, QByteArray());
        pty.write(":01030400FA0000FE\r\n");
        QTRY_COMPARE(got, QByteArray(":01030400FA0000FE\r\n"));
    }

    void aFrameSentAfterASettingChangeGoesOutWithTheNewSetting() {
        // The far end reads nothing at first, so most of a large block stays queued.
        Pty pty;
        QtSerialLine line(pty.slave);
        QStringList failures;
        line.failed = [&](const QString& why) { failures << why; };
        QString error;
        QVERIFY2(line.open({2400, 8, LineParity::None, 1}, &error), qPrintable(error));
        // A full driver queue is no write error.
        const QByteArray block(1 << 20, 'x');
        QVERIFY(line.write(block));
        line.applySettings({38400, 8, LineParity::None, 1});
        QVERIFY(line.write("NEXT"));
        QCOMPARE(pty.speed(), speed_t(B2400)); // the block is still on its way

        QByteArray got;
        speed_t speedWhenNextCame = 0;
        const QDeadlineTimer deadline(20000);
        while (!got.endsWith("NEXT") && line.isOpen() && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            const bool nextYet = got.size() > block.size();
            got += pty.read();
            if (!nextYet && got.size() > block.size())
                speedWhenNextCame = pty.speed();
            if (got.size() < block.size() / 2)
                QCOMPARE(pty.speed(), speed_t(B2400));
        }
        QCOMPARE(failures, QStringList());
        QCOMPARE(got.size(), block.size() + 4);
        QVERIFY(got.endsWith("NEXT"));
        QCOMPARE(speedWhenNextCame, speed_t(B38400));
        QVERIFY(line.isOpen());
    }

    void missingDeviceIsAnErrorNamingIt() {
        QtSerialLine line(QStringLiteral("/dev/ttyUSB97"));
        QString error;
        QVERIFY(!line.open({}, &error));
        QVERIFY2(error.contains("/dev/ttyUSB97") && error.contains("plugged"), qPrintable(error));
        QVERIFY(!line.isOpen());
    }

    void notADeviceIsAnError() {
        QtSerialLine line(QStringLiteral("/etc/hostname"));
        QString error;
        QVERIFY(!line.open({}, &error));
        QVERIFY(!error.isEmpty());
    }

    void farEndClosingIsReportedOnce() {
        Pty pty;
        QtSerialLine line(pty.slave);
        QString error;
        QVERIFY(line.open({9600, 8, LineParity::None, 1}, &error));
        QStringList failures;
        line.failed = [&](const QString& why) { failures << why; };
        pty.closeMaster(); // the adapter is pulled
        QTRY_COMPARE(failures.size(), 1);
        QVERIFY(!line.isOpen());
        QVERIFY(!line.write("x"));
        QTest::qWait(100);
        QCOMPARE(failures.size(), 1);
    }

    void aClosedFarEndIsNamedAsTheCause() {
        Pty pty;
        QtSerialLine line(pty.slave);
        QString error;
        QVERIFY(line.open({9600, 8, LineParity::None, 1}, &error));
        QStringList failures;
        line.failed = [&](const QString& why) { failures << why; };
        pty.closeMaster(); // zusim ends, say
        QTRY_COMPARE(failures.size(), 1);
        // Not the errno of an older call (a pty has no modem lines to raise).
        QVERIFY2(!failures[0].contains("ioctl"), qPrintable(failures[0]));
        QVERIFY2(failures[0].startsWith(pty.slave + " was closed at its far end"),
                 qPrintable(failures[0]));
    }

    void permissionHintNamesTheDevicesOwnerAndGroup_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("groupMayUse");
        QTest::newRow("its group may use it") << 0060 << true;
        QTest::newRow("only its owner") << 0000 << false;
    }
    void permissionHintNamesTheDevicesOwnerAndGroup() {
        QFETCH(int, mode);
        QFETCH(bool, groupMayUse);
        Pty pty;
        const QByteArray node = pty.slave.toLocal8Bit();
        if (::geteuid() == 0) {
            // Neither dialout nor root's group: the hint must follow the node.
            const group* uucp = ::getgrnam("uucp");
            QVERIFY(uucp);
            QCOMPARE(::chown(node.constData(), 0, uucp->gr_gid), 0);
        }
        QCOMPARE(::chmod(node.constData(), mode_t(mode)), 0);
        struct stat st {};
        QCOMPARE(::stat(node.constData(), &st), 0);
        const QString owner = QString::fromLocal8Bit(::getpwuid(st.st_uid)->pw_name);
        const QString group = QString::fromLocal8Bit(::getgrgid(st.st_gid)->gr_name);

        QtSerialLine line(pty.slave);
        QString error;
        {
            test::FilesAsNobodyWhenRoot nobody;
            QVERIFY(!line.open({9600, 8, LineParity::None, 1}, &error));
        }
        QVERIFY2(error.startsWith("Permission denied on " + pty.slave), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("owner %1, group %2").arg(owner, group)),
                 qPrintable(error));
        if (groupMayUse)
            QVERIFY2(error.contains(QStringLiteral("usermod -aG %1 ").arg(group)),
                     qPrintable(error));
        else
            QVERIFY2(error.contains(QStringLiteral("only %1 may open it").arg(owner)),
                     qPrintable(error));
        if (group != QLatin1String("dialout"))
            QVERIFY2(!error.contains("dialout"), qPrintable(error));
    }

    void portOwnerIsToldWhenTheAdapterIsPulled() {
        struct Factory : LineFactory {
            std::unique_ptr<SerialLine> create(const QString& d) override {
                return std::make_unique<QtSerialLine>(d);
            }
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
