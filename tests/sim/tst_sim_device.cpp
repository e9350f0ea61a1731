// One controller of each family, from its side: identification, reads,
// writes and their refusals, unlock and command registers, the memories
// read one byte at a time, the ramp/soak program and the family-C security.
#include "sim/lib/sim_device.h"
#include "sim_test_util.h"

#include <QtTest>

using namespace zu::sim;
using namespace zu::sim::test;

namespace {

using Pdu = std::vector<std::uint8_t>;

Pdu ask(Device& d, std::uint8_t function, std::uint16_t reg, std::uint16_t operand) {
    auto reply = d.handle({d.address(), function, reg, operand, 0});
    return reply ? *reply : Pdu{};
}

Pdu echoOf(const Device& d, std::uint16_t reg, std::uint16_t value) {
    return {
        d.address(),        6, std::uint8_t(reg >> 8), std::uint8_t(reg), std::uint8_t(value >> 8),
        std::uint8_t(value)};
}

// Exception code of a reply, 0 for a normal one.
int refusal(const Pdu& p) {
    return p.size() == 3 && (p[1] & 0x80) ? p[2] : 0;
}

int word(const Pdu& p, int i) {
    return p[std::size_t(3 + 2 * i)] << 8 | p[std::size_t(4 + 2 * i)];
}

int readWord(Device& d, std::uint16_t reg) {
    const Pdu p = ask(d, 3, reg, 1);
    return p.size() == 5 ? word(p, 0) : -1;
}

bool writes(Device& d, std::uint16_t reg, std::uint16_t value) {
    return ask(d, 6, reg, value) == echoOf(d, reg, value);
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT
  private slots:
    void identification_data();
    void identification();
    void readsOutsideTheMapAreRefused();
    void writeEchoAndLimits();
    void unlockBeforeProtectedWrites_data();
    void unlockBeforeProtectedWrites();
    void comWriteDisabledRefusesWrites_data();
    void comWriteDisabledRefusesWrites();
    void commandRegisters();
    void parameterMemory_data();
    void parameterMemory();
    void familyAMemoryNeedsUnlock();
    void parameterMemoryWrite();
    void downloadOfAnUploadIsAccepted_data();
    void downloadOfAnUploadIsAccepted();
    void rampSoakMemoryFollowsProgramRegisters();
    void programRuns();
    void pvMovesTowardSv();
    void pvStatusFault();
    void lockStatusOfFamilyA();
    void addressSettingIsPendingUntilReplied();
    void securityLevels();
    void securityKeys();
    void broadcastWriteIsObeyedSilently();
};

void TestSimDevice::identification_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<QString>("reply");
    QTest::newRow("A refuses") << 'A' << "05 E7 01";
    QTest::newRow("B") << 'B' << "05 67 06 00 02 00 01 01 04";
    QTest::newRow("C") << 'C' << "05 67 06 00 02 00 02 02 07";
}

void TestSimDevice::identification() {
    QFETCH(char, family);
    QFETCH(QString, reply);
    zu::VirtualClock clock;
    Device d(family, 5, clock);
    QCOMPARE(show(ask(d, 0x67, 0x0012, 3)), reply);
}

void TestSimDevice::readsOutsideTheMapAreRefused() {
    zu::VirtualClock clock;
    Device a('A', 1, clock), b('B', 2, clock);
    QCOMPARE(refusal(ask(a, 3, 0x4767, 1)), int(exc::IllegalAddress)); // no program in A
    QCOMPARE(refusal(ask(b, 3, 0x4767, 1)), 0);
    QCOMPARE(refusal(ask(b, 3, 0x1000, 1)), int(exc::IllegalAddress));
    QCOMPARE(refusal(ask(b, 3, 0x4700, 0)), int(exc::IllegalData));
    QCOMPARE(refusal(ask(b, 3, 0x4700, 9)), int(exc::IllegalData));
    QCOMPARE(refusal(ask(b, 0x10, 0x4700, 1)), int(exc::IllegalFunction));
    QCOMPARE(refusal(ask(b, 0x67, 0x0013, 3)), int(exc::IllegalAddress));
    // A block read across an undocumented word gives 0 for it.
    const Pdu block = ask(b, 3, 0x4728, 8);
    QCOMPARE(block.size(), std::size_t(19));
    QCOMPARE(word(block, 5), 0);      // 0x472D
    QCOMPARE(word(block, 2), 0x0152); // firmware
}

