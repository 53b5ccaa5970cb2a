#include "core/bound_controls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/control_ids.h"

BoundControls::BoundControls(QWidget* owner, std::function<void()> afterClick)
    : owner_(owner), afterClick_(std::move(afterClick)) {}

QVBoxLayout* BoundControls::Group(QGridLayout* grid, const char* title, int row, int column, int rowSpan) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(2);
    grid->addWidget(box, row, column, rowSpan, 1);
    return layout;
}

QRadioButton* BoundControls::Radio(QBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                                   std::function<void()> select) {
    auto* button = WithId(new QRadioButton(text), id);
    // Checked states come from the record, not from the button group.
    button->setAutoExclusive(false);
    into->addWidget(button);
    QObject::connect(button, &QRadioButton::clicked, owner_, [this, select] {
        select();
        afterClick_();
    });
    OnRedraw([button, isOn] { button->setChecked(isOn()); });
    return button;
}

QCheckBox* BoundControls::Check(QBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                                std::function<void()> toggle) {
    auto* box = WithId(new QCheckBox(text), id);
    into->addWidget(box);
    QObject::connect(box, &QCheckBox::clicked, owner_, [this, toggle] {
        toggle();
        afterClick_();
    });
    OnRedraw([box, isOn] { box->setChecked(isOn()); });
    return box;
}

QLabel* BoundControls::Text(QBoxLayout* into, int id, std::function<QString()> content) {
    auto* label = WithId(new QLabel, id);
    into->addWidget(label);
    OnRedraw([label, content] { label->setText(content()); });
    return label;
}

QLineEdit* BoundControls::Edit(QBoxLayout* into, int id, std::function<QString()> content) {
    auto* edit = WithId(new QLineEdit, id);
    edit->setMaximumWidth(70);
    into->addWidget(edit);
    OnRedraw([edit, content] { edit->setText(content()); });
    return edit;
}

void BoundControls::OnRedraw(std::function<void()> redraw) { redrawers_.push_back(std::move(redraw)); }

void BoundControls::Redraw() {
    if (redrawing_) return;
    redrawing_ = true;
    for (auto& redraw : redrawers_) redraw();
    redrawing_ = false;
}
