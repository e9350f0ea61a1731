#pragma once
// A monitor engine on virtual time with a recording view, over either the
// simulated controllers of sim/ ("sim") or a scripted line ("script") whose
// replies a test decides frame by frame. Every frame the PC writes is logged
// with its time.
#include "core/app_state.h"
#include "core/clock.h"
#include "core/codec.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/logic/recording_monitor_view.h"
#include "sim/lib/sim_bus.h"
#include "sim/lib/simulated_line.h"
#include "support/scripted_line.h"

#include <QByteArray>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zu::test {

struct WireFrame {
    std::int64_t atMs = 0;
    QByteArray bytes;
};

// Records what the PC writes, passes everything else through.
class TapLine : public SerialLine {
  public:
    TapLine(Clock& clock, std::unique_ptr<SerialLine> inner, std::vector<WireFrame>* wire,
            std::vector<WireFrame>* rx)
        : clock_(clock), inner_(std::move(inner)), wire_(wire), rx_(rx) {
        inner_->received = [this](const QByteArray& b) {
            rx_->push_back({clock_.nowMs(), b});
            if (received)
                received(b);
        };
        inner_->failed = [this](const QString& why) {
            if (failed)
                failed(why);
        };
    }
    bool open(const LineSettings& s, QString* error) override { return inner_->open(s, error); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    void applySettings(const LineSettings& s) override { inner_->applySettings(s); }
    bool write(const QByteArray& bytes) override {
        wire_->push_back({clock_.nowMs(), bytes});
        return inner_->write(bytes);
    }
    QString deviceName() const override { return inner_->deviceName(); }
    SerialLine& inner() { return *inner_; }

  private:
    Clock& clock_;
    std::unique_ptr<SerialLine> inner_;
    std::vector<WireFrame>* wire_;
    std::vector<WireFrame>* rx_;
};

class RigLines : public LineFactory {
  public:
    RigLines(Clock& clock, std::shared_ptr<sim::Bus> bus, std::vector<WireFrame>* wire,
             std::vector<WireFrame>* rx, Responder* responder)
        : clock_(clock), bus_(std::move(bus)), wire_(wire), rx_(rx), responder_(responder) {}
    std::unique_ptr<SerialLine> create(const QString& device) override {
        std::unique_ptr<SerialLine> inner;
        if (device == "sim") {
            auto line = std::make_unique<sim::SimulatedLine>(clock_, bus_);
            simLine = line.get();
            inner = std::move(line);
        } else {
            auto line =
                std::make_unique<ScriptedLine>(QStringLiteral("scripted line"), clock_, responder_);
            if (device != "script")
                line->openError = QStringLiteral("No such file or directory");
            scripted = line.get();
            inner = std::move(line);
        }
        return std::make_unique<TapLine>(clock_, std::move(inner), wire_, rx_);
    }
    sim::SimulatedLine* simLine = nullptr;
    ScriptedLine* scripted = nullptr;

  private:
    Clock& clock_;
    std::shared_ptr<sim::Bus> bus_;
    std::vector<WireFrame>* wire_;
    std::vector<WireFrame>* rx_;
    Responder* responder_;
};

inline PortDirectory RigPorts() {
    PortDirectory p;
    p.set(1, "sim");
    p.set(2, "script");
    p.set(3, "/dev/missing-adapter");
    return p;
}

enum class Via { Sim = 1, Script = 2, Missing = 3 };

struct Rig {
    VirtualClock clock;
    std::shared_ptr<sim::Bus> bus = std::make_shared<sim::Bus>(clock);
    std::vector<WireFrame> wire, rx;
    Responder responder;
    RigLines lines{clock, bus, &wire, &rx, &responder};
    AppState app{clock, lines, RigPorts()};
    RecordingMonitorView view;
    std::unique_ptr<MonitorEngine> engine;
    bool rtu;