void TestSimDevice::writeEchoAndLimits() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    QVERIFY(writes(b, 0x4701, 1234));
    QCOMPARE(readWord(b, 0x4701), 1234);
    QVERIFY(writes(b, 0x4705, 0xFFF6)); // range low -1.0
    QCOMPARE(readWord(b, 0x4705), 0xFFF6);
    QCOMPARE(refusal(ask(b, 6, 0x4701, 5000)), int(exc::IllegalData)); // above range high
    QCOMPARE(refusal(ask(b, 6, 0x4718, 18)), int(exc::IllegalData));   // no such input
    QCOMPARE(refusal(ask(b, 6, 0x4700, 1)), int(exc::IllegalAddress)); // PV is read-only
    QVERIFY(writes(b, 0x471E, 11));                                    // Not SV
    QCOMPARE(refusal(ask(b, 6, 0x471E, 2)), int(exc::IllegalData));
    QCOMPARE(readWord(b, 0x4701), 1234);
}

void TestSimDevice::unlockBeforeProtectedWrites_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("unlock");
    QTest::addColumn<int>("reg");
    QTest::newRow("A PV offset") << 'A' << 0x471B << 0x4714;
    QTest::newRow("B RTD offset") << 'B' << 0x472A << 0x4732;
    QTest::newRow("C output type") << 'C' << 0x472A << 0x4730;
}

void TestSimDevice::unlockBeforeProtectedWrites() {
    QFETCH(char, family);
    QFETCH(int, unlock);
    QFETCH(int, reg);
    zu::VirtualClock clock;
    Device d(family, 1, clock);
    const std::uint16_t r = std::uint16_t(reg), u = std::uint16_t(unlock);
    QCOMPARE(refusal(ask(d, 6, r, 3)), int(exc::IllegalCommand));
    QCOMPARE(refusal(ask(d, 6, u, 0x1234)), int(exc::IllegalData)); // not the unlock word
    QVERIFY(writes(d, u, kUnlockWord));
    QVERIFY(writes(d, r, 3));
    QCOMPARE(readWord(d, r), 3);
    // One unlock opens one write.
    QCOMPARE(refusal(ask(d, 6, r, 4)), int(exc::IllegalCommand));
    QVERIFY(writes(d, u, kUnlockWord));
    QVERIFY(writes(d, 0x4701, 500)); // an ordinary write uses it up as well
    QCOMPARE(refusal(ask(d, 6, r, 4)), int(exc::IllegalCommand));
    QCOMPARE(readWord(d, r), 3);
}

void TestSimDevice::comWriteDisabledRefusesWrites_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWrite");
    QTest::newRow("A") << 'A' << 0x471A;
    QTest::newRow("B") << 'B' << 0x4726;
}

void TestSimDevice::comWriteDisabledRefusesWrites() {
    QFETCH(char, family);
    QFETCH(int, comWrite);
    zu::VirtualClock clock;
    Device d(family, 1, clock);
    QVERIFY(writes(d, std::uint16_t(comWrite), 0));
    QCOMPARE(refusal(ask(d, 6, 0x4701, 500)), int(exc::IllegalCommand));
    QVERIFY(writes(d, std::uint16_t(comWrite), 1)); // switching it on is always allowed
    QVERIFY(writes(d, 0x4701, 500));
}

void TestSimDevice::commandRegisters() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    QVERIFY(writes(b, 0x4701, 777));
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QVERIFY(writes(b, 0x471D, 15)); // PV offset
    // A command needs the unlock word as its value, after an unlock.
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QCOMPARE(refusal(ask(b, 6, 0x474F, 1)), int(exc::IllegalData));
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QVERIFY(writes(b, 0x474F, kUnlockWord));
    QCOMPARE(readWord(b, 0x471D), 0);
    QCOMPARE(readWord(b, 0x4701), 777);
    QCOMPARE(refusal(ask(b, 6, 0x474E, kUnlockWord)), int(exc::IllegalCommand));
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QVERIFY(writes(b, 0x474E, kUnlockWord));
    QCOMPARE(readWord(b, 0x4701), 1000); // factory set value
}

