// The two text files the program reads at start: SETDT.$$$ and the port map.
// The first byte picks the reader, the rest is the file's text.
#include "core/app_state.h"
#include "core/port_directory.h"

#include "fuzz/fuzz_support.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// strtoll on the text up to its first NUL, clamped to 32 bits: the same
// reading of one leading decimal number, done by the C library.
bool ReferenceParse(std::string_view text, std::int32_t* word) {
    const std::string copy(text.substr(0, text.find('\0')));
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(copy.c_str(), &end, 10);
    if (end == copy.c_str())
        return false;
    constexpr long long lo = std::numeric_limits<std::int32_t>::min();
    constexpr long long hi = std::numeric_limits<std::int32_t>::max();
    *word = static_cast<std::int32_t>(v < lo ? lo : v > hi ? hi : v);
    return true;
}

void SettingText(std::string_view text) {
    std::int32_t word = 12345;
    std::int32_t expected = 12345;
    const bool ok = zu::ParseSettingText(text, &word);
    FUZZ_CHECK(ok == ReferenceParse(text, &expected));
    FUZZ_CHECK(word == expected); // untouched (12345) when nothing was read
    const zu::ComSetting s = zu::DecodeComSettingWord(word, 9600);
    FUZZ_CHECK(s.ComDataBits == 7 || s.ComDataBits == 8);
    FUZZ_CHECK(s.ComStopBits == 1 || s.ComStopBits == 2);
    FUZZ_CHECK(s.ComParityCode >= 0 && s.ComParityCode <= 3);
}

bool DevicesEqual(const zu::PortDirectory& a, const zu::PortDirectory& b) {
    for (int n = 0; n <= 13; ++n)
        if (a.device(n) != b.device(n))
            return false;
    return true;
}

void MapText(std::string_view text) {
    const QString fileName = QStringLiteral("ports.conf");
    zu::PortDirectory dir;
    dir.assignDefaults({QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")});
    dir.applyMapText(text, fileName);

    for (int n : {std::numeric_limits<int>::min(), -1, 0, 13, 14, std::numeric_limits<int>::max()})
        FUZZ_CHECK(dir.device(n).isEmpty());
    for (int n = 1; n <= 12; ++n) {
        const QString dev = dir.device(n);
        FUZZ_CHECK(dev.isEmpty() || dev == QLatin1String(zu::kSimulatedDevice) ||
                   dev.startsWith(QLatin1Char('/')));
        FUZZ_CHECK(dev == dev.trimmed());
    }
    const qsizetype lines = QString::fromUtf8(text.data(), qsizetype(text.size())).count('\n') + 1;
    FUZZ_CHECK(dir.problems().size() <= lines);

    // The map is a list of assignments: reading it twice changes nothing more.
    zu::PortDirectory again = dir;
    again.applyMapText(text, fileName);
    FUZZ_CHECK(DevicesEqual(dir, again));
    FUZZ_CHECK(again.problems().size() == 2 * dir.problems().size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        MapText(text);
    else
        SettingText(text);
    return 0;
}
