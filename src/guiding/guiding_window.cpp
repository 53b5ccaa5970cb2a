#include "guiding/guiding_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

#include "core/main_window.h"
#include "core/state.h"
#include "guiding/guider_state.h"
#include "guiding/image_scale.h"
#include "platform/paths.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Field(QFormLayout* form, const char* name, const char* label) {
    auto* field = new QLabel;
    field->setObjectName(name);
    field->setMinimumWidth(60);
    form->addRow(label, field);
    return field;
}

// The scale of the frames that guide (arc seconds per pixel, 0: unknown):
// the main camera's while it guides, else the guider head's.
double Scale() { return GuidingScaleArcsec(Guider().mainGuiding); }

QString RmsText(const GuidingRms& r) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "RMS (px)     R.A.   Dec   Total\nlast 100:  %5.2f  %5.2f  %5.2f\nwhole run: %5.2f  %5.2f  "
                  "%5.2f\nframes: %d, ignored: %d, lost: %d",
                  r.ra100, r.dec100, r.total100, r.raRun, r.decRun, r.totalRun, r.framesRun, r.ignored, r.lost);
    QString shown = QString::fromLatin1(text);
    if (const double k = Scale(); k > 0) {
        std::snprintf(text, sizeof text, "\nRMS (\")     R.A.   Dec   Total\nlast 100:  %5.2f  %5.2f  %5.2f\nwhole run: "
                      "%5.2f  %5.2f  %5.2f\nscale: %.3f \"/px",
                      r.ra100 * k, r.dec100 * k, r.total100 * k, r.raRun * k, r.decRun * k, r.totalRun * k, k);
        shown += QString::fromLatin1(text);
    }
    return shown;
}

// A combo box of numbers with a unit, the current one selected.
QComboBox* NumberChoice(const char* name, std::span<const double> values, const char* unit, double current) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    for (double v : values) box->addItem(QStringLiteral("%1 %2").arg(v).arg(unit), v);
    box->setCurrentIndex(std::max(0, box->findData(current)));
    return box;
}

QPointer<GuidingWindow>& GuidingWindowPointer() {
    static QPointer<GuidingWindow> window;
    return window;
}

QPointer<TGInfoDialog>& InfoPointer() {
    static QPointer<TGInfoDialog> window;
    return window;
}

}  // namespace

// ---- Guiding Info -----------------------------------------------------------

TGInfoDialog::TGInfoDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TGInfoDialog");
    setWindowTitle(kGuidingInfoCaption);
    setModal(false);
    auto* form = new QFormLayout(this);
    x_ = Field(form, "x", "x");
    y_ = Field(form, "y", "y");
    dx_ = Field(form, "dx", "dx");
    dy_ = Field(form, "dy", "dy");
    dxArcsec_ = Field(form, "dxArcsec", "dx (\")");
    dyArcsec_ = Field(form, "dyArcsec", "dy (\")");
}

void TGInfoDialog::Show(const GuidingInfoData& data) {
    x_->setText(Q(OneDecimal(data.x)));
    y_->setText(Q(OneDecimal(data.y)));
    dx_->setText(Q(ErrorText(data.ex)));
    dy_->setText(Q(ErrorText(data.ey)));
    // The main camera guides here: its scale (empty without a focal length).
    dxArcsec_->setText(Q(ArcsecText(data.ex, GuidingScaleArcsec(true))));
    dyArcsec_->setText(Q(ArcsecText(data.ey, GuidingScaleArcsec(true))));
}

// ---- The drawing --------------------------------------------------------------

GuidingPlotWidget::GuidingPlotWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("guidingPlot");
    setMinimumSize(GraphRect().right() + 10, PlotRect().bottom() + 30);
}

QRect GuidingPlotWidget::FrameRect() { return QRect(0, 0, 250, 145); }
QRect GuidingPlotWidget::PlotRect() { return QRect(10, 165, kPlotSize, kPlotSize); }
QRect GuidingPlotWidget::GraphRect() { return QRect(130, 165, 240, kPlotSize); }

