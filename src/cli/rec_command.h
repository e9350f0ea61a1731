#pragma once
// zucomm rec show FILE.rec | zucomm rec csv FILE.rec: what a recording holds,
// its header or every record as CSV, without the recorder window.
#include <QStringList>
#include <QTextStream>

namespace zu::cli {

int RunRec(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
