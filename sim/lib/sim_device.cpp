#include "sim/lib/sim_device.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zu::sim {

namespace {

constexpr std::size_t kLogLimit = 4096;
constexpr int kMaxReadCount = 8;
constexpr std::int64_t kTuneMs = 90000;

std::int32_t asSigned(std::uint16_t v) {
    return std::int16_t(v);
}

} // namespace

Device::Device(char family, std::uint8_t address, Clock& clock, DeviceSetting setting)
    : layout_(layoutOf(family)), roles_(layout_.roles), clock_(clock), address_(address),
      setting_(setting) {
    restoreDefaults();
    raw_.fill(0xFF);
    for (std::size_t f = 0; f < layout_.memory.size(); ++f) {
        const MemoryField& m = layout_.memory[f];
        for (int i = 0; i < m.width && m.offset + i < 256; ++i)
            memoryIndex_[std::size_t(m.offset + i)] = int(f) + 1;
    }
    process_.setValue(clock_.nowMs(), process_.ambient());
}

void Device::restoreDefaults() {
    for (const RegisterInfo& s : layout_.registers)
        store(s.reg, s.initial);
    programActive_ = false;
    tuneEndMs_ = -1;
}

const RegisterInfo* Device::registerInfo(std::uint16_t reg) const {
    auto it = std::lower_bound(layout_.registers.begin(), layout_.registers.end(), reg,
                               [](const RegisterInfo& s, std::uint16_t r) { return s.reg < r; });
    if (it != layout_.registers.end() && it->reg == reg)
        return &*it;
    // Family tables are sorted except for the few registers outside the main
    // window appended at the end.
    for (const RegisterInfo& s : layout_.registers)
        if (s.reg == reg)
            return &s;
    return nullptr;
}

int Device::slot(std::uint16_t reg) {
    if ((reg & 0xFF00) == 0x4700)
        return reg & 0xFF;
    if ((reg & 0xFF00) == 0x1000)
        return 256 + (reg & 0xFF);
    return -1;
}

void Device::store(std::uint16_t reg, std::int32_t value) {
    const int i = slot(reg);
    if (i >= 0)
        regs_[std::size_t(i)] = std::uint16_t(value);
}

std::int32_t Device::stored(std::uint16_t reg) const {
    const int i = slot(reg);
    return i < 0 ? 0 : asSigned(regs_[std::size_t(i)]);
}

// --- process --------------------------------------------------------------

bool Device::programMode() const {
    return layout_.family != 'A' && stored(roles_.ctrlSet) == 3;
}

double Device::target() const {
    const std::int32_t run = stored(roles_.runStop);
    if (run == 0)
        return process_.ambient();
    if (programActive_)
        return programPos_.setValue;
    return stored(roles_.sv);
}

void Device::startOrStopProgram() {
    const std::int64_t now = clock_.nowMs();
    const std::int32_t run = stored(roles_.runStop);
    const bool wanted = programMode() && (run == 1 || run == 3);
    if (wanted && !programActive_) {
        program_ = {};
        program_.startPattern = stored(kProgramFirst) & 7;
        for (int p = 0; p < 8; ++p) {
            program_.lastStep[std::size_t(p)] = stored(std::uint16_t(0x4768 + p));
            program_.loops[std::size_t(p)] = stored(std::uint16_t(0x4770 + p));
            program_.link[std::size_t(p)] = stored(std::uint16_t(0x4778 + p));
        }
        for (int k = 0; k < 64; ++k) {
            program_.setValue[std::size_t(k)] = stored(std::uint16_t(kProgramStepsFirst + 2 * k));
            program_.minutes[std::size_t(k)] =
                stored(std::uint16_t(kProgramStepsFirst + 2 * k + 1));
        }
        programActive_ = true;
        programStartSv_ = process_.value();
        programBankedMs_ = 0;
        programResumedMs_ = -1;
    }
    if (!wanted)
        programActive_ = false;
    if (programActive_) {
        const bool running = run == 1;
        if (running && programResumedMs_ < 0)
            programResumedMs_ = now;
        if (!running && programResumedMs_ >= 0) {
            programBankedMs_ += now - programResumedMs_;
            programResumedMs_ = -1;
        }
    }
}

