#include "app/velmora_app_window.h"

#include <QAction>
#include <QContextMenuEvent>
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
#include <cstring>
#include <string>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/menu_tree.h"
#include "app/qt_platform.h"
#include "app/state.h"
#include "app/ui_hooks.h"
#include "devices/transport.h"
#include "display/render.h"
#include "platform/platform.h"
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

// The tool-bar bitmaps: small drawn pictures of our own.
QIcon ToolIcon(int bitmap) {
    struct Look {
        int bitmap;
        const char* text;
        QColor colour;
    };
    static const Look looks[] = {
        {24333, "S", QColor(60, 110, 170)},  {24336, "FT", QColor(60, 110, 170)},
        {24332, "O", QColor(60, 110, 170)},  {1000, "C", QColor(40, 130, 70)},
        {1001, "G", QColor(40, 130, 70)},    {1904, "1:1", QColor(110, 110, 110)},
        {1905, "2x", QColor(110, 110, 110)}, {1002, "St", QColor(150, 110, 40)},
        {1003, "St", QColor(200, 80, 40)},   {1908, "Mx", QColor(150, 110, 40)},
        {121, "D", QColor(90, 90, 150)},     {1903, "Ph", QColor(130, 60, 130)},
        {1, "N", QColor(170, 70, 60)},       {117, "NL", QColor(170, 70, 60)},
        {2, "PL", QColor(170, 70, 60)},      {120, "RB", QColor(170, 70, 60)},
        {106, "U", QColor(40, 120, 130)},    {3, "Md", QColor(40, 120, 130)},
        {110, "Dk", QColor(80, 80, 80)},     {115, "Ft", QColor(80, 80, 80)},
        {111, "Mg", QColor(80, 80, 80)},     {24, "T", QColor(30, 30, 120)},
    };
    const Look* look = nullptr;
    for (const Look& l : looks)
        if (l.bitmap == bitmap) look = &l;
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(look ? look->colour : QColor(120, 120, 120));
    painter.setPen(Qt::black);
    painter.drawRoundedRect(QRectF(1, 1, 22, 22), 4, 4);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(std::strlen(look ? look->text : "?") > 2 ? 8 : 11);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, look ? look->text : "?");
    painter.end();
    return QIcon(pixmap);
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

// ---- TVelmoraWindow -------------------------------------------------------------

TVelmoraWindow::TVelmoraWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TVelmoraWindow");
    SetMainWindowWidget(this);

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
    qApp->installEventFilter(this);
}

TVelmoraWindow::~TVelmoraWindow() {
    qApp->removeEventFilter(this);
    WindowHooks() = MainWindowHooks{};
    SetMainWindowWidget(nullptr);
    CloseDeviceHandles();
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

    const CentralViewFactory& factory = CentralView();
    view_ = factory ? factory(client_) : nullptr;
    if (!view_) view_ = new GreyImageView(client_);
    clientLayout_->addWidget(view_, 1);
    PlaceStatusBar();
    ApplyBackground();

    move(0, 0);
    resize(kFrameWidth, kFrameHeight);
    RefreshCommandStates();
}

QAction* TVelmoraWindow::MakeCommandAction(const MenuItem& item, QObject* parent) {
    auto* action = new QAction(QString::fromLatin1(item.text), parent);
    action->setObjectName(QString("cmd%1").arg(item.id));
    action->setData(item.id);
    action->setStatusTip(PlainText(item.text));
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
        QString name = item ? PlainText(item->text) : QString();
        if (button.command == cmd::kStretchDisplayOn) name = "Stretch Display On";
        if (button.command == cmd::kStretchDisplayOff) name = "Stretch Display Off";
        action->setToolTip(QString("%1 (%2)").arg(name).arg(button.command));
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
    return QMainWindow::eventFilter(watched, event);
}

// ---- TVelmoraApp -----------------------------------------------------------------

TVelmoraApp::TVelmoraApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(kFrameTitle));
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

int RunVelmoraApp(int argc, char** argv) {
    std::string screenshot;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
    TVelmoraApp app(argc, argv);
    TVelmoraWindow* window = app.InitMainWindow();
    window->show();
    if (!screenshot.empty()) {
        const uint32_t start = NowMs();
        while (NowMs() - start < 500) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            WaitMs(10);
        }
        return window->grab().save(QString::fromStdString(screenshot)) ? 0 : 1;
    }
    return app.exec();
}
