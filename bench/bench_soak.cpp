// A day of polling on virtual time: four controllers on the simulated line
// with random faults (silence, noise, bad checksums, truncation, a reply
// naming another slot's address) and now and then a controller that leaves
// the line for a while and comes back, when it is connected again as a
// technician would. Checked at every event: something is in flight, or the
// engine is idle by rule. At the end the error count of every slot must equal
// the answers its controller spoiled, and memory must not have grown.
//   bench_soak [HOURS] [rtu]   (default 24 hours, ASCII 9600 7E1)
#include "poll_bound.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

using namespace zu;
using namespace zu::test;

namespace {

long RssKb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return rss * 4;
}

} // namespace

int main(int argc, char** argv) {
    const int hours = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    const bool rtu = argc > 2 && std::strcmp(argv[2], "rtu") == 0;
    Rig rig(rtu, Via::Sim, 38400);
    rig.view.keepLog = false;
    const char families[4] = {'B', 'C', 'B', 'C'};
    std::array<sim::Device*, 4> dev{};
    for (int i = 0; i < 4; ++i)
        dev[i] = &rig.device(families[i], i + 1);
    rig.setAddresses({1, 2, 3, 4});
    for (int i = 0; i < 4; ++i)
        rig.engine->RunBt0Click(i);

    std::mt19937 rng(20240611);
    std::array<int, 4> pending{};  // 1 + fault kind to put on the next answer
    std::array<bool, 4> oneShot{}; // a single-answer fault is on
    std::array<bool, 4> away{};    // the controller has left the line
    std::array<long, 4> injected{};
    long departures = 0;
    rig.bus->observer = [&](const sim::Device& d, const sim::Request&) {
        const int i = d.address() - 1;
        if (i < 0 || i > 3)
            return;
        if (oneShot[i]) {
            dev[i]->faults().clear();
            oneShot[i] = false;
        }
        if (pending[i] && !away[i]) {
            dev[i]->faults().push_back({sim::FaultKind(pending[i] - 1), 1, 0});
            pending[i] = 0;
            oneShot[i] = true;
            ++injected[i];
        }
    };
    const sim::FaultKind kinds[] = {sim::FaultKind::Silence, sim::FaultKind::BadChecksum,
                                    sim::FaultKind::Truncated, sim::FaultKind::Noise,
                                    sim::FaultKind::WrongAddress};

    const std::int64_t dayMs = std::int64_t(hours) * 3600 * 1000;
    std::int64_t nextFault = 20000, nextDeparture = 3600 * 1000, returnAt = -1, nextCheck = 1000;
    int awaySlot = -1;
    long stalls = 0, steps = 0, halts = 0;
    std::size_t framesTotal = 0;
    long rssAfterFirstHour = 0, rssLastHour = 0;
    std::int64_t nextHour = 3600 * 1000;
    while (rig.clock.nowMs() < dayMs) {
        if (!rig.clock.step())
            break;
        ++steps;
        if (rig.wire.size() >= 4096) { // the test's own frame log stays small
            framesTotal += rig.wire.size();
            rig.wire.clear();
            rig.rx.clear();
        }
        if (!rig.engine->consistent())
            ++stalls;
        const std::int64_t now = rig.clock.nowMs();
        if (now >= nextFault) {
            nextFault = now + 5000 + std::int64_t(rng() % 50000);
            const int i = int(rng() % 4);
            // A reply naming the next address: only where that is another slot's.
            const int k = int(rng() % (i == 3 ? 4 : 5));
            if (!away[i] && !pending[i])
                pending[i] = int(kinds[k]) + 1;
        }
        if (now >= nextDeparture && awaySlot < 0) {
            awaySlot = int(rng() % 4);
            away[awaySlot] = true;
            pending[awaySlot] = 0;
            oneShot[awaySlot] = false;
            dev[awaySlot]->faults().assign(1, {sim::FaultKind::Silence, 1, 0});
            returnAt = now + 60000;
            nextDeparture = now + 2 * 3600 * 1000;
            ++departures;
        }
        if (awaySlot >= 0 && now >= returnAt) {
            dev[awaySlot]->faults().clear();
            away[awaySlot] = false;
            awaySlot = -1;
        }
        if (now >= nextCheck) {
            nextCheck = now + 1000;
            if (rig.engine->state() == MonitorEngine::State::Halted)
                ++halts;
            for (int i = 0; i < 4; ++i)
                if (!rig.engine->model().deviceSlots[i].connected && !away[i])
                    rig.engine->RunBt0Click(i); // back on the line: connect again
        }
        if (now >= nextHour) {
            nextHour += 3600 * 1000;
            rssLastHour = RssKb();
            if (rssAfterFirstHour == 0)
                rssAfterFirstHour = rssLastHour;
        }
    }
    framesTotal += rig.wire.size();

    std::printf("bench_soak: %d h virtual, %s, four slots (B, C, B, C)\n", hours,
                rtu ? "RTU 38400 8N1" : "ASCII 9600 7E1");
    std::printf("events %ld  frames %zu  departures %ld  stalls %ld  halted checks %ld\n", steps,
                framesTotal, departures, stalls, halts);
    bool match = true;
    for (int i = 0; i < 4; ++i) {
        const auto& s = rig.engine->model().deviceSlots[i];
        const int spoiled = dev[i]->counters.faulted;
        const int exceptions = dev[i]->counters.exceptions;
        std::printf("slot %d: injected %ld, answers spoiled %d, exceptions %d, engine errors %u, "
                    "exec %u\n",
                    i, injected[i], spoiled, exceptions, s.errorCount, s.execCount);
        match = match && long(s.errorCount) == long(spoiled) + exceptions;
    }
    std::printf("error counts %s the faults injected\n", match ? "match" : "DO NOT match");
    std::printf("memory: RSS %ld kB after the first hour, %ld kB after the last\n",
                rssAfterFirstHour, rssLastHour);
    return match && stalls == 0 && halts == 0 ? 0 : 1;
}
