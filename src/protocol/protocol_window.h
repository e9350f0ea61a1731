#pragma once
// The communication-protocol window, opened modally from the main window.
// Its PC port face chooses the PC's serial port and line settings and stores
// them in SETDT.$$$. It is left only through its buttons.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace zu {

class AppState;
class Dialogs;
class DeviceScan;
class Gauge;
class ProtocolChange;
class RadioGroup;
class ReplyGathering;
struct ScanFilters;

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

    // The scan panel (PC face) and the device face over it.
    void AutoDetectBtClick();
    void SetStartBtClick();
    void SetCloseBtClick();
    void ResultTableSelectCell(int row);
    void SETBtClick();
    void AddrPreSetCloseUp();
    void BeforeAddrChange(QLineEdit* edit);
    DeviceScan& scan() { return *scan_; }
    ProtocolChange& change() { return *change_; }

    // Esc and the window manager's close end the window as Cancel does.
    void reject() override;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QWidget* buildPortBox();
    QWidget* buildDetectPanel();
    void showDeviceFace();
    void stopWork();
    ScanFilters scanFilters() const;
    void showScanState();
    void addResultRow(int row);

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
    QWidget* BKGPL = nullptr;

    QFrame* DetectPL = nullptr;
    QComboBox* AddrPreSet = nullptr;
    QComboBox* BaudPreSet = nullptr;
    QComboBox* ParityPreSet = nullptr;
    QComboBox* LengthPreSet = nullptr;
    QComboBox* StopPreSet = nullptr;
    QComboBox* ProtocolPreSet = nullptr;
    QPushButton* SetStartBt = nullptr;
    QPushButton* SetCloseBt = nullptr;
    QPushButton* SETBt = nullptr;
    QTableWidget* ResultTable = nullptr;
    QLabel* AutoDetectLb = nullptr;
    Gauge* DetectBar = nullptr;
    QLabel* TimeStamp = nullptr;
    QLineEdit* BeforeAddr = nullptr;
    QFrame* ZUCAfterPL = nullptr;
    QLineEdit* AfterAddr = nullptr;
    QComboBox* AfterBaud = nullptr;
    QComboBox* AfterLength = nullptr;
    QComboBox* AfterParity = nullptr;
    QComboBox* AfterStop = nullptr;
    QComboBox* AfterProtocol = nullptr;
    QCheckBox* SyncChk = nullptr;
    int BeforeAddress = 1;
    int AfterAddress = 1;
    bool TableFilling = false;
    std::unique_ptr<DeviceScan> scan_;
    std::unique_ptr<ProtocolChange> change_;
};

// How a port-directory device reads beside its COM button.
QString DeviceCaption(const QString& device);

} // namespace zu
