#include "display/analysis_dialogs.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/messages.h"
#include "core/state.h"
#include "display/analysis_plots.h"
#include "display/display_state.h"
#include "display/image_view_widget.h"
#include "display/picking.h"
#include "platform/platform.h"

namespace {

constexpr int kFinished = 2;
constexpr int kHelp = 9;
constexpr int kHistogramClose = 101;
constexpr int kProfileRowEdit = 101;
constexpr Rgb kDialogFace{240, 240, 240};

template <class D>
QPointer<D>& OpenDialog() {
    static QPointer<D> dialog;
    return dialog;
}

void ShowHelp(const HelpText& help) { Sys().messages->Show(help.caption, help.text, MessageIcon::None); }

// The main window's image view cursor (no-op without a main window).
void SetViewCursor(Qt::CursorShape shape) {
    if (QWidget* window = MainWindowWidget())
        if (auto* view = window->findChild<TImageView*>()) view->viewport()->setCursor(shape);
}

QPushButton* Button(QBoxLayout* into, int id, const char* text) {
    auto* button = WithId(new QPushButton(text), id);
    into->addWidget(button);
    return button;
}

template <class D>
void Present(D* dialog) {
    OpenDialog<D>() = dialog;
    dialog->show();
    dialog->raise();
}

const bool registered = [] {
    RegisterCommand(cmd::kHistogram, OpenHistogramWindow);
    RegisterCommand(cmd::kRowPlot, OpenRowProfileWindow);
    RegisterCommand(cmd::kPlot3D, OpenPlot3DWindow);
    return true;
}();

}  // namespace

// ---- TPlotView ----

TPlotView::TPlotView(int width, int height, std::function<void(PlotCanvas&)> drawer, QWidget* parent)
    : QWidget(parent), canvas_(width, height), drawer_(std::move(drawer)) {
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TPlotView::Picture() const {
    return QImage(reinterpret_cast<const uchar*>(canvas_.Bits()), canvas_.Width(), canvas_.Height(),
                  canvas_.Width() * 4, QImage::Format_RGB32)
        .copy();
}

void TPlotView::paintEvent(QPaintEvent*) {
    if (drawer_) {
        canvas_ = PlotCanvas(canvas_.Width(), canvas_.Height());
        drawer_(canvas_);
    }
    QPainter painter(this);
    const QImage image(reinterpret_cast<const uchar*>(canvas_.Bits()), canvas_.Width(), canvas_.Height(),
                       canvas_.Width() * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

// ---- Histogram ----

THistDialog::THistDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("THistDialog");
    setWindowTitle("Histogram of Current Image");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    // The counters as the last paint of the main window left them.
    plot_ = new TPlotView(kHistogramCanvasWidth, kHistogramCanvasHeight, [](PlotCanvas& canvas) {
        DrawHistogram(canvas, BuildHistogram(HistogramCounters()));
    });
    layout->addWidget(plot_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    connect(Button(buttons, kHistogramClose, "Close"), &QPushButton::clicked, this, &QDialog::close);
    connect(Button(buttons, kHelp, "Help"), &QPushButton::clicked, this, [] { ShowHelp(HistogramHelp()); });
    layout->addLayout(buttons);
}

THistDialog::~THistDialog() { CloseHistogram(); }

THistDialog* THistDialog::Instance() { return OpenDialog<THistDialog>().data(); }

void OpenHistogramWindow() {
    if (!OpenHistogram()) return;
    Present(new THistDialog(MainWindowWidget()));
}

// ---- Row profile ----

TRowDialog::TRowDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TRowDialog");
    setWindowTitle("INTENSITY PROFILE OF ONE ROW");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    plot_ = new TPlotView(kProfileCanvasWidth, kProfileCanvasHeight, [](PlotCanvas& canvas) {
        // Image buffer A as it is now.
        canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), kDialogFace);
        const ImageGeometry& g = State().geometry;
        const int row = ProfileImageRow(Picking().profileRow, DisplayToImageScale(), g.height);
        DrawRowProfile(canvas, RowProfile(State().imageA, g.width, g.height, row));
    });
    layout->addWidget(plot_);
    auto* buttons = new QHBoxLayout;
    row_ = WithId(new QLineEdit, kProfileRowEdit);
    row_->setReadOnly(true);
    row_->setMaximumWidth(80);
    buttons->addWidget(row_);
    buttons->addStretch();
    connect(Button(buttons, kFinished, "Finished"), &QPushButton::clicked, this, &QDialog::close);
    connect(Button(buttons, kHelp, "Help"), &QPushButton::clicked, this, [] { ShowHelp(RowProfileHelp()); });
    layout->addLayout(buttons);
    PickingHooks().rowProfileChanged = [] {
        if (TRowDialog* d = TRowDialog::Instance()) d->Refresh();
    };
    Refresh();
}

TRowDialog::~TRowDialog() {
    CloseRowProfile();
    PickingHooks().rowProfileChanged = nullptr;
    SetViewCursor(Qt::ArrowCursor);
}

TRowDialog* TRowDialog::Instance() { return OpenDialog<TRowDialog>().data(); }

void TRowDialog::Refresh() {
    row_->setText(QString::number(Picking().profileRow));
    plot_->update();
}

void OpenRowProfileWindow() {
    if (!OpenRowProfile()) return;
    SetViewCursor(Qt::UpArrowCursor);
    Present(new TRowDialog(MainWindowWidget()));
}

// ---- 3-D plot ----

T3DDialog::T3DDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("T3DDialog");
    setWindowTitle("3-D Intensity Plot");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    const ImageGeometry& g = State().geometry;
    const Plot3DLayout layout3d = Plot3DLayoutFor(g.width, g.height, g.binned);
    auto* layout = new QVBoxLayout(this);
    plot_ = new TPlotView(layout3d.canvasWidth, layout3d.canvasHeight, {});
    auto* scroll = new QScrollArea;
    scroll->setWidget(plot_);
    layout->addWidget(scroll);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    connect(Button(buttons, kFinished, "Finished"), &QPushButton::clicked, this, [this] {
        closing_ = true;
        close();
    });
    connect(Button(buttons, kHelp, "Help"), &QPushButton::clicked, this, [] { ShowHelp(Plot3DHelp()); });
    layout->addLayout(buttons);
    resize(std::min(layout3d.canvasWidth + 40, 1000), std::min(layout3d.canvasHeight + 80, 640));
}

T3DDialog::~T3DDialog() { ClosePlot3D(); }

T3DDialog* T3DDialog::Instance() { return OpenDialog<T3DDialog>().data(); }

void T3DDialog::DrawLandscape() {
    if (drawn_) return;
    drawn_ = true;
    const ImageGeometry& g = State().geometry;
    const Plot3DLayout layout = Plot3DLayoutFor(g.width, g.height, g.binned);
    QPointer<T3DDialog> self(this);
    DrawPlot3D(plot_->Canvas(), State().imageA, g.width, layout, [&](int) {
        // Each line goes to the window as soon as it is drawn; "Finished"
        // during the drawing stops it.
        plot_->repaint();
        Sys().events->Pump();
        return self && !closing_;
    });
    // Presses during the drawing were ordinary clicks, not a cancel waiting
    // for the next long operation.
    Sys().events->TakeInterrupt();
}

void OpenPlot3DWindow() {
    if (!OpenPlot3D()) return;
    auto* dialog = new T3DDialog(MainWindowWidget());
    Present(dialog);
    dialog->DrawLandscape();
}
