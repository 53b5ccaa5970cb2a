#include "guiding/guider_camera_dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <span>
#include <utility>

#include "acquisition/exposure_sequence.h"
#include "acquisition/guiding_hooks.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "platform/platform.h"
#include "guiding/guide_assistant_window.h"
#include "guiding/guiding_file.h"
#include "guiding/guiding_loops.h"
#include "guiding/guiding_window.h"
#include "guiding/smooth_rule_dialog.h"
#include "settings/ini_rules.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_control.h"
#include "telescope/telescope_dialogs.h"
#include "telescope/telescope_link.h"

using namespace gcam;

namespace {

Settings& S() { return State().settings; }
GuiderDialogState& D() { return GuiderDialog(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }
QString N(int v) { return QString::number(v); }

int GuiderWidthNow() { return GuiderWidth(S().guiderType); }
int OffsetNow() { return GuiderDisplayOffset(S().guiderType); }

GuiderState& G() { return Guider(); }
GuiderExposure& E() { return Guider().exposure; }

// Long actions (exposures, trainings, guiding, the dark frame) run one at a
// time.
bool LongAction(int id) {
    return id == kStart || id == kTrain || id == kAoTrain || id == kStartGuiding || id == kTakeDark;
}

// Guiding during a main-camera exposure ("Autoguide Photo") runs through the
// exposure sequence's hooks without a display of its own; the guiding window
// follows it from the autoguider's record, once per guiding frame.
struct PhotoStart {
    std::function<bool()> start;
    bool operator()() const {
        const bool running = start();
        if (running) {
            OpenGuidingWindow()->SetCaption("Guiding Info");
            if (GuidingWindow* w = CurrentGuidingWindow()) w->Plot()->ClearGraph();
        }
        PhotoFrames() = -1;
        PhotoStartMs() = NowMs();
        return running;
    }
    static int& PhotoFrames() {
        static int frames = -1;
        return frames;
    }
    static uint32_t& PhotoStartMs() {
        static uint32_t ms = 0;
        return ms;
    }
};

struct PhotoStep {
    std::function<void(uint32_t&)> step;
    void operator()(uint32_t& endMs) const {
        step(endMs);
        GuidingWindow* w = CurrentGuidingWindow();
        const GuiderState& g = Guider();
        const GuidingRms rms = LastGuidingRms();
        if (!w || !g.guiding || rms.framesRun == PhotoStart::PhotoFrames()) return;
        PhotoStart::PhotoFrames() = rms.framesRun;
        GuidingWindowData data;
        data.report.timeMs = NowMs();
        data.report.starX = g.lastStar.X();
        data.report.starY = g.lastStar.Y();
        data.report.errorX = g.errorX;
        data.report.errorY = g.errorY;
        data.report.pulseX = g.pulseX;
        data.report.pulseY = g.pulseY;
        data.report.aoX = g.aoX;
        data.report.aoY = g.aoY;
        data.refX = g.reference.X();
        data.refY = g.reference.Y();
        data.rms = rms;
        data.seconds = int32_t(NowMs() - PhotoStart::PhotoStartMs()) / 1000.0;
        w->Update(data);
    }
};

// Wraps the hooks the guiding code installed (again, if they were replaced).
void FollowPhotoGuiding() {
    ExposureGuidingHooks& h = GuidingHooks();
    if (!h.startGuiding || !h.guidingStep || h.startGuiding.target<PhotoStart>()) return;
    h.startGuiding = PhotoStart{h.startGuiding};
    h.guidingStep = PhotoStep{h.guidingStep};
}

QPointer<TGCamDialog>& DialogPointer() {
    static QPointer<TGCamDialog> dialog;
    return dialog;
}

// The dialog's tables: each group's controls top to bottom (or left to
// right), with their ids, captions and what they show. Every click goes to
// OnButton(id).

// A radio button or check box and the record it shows.
struct Toggle {
    int id;
    const char* caption;
    bool (*isOn)();
};

constexpr Toggle kExposureRanges[] = {{kHundredths, "Hundredths", [] { return E().unit == 'h'; }},
                                      {kTenths, "Tenths", [] { return E().unit == 't'; }},
                                      {kSeconds, "Seconds", [] { return E().unit == 's'; }}};
constexpr Toggle kDisplayChecks[] = {
    {kStretchImages, "Apply Stretch to Guider Images", [] { return D().stretchImages; }},
    {kMedian, "Apply Median Filter to all Images", [] { return E().median; }},
    {kPause, "1 Sec Pause", [] { return D().pause; }},
    {kBin2x2, "Bin 2x2", [] { return S().guiderOption82; }},
    {kClearCamera, "Clear camera", [] { return D().clearCamera; }},
    {kAutosaveBmp, "Autosave Images as BMP", [] { return D().autosaveBmp; }}};
constexpr Toggle kDarkChecks[] = {{kApplyDark, "Apply DarkFrame", [] { return E().applyDark; }}};
constexpr Toggle kCalibrationChecks[] = {
    {kIgnoreBacklash, "Ignore Backlash", [] { return S().ignoreBacklash; }},
    {kIgnoreRaAngle, "Ignore RA Angle", [] { return G().ignoreRaAngle; }},
    {kSwapNorthSouth, "Swap n/s direction", [] { return NorthSouthSwapped(S()); }},
    {kSwapEastWest, "Swap e/w direction", [] { return EastWestSwapped(S()); }}};
constexpr Toggle kAoModeCheck[] = {{kAoMode, "AO Mode", [] { return S().aoOption; }}};
constexpr Toggle kAoPorts[] = {{kAoPortSer1, "Ser 1", [] { return S().aoPort == 1; }},
                               {kAoPortSer2, "Ser 2", [] { return S().aoPort == 0; }},
                               {kAoPortPc, "PC ", [] { return S().aoPort == 3; }}};
constexpr Toggle kAoChecks[] = {
    {kAoSwapUpDown, "Swap Up/Down", [] { return AoUpDownSwapped(S()); }},
    {kAoSwapLeftRight, "Swap Left/Right", [] { return AoLeftRightSwapped(S()); }},
    {kSwapMountNorthSouth, "Swap Mount N/S", [] { return MountNorthSouthSwapped(S()); }},
    {kSwapMountEastWest, "Swap Mount E/W", [] { return MountEastWestSwapped(S()); }}};

// A push button; a redraw renames it when it has a redrawn() caption.
struct Button {
    int id;
    const char* caption;
    QString (*redrawn)() = nullptr;
};

constexpr Button kStartStop[] = {{kStart, "Start"}, {kStop, "Stop"}};
constexpr Button kDarkButton[] = {{kTakeDark, "Take DarkFrame"}};
constexpr Button kStarButton[] = {{kSelectGuideStar, "Select Guide Star"}};
constexpr Button kTrainButtons[] = {
    {kTrain, "Train"},
    {kUseDefault, "Use Default", [] { return Q(UseDefaultButtonText(G().useTrained, G().trained)); }}};
constexpr Button kCalibrationButtons[] = {{kChangeDefaults, "Change Defaults"}, {kSaveLatest, "Save Latest"}};
constexpr Button kGuideButtons[] = {
    {kStartGuiding, "Start Guiding", [] { return QString(G().guiding ? "Stop Guiding" : "Start Guiding"); }},
    {kGoToMainCamera, "Go to Main Camera"}};
constexpr Button kModeButton[] = {{kGuidingMode, "Guiding Mode"}};
constexpr Button kAoButtons[] = {
    {kAoTrain, "Train"},
    {kAoUseDefault, "Use Default", [] { return Q(UseDefaultButtonText(G().aoUseTrained, G().aoTrained)); }},
    {kAoChangeDefaults, "Change Defaults"},
    {kAoSaveLatest, "Save Latest"}};
constexpr Button kCentraliseButton[] = {{kCentraliseAo, "Centralise AO"}};
constexpr Button kDialogButtons[] = {{kHelp, "Help"}, {kClose, "Close"}};

// The calibration kept across nights (the guiding file): its age, "Clear
// Calibration", and the guiding optics' focal length for the image scale.
constexpr Button kKeptButtons[] = {{kClearCalibration, "Clear Calibration"}};

// A typed focal length (mm, 0: unknown); false for anything else.
bool ParseFocalLength(const QString& text, double& mm) {
    bool ok = false;
    mm = text.trimmed().toDouble(&ok);
    return ok && mm >= 0 && mm <= 100000;
}

// A shown value, with its label in front when it has one.
struct Reading {
    const char* label;
    int id;
    QString (*content)();
};

constexpr Reading kExposureReading[] = {{nullptr, kExposureValue, [] { return N(E().value); }}};
constexpr Reading kStretchReading[] = {{nullptr, kStretchValue, [] { return N(D().stretch); }}};
constexpr Reading kAutosaveReadings[] = {
    {nullptr, kAutosaveDir, [] { return Q(AutosaveDirectory()); }},
    {nullptr, kAutosaveNumber, [] { return N(uint16_t(S().guiderAutosaveCounter)); }}};
constexpr Reading kDarkReading[] = {{nullptr, kDarkText, [] { return Q(DarkFrameText(E(), D().darkText)); }}};
constexpr Reading kCursorReadings[] = {{"Cursor", kCursorX, [] { return N(D().cursorX); }},
                                       {nullptr, kCursorY, [] { return N(D().cursorY); }},
                                       {"Value", kPixelValue, [] { return N(D().cursorValue); }}};
constexpr Reading kStarReadings[] = {{"Star", kStarX, [] { return N(G().starSelected ? G().starX : 0); }},
                                     {nullptr, kStarY, [] { return N(G().starSelected ? G().starY : 0); }}};
constexpr Reading kUsingReading[] = {{nullptr, kUsingText, [] { return Q(UsingValsText(G().useTrained)); }}};
constexpr Reading kModeReading[] = {{nullptr, kGuidingModeText, [] { return Q(GuidingModeText(S().guidingMode)); }}};
constexpr Reading kAoUsingReading[] = {{nullptr, kAoUsingText, [] { return Q(UsingValsText(G().aoUseTrained)); }}};
constexpr Reading kAoModeReading[] = {{nullptr, kAoModeText, [] { return Q(AoModeText(S().aoOption)); }}};
constexpr Reading kKeptReadings[] = {
    {nullptr, kCalibrationAge, [] { return Q(CalibrationAgeText(Sys().clock->UnixSeconds())); }}};

// A column of the calibration table: the typed default and the latest
// trained value.
struct CalibrationColumn {
    const char* head;
    int defaultId;
    QString (*defaultValue)();
    int latestId;
    QString (*latestValue)();
};

constexpr CalibrationColumn kCalibrationColumns[] = {
    {"RA rate", kDefaultRaRate, [] { return N(S().guiderRaPixelsPerSecond); }, kLatestRaRate,
     [] { return N(G().trainedSet.storedRaRate); }},
    {"Dec rate", kDefaultDecRate, [] { return N(S().guiderDecPixelsPerSecond); }, kLatestDecRate,
     [] { return N(G().trainedSet.storedDecRate); }},
    {"RA backlash", kDefaultRaBacklash, [] { return N(S().guiderRaBacklash); }, kLatestRaBacklash,
     [] { return N(G().trainedSet.storedRaBacklash); }},
    {"Dec backlash", kDefaultDecBacklash, [] { return N(S().guiderDecBacklash); }, kLatestDecBacklash,
     [] { return N(G().trainedSet.storedDecBacklash); }},
    // Angles in whole degrees, as the training summary shows them.
    {"Angle", kDefaultAngle, [] { return N(WholeDegrees(S().guiderAngle)); }, kTheta,
     [] { return N(G().trainedSet.ThetaDegrees()); }}};

// A row of controls at the bottom of a group.
QHBoxLayout* Row(QBoxLayout* into) {
    auto* row = new QHBoxLayout;
    into->addLayout(row);
    return row;
}

// While the "Start" loop runs, a left-button press anywhere in the program
// ends it (the press still reaches its window); keys and the right button do
// not.
class LeftPressStops : public QObject {
public:
    explicit LeftPressStops(bool& stop) : stop_(stop) {
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    }
    ~LeftPressStops() override {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            stop_ = true;
        return false;
    }

private:
    bool& stop_;
};

}  // namespace

// ---- The picture area ------------------------------------------------------------

GuiderFrameView::GuiderFrameView(QWidget* parent) : QWidget(parent) {
    setObjectName("guiderFrame");
    setFixedSize(kGuiderWidth + 20, 45 + kGuiderRows + 10);
    setMouseTracking(true);
}

void GuiderFrameView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::darkGray);
    const int width = GuiderWidthNow();
    const GuiderDialogState& d = D();
    const std::vector<uint8_t> bytes =
        GuiderDisplayBytes(State().guiderA, width, kGuiderRows, d.stretchImages, d.stretch, d.black);
    QImage image(bytes.data(), width, kGuiderRows, width, QImage::Format_Grayscale8);
    const int left = OffsetNow() + 10;
    p.drawImage(left, 45, image);
    const GuiderState& g = G();
    if (g.starSelected) {
        p.setPen(Qt::green);
        const int x = left + g.starX, y = 45 + g.starY;
        p.drawLine(x - 20, y, x + 20, y);
        p.drawLine(x, y - 20, x, y + 20);
    }
    // The star positions of the last training.
    p.setPen(Qt::yellow);
    for (const auto& [mx, my] : d.trainingMarks) p.drawEllipse(QPoint(left + mx, 45 + my), 3, 3);
}

