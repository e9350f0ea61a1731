#include "monitor/widgets/monitor_window.h"

#include "core/app_state.h"
#include "core/texts.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/logic/parameter_panel.h"
#include "monitor/widgets/front_panel_widget.h"
#include "monitor/widgets/monitor_controls.h"
#include "monitor/widgets/monitor_slot_column.h"
#include "monitor/widgets/parameter_file_menu.h"
#include "monitor/widgets/parameter_panel_form.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

namespace zu {

namespace {

constexpr int DesignWidth = 808;
constexpr int ReferenceWidth = 1024;
constexpr int ReferenceHeight = 768;

QString q(const char* s) {
    return QString::fromLatin1(s);
}
QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QAction* item(QMenu* menu, const char* name, const char* caption, bool enabled = true) {
    QAction* a = menu->addAction(q(caption));
    a->setObjectName(q(name));
    a->setEnabled(enabled);
    return a;
}

QMenu* menu(QMenuBar* bar, const char* name, const char* caption) {
    QMenu* m = bar->addMenu(q(caption));
    m->setObjectName(q(name));
    m->menuAction()->setObjectName(q(name));
    return m;
}

void setMenuEnabled(QMenu* m, bool enabled) {
    m->setEnabled(enabled);
    m->menuAction()->setEnabled(enabled);
}

QLabel* counter(const QString& name, QWidget* parent) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setObjectName(name);
    l->setMinimumWidth(parent->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 6);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

} // namespace

TPMonitor::TPMonitor(AppState& app, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), app_(app), dialogs_(dialogs), Timer1(app.clock()) {
    setObjectName(QStringLiteral("PMonitor"));
    setWindowTitle(q(text::MonitorCaption));
    // The window opens maximised; its width then is the layout width.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    scaleWidth_ = std::max(avail.width(), 640);
    app_.ScaleWidth = scaleWidth_;
    // Text and fixed sizes grow from 8 points on a 1024 x 768 screen with the
    // screen, as far as its height leaves room for both halves.
    uiScale_ = std::clamp(
        std::min(double(avail.width()) / ReferenceWidth, double(avail.height()) / ReferenceHeight),
        1.0, 1.5);
    QFont f = font();
    f.setPointSizeF(8 * uiScale_);
    setFont(f);
    Timer1.setInterval(1000);

    buildMenus();
    // The window can be made smaller than its contents whatever the screen
    // it opened on: what does not fit scrolls, the parameter panel with the
    // rest, so nothing lies beyond the screen's edge.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("MonitorScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("MonitorClient"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    // The upper half takes the height a large screen has to spare: the front
    // panel grows with it.
    layout->addWidget(buildUpperHalf(), 1);

    // lower half: the parameter panel, or the trend chart in the same place
    auto* lower = new QGridLayout;
    paraPL_ = new ParameterPanelForm(central);
    // Its place is kept while it waits for the first read-back, so the front
    // panel does not shrink when it appears.
    QSizePolicy keepPlace = paraPL_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    paraPL_->setSizePolicy(keepPlace);
    lower->addWidget(paraPL_, 0, 0, Qt::AlignTop);
    DrawIme = new QWidget(central);
    DrawIme->setObjectName(QStringLiteral("DrawIme"));
    DrawIme->setAutoFillBackground(true);
    QPalette black = DrawIme->palette();
    black.setColor(QPalette::Window, Qt::black);
    DrawIme->setPalette(black);
    lower->addWidget(DrawIme, 0, 0);
    // the chart gets the panel's place when it stands in for it
    DrawIme->setMinimumHeight(paraPL_->sizeHint().height());
    layout->addLayout(lower, 0);
    layout->addWidget(buildDebugStrip());
    scroll->setWidget(central);
    setCentralWidget(scroll);
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(false);

    engine_ = std::make_unique<MonitorEngine>(app_, *this);
    PanelHost host;
    host.trendViewActive = [this] { return engine_->model().PvRecordView; };
    host.accessCodeEntered = [this] { return PassEdit->text() == q(text::HiddenModeCode); };
    host.enableMenu = [this](MonitorMenu m, bool on) { enableMenu(m, on); };
    panel_ = std::make_unique<ParameterPanel>(engine_->model(), *paraPL_, std::move(host));
    editing_ = std::make_unique<ParameterEditing>(engine_->model(), *this);
    paraPL_->setEditing(editing_.get());
    engine_->setPanelHooks(panel_.get());
    fileMenu_ = std::make_unique<ParameterFileMenu>(
        engine_->model(), *this, dialogs_, this, paraPL_->findChild<QLabel*>("ProgressLb"),
        paraPL_->findChild<QProgressBar*>("ProgressBar"));
    engine_->setTransferHooks(&fileMenu_->transfers());
    connect(OPEN1, &QAction::triggered, this, [this] { fileMenu_->OPEN1Click(); });
    connect(SAVE1, &QAction::triggered, this, [this] { fileMenu_->SAVE1Click(); });
    connect(SAVEAS1, &QAction::triggered, this, [this] { fileMenu_->SAVEAS1Click(); });
    connect(COMPARE1, &QAction::triggered, this, [this] { fileMenu_->COMPARE1Click(); });
    connect(UPLOAD1, &QAction::triggered, this, [this] { fileMenu_->UPLOAD1Click(); });
    connect(DOWNLOAD1, &QAction::triggered, this, [this] { fileMenu_->DOWNLOAD1Click(false); });
    connect(WRITEALL, &QAction::triggered, this, [this] { fileMenu_->DOWNLOAD1Click(true); });
    buildPasswordBox();

    // Ctrl+1..Ctrl+4 select a slot, as a click on its address label does.
    for (int i = 0; i < 4; ++i) {
        auto* select = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), this);
        select->setObjectName(QStringLiteral("SelectSlot%1").arg(i));
        connect(select, &QShortcut::activated, this, [this, i] { engine_->Adr0LbClick(i); });
    }

    // as designed; every showing resets the slots and the front panel
    enableMenu(MonitorMenu::FILE1, false);
    enableMenu(MonitorMenu::PARAMETER1, false);
    enableMenu(MonitorMenu::VIEW1, false);

    // centred on its screen, and as large as maximised where no window
    // manager maximises it
    setGeometry(avail);
    setWindowState(Qt::WindowMaximized);
}

