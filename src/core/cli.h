// velmora-cli sub-commands. Each subsystem registers its own from a *_cli.cpp
// file with a static registrar:
//   static const bool registered = RegisterCliCommand({"fits-info", "FILE", RunFitsInfo});
#pragma once
#include <string>
#include <vector>

using CliArgs = std::vector<std::string>;

struct CliCommand {
    std::string name;        // may hold two words: "settings show"
    std::string usage;       // the arguments, for the help text
    int (*run)(const CliArgs& args);  // args after the command's words; returns the exit code
};

bool RegisterCliCommand(CliCommand command);
const std::vector<CliCommand>& CliCommands();
// Runs argv (without the program name); prints usage on an unknown command.
int RunCli(const CliArgs& argv);
