// The help window: the program's manual (Markdown with pictures), shown
// inside the program. Modeless, open at most once. Every heading gets the
// anchor GitHub-style Markdown gives it, so the contents and the
// cross-references ("#section" links) go to their sections; a search field
// finds a text anywhere in the manual.
#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;
class QTextBrowser;
class QTextDocument;

// The anchor of a heading: lower case, letters, digits, '_' and '-' kept,
// spaces made '-', everything else dropped ("Camera permissions: the udev
// rule" -> "camera-permissions-the-udev-rule").
QString HeadingAnchor(const QString& heading);
// Names every heading of the document by its anchor (a repeated one gets
// "-1", "-2", ... as on GitHub). Returns the number of headings named.
int NameHeadingAnchors(QTextDocument* document);

class THelpWindow : public QDialog {
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // Loads the manual; false when the file cannot be read.
    bool ShowManual(const QString& path);
    QTextBrowser* Browser() const { return browser_; }
    QLineEdit* SearchField() const { return search_; }
    // Selects the next place of the text after the cursor, going round to
    // the top; false when the manual does not contain it.
    bool FindNext(const QString& text);

private:
    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
};

// The open help window (nullptr when none is open).
THelpWindow* OpenHelpWindow();
