#include "monitor/widgets/monitor_slot_column.h"

#include "core/texts.h"
#include "ui/gauge.h"
#include "ui/lamp.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zu {

namespace {

QString named(const char* role, int slot) {
    return QLatin1String(role) + QString::number(slot);
}

Lamp* makeLamp(const QString& name, const QColor& colour, int size, QWidget* parent) {
    auto* l = new Lamp(parent);
    l->setObjectName(name);
    l->setBrushColor(colour);
    l->setFixedSize(size, size);
    return l;
}

QLineEdit* makeReadOut(const QString& name, const QColor& text, QWidget* parent) {
    auto* e = new QLineEdit(QStringLiteral("0"), parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, text);
    e->setPalette(p);
    e->setFrame(false);
    return e;
}

// PV and SV panels: teal, the caption on their left.
ShapePanel* makeCaptionPanel(const QString& name, const char* caption, int captionWidth,
                             QWidget* parent) {
    auto* p = new ShapePanel(ShapePanel::Shape::Rectangle, TealColour, parent);
    p->setObjectName(name);
    p->setCaption(QString::fromLatin1(caption));
    p->setContentsMargins(captionWidth, 3, 3, 3);
    return p;
}

} // namespace

SlotColumn::SlotColumn(int slot, double scale, QWidget* parent)
    : ShapePanel(Shape::RoundRect, qColorOf(Colour::Silver), parent), slot_(slot) {
    setObjectName(named("SelPanel", slot));
    const auto px = [scale](int v) { return std::max(v, int(v * scale)); };
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(px(6), px(6), px(6), px(6));
    column->setSpacing(px(3));

    // status lamp on its navy square, address label and picker
    auto* top = new QHBoxLayout;
    auto* statusBg = new ShapePanel(Shape::Rectangle, Navy, this);
    statusBg->setObjectName(named("StatusBG", slot));
    statusBg->setFixedSize(px(20), px(20));
    auto* bgLayout = new QHBoxLayout(statusBg);
    bgLayout->setContentsMargins(px(3), px(3), px(3), px(3));
    runLed_ = makeLamp(named("RunLED", slot), qColorOf(Colour::Grey), px(14), statusBg);
    bgLayout->addWidget(runLed_);
    top->addWidget(statusBg);
    adrLb_ = new ClickLabel(QString::fromLatin1(text::AddressCaption), this);
    adrLb_->setObjectName(QStringLiteral("Adr%1Lb").arg(slot));
    adrLb_->setAlignment(Qt::AlignCenter);
    adrLb_->setCursor(Qt::PointingHandCursor);
    // Tab reaches it; Space or Enter selects the slot as a click does.
    adrLb_->setFocusPolicy(Qt::StrongFocus);
    SetLabelBackground(adrLb_, qColorOf(Colour::Grey));
    top->addWidget(adrLb_, 1);
    address_ = new QSpinBox(this);
    address_->setObjectName(named("ComAddr", slot));
    address_->setRange(1, 247);
    address_->setValue(1);
    address_->setMinimumHeight(px(22));
    top->addWidget(address_);
    column->addLayout(top);

    runBt_ = new QPushButton(QString::fromLatin1(text::Connect), this);
    runBt_->setObjectName(named("RunBt", slot));
    column->addWidget(runBt_);

    // PV with its unit, SV
    const int captionWidth = px(26);
    auto* pvPl = makeCaptionPanel(named("PVPL", slot), text::PvCaption, captionWidth, this);
    auto* pvRow = new QHBoxLayout(pvPl);
    pvRow->setContentsMargins(0, 0, 0, 0);
    pv_ = makeReadOut(named("PV", slot), QColor(255, 64, 64), pvPl);
    pvRow->addWidget(pv_, 1);
    degLb_ = new QLabel(QString::fromLatin1(text::UnitC), pvPl);
    degLb_->setObjectName(named("DegLb", slot));
    degLb_->setMinimumWidth(px(18));
    degLb_->setAlignment(Qt::AlignCenter);
    SetLabelTextColour(degLb_, Qt::white);
    pvRow->addWidget(degLb_);
    column->addWidget(pvPl);

    auto* svPl = makeCaptionPanel(named("SVPL", slot), text::SvCaption, captionWidth, this);
    auto* svRow = new QHBoxLayout(svPl);
    svRow->setContentsMargins(0, 0, 0, 0);
    sv_ = makeReadOut(named("SV", slot), QColor(0, 255, 0), svPl);
    svRow->addWidget(sv_, 1);
    svRow->addSpacing(px(18));
    column->addWidget(svPl);

    // alarm lamps
    auto* alarmPl = new ShapePanel(Shape::Rectangle, palette().color(QPalette::Button), this);
    alarmPl->setObjectName(named("AlarmPl", slot));
    auto* alarms = new QGridLayout(alarmPl);
    alarms->setContentsMargins(px(4), px(2), px(3), px(2));
    alarms->setHorizontalSpacing(px(4));
    alarms->setVerticalSpacing(px(1));
    const char* alarmTexts[3] = {text::Alarm1, text::Alarm2, text::Alarm3};
    for (int i = 0; i < 3; ++i) {
        alarm_[i] = makeLamp(QStringLiteral("ALM%1LED%2").arg(i + 1).arg(slot),
                             qColorOf(Colour::Silver), px(12), alarmPl);
        alarmLb_[i] = new QLabel(QString::fromLatin1(alarmTexts[i]), alarmPl);
        alarmLb_[i]->setObjectName(QStringLiteral("ALM%1LB%2").arg(i + 1).arg(slot));
        alarms->addWidget(alarm_[i], i, 0);
        alarms->addWidget(alarmLb_[i], i, 1);
    }
    alarms->setColumnStretch(1, 1);
    column->addWidget(alarmPl);

    // output gauges
    auto* outputs = new QGridLayout;
    outputs->setSpacing(px(3));
    const char* outTexts[2] = {text::Out1, text::Out2};
    for (int i = 0; i < 2; ++i) {
        outLb_[i] = new QLabel(QString::fromLatin1(outTexts[i]), this);
        outLb_[i]->setObjectName(QStringLiteral("O%1Lb%2").arg(i + 1).arg(slot));
        out_[i] = new Gauge(this);
        out_[i]->setObjectName(QStringLiteral("OUT%1%2").arg(i + 1).arg(slot));
        out_[i]->setMaxValue(1000);
        out_[i]->setMinimumHeight(px(16));
        out_[i]->setBackColor(Qt::white);
        outputs->addWidget(outLb_[i], i, 0);
        outputs->addWidget(out_[i], i, 1);
    }
    outputs->setColumnStretch(1, 1);
    column->addLayout(outputs);

    // event lamps and heater current: no data source, kept in their reset state
    statusPl_ = new ShapePanel(Shape::Rectangle, palette().color(QPalette::Button), this);
    statusPl_->setObjectName(named("StatusPl", slot));
    // never shown once the window is up: it must not widen the column
    statusPl_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* status = new QHBoxLayout(statusPl_);
    status->setContentsMargins(px(3), px(2), px(3), px(2));
    const char* eventTexts[2] = {text::Event1, text::Event2};
    for (int i = 0; i < 2; ++i) {
        event_[i] = makeLamp(QStringLiteral("EV%1LED%2").arg(i + 1).arg(slot),
                             qColorOf(Colour::Silver), px(12), statusPl_);
        auto* lb = new QLabel(QString::fromLatin1(eventTexts[i]), statusPl_);
        lb->setObjectName(QStringLiteral("EV%1Lb%2").arg(i + 1).arg(slot));
        status->addWidget(event_[i]);
        status->addWidget(lb);
    }
    ct_ = new QLabel(QString::fromLatin1(text::CtDesign), statusPl_);
    ct_->setObjectName(named("CT", slot));
    status->addStretch(1);
    status->addWidget(ct_);
    column->addWidget(statusPl_);
    column->addStretch(1);
}

