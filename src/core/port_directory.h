#pragma once
// COM1..COM12 on Linux. The windows, the setting word and SETDT.$$$ speak of
// port numbers; this maps them to devices.
//
// Default assignment: the ports Qt finds, sorted as ttyS* (by number), then
// ttyUSB*, then ttyACM*, then any other, take COM1, COM2, ... in that order;
// the built-in simulated line ("sim") takes the first number left free (COM1
// on a machine without serial ports). A ttyS* node with no UART behind it
// (type 0, "unknown", in sysfs: most of a PC's legacy nodes) takes no number.
// A map file, one "COMn=device" line each (device: a path or "sim"; "#"
// starts a comment), overrides single numbers. A bad line is reported and
// skipped; a map file that cannot be read whole (a read error, over 1 MiB) is
// reported and not used at all.
#include <QString>
#include <QStringList>
#include <array>
#include <string_view>
#include <vector>

namespace zu {

inline constexpr const char* kSimulatedDevice = "sim";

class PortDirectory {
  public:
    // The device of COMn, empty when n has none (n outside 1..12 included).
    QString device(int n) const;
    bool present(int n) const { return !device(n).isEmpty(); }
    // Problems found in the map file, one text per bad line; control
    // characters in them are escaped (\x1B), so they are safe to print.
    const QStringList& problems() const { return problems_; }
    // The first COMn that is the simulated line, 0 when none is.
    int simulatedPort() const;
    // A USB or ACM serial adapter has a number (real hardware to talk to).
    bool hasAdapter() const;

    // Default assignment from a list of system port names ("ttyS0", "ttyUSB0"...)
    // as QSerialPortInfo::portName() gives them, plus the simulated line.
    void assignDefaults(const QStringList& systemPortNames);
    // Applies the text of a map file over the current assignment.
    void applyMapText(std::string_view text, const QString& fileName);
    // names without the ttyS* nodes whose sysfs "type" (under sysClassTty,
    // normally /sys/class/tty) says no UART is there. A node whose type
    // cannot be read is kept.
    static QStringList withoutEmptyUartNodes(const QStringList& names, const QString& sysClassTty);

    // The real thing: QSerialPortInfo, then $XDG_CONFIG_HOME/zucomm/ports.conf.
    static PortDirectory detect();
    static QString mapFilePath();

    void set(int n, const QString& device);

  private:
    std::array<QString, 13> devices_{};
    QStringList problems_;
};

} // namespace zu
