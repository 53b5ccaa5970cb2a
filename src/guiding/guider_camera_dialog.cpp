#include "guiding/guider_camera_dialog.h"

#include <QCheckBox>
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
#include "guiding/guiding_loops.h"
#include "guiding/guiding_window.h"
#include "settings/ini_rules.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_control.h"
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

// Manual moves in mode 'T': the guide socket's relays, or the slew rate and
// move command (the four quit commands stop them).
void StartManualMove(char letter) {
    if (S().driveMethod == 'b') StartRelayMove(letter);
    else StartMove(kRateSlew, MoveCommand(letter));
}

void StopManualMove() {
    if (S().driveMethod == 'b') StopRelayMove();
    else StopMove();
}

QPointer<TGCamDialog>& DialogPointer() {
    static QPointer<TGCamDialog> dialog;
    return dialog;
}

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

TGCamDialog::~TGCamDialog() = default;

void TGCamDialog::Build() {
    auto* grid = new QGridLayout(this);
    view_ = new GuiderFrameView;
    view_->onRelease = [this](int x, int y, Qt::MouseButton b) { MouseUp(x, y, b); };
    view_->onMove = [this](int x, int y) { MouseMove(x, y); };
    grid->addWidget(view_, 0, 0, 3, 2);

    auto group = [&](const char* title, int row, int column, int rowSpan = 1) {
        return controls_.Group(grid, title, row, column, rowSpan);
    };
    auto button = [&](QBoxLayout* into, int id, const char* text) {
        auto* b = WithId(new QPushButton(text), id);
        b->setAutoDefault(false);
        into->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id] { OnButton(id); });
        return b;
    };
    // A check box whose click is a button action (the action decides).
    auto actionCheck = [&](QBoxLayout* into, int id, const char* text, std::function<bool()> isOn) {
        auto* box = WithId(new QCheckBox(text), id);
        into->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, id] { OnButton(id); });
        controls_.OnRedraw([box, isOn] { box->setChecked(isOn()); });
        return box;
    };
    auto radio = [&](QBoxLayout* into, int id, const char* text, std::function<bool()> isOn) {
        auto* b = WithId(new QRadioButton(text), id);
        b->setAutoExclusive(false);
        into->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, id] { OnButton(id); });
        controls_.OnRedraw([b, isOn] { b->setChecked(isOn()); });
        return b;
    };
    auto text = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Text(into, id, content);
    };
    auto edit = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Edit(into, id, content);
    };
    auto scroll = [&](QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
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
    };

    // Exposure.
    auto* exposure = group("Exposure", 0, 2);
    radio(exposure, kHundredths, "Hundredths", [] { return E().unit == 'h'; });
    radio(exposure, kTenths, "Tenths", [] { return E().unit == 't'; });
    radio(exposure, kSeconds, "Seconds", [] { return E().unit == 's'; });
    auto* valueRow = new QHBoxLayout;
    exposure->addLayout(valueRow);
    text(valueRow, kExposureValue, [] { return N(E().value); });
    scroll(valueRow, kExposureArrows, Qt::Vertical, [] { return kExposureMinimum; },
           [] { return ExposureMaximum(E().unit); }, [] { return E().value; });
    auto* startStop = new QHBoxLayout;
    exposure->addLayout(startStop);
    button(startStop, kStart, "Start");
    button(startStop, kStop, "Stop");

    // Display and saving.
    auto* display = group("Display", 1, 2);
    auto* stretchRow = new QHBoxLayout;
    display->addLayout(stretchRow);
    scroll(stretchRow, kStretchBar, Qt::Horizontal, [] { return kStretchMinimum; }, [] { return kStretchMaximum; },
           [] { return D().stretch; });
    text(stretchRow, kStretchValue, [] { return N(D().stretch); });
    actionCheck(display, kStretchImages, "Apply Stretch to Guider Images", [] { return D().stretchImages; });
    actionCheck(display, kMedian, "Apply Median Filter to all Images", [] { return E().median; });
    actionCheck(display, kPause, "1 Sec Pause", [] { return D().pause; });
    actionCheck(display, kBin2x2, "Bin 2x2", [] { return S().guiderOption82; });
    actionCheck(display, kClearCamera, "Clear camera", [] { return D().clearCamera; });
    actionCheck(display, kAutosaveBmp, "Autosave Images as BMP", [] { return D().autosaveBmp; });
    text(display, kAutosaveDir, [] { return Q(AutosaveDirectory()); });
    text(display, kAutosaveNumber, [] { return N(uint16_t(S().guiderAutosaveCounter)); });

    // Dark frame.
    auto* dark = group("Dark Frame", 2, 2);
    button(dark, kTakeDark, "Take DarkFrame");
    actionCheck(dark, kApplyDark, "Apply DarkFrame", [] { return E().applyDark; });
    text(dark, kDarkText, [] { return Q(DarkFrameText(E(), D().darkText)); });

    // Star and cursor.
    auto* star = group("Guide Star", 3, 0);
    button(star, kSelectGuideStar, "Select Guide Star");
    auto* cursorRow = new QHBoxLayout;
    star->addLayout(cursorRow);
    cursorRow->addWidget(new QLabel("Cursor"));
    text(cursorRow, kCursorX, [] { return N(D().cursorX); });
    text(cursorRow, kCursorY, [] { return N(D().cursorY); });
    cursorRow->addWidget(new QLabel("Value"));
    text(cursorRow, kPixelValue, [] { return N(D().cursorValue); });
    auto* starRow = new QHBoxLayout;
    star->addLayout(starRow);
    starRow->addWidget(new QLabel("Star"));
    text(starRow, kStarX, [] { return N(G().starSelected ? G().starX : 0); });
    text(starRow, kStarY, [] { return N(G().starSelected ? G().starY : 0); });

    // Guider calibration, training and guiding.
    auto* calibration = group("Guider Calibration", 3, 1);
    auto* trainRow = new QHBoxLayout;
    calibration->addLayout(trainRow);
    button(trainRow, kTrain, "Train");
    auto* useDefault = button(trainRow, kUseDefault, "Use Default");
    controls_.OnRedraw([useDefault] {
        useDefault->setText(Q(UseDefaultButtonText(G().useTrained, G().trained)));
    });
    text(calibration, kUsingText, [] { return Q(UsingValsText(G().useTrained)); });
    auto* table = new QGridLayout;
    calibration->addLayout(table);
    const char* heads[] = {"RA rate", "Dec rate", "RA backlash", "Dec backlash", "Angle"};
    for (int i = 0; i < 5; ++i) table->addWidget(new QLabel(heads[i]), 0, i + 1);
    table->addWidget(new QLabel("Default"), 1, 0);
    table->addWidget(new QLabel("Latest"), 2, 0);
    const std::function<QString()> defaultsText[] = {
        [] { return N(S().guiderRaPixelsPerSecond); }, [] { return N(S().guiderDecPixelsPerSecond); },
        [] { return N(S().guiderRaBacklash); },        [] { return N(S().guiderDecBacklash); },
        [] { return QString::number(S().guiderAngle); }};
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QHBoxLayout;
        table->addLayout(cell, 1, i + 1);
        defaults_[i] = edit(cell, kDefaultRaRate + i, defaultsText[i]);
    }
    const std::function<QString()> latestText[] = {
        [] { return N(G().trainedSet.storedRaRate); },     [] { return N(G().trainedSet.storedDecRate); },
        [] { return N(G().trainedSet.storedRaBacklash); }, [] { return N(G().trainedSet.storedDecBacklash); },
        [] { return N(int(G().trainedSet.theta)); }};
    for (int i = 0; i < 5; ++i) {
        auto* cell = new QHBoxLayout;
        table->addLayout(cell, 2, i + 1);
        text(cell, kLatestRaRate + i, latestText[i]);
    }
    auto* calibrationButtons = new QHBoxLayout;
    calibration->addLayout(calibrationButtons);
    button(calibrationButtons, kChangeDefaults, "Change Defaults");
    button(calibrationButtons, kSaveLatest, "Save Latest");
    actionCheck(calibration, kIgnoreBacklash, "Ignore Backlash", [] { return S().ignoreBacklash; });
    actionCheck(calibration, kIgnoreRaAngle, "Ignore RA Angle", [] { return G().ignoreRaAngle; });
    actionCheck(calibration, kSwapNorthSouth, "Swap n/s direction", [] { return NorthSouthSwapped(S()); });
    actionCheck(calibration, kSwapEastWest, "Swap e/w direction", [] { return EastWestSwapped(S()); });
    auto* guideRow = new QHBoxLayout;
    calibration->addLayout(guideRow);
    auto* startGuiding = button(guideRow, kStartGuiding, "Start Guiding");
    controls_.OnRedraw([startGuiding] {
        startGuiding->setText(G().guiding ? "Stop Guiding" : "Start Guiding");
    });
    button(guideRow, kGoToMainCamera, "Go to Main Camera");

    // Move Telescope.
    auto* move = group("Move Telescope", 3, 2);
    auto* moveRow = new QHBoxLayout;
    move->addLayout(moveRow);
    scroll(moveRow, kMoveLeftRight, Qt::Horizontal, [] { return 0; }, [] { return 2; }, [] { return 1; });
    scroll(moveRow, kMoveUpDown, Qt::Vertical, [] { return 0; }, [] { return 2; }, [] { return 1; });
    button(move, kGuidingMode, "Guiding Mode");
    text(move, kGuidingModeText, [] { return Q(GuidingModeText(S().guidingMode)); });

    // AO unit.
    auto* ao = group("AO Unit      Default    Latest", 4, 0, 1);
    auto* gains = new QHBoxLayout;
    ao->addLayout(gains);
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
    auto* aoButtons = new QHBoxLayout;
    ao->addLayout(aoButtons);
    button(aoButtons, kAoTrain, "Train");
    auto* aoUseDefault = button(aoButtons, kAoUseDefault, "Use Default");
    controls_.OnRedraw([aoUseDefault] {
        aoUseDefault->setText(Q(UseDefaultButtonText(G().aoUseTrained, G().aoTrained)));
    });
    button(aoButtons, kAoChangeDefaults, "Change Defaults");
    button(aoButtons, kAoSaveLatest, "Save Latest");
    text(ao, kAoUsingText, [] { return Q(UsingValsText(G().aoUseTrained)); });
    auto* aoOptions = group("AO Options", 4, 1);
    actionCheck(aoOptions, kAoMode, "AO Mode", [] { return S().aoOption; });
    text(aoOptions, kAoModeText, [] { return Q(AoModeText(S().aoOption)); });
    auto* ports = new QHBoxLayout;
    aoOptions->addLayout(ports);
    radio(ports, kAoPortSer1, "Ser 1", [] { return S().aoPort == 1; });
    radio(ports, kAoPortSer2, "Ser 2", [] { return S().aoPort == 0; });
    radio(ports, kAoPortPc, "PC ", [] { return S().aoPort == 3; });
    actionCheck(aoOptions, kAoSwapUpDown, "Swap Up/Down", [] { return AoUpDownSwapped(S()); });
    actionCheck(aoOptions, kAoSwapLeftRight, "Swap Left/Right", [] { return AoLeftRightSwapped(S()); });
    actionCheck(aoOptions, kSwapMountNorthSouth, "Swap Mount N/S", [] { return MountNorthSouthSwapped(S()); });
    actionCheck(aoOptions, kSwapMountEastWest, "Swap Mount E/W", [] { return MountEastWestSwapped(S()); });
    button(aoOptions, kCentraliseAo, "Centralise AO");

    auto* buttons = new QHBoxLayout;
    grid->addLayout(buttons, 4, 2);
    button(buttons, kHelp, "Help");
    button(buttons, kClose, "Close");
}

