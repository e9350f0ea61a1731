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

    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::function<void()> rebuild_;
    // The pen last set, so a run of segments in one colour sets it once.
    Rgb penColour_{};
    int penWidth_ = -1;
    PenStyle penStyle_ = PenStyle::Solid;
};

} // namespace zu
