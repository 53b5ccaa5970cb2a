// The telescope control dialogs: "Velmora_USB Move Telescope - LX200 non-GPS
// (TM)" (TMTDialog), the Autostar dialog (TMTADialog, the same controls plus
// the mount's position, polled while it is open) and "Move Telescope"
// (TCBDialog, relay moves on the guide socket). Command 24 opens the one the
// drive method names.
#pragma once
#include <QDialog>
#include <QScrollBar>
#include <functional>

#include "telescope/telescope_ids.h"

class QLabel;
class QLineEdit;
class QRadioButton;

// A scroll bar whose arrows start a move and whose release ends it: line
// steps (held arrows repeat them) and the end of scrolling when the mouse
// button comes up.
class TScopeScrollBar : public QScrollBar {
public:
    TScopeScrollBar(Qt::Orientation orientation, std::function<void(int step)> onLine, std::function<void()> onEnd);
    // -1 line-left / line-up, +1 line-right / line-down.
    void Line(int step) { onLine_(step); }
    void EndScroll() { onEnd_(); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void(int)> onLine_;
    std::function<void()> onEnd_;
};

// The LX200 dialog; `autostar` builds the Autostar one (TMTADialog).
class TMTDialog : public QDialog {
public:
    explicit TMTDialog(QWidget* parent = nullptr, bool autostar = false);
    void Redraw();

protected:
    const scope::ScopeIds& ids_;
    bool autostar_;

private:
    bool FieldOk(int id, int& value) const;
    void GotoObject();
    void GotoCoordinates();
    void Caption(const char* text);
    QLabel* info_ = nullptr;
    QLabel* answer_ = nullptr;
    QLabel* ra_ = nullptr;
    QLabel* dec_ = nullptr;
    QRadioButton* rates_[4] = {};
    QRadioButton* speeds_[2] = {};
};

class TMTADialog : public TMTDialog {
public:
    explicit TMTADialog(QWidget* parent = nullptr);
    ~TMTADialog() override;
    // The position polling loop: runs until a right mouse button press or
    // the dialog closes (started when the dialog is shown with drive method
    // 'a').
    void PollPosition();
    void StopPolling() { stopPolling_ = true; }
    int Polls() const { return polls_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool stopPolling_ = false;
    bool polling_ = false;
    int polls_ = 0;
};

class TCBDialog : public QDialog {
public:
    explicit TCBDialog(QWidget* parent = nullptr);
};

// Command 24: the first-use steps, then the dialog of the drive method
// (nothing with method 'n').
void RunTelescopeControl();
