#include "app/ini_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/camera_models.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "devices/filter_wheel.h"
#include "devices/transport.h"
#include "settings/ini_rules.h"
#include "settings/settings_file.h"

namespace {

Settings& S() { return State().settings; }

constexpr int kSaveChanges = 1;
constexpr int kCancel = 2;
constexpr int kSetCameraType = 16102;

int NumberIn(QLineEdit* edit) { return edit->text().trimmed().toInt(); }

}  // namespace

TINIDialog::TINIDialog(QWidget* parent) : QDialog(parent), controls_(this, [this] { Redraw(); }) {
    setObjectName("TINIDialog");
    setWindowTitle("Set Program Defaults");
    Build();
    Redraw();
}

QLineEdit* TINIDialog::Number(int id, int value) {
    auto* edit = WithId(new QLineEdit(QString::number(value)), id);
    edit->setMaximumWidth(60);
    return edit;
}

void TINIDialog::Build() {
    auto* grid = new QGridLayout(this);
    auto group = [&](const char* title, int row, int column, int rowSpan = 1) {
        return controls_.Group(grid, title, row, column, rowSpan);
    };
    auto radio = [&](QVBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                     std::function<void()> select) { return controls_.Radio(into, id, text, isOn, select); };
    auto check = [&](QVBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                     std::function<void()> toggle) { return controls_.Check(into, id, text, isOn, toggle); };
    auto flag = [&](QVBoxLayout* into, int id, const char* text, bool Settings::*field) {
        return check(into, id, text, [field] { return S().*field; }, [field] { S().*field = !(S().*field); });
    };
    auto labelled = [](QVBoxLayout* into, const char* text, QWidget* control) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(text));
        row->addWidget(control);
        row->addStretch();
        into->addLayout(row);
    };

    // Telescope port and drive.
    auto* port = group("Telescope Port", 0, 0);
    radio(port, 17224, "Com1", [] { return S().telescopeComPort == '1'; }, [] { SelectTelescopePort(S(), '1'); });
    radio(port, 17225, "Com2", [] { return S().telescopeComPort == '2'; }, [] { SelectTelescopePort(S(), '2'); });
    radio(port, 17226, "Use PC Port", [] { return S().telescopeComPort == '3'; },
          [] { SelectTelescopePort(S(), '3'); });
    auto* pcPort = Number(17179, S().pcComPort + 1);
    labelled(port, "Com Port for telescope", pcPort);
    controls_.OnRedraw([pcPort] {
        ApplyShownPcComPort(S(), NumberIn(pcPort));
        pcPort->setText(QString::number(S().pcComPort + 1));
    });

    auto* drive = group("Telescope Drive", 1, 0);
    const std::pair<int, char> drives[] = {{17166, 'n'}, {17167, 'l'}, {17168, 'a'}, {17169, 'b'}};
    const char* driveTexts[] = {"None", "Meade LX200 (Tm)", "Meade Autostar(Tm)", "Autoguider Socket"};
    for (int i = 0; i < 4; ++i) {
        const char letter = drives[i].second;
        radio(drive, drives[i].first, driveTexts[i], [letter] { return S().driveMethod == letter; },
              [letter] { S().driveMethod = letter; });
    }

    auto* mask = group("Guide Star Mask", 2, 0);
    const char* maskTexts[] = {"7 Pixels", "8 Pixels", "9 Pixels", "11 Pixels", "13 Pixels", "15 Pixels"};
    for (int i = 0; i < 6; ++i) {
        const int radius = kMaskRadii[i];
        radio(mask, 17131 + i, maskTexts[i], [radius] { return S().guideStarMaskRadius == radius; },
              [radius] { S().guideStarMaskRadius = int16_t(radius); });
    }

    auto* background = group("Window Background", 3, 0);
    const std::pair<int, char> colours[] = {{17118, 'l'}, {17119, 'r'}, {17120, 'g'}};
    const char* colourTexts[] = {"Lt Gray", "Red", "Gray"};
    for (int i = 0; i < 3; ++i) {
        const char letter = colours[i].second;
        radio(background, colours[i].first, colourTexts[i], [letter] { return S().windowBackground == letter; },
              [letter] { S().windowBackground = letter; });
    }

    // Slew values of the main camera and the guider.
    auto* slew = group("Main Camera Slew", 0, 1, 2);
    const int slewIds[12] = {17121, 17122, 17125, 17126, 17117, 17137, 17111, 17112, 17113, 17140, 17141, 17142};
    const char* slewTexts[12] = {"RA pixels/sec",  "Dec pixels/sec", "RA backlash", "Dec backlash",
                                 "Hysteresis in RA (0-10)", "Hysteresis in Dec (0-20)", "RA pixels/sec",
                                 "Dec pixels/sec", "RA backlash",    "Dec backlash", "Hysteresis in RA (0-10)",
                                 "Hysteresis in Dec (0-20)"};
    auto* guiderSlew = group("Guider Slew", 2, 1, 2);
    for (int i = 0; i < 12; ++i) {
        auto* edit = Number(slewIds[i], CurrentSlewValues(S())[i]);
        labelled(i < 6 ? slew : guiderSlew, slewTexts[i], edit);
    }
    check(slew, 17127, "Ignore drift less than:", [] { return S().ignoreDriftBelowHysteresis; },
          [] { S().ignoreDriftBelowHysteresis = !S().ignoreDriftBelowHysteresis; });
    check(slew, 17138, "Swap n/s direction", [] { return NorthSouthSwapped(S()); }, [] { ToggleNorthSouth(S()); });
    check(slew, 17139, "Swap e/w direction", [] { return EastWestSwapped(S()); }, [] { ToggleEastWest(S()); });
    flag(slew, 17152, "Ignore Backlash", &Settings::ignoreBacklash);
    auto* setSlew = WithId(new QPushButton("Set slew values"), 17124);
    guiderSlew->addWidget(setSlew);
    connect(setSlew, &QPushButton::clicked, this, [this] {
        SetSlewValues();
        Redraw();
    });

    auto* training = group("Training Time", 0, 2);
    for (int i = 0; i < 4; ++i) {
        const int seconds = kTrainingSeconds[i];
        const std::string text = std::to_string(seconds) + " Sec";
        radio(training, 17106 + i, text.c_str(), [seconds] { return State().trainingSecondsMain == seconds; },
              [seconds] { State().trainingSecondsMain = seconds; });
    }
    for (int i = 0; i < 4; ++i) {
        const int seconds = kTrainingSeconds[i];
        const std::string text = std::to_string(seconds) + " Sec";
        radio(training, 17148 + i, text.c_str(), [seconds] { return State().trainingSecondsGuider == seconds; },
              [seconds] { State().trainingSecondsGuider = seconds; });
    }

    auto* correction = group("Smallest Correction", 1, 2);
    const char* correctionTexts[] = {"1.0 pixel", "0.8 pixel", "0.5 pixel", "0.2 pixel"};
    for (int i = 0; i < 4; ++i) {
        const int value = kSmallestCorrections[i];
        radio(correction, 17171 + i, correctionTexts[i], [value] { return S().smallestCorrection == value; },
              [value] { S().smallestCorrection = int16_t(value); });
    }
    flag(correction, 17175, "Turn off North Corrections", &Settings::noNorthCorrections);
    flag(correction, 17176, "Turn off South Corrections", &Settings::noSouthCorrections);

    auto* ao = group("AO Unit", 2, 2);
    check(ao, 17170, "AO Unit Available", [] { return S().aoAvailable; }, [] { SetAoAvailable(S(), !S().aoAvailable); });
    flag(ao, 17178, "Select half rate", &Settings::aoHalfRate);

    auto* guider = group("Guider", 3, 2);
    radio(guider, 17220, "Velmora Standard Guider", [] { return S().guiderType == 's'; },
          [] { SelectGuiderType(S(), 's'); });
    radio(guider, 17221, "Velmora Wide Guider", [] { return S().guiderType != 's'; },
          [] { SelectGuiderType(S(), 'x'); });

    // Filters.
    auto* filters = group("Filter Wheel", 0, 3, 2);
    flag(filters, 17147, "Filter Wheel", &Settings::filterWheelPresent);
    auto* route = WithId(new QLabel, 17110);
    filters->addWidget(route);
    controls_.OnRedraw([route] { route->setText(QString::fromStdString(FilterWheelRouteText())); });
    check(filters, 17222, "Use Korvane USB Filterwheel ", [] { return S().useUsbFilterWheel; }, [] {
        if (Link().filterWheelPresent)
            S().useUsbFilterWheel = !S().useUsbFilterWheel;
        else
            DiscoverFilterWheel();
    });
    auto* count = Number(17163, S().filterCount);
    labelled(filters, "Number of Filtes (max 8)", count);
    for (int i = 0; i < 8; ++i) {
        auto* name = WithId(new QLineEdit(QString::fromStdString(S().filterNames[i])), 17153 + i);
        name->setMaxLength(8);
        filters->addWidget(name);
    }
    auto* setFilters = WithId(new QPushButton("Set Filter Details"), 17162);
    filters->addWidget(setFilters);
    connect(setFilters, &QPushButton::clicked, this, [this] {
        SetFilterDetails();
        Redraw();
    });

    // Files and display.
    auto* files = group("Files", 2, 3, 2);
    flag(files, 17143, "Unsigned Int FITs Format", &Settings::unsignedFormat);
    flag(files, 17144, "Show Interface Details", &Settings::showInterfaceDetails);
    check(files, 17164, "Expand Binned Images", [] { return !S().doNotExpandBinned; },
          [] { S().doNotExpandBinned = !S().doNotExpandBinned; });
    flag(files, 17165, "Suppress File Saving Warning", &Settings::suppressFileSavingWarning);
    flag(files, 17190, "Save in 16 bit Tiff format", &Settings::tiff16);
    auto* directory = WithId(new QLineEdit(QString::fromStdString(S().autosaveDirText)), 17990);
    directory->setMaxLength(78);
    files->addWidget(directory);
    auto* setDirectory = WithId(new QPushButton("Set AutoSave Dir"), 17991);
    files->addWidget(setDirectory);
    connect(setDirectory, &QPushButton::clicked, this, [this] {
        ApplyDirectory();
        Redraw();
    });
    auto* counter = WithId(new QLabel, 17115);
    controls_.OnRedraw([counter] { counter->setText(QString::number(uint16_t(S().autosaveCounter))); });
    auto* resetCounter = WithId(new QPushButton("Reset AutoSave Num"), 17114);
    labelled(files, "", counter);
    files->addWidget(resetCounter);
    connect(resetCounter, &QPushButton::clicked, this, [this] {
        S().autosaveCounter = 0;
        Redraw();
    });

    // Camera.
    auto* camera = group("Camera", 0, 4, 4);
    for (size_t i = 0; i < kManualModelOrder.size(); ++i) {
        const int code = kManualModelOrder[i];
        const std::string text = std::string("Velmora ") + FindCameraModel(code)->name;
        radio(camera, int(17301 + i), text.c_str(), [code] { return S().manualModel == code; }, [code] {
            SelectManualModel(S(), code);
            RunCommand(kSetCameraType);
        });
    }
    flag(camera, 17123, "1 sec delay when focussing", &Settings::focusDelay);
    flag(camera, 17194, "Ignore Camera VID/PID", &Settings::ignoreCameraVidPid);
    flag(camera, 17195, "Auto-Advance when Imaging", &Settings::autoAdvance);
    flag(camera, 17223, "Set Maximum Cooling", &Settings::maximumCooling);
    flag(camera, 17227, "Flush before Exp (VelmoraFir)", &Settings::flushBeforeExposure);
    flag(camera, 17210, "Help Bar at Top of Frame", &Settings::helpBarAtTop);

    auto* buttons = new QHBoxLayout;
    auto* save = WithId(new QPushButton("Save Changes"), kSaveChanges);
    auto* cancel = WithId(new QPushButton("Cancel"), kCancel);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 5);
    connect(save, &QPushButton::clicked, this, [this] { SaveChanges(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void TINIDialog::Redraw() { controls_.Redraw(); }

void TINIDialog::SetSlewValues() {
    SlewValues values{};
    const int ids[12] = {17121, 17122, 17125, 17126, 17117, 17137, 17111, 17112, 17113, 17140, 17141, 17142};
    for (int i = 0; i < 12; ++i) values[i] = NumberIn(FindControl<QLineEdit>(this, ids[i]));
    ApplySlewValues(S(), values);
    const SlewValues shown = CurrentSlewValues(S());
    for (int i = 0; i < 12; ++i) FindControl<QLineEdit>(this, ids[i])->setText(QString::number(shown[i]));
}

void TINIDialog::SetFilterDetails() {
    std::array<std::string, 8> names;
    for (int i = 0; i < 8; ++i) names[i] = FindControl<QLineEdit>(this, 17153 + i)->text().toStdString();
    ApplyFilterDetails(S(), NumberIn(FindControl<QLineEdit>(this, 17163)), names);
    FindControl<QLineEdit>(this, 17163)->setText(QString::number(S().filterCount));
}

bool TINIDialog::ApplyDirectory() {
    return ApplyAutosaveDirectory(S(), FindControl<QLineEdit>(this, 17990)->text().toStdString());
}

void TINIDialog::SaveChanges() {
    const bool accepted = ApplyDirectory();
    SetSlewValues();
    Redraw();
    if (!accepted) return;
    accept();
    SaveSettingsReporting(24);
}

void RunProgramDefaultsDialog() {
    LoadSettingsAtStartup();
    TINIDialog dialog(MainWindowWidget());
    dialog.exec();
    UpdateMainWindowToolBar();
    RepaintMainWindow();
}

static const bool registered = RegisterCommand(121, RunProgramDefaultsDialog);
