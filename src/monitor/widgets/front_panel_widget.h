#pragma once
// The front-panel picture of the selected controller (ZUA1): the family's
// picture (ImeA1 for family A, ImeB1 for families B and C) drawn stretched
// over the panel, the eight LEDs over the marks printed on it, and the PV/SV
// displays (PVDisp red on black, SVDisp green on black).
//
// The picture keeps its proportions and fills the panel's height as far as
// its width allows; everything on it scales with it. Sizes the status display
// gives (font points, LED offsets) are meant for the reference scale m / d
// (ScaleWidth / 808) and are scaled from there to the picture's size.
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

    // Picture pixels per design pixel, now and at the reference scale.
    double scale() const { return scale_; }
    double referenceScale() const { return double(m_) / d_; }
    // As wide as the picture is at the height the panel has.
    QSize sizeHint() const override;

    void reset();
    void recordLedPositions();
    void applyLayout(const FrontPanelLayout& layout);
    void setLeds(const PanelLeds& leds);
    void setPv(const QString& text, int fontSize, bool centred);
    void setSvText(const QString& text);
    void setSvFontSize(int fontSize);

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    Lamp* led(const char* name, QColor off);
    QRect scaled(int x, int y, int w, int h) const;
    // Places every child for the present scale.
    void relayout();
    void applyFont(QLabel* display, double referencePoints);

    int m_, d_;
    double scale_ = 1;
    bool sized_ = false;
    double pvPoints_ = 0, svPoints_ = 0; // at the reference scale
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
    // LED offsets left of the design positions, in design pixels
    double atShift_ = 0, o1Shift_ = 0, alm2Shift_ = 0;
};

} // namespace zu
