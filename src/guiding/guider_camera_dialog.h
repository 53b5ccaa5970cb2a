// "Auto Guider Camera Control" (TGCamDialog, command 27): guider exposures,
// the guider frame, the guide-star pick, training, guiding, manual moves, the
// AO unit and the guider and AO calibration.
#pragma once
#include <QDialog>
#include <QWidget>
#include <memory>

#include "core/bound_controls.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guiding_display.h"
#include "guiding/guiding_window_rules.h"

class QBoxLayout;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The picture area of the dialog in the template's coordinates: the guider
// frame is drawn with its top-left at (offset + 10, 45).
class GuiderFrameView : public QWidget {
    Q_OBJECT
public:
    explicit GuiderFrameView(QWidget* parent = nullptr);
    std::function<void(int x, int y, Qt::MouseButton button)> onRelease;
    std::function<void(int x, int y)> onMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

class TGCamDialog;

// What the training and guiding loops show while the dialog runs them: the
// dialog's caption and picture during a training, the "AutoGuider Camera
// Guiding" window (opened with the loop's first caption) while guiding.
class DialogGuidingDisplay : public GuidingDisplay {
public:
    explicit DialogGuidingDisplay(TGCamDialog& dialog) : dialog_(dialog) {}
    // A new guiding run: the graph and the clock start afresh.
    void Restart();
    void Caption(const std::string& text) override;
    void Reference(double x, double y) override;
    void FrameTaken() override;
    void TrainingPosition(int step, double x, double y) override;
    void Frame(const GuidingFrameReport& report) override;
    void Rms(const GuidingRms& rms) override;

private:
    TGCamDialog& dialog_;
    GuidingWindowData data_;
    uint32_t startMs_ = 0;
};

class TGCamDialog : public QDialog {
    Q_OBJECT
public:
    explicit TGCamDialog(QWidget* parent = nullptr);
    ~TGCamDialog() override;
    // Redraws every field from the records.
    void Refresh();
    // A scroll action on bar 810, 815, 911 or 912.
    void Scroll(int id, GuiderScroll action, int thumb = 0);
    // Mouse on the picture area (template coordinates).
    void MouseUp(int x, int y, Qt::MouseButton button);
    void MouseMove(int x, int y);
    void OnButton(int id);
    GuiderFrameView* FrameView() const { return view_; }
    // The centroid of the pick (the guider-camera centroid unless replaced).
    void SetStarFinder(GuiderStarFinder finder) { finder_ = std::move(finder); }
    // "Start Guiding" (878; also the pop-up command "Start AutoGuiding").
    void StartGuiding();

protected:
    // Closing ends a running series of guider exposures.
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    // A bar at the end of into: its actions go to Scroll(id), and a redraw
    // puts it at value() within minimum()..maximum().
    QScrollBar* ScrollBar(QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
                          std::function<int()> maximum, std::function<int()> value);
    BoundControls controls_;
    std::unique_ptr<DialogGuidingDisplay> display_;
    GuiderStarFinder finder_;
    int pending_ = 0;  // a long action asked for while exposures ran
    GuiderFrameView* view_ = nullptr;
    QLineEdit* defaults_[5] = {};
    QLineEdit* aoGains_[2] = {};
    bool moving_ = false;
};

// Command 27: opens the dialog (modeless, at most one) and returns it.
TGCamDialog* OpenGuiderCameraDialog();
TGCamDialog* CurrentGuiderCameraDialog();
