// Dialog controls bound to the shared records: each control knows how to show
// the record and what a click does to it. A click changes the record at once,
// then the dialog's refresh runs and Redraw() puts every control in line.
// Included by window and dialog files only.
#pragma once
#include <QString>
#include <functional>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;
class QWidget;

class BoundControls {
public:
    // afterClick runs after every click has changed the record (usually the
    // dialog's refresh, which ends in Redraw()).
    BoundControls(QWidget* owner, std::function<void()> afterClick);

    // A titled group box at a place of the grid, its controls stacked.
    QVBoxLayout* Group(QGridLayout* grid, const char* title, int row, int column, int rowSpan = 1);
    QRadioButton* Radio(QBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                        std::function<void()> select);
    QCheckBox* Check(QBoxLayout* into, int id, const char* text, std::function<bool()> isOn,
                     std::function<void()> toggle);
    QLabel* Text(QBoxLayout* into, int id, std::function<QString()> content);
    QLineEdit* Edit(QBoxLayout* into, int id, std::function<QString()> content);
    // Any other way of showing the record.
    void OnRedraw(std::function<void()> redraw);

    void Redraw();
    // True while Redraw() runs (controls changed by it are not user input).
    bool Redrawing() const { return redrawing_; }

private:
    QWidget* owner_;
    std::function<void()> afterClick_;
    std::vector<std::function<void()>> redrawers_;
    bool redrawing_ = false;
};