void GuiderFrameView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (onRelease) onRelease(at.x(), at.y(), event->button());
}

void GuiderFrameView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (onMove) onMove(at.x(), at.y());
}

// ---- The dialog ---------------------------------------------------------------------

TGCamDialog::TGCamDialog(QWidget* parent)
    : QDialog(parent), controls_(this, [this] { Refresh(); }), display_(std::make_unique<DialogGuidingDisplay>(*this)) {
    setObjectName("TGCamDialog");
    FollowPhotoGuiding();
    // The stored Bin 2x2 choice is the guider exposure's.
    E().binned = S().guiderOption82 && S().guiderType == 's';
    setWindowTitle(kGuiderDialogCaption);
    setModal(false);
    Build();
    Refresh();
}

TGCamDialog::~TGCamDialog() { StopManualMove(); }

void TGCamDialog::Build() {
    auto* grid = new QGridLayout(this);
    view_ = new GuiderFrameView;
    view_->onRelease = [this](int x, int y, Qt::MouseButton b) { MouseUp(x, y, b); };
    view_->onMove = [this](int x, int y) { MouseMove(x, y); };
    grid->addWidget(view_, 0, 0, 3, 2);

    auto group = [&](const char* title, int row, int column) { return controls_.Group(grid, title, row, column); };
    auto buttons = [&](QBoxLayout* into, std::span<const Button> table) {
        for (const Button& b : table) {
            auto* button = WithId(new QPushButton(b.caption), b.id);
            button->setAutoDefault(false);
            into->addWidget(button);
            connect(button, &QPushButton::clicked, this, [this, id = b.id] { OnButton(id); });
            if (b.redrawn) controls_.OnRedraw([button, caption = b.redrawn] { button->setText(caption()); });
        }
    };
    // Check boxes and radio buttons show the records; their clicks are
    // button actions (the action decides).
    auto toggle = [&](QBoxLayout* into, QAbstractButton* button, const Toggle& t) {
        into->addWidget(button);
        connect(button, &QAbstractButton::clicked, this, [this, id = t.id] { OnButton(id); });
        controls_.OnRedraw([button, isOn = t.isOn] { button->setChecked(isOn()); });
    };
    auto checks = [&](QBoxLayout* into, std::span<const Toggle> table) {
        for (const Toggle& t : table) toggle(into, WithId(new QCheckBox(t.caption), t.id), t);
    };
    auto radios = [&](QBoxLayout* into, std::span<const Toggle> table) {
        for (const Toggle& t : table) {
            auto* radio = WithId(new QRadioButton(t.caption), t.id);
            radio->setAutoExclusive(false);
            toggle(into, radio, t);
        }
    };
    auto readings = [&](QBoxLayout* into, std::span<const Reading> table) {
        for (const Reading& r : table) {
            if (r.label) into->addWidget(new QLabel(r.label));
            controls_.Text(into, r.id, r.content);
        }
    };
    auto edit = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Edit(into, id, content);
    };

    // Exposure.
    auto* exposure = group("Exposure", 0, 2);
    radios(exposure, kExposureRanges);
    auto* valueRow = Row(exposure);
    readings(valueRow, kExposureReading);
    ScrollBar(valueRow, kExposureArrows, Qt::Vertical, [] { return kExposureMinimum; },
              [] { return ExposureMaximum(E().unit); }, [] { return E().value; });
    buttons(Row(exposure), kStartStop);

    // Display and saving.
    auto* display = group("Display", 1, 2);
    auto* stretchRow = Row(display);
    ScrollBar(stretchRow, kStretchBar, Qt::Horizontal, [] { return kStretchMinimum; },
              [] { return kStretchMaximum; }, [] { return D().stretch; });
    readings(stretchRow, kStretchReading);
    checks(display, kDisplayChecks);
    readings(display, kAutosaveReadings);

    // Dark frame.
    auto* dark = group("Dark Frame", 2, 2);
    buttons(dark, kDarkButton);
    checks(dark, kDarkChecks);
    readings(dark, kDarkReading);

    // Star and cursor.
    auto* star = group("Guide Star", 3, 0);
    buttons(star, kStarButton);
    readings(Row(star), kCursorReadings);
    readings(Row(star), kStarReadings);

    // Guider calibration, training and guiding.
    auto* calibration = group("Guider Calibration", 3, 1);
    buttons(Row(calibration), kTrainButtons);
    readings(calibration, kUsingReading);
    auto* table = new QGridLayout;
    calibration->addLayout(table);
    for (int i = 0; i < 5; ++i) table->addWidget(new QLabel(kCalibrationColumns[i].head), 0, i + 1);
    table->addWidget(new QLabel("Default"), 1, 0);
    table->addWidget(new QLabel("Latest"), 2, 0);
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QHBoxLayout;
        table->addLayout(cell, 1, i + 1);
        defaults_[i] = edit(cell, kCalibrationColumns[i].defaultId, kCalibrationColumns[i].defaultValue);
    }
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QHBoxLayout;
        table->addLayout(cell, 2, i + 1);
        controls_.Text(cell, kCalibrationColumns[i].latestId, kCalibrationColumns[i].latestValue);
    }
    buttons(Row(calibration), kCalibrationButtons);
    checks(calibration, kCalibrationChecks);
    buttons(Row(calibration), kGuideButtons);
    readings(calibration, kKeptReadings);
    auto* keptRow = Row(calibration);
    buttons(keptRow, kKeptButtons);
    keptRow->addWidget(new QLabel("Focal length (mm):"));
    QLineEdit* focal = edit(keptRow, kFocalLength, [] { return QString::number(G().focalLengthMm, 'g', 10); });
    connect(focal, &QLineEdit::editingFinished, this, [this, focal] {
        double mm = 0;
        if (ParseFocalLength(focal->text(), mm) && mm != G().focalLengthMm) {
            G().focalLengthMm = mm;
            SaveGuidingFile();
        }
        Refresh();  // a refused text shows the kept value again
    });
    {
        // The correction rule and the smooth rule's parameters.
        auto* ruleButton = new QPushButton("Correction Rule...");
        ruleButton->setObjectName("correctionRule");
        ruleButton->setAutoDefault(false);
        calibration->addWidget(ruleButton);
        connect(ruleButton, &QPushButton::clicked, this, [this] {
            SmoothRuleDialog dialog(this);
            dialog.exec();
        });
    }

    // Move Telescope.
    auto* move = group("Move Telescope", 3, 2);
    auto* moveRow = Row(move);
    // The move bars are the telescope dialogs' arrows: an arrow starts the
    // move and the mouse release stops it.
    for (auto [barId, barOrientation] : {std::pair{kMoveLeftRight, Qt::Horizontal}, std::pair{kMoveUpDown, Qt::Vertical}}) {
        // Plain copies: the lambdas below capture them (clang 14 cannot
        // capture structured bindings).
        const int id = barId;
        const Qt::Orientation orientation = barOrientation;
        auto* bar = WithId(new TScopeScrollBar(
                               orientation,
                               [this, id](int step) { Scroll(id, step < 0 ? GuiderScroll::LineUp : GuiderScroll::LineDown); },
                               [this, id] { Scroll(id, GuiderScroll::EndScroll); }),
                           id);
        bar->setMinimumWidth(orientation == Qt::Horizontal ? 100 : 16);
        moveRow->addWidget(bar);
    }
    buttons(move, kModeButton);
    readings(move, kModeReading);

    // AO unit.
    auto* ao = group("AO Unit      Default    Latest", 4, 0);
    auto* gains = Row(ao);
    aoGains_[0] = edit(gains, kAoRaGain, [] { return N(AoRaGain(S())); });
    aoGains_[1] = edit(gains, kAoDecGain, [] { return N(AoDecGain(S())); });
    gains->addWidget(new QLabel("Latest"));
    auto* latestAo = new QLabel;
    latestAo->setObjectName("aoLatest");
    gains->addWidget(latestAo);
    controls_.OnRedraw([latestAo] {
        const AoTrainingResult& t = G().aoTrainedSet;
        latestAo->setText(G().aoTrained ? QStringLiteral("%1, %2").arg(t.storedRaGain).arg(t.storedDecGain) : "");
    });
    buttons(Row(ao), kAoButtons);
    readings(ao, kAoUsingReading);
    auto* aoOptions = group("AO Options", 4, 1);
    checks(aoOptions, kAoModeCheck);
    readings(aoOptions, kAoModeReading);
    radios(Row(aoOptions), kAoPorts);
    checks(aoOptions, kAoChecks);
    buttons(aoOptions, kCentraliseButton);

    auto* bottom = new QHBoxLayout;
    grid->addLayout(bottom, 4, 2);
    buttons(bottom, kDialogButtons);
    // The guiding assistant's window.
    auto* assistant = new QPushButton("Guiding Assistant...");
    assistant->setObjectName("guidingAssistant");
    assistant->setAutoDefault(false);
    bottom->insertWidget(0, assistant);
    connect(assistant, &QPushButton::clicked, this, [] { OpenGuidingAssistant(); });
}