void Device::update() {
    const std::int64_t now = clock_.nowMs();
    if (programActive_) {
        const std::int64_t elapsed =
            programBankedMs_ + (programResumedMs_ >= 0 ? now - programResumedMs_ : 0);
        programPos_ = programPosition(program_, programStartSv_, elapsed);
    }
    if (tuneEndMs_ >= 0 && now >= tuneEndMs_) {
        // Auto-tuning found its terms.
        tuneEndMs_ = -1;
        store(roles_.autoTune, 0);
        store(roles_.pb, 52);
        store(std::uint16_t(roles_.pb + 1), 236);
        store(std::uint16_t(roles_.pb + 2), 59);
    }
    process_.advance(now, target());
}

int Device::outputPercentTenths() const {
    if (stored(roles_.runStop) == 0)
        return 0;
    const double sv = target();
    double error = sv - process_.value();
    if (stored(roles_.heatCool) & 1)
        error = -error;
    const double band = std::max<std::int32_t>(stored(roles_.pb), 1);
    const double hold = std::clamp((sv - process_.ambient()) / 40.0, 0.0, 60.0);
    return int(std::lround(std::clamp(100.0 * error / band + hold, 0.0, 100.0) * 10));
}

bool Device::alarmActive(int n) const {
    const std::uint16_t modeReg = roles_.alarmMode[n];
    if (!modeReg)
        return false;
    const double pv = process_.value();
    const double sv = stored(roles_.sv);
    const double hi = stored(roles_.alarmHigh[n]);
    const double lo = stored(roles_.alarmLow[n]);
    switch (stored(modeReg)) {
    case 1:
    case 8:
        return pv > sv + hi || pv < sv - lo;
    case 2:
    case 9:
    case 11:
        return pv > sv + hi;
    case 3:
    case 10:
    case 12:
        return pv < sv - lo;
    case 4:
        return pv >= sv - lo && pv <= sv + hi;
    case 5:
        return pv > hi || pv < lo;
    case 6:
        return pv > hi;
    case 7:
        return pv < lo;
    default:
        return false;
    }
}

std::uint8_t Device::lampBits() {
    const std::int64_t now = clock_.nowMs();
    const int out = outputPercentTenths();
    // A time-proportioned output is on for its share of each control period.
    const std::int64_t period =
        std::int64_t(std::max<std::int32_t>(stored(roles_.period), 1)) * 1000;
    const bool out1 = out > 0 && (now % period) * 1000 < std::int64_t(out) * period;
    const bool out2 = (stored(roles_.heatCool) >= 2) && !out1 && out == 0 &&
                      process_.value() > stored(roles_.sv) + 10;
    const bool tuning = tuneEndMs_ >= 0;
    const std::int32_t unit = stored(roles_.unit);
    if (layout_.family == 'A') {
        return std::uint8_t((alarmActive(0) ? 0x20 : 0) | (alarmActive(1) ? 0x10 : 0) |
                            (unit == 1 ? 0x08 : 0) | (unit == 0 ? 0x04 : 0) | (out1 ? 0x40 : 0) |
                            (tuning ? 0x80 : 0));
    }
    return std::uint8_t((alarmActive(2) ? 0x01 : 0) | (alarmActive(1) ? 0x02 : 0) |
                        (unit == 1 ? 0x04 : 0) | (unit == 0 ? 0x08 : 0) |
                        (alarmActive(0) ? 0x10 : 0) | (out2 ? 0x20 : 0) | (out1 ? 0x40 : 0) |
                        (tuning ? 0x80 : 0));
}

