#include "display/photometry_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/messages.h"
#include "core/ui_hooks.h"
#include "display/display_state.h"
#include "display/image_view_widget.h"
#include "display/photometry.h"
#include "platform/platform.h"

namespace {

constexpr int kFinished = 2;
constexpr int kHelp = 9;
constexpr const char* kHelpCaption = "Velmora_USB - Control Photometry";
constexpr const char* kHelpText = "Select the value you wish to record when you next press the left mouse button";

QPointer<TPHDialog>& OpenDialog() {
    static QPointer<TPHDialog> dialog;
    return dialog;
}

void SetViewCursor(Qt::CursorShape shape) {
    if (QWidget* window = MainWindowWidget())
        if (auto* view = window->findChild<TImageView*>()) view->viewport()->setCursor(shape);
}

PhotometryFigures Figures() { return ComputePhotometry(Photometry(), Picking().maskRadius, BlackPoint()); }

const bool registered = RegisterCommand(cmd::kPhotometry, OpenPhotometryWindow);

}  // namespace

TPHDialog::TPHDialog(QWidget* parent) : QDialog(parent), controls_(this, [this] { Refresh(); }) {
    setObjectName("TPHDialog");
    setWindowTitle("PHOTOMETRY");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    Build();
    PhotometryListener() = [] {
        if (TPHDialog* d = TPHDialog::Instance()) d->Refresh();
    };
    Refresh();
}

TPHDialog::~TPHDialog() {
    PhotometryListener() = nullptr;
    FinishPhotometry();
    SetViewCursor(Qt::ArrowCursor);
    RepaintMainWindow();
}

TPHDialog* TPHDialog::Instance() { return OpenDialog().data(); }

void TPHDialog::Build() {
    auto* grid = new QGridLayout(this);
    auto measure = controls_.Group(grid, "Measure", 0, 0);
    auto selectable = [&](int id, const char* text, char which) {
        controls_.Radio(measure, id, text, [which] { return Photometry().selected == which; },
                        [which] { SelectMeasurement(which); });
    };
    selectable(101, "Object", 'o');
    selectable(102, "Comparison", 'c');
    selectable(103, "Background", 'b');

    auto mask = controls_.Group(grid, "Diameter of Mask", 0, 1);
    auto maskRadio = [&](int id, const char* text, int r) {
        controls_.Radio(mask, id, text, [r] { return Picking().maskRadius == r; }, [r] { SetMaskRadius(r); });
    };
    maskRadio(117, "Single Pixel", 0);
    maskRadio(114, "5 Pixels", 2);
    maskRadio(115, "7 Pixels", 3);
    maskRadio(116, "9 Pixels", 4);
    maskRadio(118, "13 Pixels", 6);
    maskRadio(119, "17 Pixels", 8);

    // Positions and values: one row per measurement.
    auto* values = new QGridLayout;
    values->addWidget(new QLabel("x"), 0, 1);
    values->addWidget(new QLabel("y"), 0, 2);
    values->addWidget(new QLabel("Value"), 0, 3);
    auto edit = [&](int id, int row, int column, std::function<QString()> content) {
        auto* box = new QHBoxLayout;
        QLineEdit* e = controls_.Edit(box, id, std::move(content));
        e->setReadOnly(true);
        values->addLayout(box, row, column);
    };
    auto number = [](int v) { return QString::number(v); };
    const char* names[3] = {"Object", "Comparison", "Background"};
    for (int i = 0; i < 3; ++i) {
        values->addWidget(new QLabel(names[i]), i + 1, 0);
        auto which = [i]() -> const PhotometryMeasure& {
            const PhotometryRecord& p = Photometry();
            return i == 0 ? p.object : i == 1 ? p.comparison : p.background;
        };
        edit(104 + 2 * i, i + 1, 1, [which, number] { return number(which().x); });
        edit(105 + 2 * i, i + 1, 2, [which, number] { return number(which().y); });
    }
    edit(110, 1, 3, [] { return QString::fromStdString(FormatMean(Figures().objectMean)); });
    edit(111, 2, 3, [] { return QString::fromStdString(FormatMean(Figures().comparisonMean)); });
    edit(112, 3, 3, [] { return QString::fromStdString(FormatMean(Figures().backgroundLevel)); });
    values->addWidget(new QLabel("Magnitude difference"), 4, 0, 1, 3);
    edit(113, 4, 3, [] { return QString::fromStdString(FormatMagnitude(Figures())); });
    grid->addLayout(values, 1, 0, 1, 2);

    auto cursor = controls_.Group(grid, "Cursor Position", 2, 0);
    cursor->addWidget(new QLabel(" x           y            value"));
    auto* cursorRow = new QHBoxLayout;
    auto pointer = [](int id) {
        return [id] {
            const PhotometryRecord& p = Photometry();
            if (!p.pointerShown) return QString();
            if (id == 1018) return QString::number(p.pointerX);
            if (id == 1019) return QString::number(p.pointerY);
            return QString::fromStdString(FormatPointerValue(p.pointerValue));
        };
    };
    for (int id : {1018, 1019, 1020}) controls_.Edit(cursorRow, id, pointer(id))->setReadOnly(true);
    cursor->addLayout(cursorRow);

    auto* buttons = new QVBoxLayout;
    auto* finished = WithId(new QPushButton("Finished"), kFinished);
    auto* help = WithId(new QPushButton("Help"), kHelp);
    buttons->addWidget(finished);
    buttons->addWidget(help);
    buttons->addStretch();
    grid->addLayout(buttons, 2, 1);
    connect(finished, &QPushButton::clicked, this, &QDialog::close);
    connect(help, &QPushButton::clicked, this,
            [] { Sys().messages->Show(kHelpCaption, kHelpText, MessageIcon::None); });
}

void TPHDialog::Refresh() { controls_.Redraw(); }

void OpenPhotometryWindow() {
    if (StartPhotometry() != 0) return;
    SetViewCursor(Qt::CrossCursor);
    auto* dialog = new TPHDialog(MainWindowWidget());
    OpenDialog() = dialog;
    dialog->show();
    dialog->raise();
}
