// "Correction Rule" (from the guider dialog): the rule that guides (classic
// or smooth) and one control per smooth rule parameter, walking the
// parameter table. OK sets them in the guider record and saves the guiding
// file.
#pragma once
#include <QDialog>
#include <vector>

class QComboBox;
class QDoubleSpinBox;

class SmoothRuleDialog : public QDialog {
    Q_OBJECT
public:
    explicit SmoothRuleDialog(QWidget* parent = nullptr);
    // Takes the shown choices into Guider() and saves the guiding file.
    void Apply();

private:
    QComboBox* rule_ = nullptr;
    std::vector<QDoubleSpinBox*> values_;  // in the table's order
};
