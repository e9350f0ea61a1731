#include "protocol/protocol_window.h"

#include "core/app_state.h"
#include "core/port_directory.h"
#include "core/reply_gathering.h"
#include "core/texts.h"
#include "protocol/logic/protocol_change.h"
#include "protocol/logic/scan.h"
#include "protocol/pc_port_face.h"
#include "ui/dialogs.h"
#include "ui/radio_group.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zu {

QString DeviceCaption(const QString& device) {
    if (device.isEmpty())
        return QString();
    if (device == QLatin1String(kSimulatedDevice))
        return QStringLiteral("simulated");
    return device;
}

TProtocol::TProtocol(const ProtocolContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TProtocol"));
    setWindowTitle(QStringLiteral("COMMUNICATION PROTOCOL"));
    // A fixed tool window without a close box.
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 242, 140));
    setPalette(pal);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(8, 8, 8, 8);
    top->setSpacing(6);

    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("TitleProtocol"));
    title->setPixmap(QPixmap(QStringLiteral(":/pictures/protocol_title.png")));
    title->setAlignment(Qt::AlignCenter);
    top->addWidget(title);

    settingsArea_ = new QWidget(this);
    settingsArea_->setObjectName(QStringLiteral("SettingsArea"));
    auto* grid = new QGridLayout(settingsArea_);
    grid->setContentsMargins(0, 0, 0, 0);
    Baudrate = new RadioGroup(QStringLiteral("Baudrate"), QStringLiteral("Baudrate"),
                              {QStringLiteral("2400bps"), QStringLiteral("4800bps"),
                               QStringLiteral("9600bps"), QStringLiteral("19200bps"),
                               QStringLiteral("38400bps")},
                              3, settingsArea_);
    DataLen =
        new RadioGroup(QStringLiteral("DataLen"), QStringLiteral("Data Length"),
                       {QStringLiteral("7 Bits"), QStringLiteral("8 Bits")}, 2, settingsArea_);
    Parity = new RadioGroup(QStringLiteral("Parity"), QStringLiteral("Parity Bit"),
                            {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")},
                            3, settingsArea_);
    StopBit = new RadioGroup(QStringLiteral("StopBit"), QStringLiteral("Stop Bit"),
                             {QStringLiteral("1 Bit"), QStringLiteral("2 Bits")}, 2, settingsArea_);
    Format = new RadioGroup(QStringLiteral("Format"), QStringLiteral("Format"),
                            {QStringLiteral("ASCII"), QStringLiteral("RTU")}, 2, settingsArea_);
    grid->addWidget(buildPortBox(), 0, 0, 1, 2);
    // Without an adapter a newcomer has nothing to talk to but the simulated
    // line: say which button it is.
    const PortDirectory& ports = ctx_.state.ports();
    SimLineLb = new QLabel(QString::fromLatin1(text::SimulatedLineHint).arg(ports.simulatedPort()),
                           settingsArea_);
    SimLineLb->setObjectName(QStringLiteral("SimLineLb"));
    QFont bold = SimLineLb->font();
    bold.setBold(true);
    SimLineLb->setFont(bold);
    SimLineLb->setVisible(ports.simulatedPort() != 0 && !ports.hasAdapter());
    grid->addWidget(SimLineLb, 1, 0, 1, 2);
    grid->addWidget(Baudrate, 2, 0, 1, 2);
    grid->addWidget(DataLen, 3, 0);
    grid->addWidget(Parity, 3, 1);
    grid->addWidget(StopBit, 4, 0);
    grid->addWidget(Format, 4, 1);
    top->addWidget(settingsArea_);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("BKGPL"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* buttons = new QHBoxLayout(panel);
    AutoDetectBt = new QPushButton(QStringLiteral("Auto Detect"), panel);
    AutoDetectBt->setObjectName(QStringLiteral("AutoDetectBt"));
    OKBt = new QPushButton(QStringLiteral("OK"), panel);
    OKBt->setObjectName(QStringLiteral("OKBt"));
    OKBt->setDefault(true);
    CancelBt = new QPushButton(QStringLiteral("Cancel"), panel);
    CancelBt->setObjectName(QStringLiteral("CancelBt"));
    buttons->addWidget(AutoDetectBt);
    buttons->addStretch(1);
    buttons->addWidget(OKBt);
    buttons->addWidget(CancelBt);
    top->addWidget(panel);
    BKGPL = panel;
    top->addWidget(buildDetectPanel());
    top->setSizeConstraint(QLayout::SetFixedSize);

    // Tab follows the screen: the port, the line settings as they read, the buttons.
    QList<QWidget*> order;
    for (int n = 1; n <= 12; ++n)
        order << com_[std::size_t(n)];
    for (RadioGroup* g : {Baudrate, DataLen, Parity, StopBit, Format})
        for (int i = 0; i < g->count(); ++i)
            order << g->button(i);
    order << AutoDetectBt << OKBt << CancelBt;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connect(Format, &RadioGroup::clicked, this, [this] { FormatClick(); });
    connect(OKBt, &QPushButton::clicked, this, [this] { OKBtClick(); });
    connect(CancelBt, &QPushButton::clicked, this, [this] { CancelBtClick(); });
    connect(AutoDetectBt, &QPushButton::clicked, this, [this] { AutoDetectBtClick(); });
}

// Replies that come after the window has gone have nobody to go to.
TProtocol::~TProtocol() {
    stopWork();
    ctx_.replies.ProtocolReplyHandler = nullptr;
}

void TProtocol::ShowUserMessage(int userMessageCode) {
    ctx_.state.UserMessageCode = userMessageCode;
    if (ctx_.runUserMessage)
        ctx_.runUserMessage(this);
}

QWidget* TProtocol::buildPortBox() {
    auto* box = new QGroupBox(QStringLiteral("Com Port"), settingsArea_);
    box->setObjectName(QStringLiteral("COMPort"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(0);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    const PortDirectory& ports = ctx_.state.ports();
    for (int n = 1; n <= 12; ++n) {
        const int row = (n - 1) / 4 * 2;
        const int col = (n - 1) % 4;
        auto* b = new QRadioButton(QStringLiteral("COM%1").arg(n), box);
        b->setObjectName(QStringLiteral("COM%1").arg(n));
        b->setProperty("tag", n);
        const QString device = ports.device(n);
        // Which device a COM number stands for, so COM3 can be told to be /dev/ttyUSB0.
        auto* dev = new QLabel(DeviceCaption(device), box);
        dev->setObjectName(QStringLiteral("COM%1Device").arg(n));
        dev->setFont(small);
        dev->setIndent(20);
        dev->setEnabled(!device.isEmpty());
        const QString tip = device.isEmpty()
                                ? QStringLiteral("COM%1: no device").arg(n)
                                : QStringLiteral("COM%1 = %2").arg(n).arg(DeviceCaption(device));
        b->setToolTip(tip);
        dev->setToolTip(tip);
        grid->addWidget(b, row, col);
        grid->addWidget(dev, row + 1, col);
        connect(b, &QRadioButton::clicked, this, [this, n] { COM1Click(n); });
        com_[std::size_t(n)] = b;
    }
    com_[1]->setChecked(true); // as laid out
    TabLandsOnCheckedChoice(box->findChildren<QAbstractButton*>());
    return box;
}

void TProtocol::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    FormShow();
}

void TProtocol::FormShow() {
    AppState& s = ctx_.state;
    const PcFaceChoice c = PreparePcFace(s.ComSettingWord, s.PortPresent);
    Format->setItemIndex(c.formatIndex);
    StopBit->setItemIndex(c.stopBitIndex);
    Baudrate->setItemIndex(c.baudIndex);
    Parity->setItemIndex(c.parityIndex);
    DataLen->setItemIndex(c.dataLenIndex);
    DataLen->setEnabled(DataLenSelectable(c.formatIndex));
    s.Com.ComPortNumber = c.port;
    if (c.port != 0)
        com_[std::size_t(c.port)]->setChecked(true);
    for (int n = 1; n <= 12; ++n)
        com_[std::size_t(n)]->setEnabled(c.enabled[std::size_t(n)]);
    if (c.noPort)
        ctx_.dialogs.message(this, QString::fromLatin1(text::NoComPortExist));
    if (s.ProtocolDeviceMode)
        showDeviceFace();
}

void TProtocol::COM1Click(int tag) {
    ctx_.state.Com.ComPortNumber = tag;
}

void TProtocol::FormatClick() {
    if (!DataLenSelectable(Format->itemIndex()))
        DataLen->setItemIndex(1);
    DataLen->setEnabled(DataLenSelectable(Format->itemIndex()));
}

void TProtocol::OKBtClick() {
    AppState& s = ctx_.state;
    const std::int32_t word =
        EncodeComSettingWord(s.Com.ComPortNumber, std::max(0, Baudrate->itemIndex()),
                             std::max(0, Parity->itemIndex()), std::max(0, DataLen->itemIndex()),
                             std::max(0, StopBit->itemIndex()), std::max(0, Format->itemIndex()));
    if (!s.StoreComSetting(word))
        ctx_.dialogs.message(this, QString::fromLatin1(text::DataCanNotSave));
    QDialog::accept();
}

void TProtocol::CancelBtClick() {
    stopWork();
    if (ctx_.replies.ApdComPortMain.Open()) {
        ctx_.state.PortOwner = PortFree;
        ctx_.replies.ApdComPortMain.setOpen(false);
    }
    QDialog::reject();
}

void TProtocol::reject() {
    CancelBtClick();
}

} // namespace zu
