#include "app/progress_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include "app/desktop_gui.h"
#include "core/desktop_rules.h"
#include "core/main_window.h"

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TProgressDialog");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    caption_->setObjectName("progressCaption");
    caption_->setTextFormat(Qt::PlainText);
    layout->addWidget(caption_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progressBar");
    bar_->setRange(0, kProgressMaximum);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(260);
    layout->addWidget(bar_);
    timeLeft_ = new QLabel(this);
    timeLeft_->setObjectName("progressTimeLeft");
    timeLeft_->hide();
    layout->addWidget(timeLeft_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetCaption(kProgressTitle);
}

void TProgressDialog::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    caption_->setText(caption);
    FitToCaption();
}

void TProgressDialog::FitToCaption() {
    // The title bar's text is drawn by the window manager in its own font:
    // leave room for the bold title font and the frame's buttons too.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 160;
    bar_->setMinimumWidth(std::max(260, titleWidth - 2 * layout()->contentsMargins().left()));
    adjustSize();
}

void TProgressDialog::SetPosition(int position) {
    bar_->setValue(position < 0 ? 0 : position > kProgressMaximum ? kProgressMaximum : position);
    // The long loops pump events only between steps: paint now.
    bar_->repaint();
}

int TProgressDialog::Position() const { return bar_->value(); }

void TProgressDialog::SetTimeLeft(int seconds) {
    const QString text = QString::fromStdString(::TimeLeftText(seconds));
    if (text.isEmpty()) {
        if (!timeLeft_->isHidden()) timeLeft_->hide();
        return;
    }
    timeLeft_->setText(text);
    if (timeLeft_->isHidden()) timeLeft_->show();
    timeLeft_->repaint();
}

QString TProgressDialog::CaptionText() const { return caption_->text(); }

QString TProgressDialog::TimeLeftText() const { return timeLeft_->isHidden() ? QString() : timeLeft_->text(); }

void TProgressDialog::PaintNow() {
    // A window just shown is drawn once the window system has mapped it:
    // give it a moment (paint and window-system events only, no input).
    // A window closed meanwhile is asked about as during any loop.
    LoopGuard::Scope insideLoop;
    QElapsedTimer timer;
    timer.start();
    while (isVisible() && windowHandle() && !windowHandle()->isExposed() && timer.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    // The main window first, so a dialog closed just before shows nothing
    // stale underneath.
    if (QWidget* main = MainWindowWidget(); main && main->isVisible()) main->repaint();
    if (isVisible()) repaint();
}
