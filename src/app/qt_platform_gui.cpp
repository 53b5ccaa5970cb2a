#include "app/qt_platform.h"


#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/desktop_rules.h"
#include "app/file_filters.h"
#include "core/state.h"
#include "platform/paths.h"
#include "core/main_window.h"
#include "app/progress_dialog.h"
#include "platform/command_line.h"

// ---- Message boxes ---------------------------------------------------------

int QtMessageSink::Show(const std::string& caption, const std::string& text, MessageIcon icon) {
    QMessageBox box(MainWindowWidget());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    if (icon == MessageIcon::Question) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setIcon(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowModality(Qt::ApplicationModal);
    const int result = box.exec();
    switch (result) {
    case QMessageBox::Yes: return kButtonYes;
    case QMessageBox::No: return kButtonNo;
    case QMessageBox::Ok: return kButtonOk;
    default: return icon == MessageIcon::Question ? kButtonCancel : kButtonOk;
    }
}

// ---- Event pump --------------------------------------------------------------

namespace {

class PressFilter : public QObject {
public:
    explicit PressFilter(QtEventPump& pump) : pump_(pump) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Each press reaches the filter once per widget it travels through;
        // only the one addressed to a window-system window counts.
        if (pump_.Pumping() && watched && watched->isWindowType()) {
            if (event->type() == QEvent::KeyPress) {
                pump_.NotePress();
            } else if (event->type() == QEvent::MouseButtonPress) {
                const auto button = static_cast<QMouseEvent*>(event)->button();
                if (button == Qt::LeftButton || button == Qt::RightButton) pump_.NotePress();
            }
        }
        return false;
    }

private:
    QtEventPump& pump_;
};

}  // namespace

QtEventPump::QtEventPump() : filter_(std::make_unique<PressFilter>(*this)) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(filter_.get());
}

QtEventPump::~QtEventPump() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(filter_.get());
}

void QtEventPump::Pump() {
    const bool outer = pumping_;
    pumping_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    pumping_ = outer;
}

bool QtEventPump::TakeInterrupt() {
    if (presses_ == 0) return false;
    presses_ = 0;
    return true;
}

void QtEventPump::NotePress() { ++presses_; }

// ---- System services ---------------------------------------------------------

QtSystemServices::~QtSystemServices() {
    if (busy_ && QApplication::instance()) QApplication::restoreOverrideCursor();
}

void QtSystemServices::Beep() { QApplication::beep(); }

void QtSystemServices::SetBusyCursor(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

bool QtSystemServices::StartDetached(const std::string& commandLine) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return false;
    QStringList arguments;
    for (size_t i = 1; i < words.size(); ++i) arguments << QString::fromStdString(words[i]);
    return QProcess::startDetached(QString::fromStdString(words[0]), arguments);
}

// ---- Progress window ---------------------------------------------------------

QtProgressSink::QtProgressSink() = default;

QtProgressSink::~QtProgressSink() { delete dialog_.data(); }

TProgressDialog* QtProgressSink::Dialog() {
    if (!dialog_) dialog_ = new TProgressDialog(MainWindowWidget());
    return dialog_;
}

void QtProgressSink::Open(const std::string& caption) {
    TProgressDialog* dialog = Dialog();
    dialog->SetCaption(caption.empty() ? QString(kProgressTitle) : QString::fromStdString(caption));
    dialog->SetPosition(0);
    dialog->SetTimeLeft(-1);
    dialog->show();
    dialog->raise();
    dialog->PaintNow();
}

void QtProgressSink::SetCaption(const std::string& caption) {
    TProgressDialog* dialog = Dialog();
    dialog->SetCaption(QString::fromStdString(caption));
    // A new caption often comes right before a read that handles no window
    // messages ("READING ..."): show it first.
    dialog->PaintNow();
}

void QtProgressSink::SetPosition(int position) {
    if (dialog_) dialog_->SetPosition(position);
}

void QtProgressSink::SetTimeLeft(int seconds) {
    if (dialog_) dialog_->SetTimeLeft(seconds);
}

void QtProgressSink::Close() {
    if (dialog_) dialog_->hide();
}

// ---- File dialogs ------------------------------------------------------------

namespace {

std::string AskFile(bool save, const std::string& title, const std::string& filterText, int& filterIndex,
                    const std::string& initialName) {
    const std::vector<FileFilter> filters = ParseFileFilters(filterText);
    QString selected;
    if (filterIndex >= 1 && filterIndex <= int(filters.size()))
        selected = QString::fromStdString(filters[filterIndex - 1].label);
    else if (!filters.empty())
        selected = QString::fromStdString(filters.front().label);
    const QString filterString = QString::fromStdString(DialogFilterString(filters));
    const QString caption = QString::fromStdString(title);
    // The dialog opens where the last file was, else in the autosave folder.
    const QString folder = QString::fromStdString(
        DialogStartFolder(LastUsedFile(), MapPath(AutosaveDirectory(), true)));
    QString initial = QString::fromStdString(initialName);
    if (!folder.isEmpty() && !initial.startsWith('/')) initial = folder + (initial.isEmpty() ? "" : "/" + initial);
    const QString chosen =
        save ? QFileDialog::getSaveFileName(MainWindowWidget(), caption, initial, filterString, &selected)
             : QFileDialog::getOpenFileName(MainWindowWidget(), caption, initial, filterString, &selected);
    if (chosen.isEmpty()) return "";
    LastUsedFile() = chosen.toStdString();
    const int index = FilterIndexOfLabel(filters, selected.toStdString());
    if (index > 0) filterIndex = index;
    return chosen.toStdString();
}

}  // namespace

std::string QtFileChooser::AskOpen(const std::string& title, const std::string& filters, int& filterIndex,
                                   const std::string& initialName) {
    return AskFile(false, title, filters, filterIndex, initialName);
}

std::string QtFileChooser::AskSave(const std::string& title, const std::string& filters, int& filterIndex,
                                   const std::string& initialName) {
    return AskFile(true, title, filters, filterIndex, initialName);
}

// ---- Installation --------------------------------------------------------------

QtPlatform::QtPlatform() {
    Platform platform = Sys();
    platform.messages = &messages;
    platform.events = &events;
    platform.system = &system;
    platform.progress = &progress;
    platform.files = &files;
    previous_ = InstallPlatform(platform);
}

QtPlatform::~QtPlatform() { InstallPlatform(previous_); }
