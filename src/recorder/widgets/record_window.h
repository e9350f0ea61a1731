#pragma once
// The recorder window TPRecord: the strip chart RecdIme on top, the ten
// device slots under it (colour panel, address, latest value), and one row
// of controls (sampling time, Start, counter, scale, background, last
// error). It owns the acquisition and the chart logic for its lifetime; what
// they keep between openings lives in RecorderState. Shown modally.
#include "recorder/logic/recorder_acquisition.h"
#include "recorder/logic/recorder_chart.h"

#include <QDialog>
#include <array>
#include <memory>

class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QWidget;

namespace zu {

class AppState;
class ChartImage;
class ClickLabel;
class Dialogs;
class ReplyGathering;

class TPRecord : public QDialog, public RecorderView, public RecorderChartView {
    Q_OBJECT
  public:
    TPRecord(AppState& state, ReplyGathering& replies, RecorderState& rec, Dialogs& dialogs,
             QWidget* parent = nullptr);
    ~TPRecord() override;

    RecorderAcquisition& acquisition() { return *acquisition_; }
    RecorderChart& chart() { return *chart_; }
    ChartImage& chartImage() { return *RecdIme; }

    // Closing by any way (ExitBt3, Escape, the title bar) stops acquisition.
    void done(int result) override;

    // --- RecorderView ---
    void ShowAcquiring(bool on) override;
    void SetErrMess(const QString& text) override;
    void SetLoopCnt(const QString& text) override;
    void PaintAddressBox(int slot, RecAddressColour colour) override;
    void SetControlEnabled(RecControl control, bool enabled) override;
    void ShowMessage(const QString& text) override;
    int ComAddr(int slot) const override;
    int SampleTime() const override;

    // --- RecorderChartView ---
    void showSlotValue(int slot, const std::string& text) override;
    void showScale(const std::string& maxText, const std::string& minText) override;
    void switchDisplayToAuto() override;
    void enableScaleEdits(bool enabled) override;
    void showPlottedTime(const std::string& text) override;
    void colourAddressBox(int slot, RecAddressColour colour) override;
    std::string maxScaleText() const override;
    std::string minScaleText() const override;
    int addressBoxValue(int slot) const override;

  protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QWidget* buildToolBar();
    QWidget* buildSlots();
    QWidget* buildControls();
    void addChartControls(QHBoxLayout* row, QWidget* panel);
    // The chart's geometry from the window's width, narrowed when the
    // window is too low for a chart of that width above the controls.
    void fixChartGeometry();
    void SampleTimeChange();

    AppState& state_;
    RecorderState& rec_;
    Dialogs& dialogs_;

    ChartImage* RecdIme = nullptr;
    QToolButton* SaveBt = nullptr;
    QToolButton* RePlayBt = nullptr;
    QToolButton* ExitBt3 = nullptr;
    QWidget* PlayPL = nullptr;
    QWidget* chartHolder_ = nullptr;
    QWidget* ComAddrPL = nullptr;
    std::array<ClickLabel*, RecSlots> DevicePL{};
    std::array<QSpinBox*, RecSlots> ComAddrBox{};
    std::array<QLineEdit*, RecSlots> PV{};
    QSpinBox* SampleTimeBox = nullptr;
    QLineEdit* SampleEdit = nullptr;
    QFrame* BackGndP = nullptr;
    QPushButton* StartBt = nullptr;
    QLineEdit* LoopCnt = nullptr;
    QLabel* ErrMess = nullptr;
    QComboBox* DisplayMd = nullptr;
    QLineEdit* MaxScale = nullptr;
    QLineEdit* MinScale = nullptr;
    QComboBox* BGColor = nullptr;
    QWidget* toolBar_ = nullptr;
    QWidget* slots_ = nullptr;
    QWidget* controls_ = nullptr;

    std::unique_ptr<RecorderChart> chart_;
    std::unique_ptr<RecorderAcquisition> acquisition_;
    int geometryWidth_ = 0;
};

} // namespace zu
