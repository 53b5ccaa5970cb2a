#include "processing/filter_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "platform/platform.h"
#include "processing/filters.h"
#include "processing/tool_widgets.h"

using namespace filter_ctl;

namespace {

// One labelled row of a Filters dialog: a scroll bar over minimum..maximum
// and the read-only box that shows its value; every move stores the value
// (clamped to the range) and shows it as text(value).
struct ValueRow {
    const char* label;
    int scrollId, editId, minimum, maximum;
    int* value;
    QString (*text)(int);
};

QString Decimal(int value) { return QString::number(value); }

// Lays the rows out over OK / Cancel / Help.
void BuildFilterDialog(QDialog* dialog, std::initializer_list<ValueRow> rows, const char* helpCaption,
                       const char* helpText) {
    auto* grid = new QGridLayout;
    int line = 0;
    for (const ValueRow& row : rows) {
        auto* scroll = ToolScroll(row.scrollId, row.minimum, row.maximum, *row.value, 1, 180);
        auto* edit = ToolValueBox(row.editId, row.text(*row.value), 60);
        grid->addWidget(new QLabel(row.label), line, 0);
        grid->addWidget(scroll, line, 1);
        grid->addWidget(edit, line, 2);
        ++line;
        QObject::connect(scroll, &QAbstractSlider::valueChanged, dialog, [row, edit](int v) {
            *row.value = std::clamp(v, row.minimum, row.maximum);
            edit->setText(row.text(*row.value));
        });
    }
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(grid);
    layout->addLayout(ToolDialogButtons(dialog, kHelp, helpCaption, helpText));
}

}  // namespace

QString MedianPowerText(int tenths) {
    return tenths >= 10 ? QStringLiteral("1.0") : QStringLiteral(".%1").arg(tenths);
}

TUnsharpDialog::TUnsharpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TUnsharpDialog");
    setWindowTitle("Unsharp Mask Filter");
    BuildFilterDialog(this,
                      {{"Radius", kUnsharpRadiusScroll, kUnsharpRadiusEdit, 1, 7, &radius_, Decimal},
                       {"Power", kUnsharpPowerScroll, kUnsharpPowerEdit, 1, 7, &power_, Decimal}},
                      kUnsharpHelpCaption, kUnsharpHelpText);
}

TMedianDialog::TMedianDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TMedianDialog");
    setWindowTitle("Median Filter");
    BuildFilterDialog(this,
                      {{"Radius", kMedianRadiusScroll, kMedianRadiusEdit, 1, 3, &radius_, Decimal},
                       {"Power", kMedianPowerScroll, kMedianPowerEdit, 1, 10, &tenths_, MedianPowerText}},
                      kMedianHelpCaption, kMedianHelpText);
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
