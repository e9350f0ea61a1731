#pragma once
// Labels of the forms: one that can be clicked, and labels whose background
// or text colour shows a state.
#include <QColor>
#include <QLabel>

namespace zu {

// A static text that reports a click (press and release inside it), and
// Space or Enter while it has the focus.
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent) {}
  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    bool pressed_ = false;
};

// A label whose background colour is its state (address label, ErrMessage).
void SetLabelBackground(QLabel* label, const QColor& colour);
QColor LabelBackground(const QLabel* label);
// Text colour of a label (output labels).
void SetLabelTextColour(QLabel* label, const QColor& colour);
QColor LabelTextColour(const QLabel* label);

} // namespace zu
