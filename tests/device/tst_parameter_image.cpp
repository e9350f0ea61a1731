#include "device/parameter_image.h"
#include "support/files_as_nobody.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zu;

namespace {

QByteArray File(int length, std::uint8_t family, std::uint8_t major, std::uint8_t minor,
                int checkDelta = 0) {
    QByteArray b(length, '\0');
    for (int i = 0; i < std::min(length, 256); ++i)
        b[i] = char(i * 7);
    if (length >= 260) {
        b[256] = char(family);
        b[257] = char(major);
        b[258] = char(minor);
        b[259] = char(family + major + minor + checkDelta);
    }
    return b;
}

std::span<const std::uint8_t> Bytes(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())};
}

} // namespace

class TestParameterImage : public QObject {
    Q_OBJECT
  private slots:
    void fileChecks_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("imageIsTheFile");
        QTest::addColumn<bool>("imageCleared");
        QTest::newRow("260 bytes, check matches")
            << File(260, 'B', 1, 0x20) << int(ParFileStatus::Ok) << true << false;
        QTest::newRow("259 bytes")
            << File(259, 'B', 1, 0x20) << int(ParFileStatus::WrongLength) << false << false;
        QTest::newRow("261 bytes")
            << File(260, 'B', 1, 0x20) + 'x' << int(ParFileStatus::WrongLength) << false << false;
        QTest::newRow("check byte off by one")
            << File(260, 'C', 1, 0x20, 1) << int(ParFileStatus::WrongCheck) << false << true;
        QTest::newRow("check wraps modulo 256")
            << File(260, 'C', 0xF0, 0x40) << int(ParFileStatus::Ok) << true << false;
    }
    void fileChecks() {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(bool, imageIsTheFile);
        QFETCH(bool, imageCleared);
        ParameterImage image;
        image.bytes.fill(0x55); // what the buffer held before
        QCOMPARE(int(ParseParFile(Bytes(file), &image)), status);
        const QByteArray now(reinterpret_cast<const char*>(image.bytes.data()), 260);
        if (imageIsTheFile)
            QCOMPARE(now, file);
        else if (imageCleared)
            QCOMPARE(now, QByteArray(260, '\0'));
        else
            QCOMPARE(now, QByteArray(260, '\x55'));
    }

    void title_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("title");
        QTest::newRow("C 1.20, check 0x64") << int('C') << 0x01 << 0x20 << "ZUC V1.20";
        QTest::newRow("minor 0x1A gives 1 and :") << int('B') << 0x01 << 0x1A << "ZUB V1.1:";
        QTest::newRow("no family yet") << 0 << 0 << 0 << "ZU? V0.00";
        QTest::newRow("control byte") << 0x1B << 3 << 0x20 << "ZU? V3.20";
    }
    void title() {
        QFETCH(int, family);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, title);
        ParameterImage image;
        image.seal(std::uint8_t(family), std::uint16_t(major << 8 | minor));
        QVERIFY(image.checkMatches());
        QCOMPARE(QString::fromStdString(ImageTitle(image)), title);
    }

    void savedFileLoadsBack() {
        QTemporaryDir dir;
        ParameterImage image;
        for (int i = 0; i < 256; ++i)
            image.bytes[std::size_t(i)] = std::uint8_t(255 - i);
        image.seal('C', 0x0120);
        const QString path = dir.filePath("kiln.par");
        QVERIFY(SaveParFile(path, image));
        QCOMPARE(QFileInfo(path).size(), qint64(260));
        ParameterImage back;
        QCOMPARE(int(LoadParFile(path, &back)), int(ParFileStatus::Ok));
        QVERIFY(back.bytes == image.bytes);
        QCOMPARE(QString::fromStdString(ImageTitle(back)), QString("ZUC V1.20"));
    }

    void fileThatCannotBeOpenedIsTold() {
        QTemporaryDir dir;
        ParameterImage image;
        QCOMPARE(int(LoadParFile(dir.filePath("missing.par"), &image)),
                 int(ParFileStatus::CannotOpen));
        QCOMPARE(int(LoadParFile(dir.path(), &image)), int(ParFileStatus::CannotOpen));
    }

    // A save into a folder the user may not write leaves the old file whole.
    void failedSaveKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("old.par");
        ParameterImage old;
        old.seal('B', 0x0110);
        QVERIFY(SaveParFile(path, old));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        ParameterImage other;
        other.seal('C', 0x0200);
        {
            test::FilesAsNobodyWhenRoot nobody;
            QVERIFY(!SaveParFile(path, other));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ParameterImage back;
        QCOMPARE(int(LoadParFile(path, &back)), int(ParFileStatus::Ok));
        QVERIFY(back.bytes == old.bytes);
    }
};

QTEST_GUILESS_MAIN(TestParameterImage)
#include "tst_parameter_image.moc"
