#include "protocol/logic/scan.h"

#include "core/app_state.h"
#include "core/codec.h"
#include "core/reply_gathering.h"
#include "core/texts.h"

#include <array>

namespace zu {

namespace {

constexpr std::array<int, 5> ScanBauds{9600, 19200, 38400, 4800, 2400};
constexpr int MsPerProbe = 183;
// The reply text is examined in a work buffer of this size.
constexpr int WorkBufferSize = 20;

bool matches(int filter, int digit) {
    return filter < 0 || filter == digit;
}

} // namespace

int ScanBaudOfDigit(int digit) {
    return digit >= 0 && digit < int(ScanBauds.size()) ? ScanBauds[std::size_t(digit)] : 9600;
}

LineSettings ScanLineOf(int index) {
    static constexpr std::array<LineParity, 3> parities{LineParity::Odd, LineParity::Even,
                                                        LineParity::None};
    return LineSettings{ScanBaudOfDigit(ScanBaudDigit(index)), 7 + ScanDataBitsDigit(index),
                        parities[std::size_t(ScanParityDigit(index))],
                        1 + ScanStopBitsDigit(index)};
}

std::pair<int, int> ScanAddressRange(int item) {
    if (item <= 0 || item > ScanAddressRanges)
        return {1, 247};
    return {16 * item - 15, std::min(16 * item, 247)};
}

bool ScanTries(int index, const ScanFilters& f) {
    if (index < 0 || index >= ScanIndexEnd)
        return false;
    if (ScanIsRtu(index) && ScanDataBitsDigit(index) == 0)
        return false;
    return matches(f.baud, ScanBaudDigit(index)) && matches(f.parity, ScanParityDigit(index)) &&
           matches(f.dataBits, ScanDataBitsDigit(index)) &&
           matches(f.stopBits, ScanStopBitsDigit(index)) &&
           matches(f.framing, ScanFramingDigit(index));
}

int NextScanIndex(int index, const ScanFilters& f) {
    for (int i = std::max(index + 1, 0); i < ScanIndexEnd; ++i)
        if (ScanTries(i, f))
            return i;
    return ScanIndexEnd;
}

int ScanProbeTotal(const ScanFilters& f) {
    int settings = 0;
    for (int i = 0; i < ScanIndexEnd; ++i)
        settings += ScanTries(i, f) ? 1 : 0;
    const auto [first, last] = ScanAddressRange(f.addressRange);
    return settings * (last - first + 1);
}

std::vector<std::uint8_t> ScanProbe(bool rtu, int address) {
    return codec::BuildRequest(rtu, address & 0xFF, 0x03, 0x4701, 1);
}

bool IsScanAnswer(const QString& rxText, bool rtu, int address) {
    // In ASCII the text starts with ':', so the address is at 1-2 in both framings.
    const QString work = ((rtu ? QStringLiteral(" ") : QString()) + rxText).left(WorkBufferSize);
    if (work.size() < 7)
        return false;
    const char hi = work[1].toLatin1(), lo = work[2].toLatin1();
    return codec::HexPairToByte(hi, lo) == (address & 0xFF) && work.mid(3, 4) == u"0302";
}

QString ScanSettingText(int index) {
    static constexpr std::array<const char*, 5> bauds{" 9600,", "19200,", "38400,", " 4800,",
                                                      " 2400,"};
    static constexpr std::array<char, 3> parity{'O', 'E', 'N'};
    return QStringLiteral("%1%2,%3,%4,%5")
        .arg(QLatin1String(bauds[std::size_t(ScanBaudDigit(index))]))
        .arg(7 + ScanDataBitsDigit(index))
        .arg(QChar(parity[std::size_t(ScanParityDigit(index))]))
        .arg(1 + ScanStopBitsDigit(index))
        .arg(ScanIsRtu(index) ? QStringLiteral("  RTU") : QStringLiteral("ASCII"));
}

QString ScanLabelText(int port, int index) {
    return QStringLiteral("COM%1,").arg(port, 2, 10, QChar('0')) + ScanSettingText(index);
}

QString ScanLineText(int index) {
    return ScanSettingText(index).remove(' ');
}

QString ScanEstimateText(int total, int count) {
    const int t = std::max(total - count, 0) * MsPerProbe / 1000;
    const int m = t / 60, s = t % 60;
    QString text = QLatin1String(text::EstimateTimeLeft);
    if (m > 0)
        text += QString::number(m) + QLatin1String(text::MinSuffix);
    return text + QString::number(s) + QLatin1String(text::SecSuffix);
}

DeviceScan::DeviceScan(AppState& state, ReplyGathering& replies)
    : state_(state), replies_(replies) {}

DeviceScan::~DeviceScan() {
    stop();
}

PortResult DeviceScan::start(const ScanFilters& filters, int port) {
    if (scanning_)
        stop();
    filters_ = filters;
    results_.clear();
    estimate_.clear();
    port_ = port;
    std::tie(first_, last_) = ScanAddressRange(filters.addressRange);
    probeCount_ = 0;
    probeTotal_ = zu::ScanProbeTotal(filters);
    index_ = NextScanIndex(-1, filters);
    address_ = first_;
    savedRtu_ = state_.Com.RtuMode;
    TApdComPort& p = replies_.ApdComPortMain;
    p.setOpen(false);
    p.setComNumber(std::uint16_t(port));
    applySetting();
    state_.PortOwner = PortProtocol;
    if (PortResult r = p.setOpen(true); !r) {
        state_.PortOwner = PortFree;
        state_.Com.RtuMode = savedRtu_;
        index_ = ScanIndexEnd;
        return r;
    }
    scanning_ = true;
    p.OnLineLost = [this](TApdComPort&, const QString& why) {
        finish(QLatin1String(text::SearchAbort) + QString::number(ScanFoundCount()) +
                   QLatin1String(text::ItemsSuffix),
               why);
    };
    replies_.ProtocolReplyHandler = [this] { ProtocolReplyHandler(); };
    if (index_ >= ScanIndexEnd) {
        finish(QLatin1String(text::SearchCompleted) + QStringLiteral("0") +
                   QLatin1String(text::ItemsSuffix),
               {});
        return {};
    }
    text_ = ScanLabelText(port_, index_);
    sendProbe();
    return {};
}

void DeviceScan::applySetting() {
    TApdComPort& p = replies_.ApdComPortMain;
    const LineSettings line = ScanLineOf(index_ < ScanIndexEnd ? index_ : 0);
    p.setBaud(line.baud);
    p.setDataBits(std::uint16_t(line.dataBits));
    p.setParity(line.parity);
    p.setStopBits(std::uint16_t(line.stopBits));
    state_.Com.RtuMode = ScanIsRtu(index_);
}

void DeviceScan::sendProbe() {
    request_ = ScanProbe(ScanIsRtu(index_), address_);
    const PortResult r = replies_.SendProtocolRequest(request_);
    (void)r; // a refused probe still ends at its time-out
}

void DeviceScan::ProtocolReplyHandler() {
    if (!scanning_)
        return;
    const QString rx = replies_.ProtocolRxText();
    if (!rx.isEmpty() && IsScanAnswer(rx, ScanIsRtu(index_), address_)) {
        results_.push_back({address_, index_});
        if (onFound)
            onFound(results_.back());
    }
    SendNextProbe();
}

void DeviceScan::SendNextProbe() {
    ++probeCount_;
    estimate_ = ScanEstimateText(probeTotal_, probeCount_);
    if (address_ < last_) {
        ++address_;
    } else {
        index_ = NextScanIndex(index_, filters_);
        address_ = first_;
        if (index_ < ScanIndexEnd) {
            applySetting();
            text_ = ScanLabelText(port_, index_);
        }
    }
    if (index_ >= ScanIndexEnd) {
        finish(QLatin1String(text::SearchCompleted) + QString::number(ScanFoundCount()) +
                   QLatin1String(text::ItemsSuffix),
               {});
        return;
    }
    if (onProgress)
        onProgress();
    sendProbe();
}

void DeviceScan::finish(const QString& text, const QString& lost) {
    if (!scanning_)
        return;
    scanning_ = false;
    text_ = text;
    replies_.ReleaseProtocolPort();
    state_.Com.RtuMode = savedRtu_;
    if (onProgress)
        onProgress();
    if (onFinished)
        onFinished(lost);
}

void DeviceScan::cancel() {
    finish(QLatin1String(text::SearchAbort) + QString::number(ScanFoundCount()) +
               QLatin1String(text::ItemsSuffix),
           {});
}

void DeviceScan::stop() {
    if (!scanning_)
        return;
    auto done = std::move(onFinished);
    onFinished = nullptr;
    cancel();
    onFinished = std::move(done);
}

} // namespace zu
