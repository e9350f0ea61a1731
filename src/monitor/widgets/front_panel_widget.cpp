#include "monitor/widgets/front_panel_widget.h"

#include "monitor/widgets/monitor_controls.h"
#include "ui/form_scaling.h"
#include "ui/lamp.h"

#include <QLabel>
#include <QPixmap>

// The pictures live in the monitor library, so every program and test that
// shows the monitor has them.
static void InitMonitorPictures() {
    Q_INIT_RESOURCE(monitor_pictures);
}

namespace zu {

namespace {

// Where the marks of the pictures are, in picture pixels (193 wide). The
// family-A picture prints AT, OUT1, AL1, AL2 at the design positions; the
// family-B/C picture moves AT, OUT1 and AL2 left (by 10, 20 and 5) to make
// room for OUT2 and AL3.
constexpr int LedRowY = 118;
constexpr int LedSize = 9;
constexpr int AtX = 24, O1X = 60, O2X = 66, Alm1X = 98, Alm2X = 133, Alm3X = 158;
constexpr int UnitX = 164, DegCY = 30, DegFY = 50, UnitSize = 8;

QLabel* picture(const char* name, const char* resource, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setPixmap(QPixmap(QLatin1String(resource)));
    l->setScaledContents(true);
    return l;
}

QLabel* display(const char* name, const QColor& text, const QRect& r, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    SetLabelBackground(l, Qt::black);
    SetLabelTextColour(l, text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

FrontPanel::FrontPanel(int m, int d, QWidget* parent) : QWidget(parent), m_(m), d_(d) {
    InitMonitorPictures();
    setObjectName(QStringLiteral("ZUA1"));
    setFixedSize(scaled(0, 0, DesignWidth, DesignHeight).size());
    imeA_ = picture("ImeA1", ":/monitor/front_panel_a.jpg", this);
    imeB_ = picture("ImeB1", ":/monitor/front_panel_bc.jpg", this);
    imeA_->setGeometry(rect());
    imeB_->setGeometry(rect());
    const QColor grey = qColorOf(Colour::Grey);
    at_ = led("ATLED", grey, AtX, LedRowY, LedSize);
    o1_ = led("O1LED", grey, O1X, LedRowY, LedSize);
    o2_ = led("O2LED", grey, O2X, LedRowY, LedSize);
    alm1_ = led("ALM1LED", grey, Alm1X, LedRowY, LedSize);
    alm2_ = led("ALM2LED", grey, Alm2X, LedRowY, LedSize);
    alm3_ = led("ALM3LED", grey, Alm3X, LedRowY, LedSize);
    degC_ = led("DegC", grey, UnitX, DegCY, UnitSize);
    degF_ = led("DegF", grey, UnitX, DegFY, UnitSize);
    pvDisp_ = display("PVDisp", QColor(255, 0, 0), scaled(30, 14, 130, 50), this);
    svDisp_ = display("SVDisp", QColor(0, 255, 0), scaled(30, 68, 130, 42), this);
    for (QLabel* l : {pvDisp_, svDisp_}) {
        QFont f = l->font();
        f.setPointSize(std::max(1, ScaleValue(32, m, d)));
        l->setFont(f);
    }
    // family A until a device says otherwise
    imeB_->lower();
    o2_->hide();
    alm3_->hide();
}

QRect FrontPanel::scaled(int x, int y, int w, int h) const {
    return ScaleRect(QRect(x, y, w, h), m_, d_);
}

Lamp* FrontPanel::led(const char* name, QColor off, int x, int y, int size) {
    auto* l = new Lamp(this);
    l->setObjectName(QLatin1String(name));
    l->setBrushColor(off);
    l->setPenColor(QColor(40, 40, 40));
    l->setGeometry(scaled(x, y, size, size));
    return l;
}

void FrontPanel::reset() {
    pvDisp_->clear();
    svDisp_->clear();
    setLeds(PanelLeds{});
}

// The design positions, not the present ones: a family-B layout left from the
// last showing must not shift the LEDs twice.
void FrontPanel::recordLedPositions() {
    atLeft_ = scaled(AtX, 0, 0, 0).x();
    o1Left_ = scaled(O1X, 0, 0, 0).x();
    alm2Left_ = scaled(Alm2X, 0, 0, 0).x();
}

void FrontPanel::applyLayout(const FrontPanelLayout& layout) {
    // The other picture goes to the back, under everything on the panel.
    (layout.pictureA ? imeB_ : imeA_)->lower();
    o2_->setVisible(layout.alarm3AndOut2Leds);
    alm3_->setVisible(layout.alarm3AndOut2Leds);
    at_->move(atLeft_ - layout.atLedShift, at_->y());
    o1_->move(o1Left_ - layout.o1LedShift, o1_->y());
    alm2_->move(alm2Left_ - layout.alm2LedShift, alm2_->y());
}

void FrontPanel::setLeds(const PanelLeds& leds) {
    const QColor grey = qColorOf(Colour::Grey);
    const QColor red = qColorOf(Colour::Red);
    const QColor green = qColorOf(Colour::Green);
    const QColor yellow = qColorOf(Colour::Yellow);
    alm3_->setBrushColor(leds.ALM3LED ? red : grey);
    alm2_->setBrushColor(leds.ALM2LED ? red : grey);
    alm1_->setBrushColor(leds.ALM1LED ? red : grey);
    degC_->setBrushColor(leds.DegC ? yellow : grey);
    degF_->setBrushColor(leds.DegF ? yellow : grey);
    o2_->setBrushColor(leds.O2LED ? green : grey);
    o1_->setBrushColor(leds.O1LED ? green : grey);
    at_->setBrushColor(leds.ATLED ? green : grey);
}

void FrontPanel::setPv(const QString& text, int fontSize, bool centred) {
    QFont f = pvDisp_->font();
    if (fontSize > 0)
        f.setPointSize(fontSize);
    pvDisp_->setFont(f);
    pvDisp_->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter);
    pvDisp_->setText(text);
}

void FrontPanel::setSvText(const QString& text) {
    svDisp_->setText(text);
}

void FrontPanel::setSvFontSize(int fontSize) {
    if (fontSize <= 0)
        return;
    QFont f = svDisp_->font();
    f.setPointSize(fontSize);
    svDisp_->setFont(f);
}

} // namespace zu
