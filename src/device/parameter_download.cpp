#include "device/parameter_download.h"

#include <algorithm>

namespace zu {

namespace {

struct Image {
    const ParameterImage& im;
    std::uint16_t byte(int k) const { return im.bytes[std::size_t(k)]; }
    std::uint16_t word(int k) const { return std::uint16_t(byte(k) << 8 | byte(k + 1)); }
};

DownloadWrite Write(std::uint16_t reg, std::uint16_t value) {
    return {true, reg, value, false};
}

DownloadWrite FamilyA(const Image& m, std::uint16_t firmware, int step) {
    static constexpr std::uint16_t bytesAt[] = {0, 12, 13, 28, 30, 29, 14, 15};
    static constexpr std::uint16_t regsAt[] = {0x470F, 0x4710, 0x4711, 0x4712,
                                               0x4713, 0x470E, 0x4715, 0x4716};
    if (step == 0)
        return Write(0x470F, (m.byte(10) & 0x0F) | 1);
    if (step <= 7)
        return Write(regsAt[step], m.byte(bytesAt[step]));
    if (step <= 12)
        return Write(std::uint16_t(0x4701 + step - 8), m.word(2 * (step - 8)));
    if (step <= 18)
        return Write(std::uint16_t(0x4706 + step - 13), m.word(16 + 2 * (step - 13)));
    if (step == 19) {
        if (m.byte(257) != 3 || firmware < 0x320)
            return {};
        return Write(0x4731, m.byte(11));
    }
    if (step == 20)
        return Write(0x471A, m.byte(10) & 1);
    return {};
}

DownloadWrite FamilyB(const Image& m, std::uint16_t firmware, int step) {
    const bool limited = m.byte(12) & 0x10;
    if (step == 0)
        return Write(0x4717, (m.byte(12) & 0x7F) | 1);
    if (step <= 3)
        return Write(std::uint16_t(0x4717 + step), m.byte(step == 1 ? 14 : step == 2 ? 15 : 19));
    if (step <= 6) {
        if (step == 6 && firmware >= 0x150)
            return Write(0x471D, m.word(56));
        return Write(std::uint16_t(0x4717 + step), m.byte(48 + step - 4));
    }
    if (step <= 8)
        return Write(std::uint16_t(0x471E + step - 7), m.byte(step == 7 ? 13 : 51));
    if (step <= 11)
        return Write(std::uint16_t(0x4720 + step - 9), m.byte(16 + step - 9));
    if (step == 12)
        return Write(0x4701, m.word(24));
    if (step == 13) {
        const std::uint16_t v = m.word(20);
        return Write(0x4704, limited && std::int16_t(v) > 9999 ? 9999 : v);
    }
    if (step == 14) {
        const std::uint16_t v = m.word(22);
        return Write(0x4705, limited && std::int16_t(v) < -999 ? std::uint16_t(0xFC19) : v);
    }
    if (step <= 20)
        return Write(std::uint16_t(0x4706 + step - 15), m.word(2 * (step - 15)));
    if (step <= 25)
        return Write(std::uint16_t(0x470C + step - 21), m.word(26 + 2 * (step - 21)));
    if (step <= 29) {
        static constexpr int wordsAt[] = {40, 42, 36, 38};
        return Write(std::uint16_t(0x4711 + step - 26), m.word(wordsAt[step - 26]));
    }
    if (step == 30)
        return Write(0x1017, m.byte(14) < 13 ? (limited ? 1 : 0) : m.byte(52));
    if (step == 31)
        return Write(0x4756, m.byte(179));
    if (step <= 91) {
        const int k = step <= 51 ? 0x7C + step - 32 : 0xB4 + step - 52;
        return {true, 0x474C, std::uint16_t(k << 8 | m.byte(k)), true};
    }
    if (step <= 98)
        return Write(0x4726, m.byte(12) & 1);
    return {};
}

DownloadWrite FamilyC(const Image& m, int step) {
    if (step == 0)
        return Write(0x4717, (m.byte(12) & 0x7F) | 1);
    if (step <= 5) {
        static constexpr int bytesAt[] = {14, 15, 54, 48, 49};
        return Write(std::uint16_t(0x4717 + step), m.byte(bytesAt[step - 1]));
    }
    if (step <= 8) {
        static constexpr int bytesAt[] = {55, 16, 17};
        return Write(std::uint16_t(0x471F + step - 6), m.byte(bytesAt[step - 6]));
    }
    if (step == 9)
        return Write(0x4701, m.word(24));
    if (step <= 15) {
        static constexpr int wordsAt[] = {20, 22, 0, 2, 4, 6};
        return Write(std::uint16_t(0x4704 + step - 10), m.word(wordsAt[step - 10]));
    }
    if (step <= 20)
        return Write(std::uint16_t(0x470C + step - 16), m.word(26 + 2 * (step - 16)));
    if (step <= 24) {
        static constexpr int wordsAt[] = {40, 42, 36, 38};
        return Write(std::uint16_t(0x4711 + step - 21), m.word(wordsAt[step - 21]));
    }
    if (step <= 26) {
        if (m.byte(15) != 2)
            return {};
        return Write(std::uint16_t(0x4702 + step - 25), m.word(step == 25 ? 100 : 102));
    }
    return {};
}

} // namespace

int DownloadStepCount(std::uint8_t family) {
    return family == 'A' ? 21 : family == 'B' ? 99 : family == 'C' ? 27 : 0;
}

DownloadWrite DownloadStepWrite(std::uint8_t family, const ParameterImage& image,
                                std::uint16_t deviceFirmware, int step) {
    if (step < 0 || step >= DownloadStepCount(family))
        return {};
    const Image m{image};
    if (family == 'A')
        return FamilyA(m, deviceFirmware, step);
    if (family == 'B')
        return FamilyB(m, deviceFirmware, step);
    return FamilyC(m, step);
}

} // namespace zu

