#pragma once
// Small controls of the monitor form: a panel painted as a filled shape (the slot frames, the lamp squares, the PV/SV
// panels), and the monitor's colours as Qt colours.
#include "monitor/logic/monitor_view.h"

#include "ui/click_label.h"

#include <QColor>
#include <QWidget>

namespace zu {

inline QColor qColorOf(Colour c) {
    const Rgb v = rgbOf(c);
    return QColor(v.r, v.g, v.b);
}
inline const QColor Navy(0, 0, 128);
inline const QColor TealColour(0, 128, 128);

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
