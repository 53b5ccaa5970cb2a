#include "app/desktop_gui.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cxxabi.h>
#include <map>
#include <sstream>
#include <typeinfo>

#include "platform/files.h"
#include "platform/paths.h"

namespace {

QRect& ScreenOverride() {
    static QRect area;
    return area;
}

// Room a dialog's frame takes around its contents (title bar and borders).
constexpr int kDialogFrameWidth = 16;
constexpr int kDialogFrameHeight = 48;

}  // namespace

QRect AvailableScreenArea(const QWidget* widget) {
    if (!ScreenOverride().isNull()) return ScreenOverride();
    QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void SetScreenAreaOverride(const QRect& area) { ScreenOverride() = area; }

namespace {

// A row of action buttons: a button box, or a layout of push buttons only.
bool IsActionRow(QLayoutItem* item) {
    if (!item) return false;
    if (qobject_cast<QDialogButtonBox*>(item->widget())) return true;
    QLayout* row = item->layout();
    if (!row) return false;
    int buttons = 0;
    for (int i = 0; i < row->count(); ++i) {
        QLayoutItem* child = row->itemAt(i);
        if (child->spacerItem()) continue;
        if (!qobject_cast<QPushButton*>(child->widget())) return false;
        ++buttons;
    }
    return buttons > 0;
}

// Takes the action row out of the bottom of a dialog's layout: the last item
// of a top-to-bottom box, or an item of the last row of a grid.
QLayoutItem* TakeActionRow(QLayout* layout) {
    int bottom = -1;
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int last = -1;
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            last = std::max(last, row + rows - 1);
        }
        for (int i = 0; i < grid->count() && bottom < 0; ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            if (row + rows - 1 == last && IsActionRow(grid->itemAt(i))) bottom = i;
        }
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout); box && box->direction() == QBoxLayout::TopToBottom &&
                                                             box->count() > 0 && IsActionRow(box->itemAt(box->count() - 1))) {
        bottom = layout->count() - 1;
    }
    if (bottom < 0) return nullptr;
    QLayoutItem* item = layout->takeAt(bottom);
    if (QLayout* row = item->layout()) row->setParent(nullptr);
    return item;
}

// Room a window's frame takes around its contents (title bar and borders).
QSize FrameSize(const QWidget* window) {
    return window->size() + QSize(kDialogFrameWidth, kDialogFrameHeight);
}

}  // namespace

bool FitDialogToScreen(QDialog* dialog) {
    if (!dialog || dialog->property("velmoraFitted").toBool()) return false;
    // Message boxes and file dialogs size themselves.
    if (qobject_cast<QMessageBox*>(dialog) || qobject_cast<QFileDialog*>(dialog)) return false;
    QLayout* layout = dialog->layout();
    const QRect area = AvailableScreenArea(dialog);
    if (!layout || area.isEmpty()) return false;
    const QSize room(area.width() - kDialogFrameWidth, area.height() - kDialogFrameHeight);
    const QSize wanted = dialog->sizeHint().expandedTo(dialog->minimumSizeHint());
    if (wanted.width() <= room.width() && wanted.height() <= room.height()) return false;
    dialog->setProperty("velmoraFitted", true);

    // The contents move into a scroll area: the layout and every widget in
    // it go over to the inner widget, all but the action buttons, which stay
    // below it.
    QLayoutItem* actions = TakeActionRow(layout);
    auto* contents = new QWidget;
    contents->setObjectName("dialogContents");
    contents->setLayout(layout);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("dialogScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(contents);
    auto* outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll, 1);
    if (actions) {
        auto* row = new QHBoxLayout;
        row->setObjectName("dialogActions");
        row->setContentsMargins(layout->contentsMargins());
        if (QLayout* inner = actions->layout()) {
            row->addLayout(inner);  // a layout is its own item
        } else {
            row->addWidget(actions->widget());
            delete actions;  // the widget has a new item in the row
        }
        outer->addLayout(row);
    }

    const int bar = dialog->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    dialog->setMinimumSize(0, 0);
    dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dialog->resize(std::min(wanted.width() + bar, room.width()), std::min(wanted.height() + bar, room.height()));
    return true;
}

QPoint PlaceInside(const QRect& area, QPoint place, QSize frame) {
    const int x = std::max(area.left(), std::min(place.x(), area.left() + area.width() - frame.width()));
    const int y = std::max(area.top(), std::min(place.y(), area.top() + area.height() - frame.height()));
    return {x, y};
}