#include "core/codec.h"
#include "device/register_map.h"

#include <cstdio>

namespace zu {

namespace {

std::string Hex(unsigned v, int digits) {
    char s[12];
    std::snprintf(s, sizeof s, "0x%0*X", digits, v);
    return s;
}

std::string ValueText(const regmap::Register* row, std::uint16_t v) {
    using E = regmap::Encoding;
    if (!row)
        return std::to_string(v) + " (" + Hex(v, 4) + ")";
    switch (row->encoding) {
    case E::Tenths:
        return codec::FormatScaled(std::int16_t(v), 1);
    case E::Hundredths:
        return codec::FormatScaled(std::int16_t(v), 2);
    case E::Integer:
        return std::to_string(std::int16_t(v));
    case E::Index:
        if (row->table && v < row->table->size())
            return std::string(row->table->items[v]);
        return std::to_string(v);
    case E::Bits:
    case E::Command:
    case E::Raw:
        break;
    }
    return Hex(v, 4);
}

} // namespace

std::vector<ImageParameter> DecodeImageParameters(const ParameterImage& image) {
    std::vector<ImageParameter> out;
    const std::uint8_t family = image.family();
    for (int step = 0; step < DownloadStepCount(family); ++step) {
        const DownloadWrite w = DownloadStepWrite(family, image, image.firmware(), step);
        if (!w.sent)
            continue;
        if (w.unlock) {
            // Raw memory written through the bulk register: index and byte.
            out.push_back({w.reg, "memory " + Hex(w.value >> 8, 2), Hex(w.value & 0xFF, 2)});
            continue;
        }
        if (std::any_of(out.begin(), out.end(),
                        [&](const ImageParameter& p) { return p.reg == w.reg; }))
            continue;
        const regmap::Register* row = regmap::Find(family, w.reg);
        std::string name = Hex(w.reg, 4);
        if (row && !row->controls[0].empty())
            name = std::string(row->controls[0]);
        else if (row && !row->meaning.empty())
            name = std::string(row->meaning);
        out.push_back({w.reg, name, ValueText(row, w.value)});
    }
    return out;
}

std::vector<ParameterDifference> CompareImageParameters(const ParameterImage& a,
                                                        const ParameterImage& b) {
    std::vector<ParameterDifference> out;
    const auto pb = DecodeImageParameters(b);
    for (const ImageParameter& p : DecodeImageParameters(a))
        for (const ImageParameter& q : pb)
            if (q.reg == p.reg && q.name == p.name && q.value != p.value)
                out.push_back({p.reg, p.name, p.value, q.value});
    return out;
}

} // namespace zu