TPMonitor::~TPMonitor() {
    app_.clock().cancel(noticeClear_);
    for (const auto& [name, id] : markClears_)
        app_.clock().cancel(id);
    paraPL_->setEditing(nullptr);
    engine_->setPanelHooks(nullptr);
    engine_->setTransferHooks(nullptr);
}

// ------------------------------------------------------------------ building

void TPMonitor::buildMenus() {
    QMenuBar* bar = menuBar();
    FILE1 = menu(bar, "FILE1", text::MenuFile);
    OPEN1 = item(FILE1, "OPEN1", text::MenuOpen);
    SAVE1 = item(FILE1, "SAVE1", text::MenuSave, false);
    SAVEAS1 = item(FILE1, "SAVEAS1", text::MenuSaveAs, false);
    COMPARE1 = item(FILE1, "COMPARE1", text::MenuCompare, false);

    QMenu* device2 = menu(bar, "Device2", text::MenuDevice);
    const char* names[4] = {"Device01", "Device11", "Device21", "Device31"};
    for (int i = 0; i < 4; ++i) {
        const QString caption = q(text::DevicePrefix) + QString::number(i + 1);
        deviceItems_[i] = device2->addAction(caption);
        deviceItems_[i]->setObjectName(q(names[i]));
        connect(deviceItems_[i], &QAction::triggered, this, [this, i] { engine_->RunBt0Click(i); });
    }

    PARAMETER1 = menu(bar, "PARAMETER1", text::MenuParameters);
    UPLOAD1 = item(PARAMETER1, "UPLOAD1", text::MenuUpload, false);
    DOWNLOAD1 = item(PARAMETER1, "DOWNLOAD1", text::MenuWriteSelected, false);
    WRITEALL = item(PARAMETER1, "WRITEALL", text::MenuWriteAll, false);
    WRITEALL->setStatusTip(q(text::BroadcastHint));
    WRITEALL->setToolTip(q(text::BroadcastHint));
    PARAMETER1->setToolTipsVisible(true);
    RampSoakprogram1 = item(PARAMETER1, "RampSoakprogram1", text::MenuRampSoak, false);

    VIEW1 = menu(bar, "VIEW1", text::MenuView);
    auto* views = new QActionGroup(VIEW1);
    views->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    SETTING1 = item(VIEW1, "SETTING1", text::MenuSetting);
    RECORD1 = item(VIEW1, "RECORD1", text::MenuPvRecord);
    for (QAction* a : {SETTING1, RECORD1}) {
        a->setCheckable(true);
        views->addAction(a);
    }

    QMenu* close1 = menu(bar, "Close1", text::MenuExit);
    QAction* close2 = item(close1, "Close2", text::MenuOk);
    connect(close2, &QAction::triggered, this, [this] { engine_->Close2Click(); });
    item(close1, "Cancel1", text::CancelUpper);
}

