// The dialogs of the file commands: "FITS DETAILS" (TFITSDialog), "DELETE
// FILE DIALOG" (TDeleteDialog) and "Calculate Hot Pixel Map" (THPMDialog).
// Controls carry their numeric ids (see app/control_ids.h).
#pragma once
#include <QDialog>
#include <string>

#include "core/state.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

class TFITSDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFITSDialog(QWidget* parent = nullptr);

private:
    void Continue();
    void ShowUtOffset();
    QLineEdit* Edit(int id, const std::string& text, int maxLength);
    int utOffset_ = 0;
    QScrollBar* utScroll_ = nullptr;
    QLabel* utValue_ = nullptr;
};

class TDeleteDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDeleteDialog(const std::string& fileName, QWidget* parent = nullptr);
};

class THPMDialog : public QDialog {
    Q_OBJECT
public:
    // Scans image (image buffer A when the dialog opens).
    explicit THPMDialog(const Pixel* image, QWidget* parent = nullptr);
    // Fills every field from the map name, the threshold and the list.
    void Refresh();

private:
    void Scrolled(int action);
    void Change();
    const Pixel* image_;
    QLabel* directory_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* fullName_ = nullptr;
    QLabel* threshold_ = nullptr;
    QScrollBar* scroll_ = nullptr;
};

// Modal runs: true on "Continue" / "OK". The hot pixel map dialog saves the
// map when closed with "Save Pixel Map".
bool RunFitsDetailsDialog();
bool RunDeleteDialog(const std::string& fileName);
void RunHotPixelMapDialog();
