#include "shell/user_message.h"

#include "core/app_state.h"
#include "core/texts.h"
#include "shell/shell_texts.h"
#include "ui/form_scaling.h"

#include <QLabel>
#include <QPushButton>

namespace zu {

TDISPUPDATE::TDISPUPDATE(AppState& state, MainShell& mainShell, QWidget* parent)
    : QDialog(parent), state_(state), shell_(mainShell) {
    setObjectName(QStringLiteral("TDISPUPDATE"));
    setWindowTitle(QString::fromLatin1(text::UserMessageCaption));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 251, 240));
    setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    f.setBold(true);
    setFont(f);

    // Design coordinates, DesignWidth wide; FormShow scales them to the
    // window's 449 x 102 client area.
    PWRLB1 = new QLabel(this);
    PWRLB1->setObjectName(QStringLiteral("PWRLB1"));
    PWRLB1->setGeometry(0, 12, DesignWidth, 18);
    PWRLB1->setAlignment(Qt::AlignCenter);
    PWRLB1->setStyleSheet(QStringLiteral("color: #0000c0"));
    PWRLB2 = new QLabel(this);
    PWRLB2->setObjectName(QStringLiteral("PWRLB2"));
    PWRLB2->setGeometry(0, 34, DesignWidth, 30);
    PWRLB2->setAlignment(Qt::AlignCenter);
    PWRLB2->setWordWrap(true);
    PWRLB2->setStyleSheet(QStringLiteral("color: #c00000"));
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(160, 64, 64, 20);
    Button1->setStyleSheet(QStringLiteral("color: #800080; font-weight: bold"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    setFixedSize(449, 102);
}

TDISPUPDATE::~TDISPUPDATE() {
    shell_.forgetUserMessageWindow(this);
}

int TDISPUPDATE::CloseAfterMs(int userMessageCode) {
    return userMessageCode == 251 ? 3000 : userMessageCode == 252 ? 500 : 0;
}

void TDISPUPDATE::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

void TDISPUPDATE::FormShow() {
    if (!scaled_)
        ScaleContents(this, width(), DesignWidth);
    scaled_ = true;
    const int code = state_.UserMessageCode;
    if (code == 251) {
        PWRLB1->setText(QString::fromLatin1(text::AutoSyncSuccess));
        PWRLB2->setText(QString::fromLatin1(text::ConnectExtendDevice));
    } else if (code == 252) {
        PWRLB1->setText(QString::fromLatin1(text::ChangingProtocol));
        PWRLB2->setText(QString::fromLatin1(text::PleaseWait));
    } else {
        return;
    }
    Button1->hide();
    shell_.setUserMessageWindow(this);
    shell_.Timer1.setInterval(CloseAfterMs(code));
    shell_.Timer1.start();
}

} // namespace zu
