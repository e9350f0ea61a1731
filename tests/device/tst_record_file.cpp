#include "device/record_file.h"
#include "support/files_as_nobody.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace zu;

namespace {

// A header with slot 1 at address 1, slot 3 at 200, and `sampleTime`.
QByteArray Header(std::uint8_t sampleTime = 2) {
    QByteArray h(12, '\0');
    h[0] = 1;
    h[2] = char(200);
    h[10] = char(sampleTime);
    return h;
}

// Record n: slot 1 holds n (tenths), slot 3 holds -n; time 12:34:56, ms n.
QByteArray Record(int n) {
    RecordSample s;
    s.value[0] = std::uint16_t(n);
    s.value[2] = std::uint16_t(-n);
    s.hour = 12;
    s.minute = 34;
    s.second = 56;
    s.ms = std::uint8_t(n);
    const auto b = EncodeRecordSample(s);
    return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
}

QByteArray File(int records, int extra = 0) {
    QByteArray f = Header();
    f.reserve(12 + 25 * records + extra);
    for (int i = 0; i < records; ++i)
        f += Record(i);
    f += QByteArray(extra, char(0x77));
    return f;
}

QString Csv(RecordFileReader& reader, RecFileProblem* problem = nullptr) {
    QString text;
    QTextStream out(&text);
    const RecFileProblem p = WriteRecordCsv(reader, out);
    if (problem)
        *problem = p;
    return text;
}

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void countAndWindows_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("extra");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("expected"); // records in the window
        QTest::newRow("10000, window 0") << 10000 << 0 << qint64(0) << 4096;
        QTest::newRow("10000, window 4096") << 10000 << 0 << qint64(4096) << 4096;
        QTest::newRow("10000, window 8192") << 10000 << 0 << qint64(8192) << 10000 - 8192;
        QTest::newRow("two extra bytes ignored") << 10000 << 2 << qint64(8192) << 10000 - 8192;
        QTest::newRow("24 extra bytes ignored") << 3 << 24 << qint64(0) << 3;
        QTest::newRow("header only") << 0 << 0 << qint64(0) << 0;
        QTest::newRow("far past the end") << 10 << 0 << qint64(100000) << 0;
        QTest::newRow("at the end") << 10 << 0 << qint64(10) << 0;
        QTest::newRow("from record 1") << 10 << 0 << qint64(1) << 9;
    }
    void countAndWindows() {
        QFETCH(int, records);
        QFETCH(int, extra);
        QFETCH(qint64, first);
        QFETCH(int, expected);
        const QString path = dir.filePath("w.rec");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(File(records, extra));
        f.close();
        RecordFileReader reader;
        QVERIFY(!reader.open(path));
        QCOMPARE(reader.recordCount(), qint64(records));
        const RecordWindow w = reader.read(first);
        QVERIFY2(!w.problem, w.problem.line().c_str());
        QCOMPARE(w.first, first);
        QCOMPARE(int(w.records.size()), expected);
        for (int i = 0; i < expected; ++i) {
            const int n = int(first) + i;
            QCOMPARE(w.records[i].value[0], std::uint16_t(n));
            QCOMPARE(w.records[i].value[2], std::uint16_t(-n));
            QCOMPARE(w.records[i].ms, std::uint8_t(n));
        }
        QVERIFY(reader.read(std::int64_t(1) << 60).records.empty());
        QVERIFY(reader.read(-1).records.empty());
    }

    void shortFileIsFileError_data() {
        QTest::addColumn<int>("size");
        for (int n : {0, 1, 11})
            QTest::addRow("%d bytes", n) << n;
    }
    void shortFileIsFileError() {
        QFETCH(int, size);
        RecordFileReader reader;
        const RecFileProblem p = reader.openBytes(QByteArray(size, '\1'));
        QCOMPARE(QString::fromStdString(p.caption), QString("File Error"));
        QCOMPARE(QString::fromStdString(p.text),
                 QString("Can't perform one of the following file operations: Open, Seek, Read"));
        QCOMPARE(reader.recordCount(), qint64(0));
        QVERIFY(reader.read(0).records.empty());
        QCOMPARE(QString::fromStdString(
                     RecordFileReader().open(dir.filePath("missing.rec")).caption),
                 QString("File Error"));
    }

    void headerDecodes() {
        RecordFileReader reader;
        QVERIFY(!reader.openBytes(Header(0)));
        QCOMPARE(reader.header().address[2], std::uint8_t(200));
        QCOMPARE(reader.header().address[1], std::uint8_t(0));
        QCOMPARE(QString::fromStdString(SampleTimeText(reader.header().sampleTime)),
                 QString("0.5"));
        QCOMPARE(QString::fromStdString(SampleTimeText(99)), QString("99"));
        QCOMPARE(reader.recordCount(), qint64(0));
    }

    void valueText_data() {
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("0xFF9C") << 0xFF9C << "-10.0";
        QTest::newRow("error marker") << 0x80A5 << "Err";
        QTest::newRow("-0.5") << 0xFFFB << "-0.5";
        QTest::newRow("0") << 0 << "0.0";
        QTest::newRow("1234") << 1234 << "123.4";
        QTest::newRow("most negative") << 0x8000 << "-3276.8";
        QTest::newRow("0x80A4 is a value") << 0x80A4 << "-3260.4";
    }
    void valueText() {
        QFETCH(int, raw);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(QString::fromStdString(RecordValueText(std::uint16_t(raw))), text);
        QLocale::setDefault(QLocale::c());
    }

    void csvOfSmallFileExactly() {
        QByteArray f = Header();
        RecordSample a;
        a.value = {0xFF9C, 7, 0x80A5, 9, 9, 9, 9, 9, 9, 9};
        a.hour = 8;
        a.minute = 5;
        a.second = 3;
        a.ms = 250;
        RecordSample b = a;
        b.value[0] = 0x80A5;
        b.value[2] = 215;
        b.ms = 7;
        for (const RecordSample& s : {a, b}) {
            const auto e = EncodeRecordSample(s);
            f += QByteArray(reinterpret_cast<const char*>(e.data()), 25);
        }
        f += "Z"; // a partial record
        RecordFileReader reader;
        QVERIFY(!reader.openBytes(f));
        RecFileProblem p;
        QCOMPARE(Csv(reader, &p), QString("record,time (ms mod 256),Device 1 (addr 1),Device 3 "
                                          "(addr 200)\n"
                                          "0,08:05:03.250,-10.0,Err\n"
                                          "1,08:05:03.007,Err,21.5\n"));
        QVERIFY(!p);
    }

    void csvStreamsAcrossWindows() {
        RecordFileReader reader;
        QVERIFY(!reader.openBytes(File(10000)));
        const QStringList lines = Csv(reader).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10001);
        QCOMPARE(lines[4097], QString("4096,12:34:56.000,409.6,-409.6"));
        QCOMPARE(lines[10000], QString("9999,12:34:56.015,999.9,-999.9"));
    }

    void writerRoundTrip() {
        const QString path = dir.filePath("round.rec");
        RecFileHeader h;
        h.address = {1, 2, 0, 247, 0, 0, 0, 0, 0, 200};
        h.sampleTime = 0;
        std::vector<RecordSample> written;
        {
            RecordFileWriter w;
            QVERIFY(!w.create(path, h));
            for (int i = 0; i < 4100; ++i) {
                RecordSample s;
                for (int k = 0; k < RecordFileSlots; ++k)
                    s.value[k] = std::uint16_t(i * 13 + k * 1000);
                s.hour = std::uint8_t(i % 24);
                s.minute = std::uint8_t(i % 60);
                s.second = std::uint8_t((i / 60) % 60);
                s.ms = std::uint8_t(i);
                QVERIFY(!w.append(s));
                written.push_back(s);
            }
            QCOMPARE(w.recordsWritten(), qint64(4100));
            // On the disc before the writer is closed.
            QCOMPARE(QFileInfo(path).size(), qint64(12 + 25 * 4100));
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.at(12 + 24), 'Z');
        QCOMPARE(bytes.at(12 + 25 * 4099 + 24), 'Z');
        RecordFileReader reader;
        QVERIFY(!reader.open(path));
        QCOMPARE(reader.header(), h);
        std::vector<RecordSample> read;
        for (std::int64_t first = 0; first < reader.recordCount();) {
            const RecordWindow win = reader.read(first);
            QVERIFY(!win.problem && !win.records.empty());
            read.insert(read.end(), win.records.begin(), win.records.end());
            first += std::int64_t(win.records.size());
        }
        QVERIFY(read == written);
        // A second create replaces the recording.
        RecordFileWriter again;
        QVERIFY(!again.create(path, h));
        again.close();
        QCOMPARE(QFileInfo(path).size(), qint64(12));
    }

    void uncreatableFileIsTold() {
        QTemporaryDir locked;
        QVERIFY(QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner));
        RecFileProblem p;
        {
            test::FilesAsNobodyWhenRoot nobody;
            RecordFileWriter w;
            p = w.create(locked.filePath("x.rec"), RecFileHeader{});
            QVERIFY(!w.isOpen());
            // Later records are refused too, never dropped silently.
            QVERIFY(w.append(RecordSample{}));
        }
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(p);
        const QString line = QString::fromStdString(p.line());
        QVERIFY2(line.contains("Cannot create the record file") && line.contains("x.rec"),
                 qPrintable(line));
        QVERIFY(!QFile::exists(locked.filePath("x.rec")));
    }

    void fullDiscIsTold() {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full");
        RecordFileWriter w;
        const RecFileProblem p = w.create("/dev/full", RecFileHeader{});
        QVERIFY(p);
        QVERIFY2(QString::fromStdString(p.line()).contains("disc"), p.line().c_str());
        QVERIFY(w.append(RecordSample{}));
        QCOMPARE(w.recordsWritten(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_record_file.moc"
