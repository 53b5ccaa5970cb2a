// "Guiding Assistant": an unguided measurement of a chosen number of
// minutes on the guider head (or the main camera's guiding frame), its
// progress, and what it found; "Use These" takes the recommended minimum
// move and the measured worm period into the smooth rule's parameters.
#pragma once
#include <QDialog>

#include "guiding/guide_assistant.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

inline constexpr const char* kGuidingAssistantCaption = "Guiding Assistant";

class GuidingAssistantWindow : public QDialog {
    Q_OBJECT
public:
    explicit GuidingAssistantWindow(QWidget* parent = nullptr);
    void Start();
    void Stop() { cancel_ = true; }
    void UseThese();
    bool Running() const { return running_; }
    const AssistantResult& Result() const { return result_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Refresh();
    QSpinBox* minutes_;
    QCheckBox* main_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* use_;
    QLabel* progress_;
    QLabel* results_;
    AssistantResult result_;
    bool haveResult_ = false;
    bool running_ = false;
    bool cancel_ = false;
};

// The process-wide window, opened (and raised) on demand.
GuidingAssistantWindow* OpenGuidingAssistant();
GuidingAssistantWindow* CurrentGuidingAssistant();
