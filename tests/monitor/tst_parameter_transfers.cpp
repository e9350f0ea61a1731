// Upload and download of the parameter image through the real engine on the
// virtual clock, asserted as frames on the wire.
#include "device/parameter_download.h"
#include "engine_rig.h"
#include "monitor/logic/parameter_transfers.h"

#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

struct RecordingTransferView : TransferView {
    std::vector<int> progress;
    std::vector<std::string> done;
    bool shown = false;
    void showTransferProgress(bool s, const std::string&) override { shown = s; }
    void setTransferProgress(int p) override { progress.push_back(p); }
    void showUploadDone(const std::string& text) override { done.push_back(text); }
    std::vector<std::string> stopped;
    void showTransferStopped(const std::string& text) override { stopped.push_back(text); }
};

// A bus of one device at address 1 whose bulk-read register answers index and
// value words, index 0 first.
struct TransferRig {
    Rig rig{false, Via::Script};
    FakeBus bus;
    RecordingTransferView tview;
    ParameterTransfers transfers{rig.engine->model(), rig.view, tview};
    int nextIndex = 0;
    std::size_t startFrame = 0;

    explicit TransferRig(char family, std::uint16_t firmware = 0x0120) {
        FakeDevice d;
        d.family = family;
        if (family == 'A')
            d.regs = {{0x471A, 1}, {0x471B, firmware}};
        else
            d.regs = {{0x4717, 1}, {0x4725, firmware}, {0x4751, 8 << 3}};
        bus.devices[1] = d;
        bus.override = [this](const Req& r) -> std::optional<std::vector<Chunk>> {
            if (r.function == 3 && (r.reg == 0x472F || r.reg == 0x474C) && r.operand == 1) {
                const int i = nextIndex++ % 256;
                return std::vector<Chunk>{
                    {20, Frame(ReadPdu(1, 3, {std::uint16_t(i << 8 | (i ^ 0x5A))}), false)}};
            }
            return std::nullopt;
        };
        rig.responder = bus.responder();
        rig.engine->setTransferHooks(&transfers);
        rig.setAddresses({1, 1, 1, 1});
        rig.engine->RunBt0Click(0);
        MonitorModel& m = rig.engine->model();
        // Identified, and its communication-write setting read.
        QVERIFY(rig.clock.advanceUntil(
            [&] {
                const DeviceSlot& s = m.deviceSlots[0];
                return s.Family == std::uint8_t(family) && m.RequestKind == 2 &&
                       (family == 'C' || s.ComWriteEnabled == 1);
            },
            60000));
        m.deviceSlots[0].FirmwareVersion = firmware;
    }
    std::vector<Req> sent() const { return rig.reqs(startFrame); }
    bool runUntil(const std::function<bool()>& done) {
        return rig.clock.advanceUntil(done, 600000);
    }
};

int CountOf(const std::vector<Req>& reqs, int function, int reg) {
    return int(std::count_if(reqs.begin(), reqs.end(), [&](const Req& r) {
        return r.function == function && (reg < 0 || r.reg == reg);
    }));
}

} // namespace

