#include "device/device_comm.h"

#include <QtTest>

using namespace zu;

class TestDeviceComm : public QObject {
    Q_OBJECT
  private slots:
    void commByte_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("byte");
        QTest::newRow("9600 7E1 ASCII") << 9600 << 7 << 1 << 1 << false << 0xA5;
        QTest::newRow("19200 8N1 RTU") << 19200 << 8 << 0 << 1 << true << 0x33;
        QTest::newRow("2400 8O2 ASCII") << 2400 << 8 << 2 << 2 << false << 0x08;
        QTest::newRow("38400 7E2 RTU") << 38400 << 7 << 1 << 2 << true << 0xC6;
    }
    void commByte() {
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stop);
        QFETCH(bool, rtu);
        QFETCH(int, byte);
        const DeviceLine line{baud, bits, parity, stop, rtu};
        QCOMPARE(int(DeviceCommByte(line).value_or(0)), byte);
        QVERIFY(DeviceLineOf(std::uint8_t(byte)) == line);
    }

    void noByteForWhatNoControllerHas() {
        QVERIFY(!DeviceCommByte({1200, 8, 0, 1, true}));
        QVERIFY(!DeviceCommByte({9600, 8, 3, 1, true}));
        QVERIFY(!DeviceLineOf(0x50)); // baud code 5
        QVERIFY(!DeviceLineOf(0x0C)); // parity code 3
    }
};

QTEST_GUILESS_MAIN(TestDeviceComm)
#include "tst_device_comm.moc"
