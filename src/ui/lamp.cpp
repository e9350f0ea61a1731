#include "ui/lamp.h"

#include <QPainter>
#include <algorithm>

namespace zu {

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::setBrushColor(const QColor& c) {
    if (c == brush_)
        return;
    brush_ = c;
    update();
}

void Lamp::setPenColor(const QColor& c) {
    if (c == pen_)
        return;
    pen_ = c;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A circle centred in the widget, as large as the shorter side allows.
    const int d = std::max(2, std::min(width(), height()) - 1);
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    p.setPen(QPen(pen_, 1));
    p.setBrush(brush_);
    p.drawEllipse(r);
}

} // namespace zu
