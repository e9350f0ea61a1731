#pragma once
// A monitor window on virtual time over the built-in simulated controllers
// (COM1 = "sim": families A, B, C at addresses 1, 2, 3, 9600 7E1 ASCII),
// with scripted message boxes.
#include "core/app_state.h"
#include "core/clock.h"
#include "monitor/logic/monitor_engine.h"
#include "monitor/widgets/monitor_controls.h"
#include "monitor/widgets/monitor_window.h"
#include "sim/lib/standard_line_factory.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "ui/lamp.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <memory>

namespace zu::test {

inline PortDirectory WindowPorts() {
    PortDirectory p;
    p.set(1, QString::fromLatin1(kSimulatedDevice));
    p.set(2, QStringLiteral("/dev/zucomm-no-such-adapter"));
    return p;
}

struct WindowRig {
    VirtualClock clock;
    sim::StandardLineFactory lines{clock};
    AppState app{clock, lines, WindowPorts()};
    ScriptedDialogs dialogs;
    std::unique_ptr<TPMonitor> window;

    explicit WindowRig(int comPort = 1) {
        app.Com = ComSetting{comPort, 9600, 7, 1, 1, false};
        window = std::make_unique<TPMonitor>(app, dialogs);
    }
    void show() {
        window->show();
        QCoreApplication::processEvents();
    }

    template <class T = QWidget> T* find(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QAction* action(const char* name) const { return find<QAction>(QLatin1String(name)); }
    QMenu* menu(const char* name) const { return find<QMenu>(QLatin1String(name)); }
    Lamp* lamp(const QString& name) const { return find<Lamp>(name); }
    QColor lampColour(const QString& name) const {
        const Lamp* l = lamp(name);
        return l ? l->brushColor() : QColor();
    }
    QString text(const QString& name) const {
        if (auto* l = find<QLabel>(name))
            return l->text();
        if (auto* e = find<QLineEdit>(name))
            return e->text();
        if (auto* b = find<QPushButton>(name))
            return b->text();
        return QStringLiteral("<no control %1>").arg(name);
    }
    // Runs virtual time (and the events it posts) until pred holds.
    bool runUntil(const std::function<bool()>& pred, std::int64_t maxMs) {
        const std::int64_t end = clock.nowMs() + maxMs;
        while (!pred() && clock.nowMs() < end) {
            clock.advance(10);
            QCoreApplication::processEvents();
        }
        return pred();
    }
};

inline QColor Q(Colour c) {
    return qColorOf(c);
}

} // namespace zu::test
