#include "app/velmora_app_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QIcon>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/command_ids.h"
#include "core/commands.h"
#include "app/desktop_gui.h"
#include "core/desktop_rules.h"
#include "core/messages.h"
#include "app/progress_dialog.h"
#include "core/main_window.h"
#include "core/menu_tree.h"
#include "app/qt_platform.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/transport.h"
#include "display/render.h"
#include "guiding/guiding_file.h"
#include "platform/stop_signal.h"
#include "platform/platform.h"
#include "server/guiding_server_gui.h"
#include "settings/settings_file.h"

namespace {

// Until the display registers its view, image buffer A's high bytes are
// shown as grey in a scroll area.
class GreyImageView : public QScrollArea {
public:
    explicit GreyImageView(QWidget* parent) : QScrollArea(parent) {
        setObjectName("greyImageView");
        label_ = new QLabel;
        label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setWidget(label_);
        setWidgetResizable(false);
    }
    void Refresh() {
        const AppState& s = State();
        const int w = s.geometry.width;
        const int h = s.geometry.height;
        if (w <= 0 || h <= 0 || size_t(w) * size_t(h) > kImageCapacity || !s.imageA) return;
        QImage image(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y) {
            uchar* line = image.scanLine(y);
            const Pixel* row = s.imageA + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) line[x] = uchar(row[x] >> 8);
        }
        label_->setPixmap(QPixmap::fromImage(image));
        label_->resize(w, h);
    }
    QImage Shown() const { return label_->pixmap().toImage(); }

private:
    QLabel* label_ = nullptr;
};

// Calls a no-argument method the registered view declares as invokable
// (refreshImage, adjustScroller); false when it has none.
bool InvokeViewMethod(QWidget* view, const char* name) {
    const QMetaObject* meta = view->metaObject();
    const QByteArray signature = QByteArray(name) + "()";
    const int index = meta->indexOfMethod(signature.constData());
    if (index < 0) return false;
    return meta->method(index).invoke(view, Qt::DirectConnection);
}

// The tool-bar bitmaps: small pictures of our own in the resources.
QIcon ToolIcon(int bitmap) {
    const char* name = ToolIconName(bitmap);
    return name ? QIcon(QString(":/icons/%1.svg").arg(name)) : QIcon();
}

// The menu text without mnemonics and the key after the tab.
QString PlainText(const char* text) {
    QString plain = QString::fromLatin1(text);
    const int tab = plain.indexOf('\t');
    if (tab >= 0) plain.truncate(tab);
    return plain.remove('&').trimmed();
}

}  // namespace

static void CloseDeviceHandles() { CloseDevices(); }

// How long the status bar names the file a save wrote.
constexpr int kSavedMessageMs = 20000;

// ---- TVelmoraWindow -------------------------------------------------------------

TVelmoraWindow::TVelmoraWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TVelmoraWindow");
    SetMainWindowWidget(this);
    loopGuard_ = std::make_unique<LoopGuard>();
    fitter_ = new DialogScreenFitter(this);
    closeTimer_ = new QTimer(this);
    closeTimer_->setInterval(100);
    connect(closeTimer_, &QTimer::timeout, this, [this] { FinishPendingClose(); });

    // The window: settings, background, caption, model.
    LoadSettingsAtStartup();
    client_ = new QWidget(this);
    client_->setObjectName("client");
    clientLayout_ = new QVBoxLayout(client_);
    clientLayout_->setContentsMargins(0, 0, 0, 0);
    clientLayout_->setSpacing(0);
    setCentralWidget(client_);
    ApplyBackground();
    UpdateCaption();
    LoadSettings();
    State().geometry.modelCode = State().settings.manualModel;
    ApplyCameraModel();
    RecomputeGeometry();
    // The kept guider calibration and guiding settings.
    LoadGuidingFile();

    // The frame around it.
    BuildFrame();

    MainWindowHooks& hooks = WindowHooks();
    hooks.repaint = [this] { RefreshView(); };
    hooks.updateCaption = [this] { UpdateCaption(); };
    hooks.updateToolBar = [this] {
        ApplyBackground();
        PlaceStatusBar();
        RebuildToolBar();
        RefreshCommandStates();
    };
    hooks.updateScroller = [this] { AdjustView(); };
    hooks.showReadout = [this](const std::string& text) {
        if (readout_) readout_->setText(QString::fromStdString(text));
    };
    hooks.stopRequested = [this] { return loopGuard_ && loopGuard_->StopRequested(); };
    // A save shows its file over the help line for a while.
    hooks.showSaved = [this](const std::string& path) {
        if (statusBar_) statusBar_->showMessage("Saved " + QString::fromStdString(path), kSavedMessageMs);
    };
    qApp->installEventFilter(this);
    qApp->installEventFilter(fitter_);
}