QWidget* TPMonitor::buildUpperHalf() {
    auto* upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("SlotArea"));
    auto* row = new QHBoxLayout(upper);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(std::max(4, int(4 * uiScale_)));
    for (int i = 0; i < 4; ++i) {
        auto* c = new SlotColumn(i, uiScale_, upper);
        // the size the status display gives a reading (base 10)
        c->setReadingFontSize(scaleWidth_ * 10 / DesignWidth);
        columns_[i] = c;
        row->addWidget(c, 1);
        connect(c->connectButton(), &QPushButton::clicked, this,
                [this, i] { engine_->RunBt0Click(i); });
        connect(c->addressLabel(), &ClickLabel::clicked, this,
                [this, i] { engine_->Adr0LbClick(i); });
        // The address counts once it is entered, not at every digit typed.
        c->addressPicker()->setKeyboardTracking(false);
        connect(c->addressPicker(), &QSpinBox::valueChanged, this,
                [this, i] { engine_->ComAddr0Change(i, addresses()); });
    }

    // The four columns share the width evenly, whatever each one shows.
    int columnWidth = 0;
    for (SlotColumn* c : columns_)
        columnWidth = std::max(columnWidth, c->minimumSizeHint().width());
    for (SlotColumn* c : columns_) {
        c->setMinimumWidth(columnWidth);
        c->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    ZUA1 = new FrontPanel(scaleWidth_, DesignWidth, upper);
    ZUA1->setMinimumSize(int(FrontPanel::DesignWidth * uiScale_),
                         int(FrontPanel::DesignHeight * uiScale_));
    row->addWidget(ZUA1, 0);

    // the selected controller's outputs beside its picture
    auto* outputs = new QVBoxLayout;
    const char* labels[2] = {"O1Lb", "O2Lb"};
    const char* gauges[2] = {"Out1Qty", "Out2Qty"};
    const char* captions[2] = {text::Out1, text::Out2};
    QLabel** lb[2] = {&O1Lb, &O2Lb};
    Gauge** g[2] = {&Out1Qty, &Out2Qty};
    for (int i = 0; i < 2; ++i) {
        *lb[i] = new QLabel(q(captions[i]), upper);
        (*lb[i])->setObjectName(q(labels[i]));
        *g[i] = new Gauge(upper);
        (*g[i])->setObjectName(q(gauges[i]));
        (*g[i])->setMaxValue(1000);
        (*g[i])->setBackColor(Qt::white);
        (*g[i])->setMinimumSize(int(70 * uiScale_), int(18 * uiScale_));
        // Their place is kept while hidden, so the columns do not jump when
        // the selected controller's outputs appear.
        for (QWidget* w : {static_cast<QWidget*>(*lb[i]), static_cast<QWidget*>(*g[i])}) {
            QSizePolicy keep = w->sizePolicy();
            keep.setRetainSizeWhenHidden(true);
            w->setSizePolicy(keep);
        }
        outputs->addWidget(*lb[i]);
        outputs->addWidget(*g[i]);
    }
    outputs->addStretch(1);
    row->addLayout(outputs);
    return upper;
}

