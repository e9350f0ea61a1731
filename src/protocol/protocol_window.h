#pragma once
// The communication-protocol window, opened modally from the main window.
// Its PC port face chooses the PC's serial port and line settings and stores
// them in SETDT.$$$. It is left only through its buttons.
#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;

namespace zu {

class AppState;
class Dialogs;
class RadioGroup;
class ReplyGathering;

// What the window works with; all of it outlives the window. The main window
// fills it: the protocol window sees its port, its reply gathering and its
// user-message window only through these.
struct ProtocolContext {
    AppState& state;
    Dialogs& dialogs;
    // The main window's reply gathering: its ApdComPortMain carries the
    // window's requests, and its ProtocolReplyHandler, which the window sets
    // while it waits, is called when a reply is complete or timed out. It is
    // emptied when the window goes.
    ReplyGathering& replies;
    // Shows the user-message window for state.UserMessageCode over `owner`,
    // modally; returns once it has closed (Timer1 closes it).
    std::function<void(QWidget* owner)> runUserMessage;
};

class TProtocol : public QDialog {
    Q_OBJECT
  public:
    explicit TProtocol(const ProtocolContext& ctx, QWidget* parent = nullptr);
    ~TProtocol() override;

    const ProtocolContext& context() const { return ctx_; }
    // The user-message window with this code (251, 252), until it closes.
    void ShowUserMessage(int userMessageCode);

    void FormShow();
    void COM1Click(int tag);
    void FormatClick();
    void OKBtClick();
    void CancelBtClick();

    // Esc and the window manager's close end the window as Cancel does.
    void reject() override;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QWidget* buildPortBox();

    ProtocolContext ctx_;
    bool shown_ = false;
    std::array<QRadioButton*, 13> com_{}; // COM1..COM12; entry 0 unused
    RadioGroup* Baudrate = nullptr;
    RadioGroup* DataLen = nullptr;
    RadioGroup* Parity = nullptr;
    RadioGroup* StopBit = nullptr;
    RadioGroup* Format = nullptr;
    QWidget* settingsArea_ = nullptr;
    QLabel* SimLineLb = nullptr;
    QPushButton* OKBt = nullptr;
    QPushButton* CancelBt = nullptr;
    QPushButton* AutoDetectBt = nullptr;
};

// How a port-directory device reads beside its COM button.
QString DeviceCaption(const QString& device);

} // namespace zu
