#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <spawn.h>
#include <vector>

#include "platform/command_line.h"
#include "platform/stop_signal.h"

extern char** environ;

namespace {

class StderrMessageSink : public MessageSink {
public:
    int Show(const std::string& caption, const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return kButtonOk;
    }
};

class SteadyClock : public Clock {
public:
    uint32_t Milliseconds() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void WaitMs(uint32_t ms) override {
        const uint32_t start = Milliseconds();
        // A stop signal ends the wait: the motion it times stops now.
        while (Milliseconds() - start < ms && !StopSignal()) {
            const uint32_t left = ms - (Milliseconds() - start);
            std::this_thread::sleep_for(std::chrono::milliseconds(left > 2 ? 1 : 0));
        }
    }
    int64_t UnixSeconds() override {
        using namespace std::chrono;
        return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    }
};

class NoEvents : public EventPump {
public:
    void Pump() override {}
    bool TakeInterrupt() override { return false; }
};

class HeadlessSystem : public SystemServices {
public:
    void Beep() override {}
    void SetBusyCursor(bool) override {}
    // Started without a shell, so nothing in the line is interpreted.
    bool StartDetached(const std::string& commandLine) override {
        const std::vector<std::string> words = SplitCommandLine(commandLine);
        if (words.empty()) return false;
        std::vector<char*> argv;
        for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
        argv.push_back(nullptr);
        pid_t pid;
        return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
    }
};

class NoProgress : public ProgressSink {
public:
    void Open(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void SetPosition(int) override {}
    void Close() override {}
};

class NoFileChooser : public FileChooser {
public:
    std::string AskOpen(const std::string&, const std::string&, int&, const std::string&) override { return ""; }
    std::string AskSave(const std::string&, const std::string&, int&, const std::string&) override { return ""; }
};

Platform& DefaultPlatform() {
    static StderrMessageSink messages;
    static SteadyClock clock;
    static NoEvents events;
    static HeadlessSystem system;
    static NoProgress progress;
    static NoFileChooser files;
    static Platform platform{&messages, &clock, &events, &system, &progress, &files};
    return platform;
}

Platform& Current() {
    static Platform current = DefaultPlatform();
    return current;
}

}  // namespace

Platform& Sys() { return Current(); }

Platform InstallPlatform(const Platform& platform) {
    Platform previous = Current();
    const Platform& fallback = DefaultPlatform();
    Current() = Platform{platform.messages ? platform.messages : fallback.messages,
                         platform.clock ? platform.clock : fallback.clock,
                         platform.events ? platform.events : fallback.events,
                         platform.system ? platform.system : fallback.system,
                         platform.progress ? platform.progress : fallback.progress,
                         platform.files ? platform.files : fallback.files};
    return previous;
}

uint32_t NowMs() { return Sys().clock->Milliseconds(); }
void WaitMs(uint32_t ms) { Sys().clock->WaitMs(ms); }
void Beep() { Sys().system->Beep(); }

bool PollInterrupt() {
    LeaveIfStopSignalled();
    Sys().events->Pump();
    return Sys().events->TakeInterrupt();
}

static bool WaitInterruptibly(uint32_t ms) {
    const uint32_t start = NowMs();
    for (;;) {
        if (PollInterrupt()) {
            Beep();
            return true;
        }
        const uint32_t elapsed = NowMs() - start;
        if (elapsed >= ms) return false;
        WaitMs(ms - elapsed < 10 ? ms - elapsed : 10);
    }
}

bool WaitSeconds(int seconds) { return WaitInterruptibly(seconds > 0 ? uint32_t(seconds) * 1000 : 0); }
bool WaitTenths(int tenths) { return WaitInterruptibly(tenths > 0 ? uint32_t(tenths) * 100 : 0); }
