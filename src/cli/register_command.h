#pragma once
// `zucomm read` and `zucomm write`: one register request and its reply.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QTextStream;

namespace zu::cli {

int RunRead(const QStringList& args, QTextStream& out, QTextStream& err);
int RunWrite(const QStringList& args, QTextStream& out, QTextStream& err);

// One line per register: "0x4700 = 65526 (0xFFF6, signed -10)".
QString FormatRegisterLine(std::uint16_t reg, std::uint16_t value);

} // namespace zu::cli
