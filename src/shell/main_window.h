#pragma once
// The main window: menus, tool bar and the product picture. It owns the two
// serial ports that the protocol window and the recorder use, with their
// reply gathering, and Timer1 (in its logic, MainShell).
#include "core/reply_gathering.h"
#include "shell/main_shell.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QDialog;
class QWindow;

namespace zu {

class AppState;
class Dialogs;
class Picture;

class TMainForm : public QMainWindow, private MainView {
    Q_OBJECT
  public:
    // Builds PortPresent from the port directory, as the first thing the
    // program learns about the PC.
    TMainForm(AppState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    MainShell& shell() { return shell_; }
    ReplyGathering& replies() { return replies_; }
    Dialogs& dialogs() { return dialogs_; }

    // The monitor lives for the whole run; MONITOR shows it. Until one is
    // set, MONITOR only applies the ownership rule.
    void setMonitorWindow(QWidget* monitor) { monitor_ = monitor; }
    // Makes the recorder window for RECODER; it is shown modally and destroyed.
    using DialogFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;
    void setRecorderFactory(DialogFactory f) { recorderFactory_ = std::move(f); }

  protected:
    void showEvent(QShowEvent* e) override;
    // Closing the main window ends the program: the monitor, which is a window
    // of its own, stops polling, frees the line and closes with it.
    void closeEvent(QCloseEvent* e) override;

  private:
    void buildMenus();
    void buildToolBar();
    void onFocusWindowChanged(QWindow* w);
    int runModal(QDialog& dialog);
    // For the protocol window, which cannot make one itself.
    void runUserMessage(QWidget* owner);

    // MainView
    void showMessage(const QString& text) override;
    void runProtocolWindow() override;
    void showMonitor() override;
    bool runRecorder() override;
    void runAbout() override;
    void closeMainWindow() override;

    AppState& state_;
    Dialogs& dialogs_;
    ReplyGathering replies_;
    MainShell shell_;
    Picture* ZUA = nullptr;
    QPointer<QWidget> monitor_;
    DialogFactory recorderFactory_;
    QPointer<QWindow> lastFocus_;
    int modalDepth_ = 0;
    bool shownOnce_ = false;
};

} // namespace zu
