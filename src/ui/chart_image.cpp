#include "ui/chart_image.h"

#include <QPaintEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zu {

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

void ChartImage::dirty(const QRect& r) {
    dirty_ |= r;
    if (updateQueued_)
        return;
    updateQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            updateQueued_ = false;
            update(dirty_);
            dirty_ = QRect();
        },
        Qt::QueuedConnection);
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

// Pixels are written straight into the image (thousands of short segments
// per rebuild); only text goes through a painter, which is finished before
// the bits are touched again.
void ChartImage::fillRect(int x1, int y1, int x2, int y2, Rgb brush) {
    finishPainting();
    const QRect r = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).intersected(image_.rect());
    if (r.isEmpty())
        return;
    const QRgb c = qRgb(brush.r, brush.g, brush.b);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y)) + r.left();
        std::fill(row, row + r.width(), c);
    }
    dirty(r);
}

void ChartImage::plot(QRgb* bits, int stride, int x, int y, int width, QRgb colour) {
    const int w = image_.width(), h = image_.height();
    if (width == 2 && x >= 1 && y >= 1 && x < w && y < h) { // the curves' pen
        QRgb* p = bits + (y - 1) * stride + x - 1;
        p[0] = p[1] = p[stride] = p[stride + 1] = colour;
        return;
    }
    if (width <= 1) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            bits[y * stride + x] = colour;
        return;
    }
    const int lo = -(width / 2), hi = width - width / 2 - 1;
    for (int oy = lo; oy <= hi; ++oy)
        for (int ox = lo; ox <= hi; ++ox) {
            const int px = x + ox, py = y + oy;
            if (px >= 0 && py >= 0 && px < w && py < h)
                bits[py * stride + px] = colour;
        }
}

void ChartImage::line(int x1, int y1, int x2, int y2, Rgb pen, int width, PenStyle style) {
    finishPainting();
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int n = std::max(dx, dy);
    if (n == 0)
        return; // the end point is not part of the line
    QRgb* bits = reinterpret_cast<QRgb*>(image_.bits());
    const int stride = image_.bytesPerLine() / 4;
    const QRgb c = qRgb(pen.r, pen.g, pen.b);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    // Bresenham over the n pixels before the end point; a dotted pen sets
    // every other one.
    int x = x1, y = y1, err = dx - dy;
    for (int i = 0; i < n; ++i) {
        if (style == PenStyle::Solid || i % 2 == 0)
            plot(bits, stride, x, y, width, c);
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
    const int m = width;
    dirty(QRect(QPoint(std::min(x1, x2) - m, std::min(y1, y2) - m), QPoint(std::max(x1, x2) + m, std::max(y1, y2) + m)));
}

void ChartImage::text(int x, int y, const std::string& s, Rgb colour) {
    QPainter& p = painter();
    const QString t = QString::fromStdString(s);
    const QFontMetrics fm(p.font());
    p.setPen(QColor(colour.r, colour.g, colour.b));
    p.drawText(x, y + fm.ascent(), t);
    dirty(QRect(x, y, fm.horizontalAdvance(t) + 1, fm.height()));
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
    dirty(dClip);
}

} // namespace zu