// ---- Window places ---------------------------------------------------------------

namespace {

// Beside the settings file, in the data folder.
constexpr const char* kWindowPlacesFile = "c:\\autosave\\VelmoraWindows.txt";

std::map<std::string, QPoint> ReadWindowPlaces() {
    std::map<std::string, QPoint> places;
    const auto bytes = ReadWholeFile(WindowPlacesPath(), 1 << 16);
    if (!bytes) return places;
    std::istringstream lines(std::string(bytes->begin(), bytes->end()));
    std::string name;
    int x = 0, y = 0;
    while (lines >> name >> x >> y) places[name] = QPoint(x, y);
    return places;
}

}  // namespace

std::string WindowPlacesPath() { return MapPath(kWindowPlacesFile); }

bool SavedWindowPlace(const std::string& name, QPoint& place) {
    const auto places = ReadWindowPlaces();
    const auto it = places.find(name);
    if (it == places.end()) return false;
    place = it->second;
    return true;
}

void SaveWindowPlace(const std::string& name, QPoint place) {
    if (name.empty()) return;
    auto places = ReadWindowPlaces();
    if (auto it = places.find(name); it != places.end() && it->second == place) return;
    places[name] = place;
    std::string text;
    for (const auto& [window, at] : places)
        text += window + " " + std::to_string(at.x()) + " " + std::to_string(at.y()) + "\n";
    const std::string path = WindowPlacesPath();
    EnsureDirectory(path.substr(0, path.find_last_of('/')));
    ReplaceFile(path, text.data(), text.size());
}

std::string WindowName(const QWidget* window) {
    std::string name = window->objectName().toStdString();
    if (name.empty()) {
        // Dialogs without an object name go by their C++ class.
        int status = 0;
        char* plain = abi::__cxa_demangle(typeid(*window).name(), nullptr, nullptr, &status);
        if (status == 0 && plain) name = plain;
        std::free(plain);
        if (const size_t scope = name.rfind("::"); scope != std::string::npos) name.erase(0, scope + 2);
        if (name.rfind("Q", 0) == 0) name.clear();  // Qt's own: no window of ours
    }
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    return name;
}

bool DialogScreenFitter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide) || !watched->isWidgetType()) return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (!dialog || !dialog->isWindow() || qobject_cast<QMessageBox*>(dialog) || qobject_cast<QFileDialog*>(dialog))
        return false;
    if (type == QEvent::Hide) {
        // By the name taken when it was shown: a window hidden as it is
        // destroyed no longer knows its class.
        const QString name = dialog->property("velmoraWindowName").toString();
        if (!event->spontaneous()) SaveWindowPlace(name.toStdString(), dialog->pos());
        return false;
    }
    const std::string name = WindowName(dialog);
    dialog->setProperty("velmoraWindowName", QString::fromStdString(name));
    FitDialogToScreen(dialog);
    QPoint place = dialog->pos();
    if (!name.empty()) SavedWindowPlace(name, place);
    const QRect area = AvailableScreenArea(dialog);
    if (!area.isEmpty()) dialog->move(PlaceInside(area, place, FrameSize(dialog)));
    return false;
}

// ---- Loop guard ----------------------------------------------------------------

namespace {
LoopGuard* currentGuard = nullptr;
}  // namespace

LoopGuard* LoopGuard::Current() { return currentGuard; }

LoopGuard::Scope::Scope() : guard_(currentGuard) {
    if (guard_) ++guard_->depth_;
}

LoopGuard::Scope::~Scope() {
    if (guard_ && guard_ == currentGuard) --guard_->depth_;
}

LoopGuard::LoopGuard() {
    currentGuard = this;
    Platform platform = Sys();
    inner_ = platform.events;
    platform.events = this;
    InstallPlatform(platform);
}

LoopGuard::~LoopGuard() {
    if (currentGuard == this) currentGuard = nullptr;
    if (Sys().events == this) {
        Platform platform = Sys();
        platform.events = inner_;
        InstallPlatform(platform);
    }
}

void LoopGuard::Pump() {
    ++depth_;
    if (inner_) inner_->Pump();
    --depth_;
}

bool LoopGuard::TakeInterrupt() {
    // Presses still count, so the inner pump's record stays fresh.
    const bool pressed = inner_ && inner_->TakeInterrupt();
    return stop_ || pressed;
}
