// The "Filter&s" menu's windows: "Unsharp Mask Filter" (template 1) and
// "Median Filter" (template 4). Modal; they start from their fixed initial
// values every time they open; "OK" runs the filter (processing/filters.h),
// "Cancel" changes nothing.
#pragma once
#include <QDialog>

class QLineEdit;
class QScrollBar;

namespace filter_ctl {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelp = 9;
// Unsharp mask.
inline constexpr int kUnsharpRadiusScroll = 101;
inline constexpr int kUnsharpPowerScroll = 102;
inline constexpr int kUnsharpRadiusEdit = 103;
inline constexpr int kUnsharpPowerEdit = 104;
// Median.
inline constexpr int kMedianRadiusEdit = 101;
inline constexpr int kMedianPowerEdit = 102;
inline constexpr int kMedianRadiusScroll = 103;
inline constexpr int kMedianPowerScroll = 104;
}  // namespace filter_ctl

inline constexpr const char* kUnsharpHelpCaption = "Velmora_USB - Unsharp Mask Filter";
inline constexpr const char* kUnsharpHelpText = "Use controls to vary the radius from 1 to 7, and the power from 1 to 7.";
inline constexpr const char* kMedianHelpCaption = "Velmora_USB - Median Filter";
inline constexpr const char* kMedianHelpText =
    "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1.";

// Radius 1..7 (initially 3) and power 1..7 (initially 1).
class TUnsharpDialog : public QDialog {
public:
    explicit TUnsharpDialog(QWidget* parent = nullptr);
    int Radius() const { return radius_; }
    int Power() const { return power_; }

private:
    int radius_ = 3;
    int power_ = 1;
};

// Radius 1..3 (initially 1) and power 0.1..1.0 kept in tenths (initially 6).
class TMedianDialog : public QDialog {
public:
    explicit TMedianDialog(QWidget* parent = nullptr);
    int Radius() const { return radius_; }
    int PowerTenths() const { return tenths_; }

private:
    int radius_ = 1;
    int tenths_ = 6;
};

// The power as the edit box shows it: ".6", "1.0".
QString MedianPowerText(int tenths);

void RunUnsharpCommand();
void RunMedianCommand();