QScrollBar* TGCamDialog::ScrollBar(QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
                                   std::function<int()> maximum, std::function<int()> value) {
    auto* bar = WithId(new QScrollBar(orientation), id);
    bar->setMinimumWidth(orientation == Qt::Horizontal ? 100 : 16);
    into->addWidget(bar);
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar, id](int action) {
        if (controls_.Redrawing()) return;
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub: Scroll(id, GuiderScroll::LineUp); break;
            case QAbstractSlider::SliderSingleStepAdd: Scroll(id, GuiderScroll::LineDown); break;
            case QAbstractSlider::SliderPageStepSub: Scroll(id, GuiderScroll::PageUp); break;
            case QAbstractSlider::SliderPageStepAdd: Scroll(id, GuiderScroll::PageDown); break;
            case QAbstractSlider::SliderMove: Scroll(id, GuiderScroll::Thumb, bar->sliderPosition()); break;
            default: break;
        }
    });
    connect(bar, &QScrollBar::sliderReleased, this, [this, id] { Scroll(id, GuiderScroll::EndScroll); });
    controls_.OnRedraw([bar, minimum, maximum, value] {
        const QSignalBlocker block(bar);
        bar->setRange(minimum(), maximum());
        bar->setValue(value());
    });
    return bar;
}

