#include "core/app_state.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cctype>
#include <limits>

namespace zu {

int BaudOfIndex(int index) {
    static constexpr int bauds[] = {2400, 4800, 9600, 19200, 38400};
    return index >= 0 && index < 5 ? bauds[index] : 0;
}

ComSetting DecodeComSettingWord(std::int32_t word, int previousBaud) {
    ComSetting s;
    s.ComPortNumber = word >> 8;
    s.ComDataBits = 7 + ((word >> 1) & 1);
    const int baud = BaudOfIndex((word >> 4) & 7);
    s.ComBaud = baud ? baud : previousBaud;
    s.ComParityCode = (word >> 2) & 3;
    s.ComStopBits = (word & 1) + 1;
    s.RtuMode = (word >> 7) & 1;
    return s;
}

std::int32_t EncodeComSettingWord(int port, int baudIndex, int parityCode, int dataBitsBit,
                                  int stopBitsBit, int formatBit) {
    return port * 256 + baudIndex * 16 + parityCode * 4 + dataBitsBit * 2 + stopBitsBit +
           formatBit * 128;
}

bool ParseSettingText(std::string_view text, std::int32_t* word) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return false;
    std::int64_t v = 0;
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        v = std::min<std::int64_t>(v * 10 + (text[i] - '0'), limit);
    if (negative)
        v = -v;
    *word = std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
    return true;
}

AppState::AppState(Clock& clock, LineFactory& lines, PortDirectory ports)
    : clock_(clock), lines_(lines), ports_(std::move(ports)) {}

void AppState::ApplyComSetting() {
    Com = DecodeComSettingWord(ComSettingWord, Com.ComBaud);
}

std::int32_t AppState::DefaultComSettingWord() const {
    int n = 0;
    while (n < 13 && !PortPresent[std::size_t(n)])
        ++n;
    return n * 256 + 36;
}

bool AppState::LoadComSetting(QString* unreadable) {
    if (unreadable)
        unreadable->clear();
    QFile f(settingFilePath);
    const auto cannotRead = [&](const QString& why) {
        if (unreadable)
            *unreadable = QStringLiteral("%1 cannot be read (%2)")
                              .arg(QFileInfo(settingFilePath).absoluteFilePath(), why);
        return false;
    };
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QFileInfo info(settingFilePath);
        if (!info.exists())
            return false;
        return cannotRead(info.isDir() ? QStringLiteral("it is a folder") : f.errorString());
    }
    // "%d" reads one number; anything after it is ignored. 64 bytes hold any number.
    const QByteArray head = f.read(64);
    if (f.error() != QFileDevice::NoError)
        return cannotRead(f.errorString());
    std::int32_t word = 0;
    if (ParseSettingText(std::string_view(head.constData(), std::size_t(head.size())), &word))
        ComSettingWord = word;
    return true;
}

bool AppState::StoreComSetting(std::int32_t newWord) {
    if (newWord == ComSettingWord && SettingLoaded)
        return true;
    ComSettingWord = newWord;
    // Written beside the old file and renamed over it, so a full disc never
    // leaves a truncated or empty setting file behind.
    QSaveFile f(settingFilePath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray text = QByteArray::number(newWord);
    // Qt reports a short write (disc full, file size limit) as success, so the
    // size that reached the disc is checked before the rename.
    if (f.write(text) != text.size() || !f.flush() || f.size() != text.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void AppState::BuildPortPresent() {
    PortPresent.fill(false);
    for (int n = 1; n <= 12; ++n)
        PortPresent[std::size_t(n)] = ports_.present(n);
}

} // namespace zu