// --- reads ----------------------------------------------------------------

std::uint16_t Device::rampSoakByte(int index) const {
    const int k = (index & 255) / 4;
    const std::uint16_t reg = std::uint16_t(kProgramStepsFirst + 2 * k + ((index & 2) ? 1 : 0));
    const std::uint16_t word = std::uint16_t(stored(reg));
    return (index & 1) ? std::uint16_t(word & 0xFF) : std::uint16_t(word >> 8);
}

std::uint8_t Device::memoryRead(int index) {
    const int f = memoryIndex_[std::size_t(index & 255)];
    if (!f)
        return raw_[std::size_t(index & 255)];
    const MemoryField& m = layout_.memory[std::size_t(f - 1)];
    // The status word is kept as bits the device computes; the rest as stored.
    const std::uint16_t word =
        m.reg == roles_.statusWord ? readValue(m.reg, false) : std::uint16_t(stored(m.reg));
    if (m.width == 1)
        return std::uint8_t(word & 0xFF);
    return index == m.offset ? std::uint8_t(word >> 8) : std::uint8_t(word & 0xFF);
}

void Device::memoryWrite(int index, std::uint8_t byte) {
    const int f = memoryIndex_[std::size_t(index & 255)];
    if (!f) {
        raw_[std::size_t(index & 255)] = byte;
        return;
    }
    const MemoryField& m = layout_.memory[std::size_t(f - 1)];
    std::uint16_t word = std::uint16_t(stored(m.reg));
    if (m.width == 1)
        word = byte;
    else if (index == m.offset)
        word = std::uint16_t((word & 0x00FF) | byte << 8);
    else
        word = std::uint16_t((word & 0xFF00) | byte);
    store(m.reg, word);
}

std::uint8_t Device::memoryByte(int index) {
    return memoryRead(index);
}

std::uint16_t Device::readValue(std::uint16_t reg, bool advance) {
    const Roles& r = roles_;
    const Fault* pvFault = nullptr;
    for (const Fault& f : faults_)
        if (f.kind == FaultKind::PvStatus)
            pvFault = &f;
    if (reg == r.pv) {
        if (pvFault)
            return std::uint16_t(0x8000 | (pvFault->param & 0xFF));
        return std::uint16_t(std::lround(process_.reading()));
    }
    if (r.pvStatus && reg == r.pvStatus)
        return pvFault ? std::uint16_t(pvFault->param & 0xFF) : 0;
    if (reg == r.lamps)
        return lampBits();
    if (reg == r.flags)
        return 0x0001; // parameters unchanged since the last read
    if (reg == r.firmware)
        return layout_.firmwareVersion;
    if (reg == r.coldJunction)
        return std::uint16_t(250 + std::lround(3 * std::sin(double(clock_.nowMs()) / 60000.0)));
    if (reg == r.voltage) // thermocouple e.m.f. in microvolts / 10
        return std::uint16_t(std::lround((process_.value() - 250) * 0.41));
    if (r.outPercent && reg == r.outPercent)
        return std::uint16_t(outputPercentTenths() / 10);
    if (r.out1 && reg == r.out1 && stored(r.ctrlSet) != 2)
        return std::uint16_t(outputPercentTenths());
    if (r.out2 && reg == r.out2 && stored(r.ctrlSet) != 2)
        return std::uint16_t((stored(r.heatCool) >= 2 && outputPercentTenths() == 0 &&
                              process_.value() > stored(r.sv))
                                 ? std::min(1000, int((process_.value() - stored(r.sv)) * 20))
                                 : 0);
    if (reg == r.statusWord) {
        const std::uint16_t word = std::uint16_t(stored(reg));
        const unsigned com = stored(r.comWrite) & 1;
        if (layout_.family == 'A')
            return std::uint16_t((word & 0x0A) | com | ((stored(r.heatCool) & 1) << 2));
        return std::uint16_t((word & ~0x21u) | com | (programActive_ ? 0x20 : 0));
    }
    if (reg == r.lock && layout_.family == 'A') {
        // Family A keeps the lock as flags: 2 lock all, 4 all but the SV.
        const std::int32_t v = stored(reg);
        return std::uint16_t(v == 1 ? 2 : v == 11 ? 4 : 0);
    }
    if (r.programRunning) {
        if (reg == r.programRunning)
            return programActive_ && programPos_.running ? 1 : 0;
        if (reg == r.programSv)
            return std::uint16_t(std::lround(programActive_ ? programPos_.setValue : 0));
        if (reg >= kProgramDisplay + 1 && reg <= kProgramDisplay + 4) {
            const std::int64_t leftS = programActive_ ? (programPos_.leftMs + 999) / 1000 : 0;
            switch (reg - kProgramDisplay) {
            case 1:
                return std::uint16_t(leftS);
            case 2:
                return std::uint16_t(leftS / 60);
            case 3:
                return std::uint16_t(programActive_ ? programPos_.step : 0);
            default:
                return std::uint16_t(programActive_ ? programPos_.pattern : 0);
            }
        }
    }
    if (reg == kSecurityWord)
        return layout_.family == 'C' ? security_.word() : 0;
    if (reg == r.autoTune)
        return tuneEndMs_ >= 0 ? 1 : 0;
    if (r.parameterMemory && reg == r.parameterMemory) {
        const std::uint8_t i = parameterPointer_;
        if (advance)
            ++parameterPointer_;
        return std::uint16_t(i << 8 | memoryRead(i));
    }
    if (r.rampSoakMemory && reg == r.rampSoakMemory) {
        const std::uint8_t i = rampSoakPointer_;
        if (advance)
            ++rampSoakPointer_;
        return std::uint16_t(i << 8 | rampSoakByte(i));
    }
    return std::uint16_t(stored(reg));
}