void SlotColumn::setReadingFontSize(int points) {
    if (points <= 0)
        return;
    readingPoints_ = points;
    QFont f = pv_->font();
    f.setPointSize(points);
    pv_->setFont(f);
    // tall enough for a reading, so a smaller error text does not shrink it
    pv_->setMinimumHeight(QFontMetrics(f).height() + 4);
}

void SlotColumn::showConnected(bool connected) {
    runBt_->setText(QString::fromLatin1(connected ? text::Cancel : text::Connect));
    SetLabelBackground(adrLb_, qColorOf(connected ? Colour::SkyBlue : Colour::Grey));
    runLed_->setBrushColor(qColorOf(connected ? Colour::Green : Colour::Grey));
}

void SlotColumn::reset() {
    showConnected(false);
    setReadingFontSize(readingPoints_);
    pv_->setText(QStringLiteral("0"));
    sv_->setText(QStringLiteral("0"));
    for (int i = 0; i < 2; ++i) {
        outLb_[i]->hide();
        out_[i]->hide();
        out_[i]->setProgress(0);
        event_[i]->setBrushColor(qColorOf(Colour::Silver));
    }
    statusPl_->hide();
    alarm_[2]->hide();
    alarmLb_[2]->hide();
    for (Lamp* l : alarm_)
        l->setBrushColor(qColorOf(Colour::Silver));
    ct_->setText(QString::fromLatin1(text::CtReset));
    setBrushColor(qColorOf(Colour::Silver));
}

void SlotColumn::highlight(bool on) {
    setBrushColor(qColorOf(on ? Colour::Yellow : Colour::Silver));
    runLed_->setBrushColor(qColorOf(Colour::Green));
}

void SlotColumn::colourStatusLamp(const QColor& c) {
    runLed_->setBrushColor(c);
}

void SlotColumn::setPv(const QString& text, int fontSize) {
    QFont f = pv_->font();
    if (fontSize > 0)
        f.setPointSize(fontSize);
    pv_->setFont(f);
    pv_->setText(text);
}

void SlotColumn::setSv(const QString& text) {
    sv_->setText(text);
}

void SlotColumn::setOutputs(const OutputsShown& o) {
    const bool alarmShown[3] = {o.alarm1Visible, o.alarm2Visible, o.alarm3Visible};
    for (int i = 0; i < 3; ++i) {
        alarm_[i]->setVisible(alarmShown[i]);
        alarmLb_[i]->setVisible(alarmShown[i]);
    }
    const bool shown[2] = {o.out1Visible, o.out2Visible};
    const Colour label[2] = {o.out1Label, o.out2Label};
    const Colour bar[2] = {o.out1Bar, o.out2Bar};
    const int position[2] = {o.out1Position, o.out2Position};
    for (int i = 0; i < 2; ++i) {
        outLb_[i]->setVisible(shown[i]);
        out_[i]->setVisible(shown[i]);
        if (!shown[i])
            continue;
        SetLabelTextColour(outLb_[i], qColorOf(label[i]));
        out_[i]->setForeColor(qColorOf(bar[i]));
        out_[i]->setProgress(position[i]);
    }
}

void SlotColumn::setAlarmLamps(bool a1, bool a2, bool a3) {
    const bool lit[3] = {a1, a2, a3};
    for (int i = 0; i < 3; ++i)
        alarm_[i]->setBrushColor(qColorOf(lit[i] ? Colour::Red : Colour::Silver));
}

void SlotColumn::setUnit(const QString& unit) {
    degLb_->setText(unit);
}

} // namespace zu