void TGCamDialog::closeEvent(QCloseEvent* event) {
    D().stopRequested = true;
    StopManualMove();  // no move outlives the dialog
    QDialog::closeEvent(event);
}

void TGCamDialog::Refresh() {
    controls_.Redraw();
    view_->update();
}

void TGCamDialog::Scroll(int id, GuiderScroll action, int thumb) {
    if (G().training && action != GuiderScroll::EndScroll) return;
    switch (id) {
        case kExposureArrows: ScrollExposure(E(), action); break;
        case kStretchBar: ScrollStretch(D(), action, thumb); break;
        case kMoveLeftRight:
        case kMoveUpDown: {
            // The guide socket's relays, or the slew rate selected in the
            // telescope dialog and the move command; the stop releases them.
            const ManualMove m = ManualMoveFor(S(), id, action, TelescopeControl().moving);
            if (m.kind == ManualMove::Start) {
                PrepareTelescopeLink();
                StartManualMove(m.letter);
            } else if (m.kind == ManualMove::Stop) {
                StopManualMove();
            } else if (m.kind == ManualMove::AoMove) {
                PrepareTelescopeLink();
                TelescopeAction action;
                AoMountMove(kManualAoSteps, m.letter);
            }
            break;
        }
        default: return;
    }
    Refresh();
}

