#pragma once
// The byte transport below the serial port component: a real device through
// QSerialPort, or the simulated bus of sim/. Bytes in arrive through
// `received`; a line that breaks (adapter unplugged, read or write error)
// reports once through `failed` and is closed by then.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace zu {

enum class LineParity { None, Odd, Even, Mark, Space };

struct LineSettings {
    int baud = 19200;
    int dataBits = 8;
    LineParity parity = LineParity::None;
    int stopBits = 1;
    bool operator==(const LineSettings&) const = default;
    // Start, data, parity and stop bits of one character.
    int bitsPerChar() const {
        return 1 + dataBits + (parity == LineParity::None ? 0 : 1) + stopBits;
    }
    // Time `chars` characters take on the wire, rounded up to the millisecond.
    std::int64_t wireMs(std::int64_t chars) const {
        const std::int64_t b = baud > 0 ? baud : 1;
        return (chars * bitsPerChar() * 1000 + b - 1) / b;
    }
};

class SerialLine {
  public:
    virtual ~SerialLine() = default;
    // Opens the device with these settings, DTR and RTS raised, no flow control.
    // On failure returns false and sets *error to a text a technician can act on.
    virtual bool open(const LineSettings& settings, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Takes effect after the bytes already queued for sending have gone out.
    virtual void applySettings(const LineSettings& settings) = 0;
    // Queues bytes for sending; false (and `failed`) when the line is broken.
    virtual bool write(const QByteArray& bytes) = 0;
    // Human-readable name of the device, for messages ("/dev/ttyUSB0", "simulated line").
    virtual QString deviceName() const = 0;

    std::function<void(const QByteArray&)> received;
    std::function<void(const QString&)> failed;
};

// Makes the line behind a device string of the port directory: a path, or "sim".
class LineFactory {
  public:
    virtual ~LineFactory() = default;
    virtual std::unique_ptr<SerialLine> create(const QString& device) = 0;
};

} // namespace zu
