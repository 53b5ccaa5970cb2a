#include "app/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <vector>

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

// The browser names the headings of every document it loads. A link to a
// section of the document shown scrolls there without loading it again, and
// Back returns to the place the link was followed from.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    void Load(const QUrl& url) {
        places_.clear();
        reload_ = true;
        setSource(url, QTextDocument::MarkdownResource);
        reload_ = false;
    }
    void Back() {
        if (places_.empty()) return backward();
        verticalScrollBar()->setValue(places_.back());
        places_.pop_back();
    }

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override {
        const QUrl target = source().resolved(name);
        if (!reload_ && !document()->isEmpty() &&
            target.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment)) {
            places_.push_back(verticalScrollBar()->value());
            if (target.hasFragment()) scrollToAnchor(target.fragment());
            else verticalScrollBar()->setValue(0);
            return;
        }
        QTextBrowser::doSetSource(name, type);
        NameHeadingAnchors(document());
        if (name.hasFragment()) scrollToAnchor(name.fragment());
    }

private:
    std::vector<int> places_;  // where the links were followed from
    bool reload_ = false;
};

}  // namespace

QString HeadingAnchor(const QString& heading) {
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == '_' || c == '-') anchor += c;
        else if (c == ' ') anchor += '-';
    }
    return anchor;
}

int NameHeadingAnchors(QTextDocument* document) {
    std::map<QString, int> seen;
    int named = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.length() <= 1) continue;
        QString anchor = HeadingAnchor(block.text());
        const int repeat = seen[anchor]++;
        if (repeat > 0) anchor += '-' + QString::number(repeat);
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({anchor});
        cursor.mergeCharFormat(format);
        ++named;
    }
    return named;
}

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
    // Return belongs to the search field, not to a button.
    for (QPushButton* button : {back, home, close}) button->setAutoDefault(false);
    search_ = new QLineEdit(this);
    search_->setObjectName("helpSearch");
    search_->setPlaceholderText("Search the manual");
    search_->setClearButtonEnabled(true);
    auto* searchLabel = new QLabel("&Find:", this);
    searchLabel->setBuddy(search_);
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addSpacing(12);
    buttons->addWidget(searchLabel);
    buttons->addWidget(search_, 1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    browser_ = new HelpBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_, 1);
    connect(back, &QPushButton::clicked, this, [this] { static_cast<HelpBrowser*>(browser_)->Back(); });
    connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    // Typing finds the first place from the top; Return the next one.
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) {
        browser_->moveCursor(QTextCursor::Start);
        FindNext(text);
    });
    connect(search_, &QLineEdit::returnPressed, this, [this] { FindNext(search_->text()); });
    const QRect area = AvailableScreenArea(parent);
    resize(std::min(900, std::max(400, area.width() - 60)), std::min(1000, std::max(300, area.height() - 80)));
}

bool THelpWindow::ShowManual(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    file.close();
    // Pictures are found beside the manual (images/...).
    static_cast<HelpBrowser*>(browser_)->Load(QUrl::fromLocalFile(path));
    return !browser_->document()->isEmpty();
}

bool THelpWindow::FindNext(const QString& text) {
    if (text.isEmpty()) return false;
    if (browser_->find(text)) return true;
    // Round to the top once.
    const QTextCursor kept = browser_->textCursor();
    browser_->moveCursor(QTextCursor::Start);
    if (browser_->find(text)) return true;
    browser_->setTextCursor(kept);
    return false;
}