void TestSimDevice::parameterMemory_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("svOffset"); // where the set value sits in memory
    QTest::newRow("A") << 'A' << 0;
    QTest::newRow("B") << 'B' << 24;
    QTest::newRow("C") << 'C' << 24;
}

void TestSimDevice::parameterMemory() {
    QFETCH(char, family);
    QFETCH(int, svOffset);
    zu::VirtualClock clock;
    Device d(family, 1, clock);
    QVERIFY(writes(d, 0x4701, 0x0456));
    const std::uint16_t reg = family == 'A' ? 0x472F : 0x474C;
    if (family == 'A')
        QVERIFY(writes(d, 0x471B, kUnlockWord));
    std::array<int, 256> image;
    image.fill(-1);
    for (int n = 0; n < 256; ++n) {
        const int w = readWord(d, reg);
        QVERIFY(w >= 0);
        image[std::size_t(w >> 8)] = w & 0xFF;
    }
    for (int i = 0; i < 256; ++i)
        QVERIFY2(image[std::size_t(i)] >= 0, "every index comes once in 256 reads");
    QCOMPARE(image[std::size_t(svOffset)], 0x04);
    QCOMPARE(image[std::size_t(svOffset + 1)], 0x56);
}

void TestSimDevice::familyAMemoryNeedsUnlock() {
    zu::VirtualClock clock;
    Device a('A', 1, clock);
    QCOMPARE(refusal(ask(a, 3, 0x472F, 1)), int(exc::IllegalCommand));
    QVERIFY(writes(a, 0x471B, kUnlockWord));
    QCOMPARE(readWord(a, 0x472F), 0x0003); // index 0: high byte of the SV 1000
    QCOMPARE(readWord(a, 0x472F), 0x01E8);
}

void TestSimDevice::parameterMemoryWrite() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    QCOMPARE(refusal(ask(b, 6, 0x474C, 0x7C11)), int(exc::IllegalCommand));
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QVERIFY(writes(b, 0x474C, 0x7C11)); // a byte no register holds
    QCOMPARE(b.memoryByte(0x7C), std::uint8_t(0x11));
    QVERIFY(writes(b, 0x472A, kUnlockWord));
    QVERIFY(writes(b, 0x474C, 0x0E05)); // byte 14: the input type
    QCOMPARE(readWord(b, 0x4718), 5);
    Device c('C', 1, clock);
    QVERIFY(writes(c, 0x472A, kUnlockWord));
    QCOMPARE(refusal(ask(c, 6, 0x474C, 0x7C11)), int(exc::IllegalAddress));
}

void TestSimDevice::downloadOfAnUploadIsAccepted_data() {
    QTest::addColumn<char>("family");
    QTest::newRow("A") << 'A';
    QTest::newRow("B") << 'B';
    QTest::newRow("C") << 'C';
}

