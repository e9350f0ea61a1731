#pragma once
// `zucomm scan` and `zucomm set-protocol`: the auto-detect scan and the
// change of a controller's address and setting, as the protocol window runs them.
#include <QStringList>

class QTextStream;

namespace zu::cli {

int RunScan(const QStringList& args, QTextStream& out, QTextStream& err);
int RunSetProtocol(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
