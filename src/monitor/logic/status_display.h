#pragma once
// Turns the replies of the status poll (request kinds 1..8) into the slot
// columns and the front-panel picture, and keeps the per-slot values other
// monitor parts read (PV for the trend, decimals, write permission...).
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"

#include <cstdint>
#include <string>

namespace zu {

class AppState;

class StatusDisplay {
  public:
    StatusDisplay(AppState& app, MonitorModel& model, MonitorView& view);

    void setSecurityHooks(SecurityHooks* hooks) { security_ = hooks; }

    // A sound reply of status kind 1..8 for `slot` with its register values.
    void Decode(int kind, int slot, const std::uint16_t* values, int count);
    // Picture half of the family layout of the selected slot.
    void ApplyFrontPanelLayout(std::uint8_t family);
    // FormShow: every slot reset, front panel reset, program display off.
    void Reset();

    // Texts, exposed for the read-outs of other views (command-line monitor).
    static std::string PvErrorText(std::uint16_t code);
    static std::string ProgramText(int mode, const std::uint16_t* words, std::int32_t sv,
                                   int decimals);
    // Family-A status bytes carry their lamps in other bits.
    static std::uint8_t RearrangeFamilyA(std::uint8_t s);
    static OutputsShown OutputsOf(const DeviceSlot& slot);

  private:
    bool isSelected(int slot) const { return model_.SelectedSlot == slot; }
    int scaled(int size) const;
    void decodeKind1(int slot, const std::uint16_t* v);
    void decodeKind2(int slot, const std::uint16_t* v, int count);
    void decodePvSv(int slot, const std::uint16_t* v, int count);
    void decodeKind4(int slot, const std::uint16_t* v, int count);
    void decodeKind6(int slot, const std::uint16_t* v, int count);
    void decodeKind8(int slot, const std::uint16_t* v, int count);
    void drawOutputs(int slot);
    void drawPvSv(int slot);
    void drawLeds(int slot);
    void statusByteSeen(int slot, std::uint8_t s);

    AppState& app_;
    MonitorModel& model_;
    MonitorView& view_;
    SecurityHooks* security_ = nullptr;
    // ProgDisp shown on the front panel in place of the parameter panel's SV edit.
    bool programDisplayShown_ = false;
};

} // namespace zu