void TestSimDevice::downloadOfAnUploadIsAccepted() {
    // The image one controller gives, written back register by register in
    // the order the program's download uses, is taken by another controller
    // without a refusal, and leaves it with the same settings.
    QFETCH(char, family);
    zu::VirtualClock clock;
    Device source(family, 1, clock), target(family, 2, clock);
    const bool a = family == 'A';
    QVERIFY(writes(source, 0x4701, 1500));
    QVERIFY(writes(source, a ? 0x4708 : 0x470C, 123)); // Pb
    QVERIFY(writes(source, a ? 0x4715 : 0x4720, 5));   // alarm 1 mode
    QVERIFY(writes(source, a ? 0x4710 : 0x4718, 2));   // input
    std::array<int, 256> m{};
    for (int i = 0; i < 256; ++i)
        m[std::size_t(i)] = source.memoryByte(i);
    auto w = [&](int k) { return m[std::size_t(k)] << 8 | m[std::size_t(k + 1)]; };
    std::vector<std::pair<int, int>> steps;
    if (a) {
        steps = {{0x470F, (m[10] & 0x0F) | 1},
                 {0x4710, m[12]},
                 {0x4711, m[13]},
                 {0x4712, m[28]},
                 {0x4713, m[30]},
                 {0x470E, m[29]},
                 {0x4715, m[14]},
                 {0x4716, m[15]}};
        for (int i = 0; i < 5; ++i)
            steps.push_back({0x4701 + i, w(2 * i)});
        for (int i = 0; i < 6; ++i)
            steps.push_back({0x4706 + i, w(16 + 2 * i)});
        steps.push_back({0x4731, m[11]});
        steps.push_back({0x471A, m[10] & 1});
    } else if (family == 'B') {
        steps = {{0x4717, (m[12] & 0x7F) | 1},
                 {0x4718, m[14]},
                 {0x4719, m[15]},
                 {0x471A, m[19]},
                 {0x471B, m[48]},
                 {0x471C, m[49]},
                 {0x471D, w(56)},
                 {0x471E, m[13]},
                 {0x471F, m[51]},
                 {0x4720, m[16]},
                 {0x4721, m[17]},
                 {0x4722, m[18]},
                 {0x4701, w(24)},
                 {0x4704, w(20)},
                 {0x4705, w(22)}};
        for (int i = 0; i < 6; ++i)
            steps.push_back({0x4706 + i, w(2 * i)});
        for (int i = 0; i < 5; ++i)
            steps.push_back({0x470C + i, w(26 + 2 * i)});
        steps.insert(steps.end(), {{0x4711, w(40)},
                                   {0x4712, w(42)},
                                   {0x4713, w(36)},
                                   {0x4714, w(38)},
                                   {0x1017, m[52]},
                                   {0x4756, m[179]}});
        for (int k = 0x7C; k <= 0x8F; ++k)
            steps.insert(steps.end(),
                         {{0x472A, kUnlockWord}, {0x474C, k << 8 | m[std::size_t(k)]}});
        for (int k = 0xB4; k <= 0xDB; ++k)
            steps.insert(steps.end(),
                         {{0x472A, kUnlockWord}, {0x474C, k << 8 | m[std::size_t(k)]}});
        steps.push_back({0x4726, m[12] & 1});
    } else {
        steps = {{0x4717, (m[12] & 0x7F) | 1},
                 {0x4718, m[14]},
                 {0x4719, m[15]},
                 {0x471A, m[54]},
                 {0x471B, m[48]},
                 {0x471C, m[49]},
                 {0x471F, m[55]},
                 {0x4720, m[16]},
                 {0x4721, m[17]},
                 {0x4701, w(24)},
                 {0x4704, w(20)},
                 {0x4705, w(22)}};
        for (int i = 0; i < 4; ++i)
            steps.push_back({0x4706 + i, w(2 * i)});
        for (int i = 0; i < 5; ++i)
            steps.push_back({0x470C + i, w(26 + 2 * i)});
        steps.insert(steps.end(),
                     {{0x4711, w(40)}, {0x4712, w(42)}, {0x4713, w(36)}, {0x4714, w(38)}});
    }
    for (auto [reg, value] : steps)
        QVERIFY2(writes(target, std::uint16_t(reg), std::uint16_t(value)),
                 qPrintable(QString::number(reg, 16)));
    QVERIFY(!target.takePendingChange());
    for (int i = 0; i < 256; ++i)
        QCOMPARE(int(target.memoryByte(i)), m[std::size_t(i)]);
}

void TestSimDevice::rampSoakMemoryFollowsProgramRegisters() {
    zu::VirtualClock clock;
    Device c('C', 1, clock);
    QVERIFY(writes(c, 0x4780 + 2 * 9, 0xFF9C)); // step 9: -10.0
    QVERIFY(writes(c, 0x4781 + 2 * 9, 900));    // 15:00
    QVERIFY(writes(c, 0x4767, 5));              // start pattern
    std::array<int, 256> image{};
    for (int n = 0; n < 256; ++n) {
        const int w = readWord(c, 0x474D);
        image[std::size_t(w >> 8)] = w & 0xFF;
    }
    QCOMPARE(image[36], 0xFF);
    QCOMPARE(image[37], 0x9C);
    QCOMPARE(image[38], 900 >> 8);
    QCOMPARE(image[39], 900 & 0xFF);
    QCOMPARE(int(c.memoryByte(231)), 5); // the program header lives in parameter memory
    QCOMPARE(refusal(ask(c, 6, 0x4781, 901)), int(exc::IllegalData));
    QCOMPARE(refusal(ask(c, 6, 0x4778, 9)), int(exc::IllegalData));
}

