#pragma once
// A captioned group of radio buttons in columns whose item index is the
// value a window reads and sets, as the setting dialogs use them. Buttons are
// named <group>_<index> so tests can click them.
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace zu {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
               int columns, QWidget* parent = nullptr);

    // -1 when none is selected.
    int itemIndex() const;
    // An index outside the items is clamped to the nearest item; -1 clears.
    void setItemIndex(int index);
    int count() const { return int(buttons_.size()); }
    QRadioButton* button(int index) const;
    QString currentText() const;

  signals:
    // The user picked an item (not emitted by setItemIndex).
    void clicked(int index);

  private:
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};

} // namespace zu
