#include "monitor/widgets/parameter_panel_form.h"

#include "device/panel_controls.h"
#include "device/register_map.h"
#include "monitor/logic/parameter_editing.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

namespace zu {

namespace {

constexpr int EditLength = 5;

QString qname(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// A list that reports when it closes, as the panel writes on close-up. A
// keyboard change of a closed list counts as a close-up too; the wheel does
// not change a closed list, so scrolling over the panel never writes.
class PanelList : public QComboBox {
  public:
    using QComboBox::QComboBox;
    std::function<void(int)> onCloseUp;

    void showPopup() override {
        open_ = true;
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (!open_)
            return;
        open_ = false;
        closing_ = true;
        // The chosen item is taken over after the popup is hidden.
        QMetaObject::invokeMethod(
            this,
            [this] {
                closing_ = false;
                if (onCloseUp)
                    onCloseUp(currentIndex());
            },
            Qt::QueuedConnection);
    }
    void keyActivated(int index) {
        if (!open_ && !closing_ && onCloseUp)
            onCloseUp(index);
    }

  protected:
    void wheelEvent(QWheelEvent* e) override {
        if (open_)
            QComboBox::wheelEvent(e);
        else
            e->ignore();
    }

  private:
    bool open_ = false;
    bool closing_ = false;
};

// An edit box that takes at most 5 typed characters but shows a longer value
// (a negative number with its blank) whole.
class PanelEdit : public QLineEdit {
  public:
    explicit PanelEdit(QWidget* parent) : QLineEdit(parent) {
        setMaxLength(EditLength);
        connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
            if (t.size() <= EditLength && maxLength() != EditLength)
                setMaxLength(EditLength);
        });
    }
    void showText(const QString& t) {
        setMaxLength(std::max<int>(EditLength, int(t.size())));
        setText(t);
        setCursorPosition(0);
    }
};

// An empty place in a group box's layout that a control on the panel covers.
class Anchor : public QWidget {
  public:
    Anchor(QWidget* target, QWidget* parent) : QWidget(parent), target_(target) {
        setSizePolicy(target->sizePolicy());
    }
    QSize sizeHint() const override { return target_->sizeHint(); }
    QSize minimumSizeHint() const override { return target_->minimumSizeHint(); }

  private:
    QWidget* target_;
};

} // namespace

ParameterPanelForm::ParameterPanelForm(QWidget* parent) : QWidget(parent) {
    setObjectName(qname(ctl::ParaPL));
    build();
}

ParameterPanelForm::~ParameterPanelForm() = default;

void ParameterPanelForm::registerWidget(QWidget* w) {
    widgets_[w->objectName().toStdString()] = w;
}

QWidget* ParameterPanelForm::control(std::string_view name) const {
    if (name == ctl::ParaPL)
        return const_cast<ParameterPanelForm*>(this);
    const auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QGroupBox* ParameterPanelForm::makeBox(std::string_view name, QGridLayout*& grid) {
    auto* box = new QGroupBox(this);
    box->setObjectName(qname(name));
    if (const PanelControl* c = FindPanelControl(name))
        box->setTitle(qname(c->caption));
    grid = new QGridLayout(box);
    grid->setContentsMargins(5, 3, 5, 5);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    box->installEventFilter(this);
    registerWidget(box);
    return box;
}

QWidget* ParameterPanelForm::makeLabel(std::string_view controlName) {
    const PanelControl* c = FindPanelControl(controlName);
    if (!c || c->label.empty())
        return nullptr;
    if (QWidget* existing = control(c->label))
        return existing; // a label shared by controls at one place
    auto* label = new QLabel(qname(c->caption), this);
    label->setObjectName(qname(c->label));
    registerWidget(label);
    return label;
}

QComboBox* ParameterPanelForm::makeList(std::string_view name) {
    auto* list = new PanelList(this);
    list->setObjectName(qname(name));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(7);
    list->setMaximumWidth(list->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 22);
    list->setFocusPolicy(Qt::StrongFocus);
    if (const regmap::CodeTable* table = regmap::ListItems(name)) {
        int widest = 0;
        for (std::string_view item : table->items) {
            list->addItem(qname(item));
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(qname(item)));
        }
        // The open list shows its items whole even where the box is narrow.
        list->view()->setMinimumWidth(widest + 32);
    }
    const std::string key(name);
    list->onCloseUp = [this, key](int index) {
        if (editing_)
            editing_->CtrlSetCloseUp(key, index);
    };
    connect(list, &QComboBox::activated, list, [list](int index) { list->keyActivated(index); });
    registerWidget(list);
    return list;
}