QWidget* TPMonitor::buildDebugStrip() {
    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);

    auto* debug = new QFrame(strip);
    DebugPL = debug;
    debug->setObjectName(QStringLiteral("DebugPL"));
    debug->setFrameShape(QFrame::StyledPanel);
    auto* d = new QHBoxLayout(debug);
    d->setContentsMargins(4, 2, 4, 2);
    UV = counter(QStringLiteral("UV"), debug);
    ColdShow = counter(QStringLiteral("ColdShow"), debug);
    d->addWidget(UV);
    d->addWidget(ColdShow);
    d->setSpacing(3);
    for (int i = 0; i < 4; ++i) {
        d->addSpacing(6);
        auto* slot = new QLabel(QString::number(i + 1) + QLatin1Char(':'), debug);
        d->addWidget(slot);
        execCnt_[i] = counter(QStringLiteral("ExecCnt%1").arg(i), debug);
        errCnt_[i] = counter(QStringLiteral("ErrCnt%1").arg(i), debug);
        auto* clear = new QPushButton(q(text::ClearCounts), debug);
        clear->setObjectName(QStringLiteral("ClrBt%1").arg(i));
        clear->setAutoDefault(false);
        clear->setFocusPolicy(Qt::NoFocus);
        clear->setFixedWidth(fontMetrics().horizontalAdvance(clear->text()) + 16);
        connect(clear, &QPushButton::pressed, this, [this, i] { engine_->ClrBt0MouseDown(i); });
        d->addWidget(execCnt_[i]);
        d->addWidget(errCnt_[i]);
        d->addWidget(clear);
    }
    d->addStretch(1);
    row->addWidget(debug, 1);

    ErrMessage = new QLabel(q(text::NoErrorStart), strip);
    ErrMessage->setObjectName(QStringLiteral("ErrMessage"));
    ErrMessage->setMinimumWidth(fontMetrics().horizontalAdvance(q(text::ChecksumError)) + 12);
    ErrMessage->setAlignment(Qt::AlignCenter);
    SetLabelBackground(ErrMessage, qColorOf(Colour::Teal));
    SetLabelTextColour(ErrMessage, Qt::white);
    row->addWidget(ErrMessage);
    DebugPL->hide();
    ErrMessage->hide();
    return strip;
}

// The password box lies on the parameter panel under FWVersion, in its place.
void TPMonitor::buildPasswordBox() {
    fwVersion_ = paraPL_->control("FWVersion");
    QWidget* host = fwVersion_ ? fwVersion_->parentWidget() : paraPL_;
    passBox_ = new QWidget(host);
    passBox_->setObjectName(QStringLiteral("PassBox"));
    auto* row = new QHBoxLayout(passBox_);
    row->setContentsMargins(2, 0, 2, 0);
    PassLb = new ClickLabel(q(text::PasswordCaption), passBox_);
    PassLb->setObjectName(QStringLiteral("PassLb"));
    PassEdit = new QLineEdit(passBox_);
    PassEdit->setObjectName(QStringLiteral("PassEdit"));
    row->addWidget(PassLb);
    row->addWidget(PassEdit, 1);
    passBox_->hide();
    connect(PassLb, &ClickLabel::clicked, this, &TPMonitor::PassLbClick);
    connect(PassEdit, &QLineEdit::returnPressed, this, &TPMonitor::PassEditKeyPress);
    if (fwVersion_) {
        fwVersion_->installEventFilter(this);
        placePasswordBox();
    }
}

void TPMonitor::placePasswordBox() {
    if (fwVersion_)
        passBox_->setGeometry(fwVersion_->geometry());
}

