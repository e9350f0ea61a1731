#pragma once
// The auto-detect scan: every address of a range probed under every line
// setting the user left open, each answer listed with the setting it came
// under. No widgets: the scan panel and `zucomm scan` are faces over it.
#include "core/apd_com_port.h"
#include "core/serial_line.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace zu {

class AppState;
class ReplyGathering;

// The setting under test as a mixed-radix number: baud (9600, 19200, 38400,
// 4800, 2400) is the lowest digit, then parity (odd, even, none), data bits
// (7, 8), stop bits (1, 2) and framing (ASCII, RTU). 120 or more: no setting.
inline constexpr int ScanIndexEnd = 120;
inline int ScanBaudDigit(int index) {
    return index % 5;
}
inline int ScanParityDigit(int index) {
    return index / 5 % 3;
}
inline int ScanDataBitsDigit(int index) {
    return index / 15 % 2;
}
inline int ScanStopBitsDigit(int index) {
    return index / 30 % 2;
}
inline int ScanFramingDigit(int index) {
    return index / 60 % 2;
}
int ScanBaudOfDigit(int digit);
LineSettings ScanLineOf(int index);
inline bool ScanIsRtu(int index) {
    return ScanFramingDigit(index) == 1;
}

// What the user fixed: a digit as above, or -1 to try every value. The
// address range is the item of the range combo: 0 every address 1-247, k
// the sixteen from 16k-15 ("01H~10H" is 1).
struct ScanFilters {
    int addressRange = 0;
    int baud = -1;
    int parity = -1;
    int dataBits = -1;
    int stopBits = -1;
    int framing = -1;
};
inline constexpr int ScanAddressRanges = 16;

// First and last address of a range item. The last range stops at 247: 248
// to 255 are reserved and 256 would go out as 0, a broadcast.
std::pair<int, int> ScanAddressRange(int item);
// A setting the scan tries: it matches every fixed filter, and RTU only with
// eight data bits.
bool ScanTries(int index, const ScanFilters& f);
// The next setting tried after `index` (-1 for the first), ScanIndexEnd when none is left.
int NextScanIndex(int index, const ScanFilters& f);
// Probes of the whole scan: settings tried times addresses.
int ScanProbeTotal(const ScanFilters& f);

// Read one register at 0x4701 from `address`, its low byte on the wire.
std::vector<std::uint8_t> ScanProbe(bool rtu, int address);
// An answer to the probe: the address and "0302" (function 3, two bytes) at
// the head of the reply text; checksum and value are not examined. Only the
// first 20 characters are looked at, whatever the length of the reply.
bool IsScanAnswer(const QString& rxText, bool rtu, int address);
// "COM01, 9600,7,O,1,ASCII": the port, then the setting in fixed columns.
QString ScanLabelText(int port, int index);
// The setting alone, as the result grid shows it: " 9600,7,O,1,ASCII".
QString ScanSettingText(int index);
// The same for a command line: "9600,7,O,1,ASCII".
QString ScanLineText(int index);
// "Estimate time left : 1 min,7 sec" at 183 ms for each probe left.
QString ScanEstimateText(int total, int count);

struct ScanResult {
    int address = 0;
    int index = 0; // the setting it answered under
};

// One scan over the main window's protocol port. Probes go out one at a
// time, driven by the replies and time-outs of the reply gathering alone.
class DeviceScan {
  public:
    DeviceScan(AppState& state, ReplyGathering& replies);
    ~DeviceScan();
    DeviceScan(const DeviceScan&) = delete;
    DeviceScan& operator=(const DeviceScan&) = delete;

    // Opens the port `port` and sends the first probe. A port that cannot be
    // opened leaves nothing open and the scan not started.
    PortResult start(const ScanFilters& filters, int port);
    // The user stops it: "Search abort,Found n items", results kept.
    void cancel();
    // Ends a running scan quietly (its window goes); the port is closed.
    void stop();

    bool Scanning() const { return scanning_; }
    int ScanIndex() const { return index_; }
    int ScanAddress() const { return address_; }
    int ScanFirstAddress() const { return first_; }
    int ScanLastAddress() const { return last_; }
    int ScanProbeCount() const { return probeCount_; }
    int ScanProbeTotal() const { return probeTotal_; }
    int ScanFoundCount() const { return int(results_.size()); }
    const std::vector<ScanResult>& results() const { return results_; }
    // The setting under test while scanning, then the end text.
    const QString& text() const { return text_; }
    const QString& estimate() const { return estimate_; }
    const std::vector<std::uint8_t>& ProtocolRequest() const { return request_; }

    // After every probe's reply or time-out (progress, estimate, label).
    std::function<void()> onProgress;
    std::function<void(const ScanResult&)> onFound;
    // The scan is over: complete, cancelled, or the line was lost (`lost` holds why).
    std::function<void(const QString& lost)> onFinished;

  private:
    void ProtocolReplyHandler();
    void SendNextProbe();
    void sendProbe();
    void applySetting();
    void finish(const QString& text, const QString& lost);

    AppState& state_;
    ReplyGathering& replies_;
    ScanFilters filters_;
    bool scanning_ = false;
    int port_ = 0;
    int index_ = ScanIndexEnd;
    int address_ = 0;
    int first_ = 1;
    int last_ = 247;
    int probeCount_ = 0;
    int probeTotal_ = 0;
    bool savedRtu_ = false;
    std::vector<ScanResult> results_;
    QString text_;
    QString estimate_;
    std::vector<std::uint8_t> request_;
};

} // namespace zu
