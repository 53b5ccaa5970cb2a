#include "core/cli.h"

#include <cstdio>

static std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

bool RegisterCliCommand(CliCommand command) {
    Registry().push_back(std::move(command));
    return true;
}

const std::vector<CliCommand>& CliCommands() { return Registry(); }

static size_t WordCount(const std::string& name) {
    size_t words = 1;
    for (char c : name) words += c == ' ';
    return words;
}

int RunCli(const CliArgs& argv) {
    const CliCommand* best = nullptr;
    size_t bestWords = 0;
    for (const CliCommand& command : Registry()) {
        const size_t words = WordCount(command.name);
        if (words > argv.size() || words <= bestWords) continue;
        std::string joined;
        for (size_t i = 0; i < words; ++i) joined += (i ? " " : "") + argv[i];
        if (joined == command.name) {
            best = &command;
            bestWords = words;
        }
    }
    if (!best) {
        std::fprintf(stderr, "usage: velmora-cli COMMAND [ARGS]\ncommands:\n");
        for (const CliCommand& command : Registry())
            std::fprintf(stderr, "  %s %s\n", command.name.c_str(), command.usage.c_str());
        return 2;
    }
    return best->run(CliArgs(argv.begin() + bestWords, argv.end()));
}
