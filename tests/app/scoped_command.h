// Puts a command handler in place for one test and puts back what the command
// table held before, so the other tests see the table unchanged.
#pragma once
#include "core/commands.h"

class ScopedCommand {
public:
    ScopedCommand(int id, CommandHandler run, CommandEnabled enabled = {}, CommandEnabled checked = {})
        : id_(id) {
        auto it = CommandTable().find(id);
        if (it != CommandTable().end()) saved_ = it->second, had_ = true;
        RegisterCommand(id, std::move(run), std::move(enabled), std::move(checked));
    }
    ~ScopedCommand() {
        if (had_) CommandTable()[id_] = saved_;
        else CommandTable().erase(id_);
    }
    ScopedCommand(const ScopedCommand&) = delete;
    ScopedCommand& operator=(const ScopedCommand&) = delete;

    // True when the program itself registers a handler for the command.
    bool HadHandler() const { return had_; }

private:
    int id_;
    CommandEntry saved_;
    bool had_ = false;
};
