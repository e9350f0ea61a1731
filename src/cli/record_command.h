#pragma once
// `zucomm record`: the recorder's acquisition on a terminal.
#include <QStringList>

class QTextStream;

namespace zu::cli {

int RunRecord(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