void TGCamDialog::MouseUp(int x, int y, Qt::MouseButton button) {
    if (button == Qt::RightButton) StopManualMove();
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    GuiderDialogState& d = D();
    if (!d.pickArmed || G().training) return;
    const int width = GuiderWidthNow();
    const GuiderStarFinder find = finder_ ? finder_ : GuiderStarFinder(FindGuiderStarOnce);
    const auto moveCursor = [this](int cx, int cy) { QCursor::setPos(view_->mapToGlobal(QPoint(cx, cy))); };
    if (PickGuideStar(d, x, y, OffsetNow(), S().guideStarMaskRadius, width, find, moveCursor)) unsetCursor();
    Refresh();
}

void TGCamDialog::MouseMove(int x, int y) {
    if (TrackCursor(D(), x, y, OffsetNow(), GuiderWidthNow(), State().guiderA)) controls_.Redraw();
}

void TGCamDialog::OnButton(int id) {
    GuiderDialogState& d = D();
    GuiderState& g = G();
    Settings& s = S();
    // While a training runs the other actions are ignored.
    if (g.training) return;
    if (id == kStartGuiding && g.guiding) {
        g.guiding = false;  // "Stop Guiding"
        return;
    }
    if (LongAction(id) && (g.guiding || d.exposing)) {
        // One long action at a time: a running series of exposures ends
        // (this press ends it too) and the action follows it.
        if (d.exposing) {
            d.stopRequested = true;
            pending_ = id;
        }
        return;
    }
    TelescopeAction action;  // one message from a PC port that cannot be opened
    bool save = false;
    switch (id) {
        case kHundredths: SetExposureRange(E(), 'h'); break;
        case kTenths: SetExposureRange(E(), 't'); break;
        case kSeconds: SetExposureRange(E(), 's'); break;
        case kStart: {
            {
                const LeftPressStops leftPress(d.stopRequested);
                RunGuiderExposures(d, [this] { Refresh(); });
            }
            const int next = std::exchange(pending_, 0);
            Refresh();
            if (next) OnButton(next);
            return;
        }
        case kStop: d.stopRequested = true; return;
        case kSelectGuideStar:
            d.pickArmed = true;
            setCursor(Qt::CrossCursor);
            break;
        case kTrain:
        case kAoTrain: {
            GuidingContext context;
            context.display = display_.get();
            d.trainingMarks.clear();
            PrepareTelescopeLink();
            if (id == kTrain) RunGuiderTraining(context);
            else RunAoTraining(context);
            setWindowTitle(kGuiderDialogCaption);
            break;
        }
        case kUseDefault:
            ToggleUseTrained(g.useTrained, g.trained);
            SaveGuidingFile();
            break;
        case kClearCalibration: ClearGuidingCalibration(); break;
        case kAoUseDefault: ToggleUseTrained(g.aoUseTrained, g.aoTrained); break;
        case kChangeDefaults:
            ChangeGuiderDefaults(s, defaults_[0]->text().toStdString(), defaults_[1]->text().toStdString(),
                                 defaults_[2]->text().toStdString(), defaults_[3]->text().toStdString(),
                                 defaults_[4]->text().toStdString());
            save = true;
            break;
        case kSaveLatest: SaveLatestGuider(s, g); save = true; break;
        case kAoChangeDefaults:
            ChangeAoGains(s, aoGains_[0]->text().toStdString(), aoGains_[1]->text().toStdString());
            save = true;
            break;
        case kAoSaveLatest: SaveLatestAo(s, g); save = true; break;
        case kIgnoreBacklash: s.ignoreBacklash = !s.ignoreBacklash; save = true; break;
        case kIgnoreRaAngle: g.ignoreRaAngle = !g.ignoreRaAngle; break;
        case kSwapNorthSouth: ToggleNorthSouth(s); save = true; break;
        case kSwapEastWest: ToggleEastWest(s); save = true; break;
        case kGoToMainCamera:
            close();
            QTimer::singleShot(0, [] { RunCommand(cmd::kCameraInterface); });
            return;
        case kStartGuiding: StartGuiding(); break;
        case kTakeDark: TakeGuiderDark(d); break;
        case kApplyDark: ToggleApplyDark(E()); break;
        case kMedian: E().median = !E().median; break;
        case kStretchImages: d.stretchImages = !d.stretchImages; break;
        case kPause: d.pause = !d.pause; break;
        case kAutosaveBmp: d.autosaveBmp = !d.autosaveBmp; break;
        case kClearCamera: d.clearCamera = !d.clearCamera; break;
        case kBin2x2: save = ToggleGuiderBinning(s, E()); break;
        case kAoPortSer1:
        case kAoPortSer2:
        case kAoPortPc: SelectAoPort(s, id); save = true; break;
        case kAoSwapUpDown: SwapAoUpDown(s); save = true; break;
        case kAoSwapLeftRight: SwapAoLeftRight(s); save = true; break;
        case kSwapMountNorthSouth: SwapMountNorthSouth(s); save = true; break;
        case kSwapMountEastWest: SwapMountEastWest(s); save = true; break;
        case kAoMode: s.aoOption = !s.aoOption; save = true; break;
        case kGuidingMode: s.guidingMode = s.guidingMode == 'A' ? 'T' : 'A'; save = true; break;
        case kCentraliseAo:
            PrepareTelescopeLink();
            CentreAo();
            break;
        case kHelp: Sys().messages->Show(kGuiderHelpCaption, kGuiderHelpText, MessageIcon::None); return;
        case kClose: close(); return;
        default: return;
    }
    if (save) SaveGuiderSettings();
    Refresh();
}