void TGCamDialog::closeEvent(QCloseEvent* event) {
    D().stopRequested = true;
    QDialog::closeEvent(event);
}

void TGCamDialog::Refresh() {
    controls_.Redraw();
    view_->update();
}

void TGCamDialog::Scroll(int id, GuiderScroll action, int thumb) {
    if (G().training) return;
    switch (id) {
        case kExposureArrows: ScrollExposure(E(), action); break;
        case kStretchBar: ScrollStretch(D(), action, thumb); break;
        case kMoveLeftRight:
        case kMoveUpDown: {
            const ManualMove m = ManualMoveFor(S(), id, action, moving_);
            if (m.kind == ManualMove::Start) {
                PrepareTelescopeLink();
                StartManualMove(m.letter);
                moving_ = true;
            } else if (m.kind == ManualMove::Stop) {
                StopManualMove();
                moving_ = false;
            } else if (m.kind == ManualMove::AoMove) {
                PrepareTelescopeLink();
                AoMountMove(kManualAoSteps, m.letter);
            }
            break;
        }
        default: return;
    }
    Refresh();
}

void TGCamDialog::MouseUp(int x, int y, Qt::MouseButton button) {
    if (button == Qt::RightButton && moving_) {
        StopManualMove();
        moving_ = false;
    }
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
    bool save = false;
    switch (id) {
        case kHundredths: SetExposureRange(E(), 'h'); break;
        case kTenths: SetExposureRange(E(), 't'); break;
        case kSeconds: SetExposureRange(E(), 's'); break;
        case kStart: {
            RunGuiderExposures(d, [this] { Refresh(); });
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
        case kUseDefault: ToggleUseTrained(g.useTrained, g.trained); break;
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
