#include "acquisition/camera_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cstdio>
#include <span>

#include "acquisition/acquisition_ids.h"
#include "acquisition/focus.h"
#include "core/bound_controls.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "platform/platform.h"

using namespace acq;

namespace {

CameraSettings& C() { return Cam(); }

QString Two(int v) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d", v);
    return QString::fromLatin1(text);
}

QString Number(int v) { return QString::number(v); }

// The dialog's tables: each group's controls top to bottom (or left to
// right), with their ids, captions and what they show and change.

// A radio button showing one value of a setting.
struct Choice {
    int id;
    const char* caption;
    int value;
};

constexpr Choice kExposureUnits[] = {{kIdUnitThousandths, "Thousandths", 'q'},
                                     {kIdUnitHundredths, "Hundredth's", 'h'},
                                     {kIdUnitTenths, "Tenth's", 't'},
                                     {kIdUnitSeconds, "Seconds", 's'},
                                     {kIdUnitMinutes, "Minutes", 'm'}};
constexpr Choice kExposureModes[] = {{kIdModeHighRes, "High Resolution", kModeHighRes},
                                     {kIdModeBin2, "Binned 2x2", kModeBin2},
                                     {kIdModeBin3, "Binned 3x3", kModeBin3},
                                     {kIdModeBin4, "Binned 4x4", kModeBin4},
                                     {kIdModeBin8, "Binned 8x8", kModeBin8},
                                     {kIdModeBin8x16, "Binned 8x16", kModeBin8x16},
                                     {kIdModeSubFrame, "User Defined SubFrame", kModeSubFrame}};
constexpr Choice kDelayUnits[] = {{kIdDelaySeconds, "Seconds", 's'}, {kIdDelayMinutes, "Minutes", 'm'}};

// A check box showing a flag of the camera settings; a click toggles it.
struct Check {
    int id;
    const char* caption;
    bool CameraSettings::*field;
};

constexpr Check kSeriesChecks[] = {{kIdContinuous, "Continuous Mode  ", &CameraSettings::continuous},
                                   {kIdAverage, "Average Multiple Exposures", &CameraSettings::averaging},
                                   {kIdDelayBefore, "Delay before exposure", &CameraSettings::delayBefore}};
constexpr Check kAutoSaveCheck[] = {{kIdAutoSave, "Auto Save Image", &CameraSettings::autoSave}};
constexpr Check kProcessingChecks[] = {{kIdAutoDark, "Auto-Remove Dark Frame", &CameraSettings::autoDark},
                                       {kIdAutoFlat, "Auto-Apply Flatfield", &CameraSettings::autoFlat},
                                       {kIdAutoProcess, "Apply Auto-Processing", &CameraSettings::autoProcess},
                                       {kIdAutochange, "Autochange Exposure", &CameraSettings::autochange},
                                       {kIdAltSlew, "Alternative Slew Method", &CameraSettings::altSlew}};
constexpr Check kFocusChecks[] = {{kIdBinFocusFrame, "Bin Focus Frame", &CameraSettings::binFocusFrame}};
constexpr Check kCameraChecks[] = {{kIdDarkFrame, "Dark Frame (VelmoraHazel Only)", &CameraSettings::darkFrame},
                                   {kIdTrigger, "Wait for External Trigger", &CameraSettings::trigger}};

// A shown value, with its label in front when it has one.
struct Reading {
    const char* label;
    int id;
    QString (*content)();
};

constexpr Reading kFocusReadings[] = {{"Max Value", kIdMaxValue, [] { return Number(C().maxValue); }},
                                      {"FWHM", kIdFwhm, [] { return Number(C().fwhm); }}};
constexpr Reading kCoolerReadings[] = {{"Actual", kIdCoolerActual, [] { return Two(Session().coolerTemperature); }},
                                       {"Set", kIdCoolerSet, [] { return Two(C().coolerSetPoint); }}};
constexpr Reading kCoolingReading[] = {
    {nullptr, kIdCoolingText, [] { return QString::fromStdString(CoolingText(State().settings.maximumCooling)); }}};
constexpr Reading kFirmwareReading[] = {
    {"Camera Firmware", kIdFirmware, [] { return QString::fromStdString(Camera().firmwareText); }}};
constexpr Reading kFilterReadings[] = {
    {nullptr, kIdFilterNumber, [] { return Number(FilterWheel().current); }},
    {nullptr, kIdFilterName, [] { return QString::fromStdString(FilterWheel().currentName); }}};
