#pragma once
// zucomm upload / zucomm download: the monitor's parameter-image transfers
// from a script, on the monitor's own engine, for backing up and cloning
// many controllers.
#include <QStringList>
#include <QTextStream>

namespace zu::cli {

int RunUpload(const QStringList& args, QTextStream& out, QTextStream& err);
int RunDownload(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zu::cli
