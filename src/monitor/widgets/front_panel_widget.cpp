#include "monitor/widgets/front_panel_widget.h"

#include "monitor/widgets/monitor_controls.h"
#include "ui/form_scaling.h"
#include "ui/lamp.h"

#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <algorithm>

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

QLabel* display(const char* name, const QColor& text, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    SetLabelBackground(l, Qt::black);
    SetLabelTextColour(l, text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

FrontPanel::FrontPanel(int m, int d, QWidget* parent)
    : QWidget(parent), m_(std::max(1, m)), d_(std::max(1, d)), scale_(double(m_) / d_) {
    InitMonitorPictures();
    setObjectName(QStringLiteral("ZUA1"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    imeA_ = picture("ImeA1", ":/monitor/front_panel_a.jpg", this);
    imeB_ = picture("ImeB1", ":/monitor/front_panel_bc.jpg", this);
    const QColor grey = qColorOf(Colour::Grey);
    at_ = led("ATLED", grey);
    o1_ = led("O1LED", grey);
    o2_ = led("O2LED", grey);
    alm1_ = led("ALM1LED", grey);
    alm2_ = led("ALM2LED", grey);
    alm3_ = led("ALM3LED", grey);
    degC_ = led("DegC", grey);
    degF_ = led("DegF", grey);
    pvDisp_ = display("PVDisp", QColor(255, 0, 0), this);
    svDisp_ = display("SVDisp", QColor(0, 255, 0), this);
    pvPoints_ = svPoints_ = std::max(1, ScaleValue(32, m, d));
    resize(scaled(0, 0, DesignWidth, DesignHeight).size());
    relayout();
    // family A until a device says otherwise
    imeB_->lower();
    o2_->hide();
    alm3_->hide();
}

QSize FrontPanel::sizeHint() const {
    if (!sized_)
        return ScaleRect(QRect(0, 0, DesignWidth, DesignHeight), m_, d_).size();
    return {height() * DesignWidth / DesignHeight, height()};
}

void FrontPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const bool heightChanged = !sized_ || e->oldSize().height() != height();
    sized_ = true;
    const double s =
        std::max(0.1, std::min(double(width()) / DesignWidth, double(height()) / DesignHeight));
    if (s != scale_) {
        scale_ = s;
        relayout();
    }
    // The width that fits the new height is asked of the layout.
    if (heightChanged)
        updateGeometry();
}

QRect FrontPanel::scaled(int x, int y, int w, int h) const {
    return ScaleRect(QRect(x, y, w, h), m_, d_);
}

Lamp* FrontPanel::led(const char* name, QColor off) {
    auto* l = new Lamp(this);
    l->setObjectName(QLatin1String(name));
    l->setBrushColor(off);
    l->setPenColor(QColor(40, 40, 40));
    return l;
}

void FrontPanel::relayout() {
    const auto at = [this](double x, double y, double w, double h) {
        return QRect(qRound(x * scale_), qRound(y * scale_), std::max(1, qRound(w * scale_)),
                     std::max(1, qRound(h * scale_)));
    };
    imeA_->setGeometry(at(0, 0, DesignWidth, DesignHeight));
    imeB_->setGeometry(imeA_->geometry());
    at_->setGeometry(at(AtX - atShift_, LedRowY, LedSize, LedSize));
    o1_->setGeometry(at(O1X - o1Shift_, LedRowY, LedSize, LedSize));
    o2_->setGeometry(at(O2X, LedRowY, LedSize, LedSize));
    alm1_->setGeometry(at(Alm1X, LedRowY, LedSize, LedSize));
    alm2_->setGeometry(at(Alm2X - alm2Shift_, LedRowY, LedSize, LedSize));
    alm3_->setGeometry(at(Alm3X, LedRowY, LedSize, LedSize));
    degC_->setGeometry(at(UnitX, DegCY, UnitSize, UnitSize));
    degF_->setGeometry(at(UnitX, DegFY, UnitSize, UnitSize));
    pvDisp_->setGeometry(at(30, 14, 130, 50));
    svDisp_->setGeometry(at(30, 68, 130, 42));
    applyFont(pvDisp_, pvPoints_);
    applyFont(svDisp_, svPoints_);
}

void FrontPanel::applyFont(QLabel* display, double referencePoints) {
    QFont f = display->font();
    f.setPointSizeF(std::max(1.0, referencePoints * scale_ / referenceScale()));
    display->setFont(f);
}

void FrontPanel::reset() {
    pvDisp_->clear();
    svDisp_->clear();
    setLeds(PanelLeds{});
}

// The design positions, not the present ones: a family-B layout left from the
// last showing must not shift the LEDs twice.
void FrontPanel::recordLedPositions() {
    atShift_ = o1Shift_ = alm2Shift_ = 0;
    relayout();
}

void FrontPanel::applyLayout(const FrontPanelLayout& layout) {
    // The other picture goes to the back, under everything on the panel.
    (layout.pictureA ? imeB_ : imeA_)->lower();
    o2_->setVisible(layout.alarm3AndOut2Leds);
    alm3_->setVisible(layout.alarm3AndOut2Leds);
    const double perDesignPixel = referenceScale();
    atShift_ = layout.atLedShift / perDesignPixel;
    o1Shift_ = layout.o1LedShift / perDesignPixel;
    alm2Shift_ = layout.alm2LedShift / perDesignPixel;
    relayout();
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
    if (fontSize > 0) {
        pvPoints_ = fontSize;
        applyFont(pvDisp_, pvPoints_);
    }
    pvDisp_->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter);
    pvDisp_->setText(text);
}

void FrontPanel::setSvText(const QString& text) {
    svDisp_->setText(text);
}

void FrontPanel::setSvFontSize(int fontSize) {
    if (fontSize <= 0)
        return;
    svPoints_ = fontSize;
    applyFont(svDisp_, svPoints_);
}

} // namespace zu
