#include "support/test_env.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "core/state.h"

int RecordingMessageSink::Show(const std::string& caption, const std::string& text, MessageIcon icon) {
    shown.push_back({caption, text, icon});
    if (answers.empty()) return kButtonOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeClock::WaitMs(uint32_t ms) {
    now += ms ? ms : 1;
    if (onAdvance) onAdvance(now);
}

void ScriptedEventPump::Pump() {
    ++pumps;
    if (onPump) onPump();
}

bool ScriptedEventPump::TakeInterrupt() {
    for (auto it = interruptAt.begin(); it != interruptAt.end(); ++it) {
        if (clock_.now >= *it) {
            interruptAt.erase(it);
            return true;
        }
    }
    return false;
}

static std::string NextAnswer(std::deque<std::string>& answers) {
    if (answers.empty()) return "";
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string ScriptedFileChooser::AskOpen(const std::string& title, const std::string&, int&,
                                         const std::string&) {
    titles.push_back(title);
    return NextAnswer(answers);
}

std::string ScriptedFileChooser::AskSave(const std::string& title, const std::string&, int&,
                                         const std::string&) {
    titles.push_back(title);
    return NextAnswer(answers);
}

void VelmoraTest::SetUp() {
    char pattern[] = "/tmp/velmora-test-XXXXXX";
    home = mkdtemp(pattern);
    setenv("VELMORA_HOME", home.c_str(), 1);
    previous_ = InstallPlatform(Platform{&messages, &clock, &events, &system, &progress, &files});
    ResetState();
}

void VelmoraTest::TearDown() {
    InstallPlatform(previous_);
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
}

std::vector<std::string> VelmoraTest::MessageTexts() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : messages.shown) texts.push_back(m.text);
    return texts;
}

CliResult RunVelmoraCli(const std::string& cliPath, const std::string& home, const std::string& args) {
    const std::string command = "VELMORA_HOME='" + home + "' '" + cliPath + "' " + args + " 2>&1";
    CliResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, ""};
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
