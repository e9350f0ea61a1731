#include "ui/click_label.h"

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

} // namespace zu
