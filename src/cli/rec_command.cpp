#include "cli/rec_command.h"

#include "cli/cli_options.h"
#include "device/record_file.h"

namespace zu::cli {

namespace {

QString RecHelp() {
    return QStringLiteral(
        "Usage: zucomm rec show FILE.rec\n"
        "       zucomm rec csv FILE.rec\n"
        "\n"
        "show: each slot's controller address, the sampling time and the number of records.\n"
        "csv:  every record as CSV on standard output: record number, time of day\n"
        "      hh:mm:ss.mmm (mmm is the milliseconds modulo 256, as recorded) and each\n"
        "      used slot's value in degrees, Err where the controller was dropped.\n"
        "Exit status 0, or 2 when the file cannot be read (a csv cut short by a read\n"
        "failure keeps the rows before it).\n");
}

bool Open(RecordFileReader& reader, const QString& path, QTextStream& err) {
    const RecFileProblem p = reader.open(path);
    if (!p)
        return true;
    err << "zucomm rec: " << QString::fromStdString(p.line()) << '\n';
    err.flush();
    return false;
}

} // namespace

int RunRec(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString verb = args.value(1);
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        out << RecHelp();
        out.flush();
        return ExitOk;
    }
    if (verb == QLatin1String("show") && args.size() == 3) {
        RecordFileReader reader;
        if (!Open(reader, args[2], err))
            return ExitUsage;
        const RecFileHeader& h = reader.header();
        for (int i = 0; i < RecordFileSlots; ++i) {
            out << "slot " << (i + 1) << ": ";
            if (h.address[i])
                out << "address " << h.address[i] << '\n';
            else
                out << "not used\n";
        }
        out << "sampling time: " << SampleTimeText(h.sampleTime).c_str() << " s\n";
        out << "records: " << reader.recordCount() << '\n';
        out.flush();
        return ExitOk;
    }
    if (verb == QLatin1String("csv") && args.size() == 3) {
        RecordFileReader reader;
        if (!Open(reader, args[2], err))
            return ExitUsage;
        const RecFileProblem p = WriteRecordCsv(reader, out);
        if (p) {
            err << "zucomm rec: " << QString::fromStdString(p.line()) << '\n';
            err.flush();
            return ExitUsage;
        }
        return ExitOk;
    }
    err << RecHelp();
    err.flush();
    return ExitUsage;
}

} // namespace zu::cli