    // ASCII: 9600 7E1; RTU: `baud` 8N1.
    Rig(bool rtuMode, Via via, int baud = 9600) : rtu(rtuMode) {
        app.ScaleWidth = 808;
        // port, baud, data bits, stop bits, parity code, RTU
        app.Com = rtuMode ? ComSetting{int(via), baud, 8, 1, 0, true}
                          : ComSetting{int(via), 9600, 7, 1, 1, false};
        engine = std::make_unique<MonitorEngine>(app, view);
        engine->FormShow();
    }
    sim::Device& device(char family, int address) {
        sim::DeviceSetting s;
        if (rtu) {
            s.line = {app.Com.ComBaud, 8, LineParity::None, 1};
            s.framing = sim::Framing::Rtu;
        }
        return bus->addDevice(family, std::uint8_t(address), s);
    }
    void setAddresses(std::array<std::uint16_t, 4> a) { engine->ComAddr0Change(0, a); }
    Req req(std::size_t i) const { return Decode(wire.at(i).bytes, rtu); }
    std::vector<Req> reqs(std::size_t from = 0) const {
        std::vector<Req> out;
        for (std::size_t i = from; i < wire.size(); ++i)
            out.push_back(req(i));
        return out;
    }
    // Runs until n frames more have gone out (or maxMs passed).
    bool runFrames(std::size_t n, std::int64_t maxMs = 60000) {
        const std::size_t target = wire.size() + n;
        return clock.advanceUntil([&] { return wire.size() >= target; }, maxMs);
    }
    // Lets the frame just sent be answered and handled, without the next.
    void settle(std::int64_t ms = 3000) { runFrames(1, ms); }
};

// A scripted bus of well-behaved devices: identification by family, reads from
// a register map (0 where unset), writes echoed and stored.
struct FakeDevice {
    char family = 'B';
    std::map<int, std::uint16_t> regs;
    int turnaroundMs = 5;
    bool silent = false;
};

struct FakeBus {
    std::map<int, FakeDevice> devices;
    bool rtu = false;
    // Replaces the reply to the next request that matches; returns the chunks.
    std::function<std::optional<std::vector<Chunk>>(const Req&)> override;

    std::vector<Chunk> answer(const Req& r, const QByteArray& raw) {
        if (override)
            if (auto c = override(r))
                return *c;
        auto it = devices.find(r.address);
        if (it == devices.end() || it->second.silent)
            return {};
        FakeDevice& d = it->second;
        QByteArray reply;
        if (r.function == 0x67) {
            if (d.family == 'A')
                reply = Frame({std::uint8_t(r.address), 0xE7, 0x01}, rtu);
            else
                reply = Frame(ReadPdu(r.address, 0x67, {2, std::uint16_t(d.family - 'A'), 7}), rtu);
        } else if (r.function == 0x03) {
            std::vector<std::uint16_t> w;
            for (int i = 0; i < r.operand; ++i)
                w.push_back(d.regs.count(r.reg + i) ? d.regs[r.reg + i] : 0);
            reply = Frame(ReadPdu(r.address, 3, w), rtu);
        } else if (r.function == 0x06) {
            d.regs[r.reg] = std::uint16_t(r.operand);
            reply = raw;
        }
        return {{d.turnaroundMs + (rtu ? 3 : 20), reply}};
    }
    Responder responder() {
        return [this](const Req& r, const QByteArray& raw) { return answer(r, raw); };
    }
};

// The first n requests as "AA FF RRRR OOOO" texts, and a list of them in one line.
inline std::vector<std::string> Strings(const std::vector<Req>& reqs,
                                        std::size_t n = std::size_t(-1)) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < reqs.size() && i < n; ++i)
        out.push_back(Describe(reqs[i]));
    return out;
}

inline QString Join(const std::vector<std::string>& v) {
    QStringList l;
    for (auto& s : v)
        l << QString::fromStdString(s);
    return l.join(" | ");
}

// Steps virtual time event by event; the engine must never be left waiting
// with nothing in flight.
inline bool RunChecked(Rig& rig, std::int64_t ms) {
    const std::int64_t end = rig.clock.nowMs() + ms;
    while (rig.clock.nowMs() < end) {
        if (!rig.clock.step())
            break;
        if (!rig.engine->consistent())
            return false;
    }
    rig.clock.advance(std::max<std::int64_t>(0, end - rig.clock.nowMs()));
    return rig.engine->consistent();
}

} // namespace zu::test
