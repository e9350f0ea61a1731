#include "ui/chart_image.h"

#include <QPaintEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zu {

namespace {
QColor toColor(Rgb c) { return QColor(c.r, c.g, c.b); }
} // namespace

ChartImage::ChartImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
    image_.fill(Qt::white);
}

ChartImage::~ChartImage() { finishPainting(); }

QPainter& ChartImage::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setFont(font());
        penWidth_ = -1;
    }
    return *painter_;
}

void ChartImage::finishPainting() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

const QImage& ChartImage::image() {
    finishPainting();
    return image_;
}

void ChartImage::remake() {
    finishPainting();
    image_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
    image_.fill(Qt::white);
    if (rebuild_)
        rebuild_();
    update();
}

void ChartImage::resizeEvent(QResizeEvent*) { remake(); }

void ChartImage::showEvent(QShowEvent*) { remake(); }

void ChartImage::paintEvent(QPaintEvent* e) {
    finishPainting();
    QPainter p(this);
    p.drawImage(e->rect(), image_, e->rect());
}

void ChartImage::fillRect(int x1, int y1, int x2, int y2, Rgb brush) {
    painter().fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), toColor(brush));
    update(x1, y1, x2 - x1, y2 - y1);
}

void ChartImage::line(int x1, int y1, int x2, int y2, Rgb pen, int width, PenStyle style) {
    QPainter& p = painter();
    if (penWidth_ != width || !(penColour_ == pen) || penStyle_ != style) {
        QPen qp(toColor(pen), width, style == PenStyle::Dotted ? Qt::DotLine : Qt::SolidLine, Qt::SquareCap,
                Qt::MiterJoin);
        if (width <= 1)
            qp.setWidth(0); // cosmetic: exactly one pixel
        p.setPen(qp);
        penColour_ = pen;
        penWidth_ = width;
        penStyle_ = style;
    }
    // The end point is not part of the line: stop one step short along the
    // longer axis.
    const int dx = x2 - x1, dy = y2 - y1;
    const int n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0)
        return;
    const int ex = x2 - static_cast<int>(std::lround(double(dx) / n));
    const int ey = y2 - static_cast<int>(std::lround(double(dy) / n));
    if (ex == x1 && ey == y1)
        p.drawPoint(x1, y1);
    else
        p.drawLine(x1, y1, ex, ey);
    const int m = width + 1;
    update(QRect(QPoint(std::min(x1, x2) - m, std::min(y1, y2) - m), QPoint(std::max(x1, x2) + m, std::max(y1, y2) + m)));
}

void ChartImage::text(int x, int y, const std::string& s, Rgb colour) {
    QPainter& p = painter();
    const QString t = QString::fromStdString(s);
    const QFontMetrics fm(p.font());
    p.setPen(toColor(colour));
    penWidth_ = -1;
    p.drawText(x, y + fm.ascent(), t);
    update(x, y, fm.horizontalAdvance(t) + 1, fm.height());
}

void ChartImage::copyRect(int x1, int y1, int x2, int y2, int toX, int toY) {
    finishPainting();
    // Clip source and target to the image, then move whole rows of pixels
    // (a source copy, overlapping as a scroll does).
    const QRect bounds = image_.rect();
    QRect src = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    QRect dst = src.translated(toX - x1, toY - y1);
    const QRect d = dst.intersected(bounds);
    const QRect sClip = d.translated(x1 - toX, y1 - toY).intersected(bounds);
    const QRect dClip = sClip.translated(toX - x1, toY - y1);
    if (sClip.isEmpty() || dClip.isEmpty())
        return;
    const int bytes = sClip.width() * 4;
    const bool upward = dClip.top() <= sClip.top();
    for (int r = 0; r < sClip.height(); ++r) {
        const int row = upward ? r : sClip.height() - 1 - r;
        const uchar* from = image_.constScanLine(sClip.top() + row) + sClip.left() * 4;
        uchar* to = image_.scanLine(dClip.top() + row) + dClip.left() * 4;
        std::memmove(to, from, bytes);
    }
    update(dClip);
}

} // namespace zu
