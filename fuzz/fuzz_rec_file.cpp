// Any bytes as a .rec file: the header, the record count, windows anywhere
// (far past the end too) and the CSV that `zucomm rec csv` prints of them.
#include "device/record_file.h"
#include "fuzz/fuzz_support.h"

#include <QBuffer>
#include <QByteArray>
#include <QTextStream>

using namespace zu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first bytes pick windows; the rest is the file.
    FuzzInput in{data, size};
    std::int64_t first = 0;
    for (int i = 0; i < 8; ++i)
        first = first << 8 | in.byte();
    const int max = int(in.byte() << 8 | in.byte()) - 100;
    const QByteArray file(reinterpret_cast<const char*>(in.p), qsizetype(in.n));

    RecordFileReader reader;
    const RecFileProblem p = reader.openBytes(file);
    if (file.size() < RecFileHeaderSize) {
        FUZZ_CHECK(p && p.caption == "File Error");
        FUZZ_CHECK(reader.recordCount() == 0 && reader.read(0).records.empty());
        return 0;
    }
    FUZZ_CHECK(!p);
    const std::int64_t count = reader.recordCount();
    FUZZ_CHECK(count == (file.size() - 12) / 25);
    for (int i = 0; i < RecordFileSlots; ++i)
        FUZZ_CHECK(reader.header().address[i] == std::uint8_t(file[i]));

    for (std::int64_t at : {first, first % (count + 1), count - 1, std::int64_t(0)}) {
        const RecordWindow w = reader.read(at, max);
        FUZZ_CHECK(!w.problem); // all bytes are there in memory
        const std::int64_t expect =
            at < 0 || at >= count || max <= 0 ? 0 : std::min<std::int64_t>(max, count - at);
        FUZZ_CHECK(std::int64_t(w.records.size()) == expect);
        for (std::size_t k = 0; k < w.records.size(); ++k) {
            const auto* rec =
                reinterpret_cast<const std::uint8_t*>(file.constData()) + 12 + (at + k) * 25;
            const auto enc = EncodeRecordSample(w.records[k]);
            // Everything but the 'Z' comes back as it was.
            FUZZ_CHECK(std::equal(enc.begin(), enc.end() - 1, rec) && enc[24] == 'Z');
        }
    }

    QString csv;
    QTextStream out(&csv);
    FUZZ_CHECK(!WriteRecordCsv(reader, out));
    const QStringList lines = csv.split('\n');
    FUZZ_CHECK(lines.size() == count + 2 && lines.last().isEmpty());
    int used = 0;
    for (std::uint8_t a : reader.header().address)
        used += a != 0;
    for (qsizetype i = 1; i <= count; ++i) {
        const QStringList cells = lines[i].split(',');
        FUZZ_CHECK(cells.size() == 2 + used);
        FUZZ_CHECK(cells[0] == QString::number(i - 1));
        // Time bytes as recorded, even out of range: hh:mm:ss.mmm or wider.
        FUZZ_CHECK(cells[1].size() >= 12 && cells[1][cells[1].size() - 4] == '.' &&
                   cells[1].count(':') == 2);
        for (int c = 2; c < cells.size(); ++c) {
            bool ok = false;
            const double v = cells[c].toDouble(&ok);
            FUZZ_CHECK(cells[c] == "Err" || (ok && v >= -3276.8 && v <= 3276.7 &&
                                             cells[c][cells[c].size() - 2] == '.'));
        }
    }
    return 0;
}
