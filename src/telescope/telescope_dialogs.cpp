#include "telescope/telescope_dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/state.h"
#include "platform/platform.h"
#include "telescope/lx200.h"
#include "telescope/telescope_control.h"
#include "telescope/telescope_link.h"

using namespace scope;

namespace {

QPushButton* Button(const char* text, int id) {
    auto* b = WithId(new QPushButton(text), id);
    b->setAutoDefault(false);
    return b;
}

void Box(const char* caption, const char* text) { Sys().messages->Show(caption, text, MessageIcon::None); }

}  // namespace

TScopeScrollBar::TScopeScrollBar(Qt::Orientation orientation, std::function<void(int)> onLine,
                                 std::function<void()> onEnd)
    : QScrollBar(orientation), onLine_(std::move(onLine)), onEnd_(std::move(onEnd)) {
    setRange(0, 100);
    setValue(50);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == SliderSingleStepSub) onLine_(-1);
        if (action == SliderSingleStepAdd) onLine_(1);
    });
}

void TScopeScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    setValue(50);
    onEnd_();
}

TMTDialog::TMTDialog(QWidget* parent, bool autostar)
    : QDialog(parent), ids_(autostar ? kAutostarIds : kLx200Ids), autostar_(autostar) {
    setObjectName(autostar ? "TMTADialog" : "TMTDialog");
    setWindowTitle(autostar ? "Velmora_USB Move Telescope  - Meade Acustar (TM)"
                            : "Velmora_USB Move Telescope - LX200 non-GPS (TM)");
    auto* grid = new QGridLayout(this);

    // Catalogue objects.
    auto* objects = new QGroupBox("Object");
    auto* ol = new QGridLayout(objects);
    ol->addWidget(new QLabel("Messier"), 0, 0);
    ol->addWidget(WithId(new QLineEdit("0"), ids_.messier), 0, 1);
    ol->addWidget(new QLabel("NGC"), 1, 0);
    ol->addWidget(WithId(new QLineEdit("0"), ids_.ngc), 1, 1);
    auto* gotoObject = Button("GoTo Object", ids_.gotoObject);
    ol->addWidget(gotoObject, 2, 0, 1, 2);
    connect(gotoObject, &QPushButton::clicked, this, [this] { GotoObject(); });
    grid->addWidget(objects, 0, 0);

    // Co-ordinates.
    auto* coords = new QGroupBox("Co-ordinates");
    auto* cl = new QGridLayout(coords);
    cl->addWidget(new QLabel("R.A. hr"), 0, 0);
    cl->addWidget(WithId(new QLineEdit("0"), ids_.raHours), 0, 1);
    cl->addWidget(new QLabel("min"), 0, 2);
    cl->addWidget(WithId(new QLineEdit("0"), ids_.raMinutes), 0, 3);
    cl->addWidget(new QLabel("Dec deg"), 1, 0);
    cl->addWidget(WithId(new QLineEdit("0"), ids_.decDegrees), 1, 1);
    cl->addWidget(new QLabel("min"), 1, 2);
    cl->addWidget(WithId(new QLineEdit("0"), ids_.decMinutes), 1, 3);
    auto* gotoCoords = Button("Go To ", ids_.gotoCoordinates);
    cl->addWidget(gotoCoords, 2, 0, 1, 4);
    connect(gotoCoords, &QPushButton::clicked, this, [this] { GotoCoordinates(); });
    grid->addWidget(coords, 0, 1);

    // Planets (LX200 only).
    if (!autostar) {
        auto* planets = new QGroupBox("Planets");
        auto* pl = new QGridLayout(planets);
        for (int i = 0; i < 8; ++i) {
            auto* b = Button(kPlanetNames[i], kIdFirstPlanet + i);
            pl->addWidget(b, i / 4, i % 4);
            const int number = PlanetNumber(kPlanetNames[i]);
            connect(b, &QPushButton::clicked, this, [this, number] {
                ::GotoCatalogue('s', number);
                Redraw();
            });
        }
        grid->addWidget(planets, 1, 0, 1, 2);
    }

    // Slew rate and focus speed.
    auto* rates = new QGroupBox("Slew Rate");
    auto* rl = new QVBoxLayout(rates);
    const char* rateTexts[4] = {"Slew", "Find", "Centre", "Guide"};
    const int rateIds[4] = {ids_.rateSlew, ids_.rateFind, ids_.rateCentre, ids_.rateGuide};
    const char* rateCommands[4] = {kRateSlew, kRateFind, kRateCentre, kRateGuide};
    for (int i = 0; i < 4; ++i) {
        rates_[i] = WithId(new QRadioButton(rateTexts[i]), rateIds[i]);
        rates_[i]->setAutoExclusive(false);
        rl->addWidget(rates_[i]);
        const char* command = rateCommands[i];
        connect(rates_[i], &QRadioButton::clicked, this, [this, command] {
            TelescopeControl().rate = command;
            Redraw();
        });
    }
    grid->addWidget(rates, 2, 0);
    auto* speeds = new QGroupBox("Focus Speed");
    auto* sl = new QVBoxLayout(speeds);
    const char* speedTexts[2] = {"Fast", "Slow"};
    const int speedIds[2] = {ids_.focusFast, ids_.focusSlow};
    const char* speedCommands[2] = {kFocusFast, kFocusSlow};
    for (int i = 0; i < 2; ++i) {
        speeds_[i] = WithId(new QRadioButton(speedTexts[i]), speedIds[i]);
        speeds_[i]->setAutoExclusive(false);
        sl->addWidget(speeds_[i]);
        const char* command = speedCommands[i];
        connect(speeds_[i], &QRadioButton::clicked, this, [this, command] {
            TelescopeControl().focusSpeed = command;
            Redraw();
        });
    }
    grid->addWidget(speeds, 2, 1);

    // The move arrows and the focus arrows.
    auto* moves = new QGroupBox("Move");
    auto* ml = new QHBoxLayout(moves);
    auto* horizontal = WithId(new TScopeScrollBar(
                                  Qt::Horizontal, [this](int step) { ArrowPressed(step < 0 ? 'w' : 'e'), Redraw(); },
                                  [this] { ArrowReleased(), Redraw(); }),
                              ids_.horizontal);
    auto* vertical = WithId(new TScopeScrollBar(
                                Qt::Vertical, [this](int step) { ArrowPressed(step < 0 ? 'n' : 's'), Redraw(); },
                                [this] { ArrowReleased(), Redraw(); }),
                            ids_.vertical);
    auto* focus = WithId(new TScopeScrollBar(
                             Qt::Vertical, [this](int step) { FocusArrowPressed(step < 0), Redraw(); },
                             [this] { FocusArrowReleased(), Redraw(); }),
                         ids_.focus);
    horizontal->setMinimumWidth(120);
    ml->addWidget(horizontal);
    ml->addWidget(vertical);
    ml->addWidget(new QLabel("Focus"));
    ml->addWidget(focus);
    grid->addWidget(moves, 3, 0, 1, 2);

    // What the mount answered.
    auto* answers = new QGroupBox("Info from Scope");
    auto* al = new QGridLayout(answers);
    info_ = WithId(new QLabel, ids_.scopeInfo);
    answer_ = WithId(new QLabel, ids_.slewAnswer);
    al->addWidget(info_, 0, 0, 1, 2);
    al->addWidget(new QLabel("Slew:"), 1, 0);
    al->addWidget(answer_, 1, 1);
    if (autostar) {
        al->addWidget(new QLabel("Telescope Position"), 2, 0, 1, 2);
        ra_ = WithId(new QLabel, ids_.ra);
        dec_ = WithId(new QLabel, ids_.dec);
        al->addWidget(ra_, 3, 0);
        al->addWidget(dec_, 3, 1);
    }
    grid->addWidget(answers, 4, 0, 1, 2);

    auto* row = new QHBoxLayout;
    auto* help = Button("Help", kIdHelp);
    auto* finished = Button("Finished", kIdFinished);
    row->addWidget(help);
    row->addStretch();
    row->addWidget(finished);
    grid->addLayout(row, 5, 0, 1, 2);
    connect(help, &QPushButton::clicked, this, [] { Box(kControlCaption, kControlHelp); });
    connect(finished, &QPushButton::clicked, this, &QDialog::accept);
    Redraw();
}

