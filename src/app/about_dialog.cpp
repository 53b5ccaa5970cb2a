#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/print_help.h"

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TAboutDialog");
    setWindowTitle(kAboutCaption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        auto* line = new QLabel(QString::fromUtf8(kAboutLines[i]), this);
        line->setObjectName(QString("aboutLine%1").arg(i + 1));
        line->setAlignment(Qt::AlignCenter);
        layout->addWidget(line);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
}
