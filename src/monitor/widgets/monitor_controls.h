#pragma once
// Small controls of the monitor form: a label that can be clicked, a panel
// painted as a filled shape (the slot frames, the lamp squares, the PV/SV
// panels), and the monitor's colours as Qt colours.
#include "monitor/logic/monitor_view.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace zu {

inline QColor qColorOf(Colour c) {
    const Rgb v = rgbOf(c);
    return QColor(v.r, v.g, v.b);
}
inline const QColor Navy(0, 0, 128);
inline const QColor TealColour(0, 128, 128);

// A static text that reports a click (press and release inside it), and
// Space or Enter while it has the focus.
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent) {}
  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    bool pressed_ = false;
};

// A label whose background colour is its state (address label, ErrMessage).
void SetLabelBackground(QLabel* label, const QColor& colour);
QColor LabelBackground(const QLabel* label);
// Text colour of a label (output labels).
void SetLabelTextColour(QLabel* label, const QColor& colour);
QColor LabelTextColour(const QLabel* label);

// A filled shape with an optional caption at its left; children lie on it.
class ShapePanel : public QWidget {
    Q_OBJECT
  public:
    enum class Shape { Rectangle, RoundRect };
    explicit ShapePanel(Shape shape, const QColor& brush, QWidget* parent = nullptr);

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& c);
    QString caption() const { return caption_; }
    // The caption takes the left part of the panel; the layout's left margin
    // is widened to leave room for it.
    void setCaption(const QString& caption);
    void setCaptionColour(const QColor& c);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Shape shape_;
    QColor brush_;
    QString caption_;
    QColor captionColour_ = Qt::white;
};

} // namespace zu