void TGCamDialog::StartGuiding() {
    GuidingContext context;
    context.display = display_.get();
    PrepareTelescopeLink();
    display_->Restart();
    RunGuiderGuiding(context);
    Refresh();
}

// ---- What the loops show ------------------------------------------------------------

void DialogGuidingDisplay::Restart() {
    data_ = GuidingWindowData{};
    startMs_ = NowMs();
    if (GuidingWindow* w = CurrentGuidingWindow()) w->Plot()->ClearGraph();
}

void DialogGuidingDisplay::Caption(const std::string& text) {
    if (text.rfind(kGuiderDialogCaption, 0) == 0) {
        dialog_.setWindowTitle(QString::fromStdString(text));
        return;
    }
    OpenGuidingWindow()->SetCaption(text);
}

void DialogGuidingDisplay::Reference(double x, double y) {
    data_.refX = x;
    data_.refY = y;
}

void DialogGuidingDisplay::FrameTaken() {
    GuiderDialogState& d = D();
    d.black = GuiderBlackLevel();
    // The guiding window shows the last saved guider frame.
    ReportBitmapResult(WriteGuiderBitmap(d));
    dialog_.Refresh();
}

void DialogGuidingDisplay::TrainingPosition(int, double x, double y) {
    D().trainingMarks.push_back({int(x), int(y)});
    dialog_.Refresh();
}

void DialogGuidingDisplay::Frame(const GuidingFrameReport& report) {
    data_.report = report;
    data_.seconds = int32_t(report.timeMs - startMs_) / 1000.0;
    OpenGuidingWindow()->Update(data_);
}

void DialogGuidingDisplay::Rms(const GuidingRms& rms) {
    data_.rms = rms;
    if (GuidingWindow* w = CurrentGuidingWindow()) w->SetRms(rms);
}

// ---- Command 27 ---------------------------------------------------------------------

TGCamDialog* OpenGuiderCameraDialog() {
    auto& dialog = DialogPointer();
    if (!dialog) {
        if (!ConnectCamera()) return nullptr;
        // Closing hides the dialog: the loops it runs keep using it while
        // they pump events, so it is never deleted under them.
        dialog = new TGCamDialog(MainWindowWidget());
    }
    dialog->show();
    dialog->raise();
    return dialog;
}

TGCamDialog* CurrentGuiderCameraDialog() { return DialogPointer(); }

static const bool registered = RegisterCommand(cmd::kGuiderCamera, [] { OpenGuiderCameraDialog(); });