void GuidingPlotWidget::SetData(const GuidingWindowData& data, bool addToGraph) {
    data_ = data;
    if (addToGraph) graph_.Add(data.seconds, data.report.errorX, data.report.errorY);
    update();
}

void GuidingPlotWidget::SetFrameFile(const std::string& hostPath) {
    frameFile_ = hostPath;
    update();
}

void GuidingPlotWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());

    // The last saved guider frame, half size, with a +-20 px cross on the
    // reference star.
    const QRect frame = FrameRect();
    QImage image;
    if (!frameFile_.empty() && image.load(QString::fromStdString(frameFile_))) {
        p.drawImage(frame, image);
        const double sx = double(frame.width()) / image.width(), sy = double(frame.height()) / image.height();
        const QPointF star(frame.left() + data_.refX * sx, frame.top() + data_.refY * sy);
        p.setPen(Qt::green);
        p.drawLine(QPointF(star.x() - 20 * sx, star.y()), QPointF(star.x() + 20 * sx, star.y()));
        p.drawLine(QPointF(star.x(), star.y() - 20 * sy), QPointF(star.x(), star.y() + 20 * sy));
    } else {
        p.fillRect(frame, Qt::black);
    }

    // The +-5 px plot: ticks every 10 plot pixels, the error as a 7-pixel cross.
    const QRect box = PlotRect();
    p.fillRect(box, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(box);
    const QPoint c = box.center() + QPoint(1, 1);
    p.setPen(Qt::gray);
    p.drawLine(box.left(), c.y(), box.left() + kPlotSize, c.y());
    p.drawLine(c.x(), box.top(), c.x(), box.top() + kPlotSize);
    for (int t = 0; t <= kPlotSize; t += 10) {
        p.drawLine(box.left() + t, c.y() - 2, box.left() + t, c.y() + 2);
        p.drawLine(c.x() - 2, box.top() + t, c.x() + 2, box.top() + t);
    }
    p.setPen(Qt::black);
    p.drawText(box.left() - 4, box.bottom() + 16, QString::fromLatin1(kPlotAxisLabel));
    int x = 0, y = 0;
    if (data_.report.measured && PlotCross(data_.report.errorX, data_.report.errorY, c.x(), c.y(), x, y)) {
        p.setPen(QPen(Qt::red, 1));
        p.drawLine(x - kPlotCrossHalf, y, x + kPlotCrossHalf, y);
        p.drawLine(x, y - kPlotCrossHalf, x, y + kPlotCrossHalf);
    }

    // The scrolling graph: R.A. (blue) and Dec (red) against time.
    const QRect g = GraphRect();
    p.fillRect(g, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(g);
    p.setPen(Qt::lightGray);
    for (int line = -2; line <= 2; ++line) {
        const double gy = g.top() + graph_.ScaledY(int(std::lround(line * 400 * graph_.Scale())), g.height());
        p.drawLine(QPointF(g.left(), gy), QPointF(g.right(), gy));
    }
    p.setPen(Qt::black);
    p.drawText(g.left(), g.top() - 4, Q(GraphCaption(graph_.Scale(), graph_.Length(), Scale())));
    const auto& samples = graph_.Samples();
    for (int axis = 0; axis < 2; ++axis) {
        p.setPen(axis == 0 ? Qt::blue : Qt::red);
        QPointF last;
        bool first = true;
        for (const GraphSample& s : samples) {
            const QPointF point(g.left() + graph_.X(s.seconds, g.width()),
                                g.top() + graph_.ScaledY(axis == 0 ? s.ex : s.ey, g.height()));
            if (!first) p.drawLine(last, point);
            last = point;
            first = false;
        }
    }
}

// ---- AutoGuider Camera Guiding ------------------------------------------------

GuidingWindow::GuidingWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("GuidingWindow");
    setWindowTitle(kGuidingWindowCaption);
    auto* layout = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const char* names[] = {"x", "y", "dx", "dy", "pulseX", "pulseY", "aoX", "aoY", "bump"};
    const char* labels[] = {"x", "y", "dx", "dy", "x pulse", "y pulse", "AO x", "AO y", "Mount bump"};
    for (int i = 0; i < 9; ++i) fields_[i] = Field(form, names[i], labels[i]);
    fields_[10] = Field(form, "dxArcsec", "dx (\")");
    fields_[11] = Field(form, "dyArcsec", "dy (\")");
    fields_[9] = new QLabel;
    fields_[9]->setObjectName("rms");
    fields_[9]->setFont(QFont("Monospace"));
    form->addRow(fields_[9]);
    plot_ = new GuidingPlotWidget;
    layout->addWidget(plot_);
    // The graph's scale and length.
    auto* scale = NumberChoice("graphScale", kGraphScales, "px", kGraphPixels);
    auto* length = NumberChoice("graphLength", kGraphLengths, "s", kGraphSeconds);
    form->addRow("Graph scale", scale);
    form->addRow("Graph length", length);
    connect(scale, &QComboBox::currentIndexChanged, this, [this, scale] { plot_->SetGraphScale(scale->currentData().toDouble()); });
    connect(length, &QComboBox::currentIndexChanged, this,
            [this, length] { plot_->SetGraphLength(length->currentData().toDouble()); });
    Refresh();
}

