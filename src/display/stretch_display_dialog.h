// "Stretch Display" (template 21): the stretch display power and black
// level, and the switch that turns stretch display on and off. Modeless, open
// at most once.
#pragma once
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QScrollBar;

class TMaxDialog : public QDialog {
    Q_OBJECT
public:
    explicit TMaxDialog(QWidget* parent = nullptr);
    ~TMaxDialog() override;
    // Shows the values of the records.
    void Refresh();
    // The open dialog, or nullptr.
    static TMaxDialog* Instance();
    // Opens the dialog (or raises the open one).
    static TMaxDialog* Open();

private:
    void PowerAction(int action);
    void BlackAction(int action);
    void Changed();

    QScrollBar* power_ = nullptr;
    QLineEdit* powerText_ = nullptr;
    QScrollBar* black_ = nullptr;
    QLineEdit* blackText_ = nullptr;
    QCheckBox* activate_ = nullptr;
};
