#pragma once
// The protocol window's port on a simulated line of the test's own
// controllers, on virtual time; every frame the PC puts on the wire is kept
// with the line setting it went out in.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "sim/lib/simulated_line.h"
#include "sim/lib/standard_line_factory.h"

#include <QByteArray>
#include <memory>
#include <vector>

namespace zu::test {

struct WireFrame {
    QByteArray bytes;
    LineSettings line;
    std::int64_t atMs = 0;
};

class RecordingLine : public sim::SimulatedLine {
  public:
    RecordingLine(Clock& clock, std::shared_ptr<sim::Bus> bus, std::vector<WireFrame>& log)
        : SimulatedLine(clock, std::move(bus)), clock_(clock), log_(log) {}
    bool open(const LineSettings& s, QString* error) override {
        line_ = s;
        return SimulatedLine::open(s, error);
    }
    void applySettings(const LineSettings& s) override {
        line_ = s;
        SimulatedLine::applySettings(s);
    }
    bool write(const QByteArray& bytes) override {
        log_.push_back({bytes, line_, clock_.nowMs()});
        return SimulatedLine::write(bytes);
    }
    static inline RecordingLine* last = nullptr;

  private:
    Clock& clock_;
    std::vector<WireFrame>& log_;
    LineSettings line_;
};

class RecordingFactory : public LineFactory {
  public:
    RecordingFactory(Clock& clock, std::shared_ptr<sim::Bus> bus) : clock_(clock), bus_(bus) {}
    std::unique_ptr<SerialLine> create(const QString&) override {
        auto line = std::make_unique<RecordingLine>(clock_, bus_, frames);
        RecordingLine::last = line.get();
        return line;
    }
    std::vector<WireFrame> frames;

  private:
    Clock& clock_;
    std::shared_ptr<sim::Bus> bus_;
};

// COM1 is the simulated line; COM5 is assigned to nothing.
struct ProtocolLineRig {
    VirtualClock clock;
    std::shared_ptr<sim::Bus> bus = std::make_shared<sim::Bus>(clock);
    RecordingFactory lines{clock, bus};
    std::unique_ptr<AppState> state;
    std::unique_ptr<ReplyGathering> replies;

    ProtocolLineRig() {
        PortDirectory pd;
        pd.set(1, QStringLiteral("sim"));
        state = std::make_unique<AppState>(clock, lines, pd);
        state->BuildPortPresent();
        replies = std::make_unique<ReplyGathering>(*state);
    }
    std::vector<WireFrame>& frames() { return lines.frames; }
};

inline QByteArray Hex(const char* spaced) {
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
}

} // namespace zu::test