bool TPMonitor::eventFilter(QObject* watched, QEvent* e) {
    if (watched == fwVersion_) {
        switch (e->type()) {
        case QEvent::MouseButtonDblClick:
            FWVersionDblClick();
            return true;
        case QEvent::Move:
        case QEvent::Resize:
            placePasswordBox();
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

// ------------------------------------------------------------------ window events

void TPMonitor::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (e->spontaneous())
        return; // restored from the task bar: not a new showing
    app_.ScaleWidth = scaleWidth_;
    engine_->FormShow();
    // hidden mode ends when the monitor starts; the box shows the firmware again
    PassLbClick();
}

void TPMonitor::closeEvent(QCloseEvent* e) {
    if (engine_->state() != MonitorEngine::State::Closed)
        engine_->FormClose();
    QMainWindow::closeEvent(e);
}

void TPMonitor::closeWindow() {
    close();
}

// ------------------------------------------------------------------ password box

void TPMonitor::FWVersionDblClick() {
    if (fwVersion_)
        fwVersion_->lower();
    placePasswordBox();
    passBox_->show();
    passBox_->raise();
    PassEdit->setFocus();
}

void TPMonitor::PassLbClick() {
    passBox_->hide();
    if (fwVersion_)
        fwVersion_->raise();
}

void TPMonitor::PassEditKeyPress() {
    MonitorModel& model = engine_->model();
    const DeviceSlot* selected = model.selected();
    const QString entered = PassEdit->text();
    if (entered == q(text::HiddenModeCode)) {
        if (selected && (selected->Family == 'C' || selected->ComWriteEnabled == 1)) {
            model.req.HiddenMode = true;
            model.req.ParameterRefresh = true;
            paraPL_->setControlVisible("SecurityPL", false);
        }
    } else if (entered == q(text::ProbeIn)) {
        showDebugDisplay(true);
    } else if (entered == q(text::ProbeOut)) {
        showDebugDisplay(false);
    } else {
        panel_->ShowAdjustControls(false);
        model.req.HiddenMode = false;
        if (selected && selected->Family == 'C')
            paraPL_->setControlVisible("SecurityPL", true);
    }
    PassLbClick();
}

// ------------------------------------------------------------------ slot columns

SlotColumn* TPMonitor::column(int slot) const {
    return slot >= 0 && slot < 4 ? columns_[std::size_t(slot)] : nullptr;
}

std::array<std::uint16_t, 4> TPMonitor::addresses() const {
    std::array<std::uint16_t, 4> a{};
    for (int i = 0; i < 4; ++i)
        a[std::size_t(i)] = std::uint16_t(columns_[std::size_t(i)]->addressPicker()->value());
    return a;
}

void TPMonitor::showSlotConnected(int slot, bool connected) {
    SlotColumn* c = column(slot);
    if (!c)
        return;
    QString caption = q(text::DevicePrefix) + QString::number(slot + 1);
    if (connected)
        caption += q(text::ActiveSuffix);
    deviceItems_[std::size_t(slot)]->setText(caption);
    c->showConnected(connected);
}

void TPMonitor::resetSlot(int slot) {
    if (!column(slot))
        return;
    showSlotConnected(slot, false);
    column(slot)->reset();
}

void TPMonitor::highlightSelection(int slot, bool on) {
    if (SlotColumn* c = column(slot))
        c->highlight(on);
}

void TPMonitor::colourStatusLamp(int slot, Colour colour) {
    if (SlotColumn* c = column(slot))
        c->colourStatusLamp(qColorOf(colour));
}

void TPMonitor::setSlotPv(int slot, const std::string& text, int fontSize) {
    if (SlotColumn* c = column(slot))
        c->setPv(q(text), fontSize);
}

void TPMonitor::setSlotSv(int slot, const std::string& text) {
    if (SlotColumn* c = column(slot))
        c->setSv(q(text));
}

void TPMonitor::setSlotOutputs(int slot, const OutputsShown& outputs) {
    if (SlotColumn* c = column(slot))
        c->setOutputs(outputs);
}

void TPMonitor::setSlotAlarmLamps(int slot, bool alarm1, bool alarm2, bool alarm3) {
    if (SlotColumn* c = column(slot))
        c->setAlarmLamps(alarm1, alarm2, alarm3);
}

void TPMonitor::setSlotUnit(int slot, const std::string& unit) {
    if (SlotColumn* c = column(slot))
        c->setUnit(q(unit));
}

void TPMonitor::setExecCount(int slot, std::uint32_t count) {
    if (column(slot))
        execCnt_[std::size_t(slot)]->setText(QString::number(count));
}

void TPMonitor::setErrCount(int slot, std::uint32_t count) {
    if (column(slot))
        errCnt_[std::size_t(slot)]->setText(QString::number(count));
}

// ------------------------------------------------------------------ front panel

void TPMonitor::resetFrontPanel() {
    ZUA1->reset();
    paraPL_->hide();
    DrawIme->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{O1Lb, O2Lb, Out1Qty, Out2Qty})
        w->hide();
}

void TPMonitor::recordLedPositions() {
    ZUA1->recordLedPositions();
}

void TPMonitor::applyFrontPanelLayout(const FrontPanelLayout& layout) {
    ZUA1->applyLayout(layout);
}

void TPMonitor::setPanelLeds(const PanelLeds& leds) {
    ZUA1->setLeds(leds);
}

void TPMonitor::setPanelPv(const std::string& text, int fontSize, bool centred) {
    ZUA1->setPv(q(text), fontSize, centred);
}

void TPMonitor::setPanelSvText(const std::string& text) {
    ZUA1->setSvText(q(text));
}

void TPMonitor::setPanelSvFontSize(int fontSize) {
    ZUA1->setSvFontSize(fontSize);
}

void TPMonitor::setPanelOutputs(const OutputsShown& o) {
    const bool shown[2] = {o.out1Visible, o.out2Visible};
    const Colour label[2] = {o.out1Label, o.out2Label};
    const Colour bar[2] = {o.out1Bar, o.out2Bar};
    const int position[2] = {o.out1Position, o.out2Position};
    QLabel* labels[2] = {O1Lb, O2Lb};
    Gauge* gauges[2] = {Out1Qty, Out2Qty};
    for (int i = 0; i < 2; ++i) {
        labels[i]->setVisible(shown[i]);
        gauges[i]->setVisible(shown[i]);
        if (!shown[i])
            continue;
        SetLabelTextColour(labels[i], qColorOf(label[i]));
        gauges[i]->setForeColor(qColorOf(bar[i]));
        gauges[i]->setProgress(position[i]);
    }
}

void TPMonitor::showProgramDisplay(bool shown, int mode) {
    paraPL_->showProgramDisplay(shown, mode);
}

void TPMonitor::showParameterPanel(bool visible) {
    paraPL_->setVisible(visible);
}

// ------------------------------------------------------------------ debug strip

void TPMonitor::setDebugValues(const std::string& uv, const std::string& coldShow) {
    UV->setText(q(uv));
    ColdShow->setText(q(coldShow));
}

void TPMonitor::setErrMessageText(const std::string& text) {
    ErrMessage->setText(q(text));
}

void TPMonitor::setErrMessageColour(Colour colour) {
    SetLabelBackground(ErrMessage, qColorOf(colour));
    // dark text on the light colours, white on the others
    const bool light = colour == Colour::Green || colour == Colour::Yellow ||
                       colour == Colour::Silver || colour == Colour::SkyBlue;
    SetLabelTextColour(ErrMessage, light ? Qt::black : Qt::white);
}

void TPMonitor::showDebugDisplay(bool visible) {
    DebugPL->setVisible(visible);
    ErrMessage->setVisible(visible);
}

// ------------------------------------------------------------------ menus, timer

QAction* TPMonitor::menuAction(MonitorMenu m) const {
    switch (m) {
    case MonitorMenu::FILE1:
        return FILE1->menuAction();
    case MonitorMenu::PARAMETER1:
        return PARAMETER1->menuAction();
    case MonitorMenu::VIEW1:
        return VIEW1->menuAction();
    case MonitorMenu::UPLOAD1:
        return UPLOAD1;
    case MonitorMenu::RampSoakprogram1:
        return RampSoakprogram1;
    case MonitorMenu::SAVE1:
        return SAVE1;
    case MonitorMenu::SAVEAS1:
        return SAVEAS1;
    case MonitorMenu::DOWNLOAD1:
        return DOWNLOAD1;
    case MonitorMenu::WRITEALL:
        return WRITEALL;
    case MonitorMenu::SETTING1:
        return SETTING1;
    case MonitorMenu::RECORD1:
        return RECORD1;
    }
    return nullptr;
}

void TPMonitor::enableMenu(MonitorMenu m, bool enabled) {
    switch (m) {
    case MonitorMenu::FILE1:
        setMenuEnabled(FILE1, enabled);
        return;
    case MonitorMenu::PARAMETER1:
        setMenuEnabled(PARAMETER1, enabled);
        return;
    case MonitorMenu::VIEW1:
        setMenuEnabled(VIEW1, enabled);
        return;
    default:
        if (QAction* a = menuAction(m))
            a->setEnabled(enabled);
        // The buffer holds an image exactly when it can be saved: then it can
        // be compared with the controller too.
        if (m == MonitorMenu::SAVEAS1)
            COMPARE1->setEnabled(enabled);
    }
}

void TPMonitor::checkMenu(MonitorMenu m, bool checked) {
    if (QAction* a = menuAction(m); a && a->isCheckable())
        a->setChecked(checked);
}

void TPMonitor::enableTimer1(bool on) {
    Timer1.setEnabled(on);
}

// ------------------------------------------------------------------ notices

void TPMonitor::showPortOpenError(const std::string& message) {
    notice(q(message));
    dialogs_.message(this, q(message));
}

void TPMonitor::showLineLost(const std::string& message) {
    notice(q(message));
    lineLostText_ = q(message);
    dialogs_.message(this, q(message));
}

void TPMonitor::showLineBack() {
    if (!lineLostText_.isEmpty() && statusBar()->currentMessage() == lineLostText_)
        statusBar()->clearMessage();
    lineLostText_.clear();
}

void TPMonitor::showWriteNotEchoed() {
    editing_->WriteNotEchoed();
}

void TPMonitor::showWriteOutcome(WriteOutcome outcome, const std::string& reason) {
    editing_->WriteOutcome(outcome, q(reason));
}

void TPMonitor::showSlotDropped(int slot, std::uint16_t address, const std::string& why) {
    notice(QString::fromLatin1(text::NoticeDeviceDropped).arg(slot + 1).arg(address).arg(q(why)));
}

void TPMonitor::setErrMessage(const QString& text) {
    ErrMessage->setText(text);
}

void TPMonitor::notice(const QString& text) {
    app_.clock().cancel(noticeClear_);
    noticeClear_ = 0;
    statusBar()->showMessage(text);
}

void TPMonitor::markField(std::string_view control, FieldMark mark, const QString& text) {
    const QColor tint = mark == FieldMark::Pending ? QColor(255, 240, 150)
                        : mark == FieldMark::Done  ? QColor(190, 240, 190)
                                                   : QColor(255, 190, 190);
    paraPL_->markControl(control, tint, text);
    const auto it = markClears_.find(control);
    if (it != markClears_.end()) {
        app_.clock().cancel(it->second);
        markClears_.erase(it);
    }
    // A change on its way keeps its mark until the device has answered.
    if (mark != FieldMark::Pending) {
        const std::string name(control);
        markClears_[name] = app_.clock().callAfter(MarkMs, [this, name] {
            markClears_.erase(name);
            paraPL_->markControl(name, QColor(), QString());
        });
    }
    // A settled write is news for a while, not for good.
    if (mark == FieldMark::Done && statusBar()->currentMessage() == text) {
        noticeClear_ = app_.clock().callAfter(DoneNoticeMs, [this, text] {
            noticeClear_ = 0;
            if (statusBar()->currentMessage() == text)
                statusBar()->clearMessage();
        });
    }
}

bool TPMonitor::confirm(const QString& question) {
    return dialogs_.confirmOkCancel(this, question);
}

} // namespace zu
