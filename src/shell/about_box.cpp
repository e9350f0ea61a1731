#include "shell/about_box.h"

#include "shell/shell_texts.h"
#include "ui/form_scaling.h"
#include "ui/picture.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QScrollArea>
#include <algorithm>

namespace zu {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

} // namespace

TABOUT::TABOUT(const QStringList& portMapProblems, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TABOUT"));
    setWindowTitle(QStringLiteral("ABOUT"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setModal(true);

    // Design coordinates, DesignWidth wide; FormShow scales them to the
    // window's 342 x 177 client area.
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    setFont(f);
    constexpr int designHeight = 146;
    const int problemLines = int(portMapProblems.size());
    // The problems are shown whole: wrapped to the panel's width, a path
    // broken after its slashes, and beyond six lines scrolled.
    constexpr int problemsWidth = 262;
    constexpr int problemsMaxHeight = 6 * 14 + 4;
    QString wrapped = portMapProblems.join(QLatin1Char('\n'));
    wrapped.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    int problemsHeight = 0;
    if (problemLines) {
        const QFontMetrics fm(f);
        problemsHeight = std::min(problemsMaxHeight,
                                  fm.boundingRect(QRect(0, 0, problemsWidth - 4, 100000),
                                                  Qt::TextWordWrap | Qt::TextWrapAnywhere, wrapped)
                                          .height() +
                                      4);
    }
    const int height = designHeight + (problemLines ? 18 + problemsHeight : 0);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("AboutPl"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(4, 4, DesignWidth - 8, height - 8);

    auto* logo = new Picture(panel);
    logo->setObjectName(QStringLiteral("Image2"));
    logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.jpg")));
    logo->setGeometry(6, 6, 93, 47);

    label(panel, "Label1", QString::fromLatin1(text::AboutProductLine), {106, 6, 164, 15});
    label(panel, "Label2", QString::fromLatin1(text::AboutProgram), {106, 22, 164, 15});
    label(panel, "Label3", QString::fromLatin1(text::AboutVersion), {106, 38, 164, 15});
    // One line across the panel: a little smaller than the rest so it fits.
    auto* res =
        label(panel, "Label5", QString::fromLatin1(text::AboutResolution), {4, 66, 266, 16});
    QFont resFont = res->font();
    resFont.setPixelSize(11);
    res->setFont(resFont);
    label(panel, "Label4", QString::fromLatin1(text::AboutOwnership), {6, 100, 262, 16});

    if (problemLines) {
        auto* head = label(panel, "MapProblemsLb", QStringLiteral("Port map problems:"),
                           {6, designHeight - 8, 262, 15});
        QFont bold = head->font();
        bold.setBold(true);
        head->setFont(bold);
        auto* area = new QScrollArea(panel);
        area->setObjectName(QStringLiteral("MapProblemsArea"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        area->setGeometry(6, designHeight + 8, problemsWidth, problemsHeight);
        auto* list = new QLabel(wrapped);
        list->setObjectName(QStringLiteral("MapProblems"));
        list->setWordWrap(true);
        list->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        list->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The lines of a file the user wrote: shown as written, never as markup.
        list->setTextFormat(Qt::PlainText);
        list->setStyleSheet(QStringLiteral("color: #a00000"));
        list->setToolTip(portMapProblems.join(QLatin1Char('\n')));
        area->setWidget(list);
    }
    resize(ScaleValue(DesignWidth, 342, DesignWidth), ScaleValue(height, 342, DesignWidth));
    setFixedSize(size());
}

void TABOUT::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    FormShow();
}

void TABOUT::FormShow() {
    ScaleContents(this, width(), DesignWidth);
}

} // namespace zu
