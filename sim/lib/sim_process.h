#pragma once
// The physics behind a simulated controller: a process value that follows
// its target with a first-order lag, and the ramp/soak program that moves
// the target along its steps.
#include <array>
#include <cstdint>

namespace zu::sim {

// Temperatures in tenths of a degree, times in milliseconds of the Clock.
class ProcessModel {
  public:
    explicit ProcessModel(double ambient = 250.0, double timeConstantMs = 20000.0)
        : ambient_(ambient), pv_(ambient), tauMs_(timeConstantMs) {}
    // Moves the process from the last update to now toward target.
    void advance(std::int64_t nowMs, double target);
    // The reading at the last update, with a small, smooth ripple.
    double reading() const;
    double value() const { return pv_; }
    double ambient() const { return ambient_; }
    void setValue(std::int64_t nowMs, double pv);
    void setTimeConstantMs(double ms) { tauMs_ = ms > 1 ? ms : 1; }

  private:
    double ambient_;
    double pv_;
    double tauMs_;
    std::int64_t lastMs_ = -1;
};

struct RampSoakProgram {
    int startPattern = 0;
    std::array<int, 8> lastStep{};
    std::array<int, 8> loops{};
    std::array<int, 8> link{};
    std::array<int, 64> setValue{};
    std::array<int, 64> minutes{};
};

struct ProgramPosition {
    bool running = false; // false once the program has ended
    int pattern = 0;
    int step = 0;
    double setValue = 0;
    std::int64_t leftMs = 0; // time left in the current step
};

// Where a program stands after it has run for elapsedMs, starting from
// startSv (the process value when it began).
ProgramPosition programPosition(const RampSoakProgram& program, double startSv,
                                std::int64_t elapsedMs);

} // namespace zu::sim
