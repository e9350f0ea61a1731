#pragma once
// The front-panel picture of the selected controller (ZUA1): the family's
// picture (ImeA1 for family A, ImeB1 for families B and C) drawn stretched
// over the whole panel, the eight LEDs over the marks printed on it, and the
// PV/SV displays (PVDisp red on black, SVDisp green on black).
#include "monitor/logic/monitor_view.h"

#include <QWidget>

class QLabel;

namespace zu {

class Lamp;

class FrontPanel : public QWidget {
    Q_OBJECT
  public:
    // The picture's design size; the panel is that size times m / d.
    static constexpr int DesignWidth = 193;
    static constexpr int DesignHeight = 188;
    FrontPanel(int m, int d, QWidget* parent = nullptr);

    void reset();
    void recordLedPositions();
    void applyLayout(const FrontPanelLayout& layout);
    void setLeds(const PanelLeds& leds);
    void setPv(const QString& text, int fontSize, bool centred);
    void setSvText(const QString& text);
    void setSvFontSize(int fontSize);

  private:
    Lamp* led(const char* name, QColor off, int x, int y, int size);
    QRect scaled(int x, int y, int w, int h) const;

    int m_, d_;
    QLabel* imeA_;
    QLabel* imeB_;
    Lamp* at_;
    Lamp* o1_;
    Lamp* o2_;
    Lamp* alm1_;
    Lamp* alm2_;
    Lamp* alm3_;
    Lamp* degC_;
    Lamp* degF_;
    QLabel* pvDisp_;
    QLabel* svDisp_;
    int atLeft_ = 0, o1Left_ = 0, alm2Left_ = 0;
};

} // namespace zu
