// Draws the program's pictures into resources/ (run from the repository root):
//   g++ -std=c++20 -fPIC resources/tools/draw_pictures.cpp -o /tmp/draw_pictures \
//       $(pkg-config --cflags --libs Qt6Gui) && QT_QPA_PLATFORM=offscreen /tmp/draw_pictures
// Everything is drawn here with QPainter; no outside artwork is used.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

// Segments a..g of a seven-segment digit as bits 0..6.
int segmentsOf(char c) {
    switch (c) {
    case '0':
        return 0x3F;
    case '1':
        return 0x06;
    case '2':
        return 0x5B;
    case '3':
        return 0x4F;
    case '4':
        return 0x66;
    case '5':
        return 0x6D;
    case '6':
        return 0x7D;
    case '7':
        return 0x07;
    case '8':
        return 0x7F;
    case '9':
        return 0x6F;
    case '-':
        return 0x40;
    default:
        return 0;
    }
}

// One digit of width w and height h, slanted a little, lit segments in on,
// unlit ones faintly in off.
void drawDigit(QPainter& p, QPointF at, qreal w, qreal h, char c, bool dot, QColor on, QColor off) {
    const qreal t = w * 0.18; // segment thickness
    const qreal slant = w * 0.12;
    auto pt = [&](qreal x, qreal y) {
        return QPointF(at.x() + x + slant * (1 - y / h), at.y() + y);
    };
    auto hseg = [&](qreal y) {
        return QPolygonF({pt(t * 0.6, y), pt(t * 1.1, y - t / 2), pt(w - t * 1.1, y - t / 2),
                          pt(w - t * 0.6, y), pt(w - t * 1.1, y + t / 2), pt(t * 1.1, y + t / 2)});
    };
    auto vseg = [&](qreal x, qreal y0, qreal y1) {
        return QPolygonF({pt(x, y0 + t * 0.6), pt(x + t / 2, y0 + t * 1.1),
                          pt(x + t / 2, y1 - t * 1.1), pt(x, y1 - t * 0.6),
                          pt(x - t / 2, y1 - t * 1.1), pt(x - t / 2, y0 + t * 1.1)});
    };
    const QPolygonF segs[7] = {
        hseg(t / 2),     vseg(w - t / 2, 0, h / 2), vseg(w - t / 2, h / 2, h),
        hseg(h - t / 2), vseg(t / 2, h / 2, h),     vseg(t / 2, 0, h / 2),
        hseg(h / 2)};
    const int bits = segmentsOf(c);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        p.setBrush((bits >> i) & 1 ? on : off);
        p.drawPolygon(segs[i]);
    }
    p.setBrush(dot ? on : off);
    p.drawEllipse(pt(w + t * 0.3, h - t / 2), t * 0.45, t * 0.45);
}

// A text such as "125.0" on four digit places.
void drawReading(QPainter& p, QPointF at, qreal w, qreal h, const char* text, QColor on,
                 QColor off) {
    char digits[8] = {};
    bool dots[8] = {};
    int n = 0;
    for (const char* c = text; *c && n < 8; ++c) {
        if (*c == '.' && n > 0)
            dots[n - 1] = true;
        else
            digits[n++] = *c;
    }
    for (int i = 0; i < 4; ++i) {
        const int k = i - (4 - n);
        drawDigit(p, at + QPointF(i * w * 1.35, 0), w, h, k >= 0 ? digits[k] : ' ',
                  k >= 0 && dots[k], on, off);
    }
}

