// The only door to the system. Everything above this folder reaches message
// boxes, the clock, event pumping, beeps and cursors through these interfaces,
// so tests can install recording and fake implementations.
#pragma once
#include <cstdint>
#include <string>

enum class MessageIcon { None, Stop, Question };

// Modal message boxes. Returns the button pressed (1 = OK, 6 = Yes, 7 = No,
// 2 = Cancel, as the classic box results).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual int Show(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

constexpr int kButtonOk = 1;
constexpr int kButtonCancel = 2;
constexpr int kButtonYes = 6;
constexpr int kButtonNo = 7;

// The millisecond clock. WaitMs is a busy wait against the clock: the program
// sleeps in short slices, a fake clock simply advances.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
    virtual void WaitMs(uint32_t ms) = 0;
    // Wall-clock seconds since 1970 (exposure start and end stamps).
    virtual int64_t UnixSeconds() = 0;
};

// Pending user input between the steps of a long loop. Pump dispatches the
// window messages; an interrupt is a key press or a left/right mouse-button
// press that arrived since the last call to TakeInterrupt.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void Pump() = 0;
    virtual bool TakeInterrupt() = 0;
};

// Small system services: the beep, the busy cursor, starting a detached
// program.
class SystemServices {
public:
    virtual ~SystemServices() = default;
    virtual void Beep() = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    virtual bool StartDetached(const std::string& commandLine) = 0;
};

// The small modeless progress window of long operations ("Filter Progress",
// a 0..256 bar); its caption names the operation.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Open(const std::string& caption) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetPosition(int position) = 0;  // 0..256
    virtual void Close() = 0;
    // Whole seconds left of a timed wait (an exposure longer than 1 s); a
    // negative count takes the line away again.
    virtual void SetTimeLeft(int seconds) {}
};

// The common open/save file dialogs. filters is the dialog's filter list
// ("FITS Files (*.fit)|*.fit|All Files (*.*)|*.*"); filterIndex is the
// one-based filter shown first and receives the one chosen. An empty result
// means the user cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::string AskOpen(const std::string& title, const std::string& filters, int& filterIndex,
                                const std::string& initialName) = 0;
    virtual std::string AskSave(const std::string& title, const std::string& filters, int& filterIndex,
                                const std::string& initialName) = 0;
};

struct Platform {
    MessageSink* messages = nullptr;
    Clock* clock = nullptr;
    EventPump* events = nullptr;
    SystemServices* system = nullptr;
    ProgressSink* progress = nullptr;
    FileChooser* files = nullptr;
};

// The platform in force. At start it holds headless defaults: messages go to
// standard error, the steady clock, no events.
Platform& Sys();
// Installs a platform; returns the previous one.
Platform InstallPlatform(const Platform& platform);

// Shortcuts.
uint32_t NowMs();
void WaitMs(uint32_t ms);
void Beep();

// Waits n seconds (n tenths) while dispatching window messages; a key press or
// mouse-button press beeps, ends the wait at once and returns true.
bool WaitSeconds(int seconds);
bool WaitTenths(int tenths);
// True when an interrupt is pending; dispatches messages first.
bool PollInterrupt();
