// "Sub-Frame Selection" (TSubFrameDialog): the size of the user sub-frame.
#pragma once
#include <QDialog>

class QRadioButton;

class TSubFrameDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSubFrameDialog(QWidget* parent = nullptr);
    void Redraw();

private:
    QRadioButton* buttons_[3] = {};
};

// Command 124: recentre, the dialog, then the scroll range and the image.
void RunSubFrameSelection();
