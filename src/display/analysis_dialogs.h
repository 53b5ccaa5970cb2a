// The modeless analysis windows: "Histogram of Current Image",
// "INTENSITY PROFILE OF ONE ROW" and "3-D Intensity Plot". Each is open at
// most once and draws into a plain off-screen bitmap (display/analysis_plots).
#pragma once
#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>

#include "display/plot_canvas.h"

class QLineEdit;

// Shows a canvas at 1:1. With a drawer the canvas is drawn afresh on every
// paint; without one it shows the canvas as it stands.
class TPlotView : public QWidget {
    Q_OBJECT
public:
    TPlotView(int width, int height, std::function<void(PlotCanvas&)> drawer, QWidget* parent = nullptr);
    PlotCanvas& Canvas() { return canvas_; }
    // The canvas as last shown.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlotCanvas canvas_;
    std::function<void(PlotCanvas&)> drawer_;
};

// The open window and its canvas, for the commands and the tests.
class THistDialog : public QDialog {
    Q_OBJECT
public:
    explicit THistDialog(QWidget* parent = nullptr);
    ~THistDialog() override;
    static THistDialog* Instance();
    TPlotView* Plot() const { return plot_; }

private:
    TPlotView* plot_ = nullptr;
};

class TRowDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRowDialog(QWidget* parent = nullptr);
    ~TRowDialog() override;
    static TRowDialog* Instance();
    TPlotView* Plot() const { return plot_; }
    // Shows the profile row and redraws the trace.
    void Refresh();

private:
    TPlotView* plot_ = nullptr;
    QLineEdit* row_ = nullptr;
};

class T3DDialog : public QDialog {
    Q_OBJECT
public:
    explicit T3DDialog(QWidget* parent = nullptr);
    ~T3DDialog() override;
    static T3DDialog* Instance();
    TPlotView* Plot() const { return plot_; }
    // Draws the landscape line by line, showing each line as it comes.
    void DrawLandscape();

private:
    TPlotView* plot_ = nullptr;
    bool drawn_ = false;
    bool closing_ = false;
};

// Menu commands 6, 16 and 15.
void OpenHistogramWindow();
void OpenRowProfileWindow();
void OpenPlot3DWindow();
