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
    auto group = [&](const char* title, int row, int column, int rowSpan = 1) {
        return controls_.Group(grid, title, row, column, rowSpan);
    };
    auto radio = [&](QVBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                     std::function<void()> select) { controls_.Radio(into, id, text, isOn, select); };
    auto check = [&](QVBoxLayout* into, int id, const char* text, bool CameraSettings::*field) {
        return controls_.Check(
            into, id, text, [field] { return C().*field; }, [field] { C().*field = !(C().*field); });
    };
    auto button = [&](QBoxLayout* into, int id, const char* text) {
        auto* b = WithId(new QPushButton(text), id);
        b->setAutoDefault(false);
        into->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id] { OnButton(id); });
        return b;
    };
    auto text = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Text(into, id, content);
    };
    auto scroll = [&](QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
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
    };
    auto edit = [&](QBoxLayout* into, int id, std::function<QString()> content) {
        return controls_.Edit(into, id, content);
    };

    // Exposure range and value.
    auto* range = group("Exposure Range", 0, 0);
    const std::pair<int, char> units[] = {{kIdUnitThousandths, 'q'}, {kIdUnitHundredths, 'h'}, {kIdUnitTenths, 't'},
                                          {kIdUnitSeconds, 's'}, {kIdUnitMinutes, 'm'}};
    const char* unitTexts[] = {"Thousandths", "Hundredth's", "Tenth's", "Seconds", "Minutes"};
    for (int i = 0; i < 5; ++i) {
        const char unit = units[i].second;
        radio(range, units[i].first, unitTexts[i], [unit] { return C().exposureUnit == unit; }, [this, unit] {
            PickExposureUnit(C(), unit);
            arrowsChanged_ = true;
        });
    }
    auto* valueBox = group("Exposure Value", 1, 0);
    auto* valueRow = new QHBoxLayout;
    valueBox->addLayout(valueRow);
    exposureEdit_ = edit(valueRow, kIdExposureEdit, [] { return QString::number(C().exposureValue); });
    scroll(valueRow, kIdExposureArrows, Qt::Vertical, [] { return 0; }, [] { return C().exposureMaximum; },
           [] { return C().exposureValue; });

    // Exposure mode.
    auto* mode = group("Exposure Mode", 0, 1);
    const std::pair<int, int> modes[] = {{kIdModeHighRes, kModeHighRes}, {kIdModeBin2, kModeBin2},
                                         {kIdModeBin3, kModeBin3},       {kIdModeBin4, kModeBin4},
                                         {kIdModeBin8, kModeBin8},       {kIdModeBin8x16, kModeBin8x16},
                                         {kIdModeSubFrame, kModeSubFrame}};
    const char* modeTexts[] = {"High Resolution", "Binned 2x2", "Binned 3x3", "Binned 4x4",
                               "Binned 8x8",      "Binned 8x16", "User Defined SubFrame"};
    for (int i = 0; i < 7; ++i) {
        const int m = modes[i].second;
        radio(mode, modes[i].first, modeTexts[i], [m] { return C().exposureMode == m; },
              [m] { SelectExposureMode(m); });
    }

    // Series.
    auto* series = group("No of Exposures", 1, 1);
    auto* countRow = new QHBoxLayout;
    series->addLayout(countRow);
    countEdit_ = edit(countRow, kIdCountEdit, [] { return QString::number(C().exposureCount); });
    scroll(countRow, kIdCountArrows, Qt::Vertical, [] { return 1; }, [] { return kMaxExposureCount; },
           [] { return C().exposureCount; });
    check(series, kIdContinuous, "Continuous Mode  ", &CameraSettings::continuous);
    check(series, kIdAverage, "Average Multiple Exposures", &CameraSettings::averaging);
    check(series, kIdDelayBefore, "Delay before exposure", &CameraSettings::delayBefore);
    series->addWidget(new QLabel("Delay between exposures"));
    auto* delayRow = new QHBoxLayout;
    series->addLayout(delayRow);
    edit(delayRow, kIdDelayEdit, [] { return QString::number(C().delayBetween); })->setReadOnly(true);
    scroll(delayRow, kIdDelayArrows, Qt::Vertical, [] { return 0; }, [] { return 20; },
           [] { return C().delayBetween; });
    auto* delayUnits = new QVBoxLayout;
    delayRow->addLayout(delayUnits);
    {
        auto* seconds = WithId(new QRadioButton("Seconds"), kIdDelaySeconds);
        auto* minutes = WithId(new QRadioButton("Minutes"), kIdDelayMinutes);
        for (auto [b, unit] : {std::pair{seconds, 's'}, std::pair{minutes, 'm'}}) {
            b->setAutoExclusive(false);
            delayUnits->addWidget(b);
            const char u = unit;
            QRadioButton* rb = b;
            connect(b, &QRadioButton::clicked, this, [this, u] {
                C().delayUnit = u;
                Refresh();
            });
            controls_.OnRedraw([rb, u] { rb->setChecked(C().delayUnit == u); });
        }
    }

    // Saving and processing.
    auto* saving = group("Saving and Processing", 2, 0);
    check(saving, kIdAutoSave, "Auto Save Image", &CameraSettings::autoSave);
    auto* fileRow = new QHBoxLayout;
    saving->addLayout(fileRow);
    fileRow->addWidget(new QLabel("Last file no."));
    edit(fileRow, kIdLastFileNo, [] { return QString::number(uint16_t(State().settings.autosaveCounter)); })->setReadOnly(true);
    auto* dirRow = new QHBoxLayout;
    saving->addLayout(dirRow);
    dirRow->addWidget(new QLabel("Sub-Dir"));
    edit(dirRow, kIdSubDir, [] { return QString::fromStdString(State().settings.autosaveDirText); })
        ->setReadOnly(true);
    check(saving, kIdAutoDark, "Auto-Remove Dark Frame", &CameraSettings::autoDark);
    check(saving, kIdAutoFlat, "Auto-Apply Flatfield", &CameraSettings::autoFlat);
    check(saving, kIdAutoProcess, "Apply Auto-Processing", &CameraSettings::autoProcess);
    check(saving, kIdAutochange, "Autochange Exposure", &CameraSettings::autochange);
    check(saving, kIdAltSlew, "Alternative Slew Method", &CameraSettings::altSlew);

    // Focus mode.
    auto* focus = group("Focus Mode", 2, 1);
    auto* focusButtons = new QHBoxLayout;
    focus->addLayout(focusButtons);
    button(focusButtons, kIdFocusStart, "Start");
    button(focusButtons, kIdFocusStop, "Stop");
    focus->addWidget(new QLabel("Max Value"));
    text(focus, kIdMaxValue, [] { return QString::number(C().maxValue); });
    focus->addWidget(new QLabel("FWHM"));
    text(focus, kIdFwhm, [] { return QString::number(C().fwhm); });
    check(focus, kIdBinFocusFrame, "Bin Focus Frame", &CameraSettings::binFocusFrame);
    focus->addWidget(new QLabel("Stretch"));
    auto* stretchRow = new QHBoxLayout;
    focus->addLayout(stretchRow);
    scroll(stretchRow, kIdStretchScroll, Qt::Horizontal, [] { return 1; }, [] { return 50; },
           [] { return C().stretch; });
    edit(stretchRow, kIdStretchEdit, [] { return QString::number(C().stretch); })->setReadOnly(true);
    focusView_ = new QLabel;
    focusView_->setObjectName("focusView");
    focusView_->setFixedSize(128, 128);
    grid->addWidget(focusView_, 0, 3, 2, 1, Qt::AlignTop);

    // Camera temperature.
    auto* cooler = group("Camera Temperature", 0, 2);
    scroll(cooler, kIdCoolerScroll, Qt::Horizontal, [] { return -40; }, [] { return 35; },
           [] { return C().coolerSetPoint; });
    auto* readings = new QHBoxLayout;
    cooler->addLayout(readings);
    readings->addWidget(new QLabel("Actual"));
    text(readings, kIdCoolerActual, [] { return Two(Session().coolerTemperature); });
    readings->addWidget(new QLabel("Set"));
    text(readings, kIdCoolerSet, [] { return Two(C().coolerSetPoint); });
    {
        auto* on = WithId(new QCheckBox("Cooling on"), kIdCoolingOn);
        cooler->addWidget(on);
        connect(on, &QCheckBox::clicked, this, [this] {
            ToggleCoolingOn(Camera().coolerSupported);
            Refresh();
        });
        controls_.OnRedraw([on] { on->setChecked(C().coolerOn); });
    }
    text(cooler, kIdCoolingText, [] { return QString::fromStdString(CoolingText(State().settings.maximumCooling)); });
    // Without cooler support (old firmware, model 7) the temperature
    // controls are not offered.
    for (int id : {kIdCoolerScroll, kIdCoolingOn}) {
        QWidget* control = FindControl<QWidget>(this, id);
        controls_.OnRedraw([control] { control->setEnabled(Camera().coolerSupported); });
    }
    button(cooler, kIdMonitor, "Monitor");
    cooler->addWidget(new QLabel("Camera Firmware"));
    text(cooler, kIdFirmware, [] { return QString::fromStdString(Camera().firmwareText); });
    check(cooler, kIdDarkFrame, "Dark Frame (VelmoraHazel Only)", &CameraSettings::darkFrame);
    check(cooler, kIdTrigger, "Wait for External Trigger", &CameraSettings::trigger);

    // Filter wheel.
    auto* wheel = group("Filter Wheel", 1, 2);
    auto* wheelButtons = new QHBoxLayout;
    wheel->addLayout(wheelButtons);
    button(wheelButtons, kIdFilterFirst, "First");
    button(wheelButtons, kIdFilterNext, "Next");
    button(wheelButtons, kIdFilterPrev, "Prev");
    text(wheel, kIdFilterNumber, [] { return QString::number(FilterWheel().current); });
    text(wheel, kIdFilterName, [] { return QString::fromStdString(FilterWheel().currentName); });

    // Status and buttons.
    auto* status = group("Camera Mode", 2, 2);
    text(status, kIdCameraMode, [] { return QString::fromStdString(CameraModeText(C())); });
    status->addWidget(new QLabel("AutoGuider Status"));
    text(status, kIdAutoGuiderStatus, [] { return QString::fromStdString(AutoGuiderStatusText()); });
    auto* note = new QLabel(kCameraSeriesNote);
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    grid->addLayout(buttons, 4, 0, 1, 4);
    button(buttons, kIdTakePhoto, "Take Photo")->setDefault(true);
    button(buttons, kIdAutoguidePhoto, "Autoguide Photo");
    button(buttons, kIdGoToAutoguider, "Go to Autoguider ");
    button(buttons, kIdCancel, "Cancel");
    button(buttons, kIdHelp, "Help");
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