void roundRect(QPainter& p, QRectF r, qreal radius, QBrush fill, QPen pen = Qt::NoPen) {
    p.setPen(pen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A 1/4 DIN panel controller seen from the front, at (x, y) with side s.
void drawController(QPainter& p, qreal x, qreal y, qreal s, const char* pv, const char* sv,
                    int lit) {
    const QRectF bezel(x, y, s, s);
    QLinearGradient g(bezel.topLeft(), bezel.bottomRight());
    g.setColorAt(0, QColor(92, 96, 104));
    g.setColorAt(1, QColor(38, 40, 46));
    roundRect(p, bezel, s * 0.04, g, QPen(QColor(20, 20, 24), s * 0.01));
    const QRectF face = bezel.adjusted(s * 0.05, s * 0.05, -s * 0.05, -s * 0.05);
    roundRect(p, face, s * 0.02, QColor(28, 30, 34));

    // display window
    const QRectF win(face.left() + s * 0.05, face.top() + s * 0.05, face.width() - s * 0.10,
                     s * 0.50);
    roundRect(p, win, s * 0.01, QColor(8, 8, 10), QPen(QColor(70, 70, 76), s * 0.006));
    const qreal dw = s * 0.12, dh = s * 0.19;
    drawReading(p, QPointF(win.left() + s * 0.06, win.top() + s * 0.04), dw, dh, pv,
                QColor(255, 40, 30), QColor(50, 10, 10));
    drawReading(p, QPointF(win.left() + s * 0.14, win.top() + s * 0.28), dw * 0.72, dh * 0.72, sv,
                QColor(60, 235, 80), QColor(10, 40, 14));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(s * 0.035));
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 120, 110));
    p.drawText(QPointF(win.left() + s * 0.015, win.top() + s * 0.08), QStringLiteral("PV"));
    p.setPen(QColor(120, 240, 140));
    p.drawText(QPointF(win.left() + s * 0.015, win.top() + s * 0.32), QStringLiteral("SV"));

    // indicator lamps
    const char* names[] = {"OUT1", "OUT2", "AT", "ALM"};
    f.setPixelSize(int(s * 0.032));
    p.setFont(f);
    for (int i = 0; i < 4; ++i) {
        const qreal lx = face.left() + s * 0.07 + i * s * 0.215;
        const qreal ly = win.bottom() + s * 0.05;
        const bool on = (lit >> i) & 1;
        QRadialGradient lg(QPointF(lx + s * 0.02, ly), s * 0.03);
        lg.setColorAt(0, on ? QColor(255, 230, 120) : QColor(90, 70, 40));
        lg.setColorAt(1, on ? QColor(240, 150, 20) : QColor(50, 40, 24));
        p.setPen(Qt::NoPen);
        p.setBrush(lg);
        p.drawEllipse(QPointF(lx + s * 0.02, ly), s * 0.022, s * 0.022);
        p.setPen(QColor(200, 200, 205));
        p.drawText(QPointF(lx + s * 0.05, ly + s * 0.012), QString::fromLatin1(names[i]));
    }

    // keys
    const char* keys[] = {"SET", "\xE2\x97\x80", "\xE2\x96\xBC", "\xE2\x96\xB2"};
    for (int i = 0; i < 4; ++i) {
        const QRectF k(face.left() + s * 0.06 + i * s * 0.21, face.bottom() - s * 0.21, s * 0.17,
                       s * 0.12);
        QLinearGradient kg(k.topLeft(), k.bottomLeft());
        kg.setColorAt(0, QColor(130, 134, 142));
        kg.setColorAt(1, QColor(72, 75, 82));
        roundRect(p, k, s * 0.015, kg, QPen(QColor(20, 20, 24), s * 0.004));
        p.setPen(QColor(240, 240, 240));
        f.setPixelSize(int(s * (i == 0 ? 0.04 : 0.045)));
        p.setFont(f);
        p.drawText(k, Qt::AlignCenter, QString::fromUtf8(keys[i]));
    }
    // maker mark
    f.setPixelSize(int(s * 0.05));
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(170, 200, 255));
    p.drawText(QRectF(face.left(), face.bottom() - s * 0.085, face.width() - s * 0.04, s * 0.08),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("ZU"));
}

