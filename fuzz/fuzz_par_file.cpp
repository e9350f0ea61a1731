// Any bytes as a .par file: the checks, the title and the decoding by name
// that `zucomm par show` prints, for every family letter and firmware.
#include "device/parameter_download.h"
#include "device/parameter_image.h"
#include "fuzz/fuzz_support.h"

using namespace zu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParameterImage image;
    image.bytes.fill(0x5A);
    const ParFileStatus status = ParseParFile({data, size}, &image);
    if (size != 260) {
        FUZZ_CHECK(status == ParFileStatus::WrongLength);
        FUZZ_CHECK(image.bytes[0] == 0x5A); // untouched
        // Decode what came anyway, as if it were the memory of each family.
        for (std::size_t i = 0; i < size && i < 260; ++i)
            image.bytes[i] = data[i];
    } else if (status == ParFileStatus::WrongCheck) {
        FUZZ_CHECK(image.bytes[256] == 0 && image.bytes[259] == 0);
        for (std::size_t i = 0; i < 260; ++i)
            image.bytes[i] = data[i];
    } else {
        FUZZ_CHECK(status == ParFileStatus::Ok && image.checkMatches());
    }
    FUZZ_CHECK(ImageTitle(image).size() == 9);
    for (std::uint8_t family :
         {std::uint8_t(image.family()), std::uint8_t('A'), std::uint8_t('B'), std::uint8_t('C')}) {
        ParameterImage as = image;
        as.seal(family, image.firmware());
        const auto params = DecodeImageParameters(as);
        FUZZ_CHECK(params.size() <= std::size_t(DownloadStepCount(family)));
        for (const ImageParameter& p : params)
            FUZZ_CHECK(!p.name.empty() && !p.value.empty());
    }
    return 0;
}
