// Upload of a whole parameter memory (256 index/value replies) on virtual
// time from a simulated family-B controller, against its wire-time bound:
// for each frame its characters and its reply's at the line's bits per
// character and baud, plus the device's turnaround.
#include "monitor/logic/parameter_transfers.h"
#include "tests/monitor/engine_rig.h"

#include <cstdio>

using namespace zu;
using namespace zu::test;

namespace {

struct DoneView : TransferView {
    VirtualClock* clock = nullptr;
    std::int64_t doneAtMs = -1;
    void showTransferProgress(bool, const std::string&) override {}
    void setTransferProgress(int) override {}
    void showUploadDone(const std::string&) override { doneAtMs = clock->nowMs(); }
    void showTransferStopped(const std::string&) override {}
};

void Run(const char* name, bool rtu, int baud) {
    Rig rig(rtu, Via::Sim, baud);
    rig.device('B', 1);
    rig.view.keepLog = false;
    DoneView view;
    view.clock = &rig.clock;
    ParameterTransfers transfers(rig.engine->model(), rig.view, view);
    rig.engine->setTransferHooks(&transfers);
    rig.setAddresses({1, 1, 1, 1});
    rig.engine->RunBt0Click(0);
    MonitorModel& m = rig.engine->model();
    rig.clock.advanceUntil(
        [&] { return m.deviceSlots[0].ComWriteEnabled == 1 && m.RequestKind == 2; }, 60000);
    const std::size_t from = rig.wire.size();
    transfers.StartUpload("UPLOAD");
    rig.clock.advanceUntil([&] { return view.doneAtMs >= 0; }, 600000);

    const LineSettings line = rtu ? LineSettings{baud, 8, LineParity::None, 1}
                                  : LineSettings{9600, 7, LineParity::Even, 1};
    const double msPerChar = 1000.0 * line.bitsPerChar() / line.baud;
    const int turnaround = rig.bus->at(0).turnaroundMs();
    std::size_t first = from;
    while (first < rig.wire.size() && rig.req(first).reg != 0x474C)
        ++first;
    double bound = 0;
    int frames = 0;
    std::size_t k = 0;
    for (std::size_t i = first; i < rig.wire.size() && frames < 256; ++i) {
        if (rig.req(i).reg != 0x474C)
            continue;
        while (k < rig.rx.size() && rig.rx[k].atMs <= rig.wire[i].atMs)
            ++k;
        std::size_t replyChars = 0;
        const std::int64_t next = i + 1 < rig.wire.size() ? rig.wire[i + 1].atMs : view.doneAtMs;
        for (std::size_t j = k; j < rig.rx.size() && rig.rx[j].atMs <= next; ++j)
            replyChars += std::size_t(rig.rx[j].bytes.size());
        bound += double(rig.wire[i].bytes.size() + replyChars) * msPerChar + turnaround;
        ++frames;
    }
    const double measured = double(view.doneAtMs - rig.wire[first].atMs);
    std::printf("%-16s frames %3d  upload %8.1f ms  bound %8.1f ms  ratio %.4f\n", name, frames,
                measured, bound, bound > 0 ? measured / bound : 0);
}

} // namespace

int main() {
    std::printf("bench_upload: 256-reply parameter upload from a simulated family-B controller, "
                "virtual time\n");
    Run("ASCII 9600 7E1", false, 9600);
    Run("RTU 38400 8N1", true, 38400);
    return 0;
}
