#include "files/file_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/control_ids.h"
#include "core/main_window.h"
#include "files/file_command_ids.h"
#include "files/file_state.h"
#include "files/fits_dialog_rules.h"
#include "files/hot_pixels.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QPushButton* Button(QWidget* parent, int id, const char* text) {
    return WithId(new QPushButton(QString::fromUtf8(text), parent), id);
}

}  // namespace

// ---- TFITSDialog ----

TFITSDialog::TFITSDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("FITS DETAILS");
    setModal(true);
    const FitsDialogTexts t = FitsDialogTextsFromDetails();
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto add = [&](const char* label, QWidget* control) {
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(control, row++, 1, 1, 2);
    };
    using namespace fitsdlg;
    add("Object:", Edit(kObject, t.object, 67));
    add("Observer:", Edit(kObserver, t.observer, 67));
    add("Date:", Edit(kDate, t.date, 11));
    add("Time:", Edit(kTime, t.time, 11));
    add("Telescope:", Edit(kTelescope, t.telescope, 67));
    add("Instrumentation:", Edit(kInstrument, t.instrument, 67));
    add("Origin:", Edit(kOrigin, t.origin, 67));
    add("Comments:", Edit(kComments, t.comments, 254));
    add("History:", Edit(kHistory, t.history, 254));
    add("Focal Len (ins):", Edit(kFocalLength, t.focalLength, 19));
    add("Aperture (Sq. ins):", Edit(kAperture, t.aperture, 19));
    add("Filter:", Edit(kFilter, t.filter, 67));
    add("Exposure (secs):", Edit(kExposure, t.exposure, 19));

    utOffset_ = t.utOffset;
    utScroll_ = WithId(new QScrollBar(Qt::Horizontal, this), kUtScroll);
    utScroll_->setRange(kMinUtOffset, kMaxUtOffset);
    utScroll_->setSingleStep(1);
    utScroll_->setPageStep(1);
    utScroll_->setValue(utOffset_);
    utValue_ = WithId(new QLabel(this), kUtValue);
    grid->addWidget(new QLabel("Time Difference to UT in Hrs:", this), row, 0);
    grid->addWidget(utScroll_, row, 1);
    grid->addWidget(utValue_, row++, 2);
    connect(utScroll_, &QAbstractSlider::actionTriggered, this, [this](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
            case QAbstractSlider::SliderPageStepAdd: utOffset_ = StepUtOffset(utOffset_, true); break;
            case QAbstractSlider::SliderSingleStepSub:
            case QAbstractSlider::SliderPageStepSub: utOffset_ = StepUtOffset(utOffset_, false); break;
            case QAbstractSlider::SliderMove: utOffset_ = utScroll_->sliderPosition(); break;
            default: return;
        }
        utScroll_->setSliderPosition(utOffset_);
        ShowUtOffset();
    });
    connect(utScroll_, &QAbstractSlider::valueChanged, this, [this](int value) {
        utOffset_ = value;
        ShowUtOffset();
    });
    ShowUtOffset();

    // Each click toggles its flag at once.
    auto* eightBit = WithId(new QCheckBox("8 bit integer (16 bit default)", this), kEightBit);
    eightBit->setChecked(State().fits.eightBit);
    connect(eightBit, &QCheckBox::clicked, this, [eightBit] {
        State().fits.eightBit = !State().fits.eightBit;
        eightBit->setChecked(State().fits.eightBit);
    });
    auto* unsignedFormat = WithId(new QCheckBox("Unsigned Integer Format", this), kUnsigned);
    unsignedFormat->setChecked(State().settings.unsignedFormat);
    connect(unsignedFormat, &QCheckBox::clicked, this, [unsignedFormat] {
        State().settings.unsignedFormat = !State().settings.unsignedFormat;
        unsignedFormat->setChecked(State().settings.unsignedFormat);
    });
    grid->addWidget(eightBit, row++, 0, 1, 3);
    grid->addWidget(unsignedFormat, row++, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    QPushButton* ok = Button(this, kContinue, "Continue");
    QPushButton* abort = Button(this, kAbort, "Abort");
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(abort);
    grid->addLayout(buttons, row, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &TFITSDialog::Continue);
    connect(abort, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* TFITSDialog::Edit(int id, const std::string& text, int maxLength) {
    auto* edit = WithId(new QLineEdit(this), id);
    edit->setMaxLength(maxLength);
    edit->setText(Q(text));
    edit->setMinimumWidth(360);
    return edit;
}

void TFITSDialog::ShowUtOffset() { utValue_->setText(QString::number(utOffset_)); }

void TFITSDialog::Continue() {
    using namespace fitsdlg;
    auto text = [this](int id) { return S(FindControl<QLineEdit>(this, id)->text()); };
    FitsDialogTexts t;
    t.object = text(kObject);
    t.observer = text(kObserver);
    t.date = text(kDate);
    t.telescope = text(kTelescope);
    t.instrument = text(kInstrument);
    t.comments = text(kComments);
    t.history = text(kHistory);
    t.origin = text(kOrigin);
    t.time = text(kTime);
    t.focalLength = text(kFocalLength);
    t.aperture = text(kAperture);
    t.filter = text(kFilter);
    t.exposure = text(kExposure);
    t.utOffset = utOffset_;
    StoreFitsDialogTexts(t);
    accept();
}

// ---- TDeleteDialog ----

TDeleteDialog::TDeleteDialog(const std::string& fileName, QWidget* parent) : QDialog(parent) {
    setWindowTitle("DELETE FILE DIALOG");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Delete this file?", this));
    auto* name = WithId(new QLineEdit(Q(fileName), this), deletedlg::kName);
    name->setReadOnly(true);
    name->setMinimumWidth(360);
    layout->addWidget(name);
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = Button(this, deletedlg::kOk, "OK");
    QPushButton* cancel = Button(this, deletedlg::kCancel, "Cancel");
    cancel->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- THPMDialog ----

THPMDialog::THPMDialog(const Pixel* image, QWidget* parent) : QDialog(parent), image_(image) {
    using namespace hpmdlg;
    setWindowTitle("Calculate Hot Pixel Map");
    setModal(true);
    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(new QLabel("NB:\nEnsure you have loaded a valid Darkframe before creating a Hot Pixel Map.", this),
                    row++, 0, 1, 3);
    directory_ = WithId(new QLabel(this), kDirectory);
    grid->addWidget(new QLabel("Current Directory", this), row, 0);
    grid->addWidget(directory_, row++, 1, 1, 2);
    name_ = WithId(new QLineEdit(this), kName);
    name_->setMaxLength(39);
    QPushButton* change = Button(this, kChange, "Change");
    grid->addWidget(new QLabel("New Hot Pixel Map File Name", this), row, 0);
    grid->addWidget(name_, row, 1);
    grid->addWidget(change, row++, 2);
    fullName_ = WithId(new QLabel(this), kFullName);
    grid->addWidget(fullName_, row++, 0, 1, 3);
    count_ = WithId(new QLabel(this), kCount);
    grid->addWidget(new QLabel("Hot Pixels Found", this), row, 0);
    grid->addWidget(count_, row++, 1, 1, 2);
    threshold_ = WithId(new QLabel(this), kThreshold);
    grid->addWidget(new QLabel("Hot Pixel Value", this), row, 0);
    grid->addWidget(threshold_, row++, 1, 1, 2);
    scroll_ = WithId(new QScrollBar(Qt::Horizontal, this), kScroll);
    scroll_->setRange(kMinHotPixelThreshold, kMaxHotPixelThreshold);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(100);
    scroll_->setValue(FileState().hotPixelThreshold);
    scroll_->setMinimumWidth(360);
    grid->addWidget(scroll_, row++, 0, 1, 3);
    grid->addWidget(new QLabel("Adjust the scroller until you have picked up all the hot pixels", this), row++, 0,
                    1, 3);
    auto* buttons = new QHBoxLayout;
    QPushButton* save = Button(this, kSave, "Save Pixel Map");
    QPushButton* finished = Button(this, kFinished, "Finished");
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(finished);
    grid->addLayout(buttons, row, 0, 1, 3);

    connect(scroll_, &QAbstractSlider::actionTriggered, this, &THPMDialog::Scrolled);
    connect(change, &QPushButton::clicked, this, &THPMDialog::Change);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(finished, &QPushButton::clicked, this, &QDialog::reject);
    name_->setText(Q(State().geometry.hotPixelMapName));
    Refresh();
}

void THPMDialog::Refresh() {
    directory_->setText(Q(AutosaveDirectory()));
    count_->setText(QString::number(State().hotPixels.indices.size()));
    fullName_->setText(Q(HotPixelMapFileName()));
    threshold_->setText(QString::number(FileState().hotPixelThreshold));
}

void THPMDialog::Scrolled(int action) {
    ThresholdScroll step;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: step = ThresholdScroll::LineUp; break;
        case QAbstractSlider::SliderSingleStepSub: step = ThresholdScroll::LineDown; break;
        case QAbstractSlider::SliderPageStepAdd: step = ThresholdScroll::PageUp; break;
        case QAbstractSlider::SliderPageStepSub: step = ThresholdScroll::PageDown; break;
        case QAbstractSlider::SliderMove:
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum: step = ThresholdScroll::Thumb; break;
        default: return;
    }
    const int threshold = ScrollThreshold(FileState().hotPixelThreshold, step, scroll_->sliderPosition());
    FileState().hotPixelThreshold = threshold;
    scroll_->setSliderPosition(threshold);
    FindHotPixels(image_);
    Refresh();
}

void THPMDialog::Change() {
    ChangeHotPixelMapName(S(name_->text()));
    name_->setText(Q(State().geometry.hotPixelMapName));
    Refresh();
}

// ---- Modal runs ----

bool RunFitsDetailsDialog() {
    TFITSDialog dialog(MainWindowWidget());
    return dialog.exec() == QDialog::Accepted;
}

bool RunDeleteDialog(const std::string& fileName) {
    TDeleteDialog dialog(fileName, MainWindowWidget());
    return dialog.exec() == QDialog::Accepted;
}

void RunHotPixelMapDialog() {
    THPMDialog dialog(State().imageA, MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) SaveHotPixelMap();
}
