#pragma once
// `zucomm monitor`: the monitor's polling engine on a terminal.
#include <QStringList>

class QTextStream;

namespace zu::cli {

int RunMonitor(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
