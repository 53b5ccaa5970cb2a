#include "guiding/guide_assistant_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "core/main_window.h"
#include "core/state.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/image_scale.h"
#include "guiding/unguided_run.h"

GuidingAssistantWindow::GuidingAssistantWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("GuidingAssistant");
    setWindowTitle(kGuidingAssistantCaption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    row->addWidget(new QLabel("Minutes:"));
    minutes_ = new QSpinBox;
    minutes_->setObjectName("minutes");
    minutes_->setRange(1, 120);
    minutes_->setValue(10);
    row->addWidget(minutes_);
    main_ = new QCheckBox("Main camera");
    main_->setObjectName("mainCamera");
    row->addWidget(main_);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto button = [&](const char* caption, const char* name, void (GuidingAssistantWindow::*action)()) {
        auto* b = new QPushButton(caption);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
        return b;
    };
    start_ = button("Start", "start", &GuidingAssistantWindow::Start);
    stop_ = button("Stop", "stop", &GuidingAssistantWindow::Stop);
    use_ = button("Use These", "useThese", &GuidingAssistantWindow::UseThese);
    progress_ = new QLabel("Pick a guide star, then Start: the star is measured without guiding.");
    progress_->setObjectName("progress");
    layout->addWidget(progress_);
    results_ = new QLabel;
    results_->setObjectName("results");
    results_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(results_);
    Refresh();
}

void GuidingAssistantWindow::Refresh() {
    start_->setEnabled(!running_);
    stop_->setEnabled(running_);
    main_->setEnabled(!running_);
    minutes_->setEnabled(!running_);
    use_->setEnabled(!running_ && haveResult_);
}

void GuidingAssistantWindow::Start() {
    const GuiderState& g = Guider();
    // One loop at a time: guiding, a training or the guider dialog's
    // exposures have the camera.
    if (running_ || g.guiding || g.training || g.mainGuiding || GuiderDialog().exposing) return;
    const bool main = main_->isChecked();
    if (main && !ConnectCamera()) return;
    running_ = true;
    cancel_ = false;
    haveResult_ = false;
    results_->clear();
    Refresh();
    const int minutes = minutes_->value();
    progress_->setText("Measuring...");
    UnguidedRunOptions o;
    o.mainCamera = main;
    o.exposureMs = CurrentExposureMs();
    o.durationMs = uint32_t(minutes) * 60000u;
    o.cancel = &cancel_;
    o.progress = [this, minutes](double done) {
        progress_->setText(QStringLiteral("Measuring: %1 of %2 min").arg(done * minutes, 0, 'f', 1).arg(minutes));
    };
    const AssistantMeasurement m = MeasureForAssistant(o);
    running_ = false;
    result_ = m.result;
    haveResult_ = m.end != LoopEnd::Refused && result_.frames >= 8;
    const char* how = m.end == LoopEnd::Done      ? "Done"
                      : m.end == LoopEnd::Stopped ? "Stopped"
                      : m.end == LoopEnd::Refused ? "Could not start"
                                                  : "Ended early (star lost or camera failed)";
    progress_->setText(QStringLiteral("%1: %2 frames over %3 s, %4.")
                           .arg(how)
                           .arg(result_.frames)
                           .arg(result_.spanS, 0, 'f', 0)
                           .arg(m.onTrainedAxes ? "on the trained R.A./Dec axes" : "on camera x/y"));
    if (haveResult_) {
        const double scale = GuidingScaleArcsec(main);
        results_->setText(QString::fromStdString(AssistantReport(result_, scale)).trimmed());
    }
    Refresh();
}

void GuidingAssistantWindow::UseThese() {
    if (!haveResult_ || running_) return;
    SmoothParams& p = Guider().smooth;
    for (const char* key : {"ra_min_move_px", "dec_min_move_px"})
        if (const SmoothParamInfo* info = FindSmoothParam(key)) SetSmoothParam(p, *info, result_.minMovePx);
    if (result_.periodKnown)
        if (const SmoothParamInfo* info = FindSmoothParam("worm_period_s"))
            SetSmoothParam(p, *info, result_.pePeriodS);
    SaveGuidingFile();
    progress_->setText("The minimum move and the worm period are in use.");
}

void GuidingAssistantWindow::closeEvent(QCloseEvent* event) {
    // Closing hides the window; a running measurement ends.
    cancel_ = true;
    QDialog::closeEvent(event);
}

namespace {
QPointer<GuidingAssistantWindow>& WindowPointer() {
    static QPointer<GuidingAssistantWindow> window;
    return window;
}
}  // namespace

GuidingAssistantWindow* OpenGuidingAssistant() {
    auto& w = WindowPointer();
    // Never deleted while it runs: the measurement pumps events inside it.
    if (!w) w = new GuidingAssistantWindow(MainWindowWidget());
    w->show();
    w->raise();
    return w;
}

GuidingAssistantWindow* CurrentGuidingAssistant() { return WindowPointer(); }
