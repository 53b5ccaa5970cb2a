#include "app/desktop_gui.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

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
    // it go over to the inner widget.
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
    outer->addWidget(scroll);

    const int bar = dialog->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    dialog->setMinimumSize(0, 0);
    dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dialog->resize(std::min(wanted.width() + bar, room.width()), std::min(wanted.height() + bar, room.height()));
    if (!dialog->geometry().intersects(area) || dialog->x() < area.left() || dialog->y() < area.top())
        dialog->move(area.topLeft());
    return true;
}

bool DialogScreenFitter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType())
        if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow()) FitDialogToScreen(dialog);
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
