// The main window: start-up, caption, frame, menus, tool bar, status bar and
// the enable rules of its commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstring>
#include <memory>
#include <set>

#include "core/command_ids.h"
#include "core/commands.h"
#include "app/desktop_gui.h"
#include "core/messages.h"
#include "core/main_window.h"
#include "core/menu_tree.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "app/velmora_app_window.h"
#include "app/clipboard.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "scoped_command.h"
#include "support/test_env.h"

namespace {

class MainWindowTest : public VelmoraTest {
protected:
    void TearDown() override {
        window.reset();
        VelmoraTest::TearDown();
    }
    TVelmoraWindow* Open() {
        window = std::make_unique<TVelmoraWindow>();
        window->InitInstance();
        return window.get();
    }
    // Writes the settings file as the next start-up will read it.
    void SaveSettingsFile() {
        ASSERT_TRUE(EnsureDirectory(MapPath("c:\\autosave", true)));
        ASSERT_EQ(SaveSettings(), 0);
    }
    std::vector<QAction*> ToolActions() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QList<QAction*> list = window->ToolBar()->actions();
        return std::vector<QAction*>(list.begin(), list.end());
    }
    std::unique_ptr<TVelmoraWindow> window;
};

TEST_F(MainWindowTest, FirstStartCreatesTheSettingsFile) {
    // No autosave folder yet: it is created with the default file.
    Open();
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
    EXPECT_EQ(MainWindowWidget(), window.get());
    window.reset();
    EXPECT_EQ(MainWindowWidget(), nullptr);
}

TEST_F(MainWindowTest, MissingFileInExistingFolderGivesMessageOne) {
    ASSERT_TRUE(EnsureDirectory(MapPath("c:\\autosave", true)));
    Open();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, MessageText(1));
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
}

TEST_F(MainWindowTest, UnwritableHomeKeepsRunning) {
    const std::string blocked = home + "/blocked";
    ASSERT_TRUE(ReplaceFile(blocked, Bytes{1}));
    setenv("VELMORA_HOME", blocked.c_str(), 1);  // a file, not a folder
    Open();
    setenv("VELMORA_HOME", home.c_str(), 1);
    const auto texts = MessageTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], MessageText(1));
    EXPECT_EQ(texts[1], MessageText(24));
    EXPECT_EQ(window->windowTitle().toStdString(), "Velmora_USB - (Untitled)");
}

TEST_F(MainWindowTest, CaptionFrameTitleSizeAndPosition) {
    // A screen with room for the classic size.
    SetScreenAreaOverride(QRect(0, 0, 1600, 1200));
    Open();
    SetScreenAreaOverride(QRect());
    EXPECT_EQ(window->windowTitle().toStdString(), "Velmora_USB - (Untitled)");
    EXPECT_EQ(window->FrameTitle().toStdString(), "Velmora_USB");
    EXPECT_EQ(window->size(), QSize(1330, 1110));
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    State().currentFileName = "m42.fit";
    UpdateMainWindowCaption();
    EXPECT_EQ(window->windowTitle().toStdString(), "Velmora_USB - m42.fit");
}

TEST_F(MainWindowTest, StartUpAppliesTheSettingsModelAndFillsTheRamp) {
    State().settings.manualModel = 2;
    SaveSettingsFile();
    ResetState();
    Open();
    EXPECT_EQ(State().geometry.modelCode, 2);
    EXPECT_EQ(State().geometry.width, 1392);
    EXPECT_EQ(State().geometry.height, 1040);
    const Pixel* a = State().imageA;
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[1392 * 10 + 5], 620);
    EXPECT_EQ(a[1392 * 1039], Pixel(1039 * 62));
    EXPECT_EQ(State().palette.colours[200][0], 200);
    EXPECT_EQ(State().palette.colours[200][3], 1);
}

