#pragma once
// A SerialLine on a real device (USB adapter, on-board UART, pseudo-terminal).
#include "core/serial_line.h"

#include <QObject>
#include <QSerialPort>
#include <deque>
#include <optional>

namespace zu {

class QtSerialLine : public QObject, public SerialLine {
    Q_OBJECT
  public:
    explicit QtSerialLine(QString devicePath);
    ~QtSerialLine() override;

    bool open(const LineSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    void applySettings(const LineSettings& settings) override;
    bool write(const QByteArray& bytes) override;
    QString deviceName() const override { return path_; }

    // True for a pseudo-terminal, which carries neither parity nor a data-bit count.
    static bool isPseudoTerminal(const QString& path);

  private:
    bool configure(const LineSettings& settings, QString* error);
    // Waits until the driver has sent what it holds, then sets the line.
    void applyAfterDrain(const LineSettings& settings);
    bool send(const QByteArray& bytes, bool handOverNow);
    void runWaiting();
    void onError(QSerialPort::SerialPortError e);
    QString lostCause() const;
    QString permissionMessage() const;
    void fail(const QString& why);

    QString path_;
    bool pty_ = false;
    bool ptyNoted_ = false;
    QSerialPort port_;
    // A setting change made while bytes were queued, and the bytes written
    // after it: they go out in this order once the queue before them is empty.
    struct Waiting {
        std::optional<LineSettings> settings;
        QByteArray bytes;
    };
    std::deque<Waiting> waiting_;
    bool runningWaiting_ = false;
};

} // namespace zu
