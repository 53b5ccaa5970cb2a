// Placeholder until processing history lands.
#include "processing/history.h"

#include <cstring>

#include "app/state.h"

void SaveUndo() {
    AppState& s = State();
    std::memcpy(s.undo, s.imageA, size_t(s.geometry.pixels) * sizeof(Pixel));
}

void AddHistory(const std::string&) {}
