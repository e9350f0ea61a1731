#pragma once
// A horizontal progress bar with a percentage in its middle: Progress runs
// from MinValue to MaxValue and the bar fills that share of the width.
#include <QColor>
#include <QWidget>

namespace zu {

class Gauge : public QWidget {
    Q_OBJECT
  public:
    explicit Gauge(QWidget* parent = nullptr);

    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    int progress() const { return progress_; }
    // Progress is kept within the range; a maximum at or below the minimum
    // shows an empty bar rather than dividing by zero.
    void setMinValue(int v);
    void setMaxValue(int v);
    void setProgress(int v);
    void addProgress(int delta) { setProgress(progress_ + delta); }
    // Whole percent done, 0..100 (integer arithmetic, rounded down).
    int percentDone() const;

    void setForeColor(const QColor& c);
    void setBackColor(const QColor& c);
    void setShowText(bool on);
    QSize sizeHint() const override { return {150, 20}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    bool showText_ = true;
    QColor fore_ = QColor(0, 0, 160);
    QColor back_ = Qt::white;
};

} // namespace zu
