// "Set Program Defaults" (TINIDialog): every stored option of the program.
#pragma once
#include <QDialog>

#include "core/bound_controls.h"

class QAbstractButton;
class QLineEdit;

class TINIDialog : public QDialog {
    Q_OBJECT
public:
    explicit TINIDialog(QWidget* parent = nullptr);
    // Puts every control in line with the settings.
    void Redraw();

private:
    void Build();
    void SaveChanges();
    void SetSlewValues();
    void SetFilterDetails();
    bool ApplyDirectory();
    QLineEdit* Number(int id, int value);
    BoundControls controls_;
};

// Command 121: loads the settings, runs the dialog, then updates the tool bar
// and redraws the main window.
void RunProgramDefaultsDialog();
