#include "core/port_directory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>

namespace zu {

namespace {

// ttyS* first, then ttyUSB*, then ttyACM*, then anything else; by number within a group.
int groupOf(const QString& name) {
    if (name.startsWith(QLatin1String("ttyS")))
        return 0;
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 1;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 2;
    return 3;
}

int numberOf(const QString& name) {
    static const QRegularExpression trailing(QStringLiteral("(\\d+)$"));
    auto m = trailing.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Characters that would act on the terminal or the label showing them rather
// than be seen: control codes, and marks that reorder or hide text.
bool actsRatherThanShows(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// The text as written, those characters as escapes (\x1B, \u202E).
QString shownPlainly(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (!actsRatherThanShows(c)) {
            out += c;
            continue;
        }
        const ushort u = c.unicode();
        out += u < 0x100 ? QStringLiteral("\\x") +
                               QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'))
                         : QStringLiteral("\\u") +
                               QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
    return out;
}

// Far more than any map needs; a bigger file is not a map file.
constexpr qsizetype kMapFileLimit = 1 << 20;

} // namespace

QString PortDirectory::device(int n) const {
    if (n < 1 || n > 12)
        return {};
    return devices_[std::size_t(n)];
}

int PortDirectory::simulatedPort() const {
    for (int n = 1; n <= 12; ++n)
        if (devices_[std::size_t(n)] == QLatin1String(kSimulatedDevice))
            return n;
    return 0;
}

bool PortDirectory::hasAdapter() const {
    for (int n = 1; n <= 12; ++n) {
        const QString& d = devices_[std::size_t(n)];
        if (d.contains(QLatin1String("ttyUSB")) || d.contains(QLatin1String("ttyACM")) ||
            d.startsWith(QLatin1String("/dev/serial/by-id/usb-")))
            return true;
    }
    return false;
}

QStringList PortDirectory::withoutEmptyUartNodes(const QStringList& names,
                                                 const QString& sysClassTty) {
    QStringList kept;
    for (const QString& name : names) {
        if (groupOf(name) == 0 && !name.contains(QLatin1Char('/'))) {
            // The 8250 driver makes its nodes whether or not a chip answers;
            // PORT_UNKNOWN (0) is what sysfs says of an empty one.
            QFile type(sysClassTty + QLatin1Char('/') + name + QStringLiteral("/type"));
            if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0")
                continue;
        }
        kept << name;
    }
    return kept;
}

void PortDirectory::set(int n, const QString& device) {
    if (n >= 1 && n <= 12)
        devices_[std::size_t(n)] = device;
}

void PortDirectory::assignDefaults(const QStringList& systemPortNames) {
    QStringList names = systemPortNames;
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        if (groupOf(a) != groupOf(b))
            return groupOf(a) < groupOf(b);
        if (numberOf(a) != numberOf(b))
            return numberOf(a) < numberOf(b);
        return a < b;
    });
    devices_.fill(QString());
    int n = 1;
    for (const QString& name : names) {
        if (n > 12)
            break;
        devices_[std::size_t(n++)] =
            name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    }
    if (n <= 12)
        devices_[std::size_t(n)] = QString::fromLatin1(kSimulatedDevice);
}

void PortDirectory::applyMapText(std::string_view text, const QString& fileName) {
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]{1,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString all = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const auto bad = [&](const QString& why) {
            problems_ << QStringLiteral("%1:%2: %3 (line ignored): %4")
                             .arg(shownPlainly(fileName))
                             .arg(i + 1)
                             .arg(why, shownPlainly(lines[i].trimmed()));
        };
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            bad(QStringLiteral("expected COMn=device"));
            continue;
        }
        const auto m = comName.match(line.left(eq).trimmed());
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n < 1 || n > 12) {
            bad(QStringLiteral("port name must be COM1 to COM12"));
            continue;
        }
        const QString dev = line.mid(eq + 1).trimmed();
        if (!dev.isEmpty() && dev != QLatin1String(kSimulatedDevice) &&
            !dev.startsWith(QLatin1Char('/'))) {
            bad(QStringLiteral("device must be an absolute path such as /dev/ttyUSB0, or sim"));
            continue;
        }
        // It would reach every message about the port as it is.
        if (std::any_of(dev.begin(), dev.end(), actsRatherThanShows)) {
            bad(QStringLiteral("device name holds control characters"));
            continue;
        }
        devices_[std::size_t(n)] = dev; // empty: the number is left without a device
    }
}

QString PortDirectory::mapFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zucomm/ports.conf");
}

PortDirectory PortDirectory::detect() {
    PortDirectory dir;
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    dir.assignDefaults(withoutEmptyUartNodes(names, QStringLiteral("/sys/class/tty")));
    QFile f(mapFilePath());
    if (!f.exists())
        return dir;
    const QString shownName = shownPlainly(f.fileName());
    if (!f.open(QIODevice::ReadOnly)) {
        dir.problems_ << QStringLiteral("%1: cannot be read: %2").arg(shownName, f.errorString());
        return dir;
    }
    // Read in pieces: a device or a pipe in its place reports no size.
    QByteArray text;
    while (text.size() <= kMapFileLimit) {
        const QByteArray piece = f.read(kMapFileLimit + 1 - text.size());
        if (piece.isEmpty())
            break;
        text += piece;
    }
    // Only a map read whole is used: a cut one would give half a line, or
    // leave out the lines that put right what came before.
    if (f.error() != QFileDevice::NoError)
        dir.problems_ << QStringLiteral("%1: cannot be read: %2 (no port is mapped from it)")
                             .arg(shownName, f.errorString());
    else if (text.size() > kMapFileLimit)
        dir.problems_ << QStringLiteral(
                             "%1: larger than 1 MiB, so not read (no port is mapped from it)")
                             .arg(shownName);
    else
        dir.applyMapText(std::string_view(text.constData(), std::size_t(text.size())),
                         f.fileName());
    return dir;
}

} // namespace zu
