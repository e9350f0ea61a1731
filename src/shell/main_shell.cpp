#include "shell/main_shell.h"

#include "core/app_state.h"
#include "core/texts.h"

#include <QCoreApplication>

namespace zu {

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("zucomm"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUCOMM_VERSION));
}

QString PortInUseMessage(int portOwner) {
    const char* holder = text::PortHeldByAnother;
    switch (portOwner) {
    case PortProtocol:
        holder = text::PortHeldByProtocol;
        break;
    case PortMonitor:
        holder = text::PortHeldByMonitor;
        break;
    case PortRecorder:
        holder = text::PortHeldByRecorder;
        break;
    default:
        break;
    }
    return QString::fromLatin1(text::ComPortInUse) + QLatin1Char('\n') +
           QString::fromLatin1(holder);
}

MainShell::MainShell(AppState& state, MainView& view)
    : Timer1(state.clock()), state_(state), view_(view) {
    Timer1.setInterval(1500);
    Timer1.onTimeout = [this] { Timer1Timer(); };
}

void MainShell::FormShow(int width) {
    state_.ScaleWidth = width;
}

void MainShell::FormActivate() {
    activate(true);
}

// A modal window of the main window that closes makes the main window active
// again, so the setting is read again after each of them. The closing of a
// protocol window does not open it again at once: without a file that can be
// written (a read-only folder) the user would never get past it, and a Cancel
// means "not now". The next activation asks again.
// While a window owns the line (the monitor, which is not modal) its port runs
// with the setting it was opened with, and its framing follows RtuMode: the
// activation then neither asks nor loads anything. The first activation after
// the owner has closed its port does.
void MainShell::activate(bool mayAsk) {
    if (activating_ || state_.PortOwner != PortFree)
        return;
    activating_ = true;
    if (!loadSetting() && mayAsk) {
        state_.ProtocolDeviceMode = false;
        view_.runProtocolWindow();
        // Its closing activates the main window once more.
        loadSetting();
    }
    state_.ApplyComSetting();
    activating_ = false;
}

bool MainShell::loadSetting() {
    QString unreadable;
    const bool loaded = state_.LoadComSetting(&unreadable);
    // A file that is there but cannot be read would otherwise look missing.
    if (!unreadable.isEmpty() && unreadable != unreadableShown_)
        view_.showMessage(unreadable + QStringLiteral("; the default setting is used."));
    unreadableShown_ = unreadable;
    if (loaded) {
        state_.SettingLoaded = true;
        return true;
    }
    state_.ComSettingWord = state_.DefaultComSettingWord();
    state_.SettingLoaded = false;
    return false;
}

void MainShell::PROTOCOL1Click() {
    if (state_.PortOwner != PortFree) {
        view_.showMessage(PortInUseMessage(state_.PortOwner));
        return;
    }
    state_.ProtocolDeviceMode = false;
    view_.runProtocolWindow();
    activate(false);
}

void MainShell::ZUCSET1Click() {
    if (state_.PortOwner != PortFree && state_.PortOwner != PortProtocol) {
        view_.showMessage(PortInUseMessage(state_.PortOwner));
        return;
    }
    state_.ProtocolDeviceMode = true;
    view_.runProtocolWindow();
    activate(false);
}

void MainShell::MONITOR1Click() {
    if (state_.PortOwner != PortFree && state_.PortOwner != PortMonitor) {
        view_.showMessage(PortInUseMessage(state_.PortOwner));
        return;
    }
    view_.showMonitor();
}

void MainShell::ToolButton3Click() {
    if (state_.PortOwner != PortFree && state_.PortOwner != PortRecorder) {
        view_.showMessage(PortInUseMessage(state_.PortOwner));
        return;
    }
    if (view_.runRecorder())
        activate(true);
}

void MainShell::ABOUT1Click() {
    view_.runAbout();
    activate(true);
}

void MainShell::EXIT1Click() {
    view_.closeMainWindow();
}

void MainShell::Timer1Timer() {
    if (!state_.ProtocolDeviceMode)
        return;
    Timer1.stop();
    if (userMessage_)
        userMessage_->closeUserMessage();
}

void MainShell::forgetUserMessageWindow(UserMessageWindow* w) {
    if (userMessage_ == w)
        userMessage_ = nullptr;
}

} // namespace zu
