#include "processing/processing_dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/messages.h"
#include "core/state.h"
#include "display/display_state.h"
#include "display/render.h"
#include "platform/platform.h"
#include "processing/auto_process.h"
#include "processing/calibration.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing/merge.h"
#include "processing/processing_command_ids.h"
#include "processing/tool_widgets.h"
#include "settings/settings_file.h"

using namespace processing_cmd;

namespace {

QPushButton* Button(const char* text, int id) { return WithId(new QPushButton(text), id); }

TMergeDialog* openMergeDialog = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// TMergeDialog

TMergeDialog::TMergeDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TMergeDialog");
    setWindowTitle("MERGE IMAGES");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    original_ = WithId(new QRadioButton("Original  Image"), kMergeOriginal);
    second_ = WithId(new QRadioButton("Merge Image"), kMergeSecond);
    // The radio buttons only show which image the next click marks.
    for (QRadioButton* r : {original_, second_}) {
        r->setAttribute(Qt::WA_TransparentForMouseEvents);
        r->setFocusPolicy(Qt::NoFocus);
        r->setAutoExclusive(false);
    }
    auto edit = [](int id) {
        QLineEdit* e = WithId(new QLineEdit, id);
        e->setReadOnly(true);
        e->setMaximumWidth(70);
        return e;
    };
    x1_ = edit(kMergeX1);
    y1_ = edit(kMergeY1);
    x2_ = edit(kMergeX2);
    y2_ = edit(kMergeY2);
    average_ = WithId(new QCheckBox("Average"), kMergeAverage);
    superimpose_ = WithId(new QCheckBox("Superimpose"), kMergeSuperimpose);
    centre_ = WithId(new QCheckBox("Centre"), kMergeCentre);
    asteroid_ = WithId(new QCheckBox("Asteroid Add"), kMergeAsteroidAdd);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("x"), 0, 1);
    grid->addWidget(new QLabel("y"), 0, 2);
    grid->addWidget(original_, 1, 0);
    grid->addWidget(x1_, 1, 1);
    grid->addWidget(y1_, 1, 2);
    grid->addWidget(second_, 2, 0);
    grid->addWidget(x2_, 2, 1);
    grid->addWidget(y2_, 2, 2);

    auto* checks = new QHBoxLayout;
    for (QCheckBox* c : {average_, superimpose_, centre_, asteroid_}) checks->addWidget(c);

    QPushButton* merge = Button("Merge", kOk);
    QPushButton* cancel = Button("Cancel", kCancel);
    QPushButton* help = Button("Help", kHelp);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(merge);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(checks);
    layout->addLayout(buttons);

    connect(average_, &QCheckBox::toggled, this, [](bool on) { Merge().average = on; });
    connect(asteroid_, &QCheckBox::toggled, this, [](bool on) { Merge().asteroidAdd = on; });
    connect(superimpose_, &QCheckBox::toggled, this, [this](bool on) {
        Merge().superimpose = on;
        if (on) {
            Merge().centre = false;
            Refresh();
        }
    });
    connect(centre_, &QCheckBox::toggled, this, [this](bool on) {
        Merge().centre = on;
        if (on) {
            Merge().superimpose = false;
            Refresh();
        }
    });
    connect(merge, &QPushButton::clicked, this, [this] { OnMerge(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(help, &QPushButton::clicked, this, [] { ShowToolHelp(kMergeHelpCaption, kMergeHelpText); });

    openMergeDialog = this;
    Merge().changed = [] {
        if (openMergeDialog) openMergeDialog->Refresh();
    };
    Refresh();
}

TMergeDialog::~TMergeDialog() {
    // Destroyed without a close (the main window went first).
    if (openMergeDialog == this) {
        openMergeDialog = nullptr;
        Merge().changed = nullptr;
    }
}

TMergeDialog* TMergeDialog::Instance() { return openMergeDialog; }

void TMergeDialog::Refresh() {
    const MergeState& m = Merge();
    original_->setChecked(!m.mergeImageSelected);
    second_->setChecked(m.mergeImageSelected);
    x1_->setText(QString::number(m.x1));
    y1_->setText(QString::number(m.y1));
    x2_->setText(QString::number(m.x2));
    y2_->setText(QString::number(m.y2));
    const QSignalBlocker b1(average_), b2(superimpose_), b3(centre_), b4(asteroid_);
    average_->setChecked(m.average);
    superimpose_->setChecked(m.superimpose);
    centre_->setChecked(m.centre);
    asteroid_->setChecked(m.asteroidAdd);
}

void TMergeDialog::OnMerge() {
    if (!Merge().mergeImageSelected) return;  // nothing until the merge image is chosen
    if (!RunMerge(BinnedDisplay())) return;
    finishing_ = true;
    close();
}

void TMergeDialog::OnCancel() {
    finishing_ = true;
    close();
}

void TMergeDialog::closeEvent(QCloseEvent* event) {
    // Closing the window other than by "Merge" is a cancel.
    if (MergeModeActive()) CancelMerge();
    openMergeDialog = nullptr;
    Merge().changed = nullptr;
    QDialog::closeEvent(event);
}

// ---------------------------------------------------------------------------
// TAutoDialog

TAutoDialog::TAutoDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TAutoDialog");
    setWindowTitle("Auto-Processing Choices");
    Settings& s = State().settings;

    auto* layout = new QVBoxLayout(this);
    const std::pair<int, const char*> radios[] = {{kAutoNoStretch, "No Auto Stretch"},
                                                  {kAutoWeak, "Apply Weak Stretch"},
                                                  {kAutoStrong, "Apply Strong Stretch"},
                                                  {kAutoUser, "Auto Stretch - User"}};
    userPower_ = WithId(new QLineEdit, kAutoUserPower);
    userPower_->setMaximumWidth(60);
    for (const auto& [id, text] : radios) {
        QRadioButton* r = WithId(new QRadioButton(text), id);
        r->setChecked(AutoStretchChoice(s) == id);
        connect(r, &QRadioButton::toggled, this, [id = id](bool on) {
            if (on) SetAutoStretchChoice(State().settings, id);
        });
        if (id == kAutoUser) {
            auto* row = new QHBoxLayout;
            row->addWidget(r);
            row->addWidget(userPower_);
            layout->addLayout(row);
        } else {
            layout->addWidget(r);
        }
    }
    auto check = [this](int id, const char* text, bool value, bool Settings::*field) {
        QCheckBox* c = WithId(new QCheckBox(text), id);
        c->setChecked(value);
        connect(c, &QCheckBox::toggled, this, [field](bool on) { State().settings.*field = on; });
        return c;
    };
    layout->addWidget(check(kAutoRemoveBackground, "Remove Background", s.autoRemoveBackground,
                            &Settings::autoRemoveBackground));
    layout->addWidget(
        check(kAutoHighPass, "High Pass Low Power", s.autoHighPassLowPower, &Settings::autoHighPassLowPower));
    diameter_ = WithId(new QLineEdit, kAutoDiameter);
    power_ = WithId(new QLineEdit, kAutoPower);
    diameter_->setMaximumWidth(40);
    power_->setMaximumWidth(40);
    auto* unsharpRow = new QHBoxLayout;
    unsharpRow->addWidget(check(kAutoUnsharp, "Unsharp Mask", s.autoUnsharpMask, &Settings::autoUnsharpMask));
    unsharpRow->addWidget(new QLabel("dia."));
    unsharpRow->addWidget(diameter_);
    unsharpRow->addWidget(new QLabel("power"));
    unsharpRow->addWidget(power_);
    layout->addLayout(unsharpRow);

    QPushButton* save = Button("Save", kOk);
    QPushButton* cancel = Button("Cancel", kCancel);
    QPushButton* help = Button("Help", kHelp);
    save->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { ShowToolHelp(kAutoHelpCaption, kAutoHelpText); });
    ShowValues();
}

