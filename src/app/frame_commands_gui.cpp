// The main window's own commands: Exit, Set Camera Type, Copy, Print, Print
// setup, Help and About.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QWidget>

#include "app/about_dialog.h"
#include "app/clipboard.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/main_window.h"
#include "core/menu_tree.h"
#include "app/print_dialog.h"
#include "app/print_help.h"
#include "core/state.h"
#include "settings/settings_file.h"
#include "core/ui_hooks.h"
#include "display/render.h"
#include "platform/files.h"
#include "platform/paths.h"

QImage LoadDisplayBitmap() {
    if (const std::vector<uint8_t>* shown = ShownDisplayBitmapFile())
        return QImage::fromData(shown->data(), int(shown->size()), "BMP");
    const std::string path = MapPath(State().geometry.bitmapName);
    if (!FileExists(path)) return QImage();
    return QImage(QString::fromStdString(path), "BMP");
}

bool CopyDisplayToClipboard() {
    const QImage picture = LoadDisplayBitmap();
    if (picture.isNull()) return false;
    auto* data = new QMimeData;
    // The picture with its palette, and the bitmap (header, palette, pixels).
    data->setImageData(picture);
    if (const std::vector<uint8_t>* shown = ShownDisplayBitmapFile()) {
        data->setData("image/bmp", QByteArray(reinterpret_cast<const char*>(shown->data()), int(shown->size())));
    } else if (auto bytes = ReadWholeFile(MapPath(State().geometry.bitmapName))) {
        data->setData("image/bmp", QByteArray(reinterpret_cast<const char*>(bytes->data()), int(bytes->size())));
    }
    QApplication::clipboard()->setMimeData(data);
    return true;
}

namespace {

void OnExit() {
    if (QWidget* window = MainWindowWidget()) window->close();
}

void OnSetCameraType() {
    AppState& s = State();
    s.geometry.modelCode = s.settings.manualModel;
    ApplyCameraModel();
    RedrawImage();
    UpdateMainWindowScroller();
}

void OnCopy() { CopyDisplayToClipboard(); }

// The external print utility first; where it cannot be started, the
// desktop's own dialogs.
void OnPrint() {
    if (!PrintImage()) RunPrintDialog();
}

void OnPrintSetup() {
    if (!PrintSetup()) RunPageSetupDialog();
}

void OnHelp() { OpenHelp(QCoreApplication::applicationDirPath().toStdString()); }

void OnAbout() {
    TAboutDialog dialog(MainWindowWidget());
    dialog.exec();
}

const bool registered = RegisterCommand(cmd::kExit, OnExit) &&
                        RegisterCommand(cmd::kSetCameraType, OnSetCameraType) &&
                        RegisterCommand(cmd::kCopy, OnCopy, DisplayBitmapExists) &&
                        RegisterCommand(cmd::kPrint, OnPrint) &&
                        RegisterCommand(cmd::kPrintSetup, OnPrintSetup) &&
                        RegisterCommand(cmd::kHelp, OnHelp) && RegisterCommand(cmd::kAbout, OnAbout);

}  // namespace
