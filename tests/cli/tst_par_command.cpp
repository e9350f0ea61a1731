#include "cli_run.h"
#include "device/parameter_image.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

// A family-B image: SV 100.0 (word 24), alarm 1 mode item 2 (byte 16).
ParameterImage FamilyB(std::uint16_t sv) {
    ParameterImage im;
    im.bytes[24] = std::uint8_t(sv >> 8);
    im.bytes[25] = std::uint8_t(sv);
    im.bytes[14] = 1;
    im.seal('B', 0x0152);
    return im;
}

} // namespace

class TestParCommand : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString save(const QString& name, const ParameterImage& im) {
        const QString path = dir.filePath(name);
        if (!SaveParFile(path, im))
            qFatal("cannot save %s", qPrintable(path));
        return path;
    }

  private slots:
    void showDecodesByName() {
        const CliRun r = Zucomm({"par", "show", save("b.par", FamilyB(1000))});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QString("family B, firmware 1.52 (ZUB V1.52)"));
        QVERIFY2(lines.contains("0x4701 SV = 100.0"), qPrintable(r.out));
        // the protected memory rows appear as index and byte
        QVERIFY2(r.out.contains("0x474C memory 0x7C = 0x00"), qPrintable(r.out));
        // 0x4726 goes out seven times but is listed once
        QCOMPARE(r.out.count("0x4726 "), 1);
    }

    void diffListsOnlyWhatDiffers() {
        const QString a = save("a.par", FamilyB(1000)), b = save("b2.par", FamilyB(255)),
                      same = save("a2.par", FamilyB(1000));
        const CliRun d = Zucomm({"par", "diff", a, b});
        QCOMPARE(d.code, 1);
        QCOMPARE(d.out, QString("0x4701 SV: 100.0 | 25.5\n"));
        const CliRun s = Zucomm({"par", "diff", a, same});
        QCOMPARE(s.code, 0);
        QCOMPARE(s.out, QString());
    }

    void badFileIsTold_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("259 bytes")
            << QByteArray(259, '\0') << "File data length or content error !";
        QByteArray badCheck(260, '\0');
        badCheck[256] = 'B';
        QTest::newRow("check byte") << badCheck << "File data length or content error !";
    }
    void badFileIsTold() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = dir.filePath("bad.par");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const CliRun r = Zucomm({"par", "show", path});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(text), qPrintable(r.err));
        QVERIFY(Zucomm({"par", "show", dir.filePath("missing.par")})
                    .err.contains("Can't perform one of the following file operations: Open"));
    }
};

QTEST_GUILESS_MAIN(TestParCommand)
#include "tst_par_command.moc"
