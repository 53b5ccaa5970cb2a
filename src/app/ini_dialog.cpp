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
#include <array>
#include <span>

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

// The dialog's tables: each group's controls top to bottom, with their ids,
// captions and what they show and change.

// A radio button showing one value of a setting.
struct Choice {
    int id;
    const char* caption;
    int value;
};
// The setting a group of choices shows and sets.
struct Binding {
    int (*get)();
    void (*set)(int);
};

constexpr Choice kPorts[] = {{17224, "Com1", '1'}, {17225, "Com2", '2'}, {17226, "Use PC Port", '3'}};
constexpr Binding kPortField = {[] { return int(S().telescopeComPort); },
                                [](int v) { SelectTelescopePort(S(), char(v)); }};

constexpr Choice kDrives[] = {
    {17166, "None", 'n'}, {17167, "Meade LX200 (Tm)", 'l'}, {17168, "Meade Autostar(Tm)", 'a'},
    {17169, "Autoguider Socket", 'b'}};
constexpr Binding kDriveField = {[] { return int(S().driveMethod); }, [](int v) { S().driveMethod = char(v); }};

constexpr Choice kMasks[] = {{17131, "7 Pixels", kMaskRadii[0]},  {17132, "8 Pixels", kMaskRadii[1]},
                             {17133, "9 Pixels", kMaskRadii[2]},  {17134, "11 Pixels", kMaskRadii[3]},
                             {17135, "13 Pixels", kMaskRadii[4]}, {17136, "15 Pixels", kMaskRadii[5]}};
constexpr Binding kMaskField = {[] { return int(S().guideStarMaskRadius); },
                                [](int v) { S().guideStarMaskRadius = int16_t(v); }};

constexpr Choice kBackgrounds[] = {{17118, "Lt Gray", 'l'}, {17119, "Red", 'r'}, {17120, "Gray", 'g'}};
constexpr Binding kBackgroundField = {[] { return int(S().windowBackground); },
                                      [](int v) { S().windowBackground = char(v); }};

constexpr Choice kMainTraining[] = {{17106, "1 Sec", kTrainingSeconds[0]}, {17107, "2 Sec", kTrainingSeconds[1]},
                                    {17108, "4 Sec", kTrainingSeconds[2]}, {17109, "8 Sec", kTrainingSeconds[3]}};
constexpr Binding kMainTrainingField = {[] { return State().trainingSecondsMain; },
                                        [](int v) { State().trainingSecondsMain = v; }};
constexpr Choice kGuiderTraining[] = {{17148, "1 Sec", kTrainingSeconds[0]}, {17149, "2 Sec", kTrainingSeconds[1]},
                                      {17150, "4 Sec", kTrainingSeconds[2]}, {17151, "8 Sec", kTrainingSeconds[3]}};
constexpr Binding kGuiderTrainingField = {[] { return State().trainingSecondsGuider; },
                                          [](int v) { State().trainingSecondsGuider = v; }};

constexpr Choice kCorrections[] = {
    {17171, "1.0 pixel", kSmallestCorrections[0]}, {17172, "0.8 pixel", kSmallestCorrections[1]},
    {17173, "0.5 pixel", kSmallestCorrections[2]}, {17174, "0.2 pixel", kSmallestCorrections[3]}};
constexpr Binding kCorrectionField = {[] { return int(S().smallestCorrection); },
                                      [](int v) { S().smallestCorrection = int16_t(v); }};

// The wide guider is every type but the standard one.
constexpr Choice kGuiders[] = {{17220, "Velmora Standard Guider", 's'}, {17221, "Velmora Wide Guider", 'x'}};
constexpr Binding kGuiderField = {[] { return S().guiderType == 's' ? int('s') : int('x'); },
                                  [](int v) { SelectGuiderType(S(), char(v)); }};

// A check box showing a flag of the settings, or shown and toggled its own way.
struct Check {
    int id;
    const char* caption;
    bool Settings::*field;
    bool (*isOn)() = nullptr;
    void (*toggle)() = nullptr;
};

constexpr Check kSlewChecks[] = {
    {17127, "Ignore drift less than:", &Settings::ignoreDriftBelowHysteresis},
    {17138, "Swap n/s direction", nullptr, [] { return NorthSouthSwapped(S()); }, [] { ToggleNorthSouth(S()); }},
    {17139, "Swap e/w direction", nullptr, [] { return EastWestSwapped(S()); }, [] { ToggleEastWest(S()); }},
    {17152, "Ignore Backlash", &Settings::ignoreBacklash}};