std::uint16_t Device::peek(std::uint16_t reg) {
    update();
    return readValue(reg, false);
}

void Device::poke(std::uint16_t reg, std::uint16_t value) {
    update();
    store(reg, value);
    startOrStopProgram();
}

std::vector<std::uint8_t> Device::exception(const Request& r, std::uint8_t code) {
    ++counters.exceptions;
    return {address_, std::uint8_t(r.function | 0x80), code};
}

std::vector<std::uint8_t> Device::identification(const Request& r) {
    // Family A predates the identification function and refuses it.
    if (layout_.family == 'A')
        return exception(r, exc::IllegalFunction);
    const int count = r.operand;
    if (count < 1 || r.reg < kIdentification || r.reg + count > kIdentification + 3)
        return exception(r, exc::IllegalAddress);
    const std::uint16_t words[3] = {2, std::uint16_t(layout_.family - 'A'),
                                    layout_.identificationModel};
    std::vector<std::uint8_t> out = {address_, r.function, std::uint8_t(2 * count)};
    for (int i = 0; i < count; ++i) {
        const std::uint16_t w = words[r.reg - kIdentification + i];
        out.push_back(std::uint8_t(w >> 8));
        out.push_back(std::uint8_t(w & 0xFF));
    }
    return out;
}

std::vector<std::uint8_t> Device::readReply(const Request& r) {
    const int count = r.operand;
    if (count < 1 || count > kMaxReadCount)
        return exception(r, exc::IllegalData);
    if (r.reg < layout_.firstRegister || r.reg + count - 1 > layout_.lastRegister)
        return exception(r, exc::IllegalAddress);
    for (int i = 0; i < count; ++i) {
        const std::uint16_t reg = std::uint16_t(r.reg + i);
        if (layout_.family == 'C' && !security_.mayRead(reg))
            return exception(r, exc::IllegalCommand);
        if (layout_.family == 'A' && reg == roles_.parameterMemory && !unlocked_)
            return exception(r, exc::IllegalCommand);
    }
    std::vector<std::uint8_t> out = {address_, r.function, std::uint8_t(2 * count)};
    for (int i = 0; i < count; ++i) {
        const std::uint16_t v = readValue(std::uint16_t(r.reg + i), true);
        out.push_back(std::uint8_t(v >> 8));
        out.push_back(std::uint8_t(v & 0xFF));
    }
    return out;
}