void TestSimDevice::programRuns() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    // Pattern 0 of the factory program: 100.0 over 10 min, then 150.0 over 20 min...
    QVERIFY(writes(b, 0x4719, 3)); // ramp/soak control
    QCOMPARE(readWord(b, 0x472B), 1);
    QVERIFY(readWord(b, 0x4717) & 0x20);
    clock.advance(5 * 60000);
    QCOMPARE(readWord(b, 0x4765), 0);
    const int sv = readWord(b, 0x472C);
    QVERIFY2(sv > 300 && sv < 1000, "half way up the first ramp");
    clock.advance(10 * 60000);
    QCOMPARE(readWord(b, 0x4765), 1);
    QCOMPARE(readWord(b, 0x4763), 15 * 60); // seconds left in step 1
    QCOMPARE(readWord(b, 0x4764), 15);
    QVERIFY(writes(b, 0x4723, 3)); // hold
    clock.advance(60 * 60000);
    QCOMPARE(readWord(b, 0x4765), 1);
    QVERIFY(writes(b, 0x4723, 1));
    clock.advance(60 * 60000);
    QCOMPARE(readWord(b, 0x472B), 0); // ended: pattern 0 links to the end
}

void TestSimDevice::pvMovesTowardSv() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    QVERIFY(writes(b, 0x4701, 1500));
    int last = readWord(b, 0x4700);
    QVERIFY(std::abs(last - 250) <= 2);
    for (int s = 0; s < 30; ++s) {
        clock.advance(5000);
        const int pv = readWord(b, 0x4700);
        QVERIFY2(pv >= last - 2, "rises without jumps back");
        QVERIFY(pv <= 1502);
        last = pv;
    }
    QVERIFY2(std::abs(last - 1500) <= 5, "settles at the set value");
    QVERIFY(writes(b, 0x4723, 0)); // stop: back toward the room
    clock.advance(300000);
    QVERIFY(std::abs(readWord(b, 0x4700) - 250) <= 5);
}

void TestSimDevice::pvStatusFault() {
    zu::VirtualClock clock;
    Device a('A', 1, clock), c('C', 2, clock);
    a.faults().push_back({FaultKind::PvStatus, 1, 5});
    c.faults().push_back({FaultKind::PvStatus, 1, 3});
    QCOMPARE(readWord(a, 0x4700), 0x8005);
    QCOMPARE(readWord(a, 0x472B), 5);
    QCOMPARE(readWord(c, 0x4700), 0x8003);
}

void TestSimDevice::lockStatusOfFamilyA() {
    zu::VirtualClock clock;
    Device a('A', 1, clock);
    const std::pair<int, int> cases[] = {{0, 0}, {1, 2}, {11, 4}};
    for (auto [written, read] : cases) {
        QVERIFY(writes(a, 0x4731, std::uint16_t(written)));
        QCOMPARE(readWord(a, 0x4731), read);
        QCOMPARE(int(a.memoryByte(11)), written);
    }
}

void TestSimDevice::addressSettingIsPendingUntilReplied() {
    zu::VirtualClock clock;
    Device b('B', 1, clock);
    const std::uint16_t value = 0x0543; // address 5, 38400 8N1 RTU
    QVERIFY(writes(b, 0x470B, value));
    QCOMPARE(b.address(), std::uint8_t(1)); // still the old one until the reply left
    const auto change = b.takePendingChange();
    QVERIFY(change);
    QCOMPARE(change->address, std::uint8_t(5));
    QCOMPARE(QString::fromStdString(settingText(change->setting)), "38400,8,N,1,RTU");
    // A value that is no address and setting is the alarm 3 lower limit.
    QVERIFY(writes(b, 0x470B, 0x00FA));
    QVERIFY(!b.takePendingChange());
    QCOMPARE(readWord(b, 0x470B), 0x00FA);
    QVERIFY(writes(b, 0x4722, 1));
    QVERIFY(b.takeSyncRequest());
}