constexpr Reading kStatusReadings[] = {
    {nullptr, kIdCameraMode, [] { return QString::fromStdString(CameraModeText(C())); }},
    {"AutoGuider Status", kIdAutoGuiderStatus, [] { return QString::fromStdString(AutoGuiderStatusText()); }}};

// A push button; its click goes to OnButton(id).
struct Button {
    int id;
    const char* caption;
};

constexpr Button kFocusButtons[] = {{kIdFocusStart, "Start"}, {kIdFocusStop, "Stop"}};
constexpr Button kMonitorButton[] = {{kIdMonitor, "Monitor"}};
constexpr Button kFilterButtons[] = {{kIdFilterFirst, "First"}, {kIdFilterNext, "Next"}, {kIdFilterPrev, "Prev"}};
constexpr Button kDialogButtons[] = {{kIdTakePhoto, "Take Photo"},
                                     {kIdAutoguidePhoto, "Autoguide Photo"},
                                     {kIdGoToAutoguider, "Go to Autoguider "},
                                     {kIdCancel, "Cancel"},
                                     {kIdHelp, "Help"}};

// A row of controls at the bottom of a group.
QHBoxLayout* Row(QBoxLayout* into) {
    auto* row = new QHBoxLayout;
    into->addLayout(row);
    return row;
}

}  // namespace

TCamDialog::TCamDialog(QWidget* parent) : QDialog(parent), controls_(this, [this] { Refresh(); }) {
    setObjectName("TCamDialog");
    setWindowTitle(kCameraDialogTemplateCaption);
    Build();
    // Set-up: the model's caption; model 5 starts with the dark-frame option off.
    setWindowTitle(QString::fromStdString(CameraDialogTitle(State().geometry.modelCode)));
    if (State().geometry.modelCode == 5) C().darkFrame = false;
    Refresh();
}

