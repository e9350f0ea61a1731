#pragma once
// What the main window decides, apart from its widgets: loading the PC
// setting at each activation, the rule of line ownership behind the menus,
// and Timer1, which closes the user-message window.
#include "core/clock.h"

#include <QString>

namespace zu {

class AppState;

// Start-up, step 1: the program's name and version. It sets no display name:
// the window system would append one to every window's caption ("Monitor -
// ..."), and the small dialogs' captions would be cut. The product title is
// the caption of the message boxes (QtDialogs) instead.
void NameApplication();

// "COM Port In Use !!!" and, on its second line, which window holds the line
// (PortOwner) and how to free it.
QString PortInUseMessage(int portOwner);

// The operations the logic asks of the main window's form.
class MainView {
  public:
    virtual ~MainView() = default;
    virtual void showMessage(const QString& text) = 0;
    // Creates the protocol window in the face ProtocolDeviceMode names, shows
    // it modally and destroys it.
    virtual void runProtocolWindow() = 0;
    virtual void showMonitor() = 0; // non-modal, brought to the front
    // Modal; false when there is no recorder window to show.
    virtual bool runRecorder() = 0;
    virtual void runAbout() = 0; // modal
    virtual void closeMainWindow() = 0;
};

// The user-message window shown at the moment, which Timer1 closes.
class UserMessageWindow {
  public:
    virtual ~UserMessageWindow() = default;
    virtual void closeUserMessage() = 0;
};

class MainShell {
  public:
    MainShell(AppState& state, MainView& view);

    void FormShow(int width);
    void FormActivate();

    void PROTOCOL1Click();
    void ZUCSET1Click();
    void MONITOR1Click();
    void ToolButton3Click();
    void ABOUT1Click();
    void EXIT1Click();

    void Timer1Timer();
    // Disabled at start, 1500 ms; the user-message window sets its own interval.
    ClockTimer Timer1;

    void setUserMessageWindow(UserMessageWindow* w) { userMessage_ = w; }
    // Forgets w if it is the current one (a window going away).
    void forgetUserMessageWindow(UserMessageWindow* w);

  private:
    // mayAsk false: the protocol window has just closed; the setting is read
    // again but the window is not opened a second time straight away. Does
    // nothing while a window owns the line.
    void activate(bool mayAsk);
    // SETDT.$$$ into ComSettingWord, or the default word when there is none.
    bool loadSetting();

    AppState& state_;
    MainView& view_;
    UserMessageWindow* userMessage_ = nullptr;
    bool activating_ = false;
    QString unreadableShown_; // told once, not at every activation
};

} // namespace zu
