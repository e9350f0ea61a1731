#include "ui/gauge.h"

#include <QPainter>
#include <algorithm>

namespace zu {

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::setMinValue(int v) {
    min_ = v;
    setProgress(progress_);
    update();
}

void Gauge::setMaxValue(int v) {
    max_ = v;
    setProgress(progress_);
    update();
}

void Gauge::setProgress(int v) {
    const int clamped = max_ > min_ ? std::clamp(v, min_, max_) : min_;
    if (clamped == progress_)
        return;
    progress_ = clamped;
    update();
}

int Gauge::percentDone() const {
    if (max_ <= min_)
        return 0;
    return int(((long long)progress_ - min_) * 100 / ((long long)max_ - min_));
}

void Gauge::setForeColor(const QColor& c) {
    fore_ = c;
    update();
}

void Gauge::setBackColor(const QColor& c) {
    back_ = c;
    update();
}

void Gauge::setShowText(bool on) {
    showText_ = on;
    update();
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), back_);
    const long long span = max_ > min_ ? (long long)max_ - min_ : 1;
    const int filled = int(((long long)progress_ - min_) * (width() - 2) / span);
    if (filled > 0)
        p.fillRect(QRect(1, 1, filled, height() - 2), fore_);
    p.setPen(Qt::black);
    p.drawRect(frame);
    if (!showText_)
        return;
    const QString text = QString::number(percentDone()) + QLatin1Char('%');
    // The text reads in the background colour over the bar and in the bar's
    // colour beside it.
    p.save();
    p.setClipRect(QRect(1, 1, filled, height() - 2));
    p.setPen(back_);
    p.drawText(rect(), Qt::AlignCenter, text);
    p.restore();
    p.setClipRect(QRect(1 + filled, 1, width() - 2 - filled, height() - 2));
    p.setPen(fore_);
    p.drawText(rect(), Qt::AlignCenter, text);
}

} // namespace zu
