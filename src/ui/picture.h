#pragma once
// A picture stretched proportionally into the widget: as large as fits,
// centred, the rest in the background colour.
#include <QPixmap>
#include <QWidget>

namespace zu {

class Picture : public QWidget {
    Q_OBJECT
  public:
    explicit Picture(QWidget* parent = nullptr);
    void setPixmap(const QPixmap& p);
    const QPixmap& pixmap() const { return pixmap_; }
    // Where the picture lands inside a widget of the given size.
    static QRect placement(QSize picture, QSize area);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QPixmap pixmap_;
};

} // namespace zu
