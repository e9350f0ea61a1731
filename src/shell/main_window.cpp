#include "shell/main_window.h"

#include "core/app_state.h"
#include "protocol/protocol_window.h"
#include "shell/about_box.h"
#include "shell/shell_texts.h"
#include "shell/user_message.h"
#include "ui/dialogs.h"
#include "ui/picture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace zu {

TMainForm::TMainForm(AppState& state, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs), replies_(state), shell_(state, *this) {
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QString::fromLatin1(text::MainCaption));
    state_.BuildPortPresent();

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    buildMenus();
    buildToolBar();
    ZUA = new Picture(this);
    ZUA->setObjectName(QStringLiteral("ZUA"));
    ZUA->setPixmap(QPixmap(QStringLiteral(":/pictures/product.jpg")));
    setCentralWidget(ZUA);

    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            [this](QWindow* w) { onFocusWindowChanged(w); });
}

void TMainForm::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto item = [this](QWidget* owner, const char* name, const QString& text, auto handler) {
        auto* a = new QAction(text, owner);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    // The & marks only the Alt key of each caption; the captions read as designed.
    QMenu* protocol = bar->addMenu(QStringLiteral("&PROTOCOL"));
    protocol->setObjectName(QStringLiteral("PROTOCOL1"));
    protocol->addAction(
        item(protocol, "SET1", QStringLiteral("&SET PC COM"), [this] { shell_.PROTOCOL1Click(); }));
    protocol->addAction(item(protocol, "ZUCSET1", QStringLiteral("SET &Modelue COM"),
                             [this] { shell_.ZUCSET1Click(); }));
    QMenu* program = bar->addMenu(QStringLiteral("P&ROGRAM"));
    program->setObjectName(QStringLiteral("PROGRAM1"));
    program->addAction(
        item(program, "MONITOR1", QStringLiteral("&MONITOR"), [this] { shell_.MONITOR1Click(); }));
    program->addAction(item(program, "RECODER1", QStringLiteral("&RECODER"),
                            [this] { shell_.ToolButton3Click(); }));
    bar->addAction(item(bar, "EXIT1", QStringLiteral("E&XIT"), [this] { shell_.EXIT1Click(); }));
    bar->addAction(item(bar, "ABOUT1", QStringLiteral("&ABOUT"), [this] { shell_.ABOUT1Click(); }));

    // F10 opens the first menu, as on most desktops; the arrows go on from there.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("MenuKey"));
    connect(f10, &QShortcut::activated, this, [bar] {
        if (bar->actions().isEmpty())
            return;
        QAction* first = bar->actions().first();
        bar->setActiveAction(first);
        // its first item lit, so Enter chooses it as after Alt+P
        if (QMenu* m = first->menu(); m && !m->actions().isEmpty())
            m->setActiveAction(m->actions().first());
    });
}

void TMainForm::buildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, bar);
    auto button = [this, bar](const char* name, const char* icon, const char* hint, auto handler) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(icon))));
        b->setIconSize(QSize(32, 32));
        b->setFixedSize(39, 38);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromLatin1(hint));
        b->setStatusTip(QString::fromLatin1(hint));
        connect(b, &QToolButton::clicked, this, handler);
        bar->addWidget(b);
    };
    button("ToolButton1", "pc_protocol", text::HintPcProtocol, [this] { shell_.PROTOCOL1Click(); });
    button("ToolButton11", "device_protocol", text::HintModuleProtocol,
           [this] { shell_.ZUCSET1Click(); });
    bar->addSeparator()->setObjectName(QStringLiteral("ToolButton7"));
    button("ToolButton2", "monitor", text::HintMonitor, [this] { shell_.MONITOR1Click(); });
    button("ToolButton3", "recorder", text::HintRecorder, [this] { shell_.ToolButton3Click(); });
}

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // The picture is stretched into the client area, so nothing else needs
    // scaling here; the monitor's layout follows ScaleWidth.
    shell_.FormShow(width());
    // The first activation runs once the window is up, so the protocol
    // window it may open stands over a visible main window.
    QMetaObject::invokeMethod(
        this, [this] { shell_.FormActivate(); }, Qt::QueuedConnection);
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (monitor_ && !monitor_->close()) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

// Becoming active again after the monitor (or another window of ours that is
// still there) counts as an activation. Coming back from another program does
// not, and neither does the end of a modal window of the main window: its
// handler reads the setting itself when the window has closed.
void TMainForm::onFocusWindowChanged(QWindow* w) {
    // Menus and tool tips take no part in activation.
    if (!w || w->type() == Qt::Popup || w->type() == Qt::ToolTip)
        return;
    QWindow* const self = windowHandle();
    if (w == self && modalDepth_ == 0 && lastFocus_ && lastFocus_ != self)
        shell_.FormActivate();
    lastFocus_ = w;
}

int TMainForm::runModal(QDialog& dialog) {
    ++modalDepth_;
    const int result = dialogs_.runModal(dialog);
    --modalDepth_;
    return result;
}

void TMainForm::showMessage(const QString& text) {
    ++modalDepth_;
    dialogs_.message(this, text);
    --modalDepth_;
}

void TMainForm::runProtocolWindow() {
    TProtocol window(
        {state_, dialogs_, replies_, [this](QWidget* owner) { runUserMessage(owner); }}, this);
    runModal(window);
}

// A new user-message window for each message, owned by the window that asks;
// Timer1 closes it.
void TMainForm::runUserMessage(QWidget* owner) {
    TDISPUPDATE message(state_, shell_, owner ? owner : this);
    runModal(message);
}

void TMainForm::showMonitor() {
    if (!monitor_)
        return;
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

bool TMainForm::runRecorder() {
    if (!recorderFactory_)
        return false;
    std::unique_ptr<QDialog> window = recorderFactory_(this);
    if (!window)
        return false;
    runModal(*window);
    return true;
}

void TMainForm::runAbout() {
    TABOUT about(state_.ports().problems(), this);
    runModal(about);
}

void TMainForm::closeMainWindow() {
    close();
}

} // namespace zu
