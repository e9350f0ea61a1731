// The real zucomm binary from a terminal: read, write and monitor against
// zusim on a pseudo-terminal (ASCII and RTU) and against the built-in
// simulated line; exit codes, printed values and error texts. When mbpoll is
// installed, it reads and writes the same zusim registers as a second opinion.
#include "device/record_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QtTest>
#include <memory>
#include <unistd.h>

namespace {

struct Ran {
    int code = -1;
    QString out;
    QString err;
};

QString BuildDir() {
    return qEnvironmentVariable("ZUCOMM_BUILD_DIR");
}
QString ZucommPath() {
    return BuildDir() + QStringLiteral("/src/app/zucomm");
}
QString ZusimPath() {
    return BuildDir() + QStringLiteral("/sim/zusim");
}

// Every wait is bounded; a child that overstays is killed.
Ran RunProgram(const QString& program, const QStringList& args, const QString& dir,
               const QProcessEnvironment& env, int timeoutMs = 30000,
               const QString& stdoutFile = QString()) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setWorkingDirectory(dir);
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start();
    Ran r;
    if (!p.waitForStarted(10000)) {
        r.err = QStringLiteral("could not start ") + program;
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.err = QStringLiteral("killed after %1 ms: ").arg(timeoutMs);
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err += QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// zusim on a pty, stopped when the object goes.
class Zusim {
  public:
    bool start(const QStringList& args, const QString& link) {
        proc_.setProgram(ZusimPath());
        proc_.setArguments(QStringList(args) << QStringLiteral("--link") << link);
        proc_.start();
        if (!proc_.waitForStarted(10000))
            return false;
        // The first line is the terminal's path; the link exists by then.
        QByteArray first;
        for (int i = 0; i < 100 && !first.contains('\n'); ++i) {
            if (!proc_.waitForReadyRead(100) && proc_.state() != QProcess::Running)
                break;
            first += proc_.readAllStandardOutput();
        }
        path_ = QString::fromLocal8Bit(first).trimmed();
        return path_.startsWith(QLatin1String("/dev/"));
    }
    ~Zusim() { stop(); }
    void stop() {
        if (proc_.state() == QProcess::NotRunning)
            return;
        proc_.terminate();
        if (!proc_.waitForFinished(5000)) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }
    const QString& path() const { return path_; }

  private:
    QProcess proc_;
    QString path_;
};

// Lines "HH:MM:SS.mmm address=N family=F PV=.. SV=.." of a monitor run, by address.
QMultiMap<int, QRegularExpressionMatch> StatusLines(const QString& out) {
    static const QRegularExpression line(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d address=(\\d+) family=([ABC?]) "
                       "PV=(\"[^\"]*\"|\\S+) SV=(\"[^\"]*\"|\\S+)$"),
        QRegularExpression::MultilineOption);
    QMultiMap<int, QRegularExpressionMatch> byAddress;
    auto it = line.globalMatch(out);
    while (it.hasNext()) {
        const auto m = it.next();
        byAddress.insert(m.captured(1).toInt(), m);
    }
    return byAddress;
}

const QString kAsciiLine = QStringLiteral("9600,7,E,1,ASCII");
const QString kRtuLine = QStringLiteral("19200,8,N,1,RTU");

} // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir work_; // current directory of every run (SETDT.$$$) and the config home
    QProcessEnvironment env_;
    int linkCount_ = 0;

    Ran zucomm(const QStringList& args, int timeoutMs = 30000) {
        return RunProgram(ZucommPath(), args, work_.path(), env_, timeoutMs);
    }
    QString nextLink() { return work_.filePath(QStringLiteral("tty%1").arg(++linkCount_)); }
    void clearSetting() { QFile::remove(work_.filePath(QStringLiteral("SETDT.$$$"))); }

  private slots:
    void initTestCase() {
        QVERIFY2(!BuildDir().isEmpty(), "ZUCOMM_BUILD_DIR is not set (run through ctest)");
        QVERIFY2(QFileInfo(ZucommPath()).isExecutable(),
                 qPrintable(ZucommPath() + " is not built"));
        QVERIFY2(QFileInfo(ZusimPath()).isExecutable(), qPrintable(ZusimPath() + " is not built"));
        QVERIFY(work_.isValid());
        env_ = QProcessEnvironment::systemEnvironment();
        // No user's port map, and no display: the command line needs none.
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), work_.filePath(QStringLiteral("config")));
        env_.remove(QStringLiteral("DISPLAY"));
        env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    void init() { clearSetting(); }

    void writeThenReadOnAPty_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("ASCII") << kAsciiLine;
        QTest::newRow("RTU") << kRtuLine;
    }
    void writeThenReadOnAPty() {
        QFETCH(QString, line);
        Zusim sim;
        QVERIFY(sim.start({"--line", line}, nextLink()));
        const QStringList common{"--port", sim.path(), "--line", line, "--address", "2"};

        const Ran w = zucomm(QStringList{"write"} << common << "--register"
                                                  << "0x4701"
                                                  << "--value"
                                                  << "1234");
        QCOMPARE(w.err, QString());
        QCOMPARE(w.code, 0);
        QCOMPARE(w.out, QStringLiteral("0x4701 = 1234 (0x04D2, signed 1234) written\n"));

        const Ran neg = zucomm(QStringList{"write"} << common << "--register"
                                                    << "0x4709"
                                                    << "--value"
                                                    << "-50");
        QCOMPARE(neg.code, 0);

        const Ran r = zucomm(QStringList{"read"} << common << "--register"
                                                 << "0x4700"
                                                 << "--count"
                                                 << "2");
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(QRegularExpression("^0x4700 = \\d+ \\(0x[0-9A-F]{4}, signed -?\\d+\\)$")
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("0x4701 = 1234 (0x04D2, signed 1234)"));

        const Ran back = zucomm(QStringList{"read"} << common << "--register"
                                                    << "0x4709");
        QCOMPARE(back.out, QStringLiteral("0x4709 = 65486 (0xFFCE, signed -50)\n"));
    }

    void failuresOnAPty_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("zusimArgs");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        const QStringList read{"read", "--register", "0x4700"};
        for (const QString& line : {kAsciiLine, kRtuLine}) {
            const QByteArray tag = line.endsWith("RTU") ? "RTU, " : "ASCII, ";
            QTest::newRow(tag + "nobody at the address") << line << QStringList{}
                                                         << (QStringList(read) << "--address"
                                                                               << "9")
                                                         << 4 << "Received data time out error\n";
            QTest::newRow(tag + "register outside the map")
                << line << QStringList{}
                << QStringList{"read", "--register", "0x0100", "--address", "2"} << 6
                << " Read error : illegal address  !!!\n";
            QTest::newRow(tag + "bad checksum") << line << QStringList{"--fault", "bad-checksum:2"}
                                                << (QStringList(read) << "--address"
                                                                      << "2")
                                                << 5 << "Received checksum error !!!\n";
            QTest::newRow(tag + "reply from another address")
                << line << QStringList{"--fault", "wrong-address:2"}
                << (QStringList(read) << "--address"
                                      << "2")
                << 5 << "Address not correct\n";
            QTest::newRow(tag + "controller silent") << line << QStringList{"--fault", "silence:1"}
                                                     << (QStringList(read) << "--address"
                                                                           << "1")
                                                     << 4 << "Received data time out error\n";
        }
        QTest::newRow("ASCII, write to a read-only register")
            << kAsciiLine << QStringList{}
            << QStringList{"write", "--register", "0x4700", "--value", "1", "--address", "2"} << 6
            << "Writing data compare fail !!!\nthe device refused the write: exception 2, illegal "
               "address  !!!\n";
    }
    void scanFindsAControllerOnAPtyOnlyAtItsBaud() {
        // The pty shows zusim the baud the scan sets, so the controller at
        // 19200 answers that probe alone; baud and framing are left open.
        Zusim sim;
        QVERIFY(sim.start({"--line", kRtuLine, "--device", "B:7"}, nextLink()));
        const Ran r = zucomm({"scan", "--port", sim.path(), "--addresses", "1-16", "--parity", "N",
                              "--bits", "8", "--stop", "1"},
                             120000);
        QVERIFY2(r.out == QStringLiteral("address=7 line=19200,8,N,1,RTU\n"),
                 qPrintable(r.out + r.err));
        QVERIFY2(r.err.endsWith("Search Completed,Found 1 items\n"), qPrintable(r.err));
        QCOMPARE(r.code, 0);
    }

    void recordPrintsACycleLinePerPeriodAndDropsASilentAddress() {
        Zusim sim;
        QVERIFY(sim.start(
            {"--line", kRtuLine, "--device", "B:1", "--device", "C:2", "--fault", "silence:2"},
            nextLink()));
        QTemporaryDir dir;
        const QString rec = dir.filePath("run.rec");
        const Ran r =
            zucomm({"record", "--port", sim.path(), "--line", kRtuLine, "--address", "1",
                    "--address", "2", "--period", "0.5", "--seconds", "3.2", "--out", rec});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 3, qPrintable(r.out + r.err));
        QVERIFY(lines[0].startsWith("# zucomm record on "));
        // Address 2 holds the cycle back until its third time-out drops it.
        const QRegularExpression cycle(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} 1=-?\\d+\\.\\d 2=Err$"));
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(cycle.match(lines[i]).hasMatch(), qPrintable(lines[i]));
        QCOMPARE(r.err.count(QStringLiteral(" DEVICE  2Received data time out error\n")), 3);

        // The file holds what was printed, cycle for cycle.
        zu::RecordFileReader file;
        QVERIFY(!file.open(rec));
        QCOMPARE(int(file.header().address[0]), 1);
        QCOMPARE(int(file.header().address[1]), 2);
        QCOMPARE(int(file.header().address[2]), 0);
        QCOMPARE(int(file.header().sampleTime), 0);
        QCOMPARE(file.recordCount(), std::int64_t(lines.size() - 1));
        const zu::RecordWindow w = file.read(0);
        QCOMPARE(std::int64_t(w.records.size()), file.recordCount());
        for (int i = 1; i < lines.size(); ++i) {
            const zu::RecordSample& s = w.records[std::size_t(i - 1)];
            const QString value = lines[i].section(' ', 1, 1).section('=', 1);
            QCOMPARE(QString::number(std::int16_t(s.value[0]) / 10.0, 'f', 1), value);
            QCOMPARE(s.value[1], zu::RecordErrorValue);
            QCOMPARE(s.value[2], std::uint16_t(0));
            QVERIFY(s.hour < 24 && s.minute < 60 && s.second < 60);
        }
    }

    void recordToAFileThatCannotBeCreated() {
        const Ran r = zucomm({"record", "--port", "sim", "--address", "1", "--seconds", "1",
                              "--out", "/nonexistent-folder/run.rec"});
        QCOMPARE(r.code, 7);
        QVERIFY2(r.err.contains("/nonexistent-folder/run.rec"), qPrintable(r.err));
    }

    void setProtocolMovesAControllerOnAPty() {
        Zusim sim;
        QVERIFY(sim.start({"--line", kRtuLine, "--device", "B:7"}, nextLink()));
        Ran r = zucomm({"set-protocol", "--port", sim.path(), "--address", "7", "--line", kRtuLine,
                        "--new-address", "12", "--new-line", kAsciiLine});
        QCOMPARE(r.out, QStringLiteral("SET Protocol Success\n"));
        QCOMPARE(r.code, 0);
        r = zucomm({"read", "--port", sim.path(), "--line", kAsciiLine, "--address", "12",
                    "--register", "0x4701"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("0x4701 = "));
        r = zucomm({"set-protocol", "--port", sim.path(), "--address", "7", "--line", kRtuLine,
                    "--new-address", "8", "--new-line", kRtuLine});
        QCOMPARE(r.err.trimmed().split('\n').last(),
                 QStringLiteral("Timeout error,Fail to changed"));
        QCOMPARE(r.code, 4);
    }

    void failuresOnAPty() {
        QFETCH(QString, line);
        QFETCH(QStringList, zusimArgs);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, err);
        Zusim sim;
        QVERIFY(sim.start(QStringList{"--line", line} << zusimArgs, nextLink()));
        const Ran r = zucomm(args << "--port" << sim.path() << "--line" << line);
        QCOMPARE(r.err, err);
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, QString());
    }

    void lineSettingFromSetdtAndPortFromTheMap() {
        // SETDT.$$$ says RTU at 19200 (946 = COM3, 19200, 8N1, RTU); the port map
        // puts COM5 on the pty.
        Zusim sim;
        const QString link = nextLink();
        QVERIFY(sim.start({"--line", kRtuLine, "--device", "C:7"}, link));
        QFile setting(work_.filePath("SETDT.$$$"));
        QVERIFY(setting.open(QIODevice::WriteOnly));
        setting.write("946");
        setting.close();
        QDir().mkpath(work_.filePath("config/zucomm"));
        QFile map(work_.filePath("config/zucomm/ports.conf"));
        QVERIFY(map.open(QIODevice::WriteOnly));
        map.write(QStringLiteral("COM5=%1\n").arg(link).toLocal8Bit());
        map.close();
        const Ran r = zucomm({"read", "--port", "COM5", "--address", "7", "--register", "0x4701"});
        QFile::remove(map.fileName());
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("0x4701 = 1000 (0x03E8, signed 1000)\n"));
        // The ASCII default without SETDT.$$$ does not reach the RTU controller.
        clearSetting();
        const Ran ascii =
            zucomm({"read", "--port", link, "--address", "7", "--register", "0x4701"});
        QCOMPARE(ascii.code, 4);
    }

    void builtInSimulatedLine() {
        for (int address : {1, 2, 3}) {
            const Ran r = zucomm({"read", "--port", "sim", "--address", QString::number(address),
                                  "--register", "0x4701"});
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out, QStringLiteral("0x4701 = 1000 (0x03E8, signed 1000)\n"));
        }
        const Ran w = zucomm({"write", "--port", "sim", "--address", "3", "--register", "0x4701",
                              "--value", "0x01F4"});
        QCOMPARE(w.code, 0);
        QCOMPARE(w.out, QStringLiteral("0x4701 = 500 (0x01F4, signed 500) written\n"));
        const Ran t = zucomm({"read", "--port", "sim", "--address", "4", "--register", "0x4701"});
        QCOMPARE(t.code, 4);
        QCOMPARE(t.err, QStringLiteral("Received data time out error\n"));
        // The built-in controllers speak 9600,7,E,1,ASCII only.
        const Ran rtu = zucomm({"read", "--port", "sim", "--line", kRtuLine, "--address", "1",
                                "--register", "0x4701"});
        QCOMPARE(rtu.code, 4);
    }

    void monitorOnAPty_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("ASCII") << kAsciiLine;
        QTest::newRow("RTU") << kRtuLine;
    }
    void monitorOnAPty() {
        QFETCH(QString, line);
        Zusim sim;
        QVERIFY(sim.start({"--line", line}, nextLink()));
        // A value written by one command is what the monitor shows: SV 123.4.
        QCOMPARE(zucomm({"write", "--port", sim.path(), "--line", line, "--address", "2",
                         "--register", "0x4701", "--value", "1234"})
                     .code,
                 0);
        const Ran r = zucomm({"monitor", "--port", sim.path(), "--line", line, "--address", "1",
                              "--address", "2", "--address", "3", "--seconds", "4"});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("# zucomm monitor on " + sim.path()), qPrintable(r.out));
        const auto lines = StatusLines(r.out);
        const QMap<int, QString> family{{1, "A"}, {2, "B"}, {3, "C"}};
        const QMap<int, QString> sv{{1, "100.0"}, {2, "123.4"}, {3, "100.0"}};
        for (int a : {1, 2, 3}) {
            QVERIFY2(lines.count(a) >= 2, qPrintable(r.out));
            for (const auto& m : lines.values(a)) {
                QCOMPARE(m.captured(2), family[a]);
                QCOMPARE(m.captured(4), sv[a]);
                QVERIFY2(
                    QRegularExpression("^\"?-? ?\\d+\\.\\d\"?$").match(m.captured(3)).hasMatch(),
                    qPrintable(m.captured(0)));
            }
        }
        QVERIFY(!r.out.contains("error="));
    }

    void monitorShowsThePvErrorText() {
        Zusim sim;
        QVERIFY(sim.start({"--device", "B:4", "--fault", "pv-status:4:param=4"}, nextLink()));
        const Ran r = zucomm({"monitor", "--port", sim.path(), "--address", "4", "--seconds", "3"});
        QCOMPARE(r.code, 0);
        const auto lines = StatusLines(r.out);
        QVERIFY2(!lines.isEmpty(), qPrintable(r.out));
        for (const auto& m : lines)
            QCOMPARE(m.captured(3), QStringLiteral("\"Input error\""));
    }

    void monitorOnTheBuiltInLine() {
        const Ran r = zucomm({"monitor", "--port", "sim", "--address", "1", "--address", "2",
                              "--address", "3", "--seconds", "4"});
        QCOMPARE(r.code, 0);
        const auto lines = StatusLines(r.out);
        for (int a : {1, 2, 3}) {
            QVERIFY2(lines.count(a) >= 2, qPrintable(r.out));
            QCOMPARE(lines.value(a).captured(2), QString(QChar('A' + a - 1)));
            QCOMPARE(lines.value(a).captured(4), QStringLiteral("100.0"));
        }
    }

    void monitorDropsASilentAddress() {
        const Ran r = zucomm({"monitor", "--port", "sim", "--address", "9", "--seconds", "30"});
        QCOMPARE(r.code, 4);
        QCOMPARE(r.out.count("address=9 error=\"Received data time out error\""), 4);
        QVERIFY(r.out.contains("address=9 dropped="));
        QVERIFY2(r.err.contains("no controller answers any more"), qPrintable(r.err));
        QVERIFY(StatusLines(r.out).isEmpty());
    }

    void portProblemsAreOneLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("start");
        QTest::newRow("read, no such device")
            << QStringList{"read",       "--port", "/dev/zucomm-missing", "--address", "1",
                           "--register", "1"}
            << 3 << "zucomm read: /dev/zucomm-missing does not exist";
        QTest::newRow("monitor, no such device")
            << QStringList{"monitor", "--port", "/dev/zucomm-missing", "--seconds", "5"} << 3
            << "zucomm monitor: ";
        QTest::newRow("COM9 without a device")
            << QStringList{"write",      "--port", "COM9",    "--address", "1",
                           "--register", "1",      "--value", "1"}
            << 3 << "zucomm write: COM9 is not assigned";
        QTest::newRow("no port") << QStringList{"read", "--address", "1", "--register", "1"} << 2
                                 << "zucomm read: --port is missing";
        QTest::newRow("bad option") << QStringList{"monitor", "--port", "sim", "--adress", "1"} << 2
                                    << "zucomm monitor: Unknown option 'adress'";
        QTest::newRow("bad line") << QStringList{"read", "--port", "sim", "--line",
                                                 "9600,7,X,1,ASCII"}
                                  << 2 << "zucomm read: --line: parity must be N, E or O";
        QTest::newRow("unknown subcommand")
            << QStringList{"sweep"} << 2 << "zucomm: unknown subcommand \"sweep\"";
    }
    void portProblemsAreOneLine() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, start);
        const Ran r = zucomm(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.startsWith(start), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
    }

    void portWithoutPermission() {
        Zusim sim;
        QVERIFY(sim.start({}, nextLink()));
        QVERIFY(
            QFile::setPermissions(sim.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QStringList args{"read",      "--port", sim.path(),   "--line", kAsciiLine,
                         "--address", "1",      "--register", "1"};
        QString program = ZucommPath();
        if (::geteuid() == 0) {
            // Root opens any device: ask as a user who does not own the terminal.
            program = QStandardPaths::findExecutable("runuser");
            if (program.isEmpty())
                QSKIP("running as root without runuser");
            args = QStringList{"-u", "nobody", "--", ZucommPath()} << args;
        } else if (QFileInfo(sim.path()).ownerId() == ::geteuid()) {
            QVERIFY(QFile::setPermissions(sim.path(), QFileDevice::Permissions{}));
        }
        const Ran r = RunProgram(program, args, QStringLiteral("/"), env_);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.startsWith("zucomm read: Permission denied on " + sim.path()),
                 qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
    }

    void resultsToAFullDiscFail_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("read") << QStringList{"read", "--port",     "sim",   "--address",
                                             "1",    "--register", "0x4701"};
        QTest::newRow("write") << QStringList{"write",      "--port", "sim",     "--address", "1",
                                              "--register", "0x4701", "--value", "1000"};
        QTest::newRow("monitor") << QStringList{"monitor", "--port",    "sim", "--address",
                                                "1",       "--seconds", "20"};
    }
    void resultsToAFullDiscFail() {
        QFETCH(QStringList, args);
        const Ran r =
            RunProgram(ZucommPath(), args, work_.path(), env_, 15000, QStringLiteral("/dev/full"));
        QCOMPARE(r.err, "zucomm " + args[0] +
                            ": the results could not be written to standard output: No space "
                            "left on device\n");
        QCOMPARE(r.code, 7);
    }

    void monitorTellsThatThePtysFarEndClosed() {
        Zusim sim;
        QVERIFY(sim.start({}, nextLink()));
        QProcess monitor;
        monitor.setProgram(ZucommPath());
        monitor.setArguments(
            {"monitor", "--port", sim.path(), "--address", "1", "--seconds", "30"});
        monitor.setWorkingDirectory(work_.path());
        monitor.setProcessEnvironment(env_);
        monitor.start();
        QVERIFY(monitor.waitForStarted(10000));
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains("family=A"); ++i) {
            monitor.waitForReadyRead(100);
            out += monitor.readAllStandardOutput();
        }
        QVERIFY2(out.contains("family=A"), out.constData());
        sim.stop(); // the program at the far end goes
        if (!monitor.waitForFinished(10000)) {
            monitor.kill();
            monitor.waitForFinished(5000);
            QFAIL("the monitor went on polling a closed pseudo-terminal");
        }
        const QString err = QString::fromLocal8Bit(monitor.readAllStandardError());
        QCOMPARE(monitor.exitCode(), 3);
        QVERIFY2(err.startsWith("zucomm monitor: " + sim.path() + " was closed at its far end"),
                 qPrintable(err));
        QVERIFY2(!err.contains("ioctl"), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
    }

    void settingFileWithoutReadPermissionIsNoted() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) |
                                                      QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        QFile setting(dir.filePath("SETDT.$$$"));
        QVERIFY(setting.open(QIODevice::WriteOnly));
        setting.write("946"); // RTU: the built-in line would not answer
        setting.close();
        QVERIFY(QFile::setPermissions(setting.fileName(), QFileDevice::Permissions{}));
        QStringList args{"read", "--port", "sim", "--address", "2", "--register", "0x4701"};
        QString program = ZucommPath();
        if (::geteuid() == 0) {
            // Root reads any file: ask as a user who does not own it.
            program = QStandardPaths::findExecutable("runuser");
            if (program.isEmpty())
                QSKIP("running as root without runuser");
            args = QStringList{"-u", "nobody", "--", ZucommPath()} << args;
        }
        const Ran r = RunProgram(program, args, dir.path(), env_);
        QCOMPARE(r.err, "zucomm read: note: " + setting.fileName() +
                            " cannot be read (Permission denied); using 9600,7,E,1,ASCII\n");
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("0x4701 = 1000 (0x03E8, signed 1000)\n"));
    }

    // Backing up one controller and cloning it onto another through ptys:
    // upload, par show, download, upload again; par diff finds nothing.
    void cloneAControllerThroughPtys() {
        const QString line = QStringLiteral("38400,8,N,1,RTU");
        Zusim source, target;
        QVERIFY(source.start({"--line", line, "--device", "B:1"}, nextLink()));
        QVERIFY(target.start({"--line", line, "--device", "B:4"}, nextLink()));
        const Ran w = zucomm({"write", "--port", source.path(), "--line", line, "--address", "1",
                              "--register", "0x4701", "--value", "555"});
        QCOMPARE(w.code, 0);
        const QString a = work_.filePath("source.par"), b = work_.filePath("target.par");
        const Ran up = zucomm(
            {"upload", "--port", source.path(), "--line", line, "--address", "1", "--out", a},
            60000);
        QCOMPARE(up.code, 0);
        QCOMPARE(up.out, QString("ZUB V1.52 parameters successful upload into buffer\n"));
        QVERIFY(up.err.contains("UPLOAD 90 %"));
        QCOMPARE(QFileInfo(a).size(), qint64(260));
        const Ran show = zucomm({"par", "show", a});
        QCOMPARE(show.code, 0);
        QVERIFY2(show.out.contains("0x4701 SV = 55.5\n"), qPrintable(show.out));

        const Ran other = zucomm({"par", "diff", a, a});
        QCOMPARE(other.code, 0);
        const Ran down = zucomm(
            {"download", "--port", target.path(), "--line", line, "--address", "4", a}, 60000);
        QCOMPARE(down.err.contains("WRITE TO SELECTED DEVICE"), true);
        QCOMPARE(down.code, 0);
        const Ran sv = zucomm({"read", "--port", target.path(), "--line", line, "--address", "4",
                               "--register", "0x4701"});
        QCOMPARE(sv.err, QString());
        QCOMPARE(sv.out, QString("0x4701 = 555 (0x022B, signed 555)\n"));
        const Ran again = zucomm(
            {"upload", "--port", target.path(), "--line", line, "--address", "4", "--out", b},
            60000);
        QCOMPARE(again.code, 0);
        const Ran diff = zucomm({"par", "diff", a, b});
        QVERIFY2(diff.code == 0, qPrintable(diff.out));
    }

    void helpAndVersion() {
        const Ran top = zucomm({"--help"});
        QCOMPARE(top.code, 0);
        for (const char* word : {"monitor", "read", "write", "--port", "--line", "Exit status"})
            QVERIFY2(top.out.contains(word), word);
        for (const char* sub : {"monitor", "read", "write"}) {
            const Ran h = zucomm({sub, "--help"});
            QCOMPARE(h.code, 0);
            QVERIFY(h.out.startsWith(QStringLiteral("Usage: zucomm ") + sub));
        }
        const Ran v = zucomm({"--version"});
        QCOMPARE(v.code, 0);
        QVERIFY(v.out.startsWith("zucomm "));
    }

    void agreesWithMbpoll() {
        const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
        if (mbpoll.isEmpty())
            QSKIP("mbpoll is not installed");
        Zusim sim;
        const QString link = nextLink();
        QVERIFY(sim.start({"--line", kRtuLine, "--device", "B:1"}, link));
        // mbpoll counts references from 1: 0x4708 is reference 18185.
        const QStringList mb{"-m", "rtu",  "-a", "1", "-b", "19200",
                             "-P", "none", "-t", "4", "-1", "-q"};
        const Ran theirs = RunProgram(mbpoll,
                                      QStringList(mb) << "-r"
                                                      << "18185"
                                                      << "-c"
                                                      << "8" << link,
                                      work_.path(), env_);
        QCOMPARE(theirs.code, 0);
        const Ran ours = zucomm({"read", "--port", link, "--line", kRtuLine, "--address", "1",
                                 "--register", "0x4708", "--count", "8"});
        QCOMPARE(ours.code, 0);
        QStringList theirValues, ourValues;
        static const QRegularExpression mbLine("^\\[(\\d+)\\]:\\s+(-?\\d+)",
                                               QRegularExpression::MultilineOption);
        for (auto it = mbLine.globalMatch(theirs.out); it.hasNext();) {
            const auto m = it.next();
            theirValues
                << QStringLiteral("%1=%2").arg(m.captured(1).toInt() - 1).arg(m.captured(2));
        }
        static const QRegularExpression ourLine("^0x([0-9A-F]{4}) = (\\d+) ",
                                                QRegularExpression::MultilineOption);
        for (auto it = ourLine.globalMatch(ours.out); it.hasNext();) {
            const auto m = it.next();
            ourValues
                << QStringLiteral("%1=%2").arg(m.captured(1).toInt(nullptr, 16)).arg(m.captured(2));
        }
        QCOMPARE(ourValues.size(), 8);
        QCOMPARE(ourValues, theirValues);

        // Each side writes, the other reads it back.
        QCOMPARE(RunProgram(mbpoll,
                            QStringList(mb) << "-r"
                                            << "18178" << link << "777",
                            work_.path(), env_)
                     .code,
                 0);
        QCOMPARE(zucomm({"read", "--port", link, "--line", kRtuLine, "--address", "1", "--register",
                         "0x4701"})
                     .out,
                 QStringLiteral("0x4701 = 777 (0x0309, signed 777)\n"));
        QCOMPARE(zucomm({"write", "--port", link, "--line", kRtuLine, "--address", "1",
                         "--register", "0x4701", "--value", "555"})
                     .code,
                 0);
        const Ran check = RunProgram(mbpoll,
                                     QStringList(mb) << "-r"
                                                     << "18178" << link,
                                     work_.path(), env_);
        QVERIFY2(check.out.contains(QRegularExpression("\\[18178\\]:\\s+555")),
                 qPrintable(check.out));
    }
};

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
