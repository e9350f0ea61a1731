#include "core/qt_serial_line.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSerial, "zucomm.serial")

namespace zu {

namespace {

QSerialPort::Parity toQt(LineParity p) {
    switch (p) {
    case LineParity::None:
        return QSerialPort::NoParity;
    case LineParity::Odd:
        return QSerialPort::OddParity;
    case LineParity::Even:
        return QSerialPort::EvenParity;
    case LineParity::Mark:
        return QSerialPort::MarkParity;
    case LineParity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QString userName(uid_t uid) {
    const passwd* pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid) {
    const group* gr = ::getgrgid(gid);
    return gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(gid);
}

} // namespace

QtSerialLine::QtSerialLine(QString devicePath) : path_(std::move(devicePath)) {
    port_.setPortName(path_);
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = port_.readAll();
        if (!bytes.isEmpty() && received)
            received(bytes);
    });
    connect(&port_, &QSerialPort::bytesWritten, this, [this] {
        if (!waiting_.empty() && port_.bytesToWrite() == 0)
            runWaiting();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
}

QtSerialLine::~QtSerialLine() {
    port_.disconnect(this);
    if (port_.isOpen())
        port_.close();
}

bool QtSerialLine::isPseudoTerminal(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.startsWith(QLatin1String("/dev/pts/")) || real == QLatin1String("/dev/ptmx");
}

bool QtSerialLine::open(const LineSettings& settings, QString* error) {
    pty_ = isPseudoTerminal(path_);
    if (!QFileInfo::exists(path_)) {
        *error = QStringLiteral("%1 does not exist. Is the USB adapter plugged in? The port map "
                                "(ports.conf) may name a device that is gone.")
                     .arg(path_);
        return false;
    }
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite)) {
        const auto e = port_.error();
        const QByteArray local = path_.toLocal8Bit();
        // Asked with the ids open() used, which differ from the real ones in a setuid program.
        if (e == QSerialPort::PermissionError &&
            ::faccessat(AT_FDCWD, local.constData(), R_OK | W_OK, AT_EACCESS) != 0)
            *error = permissionMessage();
        else if (e == QSerialPort::PermissionError)
            *error = QStringLiteral("%1 is in use by another program. Close it and try again.")
                         .arg(path_);
        else if (e == QSerialPort::DeviceNotFoundError)
            *error = QStringLiteral("%1 does not exist. Is the USB adapter plugged in?").arg(path_);
        else
            *error = QStringLiteral("%1 cannot be opened: %2").arg(path_, port_.errorString());
        port_.clearError();
        return false;
    }
    if (!configure(settings, error)) {
        port_.close();
        return false;
    }
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    // What came while nobody listened (a late answer to the previous
    // program's last request) is no reply to anything of ours.
    port_.clear(QSerialPort::Input);
    port_.clearError();
    return true;
}

bool QtSerialLine::configure(const LineSettings& s, QString* error) {
    // A pty refuses 7 data bits and parity on an open port; it carries 8-bit
    // bytes unchanged, and ASCII frames are 7-bit, so the refusal is harmless there.
    const auto check = [&](bool ok, const char* what) {
        if (ok)
            return true;
        if (pty_ && port_.error() == QSerialPort::UnsupportedOperationError) {
            if (!ptyNoted_)
                qCDebug(lcSerial) << path_ << "is a pseudo-terminal and ignores" << what;
            ptyNoted_ = true;
            port_.clearError();
            return true;
        }
        *error = QStringLiteral("%1: cannot set %2: %3")
                     .arg(path_, QLatin1String(what), port_.errorString());
        port_.clearError();
        return false;
    };
    return check(port_.setBaudRate(s.baud), "the baud rate") &&
           check(port_.setDataBits(QSerialPort::DataBits(s.dataBits)), "the data bits") &&
           check(port_.setParity(toQt(s.parity)), "the parity") &&
           check(port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop),
                 "the stop bits") &&
           check(port_.setFlowControl(QSerialPort::NoFlowControl), "the flow control");
}

QString QtSerialLine::permissionMessage() const {
    // The group that may use the device differs between systems (dialout,
    // uucp, tty, a vendor's own): name the one this node has.
    const QByteArray local = path_.toLocal8Bit();
    struct stat st {};
    if (::stat(local.constData(), &st) != 0)
        return QStringLiteral("Permission denied on %1.").arg(path_);
    const QString owner = userName(st.st_uid);
    const QString group = groupName(st.st_gid);
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        return QStringLiteral("Permission denied on %1 (owner %2, group %3). Add your user to the "
                              "%3 group (sudo usermod -aG %3 $USER), then log in again.")
            .arg(path_, owner, group);
    return QStringLiteral("Permission denied on %1 (owner %2, group %3, mode %4): only %2 may open "
                          "it. Give it a group you belong to (a udev rule), or run as %2.")
        .arg(path_, owner, group)
        .arg(st.st_mode & 0777, 3, 8, QLatin1Char('0'));
}

