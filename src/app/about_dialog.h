// The About box: "Help About Velmora_USB", four lines and an OK button.
#pragma once
#include <QDialog>

class TAboutDialog : public QDialog {
public:
    explicit TAboutDialog(QWidget* parent = nullptr);
};

// The four lines: rights holder, date, version, what the program is.
inline constexpr const char* kAboutLines[4] = {
    "Velmora_USB (c) the Velmora developers",
    "December 2026",
    "Version 1.0",
    "Camera control, image processing and autoguiding for Korvane USB CCD cameras",
};