QImage product() {
    QImage img(1000, 600, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // soft floor shadow
    const qreal xs[] = {40, 330, 740}, sides[] = {260, 380, 230};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(xs[i] + sides[i] / 2, 512);
        QRadialGradient sh(c, sides[i] * 0.55);
        sh.setColorAt(0, QColor(0, 0, 0, 45));
        sh.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(sh);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, sides[i] * 0.55, 16);
    }
    drawController(p, xs[0], 512 - sides[0], sides[0], "125.0", "120.0", 0b0101);
    drawController(p, xs[1], 512 - sides[1], sides[1], "860", "850", 0b0001);
    drawController(p, xs[2], 512 - sides[2], sides[2], "-12.5", "-10.0", 0b0010);
    // small line of text under the group
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(22);
    p.setFont(f);
    p.setPen(QColor(70, 80, 100));
    p.drawText(QRectF(0, 548, 1000, 40), Qt::AlignCenter,
               QStringLiteral("ZU series panel temperature controllers"));
    return img;
}

QImage logo() {
    QImage img(224, 114, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 114);
    g.setColorAt(0, QColor(40, 110, 200));
    g.setColorAt(1, QColor(14, 50, 120));
    roundRect(p, QRectF(4, 4, 216, 106), 18, g);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(70);
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(10, 0, 130, 110), Qt::AlignCenter, QStringLiteral("ZU"));
    // a heating curve settling on its set point
    QPainterPath path(QPointF(140, 88));
    path.cubicTo(QPointF(160, 88), QPointF(165, 30), QPointF(180, 30));
    path.cubicTo(QPointF(190, 30), QPointF(192, 48), QPointF(200, 44));
    path.lineTo(QPointF(212, 44));
    p.setPen(QPen(QColor(255, 120, 60), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(QColor(255, 255, 255, 150), 2, Qt::DashLine));
    p.drawLine(QPointF(140, 44), QPointF(212, 44));
    return img;
}

QImage protocolTitle() {
    QImage img(420, 44, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 420, 0);
    g.setColorAt(0, QColor(20, 60, 140));
    g.setColorAt(1, QColor(60, 130, 220));
    roundRect(p, QRectF(1, 1, 418, 42), 8, g);
    // a plug and a wave on the left
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 22), QPointF(26, 22));
    roundRect(p, QRectF(26, 13, 14, 18), 3, Qt::white);
    p.setPen(QPen(QColor(255, 210, 90), 2.5));
    QPainterPath wave(QPointF(44, 22));
    for (int i = 0; i < 4; ++i)
        wave.quadTo(QPointF(48 + i * 8, i % 2 ? 30 : 14), QPointF(52 + i * 8, 22));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(84, 0, 330, 44), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("COMMUNICATION PROTOCOL"));
    return img;
}

