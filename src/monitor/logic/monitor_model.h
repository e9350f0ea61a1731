#pragma once
// What the monitor knows of its four device slots and the request interface
// through which the panel, the editing and the transfers ask the polling
// engine for work. The engine owns one MonitorModel; the other monitor parts
// read it and set the request flags, and the engine picks them up at its next
// turn. Nothing here sends a frame.
#include "device/register_map.h"

#include <array>
#include <cstdint>

namespace zu {

inline constexpr int SlotCount = 4;
inline constexpr std::uint8_t NoSlot = 255;

struct DeviceSlot {
    // --- polling ---
    std::uint16_t address = 1;
    bool connected = false;
    bool identifyRequest = false;
    std::uint8_t Family = FamilyUnknown; // 'A', 'B', 'C' or FamilyUnknown
    std::uint32_t execCount = 0;
    std::uint32_t errorCount = 0;

    // --- status values, written by the status decoders ---
    std::int32_t PvValue = 0;
    std::int32_t SvValue = 0;
    std::uint16_t PvErrorCode = 0;
    std::uint16_t Out1Percent = 0;
    std::uint16_t Out2Percent = 0;
    std::uint16_t HeatCoolCode = 0;
    std::uint16_t Out1Function = 0;
    std::uint16_t Out2Function = 0;
    std::uint16_t DecimalPlaces = 1;
    // Family C: the Pointer item chosen for this device (a display choice of
    // the program, never written to it); -1 until one is chosen: one decimal.
    std::int16_t DecimalChoice = -1;
    std::uint16_t ComWriteEnabled = 255;
    std::uint16_t ProgramRunning = 0;
    std::uint16_t FirmwareVersion = 0;
    std::uint8_t StatusByte = 255;
    std::uint16_t ColdJunctionValue = 0;
    std::uint16_t VoltageValue = 0;
    std::uint16_t ProgramSvValue = 0;
    std::uint16_t AtSeen = 0;
    std::uint16_t RunStopSeen = 0;
    // family C security word 0x4751: bits 3..6 and bits 0..2
    std::uint32_t SecurityLevelCode = 0;
    std::uint32_t PasswordEnableBits = 0;

    bool isFamilyC() const { return Family == 'C'; }
    // Family C with a security level that opens the parameters (code 4 or more).
    bool cOpen() const { return Family == 'C' && SecurityLevelCode >= 4; }
    bool cLocked() const { return Family == 'C' && SecurityLevelCode < 4; }
    // The Pointer item a family-C device is shown with.
    int decimalItem() const { return DecimalChoice < 0 ? 1 : DecimalChoice; }
};

// Flags other monitor parts set; the engine's request chooser reads them in a
// fixed order.
struct EngineRequests {
    // one queued single write (function 06)
    bool WritePending = false;
    std::uint16_t PendingRegister = 0;
    std::uint16_t PendingValue = 0;
    bool ParameterRefresh = false;
    bool UnlockPending = false;
    bool Unlocked = false;
    bool LockCommandPending = false;
    bool ReidentifySelected = false;
    bool HiddenMode = false;
    bool AdjustControlsShown = false;
    bool ParameterPanelShown = false;
    // transfers of whole images; the bulk read register is kept apart from the
    // single write queue so a write typed during a transfer cannot redirect it.
    bool BulkReadStart = false;
    bool BulkReadActive = false;
    int BulkReadCount = 0;
    std::uint16_t BulkReadRegister = 0;
    bool RampSoakReadStart = false;
    bool RampSoakReadActive = false;
    int RampSoakReadCount = 0;
    bool RampSoakWriteActive = false;
    int RampSoakWriteStep = 0;
    bool DownloadActive = false;
    bool BroadcastMode = false;
    int DownloadStep = 0;
};

struct MonitorModel {
    std::array<DeviceSlot, SlotCount> deviceSlots{};
    std::uint8_t SelectedSlot = NoSlot;
    // Scheduler position, owned by the engine. The family-A adjustment read-back
    // moves it on to kind 21 itself, as that family has no second adjust block.
    int RequestKind = 0;
    std::uint8_t RequestSlot = 0;
    EngineRequests req;
    // The PV RECORD view of the trend chart is on (the decision point then
    // does not show the parameter panel).
    bool PvRecordView = false;

    DeviceSlot* selected() {
        return SelectedSlot < SlotCount ? &deviceSlots[SelectedSlot] : nullptr;
    }
    const DeviceSlot* selected() const {
        return SelectedSlot < SlotCount ? &deviceSlots[SelectedSlot] : nullptr;
    }
};

// The parameter-panel half of the monitor as the engine calls it. Replies of
// kinds 10..14 and 20, 21 carry up to 8 register values in register order.
class ParameterPanelHooks {
  public:
    virtual ~ParameterPanelHooks() = default;
    virtual void ApplyFamilyLayout(std::uint8_t family) = 0;
    virtual void ShowParameterReply(int kind, const std::uint16_t* values, int count) = 0;
    virtual void ApplyParameterLayout() = 0;
    virtual void ApplyAccessState() = 0;
    virtual void ShowAdjustControls(bool visible) = 0;
};

// The parameter-image transfers (upload and download) as the engine calls
// them at fixed points of its turn.
class ParameterTransferHooks {
  public:
    virtual ~ParameterTransferHooks() = default;
    // At the start of a turn while DownloadActive: queue one write (or the
    // unlock) through the write queue of EngineRequests.
    virtual void PrepareDownloadWrite() = 0;
    // A sound reply of the parameter-image bulk read: the word's high byte is
    // the index, the low byte the value.
    virtual void StoreImageByte(std::uint8_t index, std::uint8_t value) = 0;
    // A good write echo during a download (or a broadcast step's time-out).
    virtual void CountDownloadStep() = 0;
    // The window is shown again: the parameter image's family byte and the
    // open-file flag are cleared.
    virtual void ClearImageState() = 0;
    // A running upload or download was ended by the engine (the selection
    // moved, the device was dropped, the exception limit).
    virtual void TransferEndedEarly() = 0;
};

// The ramp/soak transfers, likewise.
class RampSoakTransferHooks {
  public:
    virtual ~RampSoakTransferHooks() = default;
    // At the start of a turn while RampSoakWriteActive: queue one write.
    virtual void PrepareRampSoakWrite() = 0;
    // A sound reply of the ramp/soak image read (0x474D).
    virtual void StoreRampSoakByte(std::uint8_t index, std::uint8_t value) = 0;
    virtual void CountRampSoakWriteStep() = 0;
};

// Family-C security display, after the security word 0x4751 of a slot was
// decoded (kind 1 at identification, kind 7 in every status cycle).
class SecurityHooks {
  public:
    virtual ~SecurityHooks() = default;
    virtual void SecurityWordRead(std::uint8_t slot, int kind) = 0;
};

// Trend-chart sampling state the engine resets.
class TrendHooks {
  public:
    virtual ~TrendHooks() = default;
    // A slot connected or its address changed: its ring starts again.
    virtual void ClearSlotSampling(int slot) = 0;
    // The window is shown: all chart state cleared.
    virtual void ClearTrend() = 0;
};

} // namespace zu
