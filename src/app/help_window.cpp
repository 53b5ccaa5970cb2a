#include "app/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/desktop_gui.h"
#include "core/main_window.h"
#include "app/print_help.h"

namespace {

QPointer<THelpWindow>& Instance() {
    static QPointer<THelpWindow> window;
    return window;
}

bool ShowManualWindow(const std::string& path) {
    THelpWindow* window = Instance();
    if (!window) {
        window = new THelpWindow(MainWindowWidget());
        window->setAttribute(Qt::WA_DeleteOnClose);
        Instance() = window;
    }
    if (!window->ShowManual(QString::fromStdString(path))) {
        window->close();
        return false;
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

const bool registered = [] {
    SetManualViewer(ShowManualWindow);
    return true;
}();

}  // namespace

THelpWindow* OpenHelpWindow() { return Instance(); }

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("THelpWindow");
    setWindowTitle("Help in using Velmora_USB");
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    auto* back = new QPushButton("Back", this);
    back->setObjectName("helpBack");
    auto* home = new QPushButton("Contents", this);
    home->setObjectName("helpContents");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("helpClose");
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_, 1);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    const QRect area = AvailableScreenArea(parent);
    resize(std::min(900, std::max(400, area.width() - 60)), std::min(1000, std::max(300, area.height() - 80)));
}

bool THelpWindow::ShowManual(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    file.close();
    // Pictures are found beside the manual (images/...).
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    return !browser_->document()->isEmpty();
}
