#pragma once
// A serial line for tests: records what the program sends and settings it
// applies, and delivers replies the test decides: pushed at once, in any
// chunking, or answered frame by frame by a responder on the virtual clock.
// It can also be broken as an unplugged adapter would.
#include "core/clock.h"
#include "core/codec.h"
#include "core/serial_line.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zu::test {

// A request as the PC sent it.
struct Req {
    int address = -1, function = -1, reg = -1, operand = -1;
    bool operator==(const Req&) const = default;
};

inline Req Decode(const QByteArray& f, bool rtu) {
    std::vector<std::uint8_t> b;
    if (rtu) {
        b.assign(f.begin(), f.end());
    } else {
        for (int i = 1; i + 1 < f.size() - 2; i += 2)
            b.push_back(std::uint8_t(codec::HexPairToByte(f[i], f[i + 1])));
    }
    if (b.size() < 6)
        return {};
    return {b[0], b[1], b[2] * 256 + b[3], b[4] * 256 + b[5]};
}

inline std::string Describe(const Req& r) {
    char s[40];
    std::snprintf(s, sizeof s, "%02X %02X %04X %04X", r.address, r.function, r.reg, r.operand);
    return s;
}

// Frames of a reply PDU (address, function, data...) with its check.
inline QByteArray Frame(const std::vector<std::uint8_t>& pdu, bool rtu) {
    QByteArray out;
    if (rtu) {
        out.append(reinterpret_cast<const char*>(pdu.data()), qsizetype(pdu.size()));
        const std::uint16_t crc = codec::Crc16(pdu.data(), pdu.size());
        out.append(char(crc & 0xFF));
        out.append(char(crc >> 8));
        return out;
    }
    out.append(':');
    unsigned sum = 0;
    for (auto b : pdu) {
        out.append(codec::ByteToHex(b).c_str());
        sum += b;
    }
    out.append(codec::ByteToHex(int((0x10000 - sum) & 0xFF)).c_str());
    out.append("\r\n");
    return out;
}

inline std::vector<std::uint8_t> ReadPdu(int address, int function,
                                         const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> p{std::uint8_t(address), std::uint8_t(function),
                                std::uint8_t(2 * words.size())};
    for (auto w : words) {
        p.push_back(std::uint8_t(w >> 8));
        p.push_back(std::uint8_t(w));
    }
    return p;
}

// One scripted reply: its chunks and when each arrives after the request.
struct Chunk {
    std::int64_t afterMs = 0;
    QByteArray bytes;
};
using Responder = std::function<std::vector<Chunk>(const Req&, const QByteArray& raw)>;

class ScriptedLine : public SerialLine {
  public:
    explicit ScriptedLine(QString name = QStringLiteral("scripted")) : name_(std::move(name)) {}
    // Answers each written frame through *responder, its chunks delivered on `clock`.
    ScriptedLine(QString name, Clock& clock, Responder* responder)
        : name_(std::move(name)), clock_(&clock), responder_(responder) {}
    ~ScriptedLine() override { *alive_ = false; }

    bool open(const LineSettings& s, QString* error) override {
        if (!openError.isEmpty()) {
            *error = openError;
            return false;
        }
        settings = s;
        settingsHistory << s;
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void applySettings(const LineSettings& s) override {
        settings = s;
        settingsHistory << s;
    }
    bool write(const QByteArray& bytes) override {
        if (!open_)
            return false;
        written << bytes;
        if (clock_ && responder_ && *responder_) {
            const bool rtu = !bytes.startsWith(':');
            for (const Chunk& c : (*responder_)(Decode(bytes, rtu), bytes))
                inject(c.bytes, c.afterMs);
        }
        return true;
    }
    QString deviceName() const override { return name_; }

    // Bytes arriving now.
    void push(const QByteArray& bytes) {
        if (open_ && received)
            received(bytes);
    }
    // Bytes arriving afterMs from now on the clock (needs the clock constructor).
    void inject(const QByteArray& bytes, std::int64_t afterMs) {
        std::weak_ptr<bool> alive = alive_;
        clock_->callAfter(afterMs, [this, alive, bytes] {
            if (!alive.expired())
                push(bytes);
        });
    }
    void breakLine(const QString& why = QStringLiteral("scripted line unplugged")) {
        open_ = false;
        if (failed)
            failed(why);
    }

    LineSettings settings;
    QList<LineSettings> settingsHistory;
    QList<QByteArray> written;
    QString openError;

  private:
    QString name_;
    Clock* clock_ = nullptr;
    Responder* responder_ = nullptr;
    bool open_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Hands out ScriptedLines and keeps a pointer to the last one made.
class ScriptedLineFactory : public LineFactory {
  public:
    std::unique_ptr<SerialLine> create(const QString& device) override {
        auto line = std::make_unique<ScriptedLine>(device);
        line->openError = nextOpenError;
        last = line.get();
        devices << device;
        ++created;
        return line;
    }
    ScriptedLine* last = nullptr;
    QStringList devices;
    QString nextOpenError;
    int created = 0;
};

} // namespace zu::test