void QtSerialLine::close() {
    waiting_.clear();
    if (port_.isOpen())
        port_.close();
}

void QtSerialLine::applySettings(const LineSettings& settings) {
    if (!port_.isOpen())
        return;
    if (waiting_.empty() && port_.bytesToWrite() == 0) {
        applyAfterDrain(settings);
        return;
    }
    // Several changes in a row (baud, data bits, parity, stop bits) are one.
    if (!waiting_.empty() && waiting_.back().settings)
        waiting_.back().settings = settings;
    else
        waiting_.push_back({settings, {}});
}

void QtSerialLine::applyAfterDrain(const LineSettings& settings) {
    // Qt sets the line at once (TCSANOW), which would change the speed under
    // the last bytes of a frame still in the driver; those are a few dozen at
    // most here, so waiting for them on this thread is short.
    if (const int fd = int(port_.handle()); fd >= 0)
        while (::tcdrain(fd) != 0 && errno == EINTR) {
        }
    QString error;
    if (!configure(settings, &error))
        fail(error);
}

bool QtSerialLine::write(const QByteArray& bytes) {
    if (!port_.isOpen())
        return false;
    if (!waiting_.empty()) {
        // Behind a setting change that waits: sent with the new setting.
        if (waiting_.back().settings)
            waiting_.push_back({std::nullopt, bytes});
        else
            waiting_.back().bytes += bytes;
        return true;
    }
    return send(bytes, true);
}

bool QtSerialLine::send(const QByteArray& bytes, bool handOverNow) {
    const bool queueWasEmpty = port_.bytesToWrite() == 0;
    if (port_.write(bytes) != bytes.size()) {
        fail(QStringLiteral("Writing to %1 failed: %2").arg(path_, port_.errorString()));
        return false;
    }
    if (!handOverNow || !queueWasEmpty)
        return port_.isOpen();
    // Hand the frame to the driver now rather than on the next writable
    // notification: one trip less through the event loop per frame. Only when
    // the driver has room: Qt takes its refusal (EAGAIN) for a write error.
    pollfd p{int(port_.handle()), POLLOUT, 0};
    if (::poll(&p, 1, 0) == 1 && (p.revents & POLLOUT))
        port_.flush();
    return port_.isOpen();
}

void QtSerialLine::runWaiting() {
    if (runningWaiting_)
        return;
    runningWaiting_ = true;
    // Inside Qt's bytesWritten: bytes queued here go out when it returns.
    while (!waiting_.empty() && port_.isOpen() && port_.bytesToWrite() == 0) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        if (next.settings)
            applyAfterDrain(*next.settings);
        else
            send(next.bytes, false);
    }
    runningWaiting_ = false;
}

void QtSerialLine::onError(QSerialPort::SerialPortError e) {
    switch (e) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        fail(lostCause());
        break;
    default:
        break;
    }
}

QString QtSerialLine::lostCause() const {
    // Qt reads errno even when read() only returned 0 (end of input), so its
    // text may belong to an older call; ask the device what became of it.
    const bool gone = !QFileInfo::exists(path_);
    const int fd = int(port_.handle());
    termios t{};
    int cause = 0;
    if (fd >= 0 && ::tcgetattr(fd, &t) != 0)
        cause = errno;
    pollfd p{fd, 0, 0};
    const bool hungUp = fd >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    // A pseudo-terminal's node goes with its far end.
    if (pty_ && (gone || cause || hungUp))
        return QStringLiteral("%1 was closed at its far end: the program that made the "
                              "pseudo-terminal has ended or let it go")
            .arg(path_);
    if (gone)
        return QStringLiteral("%1 was disconnected (adapter unplugged?)").arg(path_);
    if (cause)
        return QStringLiteral("%1 stopped working (%2). Is the adapter still plugged in?")
            .arg(path_, QString::fromLocal8Bit(std::strerror(cause)));
    if (hungUp)
        return QStringLiteral("%1 hung up (adapter unplugged, or the device reset?)").arg(path_);
    return QStringLiteral("%1 stopped working (%2). Is the adapter still plugged in?")
        .arg(path_, port_.errorString());
}

void QtSerialLine::fail(const QString& why) {
    if (!port_.isOpen())
        return;
    port_.close();
    if (failed)
        failed(why);
}

} // namespace zu
