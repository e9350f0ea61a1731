#include "monitor/widgets/monitor_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace zu {

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    QLabel::mousePressEvent(e);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->pos());
    pressed_ = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        emit clicked();
}

void ClickLabel::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(e);
}

void ClickLabel::paintEvent(QPaintEvent* e) {
    QLabel::paintEvent(e);
    if (!hasFocus())
        return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}

void SetLabelBackground(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour);
    label->setPalette(p);
    label->setAutoFillBackground(true);
}

QColor LabelBackground(const QLabel* label) {
    return label->palette().color(QPalette::Window);
}

void SetLabelTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

QColor LabelTextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

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