TVelmoraWindow::~TVelmoraWindow() {
    qApp->removeEventFilter(this);
    qApp->removeEventFilter(fitter_);
    WindowHooks() = MainWindowHooks{};
    SetMainWindowWidget(nullptr);
    CloseDeviceHandles();
    loopGuard_.reset();
}

void TVelmoraWindow::BuildFrame() {
    BuildMenus();

    toolBar_ = new QToolBar("Tools", this);
    toolBar_->setObjectName("toolBar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    RebuildToolBar();

    statusBar_ = new QStatusBar(client_);
    statusBar_->setObjectName("statusBar");
    statusBar_->setSizeGripEnabled(false);
    statusLabel_ = new QLabel(kStatusBarText, statusBar_);
    statusLabel_->setObjectName("statusText");
    statusBar_->addWidget(statusLabel_, 1);
    readout_ = new QLabel(statusBar_);
    readout_->setObjectName("pointerReadout");
    statusBar_->addPermanentWidget(readout_);

    const CentralViewFactory& factory = CentralView();
    view_ = factory ? factory(client_) : nullptr;
    if (!view_) view_ = new GreyImageView(client_);
    clientLayout_->addWidget(view_, 1);
    PlaceStatusBar();
    ApplyBackground();

    FitToScreen(AvailableScreenArea(this));
    RefreshCommandStates();
}

void TVelmoraWindow::FitToScreen(const QRect& available) {
    // The window manager adds a title bar and borders around the window.
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const FrameSize size = StartFrameSize(available.width(), available.height(), 2 * border, title + 2 * border);
    move(available.isEmpty() ? QPoint(0, 0) : available.topLeft());
    resize(size.width, size.height);
}

QAction* TVelmoraWindow::MakeCommandAction(const MenuItem& item, QObject* parent) {
    auto* action = new QAction(QString::fromLatin1(item.text), parent);
    action->setObjectName(QString("cmd%1").arg(item.id));
    action->setData(item.id);
    action->setStatusTip(PlainText(item.text));
    action->setToolTip(QString::fromStdString(CommandToolTip(item.id)));
    if (item.accelerator[0]) {
        action->setShortcut(QKeySequence(QString::fromLatin1(item.accelerator)));
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    const int id = item.id;
    connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    return action;
}

void TVelmoraWindow::BuildMenus() {
    for (const MenuDefinition& definition : MenuTree()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(definition.title));
        menu->setObjectName(QString("menu") + PlainText(definition.title));
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : definition.items) {
            if (item.id == 0) menu->addSeparator();
            else menu->addAction(MakeCommandAction(item, menu));
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { RefreshCommandStates(); });
    }
    popup_ = new QMenu(this);
    popup_->setObjectName("menuPopup");
    for (const MenuItem& item : PopupMenu().items) popup_->addAction(MakeCommandAction(item, popup_));
    connect(popup_, &QMenu::aboutToShow, this, [this] { RefreshCommandStates(); });
}

void TVelmoraWindow::RebuildToolBar() {
    const std::vector<ToolButton> buttons = CurrentToolBarButtons();
    const bool same = buttons.size() == shownButtons_.size() &&
                      std::equal(buttons.begin(), buttons.end(), shownButtons_.begin(),
                                 [](const ToolButton& a, const ToolButton& b) {
                                     return a.bitmap == b.bitmap && a.command == b.command;
                                 });
    if (same && !toolBar_->actions().isEmpty()) {
        RefreshCommandStates();
        return;
    }
    shownButtons_ = buttons;
    // A button may be the one whose command is running: remove the old ones
    // once control is back in the message loop.
    for (QAction* old : toolBar_->actions()) {
        toolBar_->removeAction(old);
        old->setData(QVariant());
        old->setObjectName(QString());
        old->deleteLater();
    }
    for (const ToolButton& button : buttons) {
        if (button.bitmap == 0) {
            toolBar_->addSeparator();
            continue;
        }
        const MenuItem* item = FindMenuItem(button.command);
        QAction* action = toolBar_->addAction(ToolIcon(button.bitmap), QString());
        action->setObjectName(QString("tool%1").arg(button.command));
        action->setData(button.command);
        action->setProperty("bitmap", button.bitmap);
        (void)item;
        action->setText(QString::fromStdString(CommandName(button.command)));
        action->setToolTip(QString::fromStdString(CommandToolTip(button.command)));
        const int id = button.command;
        connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    }
    RefreshCommandStates();
}