constexpr Check kCorrectionChecks[] = {{17175, "Turn off North Corrections", &Settings::noNorthCorrections},
                                       {17176, "Turn off South Corrections", &Settings::noSouthCorrections}};
constexpr Check kAoChecks[] = {
    {17170, "AO Unit Available", nullptr, [] { return S().aoAvailable; },
     [] { SetAoAvailable(S(), !S().aoAvailable); }},
    {17178, "Select half rate", &Settings::aoHalfRate}};
// The wheel's route is shown between the two.
constexpr Check kFilterChecks[] = {{17147, "Filter Wheel", &Settings::filterWheelPresent},
                                   {17222, "Use Korvane USB Filterwheel ", nullptr,
                                    [] { return S().useUsbFilterWheel; },
                                    [] {
                                        if (Link().filterWheelPresent)
                                            S().useUsbFilterWheel = !S().useUsbFilterWheel;
                                        else
                                            DiscoverFilterWheel();
                                    }}};
constexpr Check kFileChecks[] = {
    {17143, "Unsigned Int FITs Format", &Settings::unsignedFormat},
    {17144, "Show Interface Details", &Settings::showInterfaceDetails},
    {17164, "Expand Binned Images", nullptr, [] { return !S().doNotExpandBinned; },
     [] { S().doNotExpandBinned = !S().doNotExpandBinned; }},
    {17165, "Suppress File Saving Warning", &Settings::suppressFileSavingWarning},
    {17190, "Save in 16 bit Tiff format", &Settings::tiff16}};
constexpr Check kCameraChecks[] = {{17123, "1 sec delay when focussing", &Settings::focusDelay},
                                   {17194, "Ignore Camera VID/PID", &Settings::ignoreCameraVidPid},
                                   {17195, "Auto-Advance when Imaging", &Settings::autoAdvance},
                                   {17223, "Set Maximum Cooling", &Settings::maximumCooling},
                                   {17227, "Flush before Exp (VelmoraFir)", &Settings::flushBeforeExposure},
                                   {17210, "Help Bar at Top of Frame", &Settings::helpBarAtTop}};

// The slew edits in the order of the slew values: six of the main camera,
// then six of the guider.
struct SlewEdit {
    int id;
    const char* caption;
};
constexpr std::array<SlewEdit, 12> kSlewEdits{{{17121, "RA pixels/sec"},
                                               {17122, "Dec pixels/sec"},
                                               {17125, "RA backlash"},
                                               {17126, "Dec backlash"},
                                               {17117, "Hysteresis in RA (0-10)"},
                                               {17137, "Hysteresis in Dec (0-20)"},
                                               {17111, "RA pixels/sec"},
                                               {17112, "Dec pixels/sec"},
                                               {17113, "RA backlash"},
                                               {17140, "Dec backlash"},
                                               {17141, "Hysteresis in RA (0-10)"},
                                               {17142, "Hysteresis in Dec (0-20)"}}};