class TestParameterTransfers : public QObject {
    Q_OBJECT
  private slots:
    void uploadReadsTheWholeMemory_data() {
        QTest::addColumn<char>("family");
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("unlocks");
        QTest::newRow("A: one unlock, then 0x472F") << 'A' << 0x472F << 1;
        QTest::newRow("B: 0x474C") << 'B' << 0x474C << 0;
        QTest::newRow("C: 0x474C") << 'C' << 0x474C << 0;
    }
    void uploadReadsTheWholeMemory() {
        QFETCH(char, family);
        QFETCH(int, reg);
        QFETCH(int, unlocks);
        TransferRig t(family);
        t.transfers.image.bytes.fill(0xEE); // an earlier image
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartUpload("UPLOAD"));
        QVERIFY(t.runUntil([&] { return !t.tview.done.empty(); }));
        const std::vector<Req> sent = t.sent();
        QCOMPARE(CountOf(sent, 6, family == 'A' ? 0x471B : 0x472A), unlocks);
        if (unlocks)
            QCOMPARE(sent[0], (Req{1, 6, 0x471B, 0x6C3E}));
        // Nothing else goes out while the transfer runs.
        const auto reads = std::vector<Req>(sent.begin() + unlocks, sent.begin() + unlocks + 256);
        for (const Req& r : reads)
            QCOMPARE(r, (Req{1, 3, reg, 1}));
        QCOMPARE(t.tview.progress.at(1), 3);     // after the 1st reply
        QCOMPARE(t.tview.progress.at(128), 500); // after the 128th
        for (int i = 0; i < 256; ++i)
            QCOMPARE(int(t.transfers.image.bytes[std::size_t(i)]), i ^ 0x5A);
        QVERIFY(t.transfers.image.checkMatches());
        QCOMPARE(int(t.transfers.image.family()), int(family));
        QCOMPARE(t.tview.done.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(t.tview.done[0]),
                 QString("ZU%1 V1.20 parameters successful upload into buffer").arg(family));
        QVERIFY(!t.tview.shown);
    }

    // An index that never comes is told, never passed off as a full upload.
    void uploadWithMissingBytesSaysSo() {
        TransferRig t('B');
        t.nextIndex = 1; // the device names 1..255, then 0 is lost: 256 comes as 0 again
        t.bus.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
            if (r.function == 3 && r.reg == 0x474C) {
                const int i = std::min(t.nextIndex++, 255);
                return std::vector<Chunk>{
                    {20, Frame(ReadPdu(1, 3, {std::uint16_t(i << 8)}), false)}};
            }
            return std::nullopt;
        };
        QVERIFY(t.transfers.StartUpload("UPLOAD"));
        QVERIFY(t.runUntil([&] { return !t.tview.done.empty(); }));
        QVERIFY2(t.tview.done[0].find("1 of the 256 bytes never came") != std::string::npos,
                 t.tview.done[0].c_str());
    }

    // Cloning one simulated controller onto another: upload from the first,
    // download to the second, and the second then holds the first's settings.
    // The simulator keeps its own map of memory bytes to registers, so a slip
    // in the download order shows against it.
    void cloneOneControllerOntoAnother() {
        Rig rig(false, Via::Sim);
        sim::Device& source = rig.device('B', 1);
        sim::Device& target = rig.device('B', 2);
        source.poke(0x4701, 555); // SV 55.5
        source.poke(0x4708, 123); // a PID parameter
        source.poke(0x4712, 77);
        target.poke(0x4701, 1000);
        RecordingTransferView tview;
        ParameterTransfers transfers(rig.engine->model(), rig.view, tview);
        rig.engine->setTransferHooks(&transfers);
        rig.setAddresses({1, 2, 1, 1});
        rig.engine->RunBt0Click(0);
        rig.engine->RunBt0Click(1);
        MonitorModel& m = rig.engine->model();
        auto ready = [&](int slot) {
            return rig.clock.advanceUntil(
                [&] {
                    const DeviceSlot& d = m.deviceSlots[slot];
                    return d.Family == 'B' && d.ComWriteEnabled == 1 && d.FirmwareVersion != 0 &&
                           m.RequestKind == 2;
                },
                60000);
        };
        QVERIFY(ready(0));
        QVERIFY(transfers.StartUpload("UPLOAD"));
        QVERIFY(rig.clock.advanceUntil([&] { return !tview.done.empty(); }, 600000));
        QVERIFY(transfers.image.checkMatches());

        rig.engine->Adr0LbClick(1);
        QVERIFY(ready(1));
        QVERIFY(transfers.StartDownload(false, "WRITE TO SELECTED DEVICE"));
        QVERIFY(rig.clock.advanceUntil([&] { return !m.req.DownloadActive; }, 600000));

        QCOMPARE(int(target.peek(0x4701)), 555);
        for (int step = 0; step < DownloadStepCount('B'); ++step) {
            const DownloadWrite w =
                DownloadStepWrite('B', transfers.image, m.deviceSlots[1].FirmwareVersion, step);
            if (!w.sent || w.unlock)
                continue;
            QVERIFY2(target.peek(w.reg) == source.peek(w.reg),
                     qPrintable(QString("register %1: %2 against %3, firmware %4")
                                    .arg(w.reg, 4, 16)
                                    .arg(target.peek(w.reg))
                                    .arg(source.peek(w.reg))
                                    .arg(m.deviceSlots[1].FirmwareVersion, 4, 16)));
        }
    }

    // A write queued in the middle of an upload goes out once; the rest of
    // the bulk read stays on its register.
    void writeQueuedMidUploadDoesNotRedirectTheRead() {
        TransferRig t('B');
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartUpload("UPLOAD"));
        EngineRequests& q = t.rig.engine->model().req;
        QVERIFY(t.runUntil([&] { return q.BulkReadCount >= 100; }));
        q.PendingRegister = 0x4701;
        q.PendingValue = 5;
        q.WritePending = true;
        QVERIFY(t.runUntil([&] { return !t.tview.done.empty(); }));
        const std::vector<Req> sent = t.sent();
        QCOMPARE(CountOf(sent, 3, 0x474C), 256);
        QCOMPARE(CountOf(sent, 6, 0x4701), 1);
        QCOMPARE(CountOf(sent, 3, 0x4701), 0);
    }

    // The device dropped in the middle: the progress is taken down and the
    // user told, nothing stays running.
    void transferEndedEarlyIsTold() {
        TransferRig t('B');
        QVERIFY(t.transfers.StartUpload("UPLOAD"));
        EngineRequests& q = t.rig.engine->model().req;
        QVERIFY(t.runUntil([&] { return q.BulkReadCount >= 10; }));
        QVERIFY(t.tview.shown);
        t.bus.devices[1].silent = true; // four time-outs drop it
        t.bus.override = nullptr;
        QVERIFY(t.runUntil([&] { return !t.tview.stopped.empty(); }));
        QVERIFY(!t.tview.shown);
        QVERIFY(t.tview.done.empty());
        QVERIFY(!q.BulkReadStart && !q.BulkReadActive && !t.transfers.running());
    }

    void downloadWritesTheFamilysSteps_data() {
        QTest::addColumn<char>("family");
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("byte257");
        QTest::addColumn<int>("byte15");
        QTest::addColumn<bool>("broadcast");
        QTest::addColumn<int>("dataWrites");
        QTest::addColumn<int>("unlocks");
        QTest::addColumn<int>("lastRegister");
        QTest::newRow("A, image 3.x to firmware 3.20: 21 writes")
            << 'A' << 0x320 << 3 << 0 << false << 21 << 0 << 0x471A;
        QTest::newRow("A, older device: 20 writes")
            << 'A' << 0x310 << 3 << 0 << false << 20 << 0 << 0x471A;
        QTest::newRow("A, image 2.x: 20 writes")
            << 'A' << 0x320 << 2 << 0 << false << 20 << 0 << 0x471A;
        QTest::newRow("B: 99 writes, 60 unlocked")
            << 'B' << 0x120 << 1 << 0 << false << 99 << 60 << 0x4726;
        QTest::newRow("C, byte 15 not 2: 25 writes")
            << 'C' << 0x120 << 1 << 1 << false << 25 << 0 << 0x4714;
        QTest::newRow("C, byte 15 is 2: 27 writes")
            << 'C' << 0x120 << 1 << 2 << false << 27 << 0 << 0x4703;
        QTest::newRow("B broadcast: unlock and data for each row")
            << 'B' << 0x120 << 1 << 0 << true << 99 << 60 << 0x4726;
    }
    void downloadWritesTheFamilysSteps() {
        QFETCH(char, family);
        QFETCH(int, firmware);
        QFETCH(int, byte257);
        QFETCH(int, byte15);
        QFETCH(bool, broadcast);
        QFETCH(int, dataWrites);
        QFETCH(int, unlocks);
        QFETCH(int, lastRegister);
        TransferRig t(family, std::uint16_t(firmware));
        ParameterImage& im = t.transfers.image;
        for (int i = 0; i < 256; ++i)
            im.bytes[std::size_t(i)] = std::uint8_t(i);
        im.bytes[15] = std::uint8_t(byte15);
        im.seal(std::uint8_t(family), std::uint16_t(byte257 << 8 | 0x20));
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartDownload(broadcast, "WRITE"));
        QVERIFY(t.runUntil([&] { return !t.rig.engine->model().req.DownloadActive; }));
        const int unlockReg = family == 'A' ? 0x471B : 0x472A;
        std::vector<Req> writes;
        for (const Req& r : t.sent())
            if (r.function == 6)
                writes.push_back(r);
        QCOMPARE(int(std::count_if(writes.begin(), writes.end(),
                                   [&](const Req& r) { return r.reg == unlockReg; })),
                 unlocks);
        std::vector<Req> data;
        for (const Req& r : writes)
            if (r.reg != unlockReg)
                data.push_back(r);
        QCOMPARE(int(data.size()), dataWrites);
        QCOMPARE(data.back().reg, lastRegister);
        for (const Req& r : writes)
            QCOMPARE(r.address, broadcast ? 0 : 1);
        if (family == 'A' && dataWrites == 21)
            QCOMPARE(data[19], (Req{1, 6, 0x4731, 11}));
        if (family == 'A' && dataWrites == 20)
            QCOMPARE(data[19].reg, 0x471A); // right after 0x470B
        if (family == 'B') {
            // every 0x474C row right after its own unlock; the last seven to 0x4726
            for (std::size_t i = 1; i < writes.size(); ++i)
                if (writes[i].reg == 0x474C)
                    QCOMPARE(writes[i - 1].reg, unlockReg);
            for (std::size_t i = data.size() - 7; i < data.size(); ++i)
                QCOMPARE(data[i].reg, 0x4726);
        }
        // Nothing stays queued behind the last step.
        const EngineRequests& q = t.rig.engine->model().req;
        QVERIFY(!q.WritePending && !q.UnlockPending && !q.BroadcastMode);
        QVERIFY(!t.tview.shown);
    }

    // In a broadcast each ASCII frame waits its 5 ticks, and nothing answers.
    void broadcastWaitsFiveTicksAFrame() {
        TransferRig t('C');
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartDownload(true, "WRITE ALL"));
        QVERIFY(t.runUntil([&] { return !t.rig.engine->model().req.DownloadActive; }));
        const std::size_t first = t.startFrame;
        for (std::size_t i = first + 1; i < first + 25; ++i) {
            const std::int64_t gap = t.rig.wire[i].atMs - t.rig.wire[i - 1].atMs;
            QVERIFY2(gap >= 5 * TimerTickMs && gap <= 7 * TimerTickMs,
                     qPrintable(QString::number(gap)));
        }
    }

    // A step the device never takes stops the download with a notice instead
    // of writing it for ever.
    void refusedStepStopsTheDownload() {
        TransferRig t('C');
        t.bus.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
            if (r.function == 6 && r.reg == 0x4704) // exception 0x86: refused
                return std::vector<Chunk>{{20, Frame({1, 0x86, 0x03}, false)}};
            return std::nullopt;
        };
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartDownload(false, "WRITE"));
        QVERIFY(t.runUntil([&] { return !t.rig.engine->model().req.DownloadActive; }));
        QCOMPARE(CountOf(t.sent(), 6, 0x4704), ParameterTransfers::MaxStepWrites);
        QCOMPARE(CountOf(t.sent(), 6, 0x4705), 0);
        QCOMPARE(t.tview.stopped.size(), std::size_t(1));
        QVERIFY2(t.tview.stopped[0].find("step 11") != std::string::npos &&
                     t.tview.stopped[0].find("0x4704") != std::string::npos,
                 t.tview.stopped[0].c_str());
        QVERIFY(!t.tview.shown);
        const EngineRequests& q = t.rig.engine->model().req;
        QVERIFY(!q.WritePending && !q.UnlockPending);
        QVERIFY(RunChecked(t.rig, 5000)); // status polling goes on
    }

    // A mismatching echo writes the same step again; the bar does not move.
    void echoMismatchRepeatsTheStep() {
        TransferRig t('C');
        bool spoilt = false;
        t.bus.override = [&](const Req& r) -> std::optional<std::vector<Chunk>> {
            if (r.function == 6 && r.reg == 0x4704 && !spoilt) {
                spoilt = true;
                return std::vector<Chunk>{
                    {20, Frame({1, 6, 0x47, 0x04, 0x12, 0x34}, false)}}; // another value
            }
            return std::nullopt;
        };
        t.startFrame = t.rig.wire.size();
        QVERIFY(t.transfers.StartDownload(false, "WRITE"));
        QVERIFY(t.runUntil([&] { return !t.rig.engine->model().req.DownloadActive; }));
        std::vector<Req> data;
        for (const Req& r : t.sent())
            if (r.function == 6)
                data.push_back(r);
        QCOMPARE(data.size(), std::size_t(26));
        QCOMPARE(data[10], data[11]); // step 10 (0x4704) twice
        QCOMPARE(data[10].reg, 0x4704);
        // progress: 0 at the start, one value a counted step, 0 again at the end
        QCOMPARE(t.tview.progress.size(), std::size_t(1 + 24 + 1));
    }
};

QTEST_GUILESS_MAIN(TestParameterTransfers)
#include "tst_parameter_transfers.moc"
