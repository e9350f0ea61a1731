#include "core/port_directory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zu;

class TestPortDirectory : public QObject {
    Q_OBJECT
  private slots:
    void defaultAssignment_data() {
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QStringList>("expected"); // COM1.. in order
        QTest::newRow("nothing: sim is COM1") << QStringList{} << QStringList{"sim"};
        QTest::newRow("uarts, then USB, then ACM, by number")
            << QStringList{"ttyUSB1", "ttyACM0", "ttyS10", "ttyUSB0", "ttyS2"}
            << QStringList{"/dev/ttyS2",   "/dev/ttyS10",  "/dev/ttyUSB0",
                           "/dev/ttyUSB1", "/dev/ttyACM0", "sim"};
        QTest::newRow("other names last") << QStringList{"rfcomm0", "ttyUSB0"}
                                          << QStringList{"/dev/ttyUSB0", "/dev/rfcomm0", "sim"};
    }
    void defaultAssignment() {
        QFETCH(QStringList, system);
        QFETCH(QStringList, expected);
        PortDirectory d;
        d.assignDefaults(system);
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(d.device(n), n <= expected.size() ? expected[n - 1] : QString());
        QVERIFY(!d.present(0));
        QVERIFY(!d.present(13));
    }

    void twelvePortsLeaveNoRoomForTheSimulatedLine() {
        QStringList names;
        for (int i = 0; i < 14; ++i)
            names << QStringLiteral("ttyUSB%1").arg(i);
        PortDirectory d;
        d.assignDefaults(names);
        QCOMPARE(d.device(12), QStringLiteral("/dev/ttyUSB11"));
        for (int n = 1; n <= 12; ++n)
            QVERIFY(d.device(n) != QLatin1String("sim"));
    }