QLineEdit* ParameterPanelForm::makeEdit(std::string_view name) {
    auto* edit = new PanelEdit(this);
    edit->setObjectName(qname(name));
    const int width = edit->fontMetrics().horizontalAdvance(QStringLiteral("- 888.8")) + 14;
    edit->setMinimumWidth(width);
    edit->setMaximumWidth(width + 40);
    const std::string key(name);
    connect(edit, &QLineEdit::returnPressed, edit, [this, edit, key] {
        if (editing_)
            editing_->RangeHiKeyPress(key, 13, edit->text());
    });
    registerWidget(edit);
    return edit;
}

QWidget* ParameterPanelForm::makeOverlay(QWidget* target) {
    auto* anchor = new Anchor(target, this);
    anchor->installEventFilter(this);
    overlays_.push_back({target, anchor});
    return anchor;
}

void ParameterPanelForm::addRow(QGridLayout* grid, int row, int col, std::string_view name,
                                QWidget* field, int span) {
    if (QWidget* label = makeLabel(name))
        grid->addWidget(label, row, col);
    grid->addWidget(field, row, col + 1, 1, span);
}

void ParameterPanelForm::build() {
    // five columns of boxes, each box at its natural height
    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->setSpacing(5);
    QVBoxLayout* column[5];
    for (QVBoxLayout*& c : column) {
        c = new QVBoxLayout;
        c->setSpacing(4);
        top->addLayout(c, 1);
    }

    // Control
    QGridLayout* g = nullptr;
    QGroupBox* ctrlBox = makeBox(ctl::CtrlBox, g);
    addRow(g, 0, 0, ctl::CtrlSet, makeList(ctl::CtrlSet));
    addRow(g, 1, 0, ctl::RunStop, makeList(ctl::RunStop));
    addRow(g, 2, 0, ctl::HeatCool, makeList(ctl::HeatCool));
    g->addWidget(makeList(ctl::Out1Sel), 2, 1);
    auto* comWrite = makeList(ctl::ComWrite);
    addRow(g, 3, 0, ctl::ComWrite, makeList(ctl::Out2Sel)); // label ComWLb
    g->addWidget(makeOverlay(comWrite), 3, 1);
    addRow(g, 4, 0, ctl::LockStatus, makeList(ctl::LockStatus));
    auto* at = makeList(ctl::AT);
    addRow(g, 5, 0, ctl::AT, makeOverlay(at));
    addRow(g, 6, 0, ctl::OutputType1, makeList(ctl::OutputType1));
    addRow(g, 7, 0, ctl::OutputType2, makeList(ctl::OutputType2));
    g->setColumnStretch(1, 1);
    column[0]->addWidget(ctrlBox);

    // Input
    QGroupBox* tempBox = makeBox(ctl::TempBox, g);
    addRow(g, 0, 0, ctl::InputA, makeList(ctl::InputA));
    g->addWidget(makeList(ctl::InputB), 0, 1);
    addRow(g, 1, 0, ctl::Unit, makeList(ctl::Unit));
    auto* sv = makeEdit(ctl::SV);
    addRow(g, 2, 0, ctl::ProgDisp, makeList(ctl::ProgDisp));
    g->addWidget(makeOverlay(sv), 2, 1);
    addRow(g, 3, 0, ctl::RangeHi, makeEdit(ctl::RangeHi));
    addRow(g, 4, 0, ctl::RangeLo, makeEdit(ctl::RangeLo));
    addRow(g, 5, 0, ctl::Pointer, makeList(ctl::Pointer));
    g->setColumnStretch(1, 1);
    column[1]->addWidget(tempBox);

    // firmware version and transfer progress under the input box
    auto* info = new QVBoxLayout;
    auto* fw = new QLabel(this);
    fw->setObjectName(qname(ctl::FWVersion));
    fw->setText(qname(FindPanelControl(ctl::FWVersion)->caption));
    fw->setFrameShape(QFrame::Panel);
    fw->setFrameShadow(QFrame::Sunken);
    fw->setAlignment(Qt::AlignCenter);
    fw->setMinimumHeight(fw->sizeHint().height() + 6);
    registerWidget(fw);
    info->addWidget(fw);
    auto* progressLb = new QLabel(this);
    progressLb->setObjectName(QStringLiteral("ProgressLb"));
    registerWidget(progressLb);
    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("ProgressBar"));
    registerWidget(progress);
    progressLb->hide();
    progress->hide();
    info->addWidget(progressLb);
    info->addWidget(progress);
    column[1]->addLayout(info);

    // PID Parameter, ON-OFF and Manual share one place
    auto* place = new QGridLayout;
    column[2]->addLayout(place);
    QGroupBox* pidBox = makeBox(ctl::PIDBox, g);
    addRow(g, 0, 0, ctl::Pb, makeEdit(ctl::Pb));
    addRow(g, 1, 0, ctl::Ti, makeEdit(ctl::Ti));
    addRow(g, 2, 0, ctl::Td, makeEdit(ctl::Td));
    addRow(g, 3, 0, ctl::HCPeriodPID1, makeEdit(ctl::HCPeriodPID1));
    addRow(g, 4, 0, ctl::IOffset, makeEdit(ctl::IOffset));
    addRow(g, 4, 0, ctl::PDOffset, makeEdit(ctl::PDOffset));
    addRow(g, 5, 0, ctl::HCPeriodPID2, makeEdit(ctl::HCPeriodPID2));
    addRow(g, 6, 0, ctl::Coeff, makeEdit(ctl::Coeff));
    addRow(g, 7, 0, ctl::DeadBand1, makeEdit(ctl::DeadBand1));
    g->setColumnStretch(2, 1);
    place->addWidget(pidBox, 0, 0, Qt::AlignTop);

    QGroupBox* onOffBox = makeBox(ctl::OnOffBox, g);
    addRow(g, 0, 0, ctl::Hyst1, makeEdit(ctl::Hyst1));
    addRow(g, 1, 0, ctl::Hyst2, makeEdit(ctl::Hyst2));
    addRow(g, 2, 0, ctl::DeadBand2, makeEdit(ctl::DeadBand2));
    g->setColumnStretch(2, 1);
    place->addWidget(onOffBox, 0, 0, Qt::AlignTop);

    QGroupBox* manuBox = makeBox(ctl::ManuBox, g);
    addRow(g, 0, 0, ctl::OUTQ1, makeEdit(ctl::OUTQ1));
    addRow(g, 1, 0, ctl::HCPeriod1, makeEdit(ctl::HCPeriod1));
    addRow(g, 2, 0, ctl::OUTQ2, makeEdit(ctl::OUTQ2));
    addRow(g, 3, 0, ctl::HCPeriod2, makeEdit(ctl::HCPeriod2));
    addRow(g, 4, 0, ctl::CurrHi, makeEdit(ctl::CurrHi));
    addRow(g, 5, 0, ctl::CurrLo, makeEdit(ctl::CurrLo));
    g->setColumnStretch(2, 1);
    place->addWidget(manuBox, 0, 0, Qt::AlignTop);

    // Alarm: mode over its two limits
    QGroupBox* almBox = makeBox(ctl::AlmBox, g);
    for (int a = 0; a < 3; ++a) {
        const std::string n = std::to_string(a + 1);
        const std::string mode = "ALM" + n + "Mode", up = "UpLimit" + n, dn = "DnLimit" + n;
        addRow(g, 2 * a, 0, mode, makeList(mode), 3);
        addRow(g, 2 * a + 1, 0, up, makeEdit(up));
        addRow(g, 2 * a + 1, 2, dn, makeEdit(dn));
    }
    addRow(g, 6, 0, ctl::SALMode, makeList(ctl::SALMode), 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    column[3]->addWidget(almBox);

    // PV tuning; the factory adjustments below the PV offset appear in hidden mode
    QGroupBox* adjustBox = makeBox(ctl::AdjustBox, g);
    addRow(g, 0, 0, ctl::PVTune, makeEdit(ctl::PVTune));
    int row = 1;
    for (std::string_view name :
         {ctl::RTDOfs, ctl::RTDGain, ctl::TCOfs, ctl::TCGain, ctl::ColdJ, ctl::mVOfs, ctl::mVGain})
        addRow(g, row++, 0, name, makeEdit(name));
    for (int i = 0; i < 2; ++i) {
        const std::string name = "ClearBt" + std::to_string(i + 1);
        auto* bt = new QPushButton(qname(FindPanelControl(name)->caption), this);
        bt->setObjectName(QString::fromStdString(name));
        bt->setAutoDefault(false);
        connect(bt, &QPushButton::clicked, bt, [this, name] {
            if (editing_)
                editing_->ClearBt1Click(name);
        });
        registerWidget(bt);
        g->addWidget(bt, row++, 0, 1, 3);
    }
    g->setColumnStretch(2, 1);
    column[4]->addWidget(adjustBox);

    // The family-C security box; its controls come with the security handling.
    QGroupBox* securityBox = makeBox(ctl::SecurityPL, g);
    securityBox->hide();
    column[4]->addWidget(securityBox);

    for (QVBoxLayout* c : column)
        c->addStretch(1);

    // overlays above the boxes they cover
    for (const Overlay& o : overlays_)
        o.target->raise();

    // as designed: unit C, one decimal; most boxes wait for the first read-back
    setListIndex(ctl::Unit, 1);
    setListIndex(ctl::Pointer, 1);
    for (std::string_view box :
         {ctl::TempBox, ctl::PIDBox, ctl::OnOffBox, ctl::ManuBox, ctl::AlmBox, ctl::AdjustBox})
        setControlEnabled(box, false);
    for (std::string_view c :
         {ctl::OutType1LB, ctl::OutputType1, ctl::RTDOfsLb, ctl::RTDOfs,   ctl::RTDGainLb,
          ctl::RTDGain,    ctl::TCOfsLb,     ctl::TCOfs,    ctl::TCGainLb, ctl::TCGain,
          ctl::ColdJLb,    ctl::ColdJ,       ctl::ClearBt1, ctl::ClearBt2, ctl::OutputType2,
          ctl::OutType2LB, ctl::mVOfs,       ctl::mVOfsLb,  ctl::mVGain,   ctl::mVGainLb})
        setControlVisible(c, false);

    buildStacks();
    setControlVisible(ctl::ProgDisp, false);
}

