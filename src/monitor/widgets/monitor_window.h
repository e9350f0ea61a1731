#pragma once
// The monitor window TPMonitor: four slot columns and the front panel of the
// selected controller in the upper half, the parameter panel ParaPL in the
// lower half, the debug strip, and a status line for short notices. It owns
// the polling engine (with the monitor's own port ApdComPort1), the
// parameter panel logic and the editing, and shows what they ask through
// MonitorView and EditingHost. Shown non-modally; it lives for the whole run.
#include "core/clock.h"
#include "monitor/logic/monitor_view.h"
#include "monitor/logic/parameter_editing.h"

#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace zu {

class AppState;
class ClickLabel;
class Dialogs;
class FrontPanel;
class Gauge;
class MonitorEngine;
class ParameterPanel;
class ParameterFileMenu;
class ParameterPanelForm;
class SlotColumn;

class TPMonitor : public QMainWindow, public MonitorView, public EditingHost {
    Q_OBJECT
  public:
    // Stores the window's layout width in app.ScaleWidth (the width it
    // opens with, maximised on its screen).
    TPMonitor(AppState& app, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TPMonitor() override;

    MonitorEngine& engine() { return *engine_; }
    ParameterPanel& panel() { return *panel_; }
    ParameterPanelForm& parameterForm() { return *paraPL_; }
    // Timer1 (1000 ms): on while a slot is connected; the trend chart samples on it.
    ClockTimer& timer1() { return Timer1; }
    int scaleWidth() const { return scaleWidth_; }

    // --- handlers of the password box ---
    void FWVersionDblClick();
    void PassLbClick();
    // Enter in PassEdit: the hidden-mode code, "probe in", "probe out" or
    // anything else (leaves hidden mode).
    void PassEditKeyPress();

    // --- MonitorView ---
    void showSlotConnected(int slot, bool connected) override;
    void resetSlot(int slot) override;
    void highlightSelection(int slot, bool on) override;
    void colourStatusLamp(int slot, Colour colour) override;
    void setSlotPv(int slot, const std::string& text, int fontSize) override;
    void setSlotSv(int slot, const std::string& text) override;
    void setSlotOutputs(int slot, const OutputsShown& outputs) override;
    void setSlotAlarmLamps(int slot, bool alarm1, bool alarm2, bool alarm3) override;
    void setSlotUnit(int slot, const std::string& unit) override;
    void setExecCount(int slot, std::uint32_t count) override;
    void setErrCount(int slot, std::uint32_t count) override;
    void resetFrontPanel() override;
    void recordLedPositions() override;
    void applyFrontPanelLayout(const FrontPanelLayout& layout) override;
    void setPanelLeds(const PanelLeds& leds) override;
    void setPanelPv(const std::string& text, int fontSize, bool centred) override;
    void setPanelSvText(const std::string& text) override;
    void setPanelSvFontSize(int fontSize) override;
    void setPanelOutputs(const OutputsShown& outputs) override;
    void showProgramDisplay(bool shown, int mode) override;
    void showParameterPanel(bool visible) override;
    void setDebugValues(const std::string& uv, const std::string& coldShow) override;
    void setErrMessageText(const std::string& text) override;
    void setErrMessageColour(Colour colour) override;
    void showDebugDisplay(bool visible) override;
    void enableMenu(MonitorMenu item, bool enabled) override;
    void checkMenu(MonitorMenu item, bool checked) override;
    void enableTimer1(bool on) override;
    void closeWindow() override;
    void showPortOpenError(const std::string& message) override;
    void showLineLost(const std::string& message) override;
    void showWriteNotEchoed() override;
    void showSlotDropped(int slot, std::uint16_t address, const std::string& why) override;
    void showWriteOutcome(WriteOutcome outcome, const std::string& reason) override;
    void showLineBack() override;

    // --- EditingHost ---
    void setErrMessage(const QString& text) override;
    void notice(const QString& text) override;
    bool confirm(const QString& question) override;
    void markField(std::string_view control, FieldMark mark, const QString& text) override;

    // How long a mark of a settled change and a notice of a completed write stay.
    static constexpr int MarkMs = 4000;
    static constexpr int DoneNoticeMs = 10000;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void buildMenus();
    QWidget* buildUpperHalf();
    QWidget* buildDebugStrip();
    void buildPasswordBox();
    void placePasswordBox();
    std::array<std::uint16_t, 4> addresses() const;
    SlotColumn* column(int slot) const;
    QAction* menuAction(MonitorMenu item) const;

    AppState& app_;
    Dialogs& dialogs_;
    int scaleWidth_;
    double uiScale_;
    ClockTimer Timer1;

    // menus
    QMenu* FILE1 = nullptr;
    QMenu* PARAMETER1 = nullptr;
    QMenu* VIEW1 = nullptr;
    QAction* OPEN1 = nullptr;
    QAction* SAVE1 = nullptr;
    QAction* SAVEAS1 = nullptr;
    QAction* COMPARE1 = nullptr;
    std::array<QAction*, 4> deviceItems_{};
    QAction* UPLOAD1 = nullptr;
    QAction* DOWNLOAD1 = nullptr;
    QAction* WRITEALL = nullptr;
    QAction* RampSoakprogram1 = nullptr;
    QAction* SETTING1 = nullptr;
    QAction* RECORD1 = nullptr;

    // upper half
    std::array<SlotColumn*, 4> columns_{};
    FrontPanel* ZUA1 = nullptr;
    QLabel* O1Lb = nullptr;
    QLabel* O2Lb = nullptr;
    Gauge* Out1Qty = nullptr;
    Gauge* Out2Qty = nullptr;

    // lower half
    ParameterPanelForm* paraPL_ = nullptr;
    QWidget* DrawIme = nullptr;
    QWidget* passBox_ = nullptr;
    ClickLabel* PassLb = nullptr;
    QLineEdit* PassEdit = nullptr;
    QWidget* fwVersion_ = nullptr;

    // debug strip
    QWidget* DebugPL = nullptr;
    QLabel* UV = nullptr;
    QLabel* ColdShow = nullptr;
    QLabel* ErrMessage = nullptr;
    std::array<QLabel*, 4> execCnt_{};
    std::array<QLabel*, 4> errCnt_{};

    // the line-lost notice, taken off once polling is back
    QString lineLostText_;
    TimerId noticeClear_ = 0;
    std::map<std::string, TimerId, std::less<>> markClears_;

    std::unique_ptr<MonitorEngine> engine_;
    std::unique_ptr<ParameterPanel> panel_;
    std::unique_ptr<ParameterEditing> editing_;
    std::unique_ptr<ParameterFileMenu> fileMenu_;
};

} // namespace zu
