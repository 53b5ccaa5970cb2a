// Helpers shared by the velmora-cli sub-commands.
#pragma once
#include <optional>
#include <string>

#include "core/cli.h"

// Removes a flag from args; true when it was there.
bool TakeFlag(CliArgs& args, const std::string& flag);
// Removes "--name VALUE" from args and returns VALUE.
std::optional<std::string> TakeOption(CliArgs& args, const std::string& name);
// Headless start-up: a message sink that prints the message text to standard
// error (and remembers that one was shown), the settings read (never written:
// a missing file leaves the defaults), the camera model applied to the
// geometry and the start-up images filled.
void StartHeadless();
// True when the start-up printed a message (a settings file that could not be
// read as it stands); the run then exits non-zero whatever the command did.
// Each command turns its own messages into its exit code.
bool StartupMessageShown();
// True when a message box was shown since the last call; the CLI then exits
// non-zero.
bool TakeShownMessage();
