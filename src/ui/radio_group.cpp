#include "ui/radio_group.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace zu {

void TabLandsOnCheckedChoice(const QList<QAbstractButton*>& buttons) {
    const auto refresh = [buttons] {
        const bool any = std::any_of(buttons.begin(), buttons.end(),
                                     [](const QAbstractButton* b) { return b->isChecked(); });
        for (QAbstractButton* b : buttons)
            b->setFocusPolicy(!any || b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (QAbstractButton* b : buttons)
        QObject::connect(b, &QAbstractButton::toggled, b, refresh);
    refresh();
}

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    setObjectName(objectName);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    columns = std::max(1, columns);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("%1_%2").arg(objectName).arg(i));
        group_->addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
        buttons_ << b;
    }
    connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
    TabLandsOnCheckedChoice(group_->buttons());
}

int RadioGroup::itemIndex() const {
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (buttons_.isEmpty())
        return;
    if (index < 0) {
        group_->setExclusive(false);
        for (QRadioButton* b : buttons_)
            b->setChecked(false);
        group_->setExclusive(true);
        return;
    }
    buttons_[std::min<int>(index, int(buttons_.size()) - 1)]->setChecked(true);
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

QString RadioGroup::currentText() const {
    const int i = itemIndex();
    return i >= 0 ? buttons_[i]->text() : QString();
}

} // namespace zu
