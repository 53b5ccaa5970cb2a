// The platform seams as the program runs them on the desktop: modal message
// boxes, the Qt event loop with key and mouse presses as interrupts, the
// beep, the busy cursor, detached programs, the progress window and the file
// dialogs. Only window files include this header.
#pragma once
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

class QObject;
class QProgressBar;
class QDialog;

// Modal box captioned as asked, an OK button (Yes and No for a question),
// the stop icon when asked.
class QtMessageSink : public MessageSink {
public:
    int Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
};

// A Yes/No question that does not hold up the loop running: the box stays
// open while the loop goes on pumping, and answered(button) runs once the
// user has answered. Through any other message sink (a test's) the answer
// comes at once.
void AskWithoutWaiting(const std::string& caption, const std::string& text, std::function<void(int)> answered);

// Dispatches pending events. A key press or a left or right mouse-button
// press that arrives while a long loop pumps counts as an interrupt; presses
// handled by the ordinary message loop do not.
class QtEventPump : public EventPump {
public:
    QtEventPump();
    ~QtEventPump() override;
    void Pump() override;
    bool TakeInterrupt() override;
    // Counts one press (the application-wide event filter calls this).
    void NotePress();
    bool Pumping() const { return pumping_; }

private:
    std::unique_ptr<QObject> filter_;
    bool pumping_ = false;
    int presses_ = 0;
};

class QtSystemServices : public SystemServices {
public:
    ~QtSystemServices() override;
    void Beep() override;
    void SetBusyCursor(bool busy) override;
    bool StartDetached(const std::string& commandLine) override;
    bool Busy() const { return busy_; }

private:
    bool busy_ = false;
};

// TProgressDialog: the small modeless "Filter Progress" window with a 0..256
// bar; its caption names the operation.
class TProgressDialog;
// The window belongs to the main window once there is one, so it goes with
// it; the sink only watches it.
class QtProgressSink : public ProgressSink {
public:
    QtProgressSink();
    ~QtProgressSink() override;
    void Open(const std::string& caption) override;
    void SetCaption(const std::string& caption) override;
    void SetPosition(int position) override;
    void Close() override;
    void SetTimeLeft(int seconds) override;
    TProgressDialog* Dialog();

private:
    QPointer<TProgressDialog> dialog_;
};

class QtFileChooser : public FileChooser {
public:
    std::string AskOpen(const std::string& title, const std::string& filters, int& filterIndex,
                        const std::string& initialName) override;
    std::string AskSave(const std::string& title, const std::string& filters, int& filterIndex,
                        const std::string& initialName) override;
};

// Owns one of each and installs them; the previous platform comes back when
// it is destroyed.
class QtPlatform {
public:
    QtPlatform();
    ~QtPlatform();
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    QtMessageSink messages;
    QtEventPump events;
    QtSystemServices system;
    QtProgressSink progress;
    QtFileChooser files;

private:
    Platform previous_;
};
