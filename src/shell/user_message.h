#pragma once
// The user-message window: two lines of text for a moment while a device's
// protocol is changed. The main window's Timer1 closes it.
#include "shell/main_shell.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace zu {

class AppState;

class TDISPUPDATE : public QDialog, public UserMessageWindow {
    Q_OBJECT
  public:
    TDISPUPDATE(AppState& state, MainShell& mainShell, QWidget* parent = nullptr);
    ~TDISPUPDATE() override;

    void FormShow();
    void Button1Click() { close(); }
    void closeUserMessage() override { close(); }

    static constexpr int DesignWidth = 384;
    // How long each message stays up.
    static int CloseAfterMs(int userMessageCode);

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    AppState& state_;
    MainShell& shell_;
    QLabel* PWRLB1;
    QLabel* PWRLB2;
    QPushButton* Button1;
    bool scaled_ = false;
};

} // namespace zu