void TVelmoraWindow::Dispatch(int id) {
    // Accelerators reach the window even while a modal dialog is open; the
    // dialog's own command must not be started a second time underneath it.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) return;
    DispatchMenuCommand(id);
    // The window may be gone (Exit); the hooks are cleared with it.
    if (MainWindowWidget() == this) RebuildToolBar();
}

QAction* TVelmoraWindow::CommandAction(int id) const {
    const QString name = QString("cmd%1").arg(id);
    for (QAction* menu : menuBar()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->objectName() == name) return action;
    if (popup_)
        for (QAction* action : popup_->actions())
            if (action->objectName() == name) return action;
    return nullptr;
}

void TVelmoraWindow::RefreshCommandStates() {
    auto refresh = [](QAction* action) {
        bool ok = false;
        const int id = action->data().toInt(&ok);
        if (!ok || id == 0) return;
        action->setEnabled(MenuCommandEnabled(id));
        // The tip says why a greyed item is greyed.
        action->setToolTip(QString::fromStdString(CommandToolTip(id)));
        const auto it = CommandTable().find(id);
        const bool checkable = it != CommandTable().end() && bool(it->second.checked);
        action->setCheckable(checkable);
        if (checkable) action->setChecked(IsCommandChecked(id));
    };
    // Only the window's own menus and buttons: dialogs parented to the window
    // keep their actions to themselves.
    for (QAction* menu : menuBar()->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions()) refresh(action);
    if (popup_)
        for (QAction* action : popup_->actions()) refresh(action);
    if (toolBar_)
        for (QAction* action : toolBar_->actions()) refresh(action);
}

QString TVelmoraWindow::FrameTitle() const { return QString::fromLatin1(kFrameTitle); }

QString TVelmoraWindow::StatusText() const { return statusLabel_ ? statusLabel_->text() : QString(); }

QString TVelmoraWindow::ReadoutText() const { return readout_ ? readout_->text() : QString(); }

void TVelmoraWindow::UpdateCaption() { setWindowTitle(QString::fromStdString(CurrentWindowCaption())); }

void TVelmoraWindow::ApplyBackground() {
    const auto rgb = BackgroundColour(State().settings.windowBackground);
    const QColor colour(rgb[0], rgb[1], rgb[2]);
    QPalette palette = client_->palette();
    palette.setColor(QPalette::Window, colour);
    client_->setPalette(palette);
    client_->setAutoFillBackground(true);
    if (auto* grey = dynamic_cast<GreyImageView*>(view_)) {
        QPalette viewPalette = grey->viewport()->palette();
        viewPalette.setColor(QPalette::Window, colour);
        grey->viewport()->setPalette(viewPalette);
        grey->viewport()->setAutoFillBackground(true);
    }
}

void TVelmoraWindow::PlaceStatusBar() {
    if (!statusBar_) return;
    statusAtTop_ = State().settings.helpBarAtTop;
    clientLayout_->removeWidget(statusBar_);
    if (statusAtTop_) clientLayout_->insertWidget(0, statusBar_);
    else clientLayout_->addWidget(statusBar_);
}

void TVelmoraWindow::RefreshView() {
    if (!view_) return;
    if (auto* grey = dynamic_cast<GreyImageView*>(view_)) grey->Refresh();
    else if (!InvokeViewMethod(view_, "refreshImage")) view_->update();
    RefreshCommandStates();
}

void TVelmoraWindow::AdjustView() {
    if (!view_) return;
    if (auto* grey = dynamic_cast<GreyImageView*>(view_)) grey->Refresh();
    else if (!InvokeViewMethod(view_, "adjustScroller")) view_->update();
}

void TVelmoraWindow::InitInstance() {
    ResetGreyPalette(State().palette);
    FillStartupImages();
    RedrawImage();
    RefreshView();
    RefreshCommandStates();
}

void TVelmoraWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!view_ || !view_->geometry().contains(client_->mapFrom(this, event->pos()))) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    popup_->popup(event->globalPos());
    event->accept();
}

bool TVelmoraWindow::eventFilter(QObject* watched, QEvent* event) {
    // A shortcut is matched right after this event: bring the enable states
    // up to date so the accelerators follow the same rules as the menus.
    if (event->type() == QEvent::ShortcutOverride) RefreshCommandStates();
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && !qobject_cast<QMessageBox*>(widget) && CloseDuringLoop(widget, event)) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TVelmoraWindow::CloseDuringLoop(QWidget* window, QEvent* event) {
    if (closeTarget_ == window) {
        // Asked already: the window closes once the loop has ended.
        if (ReadyToClose()) return false;
        event->ignore();
        return true;
    }
    if (!loopGuard_->InsideLoop()) return false;
    event->ignore();
    // The loop goes on while the question is open (its count-down too); Yes
    // stops it at its next interrupt poll.
    if (asking_) return true;
    asking_ = true;
    const char* text = window == this ? kCloseMainWindowQuestion : kCloseWindowQuestion;
    AskWithoutWaiting(kProgramCaption, text, [this, target = QPointer<QWidget>(window)](int answer) {
        asking_ = false;
        if (answer != kButtonYes || !target) return;
        closeTarget_ = target;
        loopGuard_->RequestStop();
        closeTimer_->start();
    });
    return true;
}