void GuidingWindow::SetCaption(const std::string& caption) { setWindowTitle(Q(caption)); }

void GuidingWindow::Update(const GuidingWindowData& data) {
    data_ = data;
    plot_->SetFrameFile(MapPath(State().geometry.guiderBitmapName));
    plot_->SetData(data, data.report.measured);
    Refresh();
}

void GuidingWindow::SetRms(const GuidingRms& rms) {
    data_.rms = rms;
    fields_[9]->setText(RmsText(rms));
}

void GuidingWindow::Refresh() {
    const GuidingFrameReport& r = data_.report;
    fields_[0]->setText(Q(OneDecimal(r.starX)));
    fields_[1]->setText(Q(OneDecimal(r.starY)));
    fields_[2]->setText(Q(ErrorText(r.errorX)));
    fields_[3]->setText(Q(ErrorText(r.errorY)));
    fields_[4]->setText(Q(FiveDigits(r.pulseX)));
    fields_[5]->setText(Q(FiveDigits(r.pulseY)));
    fields_[6]->setText(Q(FiveDigits(r.aoX)));
    fields_[7]->setText(Q(FiveDigits(r.aoY)));
    fields_[8]->setText(Q(r.bumpLetter));
    fields_[9]->setText(RmsText(data_.rms));
    fields_[10]->setText(Q(ArcsecText(r.errorX, Scale())));
    fields_[11]->setText(Q(ArcsecText(r.errorY, Scale())));
}

// ---- The process-wide windows -----------------------------------------------------

GuidingWindow* OpenGuidingWindow() {
    auto& window = GuidingWindowPointer();
    if (!window) {
        window = new GuidingWindow(MainWindowWidget());
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    return window;
}

GuidingWindow* CurrentGuidingWindow() { return GuidingWindowPointer(); }

void CloseGuidingWindow() {
    auto& window = GuidingWindowPointer();
    if (window) delete window.data();
}

TGInfoDialog* OpenGuidingInfo() {
    auto& window = InfoPointer();
    if (!window) {
        window = new TGInfoDialog(MainWindowWidget());
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    return window;
}

TGInfoDialog* CurrentGuidingInfo() { return InfoPointer(); }

void CloseGuidingInfo() {
    auto& window = InfoPointer();
    if (window) delete window.data();
}

// ---- Main-camera guiding ---------------------------------------------------------

void InfoGuidingDisplay::Reference(double x, double y) { OpenGuidingInfo()->Show(GuidingInfoData{x, y, 0, 0}); }

void InfoGuidingDisplay::Frame(const GuidingFrameReport& report) {
    OpenGuidingInfo()->Show(GuidingInfoData{report.starX, report.starY, report.errorX, report.errorY});
}

void InfoGuidingDisplay::Finished() { CloseGuidingInfo(); }
