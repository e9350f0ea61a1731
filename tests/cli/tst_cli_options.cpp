// Parsing of the command line: line settings, numbers, ports, and the one-line
// usage errors of the subcommands (nothing here reaches a device).
#include "cli/cli.h"
#include "cli/cli_options.h"
#include "cli/headless_monitor_view.h"
#include "cli/register_command.h"
#include "cli_run.h"
#include "core/app_state.h"
#include "support/files_as_nobody.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zu;
using namespace zu::cli;
using namespace zu::test;

class TestCliOptions : public QObject {
    Q_OBJECT
  private slots:
    void lineSpec_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parityCode");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("9600,7,E,1,ASCII")
            << "9600,7,E,1,ASCII" << true << 9600 << 7 << 1 << 1 << false << "";
        QTest::newRow("19200,8,N,1,RTU")
            << "19200,8,N,1,RTU" << true << 19200 << 8 << 0 << 1 << true << "";
        QTest::newRow("lower case, blanks")
            << " 38400 , 8 , o , 2 , rtu " << true << 38400 << 8 << 2 << 2 << true << "";
        QTest::newRow("2400,8,O,2,ASCII")
            << "2400,8,O,2,ASCII" << true << 2400 << 8 << 2 << 2 << false << "";
        QTest::newRow("baud no controller runs")
            << "115200,8,N,1,RTU" << false << 0 << 0 << 0 << 0 << false << "baud must be";
        QTest::newRow("baud not a number")
            << "fast,8,N,1,RTU" << false << 0 << 0 << 0 << 0 << false << "baud must be";
        QTest::newRow("data bits 6")
            << "9600,6,N,1,ASCII" << false << 0 << 0 << 0 << 0 << false << "data bits must be";
        QTest::newRow("parity M") << "9600,8,M,1,ASCII" << false << 0 << 0 << 0 << 0 << false
                                  << "parity must be";
        QTest::newRow("stop bits 3")
            << "9600,8,N,3,ASCII" << false << 0 << 0 << 0 << 0 << false << "stop bits must be";
        QTest::newRow("format TCP")
            << "9600,8,N,1,TCP" << false << 0 << 0 << 0 << 0 << false << "format must be";
        QTest::newRow("RTU with 7 bits")
            << "9600,7,E,1,RTU" << false << 0 << 0 << 0 << 0 << false << "RTU needs 8 data bits";
        QTest::newRow("four fields")
            << "9600,7,E,1" << false << 0 << 0 << 0 << 0 << false << "five fields";
        QTest::newRow("empty") << "" << false << 0 << 0 << 0 << 0 << false << "five fields";
    }
    void lineSpec() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString error;
        const auto line = ParseLineSpec(text, &error);
        QCOMPARE(bool(line), ok);
        if (!ok) {
            QFETCH(QString, errorPart);
            QVERIFY2(error.contains(errorPart), qPrintable(error));
            return;
        }
        QFETCH(int, baud);
        QFETCH(int, dataBits);
        QFETCH(int, parityCode);
        QFETCH(int, stopBits);
        QFETCH(bool, rtu);
        QCOMPARE(line->baud, baud);
        QCOMPARE(line->dataBits, dataBits);
        QCOMPARE(line->parityCode, parityCode);
        QCOMPARE(line->stopBits, stopBits);
        QCOMPARE(line->rtu, rtu);
        // The text form reads back as the same setting.
        QCOMPARE(ParseLineSpec(FormatLineSpec(*line), &error), line);
    }

    void lineOfSettingWord_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("line");
        QTest::newRow("default 36") << 36 << "9600,7,E,1,ASCII";
        QTest::newRow("COM1 default 292") << 292 << "9600,7,E,1,ASCII";
        QTest::newRow("946: COM3 19200 8N1 RTU") << 946 << "19200,8,N,1,RTU";
        QTest::newRow("0: nothing loaded") << 0 << "2400,7,N,1,ASCII";
        QTest::newRow("parity code 3 leaves none") << 0x4C << "38400,7,N,1,ASCII";
        QTest::newRow("baud index 5") << 0x50 << "";
    }
    void lineOfSettingWord() {
        QFETCH(int, word);
        QFETCH(QString, line);
        const auto l = LineSpecOfWord(word);
        QCOMPARE(l ? FormatLineSpec(*l) : QString(), line);
    }

    void lineSpecGoesIntoTheState() {
        VirtualClock clock;
        struct NoLines : LineFactory {
            std::unique_ptr<SerialLine> create(const QString&) override { return nullptr; }
        } lines;
        AppState app(clock, lines, PortDirectory{});
        ApplyLineSpec(app, {19200, 8, 0, 1, true}, 3);
        QCOMPARE(app.ComSettingWord, 946);
        QCOMPARE(app.Com.ComPortNumber, 3);
        QCOMPARE(app.Com.ComBaud, 19200);
        QVERIFY(app.Com.RtuMode);
        ApplyLineSpec(app, {4800, 7, 2, 2, false}, 1);
        QCOMPARE(app.Com.ComBaud, 4800);
        QCOMPARE(app.Com.ComDataBits, 7);
        QCOMPARE(app.Com.ComParityCode, 2);
        QCOMPARE(app.Com.ComStopBits, 2);
        QVERIFY(!app.Com.RtuMode);
    }

    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value"); // -99999 = rejected
        QTest::newRow("decimal") << "18176" << 0 << 65535 << 18176;
        QTest::newRow("hex") << "0x4700" << 0 << 65535 << 0x4700;
        QTest::newRow("hex upper X, lower digits") << "0X47ff" << 0 << 65535 << 0x47FF;
        QTest::newRow("negative value") << "-10" << -32768 << 65535 << -10;
        QTest::newRow("above the range") << "65536" << 0 << 65535 << -99999;
        QTest::newRow("below the range") << "0" << 1 << 247 << -99999;
        QTest::newRow("address 248") << "248" << 1 << 247 << -99999;
        QTest::newRow("signed hex") << "0x-5" << -32768 << 65535 << -99999;
        QTest::newRow("bare 0x") << "0x" << 0 << 65535 << -99999;
        QTest::newRow("hex without 0x") << "4700h" << 0 << 65535 << -99999;
        QTest::newRow("decimals") << "12.5" << 0 << 65535 << -99999;
        QTest::newRow("empty") << "" << 0 << 65535 << -99999;
    }
    void numbers() {
        QFETCH(QString, text);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, value);
        const auto v = ParseNumber(text, min, max);
        QCOMPARE(v ? int(*v) : -99999, value);
    }

    void portForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("path");
        QTest::newRow("sim") << "sim" << int(PortForm::Simulated) << 0 << "";
        QTest::newRow("SIM") << "SIM" << int(PortForm::Simulated) << 0 << "";
        QTest::newRow("COM1") << "COM1" << int(PortForm::Numbered) << 1 << "";
        QTest::newRow("com12") << "com12" << int(PortForm::Numbered) << 12 << "";
        QTest::newRow("COM0") << "COM0" << int(PortForm::Invalid) << 0 << "";
        QTest::newRow("COM13") << "COM13" << int(PortForm::Invalid) << 0 << "";
        QTest::newRow("/dev/ttyUSB0")
            << "/dev/ttyUSB0" << int(PortForm::Path) << 0 << "/dev/ttyUSB0";
        QTest::newRow("by-id link")
            << "/dev/serial/by-id/usb-FTDI-if00-port0" << int(PortForm::Path) << 0
            << "/dev/serial/by-id/usb-FTDI-if00-port0";
        QTest::newRow("pts, untidy") << "/dev//pts/3" << int(PortForm::Path) << 0 << "/dev/pts/3";
        QTest::newRow("bare tty name") << "ttyUSB1" << int(PortForm::Path) << 0 << "/dev/ttyUSB1";
        QTest::newRow("a word") << "serial" << int(PortForm::Invalid) << 0 << "";
        QTest::newRow("empty") << "" << int(PortForm::Invalid) << 0 << "";
    }
    void portForms() {
        QFETCH(QString, text);
        QFETCH(int, form);
        QFETCH(int, number);
        QFETCH(QString, path);
        int n = 0;
        QString p;
        QCOMPARE(int(ClassifyPort(text, &n, &p)), form);
        QCOMPARE(n, number);
        QCOMPARE(p, path);
    }

    void resolvePorts() {
        PortDirectory detected;
        detected.assignDefaults({"ttyUSB0"}); // COM1 /dev/ttyUSB0, COM2 sim
        QString error;
        int code = 0;
        auto com1 = ResolvePort("COM1", detected, &error, &code);
        QVERIFY(com1);
        QCOMPARE(com1->comNumber, 1);
        QCOMPARE(com1->directory.device(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(com1->shownName, QStringLiteral("COM1 (/dev/ttyUSB0)"));

        auto sim = ResolvePort("sim", detected, &error, &code);
        QVERIFY(sim);
        QCOMPARE(sim->directory.device(sim->comNumber), QStringLiteral("sim"));
        auto path = ResolvePort("/tmp/zu-link", detected, &error, &code);
        QVERIFY(path);
        QCOMPARE(path->directory.device(path->comNumber), QStringLiteral("/tmp/zu-link"));

        QVERIFY(!ResolvePort("COM5", detected, &error, &code));
        QCOMPARE(code, int(ExitPort));
        QVERIFY2(error.contains("COM5 is not assigned"), qPrintable(error));
        QVERIFY(!ResolvePort("COM13", detected, &error, &code));
        QCOMPARE(code, int(ExitUsage));
    }

    void openErrorsNameTheDeviceTheUserGave() {
        PortDirectory none;
        QString error;
        int code = 0;
        const auto path = ResolvePort("/dev/ttyUSB7", none, &error, &code);
        QCOMPARE(PortOpenMessage(*path, "COM1: /dev/ttyUSB7 does not exist."),
                 QStringLiteral("/dev/ttyUSB7 does not exist."));
        PortDirectory detected;
        detected.assignDefaults({"ttyUSB7"});
        const auto com = ResolvePort("COM1", detected, &error, &code);
        QCOMPARE(PortOpenMessage(*com, "COM1: /dev/ttyUSB7 does not exist."),
                 QStringLiteral("COM1: /dev/ttyUSB7 does not exist."));
    }

    void registerLines_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("positive") << 0x4700 << 250 << "0x4700 = 250 (0x00FA, signed 250)";
        QTest::newRow("negative tenths")
            << 0x4701 << 0xFFF6 << "0x4701 = 65526 (0xFFF6, signed -10)";
        QTest::newRow("lowest") << 0x0012 << 0x8000 << "0x0012 = 32768 (0x8000, signed -32768)";
        QTest::newRow("zero") << 0 << 0 << "0x0000 = 0 (0x0000, signed 0)";
    }
    void registerLines() {
        QFETCH(int, reg);
        QFETCH(int, value);
        QFETCH(QString, line);
        QCOMPARE(FormatRegisterLine(std::uint16_t(reg), std::uint16_t(value)), line);
    }

    void fieldsWithBlanksAreQuoted() {
        QCOMPARE(QuoteField("25.3"), QStringLiteral("25.3"));
        QCOMPARE(QuoteField("- 20.0"), QStringLiteral("\"- 20.0\""));
        QCOMPARE(QuoteField("Input error"), QStringLiteral("\"Input error\""));
        QCOMPARE(QuoteField(""), QStringLiteral("\"\""));
    }

    void statusCycles_data() {
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QList<int>>("ends"); // indexes of requests that follow a full cycle
        QTest::newRow("one slot, round and round")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 2, 3, 4, 5, 6, 7, 2} << QList<int>{8, 14};
        QTest::newRow("two slots, each kind twice")
            << QList<int>{0, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 2} << QList<int>{14};
        QTest::newRow("parameter reads after the decision point")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 2, 3, 4, 5, 6, 7, 8, 2}
            << QList<int>{8, 20};
        QTest::newRow("identification cuts a cycle short")
            << QList<int>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 5, 6, 7, 2} << QList<int>{13};
    }
    void statusCycles() {
        QFETCH(QList<int>, kinds);
        QFETCH(QList<int>, ends);
        CycleTracker t;
        QList<int> seen;
        for (int i = 0; i < kinds.size(); ++i)
            if (t.requestSent(kinds[i]))
                seen << i;
        QCOMPARE(seen, ends);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("unknown subcommand")
            << QStringList{"reed", "--port", "sim"} << "unknown subcommand \"reed\"";
        QTest::newRow("unknown option")
            << QStringList{"read", "--prot", "sim"} << "Unknown option 'prot'";
        QTest::newRow("missing port")
            << QStringList{"read", "--address", "1", "--register", "0x4700"} << "--port is missing";
        QTest::newRow("option without value")
            << QStringList{"read", "--port"} << "Missing value after '--port'";
        QTest::newRow("bad port") << QStringList{"read", "--port",     "COM13", "--address",
                                                 "1",    "--register", "1"}
                                  << "is no port";
        QTest::newRow("bad line") << QStringList{"read", "--port", "sim", "--line",
                                                 "9600,7,E,1,RTU"}
                                  << "RTU needs 8 data bits";
        QTest::newRow("missing address")
            << QStringList{"read", "--port", "sim", "--register", "0x4700"}
            << "--address is missing";
        QTest::newRow("address 0")
            << QStringList{"read", "--port", "sim", "--address", "0", "--register", "1"}
            << "--address must be 1..247";
        QTest::newRow("register too big")
            << QStringList{"read", "--port", "sim", "--address", "1", "--register", "0x10000"}
            << "--register must be";
        QTest::newRow("count 9") << QStringList{"read",       "--port", "sim",     "--address", "1",
                                                "--register", "1",      "--count", "9"}
                                 << "--count must be 1..8";
        QTest::newRow("count past the end")
            << QStringList{"read",       "--port", "sim",     "--address", "1",
                           "--register", "0xFFFF", "--count", "2"}
            << "runs past 0xFFFF";
        QTest::newRow("stray argument")
            << QStringList{"read", "--port", "sim", "now"} << "unexpected argument \"now\"";
        QTest::newRow("write without value")
            << QStringList{"write", "--port", "sim", "--address", "1", "--register", "1"}
            << "--value is missing";
        QTest::newRow("write value too big")
            << QStringList{"write",      "--port", "sim",     "--address", "1",
                           "--register", "1",      "--value", "70000"}
            << "--value must be";
        QTest::newRow("two values")
            << QStringList{"write", "--port",  "sim", "--address", "1", "--register",
                           "1",     "--value", "1",   "--value",   "2"}
            << "--value must be";
        QTest::newRow("five addresses")
            << QStringList{"monitor",   "--port",    "sim",       "--address", "1",
                           "--address", "2",         "--address", "3",         "--address",
                           "4",         "--address", "5"}
            << "at most 4 addresses";
        QTest::newRow("monitor address word")
            << QStringList{"monitor", "--port", "sim", "--address", "one"}
            << "--address must be 1..247";
        QTest::newRow("seconds 0")
            << QStringList{"monitor", "--port", "sim", "--seconds", "0"} << "--seconds must be";
        QTest::newRow("seconds word")
            << QStringList{"monitor", "--port", "sim", "--seconds", "ten"} << "--seconds must be";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, errorPart);
        const CliRun r = Zucomm(args);
        QCOMPARE(r.code, int(ExitUsage));
        QVERIFY2(r.err.contains(errorPart), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1); // one line
        QVERIFY(r.out.isEmpty());
    }

    void helpExplainsEveryOption_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("top") << QStringList{"--help"}
                             << QStringList{"monitor", "read", "write",       "--port",
                                            "--line",  "sim",  "Exit status", "7  output error"};
        QTest::newRow("read") << QStringList{"read", "--help"}
                              << QStringList{"--port",  "--line",      "--address",  "--register",
                                             "--count", "Exit status", "4  time-out"};
        QTest::newRow("write") << QStringList{"write", "-h"}
                               << QStringList{"--port",     "--line",  "--address",
                                              "--register", "--value", "Exit status"};
        QTest::newRow("monitor") << QStringList{"monitor", "--help"}
                                 << QStringList{"--port", "--line", "--address", "--seconds",
                                                "Exit status"};
    }
    void helpExplainsEveryOption() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, mentions);
        const CliRun r = Zucomm(args);
        QCOMPARE(r.code, int(ExitOk));
        QVERIFY(r.err.isEmpty());
        for (const QString& m : mentions)
            QVERIFY2(r.out.contains(m), qPrintable(m + " missing in:\n" + r.out));
    }

    void settingFileGivesTheLine() {
        // No --line: SETDT.$$$ of the current directory holds RTU at 19200, and
        // the sim line at 9600 7E1 ASCII then cannot be understood.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QFile f("SETDT.$$$");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("946");
        f.close();
        const CliRun rtu =
            Zucomm({"read", "--port", "sim", "--address", "2", "--register", "0x4701"});
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("292");
        f.close();
        const CliRun ascii =
            Zucomm({"read", "--port", "sim", "--address", "2", "--register", "0x4701"});
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("80"); // baud index 5
        f.close();
        const CliRun bad =
            Zucomm({"read", "--port", "sim", "--address", "2", "--register", "0x4701"});
        QDir::setCurrent(old);

        QCOMPARE(rtu.code, int(ExitTimeout));
        QCOMPARE(rtu.err, QStringLiteral("Received data time out error\n"));
        QCOMPARE(ascii.code, int(ExitOk));
        QCOMPARE(ascii.out, QStringLiteral("0x4701 = 1000 (0x03E8, signed 1000)\n"));
        QCOMPARE(bad.code, int(ExitUsage));
        QVERIFY2(bad.err.contains("names no baud rate"), qPrintable(bad.err));
    }

    void resultsThatCannotBeWrittenFailTheCommand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("read") << QStringList{"read", "--port",     "sim",   "--address",
                                             "1",    "--register", "0x4701"}
                              << "zucomm read: ";
        QTest::newRow("write") << QStringList{"write",      "--port", "sim",     "--address", "1",
                                              "--register", "0x4701", "--value", "1000"}
                               << "zucomm write: ";
        QTest::newRow("monitor") << QStringList{"monitor", "--port",    "sim", "--address",
                                                "1",       "--seconds", "20"}
                                 << "zucomm monitor: ";
        QTest::newRow("help") << QStringList{"read", "--help"} << "zucomm read: ";
        QTest::newRow("version") << QStringList{"--version"} << "zucomm: ";
    }
    void resultsThatCannotBeWrittenFailTheCommand() {
        QFETCH(QStringList, args);
        QFETCH(QString, prefix);
        // Standard output on a full disc.
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QTextStream out(&full);
        QString errText;
        QTextStream err(&errText);
        QElapsedTimer took;
        took.start();
        const int code = cli::run(QStringList{"zucomm"} << args, out, err);
        err.flush();
        QCOMPARE(code, int(ExitOutput));
        QCOMPARE(errText, prefix + "the results could not be written to standard output: No "
                                   "space left on device\n");
        QVERIFY(took.elapsed() < 10000); // the monitor does not poll on for nobody
    }

    void settingFileThatCannotBeReadIsNoted_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("why");
        QTest::newRow("a folder") << true << "it is a folder";
        QTest::newRow("no read permission") << false << "Permission denied";
    }
    void settingFileThatCannotBeReadIsNoted() {
        QFETCH(bool, folder);
        QFETCH(QString, why);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Nobody (as root, below) must reach the file to be refused by its mode.
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::permissions(dir.path()) | QFileDevice::ExeOther));
        const QString path = dir.filePath("SETDT.$$$");
        if (folder) {
            QVERIFY(QDir().mkdir(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("946"); // RTU: the sim line would not answer
            f.close();
            QVERIFY(QFile::setPermissions(path, {}));
        }
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        CliRun r;
        {
            test::FilesAsNobodyWhenRoot nobody;
            r = Zucomm({"read", "--port", "sim", "--address", "2", "--register", "0x4701"});
        }
        QDir::setCurrent(old);
        QCOMPARE(r.err, QStringLiteral("zucomm read: note: %1 cannot be read (%2); using "
                                       "9600,7,E,1,ASCII\n")
                            .arg(QFileInfo(path).absoluteFilePath(), why));
        QCOMPARE(r.code, int(ExitOk));
        QCOMPARE(r.out, QStringLiteral("0x4701 = 1000 (0x03E8, signed 1000)\n"));
    }

    void monitorNamesADevicePathAsGiven() {
        const CliRun r = Zucomm({"monitor", "--port", "/dev/zucomm-no-such-tty", "--seconds", "5"});
        QCOMPARE(r.code, int(ExitPort));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(r.err.startsWith("zucomm monitor: /dev/zucomm-no-such-tty does not exist"),
                 qPrintable(r.err));
    }

    void missingDeviceIsOneLine() {
        const CliRun r = Zucomm({"read", "--port", "/dev/zucomm-no-such-tty", "--line",
                                 "9600,8,N,1,RTU", "--address", "1", "--register", "0x4700"});
        QCOMPARE(r.code, int(ExitPort));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(r.err.startsWith("zucomm read: /dev/zucomm-no-such-tty does not exist"),
                 qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_cli_options.moc"
