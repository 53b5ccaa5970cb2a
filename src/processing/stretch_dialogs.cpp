#include "processing/stretch_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "display/display_state.h"
#include "platform/platform.h"
#include "processing/stretches.h"
#include "processing/tool_widgets.h"

using namespace stretch_ctl;

namespace {

// Scroll bars and value boxes of the Contrast dialogs.
QScrollBar* HorizontalScroll(int id, int minimum, int maximum, int value) {
    return ToolScroll(id, minimum, maximum, value, 10, 260);
}

QLineEdit* ValueBox(int id, const QString& text, bool readOnly = true) {
    return ToolValueBox(id, text, 70, readOnly);
}

QHBoxLayout* DialogButtons(QDialog* dialog, const char* helpCaption, const char* helpText) {
    return ToolDialogButtons(dialog, kHelp, helpCaption, helpText);
}

// The histogram of the display bytes with the black and white markers, in
// the dialog's own pixel coordinates.
class HistogramPanel : public QWidget {
public:
    HistogramPanel(const int* black, const int* white) : black_(black), white_(white) {
        setFixedSize(272, 236);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const auto& counts = HistogramCounters();
        for (int i = 0; i < 256; ++i) {
            int height = counts[i] / 5;
            const bool capped = height > 210;
            if (capped) height = 210;
            painter.setPen(capped ? QColor(255, 0, 0) : QColor(0, 0, 0));
            painter.drawLine(i + 8, 210, i + 8, 210 - height);
        }
        painter.setPen(QColor(0, 0, 255));
        painter.drawLine(5, 213, 263, 213);
        for (int x = 40; x <= 264; x += 32) {
            const bool longer = x == 72 || x == 136 || x == 200;
            painter.drawLine(x, 213, x, longer ? 220 : 217);
        }
        // The markers, in the band (4, 219)-(268, 232).
        painter.setPen(Qt::black);
        painter.setBrush(Qt::black);
        for (int x : {*black_ + 8, std::min(*white_, 255) + 8}) {
            const QPoint arrow[3] = {QPoint(x, 219), QPoint(x - 4, 232), QPoint(x + 4, 232)};
            painter.drawPolygon(arrow, 3);
        }
    }

private:
    const int* black_;
    const int* white_;
};

}  // namespace

// ---------------------------------------------------------------- Normal Stretch

TStretchDialog::TStretchDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TStretchDialog");
    setWindowTitle("Normal Stretch");
    histogram_ = WithId(new HistogramPanel(&black_, &white_), kHistogram);
    blackScroll_ = HorizontalScroll(kBlackScroll, 0, 255, black_);
    whiteScroll_ = HorizontalScroll(kWhiteScroll, 1, 300, white_);
    blackEdit_ = ValueBox(kBlackEdit, "0", false);
    whiteEdit_ = ValueBox(kWhiteEdit, "255", false);
    auto* setBlack = WithId(new QPushButton("Set Black"), kSetBlack);
    auto* setWhite = WithId(new QPushButton("Set White"), kSetWhite);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Black"), 0, 0);
    grid->addWidget(blackScroll_, 0, 1);
    grid->addWidget(blackEdit_, 0, 2);
    grid->addWidget(setBlack, 0, 3);
    grid->addWidget(new QLabel("White"), 1, 0);
    grid->addWidget(whiteScroll_, 1, 1);
    grid->addWidget(whiteEdit_, 1, 2);
    grid->addWidget(setWhite, 1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(histogram_);
    layout->addLayout(grid);
    layout->addLayout(DialogButtons(this, kNormalStretchHelpCaption, kNormalStretchHelpText));

    connect(blackScroll_, &QAbstractSlider::valueChanged, this, [this](int v) { SetBlack(v); });
    connect(whiteScroll_, &QAbstractSlider::valueChanged, this, [this](int v) { SetWhite(v); });
    // Typed values take effect with the set buttons.
    connect(setBlack, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const int v = blackEdit_->text().trimmed().toInt(&ok);
        if (ok) SetBlack(v);
        else Show();
    });
    connect(setWhite, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const int v = whiteEdit_->text().trimmed().toInt(&ok);
        if (ok) SetWhite(v);
        else Show();
    });
    Show();
}

void TStretchDialog::SetBlack(int value) {
    // 0..255 and below white.
    black_ = std::clamp(value, 0, std::min(255, white_ - 1));
    Show();
}