TEST_F(MainWindowTest, StatusBarTextAndPlacement) {
    Open();
    EXPECT_EQ(window->StatusText().toStdString(), "Velmora series Camera Control and Image processing program");
    EXPECT_TRUE(window->StatusBarAtTop());  // the default
    auto* layout = qobject_cast<QVBoxLayout*>(window->centralWidget()->layout());
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->indexOf(window->StatusBar()), 0);
    window.reset();

    State().settings.helpBarAtTop = false;
    SaveSettingsFile();
    ResetState();
    Open();
    EXPECT_FALSE(window->StatusBarAtTop());
    layout = qobject_cast<QVBoxLayout*>(window->centralWidget()->layout());
    EXPECT_EQ(layout->indexOf(window->StatusBar()), layout->count() - 1);
    EXPECT_EQ(layout->indexOf(window->View()), 0);

    // The program defaults dialog changes it; the window follows when told.
    State().settings.helpBarAtTop = true;
    UpdateMainWindowToolBar();
    EXPECT_EQ(layout->indexOf(window->StatusBar()), 0);
}

TEST_F(MainWindowTest, BackgroundFollowsTheColourLetter) {
    State().settings.windowBackground = 'r';
    SaveSettingsFile();
    ResetState();
    Open();
    EXPECT_EQ(window->centralWidget()->palette().color(QPalette::Window), QColor(120, 40, 40));
    State().settings.windowBackground = 'g';
    UpdateMainWindowToolBar();
    EXPECT_EQ(window->centralWidget()->palette().color(QPalette::Window), QColor(90, 90, 90));
}

