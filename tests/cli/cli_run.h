#pragma once
// A subcommand run in-process, its standard output and error kept as text.
#include "cli/cli.h"

#include <QStringList>
#include <QTextStream>

namespace zu::test {

struct CliRun {
    int code = -1;
    QString out, err;
};

inline CliRun Zucomm(const QStringList& args) {
    CliRun r;
    QTextStream out(&r.out), err(&r.err);
    QStringList all{QStringLiteral("zucomm")};
    all += args;
    r.code = cli::run(all, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace zu::test
