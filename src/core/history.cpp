#include "core/history.h"

#include <cstring>

#include "core/state.h"
#include "platform/platform.h"

void SaveUndo() {
    AppState& s = State();
    std::memcpy(s.undo, s.imageA, size_t(s.geometry.pixels) * sizeof(Pixel));
}

void AddHistory(const std::string& line) {
    auto& history = State().history;
    for (std::string& entry : history) {
        if (entry.empty()) {
            entry = line.substr(0, kHistoryEntryLength);
            return;
        }
    }
}

void ClearHistory() {
    for (std::string& entry : State().history) entry.clear();
}

int HistoryCount() {
    const auto& history = State().history;
    int n = 0;
    while (n < kHistoryEntries && !history[n].empty()) ++n;
    return n;
}

void UndoLastFilter() {
    AppState& s = State();
    std::memcpy(s.imageA, s.undo, size_t(s.geometry.pixels) * sizeof(Pixel));
    const int used = HistoryCount();
    // Entry 0 free: nothing to take back. All entries used: the list is full
    // and keeps its lines.
    if (used > 0 && used < kHistoryEntries) s.history[used - 1].clear();
}

std::string HistoryBoxText() {
    const auto& history = State().history;
    std::string text = history[0] + " \n";
    for (int shown = 1; shown < kHistoryEntries && history[shown].size() > 1; ++shown)
        text += history[shown] + " \n";
    return text;
}

void ShowHistoryBox() { Sys().messages->Show(kHistoryCaption, HistoryBoxText(), MessageIcon::None); }
