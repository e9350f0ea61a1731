#pragma once
// A round lamp: a circle filled with one colour inside a thin outline, like
// the status lamps of the monitor and the recorder.
#include <QColor>
#include <QWidget>

namespace zu {

class Lamp : public QWidget {
    Q_OBJECT
  public:
    explicit Lamp(QWidget* parent = nullptr);
    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& c);
    QColor penColor() const { return pen_; }
    void setPenColor(const QColor& c);
    QSize sizeHint() const override { return {16, 16}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor brush_ = Qt::white;
    QColor pen_ = Qt::black;
};

} // namespace zu