    void mapFileOverridesSingleNumbers() {
        PortDirectory d;
        d.assignDefaults({"ttyS0", "ttyUSB0"});
        d.applyMapText("# my bench\n"
                       "COM3=/dev/ttyUSB0\n"
                       "  com4 = /dev/serial/by-id/usb-FTDI_FT232R-if00-port0  # the long cable\n"
                       "COM5=sim\n"
                       "COM2=\n",
                       "ports.conf");
        QCOMPARE(d.device(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(d.device(2), QString()); // left without a device
        QCOMPARE(d.device(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(d.device(4), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
        QCOMPARE(d.device(5), QStringLiteral("sim"));
        QVERIFY(d.problems().isEmpty());
    }

    void badLinesAreReportedAndSkipped_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("no equals") << QByteArray("COM3 /dev/ttyUSB0");
        QTest::newRow("COM0") << QByteArray("COM0=/dev/ttyUSB0");
        QTest::newRow("COM13") << QByteArray("COM13=/dev/ttyUSB0");
        QTest::newRow("not a COM name") << QByteArray("PORT1=/dev/ttyUSB0");
        QTest::newRow("relative device") << QByteArray("COM3=ttyUSB0");
        QTest::newRow("binary junk") << QByteArray("\x01\xff=\xfe", 4);
    }
    void badLinesAreReportedAndSkipped() {
        QFETCH(QByteArray, line);
        PortDirectory d;
        d.assignDefaults({"ttyS0"});
        const QByteArray text = "COM7=/dev/ttyACM3\n" + line + "\nCOM8=sim\n";
        d.applyMapText(std::string_view(text.constData(), std::size_t(text.size())), "ports.conf");
        QCOMPARE(d.problems().size(), 1);
        QVERIFY2(d.problems()[0].startsWith("ports.conf:2:"), qPrintable(d.problems()[0]));
        QCOMPARE(d.device(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(d.device(7), QStringLiteral("/dev/ttyACM3"));
        QCOMPARE(d.device(8), QStringLiteral("sim"));
    }

    void controlCharactersOfABadLineAreShownEscaped_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("terminal colour codes")
            << QByteArray("COM3\x1b[31m=/dev/x") << "COM3\\x1B[31m=/dev/x";
        QTest::newRow("bell and backspace")
            << QByteArray("C\x07OM\x08\x08=1") << "C\\x07OM\\x08\\x08=1";
        QTest::newRow("carriage return inside")
            << QByteArray("COM3=x\rCOM4=/dev/ok") << "COM3=x\\x0DCOM4=/dev/ok";
        QTest::newRow("delete and C1 control")
            << QByteArray("COM99=\x7f\xc2\x9b") << "COM99=\\x7F\\x9B";
        QTest::newRow("right-to-left override")
            << QByteArray("COM0=\xe2\x80\xae/dev/x") << "COM0=\\u202E/dev/x";
        QTest::newRow("device with control codes")
            << QByteArray("COM3=/dev/tty\x1b]0;pwned\x07") << "COM3=/dev/tty\\x1B]0;pwned\\x07";
    }
    void controlCharactersOfABadLineAreShownEscaped() {
        QFETCH(QByteArray, line);
        QFETCH(QString, shown);
        PortDirectory d;
        d.applyMapText(std::string_view(line.constData(), std::size_t(line.size())),
                       "ports\x1b.conf");
        QCOMPARE(d.problems().size(), 1);
        const QString p = d.problems()[0];
        QVERIFY2(p.startsWith("ports\\x1B.conf:1: "), qPrintable(p));
        QVERIFY2(p.endsWith(": " + shown), qPrintable(p));
        for (const QChar c : p)
            QVERIFY2(c.isPrint(), qPrintable(p));
        QCOMPARE(d.device(3), QString());
    }

    void mapFileThatCannotBeReadWholeIsRefused() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath("zucomm")));
        QFile f(home.filePath("zucomm/ports.conf"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray text = "COM5=/dev/ttyUSB9\n";
        // Comment lines up to just before 1 MiB, then a line across that mark.
        const QByteArray filler = "# " + QByteArray(97, '-') + "\n";
        while (text.size() + filler.size() < (1 << 20) - 10)
            text += filler;
        text += QByteArray((1 << 20) - 10 - text.size() - 1, '#') + "\n";
        QCOMPARE(text.size(), (1 << 20) - 10);
        text += "COM7=/dev/ttyUSB0123456789\n";
        QVERIFY(text.size() > (1 << 20));
        QCOMPARE(f.write(text), qint64(text.size()));
        f.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        const PortDirectory d = PortDirectory::detect();
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(d.problems().size(), 1);
        QVERIFY2(d.problems()[0].startsWith(f.fileName() + ": larger than 1 MiB"),
                 qPrintable(d.problems()[0]));
        QVERIFY(!d.device(7).startsWith("/dev/ttyU"));         // not half of the line
        QVERIFY(d.device(5) != QLatin1String("/dev/ttyUSB9")); // nor the lines before it
    }

    void mapFileOfExactlyOneMebibyteIsRead() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath("zucomm")));
        QFile f(home.filePath("zucomm/ports.conf"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray last = "COM7=/dev/ttyUSB5\n";
        f.write(QByteArray((1 << 20) - last.size() - 1, '#') + "\n" + last);
        f.close();
        QCOMPARE(f.size(), qint64(1 << 20));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        const PortDirectory d = PortDirectory::detect();
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(d.problems(), QStringList());
        QCOMPARE(d.device(7), QStringLiteral("/dev/ttyUSB5"));
    }

    void legacyNodesWithoutAUartTakeNoNumber_data() {
        QTest::addColumn<QStringList>("types"); // name=type lines of the fake sysfs
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QStringList>("expected"); // COM1.. in order
        QTest::newRow("one 16550A among four legacy nodes: sim is COM2")
            << QStringList{"ttyS0=4", "ttyS1=0", "ttyS2=0", "ttyS3=0"}
            << QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3"} << QStringList{"/dev/ttyS0", "sim"};
        QTest::newRow("no UART at all: sim is COM1")
            << QStringList{"ttyS0=0", "ttyS1=0"} << QStringList{"ttyS0", "ttyS1"}
            << QStringList{"sim"};
        QTest::newRow("USB and ACM adapters have no type and are kept")
            << QStringList{"ttyS0=0"} << QStringList{"ttyS0", "ttyUSB0", "ttyACM0"}
            << QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", "sim"};
        QTest::newRow("a node whose type cannot be read is kept")
            << QStringList{} << QStringList{"ttyS5"} << QStringList{"/dev/ttyS5", "sim"};
    }
    void legacyNodesWithoutAUartTakeNoNumber() {
        QFETCH(QStringList, types);
        QFETCH(QStringList, system);
        QFETCH(QStringList, expected);
        QTemporaryDir sys;
        QVERIFY(sys.isValid());
        for (const QString& t : types) {
            const QString name = t.section('=', 0, 0);
            QVERIFY(QDir(sys.path()).mkpath(name));
            QFile f(sys.filePath(name + "/type"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(t.section('=', 1).toLatin1() + "\n");
        }
        PortDirectory d;
        d.assignDefaults(PortDirectory::withoutEmptyUartNodes(system, sys.path()));
        for (int n = 1; n <= 12; ++n)
            QCOMPARE(d.device(n), n <= expected.size() ? expected[n - 1] : QString());
    }

    void simulatedPortAndAdapters_data() {
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<int>("simulated");
        QTest::addColumn<bool>("adapter");
        QTest::newRow("a UART only") << QStringList{"ttyS0"} << QByteArray() << 2 << false;
        QTest::newRow("a USB adapter")
            << QStringList{"ttyS0", "ttyUSB0"} << QByteArray() << 3 << true;
        QTest::newRow("an ACM adapter") << QStringList{"ttyACM0"} << QByteArray() << 2 << true;
        QTest::newRow("an adapter by id")
            << QStringList{} << QByteArray("COM4=/dev/serial/by-id/usb-FTDI-if00-port0") << 1
            << true;
        QTest::newRow("sim mapped away")
            << QStringList{} << QByteArray("COM1=\nCOM7=sim") << 7 << false;
        QTest::newRow("no sim") << QStringList{"ttyS0"} << QByteArray("COM2=") << 0 << false;
    }
    void simulatedPortAndAdapters() {
        QFETCH(QStringList, system);
        QFETCH(QByteArray, map);
        QFETCH(int, simulated);
        QFETCH(bool, adapter);
        PortDirectory d;
        d.assignDefaults(system);
        d.applyMapText(std::string_view(map.constData(), std::size_t(map.size())), "ports.conf");
        QCOMPARE(d.simulatedPort(), simulated);
        QCOMPARE(d.hasAdapter(), adapter);
    }

    void mapFileFollowsXdgConfigHome() {
        qputenv("XDG_CONFIG_HOME", "/tmp/zu-config");
        QCOMPARE(PortDirectory::mapFilePath(), QStringLiteral("/tmp/zu-config/zucomm/ports.conf"));
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(PortDirectory::mapFilePath().endsWith("/.config/zucomm/ports.conf"));
    }
};

QTEST_GUILESS_MAIN(TestPortDirectory)
#include "tst_port_directory.moc"