void TAutoDialog::ShowValues() {
    const Settings& s = State().settings;
    userPower_->setText(QString::number(s.autoUserStretchValue));
    diameter_->setText(QString::number(s.autoUnsharpDiameter));
    power_->setText(QString::number(s.autoUnsharpPower));
}

void TAutoDialog::OnSave() {
    const bool valid = TakeAutoChoiceEntries(State().settings, userPower_->text().toStdString(),
                                             diameter_->text().toStdString(), power_->text().toStdString());
    ShowValues();
    if (valid) accept();
    else Beep();
}

// ---------------------------------------------------------------------------
// TLabelDialog

TLabelDialog::TLabelDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TLabelDialog");
    setWindowTitle("Label Current Image");
    text_ = WithId(new QLineEdit, kLabelText);
    text_->setMaxLength(kLabelMaxText);
    autoDate_ = WithId(new QCheckBox("Auto Date"), kLabelAutoDate);
    autoDate_->setChecked(LabelAutoDate());
    connect(autoDate_, &QCheckBox::toggled, this, [](bool on) { LabelAutoDate() = on; });
    QPushButton* ok = Button("OK", kLabelOk);
    QPushButton* cancel = Button("Cancel", kCancel);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter the Label text"));
    layout->addWidget(text_);
    layout->addWidget(autoDate_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

QString TLabelDialog::Text() const { return text_->text(); }

// ---------------------------------------------------------------------------
// Commands

namespace {

std::string AskCalibrationFile(const char* title) {
    int filterIndex = 1;
    return Sys().files->AskOpen(title, kCalibrationFileFilter, filterIndex, "");
}

}  // namespace

void RunSubtractDarkCommand() {
    const std::string name = AskCalibrationFile("Subtract Image (Dark Frame)");
    if (!name.empty()) SubtractDarkFile(name);
}

void RunApplyFlatCommand() {
    const std::string name = AskCalibrationFile("Apply Flat Field");
    if (!name.empty()) ApplyFlatFile(name);
}

void RunMergeCommand() {
    if (StartMerge(CurrentMergeDisplay()) != 0) return;
    auto* dialog = new TMergeDialog(MainWindowWidget());
    dialog->show();
}

void RunUndoCommand() {
    UndoLastFilter();
    RedrawImage();
}

void RunHistoryCommand() { ShowHistoryBox(); }

void RunAutoProcessingCommand() {
    TAutoDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) SaveSettingsReporting(24);
}

void RunLabelCommand() {
    TLabelDialog dialog(MainWindowWidget());
    if (dialog.exec() != QDialog::Accepted) return;
    LabelImage(LabelAutoDate(), dialog.Text().toStdString());
    RedrawImage();
}

namespace {
const bool registered = [] {
    RegisterCommand(cmd::kSubtractDark, RunSubtractDarkCommand);
    RegisterCommand(cmd::kApplyFlat, RunApplyFlatCommand);
    RegisterCommand(cmd::kMergeImages, RunMergeCommand);
    RegisterCommand(cmd::kUndoLastFilter, RunUndoCommand);
    RegisterCommand(cmd::kProcessingHistory, RunHistoryCommand);
    RegisterCommand(cmd::kAutoProcessing, RunAutoProcessingCommand);
    RegisterCommand(cmd::kLabel, RunLabelCommand);
    return true;
}();
}  // namespace