void ParameterPanelForm::buildStacks() {
    for (const OverlapGroup& group : PanelOverlaps()) {
        Stack stack;
        for (const auto& layerNames : group.layers) {
            Layer layer;
            for (std::string_view n : layerNames)
                if (QWidget* w = control(n)) {
                    layer.widgets.push_back(w);
                    wanted_[w] = true;
                }
            if (!layer.widgets.empty())
                stack.layers.push_back(std::move(layer));
        }
        stacks_.push_back(std::move(stack));
    }
    for (const Stack& s : stacks_)
        resolve(s);
}

ParameterPanelForm::Stack* ParameterPanelForm::stackOf(const QWidget* w, int* layerIndex) {
    for (Stack& s : stacks_)
        for (std::size_t i = 0; i < s.layers.size(); ++i)
            for (const QWidget* m : s.layers[i].widgets)
                if (m == w) {
                    if (layerIndex)
                        *layerIndex = int(i);
                    return &s;
                }
    return nullptr;
}

// Only the front layer that has a control not hidden is seen.
void ParameterPanelForm::resolve(const Stack& stack) {
    bool shown = false;
    for (const Layer& layer : stack.layers) {
        bool any = false;
        for (const QWidget* w : layer.widgets)
            any = any || wanted_[w];
        const bool show = any && !shown;
        for (QWidget* w : layer.widgets)
            w->setVisible(show && wanted_[w]);
        shown = shown || show;
    }
}

