#include "acquisition/subframe_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "acquisition/acquisition_ids.h"
#include "acquisition/subframe.h"
#include "core/control_ids.h"
#include "core/main_window.h"
#include "core/state.h"
#include "display/display_state.h"
#include "display/render.h"
#include "platform/platform.h"

using namespace acq;

TSubFrameDialog::TSubFrameDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TSubFrameDialog");
    setWindowTitle("Sub-Frame Selection");
    auto* layout = new QVBoxLayout(this);
    const int ids[3] = {kIdSubHalf, kIdSubThird, kIdSubQuarter};
    const char* texts[3] = {"1/2 Frame ", "1/3 Frame ", "1/4 Frame "};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = WithId(new QRadioButton(texts[i]), ids[i]);
        buttons_[i]->setAutoExclusive(false);
        layout->addWidget(buttons_[i]);
        const int divisor = i + 2;
        // Each choice takes effect at once; there is no cancel.
        connect(buttons_[i], &QRadioButton::clicked, this, [this, divisor] {
            SetSubFrameDivisor(divisor);
            Redraw();
        });
    }
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    auto* ok = WithId(new QPushButton("OK"), kIdSubOk);
    auto* help = WithId(new QPushButton("Help"), kIdSubHelp);
    ok->setDefault(true);
    help->setAutoDefault(false);
    row->addWidget(ok);
    row->addWidget(help);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this,
            [] { Sys().messages->Show(kSubFrameHelpCaption, kSubFrameHelpText, MessageIcon::None); });
    Redraw();
}

void TSubFrameDialog::Redraw() {
    const int checked = SubFrameButtonFor(State().geometry.subFrameBinning);
    const int ids[3] = {kIdSubHalf, kIdSubThird, kIdSubQuarter};
    for (int i = 0; i < 3; ++i) buttons_[i]->setChecked(ids[i] == checked);
}

void RunSubFrameSelection() {
    DefaultSubFrameCentre();
    TSubFrameDialog dialog(MainWindowWidget());
    dialog.exec();
    AdjustScroller(false);
    RedrawImage();
}