void TCamDialog::Build() {
    auto* grid = new QGridLayout(this);
    auto group = [&](const char* title, int row, int column) { return controls_.Group(grid, title, row, column); };
    auto choices = [&](QBoxLayout* into, std::span<const Choice> table, auto isOn, auto select) {
        for (const Choice& c : table)
            controls_.Radio(
                into, c.id, c.caption, [isOn, v = c.value] { return isOn(v); }, [select, v = c.value] { select(v); });
    };
    auto checks = [&](QBoxLayout* into, std::span<const Check> table) {
        for (const Check& c : table)
            controls_.Check(
                into, c.id, c.caption, [f = c.field] { return C().*f; }, [f = c.field] { C().*f = !(C().*f); });
    };
    auto readings = [&](QBoxLayout* into, std::span<const Reading> table) {
        for (const Reading& r : table) {
            if (r.label) into->addWidget(new QLabel(r.label));
            controls_.Text(into, r.id, r.content);
        }
    };
    auto buttons = [&](QBoxLayout* into, std::span<const Button> table) {
        for (const Button& b : table) {
            auto* button = WithId(new QPushButton(b.caption), b.id);
            button->setAutoDefault(false);
            into->addWidget(button);
            connect(button, &QPushButton::clicked, this, [this, id = b.id] { OnButton(id); });
        }
    };
    auto edit = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Edit(into, id, content);
    };
    // A value the dialog shows but the user does not type.
    auto shown = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        edit(into, id, content)->setReadOnly(true);
    };

    // Exposure range and value.
    choices(group("Exposure Range", 0, 0), kExposureUnits, [](int unit) { return C().exposureUnit == unit; },
            [this](int unit) {
                PickExposureUnit(C(), char(unit));
                arrowsChanged_ = true;
            });
    auto* valueRow = Row(group("Exposure Value", 1, 0));
    exposureEdit_ = edit(valueRow, kIdExposureEdit, [] { return Number(C().exposureValue); });
    ScrollBar(valueRow, kIdExposureArrows, Qt::Vertical, [] { return 0; }, [] { return C().exposureMaximum; },
              [] { return C().exposureValue; });

    // Exposure mode.
    choices(group("Exposure Mode", 0, 1), kExposureModes, [](int mode) { return C().exposureMode == mode; },
            [](int mode) { SelectExposureMode(mode); });

    // Series.
    auto* series = group("No of Exposures", 1, 1);
    auto* countRow = Row(series);
    countEdit_ = edit(countRow, kIdCountEdit, [] { return Number(C().exposureCount); });
    ScrollBar(countRow, kIdCountArrows, Qt::Vertical, [] { return 1; }, [] { return kMaxExposureCount; },
              [] { return C().exposureCount; });
    checks(series, kSeriesChecks);
    series->addWidget(new QLabel("Delay between exposures"));
    auto* delayRow = Row(series);
    shown(delayRow, kIdDelayEdit, [] { return Number(C().delayBetween); });
    ScrollBar(delayRow, kIdDelayArrows, Qt::Vertical, [] { return 0; }, [] { return 20; },
              [] { return C().delayBetween; });
    auto* delayUnits = new QVBoxLayout;
    delayRow->addLayout(delayUnits);
    choices(delayUnits, kDelayUnits, [](int unit) { return C().delayUnit == unit; },
            [](int unit) { C().delayUnit = char(unit); });

    // Saving and processing.
    auto* saving = group("Saving and Processing", 2, 0);
    checks(saving, kAutoSaveCheck);
    auto* fileRow = Row(saving);
    fileRow->addWidget(new QLabel("Last file no."));
    shown(fileRow, kIdLastFileNo, [] { return Number(uint16_t(State().settings.autosaveCounter)); });
    auto* dirRow = Row(saving);
    dirRow->addWidget(new QLabel("Sub-Dir"));
    shown(dirRow, kIdSubDir, [] { return QString::fromStdString(State().settings.autosaveDirText); });
    checks(saving, kProcessingChecks);

    // Focus mode.
    auto* focus = group("Focus Mode", 2, 1);
    buttons(Row(focus), kFocusButtons);
    readings(focus, kFocusReadings);
    checks(focus, kFocusChecks);
    focus->addWidget(new QLabel("Stretch"));
    auto* stretchRow = Row(focus);
    ScrollBar(stretchRow, kIdStretchScroll, Qt::Horizontal, [] { return 1; }, [] { return 50; },
              [] { return C().stretch; });
    shown(stretchRow, kIdStretchEdit, [] { return Number(C().stretch); });
    focusView_ = new QLabel;
    focusView_->setObjectName("focusView");
    focusView_->setFixedSize(128, 128);
    grid->addWidget(focusView_, 0, 3, 2, 1, Qt::AlignTop);

    // Camera temperature.
    auto* cooler = group("Camera Temperature", 0, 2);
    ScrollBar(cooler, kIdCoolerScroll, Qt::Horizontal, [] { return -40; }, [] { return 35; },
              [] { return C().coolerSetPoint; });
    readings(Row(cooler), kCoolerReadings);
    controls_.Check(
        cooler, kIdCoolingOn, "Cooling on", [] { return C().coolerOn; },
        [] { ToggleCoolingOn(Camera().coolerSupported); });
    readings(cooler, kCoolingReading);
    // Without cooler support (old firmware, model 7) the temperature
    // controls are not offered.
    for (int id : {kIdCoolerScroll, kIdCoolingOn}) {
        QWidget* control = FindControl<QWidget>(this, id);
        controls_.OnRedraw([control] { control->setEnabled(Camera().coolerSupported); });
    }
    buttons(cooler, kMonitorButton);
    readings(cooler, kFirmwareReading);
    checks(cooler, kCameraChecks);

    // Filter wheel.
    auto* wheel = group("Filter Wheel", 1, 2);
    buttons(Row(wheel), kFilterButtons);
    readings(wheel, kFilterReadings);

    // Status and buttons.
    readings(group("Camera Mode", 2, 2), kStatusReadings);
    auto* note = new QLabel(kCameraSeriesNote);
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 3);
    auto* bottom = new QHBoxLayout;
    grid->addLayout(bottom, 4, 0, 1, 4);
    buttons(bottom, kDialogButtons);
    FindControl<QPushButton>(this, kIdTakePhoto)->setDefault(true);
}

QScrollBar* TCamDialog::ScrollBar(QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
                                  std::function<int()> maximum, std::function<int()> value) {
    auto* bar = WithId(new QScrollBar(orientation), id);
    bar->setMinimumWidth(orientation == Qt::Horizontal ? 120 : 16);
    into->addWidget(bar);
    // The arrow pointing up (or right) adds one, the other takes one.
    const bool vertical = orientation == Qt::Vertical;
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar, id, vertical, value](int action) {
        if (controls_.Redrawing()) return;
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                Scroll(id, vertical ? ScrollAction::LineUp : ScrollAction::LineDown);
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                Scroll(id, vertical ? ScrollAction::LineDown : ScrollAction::LineUp);
                break;
            case QAbstractSlider::SliderPageStepSub: Scroll(id, ScrollAction::PageUp); break;
            case QAbstractSlider::SliderPageStepAdd: Scroll(id, ScrollAction::PageDown); break;
            case QAbstractSlider::SliderMove: Scroll(id, ScrollAction::Thumb, bar->sliderPosition()); break;
            default: break;
        }
        // The slider applies its own step after this: it keeps the value
        // the dialog chose instead.
        bar->setSliderPosition(value());
    });
    controls_.OnRedraw([bar, minimum, maximum, value] {
        const QSignalBlocker block(bar);
        bar->setRange(minimum(), maximum());
        bar->setValue(value());
    });
    return bar;
}

