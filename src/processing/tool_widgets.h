// Pieces the tool dialogs of the Contrast, Filters and Merging menus share: a
// horizontal scroll bar, a value box, the OK / Cancel / Help row and the help
// box. Controls carry their ids as object names (app/control_ids.h).
#pragma once
#include <QString>

class QDialog;
class QHBoxLayout;
class QLineEdit;
class QScrollBar;

// A horizontal scroll bar over minimum..maximum at value, line step 1.
QScrollBar* ToolScroll(int id, int minimum, int maximum, int value, int pageStep, int minimumWidth);
// An edit box showing text (read-only unless told otherwise).
QLineEdit* ToolValueBox(int id, const QString& text, int maximumWidth, bool readOnly = true);
// The help box of a tool: the fixed text in a box with the tool's caption.
void ShowToolHelp(const char* caption, const char* text);
// "OK" (id 1, default, accepts), "Cancel" (id 2, rejects) and "Help"
// (helpId, shows the help box) in a row.
QHBoxLayout* ToolDialogButtons(QDialog* dialog, int helpId, const char* helpCaption, const char* helpText);
