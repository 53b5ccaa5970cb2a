// The main window's command table: command number -> handler. Each subsystem
// registers the commands it carries out from its own window/dialog files with
// a static registrar, so the menu tree (built in app/) enables exactly the
// commands whose handlers exist.
#pragma once
#include <functional>
#include <map>

using CommandHandler = std::function<void()>;
using CommandEnabled = std::function<bool()>;

struct CommandEntry {
    CommandHandler run;
    CommandEnabled enabled;  // empty: always enabled
    CommandEnabled checked;  // empty: never checked
};

std::map<int, CommandEntry>& CommandTable();
// Registers a handler; returns true so it can initialise a static:
//   static const bool registered = RegisterCommand(24332, OnOpen);
bool RegisterCommand(int id, CommandHandler run, CommandEnabled enabled = {}, CommandEnabled checked = {});
// Runs a command; false when none is registered or it is disabled.
bool RunCommand(int id);
bool IsCommandEnabled(int id);
bool IsCommandChecked(int id);
