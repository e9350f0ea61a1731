#pragma once
// A captioned group of radio buttons in columns whose item index is the
// value a window reads and sets, as the setting dialogs use them. Buttons are
// named <group>_<index> so tests can click them. Tab enters the group on its
// checked item.
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QRadioButton;

namespace zu {

// Tab into a row of exclusive choices lands on the checked one (only it takes
// Tab focus; the arrow keys still move between them), so a Space typed on
// arrival cannot change the setting. With none checked, every one takes Tab.
void TabLandsOnCheckedChoice(const QList<QAbstractButton*>& buttons);

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
