#include "processing/tool_widgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "core/control_ids.h"
#include "platform/platform.h"

QScrollBar* ToolScroll(int id, int minimum, int maximum, int value, int pageStep, int minimumWidth) {
    auto* scroll = WithId(new QScrollBar(Qt::Horizontal), id);
    scroll->setRange(minimum, maximum);
    scroll->setSingleStep(1);
    scroll->setPageStep(pageStep);
    scroll->setValue(value);
    scroll->setMinimumWidth(minimumWidth);
    return scroll;
}

QLineEdit* ToolValueBox(int id, const QString& text, int maximumWidth, bool readOnly) {
    auto* edit = WithId(new QLineEdit(text), id);
    edit->setReadOnly(readOnly);
    edit->setMaximumWidth(maximumWidth);
    return edit;
}

void ShowToolHelp(const char* caption, const char* text) { Sys().messages->Show(caption, text, MessageIcon::None); }

QHBoxLayout* ToolDialogButtons(QDialog* dialog, int helpId, const char* helpCaption, const char* helpText) {
    auto* ok = WithId(new QPushButton("OK"), 1);
    auto* cancel = WithId(new QPushButton("Cancel"), 2);
    auto* help = WithId(new QPushButton("Help"), helpId);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, dialog, [=] { ShowToolHelp(helpCaption, helpText); });
    auto* row = new QHBoxLayout;
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    return row;
}
