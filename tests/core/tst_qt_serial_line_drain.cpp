// A setting change on an open QtSerialLine waits for the bytes the driver
// still holds. A pseudo-terminal passes bytes on at once, so the wait cannot
// be seen in what arrives; this test watches the calls the line makes to the
// terminal interface instead: this binary's own tcsetattr and tcdrain stand in
// front of the C library's, note each call and pass it on.
#include "core/qt_serial_line.h"

#include <QtTest>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct TermCall {
    int fd;
    bool drain; // tcdrain; else tcsetattr
    int action; // TCSANOW, TCSADRAIN, TCSAFLUSH
    speed_t speed;
};
QList<TermCall>* g_calls = nullptr;

template <typename F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int tcsetattr(int fd, int action, const struct termios* t) {
    static const auto real = next<int (*)(int, int, const struct termios*)>("tcsetattr");
    if (g_calls)
        g_calls->append({fd, false, action, cfgetospeed(t)});
    return real(fd, action, t);
}

extern "C" int tcdrain(int fd) {
    static const auto real = next<int (*)(int)>("tcdrain");
    if (g_calls)
        g_calls->append({fd, true, 0, 0});
    return real(fd);
}

using namespace zu;

class TestQtSerialLineDrain : public QObject {
    Q_OBJECT
  private slots:
    void settingChangeWaitsForTheDriversQueue() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QtSerialLine line(QString::fromLocal8Bit(ptsname(master)));
        QString error;
        QVERIFY2(line.open({2400, 8, LineParity::None, 1}, &error), qPrintable(error));
        QVERIFY(line.write(":010347000002B3\r\n"));

        QList<TermCall> calls;
        g_calls = &calls;
        line.applySettings({38400, 8, LineParity::None, 1});
        g_calls = nullptr;

        // The first call that puts 38400 on the line must come after a drain,
        // or be a draining one itself.
        const auto set = std::find_if(calls.begin(), calls.end(), [](const TermCall& c) {
            return !c.drain && c.speed == B38400;
        });
        QVERIFY2(set != calls.end(), "the new speed never reached tcsetattr");
        const bool drained = set->action == TCSADRAIN || set->action == TCSAFLUSH ||
                             std::any_of(calls.begin(), set, [&](const TermCall& c) {
                                 return c.drain && c.fd == set->fd;
                             });
        QVERIFY2(drained, "the speed was changed while sent bytes may still wait in the driver");
        line.close();
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialLineDrain)
#include "tst_qt_serial_line_drain.moc"