// --- writes ---------------------------------------------------------------

std::uint8_t Device::writeChecked(const RegisterInfo& s, std::uint16_t value) {
    const std::int32_t v = s.minValue < 0 ? asSigned(value) : std::int32_t(value);
    if (s.access & Command) {
        if (value != kUnlockWord)
            return exc::IllegalData;
        if (s.reg == roles_.restoreDefaults) {
            restoreDefaults();
        } else if (s.reg == roles_.clearAdjust) {
            for (std::uint16_t a : roles_.adjustOffsets)
                if (a)
                    store(a, 0);
        }
        return 0;
    }
    if (s.reg == roles_.parameterMemory) {
        memoryWrite(value >> 8, std::uint8_t(value & 0xFF));
        return 0;
    }
    if (s.reg == roles_.lock && v != 0 && v != 1 && v != 11)
        return exc::IllegalData;
    if (v < s.minValue || v > s.maxValue)
        return exc::IllegalData;
    if (s.reg == roles_.sv && (v > stored(roles_.rangeHi) || v < stored(roles_.rangeLo)))
        return exc::IllegalData;
    if (s.reg == roles_.autoTune) {
        tuneEndMs_ = v ? clock_.nowMs() + kTuneMs : -1;
        return 0;
    }
    if (s.reg == roles_.statusWord) {
        store(roles_.comWrite, v & 1);
        store(s.reg, v);
        return 0;
    }
    store(s.reg, v);
    return 0;
}

std::uint8_t Device::write(std::uint16_t reg, std::uint16_t value) {
    if (layout_.family == 'C' && security_.isKeyRegister(reg))
        return security_.write(reg, value);
    if (layout_.family == 'C' && !security_.mayWrite(reg))
        return exc::IllegalCommand;
    // Every protected write needs an unlock word of its own.
    const bool wasUnlocked = unlocked_;
    unlocked_ = false;
    if (reg == roles_.unlock) {
        unlocked_ = value == kUnlockWord;
        return unlocked_ ? 0 : exc::IllegalData;
    }
    const bool comWriteOff = layout_.family != 'C' && (stored(roles_.comWrite) & 1) == 0;
    if (reg == kAddressSetting) {
        // The same register holds a limit; a value that is no address and
        // setting is taken as that limit.
        const std::uint8_t newAddress = std::uint8_t(value >> 8);
        const auto setting = decodeCommByte(std::uint8_t(value & 0xFF));
        if (newAddress >= 1 && newAddress <= 247 && setting) {
            pending_ = PendingChange{newAddress, *setting};
            return 0;
        }
    }
    // Family A keeps a calibration word at the same address, behind the unlock.
    if (reg == kAutoSync && value == 1 && !(layout_.family == 'A' && wasUnlocked)) {
        syncRequested_ = true;
        if (layout_.family != 'A')
            store(reg, 1);
        return 0;
    }
    if (comWriteOff && reg != roles_.comWrite && reg != roles_.statusWord)
        return exc::IllegalCommand;
    const RegisterInfo* s = registerInfo(reg);
    if (!s || !(s->access & Write))
        return exc::IllegalAddress;
    if ((s->access & Unlock) && !wasUnlocked)
        return exc::IllegalCommand;
    return writeChecked(*s, value);
}

// --- dispatch -------------------------------------------------------------