QImage icon(int which) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen dark(QColor(30, 36, 48), 1.2);
    switch (which) {
    case 0: { // PC port: a computer with a cable to a plug
        roundRect(p, QRectF(2, 4, 20, 15), 2, QColor(60, 120, 210), dark);
        roundRect(p, QRectF(4.5, 6.5, 15, 10), 1, QColor(200, 230, 255));
        roundRect(p, QRectF(8, 19, 8, 3), 1, QColor(120, 126, 136), dark);
        roundRect(p, QRectF(4, 22, 16, 4), 1.5, QColor(160, 166, 176), dark);
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(Qt::NoBrush);
        QPainterPath cable(QPointF(20, 24));
        cable.cubicTo(QPointF(26, 24), QPointF(24, 12), QPointF(28, 12));
        p.drawPath(cable);
        roundRect(p, QRectF(25, 7, 6, 10), 1.5, QColor(230, 180, 40), dark);
        break;
    }
    case 1: { // controller setting: a controller front with a gear
        roundRect(p, QRectF(2, 2, 22, 26), 2, QColor(70, 74, 82), dark);
        roundRect(p, QRectF(4.5, 5, 17, 9), 1, QColor(10, 10, 12));
        p.setPen(QPen(QColor(255, 60, 40), 2));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(7 + i * 5, 8), QPointF(10 + i * 5, 8));
        p.setPen(QPen(QColor(80, 230, 90), 1.5));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(7 + i * 5, 11.5), QPointF(10 + i * 5, 11.5));
        for (int i = 0; i < 3; ++i)
            roundRect(p, QRectF(5 + i * 6, 18, 4, 4), 1, QColor(170, 174, 182));
        // gear
        QPainterPath gear;
        const QPointF c(24, 24);
        for (int i = 0; i < 16; ++i) {
            const qreal a = i * M_PI / 8;
            const qreal r = i % 2 ? 5 : 7.5;
            const QPointF q(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            if (i == 0)
                gear.moveTo(q);
            else
                gear.lineTo(q);
        }
        gear.closeSubpath();
        gear.addEllipse(c, 2.2, 2.2);
        p.setPen(dark);
        p.setBrush(QColor(240, 170, 30));
        p.drawPath(gear);
        break;
    }
    case 2: { // monitor: a screen with a trend line
        roundRect(p, QRectF(2, 3, 28, 21), 2, QColor(50, 54, 62), dark);
        roundRect(p, QRectF(4.5, 5.5, 23, 16), 1, QColor(12, 24, 40));
        p.setPen(QPen(QColor(60, 90, 120), 0.8, Qt::DotLine));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(4.5, 5.5 + i * 4), QPointF(27.5, 5.5 + i * 4));
        p.setPen(QPen(QColor(255, 70, 50), 1.8));
        QPainterPath trend(QPointF(5, 19));
        trend.cubicTo(QPointF(11, 19), QPointF(12, 8), QPointF(17, 9));
        trend.cubicTo(QPointF(21, 10), QPointF(22, 11), QPointF(27, 10));
        p.setBrush(Qt::NoBrush);
        p.drawPath(trend);
        roundRect(p, QRectF(12, 24, 8, 3), 1, QColor(120, 126, 136), dark);
        roundRect(p, QRectF(8, 27, 16, 3), 1.5, QColor(160, 166, 176), dark);
        break;
    }
    default: { // recorder: a chart sheet with a pen trace and a record dot
        roundRect(p, QRectF(3, 2, 22, 28), 2, QColor(250, 250, 244), dark);
        p.setPen(QPen(QColor(150, 190, 150), 0.8));
        for (int i = 1; i < 6; ++i)
            p.drawLine(QPointF(5, 2 + i * 4.7), QPointF(23, 2 + i * 4.7));
        p.setPen(QPen(QColor(30, 90, 200), 1.8));
        QPainterPath trace(QPointF(5, 24));
        trace.lineTo(QPointF(9, 18));
        trace.lineTo(QPointF(12, 21));
        trace.lineTo(QPointF(16, 10));
        trace.lineTo(QPointF(19, 14));
        trace.lineTo(QPointF(23, 7));
        p.setBrush(Qt::NoBrush);
        p.drawPath(trace);
        QRadialGradient rg(QPointF(24, 24), 7);
        rg.setColorAt(0, QColor(255, 110, 90));
        rg.setColorAt(1, QColor(200, 20, 20));
        p.setPen(QPen(QColor(120, 10, 10), 1));
        p.setBrush(rg);
        p.drawEllipse(QPointF(24.5, 24.5), 6, 6);
        break;
    }
    }
    return img;
}

bool save(const QImage& img, const char* path, const char* format, int quality = -1) {
    if (!img.save(QString::fromLatin1(path), format, quality)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    bool ok = save(product(), "resources/pictures/product.jpg", "JPG", 90);
    ok &= save(logo(), "resources/pictures/logo.jpg", "JPG", 92);
    ok &= save(protocolTitle(), "resources/pictures/protocol_title.png", "PNG");
    const char* icons[] = {"resources/icons/pc_protocol.png", "resources/icons/device_protocol.png",
                           "resources/icons/monitor.png", "resources/icons/recorder.png"};
    for (int i = 0; i < 4; ++i)
        ok &= save(icon(i), icons[i], "PNG");
    return ok ? 0 : 1;
}
