#pragma once
// How a parameter image is written back to a device: one single write per
// step, in the order and with the value rules of the device's family (21
// steps for family A, 99 for B, 27 for C). Some steps are written only for
// certain images or firmware; some need the unlock write before them.
#include "device/parameter_image.h"

#include <cstdint>

namespace zu {

struct DownloadWrite {
    bool sent = false; // false: the step is skipped for this image and device
    std::uint16_t reg = 0;
    std::uint16_t value = 0;
    bool unlock = false; // the unlock write goes first
};

// 21, 99 or 27; 0 for a family without a download.
int DownloadStepCount(std::uint8_t family);
// The write of `step` for a device of `family` whose firmware is `deviceFirmware`.
DownloadWrite DownloadStepWrite(std::uint8_t family, const ParameterImage& image,
                                std::uint16_t deviceFirmware, int step);

} // namespace zu

#include <string>
#include <vector>

namespace zu {

// One parameter of an image as the download would write it, in words.
struct ImageParameter {
    std::uint16_t reg = 0;
    std::string name;  // the panel control, or what the register is
    std::string value; // with the register's scaling or code text
    bool operator==(const ImageParameter&) const = default;
};

// Every parameter the download of `image` writes (for its own family and
// firmware), each register once, in download order. Empty for an image
// without a known family.
std::vector<ImageParameter> DecodeImageParameters(const ParameterImage& image);

// The parameters two images would write differently: the same register
// and name with another value (in the first image's download order).
struct ParameterDifference {
    std::uint16_t reg = 0;
    std::string name;
    std::string first, second;
};
std::vector<ParameterDifference> CompareImageParameters(const ParameterImage& a,
                                                        const ParameterImage& b);

} // namespace zu
