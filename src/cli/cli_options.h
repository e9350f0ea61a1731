#pragma once
// What the headless commands take from their command line: the port, the
// line setting, addresses, registers and values, with the exit codes they
// end with. Pure parsing; nothing here opens a port.
#include "core/port_directory.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace zu {
class AppState;
}

namespace zu::cli {

// Exit status of every subcommand, so scripts can tell failures apart.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 2,    // bad or missing option
    ExitPort = 3,     // port missing, busy, forbidden, or lost while in use
    ExitTimeout = 4,  // no complete reply in time
    ExitBadReply = 5, // garbled or unexpected reply (format, checksum, function, address)
    ExitRefused = 6,  // the device answered with an exception or changed the written value
    ExitOutput = 7,   // the results could not be written to standard output
};

// A line setting as "9600,7,E,1,ASCII" gives it.
struct LineSpec {
    int baud = 9600;
    int dataBits = 7;
    int parityCode = 1; // 0 none, 1 even, 2 odd, as in the setting word
    int stopBits = 1;
    bool rtu = false;
    bool operator==(const LineSpec&) const = default;
};

// Parses "baud,data bits,parity,stop bits,format": baud 2400/4800/9600/19200/
// 38400, data bits 7 or 8, parity N/E/O, stop bits 1 or 2, ASCII or RTU (case
// does not matter, blanks around the fields are allowed). RTU needs 8 data
// bits. On failure *error says what is wrong.
std::optional<LineSpec> ParseLineSpec(const QString& text, QString* error);
QString FormatLineSpec(const LineSpec& line);
// The line part of a setting word (port number ignored); empty when the word
// holds a baud index no line speed belongs to.
std::optional<LineSpec> LineSpecOfWord(std::int32_t word);

// A whole number in decimal or, with 0x, in hex, within [min, max].
std::optional<long> ParseNumber(const QString& text, long min, long max);

// Where the port option leads: a port number in a port directory, as the
// serial port component opens it.
struct ResolvedPort {
    PortDirectory directory;
    std::uint16_t comNumber = 1;
    QString shownName;     // for messages: "COM3 (/dev/ttyUSB0)", "/dev/pts/4", "sim"
    bool numbered = false; // given as COMn
};

enum class PortForm { Simulated, Numbered, Path, Invalid };
// How a port text is meant: "sim", "COM1".."COM12", a path (anything with a
// '/', or a bare tty* name under /dev); COM0, COM13 and other words are invalid.
PortForm ClassifyPort(const QString& text, int* comNumber = nullptr, QString* path = nullptr);

// Resolves COMn through `detected` (PortDirectory::detect() in the program).
// Failures: *error holds one line, *exitCode ExitUsage (not a port) or
// ExitPort (COMn without a device).
std::optional<ResolvedPort> ResolvePort(const QString& text, const PortDirectory& detected,
                                        QString* error, int* exitCode);

// The error text of a failed open, without the component's "COMn: " prefix
// when the user named the device himself.
QString PortOpenMessage(const ResolvedPort& port, const QString& componentMessage);

// Puts the line into the program state the way ApplyComSetting leaves it.
void ApplyLineSpec(AppState& app, const LineSpec& line, std::uint16_t comNumber);

} // namespace zu::cli
