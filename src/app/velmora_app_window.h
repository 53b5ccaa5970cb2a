// The application object and the main window.
#pragma once
#include <memory>
#include <vector>

#include <QApplication>
#include <QMainWindow>
#include <QPointer>

#include "core/menu_tree.h"

class QAction;
class QMenu;
class QStatusBar;
class QToolBar;
class QLabel;
class QVBoxLayout;
class QTimer;
class QtPlatform;
class LoopGuard;
class DialogScreenFitter;

// The main window: menu bar, tool bar, status bar and the image view. Its
// constructor runs the window part of the start-up (settings loaded, the
// camera model of the settings applied); InitInstance fills the image
// buffers and draws them.
class TVelmoraWindow : public QMainWindow {
public:
    explicit TVelmoraWindow(QWidget* parent = nullptr);
    ~TVelmoraWindow() override;

    // The instance start-up: grey palette, start-up images, first redraw.
    void InitInstance();

    QString FrameTitle() const;
    QToolBar* ToolBar() const { return toolBar_; }
    QStatusBar* StatusBar() const { return statusBar_; }
    QString StatusText() const;
    // The status bar's second field: the image position and pixel value
    // under the mouse, or the image size and file away from the image.
    QString ReadoutText() const;
    // Sizes the window for a screen's available area: 1330 x 1110, or the
    // area less the frame where that is smaller; placed at its top-left.
    void FitToScreen(const QRect& available);
    // The guard in front of the event pump (closing during a loop).
    LoopGuard& Guard() const { return *loopGuard_; }
    bool StatusBarAtTop() const { return statusAtTop_; }
    QWidget* View() const { return view_; }
    QMenu* ClientPopupMenu() const { return popup_; }
    // The menu action of a command (nullptr when no menu has it).
    QAction* CommandAction(int id) const;

    // Enable and check marks of every menu item and tool-bar button from the
    // command table and the rules of the menu tree.
    void RefreshCommandStates();
    void RebuildToolBar();
    void UpdateCaption();
    void ApplyBackground();
    void PlaceStatusBar();
    void RefreshView();
    void AdjustView();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A window closed while a loop runs: ask, stop the loop, close later.
    bool CloseDuringLoop(QWidget* window, QEvent* event);
    bool ReadyToClose() const;
    void FinishPendingClose();
    void BuildMenus();
    void BuildFrame();
    QAction* MakeCommandAction(const MenuItem& item, QObject* parent);
    void Dispatch(int id);

    QToolBar* toolBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* readout_ = nullptr;
    std::unique_ptr<LoopGuard> loopGuard_;
    DialogScreenFitter* fitter_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    QPointer<QWidget> closeTarget_;
    QWidget* client_ = nullptr;
    QVBoxLayout* clientLayout_ = nullptr;
    QWidget* view_ = nullptr;
    QMenu* popup_ = nullptr;
    bool statusAtTop_ = true;
    std::vector<ToolButton> shownButtons_;
};

// The application object, titled "Velmora_USB". It installs the desktop
// platform (message boxes, event pump, progress window, file dialogs) for
// its lifetime.
class TVelmoraApp : public QApplication {
public:
    TVelmoraApp(int& argc, char** argv);
    ~TVelmoraApp() override;
    // Builds the main window and runs the instance start-up.
    TVelmoraWindow* InitMainWindow();
    TVelmoraWindow* MainWindow() const { return window_.get(); }

private:
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<TVelmoraWindow> window_;
};

// Builds TVelmoraApp and its main window and runs the message loop. With
// "--screenshot FILE" the window is drawn into FILE (PNG) after start-up and
// the program ends.
int RunVelmoraApp(int argc, char** argv);

// Set by the main window (central_view_window.cpp).
void SetMainWindowWidget(QWidget* window);