bool TVelmoraWindow::ReadyToClose() const {
    if (loopGuard_->InsideLoop()) return false;
    // The program waits for a dialog running on its own (the camera dialog
    // the exposure was started from); another window closes at once.
    if (QWidget* modal = QApplication::activeModalWidget(); closeTarget_ == this && modal && modal != closeTarget_)
        return false;
    // (The progress window has no meta-object of its own: a search by its
    // class would find every dialog.)
    for (const QDialog* dialog : findChildren<QDialog*>())
        if (dynamic_cast<const TProgressDialog*>(dialog) && dialog->isVisible()) return false;
    return true;
}

void TVelmoraWindow::FinishPendingClose() {
    if (!closeTarget_) {
        closeTimer_->stop();
        loopGuard_->ClearStop();
        return;
    }
    if (!ReadyToClose()) return;
    closeTimer_->stop();
    loopGuard_->ClearStop();
    QPointer<QWidget> target = closeTarget_;
    target->close();
    if (target) closeTarget_ = nullptr;
}

// ---- TVelmoraApp -----------------------------------------------------------------

TVelmoraApp::TVelmoraApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(kFrameTitle));
    setWindowIcon(QIcon(":/velmora.svg"));
    setDesktopFileName("velmora");
    platform_ = std::make_unique<QtPlatform>();
}

TVelmoraApp::~TVelmoraApp() {
    window_.reset();
    platform_.reset();
}

TVelmoraWindow* TVelmoraApp::InitMainWindow() {
    window_ = std::make_unique<TVelmoraWindow>();
    window_->InitInstance();
    return window_.get();
}

namespace {

// The window a screenshot of a command shows: the modal dialog it runs, else
// the dialog it opened last, else the main window.
QWidget* ScreenshotSubject(QWidget* main) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    QWidget* subject = main;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != main && top->isVisible() && qobject_cast<QDialog*>(top) && !dynamic_cast<TProgressDialog*>(top))
            subject = top;
    return subject;
}

// Lets start-up painting settle: events for a while on the program clock.
void Settle(uint32_t ms) {
    const uint32_t start = NowMs();
    while (NowMs() - start < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        WaitMs(10);
    }
}

}  // namespace

int RunVelmoraApp(int argc, char** argv) {
    std::string screenshot;
    int command = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
        if (std::strcmp(argv[i], "--command") == 0) command = std::atoi(argv[i + 1]);
    }
    TVelmoraApp app(argc, argv);
    TVelmoraWindow* window = app.InitMainWindow();
    window->show();
    if (!screenshot.empty()) {
        Settle(500);
        if (command == 0) return window->grab().save(QString::fromStdString(screenshot)) ? 0 : 1;
        // The command's window is drawn once it is up; the program then ends
        // at once (a modal dialog would otherwise wait for the user).
        const QString file = QString::fromStdString(screenshot);
        // Notices on the way (a message box) are answered as OK.
        auto* timer = new QTimer(window);
        timer->setInterval(800);
        QObject::connect(timer, &QTimer::timeout, window, [window, file] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->done(QMessageBox::Ok);
                return;
            }
            QWidget* subject = ScreenshotSubject(window);
            const bool saved = subject != window && subject->grab().save(file);
            std::fflush(nullptr);
            std::_Exit(saved ? 0 : 1);
        });
        timer->start();
        DispatchMenuCommand(command);
        return app.exec();
    }
    // A stop signal while the program waits for the user (the long loops
    // poll it themselves): every running motion stops, then the program
    // leaves with 128 + the signal.
    // The guiding server steps only from the top of the event loop.
    SetGuidingServerLoopCheck([] { return LoopGuard::Current() && LoopGuard::Current()->InsideLoop(); });
    StartGuidingServerIfOn();
    auto* stopPoll = new QTimer(window);
    stopPoll->setInterval(50);
    QObject::connect(stopPoll, &QTimer::timeout, [] { LeaveIfStopSignalled(); });
    stopPoll->start();
    return app.exec();
}