void ParameterPanelForm::placeOverlays() {
    for (const Overlay& o : overlays_)
        o.target->setGeometry(QRect(o.anchor->mapTo(this, QPoint(0, 0)), o.anchor->size()));
}

bool ParameterPanelForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show)
        placeOverlays();
    return QWidget::eventFilter(watched, event);
}

void ParameterPanelForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOverlays();
}

void ParameterPanelForm::markControl(std::string_view name, const QColor& colour,
                                     const QString& tip) {
    QWidget* w = control(name);
    if (!w || w == this)
        return;
    if (!tip.isEmpty())
        w->setToolTip(tip);
    QPalette p = w->palette();
    const QPalette plain = palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button}) {
        p.setColor(QPalette::Active, role,
                   colour.isValid() ? colour : plain.color(QPalette::Active, role));
        p.setColor(QPalette::Inactive, role,
                   colour.isValid() ? colour : plain.color(QPalette::Inactive, role));
    }
    w->setPalette(p);
    w->setProperty("mark", colour.isValid() ? colour.name() : QString());
}

void ParameterPanelForm::setListIndex(std::string_view list, int index) {
    auto* combo = qobject_cast<QComboBox*>(control(list));
    if (!combo)
        return;
    combo->setPlaceholderText(QString());
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int ParameterPanelForm::listIndex(std::string_view list) const {
    auto* combo = qobject_cast<QComboBox*>(control(list));
    return combo ? combo->currentIndex() : -1;
}

void ParameterPanelForm::setListText(std::string_view list, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(control(list));
    if (!combo)
        return;
    combo->setCurrentIndex(-1);
    combo->setPlaceholderText(text);
}

void ParameterPanelForm::setEditText(std::string_view edit, const QString& text) {
    if (auto* e = dynamic_cast<PanelEdit*>(control(edit)))
        e->showText(text);
}

void ParameterPanelForm::setCaption(std::string_view name, const QString& caption) {
    QWidget* w = control(name);
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(caption);
    else if (auto* box = qobject_cast<QGroupBox*>(w))
        box->setTitle(caption);
    else if (auto* button = qobject_cast<QPushButton*>(w))
        button->setText(caption);
}

void ParameterPanelForm::setControlVisible(std::string_view name, bool visible) {
    QWidget* w = control(name);
    if (!w)
        return;
    if (w == this) {
        setVisible(visible);
        return;
    }
    if (Stack* s = stackOf(w)) {
        wanted_[w] = visible;
        resolve(*s);
        return;
    }
    w->setVisible(visible);
}

void ParameterPanelForm::setControlEnabled(std::string_view name, bool enabled) {
    if (QWidget* w = control(name))
        w->setEnabled(enabled);
}

void ParameterPanelForm::bringToFront(std::string_view name) {
    QWidget* w = control(name);
    int layer = 0;
    Stack* s = w ? stackOf(w, &layer) : nullptr;
    if (!s)
        return;
    std::rotate(s->layers.begin(), s->layers.begin() + layer, s->layers.begin() + layer + 1);
    resolve(*s);
}

void ParameterPanelForm::showProgramDisplay(bool shown, int mode) {
    setControlVisible(ctl::SV, !shown);
    setControlVisible(ctl::ProgDisp, shown);
    if (shown)
        setListIndex(ctl::ProgDisp, mode);
}

bool ParameterPanelForm::svEditVisible() const {
    const QWidget* sv = control(ctl::SV);
    return sv && !sv->isHidden();
}

} // namespace zu
