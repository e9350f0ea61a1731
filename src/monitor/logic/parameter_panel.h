#pragma once
// The parameter panel (ParaPL) of the monitor as logic: it decodes the
// read-back replies of the selected device into the panel's controls, lays the
// panel out for the device's family and output configuration, and enables it
// by the device's write permission or security level. It talks to its widgets
// only through ParameterPanelView, by control name.
#include "monitor/logic/monitor_model.h"
#include "monitor/logic/monitor_view.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace zu {

// Display operations of the panel's form. Names are the controls' objectNames.
class ParameterPanelView {
  public:
    virtual ~ParameterPanelView() = default;
    // A list's selected item; -1 or an index beyond the items shows no item.
    virtual void setListIndex(std::string_view list, int index) = 0;
    virtual int listIndex(std::string_view list) const = 0;
    // No item selected, the text shown in its place ("N/A").
    virtual void setListText(std::string_view list, const QString& text) = 0;
    virtual void setEditText(std::string_view edit, const QString& text) = 0;
    // Caption of a label, group box or button.
    virtual void setCaption(std::string_view control, const QString& caption) = 0;
    // "ParaPL" names the panel itself.
    virtual void setControlVisible(std::string_view control, bool visible) = 0;
    virtual void setControlEnabled(std::string_view control, bool enabled) = 0;
    // Of controls sharing one place, the named one (with its label) comes in
    // front and covers the others.
    virtual void bringToFront(std::string_view control) = 0;
};

// What the panel needs of the rest of the monitor window. Unset members do
// nothing (and the questions answer false).
struct PanelHost {
    std::function<bool()> trendViewActive;   // the PV RECORD view is on
    std::function<bool()> accessCodeEntered; // PassEdit holds the hidden-mode code
    std::function<void(MonitorMenu, bool)> enableMenu;
    std::function<void()> showSecurityState; // family C security box
};

// Last read-back values of the selected device, kept between the request kinds
// so that one kind can show what an earlier one read. Signed values are stored
// sign-extended; family A's PD and integral offsets are kept times 10.
struct PanelValues {
    int inputType = 0;
    int controlMethod = 0;
    int period1 = 0;
    int period2 = 0;
    int pdOffset = 0;
    int pCoefficient = 0;
    int deadBand = 0;
    int pvOffset = 0;
    int lockItem = 0;
    int systemAlarm = 0;
    std::array<int, 3> alarmMode{};
    int unit = 0;
    int decimalPoint = 0;
    int hysteresis1 = 0;
    int hysteresis2 = 0;
    int proportionalBand = 0;
    int integralTime = 0;
    int derivativeTime = 0;
    int integralOffset = 0;
    int tuneHigh = 0;
    int tuneLow = 0;
    int rangeHigh = 0;
    int rangeLow = 0;
    std::array<int, 3> upLimit{};
    std::array<int, 3> downLimit{};
};

// The panel's value controls with their labels and captions, and its group
// boxes and buttons (label empty). The form builds its widgets from this.
struct PanelControl {
    std::string_view name;
    std::string_view label;
    std::string_view caption;
    std::string_view longName; // for messages where the caption alone is ambiguous
};
std::span<const PanelControl> PanelControls();
const PanelControl* FindPanelControl(std::string_view name);
// Controls that share one place. Each layer is a control with the label that
// moves with it; the first layer is in front until another is brought forward.
// Of the layers whose controls are not hidden, only the front one is seen.
struct OverlapGroup {
    std::array<std::array<std::string_view, 2>, 3> layers; // empty names unused
};
std::span<const OverlapGroup> PanelOverlaps();

// How a message names a control: its long name, else its caption without
// trailing blanks, else the name itself.
QString PanelCaption(std::string_view control);

class ParameterPanel : public ParameterPanelHooks {
  public:
    ParameterPanel(MonitorModel& model, ParameterPanelView& view, PanelHost host = {});

    void ApplyFamilyLayout(std::uint8_t family) override;
    void ShowParameterReply(int kind, const std::uint16_t* values, int count) override;
    void ApplyParameterLayout() override;
    void ApplyAccessState() override;
    void ShowAdjustControls(bool visible) override;

    const PanelValues& values() const { return values_; }

  private:
    void showKind10(DeviceSlot& slot, const std::uint16_t* v);
    void showKind11(DeviceSlot& slot, const std::uint16_t* v);
    void showKind12(DeviceSlot& slot, const std::uint16_t* v);
    void showKind13(const DeviceSlot& slot, const std::uint16_t* v);
    void showKind14(DeviceSlot& slot, const std::uint16_t* v);
    void showAdjust(const DeviceSlot& slot, int kind, const std::uint16_t* v);
    void selectBoxByControlMethod(int method);
    void showManualOutputs(const DeviceSlot& slot);
    void finishReadBack();
    void blankLockedPanel();

    void showScaled(std::string_view edit, long long value, int decimals);
    void setRowVisible(std::initializer_list<std::string_view> controls, bool visible);
    void enableMenu(MonitorMenu item, bool enabled);

    MonitorModel& model_;
    ParameterPanelView& view_;
    PanelHost host_;
    PanelValues values_;
};

} // namespace zu
