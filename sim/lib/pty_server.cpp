#include "sim/lib/pty_server.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zu::sim {

namespace {

// What the client's bytes were sent with. A pty keeps 8 bits without parity
// whatever the client asks, but the master sees the speed and stop bits the
// client set on the slave: a controller hears a client at another baud as
// garbage. Parity and data bits stay those of the configured line.
LineSettings SentLine(int master, const LineSettings& configured) {
    termios t{};
    if (::tcgetattr(master, &t) != 0)
        return configured;
    LineSettings sent = configured;
    switch (::cfgetospeed(&t)) {
    case B2400:
        sent.baud = 2400;
        break;
    case B4800:
        sent.baud = 4800;
        break;
    case B9600:
        sent.baud = 9600;
        break;
    case B19200:
        sent.baud = 19200;
        break;
    case B38400:
        sent.baud = 38400;
        break;
    default:
        sent.baud = 0; // a speed no controller runs at
        break;
    }
    sent.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    return sent;
}

} // namespace

PtyServer::PtyServer(Clock& clock, Bus& bus, const LineSettings& line, bool wireTime)
    : clock_(clock), bus_(bus), line_(line), wireTime_(wireTime) {
    bus_.setCharacterFormatSeen(false);
}

PtyServer::~PtyServer() {
    unplug();
}

bool PtyServer::start(QString* error) {
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
        unplug();
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return fail("unlockpt");
    const char* name = ptsname(master_);
    if (!name)
        return fail("ptsname");
    slavePath_ = QString::fromLocal8Bit(name);
    // Holding the slave open ourselves keeps the master readable when a client
    // closes it; raw mode keeps the line discipline from echoing our replies.
    keeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (keeper_ < 0)
        return fail("open slave");
    termios t{};
    if (tcgetattr(keeper_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(keeper_, TCSANOW, &t);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    readNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { onWritable(); });
    bus_.setWireTime(wireTime_);
    bus_.transmit = [this](const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                           std::int64_t startUs) { onTransmit(bytes, from, startUs); };
    bus_.transmitOwner = this;
    return true;
}

void PtyServer::unplug() {
    ++*session_;
    readNotifier_.reset();
    writeNotifier_.reset();
    if (master_ >= 0 && bus_.transmitOwner == this) {
        bus_.transmit = nullptr;
        bus_.transmitOwner = nullptr;
    }
    if (master_ >= 0) {
        ::close(master_);
    }
    if (keeper_ >= 0)
        ::close(keeper_);
    master_ = keeper_ = -1;
    pending_.clear();
}

void PtyServer::onReadable() {
    std::uint8_t buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return;
        // EIO: no client holds the slave. Look again a little later rather
        // than spin on a descriptor that stays readable.
        readNotifier_->setEnabled(false);
        std::weak_ptr<int> session = session_;
        const int id = *session_;
        clock_.callAfter(100, [this, session, id] {
            auto s = session.lock();
            if (s && *s == id && readNotifier_)
                readNotifier_->setEnabled(true);
        });
        return;
    }
    if (n == 0)
        return;
    bytesIn_ += n;
    const LineSettings sent = SentLine(master_, line_);
    const std::int64_t now = clock_.nowMs() * 1000;
    const std::int64_t perByte = wireTime_ ? charTimeUs(sent) : 0;
    // The bytes are here already: the last one ended now.
    const std::int64_t first = now - perByte * (n - 1);
    bus_.receive(std::span<const std::uint8_t>(buf, std::size_t(n)), sent, first, perByte);
}

void PtyServer::onTransmit(const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                           std::int64_t startUs) {
    if (!wireTime_) {
        send(bytes);
        return;
    }
    // Each millisecond hands out the bytes that have finished on the wire by then.
    const std::int64_t start = std::max(startUs, lineFreeUs_);
    const std::int64_t n = std::int64_t(bytes.size());
    lineFreeUs_ = start + wireTimeUs(from.line, n);
    std::weak_ptr<int> session = session_;
    const int id = *session_;
    std::int64_t first = 0;
    while (first < n) {
        const std::int64_t endMs = (start + wireTimeUs(from.line, first + 1) + 999) / 1000;
        std::int64_t last = first + 1;
        while (last < n && (start + wireTimeUs(from.line, last + 1) + 999) / 1000 == endMs)
            ++last;
        std::vector<std::uint8_t> part(bytes.begin() + first, bytes.begin() + last);
        const std::int64_t delay = std::max<std::int64_t>(0, endMs - clock_.nowMs());
        clock_.callAfter(delay, [this, session, id, part = std::move(part)] {
            auto s = session.lock();
            if (s && *s == id)
                send(part);
        });
        first = last;
    }
}

void PtyServer::send(const std::vector<std::uint8_t>& bytes) {
    if (master_ < 0)
        return;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    flush();
}

void PtyServer::flush() {
    while (!pending_.empty() && master_ >= 0) {
        const ssize_t n = ::write(master_, pending_.data(), pending_.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN && writeNotifier_)
                writeNotifier_->setEnabled(true);
            else
                pending_.clear(); // nobody there to read it
            return;
        }
        bytesOut_ += n;
        pending_.erase(pending_.begin(), pending_.begin() + n);
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
}

void PtyServer::onWritable() {
    flush();
}

} // namespace zu::sim
