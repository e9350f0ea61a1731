#include "core/app_state.h"
#include "support/files_as_nobody.h"
#include "support/scripted_line.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace zu;

class TestAppState : public QObject {
    Q_OBJECT

    VirtualClock clock;
    test::ScriptedLineFactory lines;
    QTemporaryDir dir;

    std::unique_ptr<AppState> makeState(std::initializer_list<int> present = {1}) {
        PortDirectory ports;
        for (int n : present)
            ports.set(n, QStringLiteral("/dev/ttyS%1").arg(n - 1));
        auto s = std::make_unique<AppState>(clock, lines, ports);
        s->BuildPortPresent();
        s->settingFilePath = dir.filePath(QStringLiteral("SETDT.$$$"));
        return s;
    }
    QByteArray fileText() const {
        QFile f(dir.filePath(QStringLiteral("SETDT.$$$")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void writeFile(const QByteArray& text) const {
        QFile f(dir.filePath(QStringLiteral("SETDT.$$$")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

  private slots:
    void init() {
        QFile::remove(dir.filePath(QStringLiteral("SETDT.$$$")));
        QDir(dir.path()).rmdir(QStringLiteral("SETDT.$$$"));
    }

    void startsEmpty() {
        AppState s(clock, lines, PortDirectory());
        QCOMPARE(s.ComSettingWord, 0);
        QCOMPARE(s.PortOwner, 0);
        QVERIFY(!s.SettingLoaded);
        for (bool p : s.PortPresent)
            QVERIFY(!p);
    }

    void decodesTheWord_data() {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<bool>("rtu");
        QTest::newRow("292 COM1 9600 7E1 ASCII") << 292 << 1 << 9600 << 7 << 1 << 1 << false;
        QTest::newRow("946 COM3 19200 8N1 RTU") << 946 << 3 << 19200 << 8 << 0 << 1 << true;
        QTest::newRow("0 after start") << 0 << 0 << 2400 << 7 << 0 << 1 << false;
        QTest::newRow("bit 7 alone is RTU with 7 bits")
            << 0x180 << 1 << 2400 << 7 << 0 << 1 << true;
        QTest::newRow("odd, 2 stop, 4800")
            << (12 * 256 + 0x10 + 8 + 1) << 12 << 4800 << 7 << 2 << 2 << false;
        QTest::newRow("38400") << (2 * 256 + 0x40 + 2) << 2 << 38400 << 8 << 0 << 1 << false;
        QTest::newRow("3364 no port") << 3364 << 13 << 9600 << 7 << 1 << 1 << false;
        QTest::newRow("negative") << -1 << -1 << 9600 << 8 << 3 << 2 << true;
    }
    void decodesTheWord() {
        QFETCH(int, word);
        auto s = makeState();
        s->Com.ComBaud = 9600; // kept for baud indices 5..7
        s->ComSettingWord = word;
        s->ApplyComSetting();
        QTEST(s->Com.ComPortNumber, "port");
        QTEST(s->Com.ComBaud, "baud");
        QTEST(s->Com.ComDataBits, "dataBits");
        QTEST(s->Com.ComParityCode, "parity");
        QTEST(s->Com.ComStopBits, "stopBits");
        QTEST(s->Com.RtuMode, "rtu");
    }

    void unknownBaudIndexKeepsThePreviousBaud() {
        auto s = makeState();
        s->ComSettingWord = 256 + 0x30; // 19200
        s->ApplyComSetting();
        s->ComSettingWord = 256 + 0x60; // index 6: never produced
        s->ApplyComSetting();
        QCOMPARE(s->Com.ComBaud, 19200);
    }

    void defaultWord_data() {
        QTest::addColumn<QList<int>>("present");
        QTest::addColumn<int>("word");
        QTest::newRow("COM1 and COM3") << QList<int>{1, 3} << 292;
        QTest::newRow("COM4 only") << QList<int>{4} << 4 * 256 + 36;
        QTest::newRow("none") << QList<int>{} << 3364;
    }
    void defaultWord() {
        QFETCH(QList<int>, present);
        PortDirectory ports;
        for (int n : present)
            ports.set(n, QStringLiteral("/dev/x"));
        AppState s(clock, lines, ports);
        s.BuildPortPresent();
        QTEST(s.DefaultComSettingWord(), "word");
    }

    void encodeIsTheInverseOfDecode() {
        QCOMPARE(EncodeComSettingWord(3, 3, 0, 1, 0, 1), 946);
        QCOMPARE(EncodeComSettingWord(1, 2, 1, 0, 0, 0), 292);
    }

    void settingText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("word");
        QTest::newRow("plain") << QByteArray("946") << true << 946;
        QTest::newRow("leading blanks and newline") << QByteArray(" \n\t292\r\n") << true << 292;
        QTest::newRow("trailing text ignored") << QByteArray("292abc 5") << true << 292;
        QTest::newRow("negative") << QByteArray("-17") << true << -17;
        QTest::newRow("plus sign") << QByteArray("+5") << true << 5;
        QTest::newRow("garbage") << QByteArray("abc") << false << 0;
        QTest::newRow("empty") << QByteArray("") << false << 0;
        QTest::newRow("lone minus") << QByteArray("-") << false << 0;
        QTest::newRow("huge saturates")
            << QByteArray("99999999999999999999999") << true << 2147483647;
        QTest::newRow("huge negative saturates")
            << QByteArray("-99999999999") << true << int(-2147483648LL);
    }
    void settingText() {
        QFETCH(QByteArray, text);
        std::int32_t word = 0;
        QTEST(ParseSettingText(std::string_view(text.constData(), std::size_t(text.size())), &word),
              "ok");
        QTEST(int(word), "word");
    }

    void loadReadsTheNumber() {
        auto s = makeState();
        QVERIFY(!s->LoadComSetting());
        writeFile("946");
        QVERIFY(s->LoadComSetting());
        QCOMPARE(s->ComSettingWord, 946);
    }

    void garbageFileKeepsThePreviousWord() {
        auto s = makeState();
        s->ComSettingWord = 292;
        writeFile("not a number");
        QVERIFY(s->LoadComSetting());
        QCOMPARE(s->ComSettingWord, 292);
    }

    void fileThatCannotBeReadIsToldApartFromAMissingOne_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("why");
        QTest::newRow("a folder") << true << "it is a folder";
        QTest::newRow("no read permission") << false << "Permission denied";
    }
    void fileThatCannotBeReadIsToldApartFromAMissingOne() {
        QFETCH(bool, folder);
        QFETCH(QString, why);
        auto s = makeState();
        const QString path = dir.filePath(QStringLiteral("SETDT.$$$"));
        if (folder) {
            QVERIFY(QDir().mkdir(path));
        } else {
            writeFile("946");
            QVERIFY(QFile::setPermissions(path, {}));
        }
        // Nobody (see below) must reach the file to be refused by its mode.
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::permissions(dir.path()) | QFileDevice::ExeOther));
        s->ComSettingWord = 1234;
        QString unreadable = QStringLiteral("left from before");
        bool loaded = true;
        {
            test::FilesAsNobodyWhenRoot nobody;
            loaded = s->LoadComSetting(&unreadable);
        }
        QVERIFY(!loaded);
        QCOMPARE(
            unreadable,
            QStringLiteral("%1 cannot be read (%2)").arg(QFileInfo(path).absoluteFilePath(), why));
        QCOMPARE(s->ComSettingWord, 1234);
        // A missing file is no problem to tell.
        QVERIFY(QFile::remove(path) || QDir().rmdir(path));
        QVERIFY(!s->LoadComSetting(&unreadable));
        QCOMPARE(unreadable, QString());
        writeFile("946");
        QVERIFY(s->LoadComSetting(&unreadable));
        QCOMPARE(unreadable, QString());
        QCOMPARE(s->ComSettingWord, 946);
    }

    void storeWritesTheNumberWithoutLineEnd() {
        auto s = makeState();
        QVERIFY(s->StoreComSetting(946));
        QCOMPARE(fileText(), QByteArray("946"));
        QCOMPARE(s->ComSettingWord, 946);
        QVERIFY(!s->SettingLoaded); // the store leaves it alone
    }

    void sameWordAfterALoadIsNotRewritten() {
        auto s = makeState();
        writeFile("  946 kept as it is");
        QVERIFY(s->LoadComSetting());
        s->SettingLoaded = true;
        QVERIFY(s->StoreComSetting(946));
        QCOMPARE(fileText(), QByteArray("  946 kept as it is"));
        QVERIFY(s->StoreComSetting(292));
        QCOMPARE(fileText(), QByteArray("292"));
    }

    void anyWordIsWrittenWhileNotLoaded() {
        auto s = makeState();
        s->ComSettingWord = 292;
        s->SettingLoaded = false;
        QVERIFY(s->StoreComSetting(292));
        QCOMPARE(fileText(), QByteArray("292"));
    }

    void failedStoreKeepsTheOldFile() {
        auto s = makeState();
        writeFile("946");
        s->SettingLoaded = true;
        s->ComSettingWord = 946;
        // A disc that takes no more bytes: writes beyond one byte fail.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 1;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const bool stored = s->StoreComSetting(292);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!stored);
        QCOMPARE(fileText(), QByteArray("946"));
        QCOMPARE(s->ComSettingWord, 292); // until the next activation reads the file again
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"SETDT.$$$"}); // no temp left
    }

    void storeIntoAMissingFolderFails() {
        auto s = makeState();
        s->settingFilePath = dir.filePath(QStringLiteral("no/such/folder/SETDT.$$$"));
        QVERIFY(!s->StoreComSetting(292));
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_app_state.moc"