TEST_F(MainWindowTest, MenuBarHoldsTheWholeTree) {
    Open();
    const QList<QAction*> menus = window->menuBar()->actions();
    const auto& tree = MenuTree();
    ASSERT_EQ(size_t(menus.size()), tree.size());
    for (size_t m = 0; m < tree.size(); ++m) {
        EXPECT_EQ(menus[m]->text().toStdString(), tree[m].title);
        QMenu* menu = menus[m]->menu();
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(size_t(items.size()), tree[m].items.size()) << tree[m].title;
        for (size_t i = 0; i < tree[m].items.size(); ++i) {
            const MenuItem& item = tree[m].items[i];
            if (item.id == 0) {
                EXPECT_TRUE(items[i]->isSeparator());
                continue;
            }
            SCOPED_TRACE(item.id);
            EXPECT_EQ(items[i]->text().toStdString(), item.text);
            EXPECT_EQ(items[i]->data().toInt(), item.id);
            EXPECT_EQ(items[i]->objectName().toStdString(), "cmd" + std::to_string(item.id));
            EXPECT_EQ(items[i]->shortcut(), QKeySequence(QString::fromLatin1(item.accelerator)));
            EXPECT_EQ(window->CommandAction(item.id), items[i]);
        }
    }
    // The accelerators the texts show.
    EXPECT_EQ(window->CommandAction(24332)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(window->CommandAction(17999)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    EXPECT_EQ(window->CommandAction(12)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(window->CommandAction(111)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
    // The pop-up menu.
    const QList<QAction*> popup = window->ClientPopupMenu()->actions();
    ASSERT_EQ(popup.size(), 2);
    EXPECT_EQ(popup[0]->data().toInt(), 16101);
    EXPECT_EQ(popup[1]->data().toInt(), 16102);
    EXPECT_EQ(popup[1]->text().toStdString(), "Set Camera Type");
}

TEST_F(MainWindowTest, ItemsWithoutHandlerAreDisabledAndNeverCrash) {
    Open();
    int withoutHandler = 0;
    for (int id : AllMenuCommands()) {
        QAction* action = window->CommandAction(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->isEnabled(), MenuCommandEnabled(id)) << id;
        if (CommandTable().count(id)) continue;
        ++withoutHandler;
        EXPECT_FALSE(action->isEnabled()) << id;
        action->trigger();  // a disabled action does nothing
        action->activate(QAction::Trigger);
    }
    // The window's own commands are there.
    for (int id : {24310, 16102, 114, 116, 112, 113}) EXPECT_TRUE(window->CommandAction(id)->isEnabled()) << id;
    EXPECT_TRUE(window->isVisible() || true);
    EXPECT_EQ(MainWindowWidget(), window.get());
    (void)withoutHandler;
}

TEST_F(MainWindowTest, ToolBarInOrderWithTelescopeOnlyForADriveMethod) {
    Open();
    std::vector<std::pair<int, int>> shown;
    for (QAction* a : ToolActions()) {
        if (a->isSeparator()) shown.emplace_back(0, 0);
        else shown.emplace_back(a->property("bitmap").toInt(), a->data().toInt());
    }
    std::vector<std::pair<int, int>> expected;
    for (const ToolButton& b : CurrentToolBarButtons()) expected.emplace_back(b.bitmap, b.command);
    EXPECT_EQ(shown, expected);
    ASSERT_GE(shown.size(), 25u);
    EXPECT_EQ(shown[0], std::make_pair(24333, 24333));
    EXPECT_EQ(shown[1], std::make_pair(24336, 24335));
    EXPECT_NE(shown.back().second, 24);
    for (QAction* a : ToolActions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->toolTip().isEmpty());
            EXPECT_EQ(a->isEnabled(), MenuCommandEnabled(a->data().toInt()));
        }

    // The program defaults dialog sets a drive method and updates the tool bar.
    State().settings.driveMethod = 'l';
    UpdateMainWindowToolBar();
    auto actions = ToolActions();
    EXPECT_EQ(actions.back()->data().toInt(), 24);
    EXPECT_EQ(actions.back()->property("bitmap").toInt(), 24);
    State().settings.driveMethod = 'n';
    UpdateMainWindowToolBar();
    EXPECT_NE(ToolActions().back()->data().toInt(), 24);
    EXPECT_FALSE(window->CommandAction(24)->isEnabled());
}

TEST_F(MainWindowTest, TelescopeButtonAtStartWhenTheSettingsHaveADrive) {
    State().settings.driveMethod = 'b';
    SaveSettingsFile();
    ResetState();
    Open();
    EXPECT_EQ(ToolActions().back()->data().toInt(), 24);
}

TEST_F(MainWindowTest, SetCameraTypeAppliesTheManualModel) {
    Open();
    EXPECT_EQ(State().geometry.width, 2048);
    State().settings.manualModel = 7;
    ASSERT_TRUE(window->CommandAction(16102)->isEnabled());
    window->CommandAction(16102)->trigger();
    EXPECT_EQ(State().geometry.modelCode, 7);
    EXPECT_EQ(State().geometry.width, 4904);
    EXPECT_EQ(State().geometry.height, 3280);
    // and the settings were saved with it
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(State().settings.manualModel, 7);
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
    Open();
    window->show();
    ASSERT_TRUE(window->isVisible());
    window->CommandAction(24310)->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, PrintGoesToTheUtility) {
    Open();
    window->CommandAction(116)->trigger();
    window->CommandAction(114)->trigger();
    ASSERT_EQ(system.started.size(), 2u);
    EXPECT_EQ(system.started[0], "PRINTIMG.EXE PRINT " + HomePath("autosave/Velmora_Fir.bmp"));
    EXPECT_EQ(system.started[1], "PRINTIMG.EXE SETUP");
}

TEST_F(MainWindowTest, RegisteredHandlerIsEnabledAndRunFromMenuAndToolBar) {
    // A stand-in handler for a command no window file of this build carries.
    int runs = 0;
    const int id = cmd::kMergeImages;
    bool hadHandler = false;
    {
        ScopedCommand standIn(id, [&] { ++runs; });
        hadHandler = standIn.HadHandler();
        Open();
        ASSERT_TRUE(window->CommandAction(id)->isEnabled());
        window->CommandAction(id)->trigger();
        for (QAction* a : ToolActions())
            if (a->data().toInt() == id) a->trigger();
        EXPECT_EQ(runs, 2);
    }
    if (!hadHandler) {
        window->RefreshCommandStates();
        EXPECT_FALSE(window->CommandAction(id)->isEnabled());
    }
}

TEST_F(MainWindowTest, CheckMarksFollowTheCommandTable) {
    bool on = false;
    const int id = cmd::kFalseColour;
    ScopedCommand standIn(id, [&] { on = !on; }, {}, [&] { return on; });
    Open();
    QAction* action = window->CommandAction(id);
    EXPECT_TRUE(action->isCheckable());
    EXPECT_FALSE(action->isChecked());
    action->trigger();
    EXPECT_TRUE(on);
    EXPECT_TRUE(action->isChecked());
}

TEST_F(MainWindowTest, CopyOnlyWithADisplayBitmap) {
    Open();
    ASSERT_NE(ShownDisplayBitmapFile(), nullptr);  // the start-up redraw made one
    EXPECT_TRUE(DisplayBitmapExists());
    EXPECT_TRUE(window->CommandAction(17999)->isEnabled());
    // Without a display bitmap the item is disabled and refuses quietly.
    SetDisplayBitmapQuery([] { return false; });
    window->RefreshCommandStates();
    EXPECT_FALSE(window->CommandAction(17999)->isEnabled());
    QApplication::clipboard()->clear();
    window->CommandAction(17999)->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(data == nullptr || !data->hasImage());
    SetDisplayBitmapQuery([] { return ShownDisplayBitmapFile() != nullptr; });
}

TEST_F(MainWindowTest, CopyPutsTheDisplayedPictureWithPaletteOnTheClipboard) {
    Open();
    const std::vector<uint8_t>* file = ShownDisplayBitmapFile();
    ASSERT_NE(file, nullptr);
    const QImage shown = QImage::fromData(file->data(), int(file->size()), "BMP");
    ASSERT_EQ(shown.format(), QImage::Format_Indexed8);
    QApplication::clipboard()->clear();
    window->CommandAction(17999)->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasImage());
    const QImage copied = qvariant_cast<QImage>(data->imageData());
    ASSERT_EQ(copied.size(), shown.size());
    EXPECT_EQ(copied.colorCount(), 256);
    EXPECT_EQ(copied.colorTable(), shown.colorTable());
    for (auto [x, y] : {std::pair{0, 0}, std::pair{5, 100}, std::pair{shown.width() - 1, shown.height() - 1}})
        EXPECT_EQ(copied.pixel(x, y), shown.pixel(x, y)) << x << "," << y;
    ASSERT_TRUE(data->hasFormat("image/bmp"));
    const QByteArray bmp = data->data("image/bmp");
    ASSERT_EQ(size_t(bmp.size()), file->size());
    EXPECT_EQ(std::memcmp(bmp.constData(), file->data(), file->size()), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, AcceleratorsWaitWhileAModalDialogIsOpen) {
    int runs = 0;
    const int id = cmd::kSubtractDark;
    ScopedCommand standIn(id, [&] { ++runs; });
    Open();
    QDialog dialog(window.get());
    QTimer::singleShot(0, [&] {
        window->CommandAction(id)->trigger();  // refused under the modal dialog
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(runs, 0);
    window->CommandAction(id)->trigger();
    EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, FallbackViewShowsHighBytesAsGrey) {
    // Without a registered view (the display's is put back afterwards).
    const CentralViewFactory registered = CentralView();
    CentralView() = nullptr;
    Open();
    CentralView() = registered;
    auto* view = qobject_cast<QScrollArea*>(window->View());
    ASSERT_NE(view, nullptr);
    auto* label = qobject_cast<QLabel*>(view->widget());
    ASSERT_NE(label, nullptr);
    const QImage shown = label->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(2048, 2048));
    EXPECT_EQ(qGray(shown.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(shown.pixel(7, 1000)), (1000 * 62) >> 8);
    // A changed image is shown after a repaint request.
    State().imageA[5] = 0xAB00;
    RepaintMainWindow();
    EXPECT_EQ(qGray(qobject_cast<QLabel*>(view->widget())->pixmap().toImage().pixel(5, 0)), 0xAB);
}

TEST_F(MainWindowTest, EveryRegisteredHandlerIsReachableFromAMenuOrTheToolBar) {
    // A handler registered under a number no menu item or tool-bar button
    // sends could never run: each one the program's window files register
    // must be one of the menu tree's commands or a tool-bar command.
    std::set<int> reachable;
    for (int id : AllMenuCommands()) reachable.insert(id);
    for (bool binned : {false, true})
        for (bool stretch : {false, true})
            for (const ToolButton& b : ToolBarButtons(binned, stretch, 'l')) reachable.insert(b.command);
    for (int id : {cmd::kStretchDisplayToggle, cmd::kStretchDisplayRedraw}) reachable.insert(id);
    for (const auto& [id, entry] : CommandTable()) EXPECT_EQ(reachable.count(id), 1u) << id;
}

}  // namespace
