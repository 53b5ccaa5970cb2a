#include "processing/filter_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "processing/filters.h"

using namespace filter_ctl;

namespace {

QScrollBar* HorizontalScroll(int id, int minimum, int maximum, int value) {
    auto* scroll = WithId(new QScrollBar(Qt::Horizontal), id);
    scroll->setRange(minimum, maximum);
    scroll->setSingleStep(1);
    scroll->setPageStep(1);
    scroll->setValue(value);
    scroll->setMinimumWidth(180);
    return scroll;
}

QLineEdit* ValueBox(int id, const QString& text) {
    auto* edit = WithId(new QLineEdit(text), id);
    edit->setReadOnly(true);
    edit->setMaximumWidth(60);
    return edit;
}

QHBoxLayout* DialogButtons(QDialog* dialog, const char* helpCaption, const char* helpText) {
    auto* ok = WithId(new QPushButton("OK"), kOk);
    auto* cancel = WithId(new QPushButton("Cancel"), kCancel);
    auto* help = WithId(new QPushButton("Help"), kHelp);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, dialog,
                     [=] { Sys().messages->Show(helpCaption, helpText, MessageIcon::None); });
    auto* row = new QHBoxLayout;
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    return row;
}

}  // namespace

QString MedianPowerText(int tenths) {
    return tenths >= 10 ? QStringLiteral("1.0") : QStringLiteral(".%1").arg(tenths);
}

TUnsharpDialog::TUnsharpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TUnsharpDialog");
    setWindowTitle("Unsharp Mask Filter");
    auto* radiusScroll = HorizontalScroll(kUnsharpRadiusScroll, 1, 7, radius_);
    auto* powerScroll = HorizontalScroll(kUnsharpPowerScroll, 1, 7, power_);
    auto* radiusEdit = ValueBox(kUnsharpRadiusEdit, "3");
    auto* powerEdit = ValueBox(kUnsharpPowerEdit, "1");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Radius"), 0, 0);
    grid->addWidget(radiusScroll, 0, 1);
    grid->addWidget(radiusEdit, 0, 2);
    grid->addWidget(new QLabel("Power"), 1, 0);
    grid->addWidget(powerScroll, 1, 1);
    grid->addWidget(powerEdit, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(DialogButtons(this, kUnsharpHelpCaption, kUnsharpHelpText));
    connect(radiusScroll, &QAbstractSlider::valueChanged, this, [this, radiusEdit](int v) {
        radius_ = std::clamp(v, 1, 7);
        radiusEdit->setText(QString::number(radius_));
    });
    connect(powerScroll, &QAbstractSlider::valueChanged, this, [this, powerEdit](int v) {
        power_ = std::clamp(v, 1, 7);
        powerEdit->setText(QString::number(power_));
    });
}

TMedianDialog::TMedianDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TMedianDialog");
    setWindowTitle("Median Filter");
    auto* radiusScroll = HorizontalScroll(kMedianRadiusScroll, 1, 3, radius_);
    auto* powerScroll = HorizontalScroll(kMedianPowerScroll, 1, 10, tenths_);
    auto* radiusEdit = ValueBox(kMedianRadiusEdit, "1");
    auto* powerEdit = ValueBox(kMedianPowerEdit, ".6");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Radius"), 0, 0);
    grid->addWidget(radiusScroll, 0, 1);
    grid->addWidget(radiusEdit, 0, 2);
    grid->addWidget(new QLabel("Power"), 1, 0);
    grid->addWidget(powerScroll, 1, 1);
    grid->addWidget(powerEdit, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(DialogButtons(this, kMedianHelpCaption, kMedianHelpText));
    connect(radiusScroll, &QAbstractSlider::valueChanged, this, [this, radiusEdit](int v) {
        radius_ = std::clamp(v, 1, 3);
        radiusEdit->setText(QString::number(radius_));
    });
    connect(powerScroll, &QAbstractSlider::valueChanged, this, [this, powerEdit](int v) {
        tenths_ = std::clamp(v, 1, 10);
        powerEdit->setText(MedianPowerText(tenths_));
    });
}

void RunUnsharpCommand() {
    TUnsharpDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) Unsharp(dialog.Radius(), dialog.Power());
}

void RunMedianCommand() {
    TMedianDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) ConditionalMedian(dialog.Radius(), dialog.PowerTenths());
}

namespace {
const bool registered = [] {
    RegisterCommand(cmd::kUnsharpMask, RunUnsharpCommand);
    RegisterCommand(cmd::kHighPassLowPower, [] { HighPassLowPower(); });
    RegisterCommand(cmd::kHighPassHighPower, HighPassHighPower);
    RegisterCommand(cmd::kSmootherSharper, SmootherSharper);
    RegisterCommand(cmd::kMedianFilter, RunMedianCommand);
    RegisterCommand(cmd::kGaussianSmoother, GaussianFilter);
    RegisterCommand(cmd::kLowPassSmoother, LowpassFilter);
    RegisterCommand(cmd::kBasRelief, BasRelief);
    RegisterCommand(cmd::kGradientFilter, [] { RemoveGradient(); });
    return true;
}();
}  // namespace
