// "PHOTOMETRY": the measurement and mask choices, the positions, means and
// background level, the magnitude difference and the pointer readout.
// Modeless, open while photometry mode is on.
#pragma once
#include <QDialog>

#include "core/bound_controls.h"

class TPHDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPHDialog(QWidget* parent = nullptr);
    ~TPHDialog() override;
    static TPHDialog* Instance();
    // Shows the photometry record.
    void Refresh();

private:
    void Build();
    BoundControls controls_;
};

// Menu command 14 "&Photometry of Image".
void OpenPhotometryWindow();
