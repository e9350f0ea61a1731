#include "recorder/widgets/record_window.h"

#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "core/texts.h"
#include "ui/chart_image.h"
#include "ui/click_label.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace zu {

namespace {

constexpr int DesignWidth = 808;

const char* const ColourNames[16] = {"Black", "Maroon",  "Green",  "Olive", "Navy", "Purple",
                                     "Teal",  "Gray",    "Silver", "Red",   "Lime", "Yellow",
                                     "Blue",  "Fuchsia", "Aqua",   "White"};

QColor qColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QColor BoxColour(RecAddressColour c) {
    switch (c) {
    case RecAddressColour::Silver:
        return QColor(192, 192, 192);
    case RecAddressColour::Red:
        return QColor(255, 0, 0);
    case RecAddressColour::White:
        break;
    }
    return QColor(255, 255, 255);
}

void SetBase(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
}

void SetWindowColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QLabel* Caption(const char* text, QWidget* parent) {
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

template <typename W> W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

} // namespace

TPRecord::TPRecord(AppState& state, ReplyGathering& replies, RecorderState& rec, Dialogs& dialogs,
                   QWidget* parent)
    : QDialog(parent), state_(state), rec_(rec), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TPRecord"));
    setWindowTitle(QStringLiteral("Recorder Program"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    toolBar_ = buildToolBar();
    layout->addWidget(toolBar_);

    chartHolder_ = new QWidget(this);
    auto* chartRow = new QHBoxLayout(chartHolder_);
    chartRow->setContentsMargins(0, 0, 0, 0);
    RecdIme = Named(new ChartImage(chartHolder_), QStringLiteral("RecdIme"));
    chartRow->addWidget(RecdIme, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(chartHolder_, 1);

    slots_ = buildSlots();
    layout->addWidget(slots_);
    controls_ = buildControls();
    layout->addWidget(controls_);

    chart_ = std::make_unique<RecorderChart>(rec_, *RecdIme, *this);
    acquisition_ = std::make_unique<RecorderAcquisition>(state, replies, rec_, *this, *chart_);
    RecdIme->setRebuild([this] { chart_->RecdImePaint(); });
    // The record file and replay are not here yet: their buttons stay put, inert.
    SaveBt->setEnabled(false);
    RePlayBt->setEnabled(false);
}

TPRecord::~TPRecord() {
    acquisition_->FormClose();
}

QWidget* TPRecord::buildToolBar() {
    auto* bar = Named(new QWidget(this), QStringLiteral("ToolBar1"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto tool = [&](const char* name, QStyle::StandardPixmap icon, const char* hint) {
        auto* b = Named(new QToolButton(bar), QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(QString::fromLatin1(hint));
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    SaveBt = tool("SaveBt", QStyle::SP_DialogSaveButton, "Save recording data");
    SaveBt->setCheckable(true);
    RePlayBt = tool("RePlayBt", QStyle::SP_BrowserReload, "Re-Draw record");
    RePlayBt->setCheckable(true);

    PlayPL = Named(new QWidget(bar), QStringLiteral("PlayPL"));
    auto* play = new QHBoxLayout(PlayPL);
    play->setContentsMargins(8, 0, 0, 0);
    auto speed = [&](const char* name, QStyle::StandardPixmap icon) {
        auto* b = Named(new QToolButton(PlayPL), QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        play->addWidget(b);
        return b;
    };
    speed("PlayBt", QStyle::SP_MediaPlay);
    speed("PauseBt", QStyle::SP_MediaPause)->setEnabled(false);
    speed("StopBt", QStyle::SP_MediaStop)->setEnabled(false);
    auto* track = Named(new QSlider(Qt::Horizontal, PlayPL), QStringLiteral("TrackBar"));
    track->setPageStep(50);
    track->setMinimumWidth(300);
    play->addWidget(track);
    PlayPL->hide();
    row->addWidget(PlayPL);
    row->addStretch(1);
    // The chart's own controls sit above it, by the exit button.
    addChartControls(row, bar);
    row->addSpacing(12);

    ExitBt3 = tool("ExitBt3", QStyle::SP_DialogCloseButton, "Exit this window");
    connect(ExitBt3, &QToolButton::clicked, this, [this] { close(); });
    return bar;
}

QWidget* TPRecord::buildSlots() {
    ComAddrPL = Named(new QWidget(this), QStringLiteral("ComAddrPL"));
    auto* grid = new QHBoxLayout(ComAddrPL);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    for (int i = 0; i < RecSlots; ++i) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        const QString n = QString::number(i);
        DevicePL[i] = Named(new ClickLabel(QStringLiteral("Device %1").arg(i + 1), ComAddrPL),
                            QStringLiteral("DevicePL") + n);
        DevicePL[i]->setAlignment(Qt::AlignCenter);
        DevicePL[i]->setFocusPolicy(Qt::TabFocus);
        DevicePL[i]->setToolTip(QStringLiteral("Show or hide this device on the chart"));
        const Rgb c = DeviceColour[i];
        SetLabelBackground(DevicePL[i], qColor(c));
        // Readable on every slot colour.
        SetLabelTextColour(DevicePL[i], (c.r * 299 + c.g * 587 + c.b * 114) / 1000 > 150
                                            ? QColor(0, 0, 0)
                                            : QColor(255, 255, 255));
        connect(DevicePL[i], &ClickLabel::clicked, this, [this, i] { chart_->DevicePL0Click(i); });
        column->addWidget(DevicePL[i]);

        ComAddrBox[i] = Named(new QSpinBox(ComAddrPL), QStringLiteral("ComAddr") + n);
        ComAddrBox[i]->setRange(0, 247);
        ComAddrBox[i]->setValue(i == 0 ? 1 : 0);
        ComAddrBox[i]->setToolTip(QStringLiteral("Address of device %1 (0: not used)").arg(i + 1));
        column->addWidget(ComAddrBox[i]);

        PV[i] = Named(new QLineEdit(QStringLiteral("0"), ComAddrPL), QStringLiteral("PV") + n);
        PV[i]->setEnabled(false);
        PV[i]->setAlignment(Qt::AlignRight);
        column->addWidget(PV[i]);
        grid->addLayout(column, 1);
    }
    return ComAddrPL;
}

void TPRecord::addChartControls(QHBoxLayout* row, QWidget* panel) {
    row->addWidget(Named(Caption("Display", panel), QStringLiteral("DisplayPL")));
    DisplayMd = Named(new QComboBox(panel), QStringLiteral("DisplayMd"));
    DisplayMd->addItems({QStringLiteral("Auto"), QStringLiteral("Fix")});
    connect(DisplayMd, &QComboBox::currentIndexChanged, this,
            [this](int item) { chart_->DisplayMdChange(item); });
    row->addWidget(DisplayMd);
    auto scaleEdit = [&](const char* caption, const char* pl, const char* name, const char* text) {
        row->addWidget(Named(Caption(caption, panel), QString::fromLatin1(pl)));
        auto* e = Named(new QLineEdit(QString::fromLatin1(text), panel), QString::fromLatin1(name));
        e->setMaxLength(6);
        e->setEnabled(false);
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-000.0")) + 14);
        row->addWidget(e);
        return e;
    };
    MaxScale = scaleEdit("Max. scale", "MaxPL", "MaxScale", "100");
    MinScale = scaleEdit("Min. scale", "MinPL", "MinScale", "0");

    row->addWidget(Named(Caption("Background", panel), QStringLiteral("BGColorPL")));
    BGColor = Named(new QComboBox(panel), QStringLiteral("BGColor"));
    for (int i = 0; i < 16; ++i) {
        QPixmap swatch(14, 14);
        swatch.fill(qColor(StandardColour[i]));
        QPainter(&swatch).drawRect(0, 0, 13, 13);
        BGColor->addItem(QIcon(swatch), QString::fromLatin1(ColourNames[i]));
    }
    BGColor->setCurrentIndex(WhiteItem);
    connect(BGColor, &QComboBox::currentIndexChanged, this,
            [this](int item) { chart_->BGColorChange(item); });
    row->addWidget(BGColor);
}

QWidget* TPRecord::buildControls() {
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    row->addWidget(Named(Caption("Sampling time", panel), QStringLiteral("PSampleTime")));
    SampleTimeBox = Named(new QSpinBox(panel), QStringLiteral("SampleTime"));
    SampleTimeBox->setRange(0, 99);
    SampleTimeBox->setValue(1);
    SampleTimeBox->setMinimumWidth(
        SampleTimeBox->fontMetrics().horizontalAdvance(QStringLiteral("000")) +
        SampleTimeBox->sizeHint().height() + 16);
    SampleTimeBox->setToolTip(QStringLiteral("Seconds between samples (0: half a second)"));
    // Lies over the spin box's text, leaving its arrows usable.
    SampleEdit =
        Named(new QLineEdit(QStringLiteral("0.5"), SampleTimeBox), QStringLiteral("SampleEdit"));
    SampleEdit->setEnabled(false);
    SampleEdit->hide();
    connect(SampleTimeBox, &QSpinBox::valueChanged, this, [this] { SampleTimeChange(); });
    row->addWidget(SampleTimeBox);
    row->addWidget(Named(new QLabel(QStringLiteral("seconds"), panel), QStringLiteral("SecPl")));

    BackGndP = Named(new QFrame(panel), QStringLiteral("BackGndP"));
    auto* bg = new QHBoxLayout(BackGndP);
    bg->setContentsMargins(4, 3, 4, 3);
    StartBt = Named(new QPushButton(QStringLiteral("Start"), BackGndP), QStringLiteral("StartBt"));
    StartBt->setToolTip(QString::fromLatin1(text::StartGettingData));
    StartBt->setMinimumWidth(90);
    connect(StartBt, &QPushButton::clicked, this, [this] { acquisition_->StartBtClick(); });
    bg->addWidget(StartBt);
    SetWindowColour(BackGndP, QColor(0, 255, 0));
    row->addWidget(BackGndP);

    row->addWidget(Named(Caption("Counter", panel), QStringLiteral("ExecCntLb")));
    LoopCnt = Named(new QLineEdit(QStringLiteral(" 00000000"), panel), QStringLiteral("LoopCnt"));
    LoopCnt->setMaxLength(9);
    LoopCnt->setEnabled(false);
    LoopCnt->setFixedWidth(LoopCnt->fontMetrics().horizontalAdvance(QStringLiteral(" 000000000")) +
                           12);
    row->addWidget(LoopCnt);

    ErrMess = Named(new QLabel(QStringLiteral("No error"), panel), QStringLiteral("ErrMess"));
    ErrMess->setMinimumWidth(ErrMess->fontMetrics().horizontalAdvance(
        QStringLiteral("DEVICE  10 Received data time out error")));
    row->addWidget(ErrMess, 1);
    return panel;
}

void TPRecord::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    acquisition_->FormShow();
    fixChartGeometry();
}

void TPRecord::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // A window manager maximises the window after it is shown; the chart
    // takes the final width, but never changes under a running acquisition.
    if (isVisible() && !rec_.RecAcquiring)
        fixChartGeometry();
}

void TPRecord::fixChartGeometry() {
    const QMargins m = layout()->contentsMargins();
    const int spacing = 3 * layout()->spacing();
    const int others = toolBar_->sizeHint().height() + slots_->sizeHint().height() +
                       controls_->sizeHint().height() + m.top() + m.bottom() + spacing;
    int w = width() - m.left() - m.right();
    // The chart is 365/808 of its width high: a low window narrows it.
    w = std::min(w, (height() - others) * DesignWidth / 365);
    w = std::max(w, 200);
    if (w == geometryWidth_)
        return;
    geometryWidth_ = w;
    chart_->SetGeometry(w);
    const ChartGeometry& g = chart_->geometry();
    RecdIme->setFixedSize(g.cW, g.cH); // a new image: rebuilt through setRebuild
}

void TPRecord::done(int result) {
    acquisition_->FormClose();
    QDialog::done(result);
}

void TPRecord::SampleTimeChange() {
    const bool half = SampleTimeBox->value() == 0;
    if (half) {
        // Over the text, clear of the arrows.
        const int arrows = SampleTimeBox->height();
        SampleEdit->setGeometry(2, 2, std::max(SampleTimeBox->width() - arrows, 10),
                                SampleTimeBox->height() - 4);
    }
    SampleEdit->setVisible(half);
}

// --------------------------------------------------------------- RecorderView

void TPRecord::ShowAcquiring(bool on) {
    SetWindowColour(BackGndP, on ? QColor(255, 0, 0) : QColor(0, 255, 0));
    StartBt->setText(QString::fromLatin1(on ? text::Stop : text::Start));
    StartBt->setToolTip(QString::fromLatin1(on ? text::EndOfAcquire : text::StartGettingData));
}

void TPRecord::SetErrMess(const QString& text) {
    ErrMess->setText(text);
}

void TPRecord::SetLoopCnt(const QString& text) {
    LoopCnt->setText(text);
}

void TPRecord::PaintAddressBox(int slot, RecAddressColour colour) {
    if (slot >= 0 && slot < RecSlots)
        SetBase(ComAddrBox[slot], BoxColour(colour));
}

void TPRecord::SetControlEnabled(RecControl control, bool enabled) {
    switch (control) {
    case RecControl::SaveBt:
    case RecControl::RePlayBt:
        break; // inert until record files and replay come
    case RecControl::SampleTime:
        SampleTimeBox->setEnabled(enabled);
        break;
    case RecControl::ComAddrPL:
        for (QSpinBox* b : ComAddrBox)
            b->setEnabled(enabled);
        break;
    case RecControl::DisplayMd:
        DisplayMd->setEnabled(enabled);
        break;
    case RecControl::MaxScale:
        MaxScale->setEnabled(enabled);
        break;
    case RecControl::MinScale:
        MinScale->setEnabled(enabled);
        break;
    }
}

void TPRecord::ShowMessage(const QString& text) {
    dialogs_.message(this, text);
}

int TPRecord::ComAddr(int slot) const {
    return slot >= 0 && slot < RecSlots ? ComAddrBox[slot]->value() : 0;
}

int TPRecord::SampleTime() const {
    return SampleTimeBox->value();
}

// ---------------------------------------------------------- RecorderChartView

void TPRecord::showSlotValue(int slot, const std::string& text) {
    if (slot >= 0 && slot < RecSlots)
        PV[slot]->setText(QString::fromStdString(text));
}

void TPRecord::showScale(const std::string& maxText, const std::string& minText) {
    MaxScale->setText(QString::fromStdString(maxText));
    MinScale->setText(QString::fromStdString(minText));
}

void TPRecord::switchDisplayToAuto() {
    const QSignalBlocker quiet(DisplayMd);
    DisplayMd->setCurrentIndex(0);
}

void TPRecord::enableScaleEdits(bool enabled) {
    MaxScale->setEnabled(enabled);
    MinScale->setEnabled(enabled);
}

void TPRecord::showPlottedTime(const std::string& text) {
    ErrMess->setText(QString::fromStdString(text));
}

void TPRecord::colourAddressBox(int slot, RecAddressColour colour) {
    PaintAddressBox(slot, colour);
}

std::string TPRecord::maxScaleText() const {
    return MaxScale->text().toStdString();
}

std::string TPRecord::minScaleText() const {
    return MinScale->text().toStdString();
}

int TPRecord::addressBoxValue(int slot) const {
    return ComAddr(slot);
}

} // namespace zu
