// zucomm: start-up. The windows come up in a fixed order: the application
// title first, then the main window (which learns the PC's ports), then the
// other long-lived windows.
#include "cli/cli.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/port_directory.h"
#include "monitor/widgets/monitor_window.h"
#include "recorder/widgets/record_window.h"
#include "shell/main_shell.h"
#include "shell/main_window.h"
#include "shell/shell_texts.h"
#include "sim/lib/standard_line_factory.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    // A subcommand or --help/--version: the headless command line, no display needed.
    if (zu::cli::IsCommandLine(argc, argv))
        return zu::cli::run(argc, argv);
    QApplication app(argc, argv);
    zu::NameApplication();

    std::unique_ptr<zu::Clock> clock = zu::makeRealClock();
    zu::sim::StandardLineFactory lines(*clock);
    zu::PortDirectory ports = zu::PortDirectory::detect();
    for (const QString& problem : ports.problems())
        std::fprintf(stderr, "zucomm: %s\n", qPrintable(problem));
    zu::AppState state(*clock, lines, std::move(ports));
    zu::QtDialogs dialogs(QString::fromLatin1(zu::text::AppTitle));

    zu::TMainForm mainForm(state, dialogs);
    // The monitor lives for the whole run, hidden until MONITOR.
    zu::TPMonitor monitor(state, dialogs);
    mainForm.setMonitorWindow(&monitor);
    // The recorder's slots, rings and scale outlive its window.
    zu::RecorderState recorder;
    mainForm.setRecorderFactory([&](QWidget* parent) -> std::unique_ptr<QDialog> {
        auto window =
            std::make_unique<zu::TPRecord>(state, mainForm.replies(), recorder, dialogs, parent);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window->setGeometry(screen->availableGeometry());
        window->setWindowState(Qt::WindowMaximized);
        return window;
    });
    // Maximised; without a window manager (a bare X server) the window is
    // given the screen's size itself.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    return app.exec();
}
