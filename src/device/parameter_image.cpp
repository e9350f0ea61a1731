#include "device/parameter_image.h"

#include <QFile>
#include <QSaveFile>

namespace zu {

void ParameterImage::seal(std::uint8_t family, std::uint16_t firmware) {
    bytes[256] = family;
    bytes[257] = std::uint8_t(firmware >> 8);
    bytes[258] = std::uint8_t(firmware);
    bytes[259] = checkByte();
}

std::string ImageTitle(const ParameterImage& image) {
    std::string title = "ZUA V1.00";
    const std::uint8_t f = image.family();
    title[2] = (f >= 'A' && f <= 'Z') || (f >= 'a' && f <= 'z') ? char(f) : '?';
    title[5] = char('0' + image.bytes[257]);
    title[7] = char('0' + (image.bytes[258] >> 4));
    title[8] = char('0' + (image.bytes[258] & 15));
    return title;
}

ParFileStatus ParseParFile(std::span<const std::uint8_t> file, ParameterImage* image) {
    if (file.size() != std::size_t(ParameterImageSize))
        return ParFileStatus::WrongLength;
    std::copy(file.begin(), file.end(), image->bytes.begin());
    if (!image->checkMatches()) {
        image->clear();
        return ParFileStatus::WrongCheck;
    }
    return ParFileStatus::Ok;
}

ParFileStatus LoadParFile(const QString& path, ParameterImage* image) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.isSequential())
        return ParFileStatus::CannotOpen;
    if (f.size() != ParameterImageSize)
        return ParFileStatus::WrongLength;
    // One byte more than a valid file, so a file that grew meanwhile shows.
    const QByteArray data = f.read(ParameterImageSize + 1);
    if (data.size() != ParameterImageSize)
        return data.size() > ParameterImageSize ? ParFileStatus::WrongLength
                                                : ParFileStatus::CannotRead;
    return ParseParFile(
        {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())}, image);
}

bool SaveParFile(const QString& path, const ParameterImage& image) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const auto* data = reinterpret_cast<const char*>(image.bytes.data());
    if (f.write(data, ParameterImageSize) != ParameterImageSize) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace zu
