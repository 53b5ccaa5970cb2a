#include "app/progress_dialog.h"

#include <QProgressBar>
#include <QVBoxLayout>

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TProgressDialog");
    setWindowTitle(kProgressTitle);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progressBar");
    bar_->setRange(0, kProgressMaximum);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(260);
    layout->addWidget(bar_);
}

void TProgressDialog::SetPosition(int position) {
    bar_->setValue(position < 0 ? 0 : position > kProgressMaximum ? kProgressMaximum : position);
    // The long loops pump events only between steps: paint now.
    bar_->repaint();
}

int TProgressDialog::Position() const { return bar_->value(); }
