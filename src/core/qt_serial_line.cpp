#include "core/qt_serial_line.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSerial, "zucomm.serial")

namespace zu {

namespace {

QSerialPort::Parity toQt(LineParity p)
{
    switch (p) {
    case LineParity::None: return QSerialPort::NoParity;
    case LineParity::Odd: return QSerialPort::OddParity;
    case LineParity::Even: return QSerialPort::EvenParity;
    case LineParity::Mark: return QSerialPort::MarkParity;
    case LineParity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

} // namespace

QtSerialLine::QtSerialLine(QString devicePath) : path_(std::move(devicePath))
{
    port_.setPortName(path_);
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = port_.readAll();
        if (!bytes.isEmpty() && received)
            received(bytes);
    });
    connect(&port_, &QSerialPort::bytesWritten, this, [this] {
        if (deferred_ && port_.bytesToWrite() == 0) {
            const LineSettings s = *deferred_;
            deferred_.reset();
            QString error;
            if (!configure(s, &error))
                fail(error);
        }
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
}

QtSerialLine::~QtSerialLine()
{
    port_.disconnect(this);
    if (port_.isOpen())
        port_.close();
}

bool QtSerialLine::isPseudoTerminal(const QString& path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.startsWith(QLatin1String("/dev/pts/")) || real == QLatin1String("/dev/ptmx");
}

bool QtSerialLine::open(const LineSettings& settings, QString* error)
{
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
        if (e == QSerialPort::PermissionError && ::access(local.constData(), R_OK | W_OK) != 0)
            *error = QStringLiteral("Permission denied on %1. Add your user to the dialout group "
                                    "(sudo usermod -aG dialout $USER), then log in again.")
                         .arg(path_);
        else if (e == QSerialPort::PermissionError)
            *error = QStringLiteral("%1 is in use by another program. Close it and try again.").arg(path_);
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
    port_.clearError();
    return true;
}

bool QtSerialLine::configure(const LineSettings& s, QString* error)
{
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
        *error = QStringLiteral("%1: cannot set %2: %3").arg(path_, QLatin1String(what), port_.errorString());
        port_.clearError();
        return false;
    };
    return check(port_.setBaudRate(s.baud), "the baud rate")
        && check(port_.setDataBits(QSerialPort::DataBits(s.dataBits)), "the data bits")
        && check(port_.setParity(toQt(s.parity)), "the parity")
        && check(port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop),
                 "the stop bits")
        && check(port_.setFlowControl(QSerialPort::NoFlowControl), "the flow control");
}

void QtSerialLine::close()
{
    deferred_.reset();
    if (port_.isOpen())
        port_.close();
}

void QtSerialLine::applySettings(const LineSettings& settings)
{
    if (!port_.isOpen())
        return;
    if (port_.bytesToWrite() > 0) {
        deferred_ = settings;
        return;
    }
    QString error;
    if (!configure(settings, &error))
        fail(error);
}

bool QtSerialLine::write(const QByteArray& bytes)
{
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) != bytes.size()) {
        fail(QStringLiteral("Writing to %1 failed: %2").arg(path_, port_.errorString()));
        return false;
    }
    // Hand the frame to the driver now rather than on the next writable
    // notification: one trip less through the event loop per frame.
    port_.flush();
    return true;
}

void QtSerialLine::onError(QSerialPort::SerialPortError e)
{
    switch (e) {
    case QSerialPort::ResourceError:
        fail(QStringLiteral("%1 was disconnected (adapter unplugged?)").arg(path_));
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        fail(QStringLiteral("%1 stopped working (%2). Is the adapter still plugged in?")
                 .arg(path_, port_.errorString()));
        break;
    default:
        break;
    }
}

void QtSerialLine::fail(const QString& why)
{
    if (!port_.isOpen())
        return;
    port_.close();
    if (failed)
        failed(why);
}

} // namespace zu
