// TProgressDialog: the modeless progress window of long operations.
#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;

inline constexpr const char* kProgressTitle = "Filter Progress";
inline constexpr int kProgressMaximum = 256;

// The caption names the operation; the window repeats it above the bar and
// sizes itself so the whole caption can be read, whatever the window
// manager does with long titles. An exposure longer than a second adds the
// time left below the bar.
class TProgressDialog : public QDialog {
public:
    explicit TProgressDialog(QWidget* parent = nullptr);
    void SetCaption(const QString& caption);
    void SetPosition(int position);
    int Position() const;
    // Negative: no time-left line.
    void SetTimeLeft(int seconds);
    QString CaptionText() const;
    QString TimeLeftText() const;
    // Paints the window (and the main window under it) now, before a step
    // that handles no window messages, such as a camera read.
    void PaintNow();

private:
    void FitToCaption();
    QLabel* caption_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* timeLeft_ = nullptr;
};
