#include "cli_run.h"
#include "device/record_file.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zu;
using namespace zu::test;

class TestRecCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // Slot 1 at address 1, slot 10 at 247, sampled every 0.5 s, two records.
    QString recording() {
        const QString path = dir.filePath("kiln.rec");
        RecFileHeader h;
        h.address[0] = 1;
        h.address[9] = 247;
        RecordFileWriter w;
        if (w.create(path, h))
            qFatal("cannot create %s", qPrintable(path));
        RecordSample s;
        s.value[0] = 0xFF9C;
        s.value[9] = 0x80A5;
        s.hour = 23;
        s.minute = 59;
        s.second = 58;
        s.ms = 3;
        w.append(s);
        s.value[9] = 1000;
        s.second = 59;
        if (w.append(s))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString bytes(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

  private slots:
    void showPrintsHeaderAndCount() {
        const CliRun r = Zucomm({"rec", "show", recording()});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, QString("slot 1: address 1\n"
                                "slot 2: not used\n"
                                "slot 3: not used\n"
                                "slot 4: not used\n"
                                "slot 5: not used\n"
                                "slot 6: not used\n"
                                "slot 7: not used\n"
                                "slot 8: not used\n"
                                "slot 9: not used\n"
                                "slot 10: address 247\n"
                                "sampling time: 0.5 s\n"
                                "records: 2\n"));
    }

    void showTellsSampleSeconds() {
        QByteArray h(12 + 25 + 7, '\0');
        h[3] = char(200);
        h[10] = 30;
        const CliRun r = Zucomm({"rec", "show", bytes("s.rec", h)});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("slot 4: address 200\n"), qPrintable(r.out));
        QVERIFY2(r.out.contains("sampling time: 30 s\nrecords: 1\n"), qPrintable(r.out));
    }

    void csvPrintsEveryRecord() {
        const CliRun r = Zucomm({"rec", "csv", recording()});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, QString("record,time (ms mod 256),Device 1 (addr 1),Device 10 (addr 247)\n"
                                "0,23:59:58.003,-10.0,Err\n"
                                "1,23:59:59.003,-10.0,100.0\n"));
    }

    void badFileIsFileError_data() {
        QTest::addColumn<QString>("verb");
        QTest::newRow("show") << "show";
        QTest::newRow("csv") << "csv";
    }
    void badFileIsFileError() {
        QFETCH(QString, verb);
        for (const QString& path :
             {bytes("short.rec", QByteArray(11, '\1')), dir.filePath("missing.rec")}) {
            const CliRun r = Zucomm({"rec", verb, path});
            QCOMPARE(r.code, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.contains("File Error: Can't perform one of the following file "
                                    "operations: Open, Seek, Read"),
                     qPrintable(r.err));
        }
    }

    void usageIsTold() {
        QCOMPARE(Zucomm({"rec"}).code, 2);
        QCOMPARE(Zucomm({"rec", "show"}).code, 2);
        QVERIFY(Zucomm({"rec", "play", "x.rec"}).err.contains("Usage: zucomm rec show"));
        const CliRun h = Zucomm({"rec", "--help"});
        QCOMPARE(h.code, 0);
        QVERIFY(h.out.contains("zucomm rec csv FILE.rec"));
    }
};

QTEST_GUILESS_MAIN(TestRecCommand)
#include "tst_rec_command.moc"
