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
int groupOf(const QString& name)
{
    if (name.startsWith(QLatin1String("ttyS")))
        return 0;
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 1;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 2;
    return 3;
}

int numberOf(const QString& name)
{
    static const QRegularExpression trailing(QStringLiteral("(\\d+)$"));
    auto m = trailing.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

QString PortDirectory::device(int n) const
{
    if (n < 1 || n > 12)
        return {};
    return devices_[std::size_t(n)];
}

int PortDirectory::simulatedPort() const
{
    for (int n = 1; n <= 12; ++n)
        if (devices_[std::size_t(n)] == QLatin1String(kSimulatedDevice))
            return n;
    return 0;
}

bool PortDirectory::hasAdapter() const
{
    for (int n = 1; n <= 12; ++n) {
        const QString& d = devices_[std::size_t(n)];
        if (d.contains(QLatin1String("ttyUSB")) || d.contains(QLatin1String("ttyACM")) ||
            d.startsWith(QLatin1String("/dev/serial/by-id/usb-")))
            return true;
    }
    return false;
}

QStringList PortDirectory::withoutEmptyUartNodes(const QStringList& names, const QString& sysClassTty)
{
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

void PortDirectory::set(int n, const QString& device)
{
    if (n >= 1 && n <= 12)
        devices_[std::size_t(n)] = device;
}

void PortDirectory::assignDefaults(const QStringList& systemPortNames)
{
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
        devices_[std::size_t(n++)] = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    }
    if (n <= 12)
        devices_[std::size_t(n)] = QString::fromLatin1(kSimulatedDevice);
}

void PortDirectory::applyMapText(std::string_view text, const QString& fileName)
{
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
                             .arg(fileName)
                             .arg(i + 1)
                             .arg(why, lines[i].trimmed());
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
        if (!dev.isEmpty() && dev != QLatin1String(kSimulatedDevice) && !dev.startsWith(QLatin1Char('/'))) {
            bad(QStringLiteral("device must be an absolute path such as /dev/ttyUSB0, or sim"));
            continue;
        }
        devices_[std::size_t(n)] = dev;   // empty: the number is left without a device
    }
}

QString PortDirectory::mapFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zucomm/ports.conf");
}

PortDirectory PortDirectory::detect()
{
    PortDirectory dir;
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    dir.assignDefaults(withoutEmptyUartNodes(names, QStringLiteral("/sys/class/tty")));
    QFile f(mapFilePath());
    if (f.exists()) {
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray text = f.read(1 << 20);
            dir.applyMapText(std::string_view(text.constData(), std::size_t(text.size())), f.fileName());
        } else {
            dir.problems_ << QStringLiteral("%1: cannot be read: %2").arg(f.fileName(), f.errorString());
        }
    }
    return dir;
}

} // namespace zu
