#pragma once
// Small helpers shared by the simulator's tests.
#include "sim/lib/sim_frames.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace zu::sim::test {

// "01 03 47 00" -> bytes.
inline std::vector<std::uint8_t> hexBytes(const char* text) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    return {raw.begin(), raw.end()};
}

inline std::vector<std::uint8_t> textBytes(const char* text) {
    const QByteArray raw(text);
    return {raw.begin(), raw.end()};
}

inline QByteArray qbytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
}

inline QString show(const std::vector<std::uint8_t>& v) {
    return QString::fromLatin1(qbytes(v).toHex(' ').toUpper());
}

} // namespace zu::sim::test
