#include "cli/par_command.h"

#include "cli/cli_options.h"
#include "core/texts.h"
#include "device/parameter_download.h"
#include "device/parameter_image.h"

#include <optional>

namespace zu::cli {

namespace {

constexpr int ExitDiffers = 1; // par diff, as diff(1) does

QString ParHelp() {
    return QStringLiteral(
        "Usage: zucomm par show FILE.par\n"
        "       zucomm par diff A.par B.par\n"
        "\n"
        "show: the family and firmware a parameter backup was read from, and every\n"
        "      parameter the download would write, by name, with its scaling and code text.\n"
        "diff: only the parameters that differ, with both values. Exit status 0 when\n"
        "      none differ, 1 when some do, 2 when a file cannot be read or fails its checks.\n");
}

std::optional<ParameterImage> Load(const QString& path, QTextStream& err) {
    ParameterImage image;
    const char* why = nullptr;
    switch (LoadParFile(path, &image)) {
    case ParFileStatus::Ok:
        return image;
    case ParFileStatus::CannotOpen:
        why = text::FileCannotOpen;
        break;
    case ParFileStatus::WrongLength:
    case ParFileStatus::WrongCheck:
        why = text::FileLengthOrContentError;
        break;
    case ParFileStatus::CannotRead:
        why = text::FileCannotRead;
        break;
    }
    err << "zucomm par: " << path << ": " << why << '\n';
    return std::nullopt;
}

QString Header(const ParameterImage& image) {
    const std::uint8_t f = image.family();
    // Title letter and version as the window's messages show them.
    return QStringLiteral("family %1, firmware %2 (%3)")
        .arg(f >= 'A' && f <= 'Z' ? QChar(f) : QChar('?'))
        .arg(QString::number(image.firmware() >> 8, 16).toUpper() + '.' +
             QString::number(image.firmware() & 0xFF, 16).toUpper().rightJustified(2, '0'))
        .arg(QString::fromStdString(ImageTitle(image)));
}

QString Reg(std::uint16_t reg) {
    return QStringLiteral("0x") + QString::number(reg, 16).toUpper().rightJustified(4, '0');
}

QString Line(const ImageParameter& p) {
    return QStringLiteral("%1 %2 = %3")
        .arg(Reg(p.reg))
        .arg(QString::fromStdString(p.name))
        .arg(QString::fromStdString(p.value));
}

} // namespace

int RunPar(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString verb = args.value(1);
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        out << ParHelp();
        out.flush();
        return ExitOk;
    }
    if (verb == QLatin1String("show") && args.size() == 3) {
        const auto image = Load(args[2], err);
        if (!image)
            return ExitUsage;
        out << Header(*image) << '\n';
        for (const ImageParameter& p : DecodeImageParameters(*image))
            out << Line(p) << '\n';
        out.flush();
        return ExitOk;
    }
    if (verb == QLatin1String("diff") && args.size() == 4) {
        const auto a = Load(args[2], err), b = Load(args[3], err);
        if (!a || !b)
            return ExitUsage;
        int differ = 0;
        if (a->family() != b->family() || a->firmware() != b->firmware()) {
            out << Header(*a) << " | " << Header(*b) << '\n';
            ++differ;
        }
        for (const ParameterDifference& d : CompareImageParameters(*a, *b)) {
            out << QStringLiteral("%1 %2: %3 | %4\n")
                       .arg(Reg(d.reg), QString::fromStdString(d.name),
                            QString::fromStdString(d.first), QString::fromStdString(d.second));
            ++differ;
        }
        out.flush();
        return differ ? ExitDiffers : ExitOk;
    }
    err << ParHelp();
    err.flush();
    return ExitUsage;
}

} // namespace zu::cli
