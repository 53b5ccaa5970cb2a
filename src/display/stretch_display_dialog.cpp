#include "display/stretch_display_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/ui_hooks.h"
#include "display/display_state.h"
#include "display/view_command_ids.h"
#include "display/view_options.h"

namespace {

QPointer<TMaxDialog>& OpenDialog() {
    static QPointer<TMaxDialog> dialog;
    return dialog;
}

// Qt's scroll bar actions as the dialog's scroll codes; false for the ones
// it ignores.
bool ToScrollAction(int action, ScrollAction& out) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: out = ScrollAction::LineUp; return true;
    case QAbstractSlider::SliderSingleStepAdd: out = ScrollAction::LineDown; return true;
    case QAbstractSlider::SliderPageStepSub: out = ScrollAction::PageUp; return true;
    case QAbstractSlider::SliderPageStepAdd: out = ScrollAction::PageDown; return true;
    case QAbstractSlider::SliderMove: out = ScrollAction::Thumb; return true;
    default: return false;
    }
}

constexpr int kCloseButton = 2;

}  // namespace

TMaxDialog::TMaxDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TMaxDialog");
    setWindowTitle("Stretch Display");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* grid = new QGridLayout(this);
    power_ = WithId(new QScrollBar(Qt::Horizontal), display_cmd::kStretchPowerScroll);
    power_->setRange(2, 50);
    power_->setPageStep(1);
    powerText_ = WithId(new QLineEdit, display_cmd::kStretchPowerEdit);
    powerText_->setReadOnly(true);
    black_ = WithId(new QScrollBar(Qt::Horizontal), display_cmd::kStretchBlackScroll);
    black_->setRange(0, 250);
    black_->setPageStep(1);
    blackText_ = WithId(new QLineEdit, display_cmd::kStretchBlackEdit);
    blackText_->setReadOnly(true);
    activate_ = WithId(new QCheckBox("Activate"), display_cmd::kStretchActivate);
    auto* closeButton = WithId(new QPushButton("Close"), kCloseButton);

    grid->addWidget(new QLabel("Power"), 0, 0);
    grid->addWidget(power_, 0, 1);
    grid->addWidget(powerText_, 0, 2);
    grid->addWidget(new QLabel("Black level"), 1, 0);
    grid->addWidget(black_, 1, 1);
    grid->addWidget(blackText_, 1, 2);
    grid->addWidget(activate_, 2, 0, 1, 2);
    grid->addWidget(closeButton, 2, 2);
    resize(360, 120);

    connect(power_, &QAbstractSlider::actionTriggered, this, [this](int action) { PowerAction(action); });
    connect(black_, &QAbstractSlider::actionTriggered, this, [this](int action) { BlackAction(action); });
    connect(activate_, &QCheckBox::clicked, this, [this] {
        RunCommand(cmd::kStretchDisplayToggle);
        Refresh();
    });
    connect(closeButton, &QPushButton::clicked, this, [this] {
        unsetCursor();
        close();
        RepaintMainWindow();
    });
    Refresh();
}

TMaxDialog::~TMaxDialog() = default;

TMaxDialog* TMaxDialog::Instance() { return OpenDialog().data(); }

TMaxDialog* TMaxDialog::Open() {
    if (!OpenDialog()) OpenDialog() = new TMaxDialog(MainWindowWidget());
    TMaxDialog* dialog = OpenDialog().data();
    dialog->show();
    dialog->raise();
    return dialog;
}

void TMaxDialog::Refresh() {
    const DisplayOptions& o = ViewOptions();
    const QSignalBlocker blockPower(power_);
    const QSignalBlocker blockBlack(black_);
    power_->setValue(int(o.stretchPower));
    black_->setValue(o.stretchBlackLevel);
    powerText_->setText(QString::number(o.stretchPower, 'g', 6));
    blackText_->setText(QString::number(o.stretchBlackLevel));
    activate_->setChecked(o.stretchDisplay);
}

void TMaxDialog::PowerAction(int action) {
    ScrollAction a;
    if (!ToScrollAction(action, a)) return;
    DisplayOptions& o = ViewOptions();
    o.stretchPower = ScrollStretchPower(o.stretchPower, a, power_->sliderPosition());
    power_->setSliderPosition(int(o.stretchPower));
    Changed();
}

void TMaxDialog::BlackAction(int action) {
    ScrollAction a;
    if (!ToScrollAction(action, a)) return;
    DisplayOptions& o = ViewOptions();
    o.stretchBlackLevel = int16_t(ScrollStretchBlackLevel(o.stretchBlackLevel, a, black_->sliderPosition()));
    black_->setSliderPosition(o.stretchBlackLevel);
    Changed();
}

void TMaxDialog::Changed() {
    powerText_->setText(QString::number(ViewOptions().stretchPower, 'g', 6));
    blackText_->setText(QString::number(ViewOptions().stretchBlackLevel));
    update();
    RunCommand(cmd::kStretchDisplayRedraw);
    RepaintMainWindow();
}