// The number in an edit field; false when the text is not a whole number
// of 16 bits (such a value is out of every range).
bool TMTDialog::FieldOk(int id, int& value) const {
    auto* edit = FindControl<QLineEdit>(this, id);
    bool ok = false;
    value = edit ? edit->text().trimmed().toInt(&ok) : 0;
    if (edit && edit->text().trimmed().isEmpty()) {
        value = 0;
        ok = true;
    }
    return ok && value >= -32768 && value <= 32767;
}

void TMTDialog::GotoObject() {
    int messier = 0, ngc = 0;
    const bool m = FieldOk(ids_.messier, messier);
    const bool n = FieldOk(ids_.ngc, ngc);
    char catalogue = 0;
    int number = 0;
    if (!ChooseObject(m ? messier : -1, n ? ngc : -1, catalogue, number)) {
        Box(autostar_ ? kAutostarControlCaption : kControlCaption, kObjectOutOfRange);
        return;
    }
    ::GotoCatalogue(catalogue, number);
    Redraw();
}

void TMTDialog::GotoCoordinates() {
    int h, m, d, dm;
    const bool ok = FieldOk(ids_.raHours, h) && FieldOk(ids_.raMinutes, m) && FieldOk(ids_.decDegrees, d) &&
                    FieldOk(ids_.decMinutes, dm);
    if (!ok || !ValidCoordinates(h, m, d, dm)) {
        Box(kControlCaption, kInvalidCoordinates);
        return;
    }
    ::GotoCoordinates(h, m, d, dm);
    Redraw();
}

