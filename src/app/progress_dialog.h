// TProgressDialog: the modeless progress window of long operations.
#pragma once
#include <QDialog>

class QProgressBar;

inline constexpr const char* kProgressTitle = "Filter Progress";
inline constexpr int kProgressMaximum = 256;

class TProgressDialog : public QDialog {
public:
    explicit TProgressDialog(QWidget* parent = nullptr);
    void SetPosition(int position);
    int Position() const;

private:
    QProgressBar* bar_ = nullptr;
};
