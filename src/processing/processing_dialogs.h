// The windows of calibration, merging, auto-processing and the label:
// TMergeDialog (modeless "MERGE IMAGES"), TAutoDialog ("Auto-Processing
// Choices") and TLabelDialog ("Label Current Image"). Controls carry their
// numeric id as object name.
#pragma once
#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;

class TMergeDialog : public QDialog {
public:
    explicit TMergeDialog(QWidget* parent = nullptr);
    ~TMergeDialog() override;
    // Shows the merge state: selected image, marks, check boxes.
    void Refresh();
    // The open instance, or nullptr.
    static TMergeDialog* Instance();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnMerge();
    void OnCancel();
    QRadioButton* original_;
    QRadioButton* second_;
    QLineEdit* x1_;
    QLineEdit* y1_;
    QLineEdit* x2_;
    QLineEdit* y2_;
    QCheckBox* average_;
    QCheckBox* superimpose_;
    QCheckBox* centre_;
    QCheckBox* asteroid_;
    bool finishing_ = false;
};

class TAutoDialog : public QDialog {
public:
    explicit TAutoDialog(QWidget* parent = nullptr);
    // "Save": validates the three edit boxes; closes with success when all
    // three are valid, otherwise beeps and stays open. The boxes then show the
    // values in force.
    void OnSave();

private:
    void ShowValues();
    QLineEdit* userPower_;
    QLineEdit* diameter_;
    QLineEdit* power_;
};

class TLabelDialog : public QDialog {
public:
    explicit TLabelDialog(QWidget* parent = nullptr);
    QString Text() const;

private:
    QLineEdit* text_;
    QCheckBox* autoDate_;
};

// The command handlers (also run by the tests).
void RunSubtractDarkCommand();
void RunApplyFlatCommand();
void RunMergeCommand();
void RunUndoCommand();
void RunHistoryCommand();
void RunAutoProcessingCommand();
void RunLabelCommand();