void TestSimDevice::securityLevels() {
    zu::VirtualClock clock;
    Device c('C', 1, clock);
    QCOMPARE(readWord(c, 0x4751), 8 << 3 | 7); // Unlock All, three keys
    QVERIFY(writes(c, 0x106B, 42));            // the lock command: any value
    QCOMPARE(readWord(c, 0x4751), 1 << 3 | 7);
    QCOMPARE(refusal(ask(c, 6, 0x4701, 500)), int(exc::IllegalCommand));
    QCOMPARE(refusal(ask(c, 3, 0x4720, 8)), int(exc::IllegalCommand));   // parameters hidden
    QVERIFY(readWord(c, 0x4700) >= 0);                                   // PV still readable
    QCOMPARE(refusal(ask(c, 6, 0x106C, 0x9999)), int(exc::IllegalData)); // wrong key 2
    QCOMPARE(readWord(c, 0x4751) >> 3, 1);
    QVERIFY(writes(c, 0x106D, 0x3333)); // key 3: PV,SV
    QCOMPARE(readWord(c, 0x4751) >> 3, 2);
    QVERIFY(writes(c, 0x4701, 500));
    QCOMPARE(refusal(ask(c, 6, 0x4727, 1)), int(exc::IllegalCommand));
    QVERIFY(writes(c, 0x106C, 0x2222)); // key 2: Read All, SV,AT
    QCOMPARE(readWord(c, 0x4751) >> 3, 4);
    QVERIFY(writes(c, 0x4727, 1));
    QCOMPARE(refusal(ask(c, 6, 0x4718, 2)), int(exc::IllegalCommand));
    QCOMPARE(ask(c, 3, 0x4720, 8).size(), std::size_t(19));
    QVERIFY(writes(c, 0x106B, 0x1111)); // key 1: Unlock All
    QCOMPARE(readWord(c, 0x4751) >> 3, 8);
    QVERIFY(writes(c, 0x4718, 2));
}

void TestSimDevice::securityKeys() {
    zu::VirtualClock clock;
    Device c('C', 1, clock);
    QCOMPARE(refusal(ask(c, 6, 0x106F, 0x1234)), int(exc::IllegalData)); // not key 2
    QVERIFY(writes(c, 0x106F, 0x2222));                                  // disables key 2
    QCOMPARE(readWord(c, 0x4751), 8 << 3 | 5);
    QVERIFY(writes(c, 0x106F, 0xABCD)); // enables it again with a new key
    QCOMPARE(readWord(c, 0x4751), 8 << 3 | 7);
    QVERIFY(writes(c, 0x106B, 0)); // lock
    QCOMPARE(refusal(ask(c, 6, 0x106C, 0x2222)), int(exc::IllegalData));
    QVERIFY(writes(c, 0x106C, 0xABCD));
    QCOMPARE(readWord(c, 0x4751) >> 3, 4);
    // With every key disabled the device is open.
    QVERIFY(writes(c, 0x106E, 0x1111));
    QVERIFY(writes(c, 0x106F, 0xABCD));
    QVERIFY(writes(c, 0x1070, 0x3333));
    QCOMPARE(readWord(c, 0x4751), 8 << 3);
    QCOMPARE(refusal(ask(c, 6, 0x106B, 0)), int(exc::IllegalCommand)); // nothing to lock with
    Device b('B', 2, clock);
    QCOMPARE(refusal(ask(b, 6, 0x106B, 0x1111)), int(exc::IllegalAddress));
}

void TestSimDevice::broadcastWriteIsObeyedSilently() {
    zu::VirtualClock clock;
    Device b('B', 9, clock);
    QVERIFY(!b.handle({0, 6, 0x4701, 600, 0}));
    QCOMPARE(readWord(b, 0x4701), 600);
    QVERIFY(!b.handle({0, 3, 0x4701, 1, 0})); // a broadcast read means nothing
    QVERIFY(!b.handle({0, 6, 0x470B, 0x05A5, 0}));
    QVERIFY(!b.takePendingChange()); // one address for all would be useless
    QCOMPARE(b.counters.broadcasts, 2);
}

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_sim_device.moc"
