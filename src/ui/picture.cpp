#include "ui/picture.h"

#include <QPainter>

namespace zu {

Picture::Picture(QWidget* parent) : QWidget(parent) {}

void Picture::setPixmap(const QPixmap& p) {
    pixmap_ = p;
    update();
}

QRect Picture::placement(QSize picture, QSize area) {
    if (picture.isEmpty() || area.isEmpty())
        return {};
    const QSize s = picture.scaled(area, Qt::KeepAspectRatio);
    return {(area.width() - s.width()) / 2, (area.height() - s.height()) / 2, s.width(),
            s.height()};
}

void Picture::paintEvent(QPaintEvent*) {
    if (pixmap_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(placement(pixmap_.size(), size()), pixmap_);
}

} // namespace zu
