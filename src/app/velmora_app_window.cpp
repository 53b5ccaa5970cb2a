// Placeholder main window until the application frame lands.
#include "app/velmora_app_window.h"

#include <QApplication>
#include <QMainWindow>

#include "app/state.h"
#include "settings/settings_file.h"

int RunVelmoraApp(int argc, char** argv) {
    QApplication app(argc, argv);
    LoadSettingsAtStartup();
    QMainWindow window;
    window.setWindowTitle("Velmora_USB");
    window.resize(1330, 1110);
    window.show();
    return app.exec();
}
