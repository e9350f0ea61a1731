#include "device/record_file.h"

#include "core/texts.h"

#include <QBuffer>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <unistd.h>

namespace zu {

std::array<std::uint8_t, RecFileHeaderSize> EncodeRecFileHeader(const RecFileHeader& h) {
    std::array<std::uint8_t, RecFileHeaderSize> b{};
    std::copy(h.address.begin(), h.address.end(), b.begin());
    b[10] = h.sampleTime;
    b[11] = h.reserved;
    return b;
}

RecFileHeader DecodeRecFileHeader(std::span<const std::uint8_t, RecFileHeaderSize> b) {
    RecFileHeader h;
    std::copy(b.begin(), b.begin() + RecordFileSlots, h.address.begin());
    h.sampleTime = b[10];
    h.reserved = b[11];
    return h;
}

std::array<std::uint8_t, RecordSampleSize> EncodeRecordSample(const RecordSample& s) {
    std::array<std::uint8_t, RecordSampleSize> b{};
    for (int i = 0; i < RecordFileSlots; ++i) {
        b[2 * i] = std::uint8_t(s.value[i] >> 8);
        b[2 * i + 1] = std::uint8_t(s.value[i]);
    }
    b[20] = s.hour;
    b[21] = s.minute;
    b[22] = s.second;
    b[23] = s.ms;
    b[24] = 'Z';
    return b;
}

RecordSample DecodeRecordSample(std::span<const std::uint8_t, RecordSampleSize> b) {
    RecordSample s;
    for (int i = 0; i < RecordFileSlots; ++i)
        s.value[i] = std::uint16_t(b[2 * i] << 8 | b[2 * i + 1]);
    s.hour = b[20];
    s.minute = b[21];
    s.second = b[22];
    s.ms = b[23];
    return s;
}

std::int64_t RecordCountForSize(std::int64_t size) {
    return size < RecFileHeaderSize ? 0 : (size - RecFileHeaderSize) / RecordSampleSize;
}

std::string SampleTimeText(std::uint8_t sampleTime) {
    return sampleTime == 0 ? std::string("0.5") : std::to_string(sampleTime);
}

std::string RecFileProblem::line() const {
    std::string s = caption + ": " + text;
    if (!detail.empty())
        s += " (" + detail + ")";
    return s;
}

namespace {

std::string Why(const QFileDevice& f) {
    switch (f.error()) {
    case QFileDevice::ResourceError:
        return "the disc is full or out of resources: " + f.errorString().toStdString();
    case QFileDevice::PermissionsError:
        return "no permission to write there: " + f.errorString().toStdString();
    default:
        return f.errorString().toStdString();
    }
}

RecFileProblem FileError(const QString& name, const std::string& why) {
    return {text::CaptionFileError, text::FileCannotOpen, name.toStdString() + ": " + why};
}

} // namespace

// ---- writer

RecordFileWriter::RecordFileWriter() = default;
RecordFileWriter::~RecordFileWriter() { close(); }

bool RecordFileWriter::isOpen() const { return file_ && file_->isOpen(); }

RecFileProblem RecordFileWriter::create(const QString& path, const RecFileHeader& header) {
    close();
    path_ = path;
    failed_ = {};
    written_ = 0;
    file_ = std::make_unique<QFile>(path);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        failed_ = {"Cannot create the record file",
                   path.toStdString() + ": " + Why(*file_) +
                       "; choose a folder you may write to, with free space",
                   {}};
        file_.reset();
        return failed_;
    }
    const auto bytes = EncodeRecFileHeader(header);
    return put(bytes.data(), RecFileHeaderSize, "its header");
}

RecFileProblem RecordFileWriter::append(const RecordSample& sample) {
    if (failed_)
        return failed_;
    if (!isOpen())
        return {"Cannot write the record file", "no record file is open", {}};
    const auto bytes = EncodeRecordSample(sample);
    RecFileProblem p = put(bytes.data(), RecordSampleSize, "a record");
    if (!p)
        ++written_;
    return p;
}

RecFileProblem RecordFileWriter::put(const std::uint8_t* data, int size, const char* what) {
    const qint64 n = file_->write(reinterpret_cast<const char*>(data), size);
    // Pushed to the disc now: the file outlives a crash or a power cut.
    const bool ok = n == size && file_->flush() && ::fdatasync(file_->handle()) == 0;
    if (!ok) {
        failed_ = {"Cannot write the record file",
                   path_.toStdString() + ": writing " + what + " failed after " +
                       std::to_string(written_) + " records, " + Why(*file_) +
                       "; free some disc space or record to another disc",
                   {}};
        file_->close();
    }
    return ok ? RecFileProblem{} : failed_;
}

