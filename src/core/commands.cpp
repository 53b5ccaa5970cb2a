#include "core/commands.h"

std::map<int, CommandEntry>& CommandTable() {
    static std::map<int, CommandEntry> table;
    return table;
}

bool RegisterCommand(int id, CommandHandler run, CommandEnabled enabled, CommandEnabled checked) {
    CommandTable()[id] = CommandEntry{std::move(run), std::move(enabled), std::move(checked)};
    return true;
}

bool IsCommandEnabled(int id) {
    auto it = CommandTable().find(id);
    if (it == CommandTable().end() || !it->second.run) return false;
    return !it->second.enabled || it->second.enabled();
}

bool IsCommandChecked(int id) {
    auto it = CommandTable().find(id);
    return it != CommandTable().end() && it->second.checked && it->second.checked();
}

bool RunCommand(int id) {
    if (!IsCommandEnabled(id)) return false;
    CommandTable()[id].run();
    return true;
}
