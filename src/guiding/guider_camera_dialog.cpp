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

#include "acquisition/exposure_sequence.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/state.h"
#include "devices/camera.h"
#include "platform/platform.h"
#include "settings/ini_rules.h"

using namespace gcam;

namespace {

Settings& S() { return State().settings; }
GuiderDialogState& D() { return GuiderDialog(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }
QString N(int v) { return QString::number(v); }

int GuiderWidthNow() { return GuiderWidth(S().guiderType); }
int OffsetNow() { return GuiderDisplayOffset(S().guiderType); }

bool UsingTrained() {
    auto& link = GuiderLinks().useTrained;
    return link ? link() : S().guiderOption83;
}
bool AoUsingTrained() {
    auto& link = GuiderLinks().aoUseTrained;
    return link && link();
}

void Call(const std::function<void()>& f) {
    if (f) f();
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
        GuiderDisplayBytes(State().guiderA, width, kGuiderRows, d.stretchImages, d.stretch, d.mostFrequent);
    QImage image(bytes.data(), width, kGuiderRows, width, QImage::Format_Grayscale8);
    const int left = OffsetNow() + 10;
    p.drawImage(left, 45, image);
    if (d.starSelected) {
        p.setPen(Qt::green);
        const int x = left + d.starX, y = 45 + d.starY;
        p.drawLine(x - 20, y, x + 20, y);
        p.drawLine(x, y - 20, x, y + 20);
    }
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

TGCamDialog::TGCamDialog(QWidget* parent) : QDialog(parent), controls_(this, [this] { Refresh(); }) {
    setObjectName("TGCamDialog");
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
    radio(exposure, kHundredths, "Hundredths", [] { return D().range == 'h'; });
    radio(exposure, kTenths, "Tenths", [] { return D().range == 't'; });
    radio(exposure, kSeconds, "Seconds", [] { return D().range == 's'; });
    auto* valueRow = new QHBoxLayout;
    exposure->addLayout(valueRow);
    text(valueRow, kExposureValue, [] { return N(D().value); });
    scroll(valueRow, kExposureArrows, Qt::Vertical, [] { return D().minimum; }, [] { return D().maximum; },
           [] { return D().value; });
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
    actionCheck(display, kMedian, "Apply Median Filter to all Images", [] { return D().median; });
    actionCheck(display, kPause, "1 Sec Pause", [] { return D().pause; });
    actionCheck(display, kBin2x2, "Bin 2x2", [] { return S().guiderOption82; });
    actionCheck(display, kClearCamera, "Clear camera", [] { return D().clearCamera; });
    actionCheck(display, kAutosaveBmp, "Autosave Images as BMP", [] { return D().autosaveBmp; });
    text(display, kAutosaveDir, [] { return Q(AutosaveDirectory()); });
    text(display, kAutosaveNumber, [] { return N(uint16_t(S().guiderAutosaveCounter)); });

    // Dark frame.
    auto* dark = group("Dark Frame", 2, 2);
    button(dark, kTakeDark, "Take DarkFrame");
    actionCheck(dark, kApplyDark, "Apply DarkFrame", [] { return D().darkApplied; });
    text(dark, kDarkText, [] { return Q(DarkFrameText(D())); });

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
    text(starRow, kStarX, [] { return N(D().starSelected ? D().starX : 0); });
    text(starRow, kStarY, [] { return N(D().starSelected ? D().starY : 0); });

    // Guider calibration, training and guiding.
    auto* calibration = group("Guider Calibration", 3, 1);
    auto* trainRow = new QHBoxLayout;
    calibration->addLayout(trainRow);
    button(trainRow, kTrain, "Train");
    auto* useDefault = button(trainRow, kUseDefault, "Use Default");
    controls_.OnRedraw([useDefault] {
        useDefault->setText(Q(UseDefaultButtonText(UsingTrained(), TrainedValues().trained)));
    });
    text(calibration, kUsingText, [] { return Q(UsingValsText(UsingTrained())); });
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
        [] { return N(TrainedValues().raRate); },     [] { return N(TrainedValues().decRate); },
        [] { return N(TrainedValues().raBacklash); }, [] { return N(TrainedValues().decBacklash); },
        [] { return N(int(TrainedValues().theta)); }};
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
    actionCheck(calibration, kIgnoreRaAngle, "Ignore RA Angle", [] { return S().guiderOption57; });
    actionCheck(calibration, kSwapNorthSouth, "Swap n/s direction", [] { return NorthSouthSwapped(S()); });
    actionCheck(calibration, kSwapEastWest, "Swap e/w direction", [] { return EastWestSwapped(S()); });
    auto* guideRow = new QHBoxLayout;
    calibration->addLayout(guideRow);
    auto* startGuiding = button(guideRow, kStartGuiding, "Start Guiding");
    controls_.OnRedraw([startGuiding] {
        const auto& guiding = GuiderLinks().guiding;
        startGuiding->setText(guiding && guiding() ? "Stop Guiding" : "Start Guiding");
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
        const GuiderTrainedValues t = TrainedValues();
        latestAo->setText(QStringLiteral("%1, %2").arg(t.aoRaGain).arg(t.aoDecGain));
    });
    auto* aoButtons = new QHBoxLayout;
    ao->addLayout(aoButtons);
    button(aoButtons, kAoTrain, "Train");
    auto* aoUseDefault = button(aoButtons, kAoUseDefault, "Use Default");
    controls_.OnRedraw([aoUseDefault] {
        aoUseDefault->setText(Q(UseDefaultButtonText(AoUsingTrained(), TrainedValues().aoTrained)));
    });
    button(aoButtons, kAoChangeDefaults, "Change Defaults");
    button(aoButtons, kAoSaveLatest, "Save Latest");
    text(ao, kAoUsingText, [] { return Q(UsingValsText(AoUsingTrained())); });
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
    if (D().training) return;
    switch (id) {
        case kExposureArrows: ScrollExposure(D(), action); break;
        case kStretchBar: ScrollStretch(D(), action, thumb); break;
        case kMoveLeftRight:
        case kMoveUpDown: {
            const ManualMove m = ManualMoveFor(S(), id, action, moving_);
            const GuiderDialogLinks& links = GuiderLinks();
            if (m.kind == ManualMove::Start && links.startMove) {
                links.startMove(m.letter);
                moving_ = true;
            } else if (m.kind == ManualMove::Stop) {
                Call(links.stopMove);
                moving_ = false;
            } else if (m.kind == ManualMove::AoMove && links.aoMountMove) {
                links.aoMountMove(m.letter, kManualAoSteps);
            }
            break;
        }
        default: return;
    }
    Refresh();
}

void TGCamDialog::MouseUp(int x, int y, Qt::MouseButton button) {
    if (button == Qt::RightButton && moving_) {
        Call(GuiderLinks().stopMove);
        moving_ = false;
    }
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    GuiderDialogState& d = D();
    if (!d.pickArmed || d.training) return;
    const int width = GuiderWidthNow();
    const GuiderStarFinder& find = GuiderLinks().findStar;
    if (!find) return;
    const auto moveCursor = [this](int cx, int cy) { QCursor::setPos(view_->mapToGlobal(QPoint(cx, cy))); };
    if (PickGuideStar(d, x, y, OffsetNow(), S().guideStarMaskRadius, width, find, moveCursor)) unsetCursor();
    Refresh();
}

void TGCamDialog::MouseMove(int x, int y) {
    if (TrackCursor(D(), x, y, OffsetNow(), GuiderWidthNow(), State().guiderA)) controls_.Redraw();
}

void TGCamDialog::OnButton(int id) {
    GuiderDialogState& d = D();
    Settings& s = S();
    const GuiderDialogLinks& links = GuiderLinks();
    // While a training runs the other actions are ignored.
    if (d.training) return;
    bool save = false;
    switch (id) {
        case kHundredths: SetExposureRange(d, 'h'); break;
        case kTenths: SetExposureRange(d, 't'); break;
        case kSeconds: SetExposureRange(d, 's'); break;
        case kStart:
            if (d.exposing) return;
            RunGuiderExposures(d, [this] { Refresh(); });
            break;
        case kStop: d.stopRequested = true; return;
        case kSelectGuideStar:
            d.pickArmed = true;
            setCursor(Qt::CrossCursor);
            break;
        case kTrain:
        case kAoTrain: {
            d.training = true;
            Call(id == kTrain ? links.train : links.aoTrain);
            d.training = false;
            setWindowTitle(kGuiderDialogCaption);
            break;
        }
        case kUseDefault:
            if (links.useTrained) ToggleUseTrained(links.useTrained(), TrainedValues().trained);
            else ToggleUseTrained(s.guiderOption83, TrainedValues().trained);
            save = true;
            break;
        case kAoUseDefault:
            if (links.aoUseTrained) ToggleUseTrained(links.aoUseTrained(), TrainedValues().aoTrained);
            save = true;
            break;
        case kChangeDefaults:
            ChangeGuiderDefaults(s, defaults_[0]->text().toStdString(), defaults_[1]->text().toStdString(),
                                 defaults_[2]->text().toStdString(), defaults_[3]->text().toStdString(),
                                 defaults_[4]->text().toStdString());
            save = true;
            break;
        case kSaveLatest: SaveLatestGuider(s, TrainedValues()); save = true; break;
        case kAoChangeDefaults:
            ChangeAoGains(s, aoGains_[0]->text().toStdString(), aoGains_[1]->text().toStdString());
            save = true;
            break;
        case kAoSaveLatest: SaveLatestAo(s, TrainedValues()); save = true; break;
        case kIgnoreBacklash: s.ignoreBacklash = !s.ignoreBacklash; save = true; break;
        case kIgnoreRaAngle: s.guiderOption57 = !s.guiderOption57; save = true; break;
        case kSwapNorthSouth: ToggleNorthSouth(s); save = true; break;
        case kSwapEastWest: ToggleEastWest(s); save = true; break;
        case kGoToMainCamera:
            close();
            QTimer::singleShot(0, [] { RunCommand(cmd::kCameraInterface); });
            return;
        case kStartGuiding:
            if (links.guiding && links.guiding()) Call(links.stopGuiding);
            else Call(links.startGuiding);
            break;
        case kTakeDark: TakeGuiderDark(d); break;
        case kApplyDark: ToggleApplyDark(d); break;
        case kMedian: d.median = !d.median; break;
        case kStretchImages: d.stretchImages = !d.stretchImages; break;
        case kPause: d.pause = !d.pause; break;
        case kAutosaveBmp: d.autosaveBmp = !d.autosaveBmp; break;
        case kClearCamera: d.clearCamera = !d.clearCamera; break;
        case kBin2x2: save = ToggleGuiderBinning(s); break;
        case kAoPortSer1:
        case kAoPortSer2:
        case kAoPortPc: SelectAoPort(s, id); save = true; break;
        case kAoSwapUpDown: SwapAoUpDown(s); save = true; break;
        case kAoSwapLeftRight: SwapAoLeftRight(s); save = true; break;
        case kSwapMountNorthSouth: SwapMountNorthSouth(s); save = true; break;
        case kSwapMountEastWest: SwapMountEastWest(s); save = true; break;
        case kAoMode: s.aoOption = !s.aoOption; save = true; break;
        case kGuidingMode: s.guidingMode = s.guidingMode == 'A' ? 'T' : 'A'; save = true; break;
        case kCentraliseAo: Call(links.centreAo); break;
        case kHelp: Sys().messages->Show(kGuiderHelpCaption, kGuiderHelpText, MessageIcon::None); return;
        case kClose:
            close();
            return;
        default: return;
    }
    if (save) SaveGuiderSettings();
    Refresh();
}

// ---- Command 27 ---------------------------------------------------------------------

TGCamDialog* OpenGuiderCameraDialog() {
    auto& dialog = DialogPointer();
    if (!dialog) {
        if (!ConnectCamera()) return nullptr;
        dialog = new TGCamDialog(MainWindowWidget());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialog->show();
    dialog->raise();
    return dialog;
}

TGCamDialog* CurrentGuiderCameraDialog() { return DialogPointer(); }

static const bool registered = RegisterCommand(cmd::kGuiderCamera, [] { OpenGuiderCameraDialog(); });