std::optional<std::vector<std::uint8_t>> Device::handle(const Request& r) {
    const bool broadcast = r.address == 0;
    ++counters.requests;
    if (log.size() >= kLogLimit)
        log.erase(log.begin(), log.begin() + kLogLimit / 2);
    log.push_back(r);
    update();
    if (broadcast) {
        // Broadcast writes are obeyed in silence; nothing else is done.
        if (r.refusal == 0 && r.function == 0x06) {
            ++counters.broadcasts;
            write(r.reg, r.operand);
            startOrStopProgram();
            pending_.reset();
            syncRequested_ = false;
        }
        return std::nullopt;
    }
    if (r.refusal)
        return exception(r, r.refusal);
    switch (r.function) {
    case 0x67:
        return identification(r);
    case 0x03:
        return readReply(r);
    case 0x06: {
        const std::uint8_t result = write(r.reg, r.operand);
        if (result)
            return exception(r, result);
        startOrStopProgram();
        update();
        return std::vector<std::uint8_t>{address_,
                                         r.function,
                                         std::uint8_t(r.reg >> 8),
                                         std::uint8_t(r.reg & 0xFF),
                                         std::uint8_t(r.operand >> 8),
                                         std::uint8_t(r.operand & 0xFF)};
    }
    default:
        return exception(r, exc::IllegalFunction);
    }
}

std::optional<PendingChange> Device::takePendingChange() {
    auto p = pending_;
    pending_.reset();
    return p;
}

bool Device::takeSyncRequest() {
    const bool s = syncRequested_;
    syncRequested_ = false;
    return s;
}

std::vector<Fault> Device::faultsForAnswer() {
    faultCounts_.resize(faults_.size(), 0);
    std::vector<Fault> due;
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        if (faults_[i].kind == FaultKind::PvStatus)
            continue;
        const int every = std::max(1, faults_[i].every);
        if (++faultCounts_[i] % every == 0)
            due.push_back(faults_[i]);
    }
    return due;
}

// --- fault texts ----------------------------------------------------------

namespace {
struct FaultNameEntry {
    FaultKind kind;
    const char* name;
};
constexpr FaultNameEntry kFaultNames[] = {
    {FaultKind::Silence, "silence"},
    {FaultKind::BadChecksum, "bad-checksum"},
    {FaultKind::WrongAddress, "wrong-address"},
    {FaultKind::Truncated, "truncated"},
    {FaultKind::Noise, "noise"},
    {FaultKind::Slow, "slow"},
    {FaultKind::PvStatus, "pv-status"},
    {FaultKind::Exception, "exception"},
};

bool toInt(std::string_view t, int& out) {
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return ec == std::errc() && p == t.data() + t.size();
}
} // namespace

const char* faultName(FaultKind kind) {
    for (const auto& e : kFaultNames)
        if (e.kind == kind)
            return e.name;
    return "?";
}

// NAME:ADDRESS[:every=N][:param=P], for example "bad-checksum:2:every=3",
// "slow:1:param=1500", "pv-status:3:param=5", "exception:4:param=2".
std::optional<Fault> parseFault(std::string_view text, int* address) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    if (parts.size() < 2)
        return std::nullopt;
    Fault f;
    bool named = false;
    for (const auto& e : kFaultNames)
        if (parts[0] == e.name) {
            f.kind = e.kind;
            named = true;
        }
    int a = 0;
    if (!named || !toInt(parts[1], a) || a < 1 || a > 247)
        return std::nullopt;
    f.param = f.kind == FaultKind::Slow       ? 1500
              : f.kind == FaultKind::PvStatus  ? 3
              : f.kind == FaultKind::Exception ? 4
                                               : 0;
    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::string_view p = parts[i];
        if (p.starts_with("every=") && toInt(p.substr(6), f.every) && f.every >= 1)
            continue;
        if (p.starts_with("param=") && toInt(p.substr(6), f.param))
            continue;
        return std::nullopt;
    }
    *address = a;
    return f;
}

} // namespace zu::sim
