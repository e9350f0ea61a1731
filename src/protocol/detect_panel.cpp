// The scan panel of the PC face and the device face over it: thin faces
// over DeviceScan and ProtocolChange.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "core/texts.h"
#include "protocol/logic/protocol_change.h"
#include "protocol/logic/scan.h"
#include "protocol/protocol_window.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "ui/radio_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zu {

namespace {

constexpr int NumberedRows = 28;

QComboBox* Combo(const char* name, const QStringList& items, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

QStringList AddressItems() {
    QStringList items{QStringLiteral("UNKNOW")};
    for (int k = 1; k <= ScanAddressRanges; ++k)
        items << (k == ScanAddressRanges ? QStringLiteral("F1H~F7H")
                                         : QStringLiteral("%1H~%2H")
                                               .arg(16 * k - 15, 2, 16, QChar('0'))
                                               .arg(16 * k, 2, 16, QChar('0'))
                                               .toUpper());
    return items;
}

const QStringList Bauds{"9600", "19200", "38400", "4800", "2400"};
const QStringList Parities{"ODD", "EVEN", "NONE"};
const QStringList Lengths{"7 BITS", "8 BITS"};
const QStringList Stops{"1 STOP BIT", "2 STOP BITS"};
const QStringList Framings{"ASCII", "RTU"};

QStringList WithUnknown(QStringList items) {
    items.prepend(QStringLiteral("UNKNOW"));
    return items;
}

// Parity digit (0 odd, 1 even, 2 none) to the controller's code (0 none, 1 even, 2 odd).
int ParityCodeOfDigit(int digit) {
    return 2 - digit;
}

DeviceLine LineOfDigits(int baud, int parity, int bits, int stop, int framing) {
    return DeviceLine{ScanBaudOfDigit(baud), 7 + bits, ParityCodeOfDigit(parity), 1 + stop,
                      framing == 1};
}

// The three rules that keep a combo set to a setting a controller can run.
void KeepConsistent(QComboBox* framing, QComboBox* length, QComboBox* parity, QComboBox* stop,
                    int offset) {
    if (framing->currentIndex() == 1 + offset)
        length->setCurrentIndex(1 + offset);
    const bool eight = length->currentIndex() == 1 + offset;
    const bool seven = length->currentIndex() == 0 + offset;
    const int none = 2 + offset;
    if (eight && parity->currentIndex() >= offset && parity->currentIndex() != none)
        stop->setCurrentIndex(0 + offset);
    else if (seven && parity->currentIndex() == none)
        stop->setCurrentIndex(1 + offset);
}

} // namespace

QWidget* TProtocol::buildDetectPanel() {
    auto* holder = new QWidget(this);
    auto* v = new QVBoxLayout(holder);
    v->setContentsMargins(0, 0, 0, 0);
    AutoDetectLb = new QLabel(holder);
    AutoDetectLb->setObjectName(QStringLiteral("AutoDetectLb"));
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    AutoDetectLb->setFont(mono);
    DetectBar = new Gauge(holder);
    DetectBar->setObjectName(QStringLiteral("DetectBar"));
    TimeStamp = new QLabel(holder);
    TimeStamp->setObjectName(QStringLiteral("TimeStamp"));
    v->addWidget(AutoDetectLb);
    v->addWidget(DetectBar);
    v->addWidget(TimeStamp);

    DetectPL = new QFrame(holder);
    DetectPL->setObjectName(QStringLiteral("DetectPL"));
    DetectPL->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(DetectPL);
    auto* t1 =
        new QLabel(QStringLiteral("Address            Baud Rate        Bit Length"), DetectPL);
    t1->setObjectName(QStringLiteral("ProtocolTitle1"));
    auto* t2 = new QLabel(QStringLiteral("Parity                Stop Bit               Protocol"),
                          DetectPL);
    t2->setObjectName(QStringLiteral("ProtocolTitle2"));
    AddrPreSet = Combo("AddrPreSet", AddressItems(), DetectPL);
    BaudPreSet = Combo("BaudPreSet", WithUnknown(Bauds), DetectPL);
    LengthPreSet = Combo("LengthPreSet", WithUnknown(Lengths), DetectPL);
    ParityPreSet = Combo("ParityPreSet", WithUnknown(Parities), DetectPL);
    StopPreSet = Combo("StopPreSet", WithUnknown(Stops), DetectPL);
    ProtocolPreSet = Combo("ProtocolPreSet", WithUnknown(Framings), DetectPL);
    BeforeAddr = new QLineEdit(QStringLiteral("1"), DetectPL);
    BeforeAddr->setObjectName(QStringLiteral("BeforeAddr"));
    BeforeAddr->setMaxLength(3);
    BeforeAddr->setToolTip(QStringLiteral("Present address, 1 to 247"));
    BeforeAddr->hide();
    g->addWidget(t1, 0, 0, 1, 3);
    g->addWidget(AddrPreSet, 1, 0);
    g->addWidget(BeforeAddr, 1, 0);
    g->addWidget(BaudPreSet, 1, 1);
    g->addWidget(LengthPreSet, 1, 2);
    g->addWidget(t2, 2, 0, 1, 3);
    g->addWidget(ParityPreSet, 3, 0);
    g->addWidget(StopPreSet, 3, 1);
    g->addWidget(ProtocolPreSet, 3, 2);

    ZUCAfterPL = new QFrame(DetectPL);
    ZUCAfterPL->setObjectName(QStringLiteral("ZUCAfterPL"));
    ZUCAfterPL->setFrameShape(QFrame::StyledPanel);
    auto* a = new QGridLayout(ZUCAfterPL);
    auto* afterLb = new QLabel(QStringLiteral("SET TO ZUC"), ZUCAfterPL);
    afterLb->setObjectName(QStringLiteral("AFTERLB"));
    auto* l1 = new QLabel(t1->text(), ZUCAfterPL);
    l1->setObjectName(QStringLiteral("Label1"));
    auto* l2 = new QLabel(t2->text(), ZUCAfterPL);
    l2->setObjectName(QStringLiteral("Label2"));
    AfterAddr = new QLineEdit(QStringLiteral("1"), ZUCAfterPL);
    AfterAddr->setObjectName(QStringLiteral("AfterAddr"));
    AfterAddr->setMaxLength(3);
    AfterAddr->setToolTip(QStringLiteral("New address, 1 to 247"));
    AfterBaud = Combo("AfterBaud", Bauds, ZUCAfterPL);
    AfterLength = Combo("AfterLength", Lengths, ZUCAfterPL);
    AfterParity = Combo("AfterParity", Parities, ZUCAfterPL);
    AfterStop = Combo("AfterStop", Stops, ZUCAfterPL);
    AfterProtocol = Combo("AfterProtocol", Framings, ZUCAfterPL);
    SyncChk = new QCheckBox(QStringLiteral("Communication protocol Auto Synchronize"), ZUCAfterPL);
    SyncChk->setObjectName(QStringLiteral("SyncChk"));
    SyncChk->setToolTip(QStringLiteral(
        "Check here if you want following device have the same protocol and continue address"));
    a->addWidget(afterLb, 0, 0, 1, 3);
    a->addWidget(l1, 1, 0, 1, 3);
    a->addWidget(AfterAddr, 2, 0);
    a->addWidget(AfterBaud, 2, 1);
    a->addWidget(AfterLength, 2, 2);
    a->addWidget(l2, 3, 0, 1, 3);
    a->addWidget(AfterParity, 4, 0);
    a->addWidget(AfterStop, 4, 1);
    a->addWidget(AfterProtocol, 4, 2);
    a->addWidget(SyncChk, 5, 0, 1, 3);
    ZUCAfterPL->hide();
    g->addWidget(ZUCAfterPL, 4, 0, 1, 3);

    ResultTable = new QTableWidget(NumberedRows + 1, 3, DetectPL);
    ResultTable->setObjectName(QStringLiteral("ResultTable"));
    ResultTable->horizontalHeader()->hide();
    ResultTable->verticalHeader()->hide();
    ResultTable->setColumnWidth(0, 50);
    ResultTable->setColumnWidth(1, 72); // " Address" whole
    ResultTable->setColumnWidth(2, 160);
    ResultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ResultTable->setMinimumSize(290, 200);
    g->addWidget(ResultTable, 5, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    SetStartBt = new QPushButton(QStringLiteral("START"), DetectPL);
    SetStartBt->setObjectName(QStringLiteral("SetStartBt"));
    SETBt = new QPushButton(QStringLiteral("SET"), DetectPL);
    SETBt->setObjectName(QStringLiteral("SETBt"));
    SETBt->setEnabled(false);
    SetCloseBt = new QPushButton(QStringLiteral("CLOSE"), DetectPL);
    SetCloseBt->setObjectName(QStringLiteral("SetCloseBt"));
    buttons->addWidget(SetStartBt);
    buttons->addWidget(SETBt);
    buttons->addStretch(1);
    buttons->addWidget(SetCloseBt);
    g->addLayout(buttons, 6, 0, 1, 3);
    v->addWidget(DetectPL);

    for (QWidget* w : {static_cast<QWidget*>(AutoDetectLb), static_cast<QWidget*>(DetectBar),
                       static_cast<QWidget*>(TimeStamp), static_cast<QWidget*>(DetectPL)})
        w->hide();

    scan_ = std::make_unique<DeviceScan>(ctx_.state, ctx_.replies);
    ProtocolChange::UserMessage message;
    if (ctx_.runUserMessage)
        message = [this](int code, std::function<void()> then) {
            ShowUserMessage(code);
            then();
        };
    change_ = std::make_unique<ProtocolChange>(ctx_.state, ctx_.replies, message);
    scan_->onProgress = [this] { showScanState(); };
    scan_->onFound = [this](const ScanResult&) { addResultRow(scan_->ScanFoundCount()); };
    scan_->onFinished = [this](const QString& lost) {
        showScanState();
        SetStartBt->setText(QStringLiteral("START"));
        if (!lost.isEmpty())
            ctx_.dialogs.message(this, lost);
    };
    change_->onStep = [this] { DetectBar->setProgress(change_->ChangeStep()); };
    change_->onFinished = [this](const QString& portError) {
        DetectBar->setProgress(change_->ChangeStep());
        AutoDetectLb->setText(change_->text());
        // The before combos keep what the last acknowledged write made them.
        const DeviceLine& b = change_->before();
        BeforeAddress = change_->BeforeAddress();
        BeforeAddr->setText(QString::number(BeforeAddress));
        BaudPreSet->setCurrentIndex(1 + int(Bauds.indexOf(QString::number(b.baud))));
        LengthPreSet->setCurrentIndex(b.dataBits == 8 ? 2 : 1);
        ParityPreSet->setCurrentIndex(1 + (2 - b.parityCode));
        StopPreSet->setCurrentIndex(b.stopBits == 2 ? 2 : 1);
        ProtocolPreSet->setCurrentIndex(b.rtu ? 2 : 1);
        DetectPL->setEnabled(true);
        if (!portError.isEmpty())
            ctx_.dialogs.message(this, portError);
    };

    connect(SetStartBt, &QPushButton::clicked, this, [this] { SetStartBtClick(); });
    connect(SetCloseBt, &QPushButton::clicked, this, [this] { SetCloseBtClick(); });
    connect(SETBt, &QPushButton::clicked, this, [this] { SETBtClick(); });
    connect(ResultTable, &QTableWidget::cellClicked, this,
            [this](int row, int) { ResultTableSelectCell(row); });
    for (QComboBox* c :
         {AddrPreSet, BaudPreSet, LengthPreSet, ParityPreSet, StopPreSet, ProtocolPreSet, AfterBaud,
          AfterLength, AfterParity, AfterStop, AfterProtocol})
        connect(c, &QComboBox::activated, this, [this] { AddrPreSetCloseUp(); });
    for (QLineEdit* e : {BeforeAddr, AfterAddr})
        connect(e, &QLineEdit::textEdited, this, [this, e] { BeforeAddrChange(e); });
    return holder;
}

void TProtocol::stopWork() {
    if (scan_)
        scan_->stop();
    if (change_)
        change_->stop();
}

void TProtocol::AutoDetectBtClick() {
    AutoDetectLb->setText(QLatin1String(text::PressStartToDetect));
    AutoDetectLb->show();
    DetectBar->hide();
    TimeStamp->setText(QString());
    TimeStamp->show();
    settingsArea_->hide();
    BKGPL->hide();
    DetectPL->show();
    TableFilling = true;
    for (int r = 1; r <= NumberedRows; ++r)
        ResultTable->setItem(r, 0, new QTableWidgetItem(QString::number(r)));
    ResultTable->setItem(0, 1, new QTableWidgetItem(QLatin1String(text::AddressHeader)));
    ResultTable->setItem(0, 2, new QTableWidgetItem(QLatin1String(text::ProtocolHeader)));
    TableFilling = false;
}

ScanFilters TProtocol::scanFilters() const {
    return ScanFilters{AddrPreSet->currentIndex(),       BaudPreSet->currentIndex() - 1,
                       ParityPreSet->currentIndex() - 1, LengthPreSet->currentIndex() - 1,
                       StopPreSet->currentIndex() - 1,   ProtocolPreSet->currentIndex() - 1};
}

void TProtocol::SetStartBtClick() {
    SETBt->setEnabled(false);
    if (scan_->Scanning()) {
        scan_->cancel();
        return;
    }
    DetectBar->show();
    DetectBar->setProgress(0);
    TimeStamp->setText(QString());
    TableFilling = true;
    ResultTable->setRowCount(NumberedRows + 1);
    for (int r = 1; r <= NumberedRows; ++r)
        for (int c = 1; c <= 2; ++c)
            ResultTable->setItem(r, c, new QTableWidgetItem);
    TableFilling = false;
    ResultTable->clearSelection();
    SetStartBt->setText(QLatin1String(text::CancelUpper));
    const ScanFilters f = scanFilters();
    DetectBar->setMaxValue(std::max(1, ScanProbeTotal(f)));
    if (PortResult r = scan_->start(f, ctx_.state.Com.ComPortNumber); !r) {
        SetStartBt->setText(QStringLiteral("START"));
        DetectBar->hide();
        ctx_.dialogs.message(this, r.message);
        return;
    }
    showScanState();
}

void TProtocol::showScanState() {
    AutoDetectLb->setText(scan_->text());
    TimeStamp->setText(scan_->estimate());
    DetectBar->setProgress(scan_->Scanning() ? scan_->ScanProbeCount() : DetectBar->maxValue());
    if (!scan_->Scanning() && scan_->ScanIndex() < ScanIndexEnd)
        DetectBar->setProgress(scan_->ScanProbeCount());
}

void TProtocol::addResultRow(int row) {
    // No result is lost: past the numbered rows the grid grows and scrolls.
    TableFilling = true;
    if (row >= ResultTable->rowCount())
        ResultTable->setRowCount(row + 1);
    const ScanResult& r = scan_->results()[std::size_t(row - 1)];
    ResultTable->setItem(row, 0, new QTableWidgetItem(QString::number(row)));
    ResultTable->setItem(
        row, 1,
        new QTableWidgetItem(QStringLiteral("%1H").arg(r.address, 2, 16, QChar('0')).toUpper()));
    ResultTable->setItem(row, 2, new QTableWidgetItem(ScanSettingText(r.index)));
    TableFilling = false;
}

void TProtocol::ResultTableSelectCell(int row) {
    if (TableFilling || scan_->Scanning() || row < 1 || row > scan_->ScanFoundCount())
        return;
    const int i = scan_->results()[std::size_t(row - 1)].index;
    BaudPreSet->setCurrentIndex(ScanBaudDigit(i) + 1);
    ParityPreSet->setCurrentIndex(ScanParityDigit(i) + 1);
    LengthPreSet->setCurrentIndex(ScanDataBitsDigit(i) + 1);
    StopPreSet->setCurrentIndex(ScanStopBitsDigit(i) + 1);
    ProtocolPreSet->setCurrentIndex(ScanFramingDigit(i) + 1);
    SETBt->setEnabled(true);
}

void TProtocol::SETBtClick() {
    if (ctx_.state.ProtocolDeviceMode) {
        const auto digit = [](QComboBox* c) { return std::max(0, c->currentIndex() - 1); };
        ProtocolChangeOrder o;
        o.port = ctx_.state.Com.ComPortNumber;
        o.beforeAddress = BeforeAddress;
        o.before = LineOfDigits(digit(BaudPreSet), digit(ParityPreSet), digit(LengthPreSet),
                                digit(StopPreSet), digit(ProtocolPreSet));
        o.afterAddress = AfterAddress;
        o.after = LineOfDigits(AfterBaud->currentIndex(), AfterParity->currentIndex(),
                               AfterLength->currentIndex(), AfterStop->currentIndex(),
                               AfterProtocol->currentIndex());
        o.sync = SyncChk->isChecked();
        DetectPL->setEnabled(false);
        AutoDetectLb->setText(QLatin1String(text::DeviceProtocolChanging));
        DetectBar->setProgress(0);
        if (!change_->start(o)) {
            DetectPL->setEnabled(true);
            AutoDetectLb->setText(QLatin1String(text::DataErrorFailToChange));
        }
        return;
    }
    static const int baudItem[] = {2, 3, 4, 1, 0}; // 9600.. 2400 in the Baudrate group
    Baudrate->setItemIndex(baudItem[std::max(0, BaudPreSet->currentIndex() - 1) % 5]);
    Parity->setItemIndex(2 - std::max(0, ParityPreSet->currentIndex() - 1));
    DataLen->setItemIndex(std::max(0, LengthPreSet->currentIndex() - 1));
    StopBit->setItemIndex(std::max(0, StopPreSet->currentIndex() - 1));
    Format->setItemIndex(std::max(0, ProtocolPreSet->currentIndex() - 1));
    FormatClick();
}

void TProtocol::AddrPreSetCloseUp() {
    if (ctx_.state.ProtocolDeviceMode) {
        KeepConsistent(AfterProtocol, AfterLength, AfterParity, AfterStop, 0);
        KeepConsistent(ProtocolPreSet, LengthPreSet, ParityPreSet, StopPreSet, 1);
        bool known = true;
        for (QComboBox* c : {BaudPreSet, LengthPreSet, ParityPreSet, StopPreSet, ProtocolPreSet})
            known = known && c->currentIndex() > 0;
        SETBt->setEnabled(known);
        return;
    }
    SETBt->setEnabled(false);
    KeepConsistent(ProtocolPreSet, LengthPreSet, ParityPreSet, StopPreSet, 1);
}

void TProtocol::BeforeAddrChange(QLineEdit* edit) {
    int& valid = edit == BeforeAddr ? BeforeAddress : AfterAddress;
    const QString t = edit->text();
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    if (!digits.match(t).hasMatch()) {
        edit->setText(QString::number(valid));
        return;
    }
    if (t.isEmpty())
        return;
    // 0 is the broadcast and 248-255 are reserved: a controller set to them
    // could not be reached again.
    if (const int n = t.toInt(); IsDeviceAddress(n))
        valid = n;
    else
        edit->setText(QString::number(valid));
}

void TProtocol::SetCloseBtClick() {
    stopWork();
    if (ctx_.replies.ApdComPortMain.Open()) {
        ctx_.state.PortOwner = PortFree;
        ctx_.replies.ApdComPortMain.setOpen(false);
    }
    if (ctx_.state.ProtocolDeviceMode) {
        ctx_.state.ProtocolDeviceMode = false;
        QDialog::reject();
        return;
    }
    for (QWidget* w : {static_cast<QWidget*>(AutoDetectLb), static_cast<QWidget*>(DetectBar),
                       static_cast<QWidget*>(TimeStamp), static_cast<QWidget*>(DetectPL)})
        w->hide();
    SetStartBt->setText(QStringLiteral("START"));
    settingsArea_->show();
    BKGPL->show();
}

void TProtocol::showDeviceFace() {
    const ComSetting& c = ctx_.state.Com;
    ProtocolPreSet->setCurrentIndex(c.RtuMode ? 2 : 1);
    StopPreSet->setCurrentIndex(c.ComStopBits == 2 ? 2 : 1);
    const qsizetype baud = Bauds.indexOf(QString::number(c.ComBaud));
    BaudPreSet->setCurrentIndex(baud < 0 ? 1 : int(baud) + 1);
    ParityPreSet->setCurrentIndex(c.ComParityCode == 1 ? 2 : c.ComParityCode == 2 ? 1 : 3);
    LengthPreSet->setCurrentIndex(c.ComDataBits == 8 ? 2 : 1);
    AfterProtocol->setCurrentIndex(ProtocolPreSet->currentIndex() - 1);
    AfterStop->setCurrentIndex(StopPreSet->currentIndex() - 1);
    AfterBaud->setCurrentIndex(BaudPreSet->currentIndex() - 1);
    AfterParity->setCurrentIndex(ParityPreSet->currentIndex() - 1);
    AfterLength->setCurrentIndex(LengthPreSet->currentIndex() - 1);
    BeforeAddr->setText(QStringLiteral("1"));
    AfterAddr->setText(QStringLiteral("1"));
    BeforeAddress = AfterAddress = 1;
    settingsArea_->hide();
    BKGPL->hide();
    DetectPL->show();
    ZUCAfterPL->show();
    ResultTable->hide();
    AddrPreSet->hide();
    BeforeAddr->show();
    SetStartBt->hide();
    SETBt->setEnabled(true);
    AutoDetectLb->show();
    DetectBar->show();
    DetectBar->setMaxValue(3);
    DetectBar->setProgress(0);
    AutoDetectLb->setText(QLatin1String(text::PressSetToChange));
}

} // namespace zu
