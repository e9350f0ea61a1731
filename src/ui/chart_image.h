#pragma once
// The one chart canvas of the program: a widget that draws every chart
// operation into an image of its own and only shows that image when painted.
// A chart draws in steps (a full rebuild, one segment, a one-pixel scroll), so
// the image keeps what was drawn; when the widget is shown or resized the
// image is new and the owner is asked to rebuild into it.
#include "core/chart_canvas.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <functional>
#include <memory>

namespace zu {

class ChartImage : public QWidget, public ChartCanvas {
    Q_OBJECT
  public:
    explicit ChartImage(QWidget* parent = nullptr);
    ~ChartImage() override;

    // Called when the image was made anew (shown, resized) and is blank.
    void setRebuild(std::function<void()> rebuild) { rebuild_ = std::move(rebuild); }

    void fillRect(int x1, int y1, int x2, int y2, Rgb brush) override;
    void line(int x1, int y1, int x2, int y2, Rgb pen, int width, PenStyle style) override;
    void text(int x, int y, const std::string& s, Rgb colour) override;
    void copyRect(int x1, int y1, int x2, int y2, int toX, int toY) override;

    // What has been drawn so far (for tests and screenshots).
    const QImage& image();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;

  private:
    QPainter& painter();
    void finishPainting();
    void remake();
    void dirty(const QRect& r);
    void plot(QRgb* bits, int stride, int x, int y, int width, QRgb colour);

    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::function<void()> rebuild_;
    // What changed since the widget last asked to be painted; one update
    // for a whole rebuild instead of one per segment.
    QRect dirty_;
    bool updateQueued_ = false;
};

} // namespace zu