void TStretchDialog::SetWhite(int value) {
    // 1..300 and above black.
    white_ = std::clamp(value, std::max(1, black_ + 1), 300);
    Show();
}

void TStretchDialog::Show() {
    const QSignalBlocker b(blackScroll_), w(whiteScroll_);
    blackScroll_->setValue(black_);
    whiteScroll_->setValue(white_);
    blackEdit_->setText(QString::number(black_));
    whiteEdit_->setText(QString::number(white_));
    histogram_->update();
}

// ---------------------------------------------------------------- Power Law Stretch

namespace {
QString PowerText(double p) {
    char text[16];
    std::snprintf(text, sizeof text, "%1.1f", p);
    return text;
}
}  // namespace

TPowerDialog::TPowerDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TPowerDialog");
    setWindowTitle("Power Law Stretch");
    scroll_ = HorizontalScroll(kPowerScroll, 1, 30, 10);
    scroll_->setPageStep(5);
    edit_ = ValueBox(kPowerEdit, "1.0");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Power"));
    row->addWidget(scroll_);
    row->addWidget(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(DialogButtons(this, kPowerHelpCaption, kPowerHelpText));
    connect(scroll_, &QAbstractSlider::actionTriggered, this, [this](int action) { Action(action); });
    Show();
}

void TPowerDialog::Action(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            if (power_ > 0.2) power_ -= 0.1;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            if (power_ < 3.0) power_ += 0.1;
            break;
        case QAbstractSlider::SliderPageStepSub:
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderMove:
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum:
            // Larger moves take the tenths under the thumb.
            power_ = std::clamp(scroll_->sliderPosition(), 1, 30) / 10.0;
            break;
        default: return;
    }
    Show();
}

void TPowerDialog::Show() {
    // The bar shows the tenths; the value itself keeps its steps.
    const int tenths = std::clamp(int(power_ * 10 + 0.5), 1, 30);
    const QSignalBlocker block(scroll_);
    scroll_->setSliderPosition(tenths);
    scroll_->setValue(tenths);
    edit_->setText(PowerText(power_));
}

// ---------------------------------------------------------------- Non-Linear Stretch

TNonLiniarDialog::TNonLiniarDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TNonLiniarDialog");
    setWindowTitle("Non-Linear Stretch");
    scroll_ = HorizontalScroll(kNonLinearScroll, 2, 50, power_);
    scroll_->setPageStep(5);
    edit_ = ValueBox(kNonLinearEdit, "25");
    auto* note = new QLabel(kNonLinearNote);
    note->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Power"));
    row->addWidget(scroll_);
    row->addWidget(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(row);
    layout->addLayout(DialogButtons(this, kNonLinearHelpCaption, kNonLinearHelpText));
    connect(scroll_, &QAbstractSlider::valueChanged, this, [this](int v) {
        power_ = std::clamp(v, 2, 50);
        edit_->setText(QString::number(power_));
    });
}

// ---------------------------------------------------------------- commands

void RunNormalStretchCommand() {
    TStretchDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) NormalStretch(dialog.Black(), dialog.White());
}

void RunPowerStretchCommand() {
    TPowerDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) PowerStretch(dialog.Power());
}

void RunNonLinearStretchCommand() {
    TNonLiniarDialog dialog(MainWindowWidget());
    if (dialog.exec() == QDialog::Accepted) NonLinearStretch(dialog.Power());
}

// Uses the black point the display last found.
void RunRemoveBackgroundCommand() { RemoveBackground(BlackPoint(), true); }

namespace {
const bool registered = [] {
    RegisterCommand(cmd::kNormalStretch, RunNormalStretchCommand);
    RegisterCommand(cmd::kPowerLawStretch, RunPowerStretchCommand);
    RegisterCommand(cmd::kSineStretch, SineStretch);
    RegisterCommand(cmd::kRemoveBackground, RunRemoveBackgroundCommand);
    RegisterCommand(cmd::kNonLinearStretch, RunNonLinearStretchCommand);
    RegisterCommand(cmd::kLogStretch, LogStretch);
    RegisterCommand(cmd::kAntilogStretch, AntilogStretch);
    RegisterCommand(cmd::kInvertStretch, InvertStretch);
    return true;
}();
}  // namespace
