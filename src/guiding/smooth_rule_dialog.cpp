#include "guiding/smooth_rule_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>
#include <cmath>

#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/smooth_params.h"

SmoothRuleDialog::SmoothRuleDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Correction Rule");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    rule_ = new QComboBox;
    rule_->setObjectName("rule");
    for (GuideRule r : {GuideRule::Classic, GuideRule::Smooth}) rule_->addItem(GuideRuleName(r));
    rule_->setCurrentIndex(Guider().rule == GuideRule::Smooth ? 1 : 0);
    form->addRow("Correction rule:", rule_);
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    for (size_t i = 0; i < count; ++i) {
        const SmoothParamInfo& p = table[i];
        auto* box = new QDoubleSpinBox;
        box->setObjectName(p.key);
        // Whole milliseconds and seconds; two decimals for the fractions and pixels.
        box->setDecimals(p.max >= 100 ? 0 : 2);
        box->setSingleStep(p.max >= 100 ? 10 : 0.05);
        box->setRange(p.min, p.max);
        box->setValue(Guider().smooth.*p.member);
        form->addRow(p.label, box);
        values_.push_back(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void SmoothRuleDialog::Apply() {
    GuiderState& g = Guider();
    g.rule = rule_->currentIndex() == 1 ? GuideRule::Smooth : GuideRule::Classic;
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    for (size_t i = 0; i < count && i < values_.size(); ++i) SetSmoothParam(g.smooth, table[i], values_[i]->value());
    SaveGuidingFile();
}
