#pragma once
// The parameter image: a device's 256 bytes of parameter memory and a trailer
// naming the family and firmware it was read from. A .par file is the image
// stored unchanged, 260 bytes without a header; it is valid when its length
// is exactly 260 and its check byte matches (the memory bytes are not examined).
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zu {

inline constexpr int ParameterMemorySize = 256;
inline constexpr int ParameterImageSize = 260;

struct ParameterImage {
    std::array<std::uint8_t, ParameterImageSize> bytes{};

    std::uint8_t family() const { return bytes[256]; }
    std::uint16_t firmware() const { return std::uint16_t(bytes[257] << 8 | bytes[258]); }
    // (byte 256 + byte 257 + byte 258) mod 256
    std::uint8_t checkByte() const { return std::uint8_t(bytes[256] + bytes[257] + bytes[258]); }
    bool checkMatches() const { return bytes[259] == checkByte(); }
    // Writes the trailer for a device of `family` with `firmware`.
    void seal(std::uint8_t family, std::uint16_t firmware);
    void clear() { bytes.fill(0); }
};

// The 9-character title of the result messages, "ZUA V1.00" with the family
// letter and the firmware digits of the image (each nibble added to '0'). A
// family byte that is no printable letter shows as '?'.
std::string ImageTitle(const ParameterImage& image);

enum class ParFileStatus {
    Ok,
    CannotOpen,  // cannot be opened or measured
    WrongLength, // not 260 bytes: the image is left as it was
    CannotRead,  // the read failed part way
    WrongCheck,  // the check byte does not match: the image is cleared
};

// What a .par file of these bytes gives: Ok, WrongLength or WrongCheck, and
// the image for Ok (cleared for WrongCheck, untouched for WrongLength).
ParFileStatus ParseParFile(std::span<const std::uint8_t> file, ParameterImage* image);
ParFileStatus LoadParFile(const QString& path, ParameterImage* image);
// Replaces the file atomically (a temporary file in the same folder, then a
// rename): on failure the old file is left whole. False when it could not be
// written.
bool SaveParFile(const QString& path, const ParameterImage& image);

} // namespace zu
