#include "ui/form_scaling.h"

#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace zu {

QRect ScaleRect(const QRect& r, int m, int d) {
    return {ScaleValue(r.x(), m, d), ScaleValue(r.y(), m, d), ScaleValue(r.width(), m, d),
            ScaleValue(r.height(), m, d)};
}

namespace {

QFont scaledFont(QFont f, int m, int d) {
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, ScaleValue(f.pixelSize(), m, d)));
    else if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * m / d);
    return f;
}

// A font that sets its own size does not follow its parent's scaling.
bool ownsFontSize(const QWidget* w) {
    return w->testAttribute(Qt::WA_SetFont) && (w->font().resolveMask() & QFont::SizeResolved);
}

struct Change {
    QWidget* widget;
    QRect geometry;
    bool moves;
    QFont font;
    bool ownFont;
};

void collect(QWidget* parent, int m, int d, std::vector<Change>& out) {
    const bool laidOut = parent->layout() != nullptr;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        out.push_back({w, ScaleRect(w->geometry(), m, d), !laidOut, scaledFont(w->font(), m, d),
                       ownsFontSize(w)});
        collect(w, m, d, out);
    }
}

} // namespace

void ScaleContents(QWidget* form, int m, int d) {
    if (!form || d <= 0 || m <= 0 || m == d)
        return;
    // Every new size is taken from the sizes before scaling, so a font that
    // follows its parent is not scaled twice.
    std::vector<Change> changes;
    collect(form, m, d, changes);
    form->setFont(scaledFont(form->font(), m, d));
    for (const Change& c : changes) {
        if (c.moves)
            c.widget->setGeometry(c.geometry);
        if (c.ownFont)
            c.widget->setFont(c.font);
    }
}

} // namespace zu