// A control with its label in front.
void AddLabelled(QVBoxLayout* into, const char* text, QWidget* control) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(text));
    row->addWidget(control);
    row->addStretch();
    into->addLayout(row);
}

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
    auto choices = [&](QVBoxLayout* into, std::span<const Choice> table, Binding field) {
        for (const Choice& c : table)
            controls_.Radio(
                into, c.id, c.caption, [get = field.get, v = c.value] { return get() == v; },
                [set = field.set, v = c.value] { set(v); });
    };
    auto checks = [&](QVBoxLayout* into, std::span<const Check> table) {
        for (const Check& c : table) {
            if (c.field)
                controls_.Check(
                    into, c.id, c.caption, [f = c.field] { return S().*f; }, [f = c.field] { S().*f = !(S().*f); });
            else
                controls_.Check(into, c.id, c.caption, c.isOn, c.toggle);
        }
    };
    // A button whose action is followed by a redraw.
    auto button = [&](QVBoxLayout* into, int id, const char* text, std::function<void()> action) {
        auto* b = WithId(new QPushButton(text), id);
        into->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, action] {
            action();
            Redraw();
        });
    };

    // Telescope port and drive.
    auto* port = group("Telescope Port", 0, 0);
    choices(port, kPorts, kPortField);
    auto* pcPort = Number(17179, S().pcComPort + 1);
    AddLabelled(port, "Com Port for telescope", pcPort);
    controls_.OnRedraw([pcPort] {
        ApplyShownPcComPort(S(), NumberIn(pcPort));
        pcPort->setText(QString::number(S().pcComPort + 1));
    });
    choices(group("Telescope Drive", 1, 0), kDrives, kDriveField);
    choices(group("Guide Star Mask", 2, 0), kMasks, kMaskField);
    choices(group("Window Background", 3, 0), kBackgrounds, kBackgroundField);

    // Slew values of the main camera and the guider.
    auto* slew = group("Main Camera Slew", 0, 1, 2);
    auto* guiderSlew = group("Guider Slew", 2, 1, 2);
    const SlewValues slewValues = CurrentSlewValues(S());
    for (size_t i = 0; i < kSlewEdits.size(); ++i)
        AddLabelled(i < 6 ? slew : guiderSlew, kSlewEdits[i].caption, Number(kSlewEdits[i].id, slewValues[i]));
    checks(slew, kSlewChecks);
    button(guiderSlew, 17124, "Set slew values", [this] { SetSlewValues(); });

    auto* training = group("Training Time", 0, 2);
    choices(training, kMainTraining, kMainTrainingField);
    choices(training, kGuiderTraining, kGuiderTrainingField);
    auto* correction = group("Smallest Correction", 1, 2);
    choices(correction, kCorrections, kCorrectionField);
    checks(correction, kCorrectionChecks);
    checks(group("AO Unit", 2, 2), kAoChecks);
    choices(group("Guider", 3, 2), kGuiders, kGuiderField);

    // Filters.
    auto* filters = group("Filter Wheel", 0, 3, 2);
    checks(filters, std::span(kFilterChecks).first(1));
    auto* route = WithId(new QLabel, 17110);
    filters->addWidget(route);
    controls_.OnRedraw([route] { route->setText(QString::fromStdString(FilterWheelRouteText())); });
    checks(filters, std::span(kFilterChecks).subspan(1));
    AddLabelled(filters, "Number of Filtes (max 8)", Number(17163, S().filterCount));
    for (int i = 0; i < 8; ++i) {
        auto* name = WithId(new QLineEdit(QString::fromStdString(S().filterNames[i])), 17153 + i);
        name->setMaxLength(8);
        filters->addWidget(name);
    }
    button(filters, 17162, "Set Filter Details", [this] { SetFilterDetails(); });

    // Files and display.
    auto* files = group("Files", 2, 3, 2);
    checks(files, kFileChecks);
    auto* directory = WithId(new QLineEdit(QString::fromStdString(S().autosaveDirText)), 17990);
    directory->setMaxLength(78);
    files->addWidget(directory);
    button(files, 17991, "Set AutoSave Dir", [this] { ApplyDirectory(); });
    auto* counter = WithId(new QLabel, 17115);
    controls_.OnRedraw([counter] { counter->setText(QString::number(uint16_t(S().autosaveCounter))); });
    AddLabelled(files, "", counter);
    button(files, 17114, "Reset AutoSave Num", [] { S().autosaveCounter = 0; });

    // Camera.
    auto* camera = group("Camera", 0, 4, 4);
    for (size_t i = 0; i < kManualModelOrder.size(); ++i) {
        const int code = kManualModelOrder[i];
        const std::string text = std::string("Velmora ") + FindCameraModel(code)->name;
        controls_.Radio(camera, int(17301 + i), text.c_str(), [code] { return S().manualModel == code; }, [code] {
            SelectManualModel(S(), code);
            RunCommand(kSetCameraType);
        });
    }
    checks(camera, kCameraChecks);

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
    for (size_t i = 0; i < kSlewEdits.size(); ++i) values[i] = NumberIn(FindControl<QLineEdit>(this, kSlewEdits[i].id));
    ApplySlewValues(S(), values);
    const SlewValues shown = CurrentSlewValues(S());
    for (size_t i = 0; i < kSlewEdits.size(); ++i)
        FindControl<QLineEdit>(this, kSlewEdits[i].id)->setText(QString::number(shown[i]));
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
