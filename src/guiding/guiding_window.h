// The two guiding windows: "Guiding Info" (TGInfoDialog, main-camera
// guiding: x, y, dx, dy) and the modeless "AutoGuider Camera Guiding" window
// of guider-camera guiding (its fields, the last guider frame with a cross on
// the reference star, the +-5 px plot, the running RMS and a scrolling graph
// of the R.A. and Dec errors against time).
#pragma once
#include <QDialog>
#include <QWidget>
#include <string>

#include "guiding/guiding_window_rules.h"

class QLabel;

class TGInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit TGInfoDialog(QWidget* parent = nullptr);
    void Show(const GuidingInfoData& data);

private:
    QLabel* x_;
    QLabel* y_;
    QLabel* dx_;
    QLabel* dy_;
    QLabel* dxArcsec_;
    QLabel* dyArcsec_;
};

// The drawing of the guiding window: the guider frame, the plot and the graph.
class GuidingPlotWidget : public QWidget {
    Q_OBJECT
public:
    explicit GuidingPlotWidget(QWidget* parent = nullptr);
    void SetData(const GuidingWindowData& data, bool addToGraph);
    void SetFrameFile(const std::string& hostPath);
    const ErrorGraph& Graph() const { return graph_; }
    void ClearGraph() { graph_.Clear(); }
    // The graph's vertical scale (px at its top) and length (s).
    void SetGraphScale(double pixels) {
        graph_.SetScale(pixels);
        update();
    }
    void SetGraphLength(double seconds) {
        graph_.SetLength(seconds);
        update();
    }
    // Places of the pieces in the widget.
    static QRect FrameRect();
    static QRect PlotRect();
    static QRect GraphRect();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GuidingWindowData data_;
    ErrorGraph graph_;
    std::string frameFile_;
};

class GuidingWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuidingWindow(QWidget* parent = nullptr);
    void SetCaption(const std::string& caption);
    // New numbers of a guiding frame; the guider frame is reloaded from the
    // guider bitmap file and the error joins the graph.
    void Update(const GuidingWindowData& data);
    // The running statistics after a frame.
    void SetRms(const GuidingRms& rms);
    // Fields only.
    void Refresh();
    GuidingPlotWidget* Plot() const { return plot_; }

private:
    GuidingWindowData data_;
    GuidingPlotWidget* plot_;
    QLabel* fields_[12] = {};
};

inline constexpr const char* kGuidingWindowCaption = "AutoGuider Camera Guiding";
inline constexpr const char* kGuidingInfoCaption = "Guiding Info";

// The process-wide windows (at most one of each), opened on demand and
// closed when guiding ends.
GuidingWindow* OpenGuidingWindow();
GuidingWindow* CurrentGuidingWindow();
void CloseGuidingWindow();
TGInfoDialog* OpenGuidingInfo();
TGInfoDialog* CurrentGuidingInfo();
void CloseGuidingInfo();

// What main-camera guiding shows: the "Guiding Info" window opens when the
// reference is found, shows x, y, dx, dy for every frame and closes when
// guiding ends.
class InfoGuidingDisplay : public GuidingDisplay {
public:
    void Reference(double x, double y) override;
    void Frame(const GuidingFrameReport& report) override;
    void Finished() override;
};
