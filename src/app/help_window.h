// The help window: the program's manual (Markdown with pictures), shown
// inside the program. Modeless, open at most once.
#pragma once
#include <QDialog>

class QTextBrowser;

class THelpWindow : public QDialog {
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // Loads the manual; false when the file cannot be read.
    bool ShowManual(const QString& path);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

// The open help window (nullptr when none is open).
THelpWindow* OpenHelpWindow();