void TCamDialog::Scroll(int id, ScrollAction action, int thumb) {
    CameraSettings& cam = C();
    switch (id) {
        case kIdExposureArrows:
            cam.exposureValue = ApplyScroll(cam.exposureValue, ExposureMinimum(), cam.exposureMaximum, action, thumb);
            break;
        case kIdCountArrows:
            cam.exposureCount = ApplyScroll(cam.exposureCount, 1, kMaxExposureCount, action, thumb);
            break;
        case kIdDelayArrows: cam.delayBetween = ApplyScroll(cam.delayBetween, 0, 20, action, thumb); break;
        case kIdStretchScroll: cam.stretch = ApplyScroll(cam.stretch, 1, 50, action, thumb); break;
        case kIdCoolerScroll:
            if (!SetPointBarActive()) return;
            cam.coolerSetPoint = ApplyScroll(cam.coolerSetPoint, -40, 35, action, thumb);
            break;
        default: return;
    }
    arrowsChanged_ = id == kIdExposureArrows || id == kIdCountArrows;
    Refresh();
}

void TCamDialog::Refresh() {
    if (!arrowsChanged_) TakeTypedValues(exposureEdit_->text().toStdString(), countEdit_->text().toStdString());
    arrowsChanged_ = false;
    RefreshCooler();
    Redraw();
}

void TCamDialog::Redraw() {
    controls_.Redraw();
    ShowFocusFrame();
}

void TCamDialog::ShowFocusFrame() {
    if (!Session().focusing && C().maxValue == 0) return;
    QImage image(kFocusFrameSize, kFocusFrameSize, QImage::Format_Grayscale8);
    const Pixel* a = State().imageA;
    for (int y = 0; y < kFocusFrameSize; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kFocusFrameSize; ++x) row[x] = uchar(a[y * kFocusFrameSize + x] >> 8);
    }
    focusView_->setPixmap(QPixmap::fromImage(image));
}

void TCamDialog::OnButton(int id) {
    // While the focus or monitor loop runs, a click on any button is the
    // press that ends it (the loop sees the press); it starts nothing nested.
    if (Session().focusing || Session().monitoring) {
        if (Session().focusing) Session().stopFocus = true;
        Session().monitoring = false;
        return;
    }
    const std::string exposureText = exposureEdit_->text().toStdString();
    const std::string countText = countEdit_->text().toStdString();
    switch (id) {
        case kIdTakePhoto:
            if (TakePhotoFromBoxes(exposureText, countText)) done(kCloseTakePhoto);
            return;
        case kIdAutoguidePhoto:
            if (AutoguidePhoto(exposureText, countText)) done(kCloseTakePhoto);
            return;
        case kIdGoToAutoguider:
            if (GoToAutoguider()) done(kCloseAutoguider);
            return;
        case kIdCancel: done(kCloseCancel); return;
        case kIdHelp: Sys().messages->Show(kProgramCaption, kCameraHelpText, MessageIcon::None); return;
        case kIdFocusStart: {
            // The loop exposes for what the box holds now.
            TakeTypedValues(exposureText, countText);
            FocusLoop([this] {
                Redraw();
                Session().needRedraw = true;
            });
            Refresh();
            return;
        }
        case kIdFocusStop: Session().stopFocus = true; return;
        case kIdMonitor: {
            auto* monitor = FindControl<QPushButton>(this, kIdMonitor);
            if (Session().monitoring) {
                Session().monitoring = false;
                return;
            }
            monitor->setText("Monitoring");
            MonitorLoop([this] {
                RefreshCooler();
                Redraw();
            });
            monitor->setText("Monitor");
            return;
        }
        case kIdFilterFirst: FirstFilter(); break;
        case kIdFilterNext: NextFilter(); break;
        case kIdFilterPrev: PreviousFilter(); break;
        default: break;
    }
    Refresh();
}

void RunCameraInterface() {
    RunCameraInterfaceWith([] {
        TCamDialog dialog(MainWindowWidget());
        return dialog.exec();
    });
}
