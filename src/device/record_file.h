#pragma once
// The recorder's .rec file: a 12-byte header (the address of each of the ten
// slots, the sampling time, a reserved 0) and then one 25-byte record per
// sampling cycle, nothing else. A record holds each slot's value in tenths,
// big-endian, then hour, minute, second, the milliseconds modulo 256 and 'Z'.
// A partial record at the end is no record; the 'Z' is not checked.
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class QFile;
class QIODevice;
class QTextStream;

namespace zu {

inline constexpr int RecordFileSlots = 10;
inline constexpr int RecFileHeaderSize = 12;
inline constexpr int RecordSampleSize = 25;
// The value the recorder stores for a slot it dropped (same as ErrorMarker).
inline constexpr std::uint16_t RecordErrorValue = 0x80A5;
// The replay keeps this many records in memory at a time.
inline constexpr int RecordWindowSize = 4096;

struct RecFileHeader {
    std::array<std::uint8_t, RecordFileSlots> address{}; // 0: slot not used
    std::uint8_t sampleTime = 0;                         // seconds; 0 means 0.5 s
    std::uint8_t reserved = 0;

    bool operator==(const RecFileHeader&) const = default;
};

struct RecordSample {
    std::array<std::uint16_t, RecordFileSlots> value{}; // raw words, tenths
    std::uint8_t hour = 0, minute = 0, second = 0;
    std::uint8_t ms = 0; // milliseconds modulo 256

    bool operator==(const RecordSample&) const = default;
};

std::array<std::uint8_t, RecFileHeaderSize> EncodeRecFileHeader(const RecFileHeader& h);
RecFileHeader DecodeRecFileHeader(std::span<const std::uint8_t, RecFileHeaderSize> bytes);
std::array<std::uint8_t, RecordSampleSize> EncodeRecordSample(const RecordSample& s);
RecordSample DecodeRecordSample(std::span<const std::uint8_t, RecordSampleSize> bytes);

// Records in a file of `size` bytes; 0 below the header.
std::int64_t RecordCountForSize(std::int64_t size);
// "0.5" for 0, else the seconds.
std::string SampleTimeText(std::uint8_t sampleTime);

// A failure, told as the window would (caption and text) with the file and
// the system's reason for the terminal. Empty caption: no failure.
struct RecFileProblem {
    std::string caption;
    std::string text;
    std::string detail;

    explicit operator bool() const { return !caption.empty(); }
    std::string line() const; // "caption: text (detail)"
};

// Creates (or replaces) a record file and appends records, each pushed to
// the disc before append returns, so a crash loses at most the record being
// written. After the first failure every append refuses with that failure:
// records after a torn one would be misaligned.
class RecordFileWriter {
  public:
    RecordFileWriter();
    ~RecordFileWriter();
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;

    RecFileProblem create(const QString& path, const RecFileHeader& header);
    RecFileProblem append(const RecordSample& sample);
    void close();
    bool isOpen() const;
    std::int64_t recordsWritten() const { return written_; }

  private:
    RecFileProblem put(const std::uint8_t* data, int size, const char* what);
    std::unique_ptr<QFile> file_;
    QString path_;
    RecFileProblem failed_;
    std::int64_t written_ = 0;
};

struct RecordWindow {
    std::int64_t first = 0;            // number of records[0]
    std::vector<RecordSample> records; // consecutive
    RecFileProblem problem;            // a short read: the window ends before it
};

class RecordFileReader {
  public:
    RecordFileReader();
    ~RecordFileReader();
    RecordFileReader(const RecordFileReader&) = delete;
    RecordFileReader& operator=(const RecordFileReader&) = delete;

    // "File Error" when the file cannot be opened, sized or read, or is
    // shorter than its header.
    RecFileProblem open(const QString& path);
    // The same on bytes in memory (tests, fuzzing).
    RecFileProblem openBytes(const QByteArray& bytes);

    const RecFileHeader& header() const { return header_; }
    std::int64_t recordCount() const { return count_; }
    // Up to `max` records from record `first`, fewer at the end of the file;
    // empty from a first at or past the end.
    RecordWindow read(std::int64_t first, int max = RecordWindowSize);

  private:
    RecFileProblem start(std::unique_ptr<QIODevice> device, const QString& name);
    std::unique_ptr<QIODevice> device_;
    QString name_;
    RecFileHeader header_;
    std::int64_t count_ = 0;
};

// CSV of a record file. Header row: "record,time (ms mod 256)" and one column
// per used slot, "Device N (addr A)". Rows: the record number (from 0), the
// time hh:mm:ss.mmm with mmm the recorded millisecond byte, and each used
// slot's value in degrees with one decimal and a '.', "Err" for a dropped slot.
std::string RecordCsvHeader(const RecFileHeader& header);
std::string RecordCsvRow(const RecFileHeader& header, std::int64_t number,
                         const RecordSample& sample);
// Degrees of a raw word: -10.0 for 0xFF9C, "Err" for the error value.
std::string RecordValueText(std::uint16_t raw);
// Streams the whole file a window at a time; a short read ends it with its
// problem after the rows before it.
RecFileProblem WriteRecordCsv(RecordFileReader& reader, QTextStream& out);

} // namespace zu
