// The "&Contrast" menu's windows: "Normal Stretch" (template 3), "Power Law
// Stretch" (template 2) and "Non-Linear Stretch" (template 16). Each is modal,
// starts from its fixed initial values every time it opens, and on "OK" hands
// its values to the stretch (processing/stretches.h); "Cancel" changes
// nothing.
#pragma once
#include <QDialog>

class QLineEdit;
class QScrollBar;
class QWidget;

// Control ids.
namespace stretch_ctl {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelp = 9;
// Normal Stretch.
inline constexpr int kBlackEdit = 101;
inline constexpr int kBlackScroll = 102;
inline constexpr int kWhiteScroll = 103;
inline constexpr int kWhiteEdit = 104;
inline constexpr int kSetBlack = 105;
inline constexpr int kSetWhite = 106;
inline constexpr int kHistogram = 107;
// Power Law Stretch.
inline constexpr int kPowerScroll = 101;
inline constexpr int kPowerEdit = 102;
// Non-Linear Stretch.
inline constexpr int kNonLinearScroll = 213;
inline constexpr int kNonLinearEdit = 102;
}  // namespace stretch_ctl

inline constexpr const char* kNormalStretchHelpCaption = "Velmora_USB - Normal Stretch";
inline constexpr const char* kNormalStretchHelpText =
    "Use controls to vary intensity from 0 to 255, where the lowest value will be shown as black and the "
    "highest by white. \n\nIf you type values into the black or white boxes you must press the set white or "
    "black button to activate.\n\n It is possible to darken the image overall by increasing the white level "
    "to 300.";
inline constexpr const char* kPowerHelpCaption = "Velmora_USB - Power Law Stretch";
inline constexpr const char* kPowerHelpText =
    "Use controls to vary power from 0.1 to 3.0, where powers greater than 1 will increase contrast, and "
    "powers less than 1 will reduce contrast.";
inline constexpr const char* kNonLinearHelpCaption = "Velmora_USB - NonLiniar Filter";
inline constexpr const char* kNonLinearHelpText = "Use controls to vary the Power from 2 to 50";
inline constexpr const char* kNonLinearNote =
    "This stretch works well for images of nebulae. First use the stretch that removes the background. ";

// "Normal Stretch": black 0..255 (below white), white 1..300 (above black),
// over a histogram of the display bytes.
class TStretchDialog : public QDialog {
public:
    explicit TStretchDialog(QWidget* parent = nullptr);
    int Black() const { return black_; }
    int White() const { return white_; }

private:
    void SetBlack(int value);
    void SetWhite(int value);
    void Show();

    int black_ = 0;
    int white_ = 255;
    QScrollBar* blackScroll_ = nullptr;
    QScrollBar* whiteScroll_ = nullptr;
    QLineEdit* blackEdit_ = nullptr;
    QLineEdit* whiteEdit_ = nullptr;
    QWidget* histogram_ = nullptr;
};

// "Power Law Stretch": p from 0.1 to 3.0 in steps of 0.1, starting at 1.0.
class TPowerDialog : public QDialog {
public:
    explicit TPowerDialog(QWidget* parent = nullptr);
    double Power() const { return power_; }

private:
    void Action(int action);
    void Show();

    double power_ = 1.0;
    QScrollBar* scroll_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

// "Non-Linear Stretch": power 2..50, starting at 25.
class TNonLiniarDialog : public QDialog {
public:
    explicit TNonLiniarDialog(QWidget* parent = nullptr);
    int Power() const { return power_; }

private:
    int power_ = 25;
    QScrollBar* scroll_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

// The menu commands (also registered with the command table).
void RunNormalStretchCommand();
void RunPowerStretchCommand();
void RunNonLinearStretchCommand();
void RunRemoveBackgroundCommand();
