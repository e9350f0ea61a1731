// The controllers served on a pseudo-terminal, end to end: a raw client and
// the program's own serial line, a client closing and reopening the slave,
// pulling the plug, the zusim program itself, and mbpoll (libmodbus) as an
// independent peer when it is installed.
#include "core/qt_serial_line.h"
#include "sim/lib/pty_server.h"
#include "sim_test_util.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace zu::sim;
using namespace zu::sim::test;

namespace {

const zu::LineSettings k7E1{9600, 7, zu::LineParity::Even, 1};
const zu::LineSettings k8N1{19200, 8, zu::LineParity::None, 1};

// A raw client on the slave side, as a terminal program would open it.
class Client {
  public:
    // speed: what the client sets on the slave, which zusim sees.
    explicit Client(const QString& path, speed_t speed = B9600) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            cfsetspeed(&t, speed);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Client() { close(); }
    bool isOpen() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool send(const std::vector<std::uint8_t>& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // What has arrived so far (keeps collecting across calls).
    const QByteArray& received() {
        char buf[512];
        ssize_t n;
        while (fd_ >= 0 && (n = ::read(fd_, buf, sizeof buf)) > 0)
            rx_.append(buf, int(n));
        return rx_;
    }
    void clear() { rx_.clear(); }
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
    QByteArray rx_;
};

} // namespace

class TestPtyServer : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void asciiRequestAndReply();
    void rtuWithWireTime();
    void clientAtAnotherBaudIsNotUnderstood();
    void clientClosesAndReopens();
    void unplug();
    void programSerialLine();
    void zusimProgram();
    void mbpollReadsPv();

  private:
    std::unique_ptr<zu::Clock> clock_;
    std::unique_ptr<Bus> bus_;
};

void TestPtyServer::init() {
    clock_ = zu::makeRealClock();
    bus_ = std::make_unique<Bus>(*clock_);
}

void TestPtyServer::cleanup() {
    bus_.reset();
    clock_.reset();
}

void TestPtyServer::asciiRequestAndReply() {
    bus_->addDevice('B', 1);
    PtyServer server(*clock_, *bus_, k7E1, false);
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    QVERIFY(server.slavePath().startsWith("/dev/pts/"));
    Client c(server.slavePath());
    QVERIFY(c.isOpen());
    QVERIFY(c.send(textBytes(":010347010001B3\r\n")));
    QTRY_COMPARE(c.received(), QByteArray(":01030203E80F\r\n"));
}

void TestPtyServer::rtuWithWireTime() {
    bus_->addDevice('C', 7, {k8N1, Framing::Rtu});
    PtyServer server(*clock_, *bus_, k8N1, true);
    QVERIFY(server.start(nullptr));
    Client c(server.slavePath(), B19200);
    QVERIFY(c.send(encodeRequest(Framing::Rtu, {7, 3, 0x4701, 1, 0})));
    QTRY_COMPARE(c.received().size(), 7);
    QCOMPARE(c.received().left(5).toHex(' '), QByteArray("07 03 02 03 e8"));
}

void TestPtyServer::clientAtAnotherBaudIsNotUnderstood() {
    bus_->addDevice('A', 1);
    PtyServer server(*clock_, *bus_, k7E1, false);
    QVERIFY(server.start(nullptr));
    {
        Client fast(server.slavePath(), B19200);
        QVERIFY(fast.send(textBytes(":010347010001B3\r\n")));
        QTest::qWait(300);
        QCOMPARE(fast.received(), QByteArray());
    }
    QCOMPARE(bus_->at(0).counters.requests, 0);
    Client c(server.slavePath(), B9600);
    QVERIFY(c.send(textBytes(":010347010001B3\r\n")));
    QTRY_COMPARE(c.received().size(), 15);
}

void TestPtyServer::clientClosesAndReopens() {
    bus_->addDevice('A', 1);
    PtyServer server(*clock_, *bus_, k7E1, false);
    QVERIFY(server.start(nullptr));
    for (int round = 0; round < 3; ++round) {
        Client c(server.slavePath());
        QVERIFY(c.isOpen());
        QVERIFY(c.send(textBytes(":010347010001B3\r\n")));
        QTRY_COMPARE(c.received().size(), 15);
        c.close();
    }
    QVERIFY(server.isRunning());
    QCOMPARE(bus_->at(0).counters.replies, 3);
}

void TestPtyServer::unplug() {
    bus_->addDevice('B', 1);
    PtyServer server(*clock_, *bus_, k7E1, false);
    QVERIFY(server.start(nullptr));
    Client c(server.slavePath());
    server.unplug();
    QVERIFY(!server.isRunning());
    pollfd p{c.fd(), POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    QVERIFY(!c.send(textBytes(":010347010001B3\r\n")));
}

void TestPtyServer::programSerialLine() {
    bus_->addDevice('B', 2);
    PtyServer server(*clock_, *bus_, k7E1, true);
    QVERIFY(server.start(nullptr));
    zu::QtSerialLine line(server.slavePath());
    QByteArray rx;
    line.received = [&](const QByteArray& b) { rx += b; };
    QString error;
    QVERIFY2(line.open(k7E1, &error), qPrintable(error));
    QVERIFY(line.write(":02670012000382\r\n"));
    QTRY_COMPARE(rx, QByteArray(":02670600020001010489\r\n"));
    line.close();
}

void TestPtyServer::zusimProgram() {
    const QString zusim = qEnvironmentVariable("ZUCOMM_BUILD_DIR") + "/sim/zusim";
    if (!QFileInfo::exists(zusim))
        QSKIP("zusim is not built");
    QTemporaryDir dir;
    const QString link = dir.filePath("line");
    QProcess p;
    p.start(zusim, {"--link", link, "--line", "19200,8,N,1,RTU", "--device", "C:7", "--fault",
                    "pv-status:7:param=5"});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY(p.canReadLine());
    const QString path = QString::fromLocal8Bit(p.readLine()).trimmed();
    QVERIFY(path.startsWith("/dev/pts/"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);
    Client c(link, B19200);
    QVERIFY(c.send(encodeRequest(Framing::Rtu, {7, 3, 0x4700, 2, 0})));
    QTRY_COMPARE(c.received().size(), 9);
    QCOMPARE(c.received().left(5).toHex(' '), QByteArray("07 03 04 80 05"));
    c.close();
    p.terminate(); // SIGTERM
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestPtyServer::mbpollReadsPv() {
    const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
    if (mbpoll.isEmpty())
        QSKIP("mbpoll is not installed");
    Device& d = bus_->addDevice('B', 1, {k8N1, Framing::Rtu});
    d.poke(0x4723, 0); // stopped at room temperature, 25.0
    d.poke(0x4701, 1234);
    PtyServer server(*clock_, *bus_, k8N1, false);
    QVERIFY(server.start(nullptr));
    QProcess p;
    p.start(mbpoll, {"-m", "rtu", "-a",    "1",  "-b", "19200", "-d",
                     "8",  "-P",  "none",  "-s", "1",  "-t",    "4",
                     "-0", "-r",  "18176", "-c", "2",  "-1",    server.slavePath()});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 15000);
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    QCOMPARE(p.exitCode(), 0);
    // Room temperature, 25.0, give or take the sensor's ripple.
    const auto pv = QRegularExpression("\\[18176\\]: \t(\\d+)").match(out);
    QVERIFY2(pv.hasMatch(), qPrintable(out));
    QVERIFY2(std::abs(pv.captured(1).toInt() - 250) <= 1, qPrintable(out));
    QVERIFY2(out.contains("[18177]: \t1234"), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestPtyServer)
#include "tst_pty_server.moc"