void TMTDialog::Redraw() {
    const TelescopeLinkState& link = TelescopeLink();
    const TelescopeControlState& c = TelescopeControl();
    info_->setText(QString::fromStdString(link.scopeInfo));
    answer_->setText(QString::fromStdString(link.slewAnswer));
    const char r = c.rate.size() > 3 ? c.rate[3] : 'G';
    const int rate = r == 'S' ? 0 : r == 'M' ? 1 : r == 'C' ? 2 : 3;
    for (int i = 0; i < 4; ++i) rates_[i]->setChecked(i == rate);
    const bool fast = c.focusSpeed.size() > 3 && c.focusSpeed[3] == 'F';
    speeds_[0]->setChecked(fast);
    speeds_[1]->setChecked(!fast);
    if (ra_) ra_->setText(QString::fromStdString(link.raText));
    if (dec_) dec_->setText(QString::fromStdString(link.decText));
}

TMTADialog::TMTADialog(QWidget* parent) : TMTDialog(parent, true) {}

TMTADialog::~TMTADialog() { qApp->removeEventFilter(this); }

void TMTADialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (State().settings.driveMethod != 'a' || polling_) return;
    QPointer<TMTADialog> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self) self->PollPosition();
    });
}

bool TMTADialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == this || isAncestorOf(widget))) stopPolling_ = true;
    }
    return false;
}

void TMTADialog::PollPosition() {
    polling_ = true;
    stopPolling_ = false;
    qApp->installEventFilter(this);
    QPointer<TMTADialog> self(this);
    for (;;) {
        Sys().events->Pump();
        if (!self || !self->isVisible() || self->stopPolling_) break;
        Beep();
        ReadPosition(true);
        ++polls_;
        Redraw();
    }
    if (!self) return;
    qApp->removeEventFilter(this);
    polling_ = false;
}

TCBDialog::TCBDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TCBDialog");
    setWindowTitle("Move Telescope");
    auto* layout = new QHBoxLayout(this);
    auto* horizontal = WithId(new TScopeScrollBar(
                                  Qt::Horizontal, [](int step) { RelayArrowPressed(step < 0 ? 'w' : 'e'); },
                                  [] { RelayArrowReleased(); }),
                              kIdRelayHorizontal);
    auto* vertical = WithId(new TScopeScrollBar(
                                Qt::Vertical, [](int step) { RelayArrowPressed(step < 0 ? 'n' : 's'); },
                                [] { RelayArrowReleased(); }),
                            kIdRelayVertical);
    horizontal->setMinimumWidth(120);
    layout->addWidget(horizontal);
    layout->addWidget(vertical);
    auto* finished = Button("Finished", kIdFinished);
    layout->addWidget(finished);
    connect(finished, &QPushButton::clicked, this, &QDialog::accept);
}

void RunTelescopeControl() {
    const char method = State().settings.driveMethod;
    if (method == 'n') return;
    if (!PrepareTelescopeControl()) return;
    if (State().settings.driveMethod == 'b') {
        TCBDialog dialog(MainWindowWidget());
        dialog.exec();
    } else if (State().settings.driveMethod == 'a') {
        TMTADialog dialog(MainWindowWidget());
        dialog.exec();
    } else {
        TMTDialog dialog(MainWindowWidget());
        dialog.exec();
    }
    // A move still running when the dialog closed stops with it.
    if (TelescopeControl().moving) {
        if (State().settings.driveMethod == 'b') {
            RelayArrowReleased();
        } else {
            ArrowReleased();
        }
    }
    FocusArrowReleased();
}

namespace {
const bool registered = RegisterCommand(cmd::kTelescopeControl, RunTelescopeControl);
}
