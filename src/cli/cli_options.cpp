#include "cli/cli_options.h"

#include "core/app_state.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace zu::cli {

namespace {

int BaudIndexOf(int baud) {
    for (int i = 0; i < 5; ++i)
        if (BaudOfIndex(i) == baud)
            return i;
    return -1;
}

} // namespace

std::optional<LineSpec> ParseLineSpec(const QString& text, QString* error) {
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 5) {
        *error = QStringLiteral("--line wants five fields, baud,data bits,parity,stop bits,format "
                                "(for example 9600,7,E,1,ASCII), not \"%1\"")
                     .arg(text);
        return std::nullopt;
    }
    LineSpec line;
    bool ok = false;
    line.baud = f[0].trimmed().toInt(&ok);
    if (!ok || BaudIndexOf(line.baud) < 0) {
        *error = QStringLiteral("--line: baud must be 2400, 4800, 9600, 19200 or 38400, not \"%1\"")
                     .arg(f[0].trimmed());
        return std::nullopt;
    }
    const QString bits = f[1].trimmed();
    if (bits != QLatin1String("7") && bits != QLatin1String("8")) {
        *error = QStringLiteral("--line: data bits must be 7 or 8, not \"%1\"").arg(bits);
        return std::nullopt;
    }
    line.dataBits = bits.toInt();
    const QString parity = f[2].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        line.parityCode = 0;
    else if (parity == QLatin1String("E"))
        line.parityCode = 1;
    else if (parity == QLatin1String("O"))
        line.parityCode = 2;
    else {
        *error = QStringLiteral("--line: parity must be N, E or O, not \"%1\"").arg(f[2].trimmed());
        return std::nullopt;
    }
    const QString stop = f[3].trimmed();
    if (stop != QLatin1String("1") && stop != QLatin1String("2")) {
        *error = QStringLiteral("--line: stop bits must be 1 or 2, not \"%1\"").arg(stop);
        return std::nullopt;
    }
    line.stopBits = stop.toInt();
    const QString format = f[4].trimmed().toUpper();
    if (format == QLatin1String("RTU"))
        line.rtu = true;
    else if (format != QLatin1String("ASCII")) {
        *error =
            QStringLiteral("--line: format must be ASCII or RTU, not \"%1\"").arg(f[4].trimmed());
        return std::nullopt;
    }
    // RTU frames are binary: with 7 data bits every byte would lose its top bit.
    if (line.rtu && line.dataBits != 8) {
        *error = QStringLiteral("--line: RTU needs 8 data bits");
        return std::nullopt;
    }
    return line;
}

QString FormatLineSpec(const LineSpec& line) {
    static const char parities[] = {'N', 'E', 'O', 'N'};
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(line.baud)
        .arg(line.dataBits)
        .arg(QLatin1Char(parities[line.parityCode & 3]))
        .arg(line.stopBits)
        .arg(line.rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII"));
}

std::optional<LineSpec> LineSpecOfWord(std::int32_t word) {
    const ComSetting s = DecodeComSettingWord(word, 0);
    if (s.ComBaud == 0)
        return std::nullopt;
    LineSpec line;
    line.baud = s.ComBaud;
    line.dataBits = s.ComDataBits;
    // Code 3 is never stored; the port then keeps its start value, no parity.
    line.parityCode = s.ComParityCode == 3 ? 0 : s.ComParityCode;
    line.stopBits = s.ComStopBits;
    line.rtu = s.RtuMode;
    return line;
}

std::optional<long> ParseNumber(const QString& text, long min, long max) {
    const QString t = text.trimmed();
    bool ok = false;
    long v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        // Only hex digits after 0x: no sign, no blank.
        const QString digits = t.mid(2);
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
        if (hex.match(digits).hasMatch())
            v = digits.toLong(&ok, 16);
    } else {
        v = t.toLong(&ok, 10);
    }
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

PortForm ClassifyPort(const QString& text, int* comNumber, QString* path) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (text.compare(QLatin1String(kSimulatedDevice), Qt::CaseInsensitive) == 0)
        return PortForm::Simulated;
    const auto m = com.match(text);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n < 1 || n > 12)
            return PortForm::Invalid;
        if (comNumber)
            *comNumber = n;
        return PortForm::Numbered;
    }
    QString p;
    if (text.contains(QLatin1Char('/')))
        p = QDir::cleanPath(QFileInfo(text).absoluteFilePath());
    else if (text.startsWith(QLatin1String("tty")))
        p = QStringLiteral("/dev/") + text;
    else
        return PortForm::Invalid;
    if (path)
        *path = p;
    return PortForm::Path;
}

std::optional<ResolvedPort> ResolvePort(const QString& text, const PortDirectory& detected,
                                        QString* error, int* exitCode) {
    ResolvedPort r;
    int n = 0;
    QString path;
    switch (ClassifyPort(text.trimmed(), &n, &path)) {
    case PortForm::Simulated:
        r.directory.set(1, QString::fromLatin1(kSimulatedDevice));
        r.shownName = QString::fromLatin1(kSimulatedDevice);
        return r;
    case PortForm::Numbered: {
        const QString device = detected.device(n);
        if (device.isEmpty()) {
            *error = QStringLiteral("COM%1 is not assigned to any device on this PC; give a device "
                                    "path such as /dev/ttyUSB0, or map COM%1 in %2")
                         .arg(n)
                         .arg(PortDirectory::mapFilePath());
            *exitCode = ExitPort;
            return std::nullopt;
        }
        r.directory = detected;
        r.comNumber = std::uint16_t(n);
        r.numbered = true;
        r.shownName = QStringLiteral("COM%1 (%2)").arg(n).arg(device);
        return r;
    }
    case PortForm::Path:
        r.directory.set(1, path);
        r.shownName = path;
        return r;
    case PortForm::Invalid:
        break;
    }
    *error = QStringLiteral("--port \"%1\" is no port: give COM1 to COM12, a device path such as "
                            "/dev/ttyUSB0, or sim")
                 .arg(text);
    *exitCode = ExitUsage;
    return std::nullopt;
}

QString PortOpenMessage(const ResolvedPort& port, const QString& componentMessage) {
    const QString prefix = QStringLiteral("COM%1: ").arg(port.comNumber);
    if (!port.numbered && componentMessage.startsWith(prefix))
        return componentMessage.mid(prefix.size());
    return componentMessage;
}

void ApplyLineSpec(AppState& app, const LineSpec& line, std::uint16_t comNumber) {
    app.ComSettingWord = EncodeComSettingWord(comNumber, BaudIndexOf(line.baud), line.parityCode,
                                              line.dataBits == 8 ? 1 : 0,
                                              line.stopBits == 2 ? 1 : 0, line.rtu ? 1 : 0);
    app.ApplyComSetting();
}

} // namespace zu::cli
