#pragma once
// One of the monitor's four slot columns: the frame SelPanel<n> with the
// status lamp, address label and picker, connect button, PV/SV read-outs,
// alarm lamps, output gauges and the (unused) event/current panel. Every
// control carries its name with the slot digit as objectName.
#include "monitor/logic/monitor_view.h"
#include "monitor/widgets/monitor_controls.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zu {

class Gauge;
class Lamp;

class SlotColumn : public ShapePanel {
    Q_OBJECT
  public:
    // scale: the window's layout factor (ScaleWidth / 808 or less).
    SlotColumn(int slot, double scale, QWidget* parent = nullptr);

    int slot() const { return slot_; }
    QSpinBox* addressPicker() const { return address_; }
    QPushButton* connectButton() const { return runBt_; }
    ClickLabel* addressLabel() const { return adrLb_; }

    // "show slot connected" without the menu caption, which the window owns.
    void showConnected(bool connected);
    void reset();
    void highlight(bool on);
    void colourStatusLamp(const QColor& c);
    // The point size of a reading (not of an error text): PV rests at it
    // before the first reading and after a reset, so a column does not change
    // its look when it connects.
    void setReadingFontSize(int points);
    void setPv(const QString& text, int fontSize);
    void setSv(const QString& text);
    void setOutputs(const OutputsShown& o);
    void setAlarmLamps(bool a1, bool a2, bool a3);
    void setUnit(const QString& unit);

  private:
    int slot_;
    int readingPoints_ = 0;
    Lamp* runLed_;
    ClickLabel* adrLb_;
    QSpinBox* address_;
    QPushButton* runBt_;
    QLineEdit* pv_;
    QLabel* degLb_;
    QLineEdit* sv_;
    Lamp* alarm_[3];
    QLabel* alarmLb_[3];
    QLabel* outLb_[2];
    Gauge* out_[2];
    ShapePanel* statusPl_;
    Lamp* event_[2];
    QLabel* ct_;
};

} // namespace zu
