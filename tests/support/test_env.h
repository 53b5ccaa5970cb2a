// The test platform: a fresh VELMORA_HOME per test, a recording message sink,
// a fake clock (waits advance it instantly), scripted interrupts and a
// recording system service. Tests derive their fixtures from VelmoraTest.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "stars/centroid.h"

struct RecordedMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class RecordingMessageSink : public MessageSink {
public:
    int Show(const std::string& caption, const std::string& text, MessageIcon icon) override;
    std::vector<RecordedMessage> shown;
    std::deque<int> answers;  // scripted box results; OK when empty
};

class FakeClock : public Clock {
public:
    uint32_t Milliseconds() override { return now; }
    void WaitMs(uint32_t ms) override;
    int64_t UnixSeconds() override { return unixBase + now / 1000; }
    uint32_t now = 1'000'000;
    int64_t unixBase = 1'700'000'000;
    // Called after every advance (a simulated device can follow the clock).
    std::function<void(uint32_t)> onAdvance;
};

// Interrupts scripted at clock times: a key press at t = 3.2 s is
// interruptAt.push_back(start + 3200).
class ScriptedEventPump : public EventPump {
public:
    explicit ScriptedEventPump(FakeClock& clock) : clock_(clock) {}
    void Pump() override;
    bool TakeInterrupt() override;
    std::vector<uint32_t> interruptAt;
    std::function<void()> onPump;  // runs on every Pump
    int pumps = 0;

private:
    FakeClock& clock_;
};

class RecordingSystem : public SystemServices {
public:
    void Beep() override { ++beeps; }
    void SetBusyCursor(bool busy) override { busyCursor = busy; }
    bool StartDetached(const std::string& commandLine) override {
        started.push_back(commandLine);
        return true;
    }
    int beeps = 0;
    bool busyCursor = false;
    std::vector<std::string> started;
};

class RecordingProgress : public ProgressSink {
public:
    void Open(const std::string& caption) override {
        open = true;
        captions.push_back(caption);
    }
    void SetCaption(const std::string& caption) override { captions.push_back(caption); }
    void SetPosition(int position) override { positions.push_back(position); }
    void Close() override { open = false; }
    void SetTimeLeft(int seconds) override { timeLeft.push_back(seconds); }
    bool open = false;
    std::vector<std::string> captions;
    std::vector<int> positions;
    std::vector<int> timeLeft;
};

// Answers file dialogs from a script; an empty answer is a cancel.
class ScriptedFileChooser : public FileChooser {
public:
    std::string AskOpen(const std::string& title, const std::string&, int& filterIndex,
                        const std::string&) override;
    std::string AskSave(const std::string& title, const std::string&, int& filterIndex,
                        const std::string&) override;
    std::deque<std::string> answers;
    std::vector<std::string> titles;
};

class VelmoraTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Texts of the messages shown so far.
    std::vector<std::string> MessageTexts() const;
    // Host path of a program path under the test's VELMORA_HOME.
    std::string HomePath(const std::string& relative) const { return home + "/" + relative; }

    std::string home;
    RecordingMessageSink messages;
    FakeClock clock;
    ScriptedEventPump events{clock};
    RecordingSystem system;
    RecordingProgress progress;
    ScriptedFileChooser files;

private:
    Platform previous_;
};

// Runs the built velmora-cli with VELMORA_HOME=home; returns its exit status
// and what it printed (standard output and error together).
struct CliResult {
    int status = 0;
    std::string output;
};
CliResult RunVelmoraCli(const std::string& cliPath, const std::string& home, const std::string& args);
#ifdef VELMORA_CLI
inline CliResult RunVelmoraCli(const std::string& home, const std::string& args) {
    return RunVelmoraCli(VELMORA_CLI, home, args);
}
#endif

// A star position in whole pixels and tenths (truncated), as the centroid
// gives it, for scripted positions.
inline StarPosition StarAt(double x, double y) {
    StarPosition p;
    p.x = int(std::floor(x));
    p.y = int(std::floor(y));
    p.tenthsX = int(std::floor((x - p.x) * 10 + 1e-9));
    p.tenthsY = int(std::floor((y - p.y) * 10 + 1e-9));
    return p;
}
