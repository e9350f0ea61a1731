#include "monitor/widgets/monitor_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace zu {


ShapePanel::ShapePanel(Shape shape, const QColor& brush, QWidget* parent)
    : QWidget(parent), shape_(shape), brush_(brush) {}

void ShapePanel::setBrushColor(const QColor& c) {
    if (c == brush_)
        return;
    brush_ = c;
    update();
}

void ShapePanel::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void ShapePanel::setCaptionColour(const QColor& c) {
    captionColour_ = c;
    update();
}

void ShapePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(brush_.darker(160), 1));
    p.setBrush(brush_);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (shape_ == Shape::RoundRect) {
        const qreal radius = qMin(width(), height()) / 12.0 + 3;
        p.drawRoundedRect(r, radius, radius);
    } else {
        p.drawRect(r);
    }
    if (caption_.isEmpty())
        return;
    p.setPen(captionColour_);
    p.setFont(font());
    const int left = contentsMargins().left();
    p.drawText(QRect(2, 0, left - 2, height()), Qt::AlignVCenter | Qt::AlignLeft, caption_);
}

} // namespace zu