void RecordFileWriter::close() {
    if (file_)
        file_->close();
    file_.reset();
}

// ---- reader

RecordFileReader::RecordFileReader() = default;
RecordFileReader::~RecordFileReader() = default;

RecFileProblem RecordFileReader::open(const QString& path) {
    return start(std::make_unique<QFile>(path), path);
}

RecFileProblem RecordFileReader::openBytes(const QByteArray& bytes) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    return start(std::move(buffer), QStringLiteral("(memory)"));
}

RecFileProblem RecordFileReader::start(std::unique_ptr<QIODevice> device, const QString& name) {
    device_.reset();
    header_ = {};
    count_ = 0;
    name_ = name;
    if (!device->open(QIODevice::ReadOnly))
        return FileError(name, device->errorString().toStdString());
    if (device->isSequential())
        return FileError(name, "not a file that can be sized");
    const qint64 size = device->size();
    if (size < RecFileHeaderSize)
        return FileError(name, "shorter than the 12-byte header");
    std::array<std::uint8_t, RecFileHeaderSize> b{};
    if (device->read(reinterpret_cast<char*>(b.data()), RecFileHeaderSize) != RecFileHeaderSize)
        return FileError(name, "the header cannot be read");
    header_ = DecodeRecFileHeader(b);
    count_ = RecordCountForSize(size);
    device_ = std::move(device);
    return {};
}

RecordWindow RecordFileReader::read(std::int64_t first, int max) {
    RecordWindow w;
    w.first = first;
    if (!device_ || first < 0 || first >= count_ || max <= 0)
        return w;
    const std::int64_t n = std::min<std::int64_t>(max, count_ - first);
    if (!device_->seek(RecFileHeaderSize + first * RecordSampleSize)) {
        w.problem = {text::CaptionFileError, text::FileCannotOpen,
                     name_.toStdString() + ": cannot seek to record " + std::to_string(first)};
        return w;
    }
    const QByteArray data = device_->read(n * RecordSampleSize);
    const std::int64_t got = data.size() / RecordSampleSize;
    w.records.reserve(std::size_t(got));
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.constData());
    for (std::int64_t i = 0; i < got; ++i)
        w.records.push_back(DecodeRecordSample(
            std::span<const std::uint8_t, RecordSampleSize>(p + i * RecordSampleSize,
                                                            RecordSampleSize)));
    if (got < n)
        w.problem = {text::CaptionFileError, text::FileCannotRead,
                     name_.toStdString() + ": the file ends at record " +
                         std::to_string(first + got) + " of " + std::to_string(count_)};
    return w;
}

// ---- CSV

std::string RecordValueText(std::uint16_t raw) {
    if (raw == RecordErrorValue)
        return "Err";
    const int tenths = std::int16_t(raw);
    const int a = tenths < 0 ? -tenths : tenths;
    std::string s = tenths < 0 ? "-" : "";
    return s + std::to_string(a / 10) + '.' + char('0' + a % 10);
}

std::string RecordCsvHeader(const RecFileHeader& header) {
    std::string s = "record,time (ms mod 256)";
    for (int i = 0; i < RecordFileSlots; ++i)
        if (header.address[i])
            s += ",Device " + std::to_string(i + 1) + " (addr " +
                 std::to_string(header.address[i]) + ')';
    return s;
}

namespace {
void Two(std::string& s, int v) {
    if (v < 10)
        s += '0';
    s += std::to_string(v);
}
} // namespace

std::string RecordCsvRow(const RecFileHeader& header, std::int64_t number,
                         const RecordSample& sample) {
    std::string s = std::to_string(number) + ',';
    Two(s, sample.hour);
    s += ':';
    Two(s, sample.minute);
    s += ':';
    Two(s, sample.second);
    s += '.';
    if (sample.ms < 100)
        s += '0';
    Two(s, sample.ms);
    for (int i = 0; i < RecordFileSlots; ++i)
        if (header.address[i])
            s += ',' + RecordValueText(sample.value[i]);
    return s;
}

RecFileProblem WriteRecordCsv(RecordFileReader& reader, QTextStream& out) {
    out << RecordCsvHeader(reader.header()).c_str() << '\n';
    for (std::int64_t first = 0; first < reader.recordCount();) {
        const RecordWindow w = reader.read(first);
        for (std::size_t i = 0; i < w.records.size(); ++i)
            out << RecordCsvRow(reader.header(), first + std::int64_t(i), w.records[i]).c_str()
                << '\n';
        if (w.problem || w.records.empty()) {
            out.flush();
            return w.problem;
        }
        first += std::int64_t(w.records.size());
    }
    out.flush();
    return {};
}

} // namespace zu
