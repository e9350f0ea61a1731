#pragma once
// Serves a bus of simulated controllers on a pseudo-terminal, so that any
// program (ours through QSerialPort, mbpoll, a terminal) can talk to them
// through the slave device. A pty carries neither parity nor data bits, so
// bytes count as sent with the configured ones; its master sees the baud and
// stop bits the client set, so a client at another baud is not understood.
#include "core/clock.h"
#include "sim/lib/sim_bus.h"

#include <QString>
#include <memory>

class QSocketNotifier;

namespace zu::sim {

class PtyServer {
  public:
    // wireTime: hand replies out at the wire time of their bytes, after the
    // controllers' turnaround; otherwise at once.
    PtyServer(Clock& clock, Bus& bus, const LineSettings& line, bool wireTime);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    bool start(QString* error);
    bool isRunning() const { return master_ >= 0; }
    // The slave device clients open, for example /dev/pts/7.
    QString slavePath() const { return slavePath_; }
    // Pulls the plug: the pty disappears and clients see the line break.
    void unplug();

    std::int64_t bytesIn() const { return bytesIn_; }
    std::int64_t bytesOut() const { return bytesOut_; }

  private:
    void onReadable();
    void onWritable();
    void send(const std::vector<std::uint8_t>& bytes);
    void flush();
    void onTransmit(const std::vector<std::uint8_t>& bytes, const DeviceSetting& from,
                    std::int64_t startUs);

    Clock& clock_;
    Bus& bus_;
    LineSettings line_;
    bool wireTime_;
    int master_ = -1;
    int keeper_ = -1; // our own slave descriptor: the pty outlives its clients
    QString slavePath_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::vector<std::uint8_t> pending_;
    std::int64_t lineFreeUs_ = 0;
    std::int64_t bytesIn_ = 0;
    std::int64_t bytesOut_ = 0;
    std::shared_ptr<int> session_ = std::make_shared<int>(0);
};

} // namespace zu::sim
