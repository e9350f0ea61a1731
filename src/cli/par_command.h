#pragma once
// zucomm par show FILE.par | zucomm par diff A.par B.par: what a parameter
// backup holds, decoded by name as the download would write it.
#include <QStringList>
#include <QTextStream>

namespace zu::cli {

int RunPar(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
