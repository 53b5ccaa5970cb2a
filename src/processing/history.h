// Processing history (15 lines kept in State().history) and the undo copy.
#pragma once
#include <string>

// Copies image buffer A (W x H of the geometry) into the undo buffer.
void SaveUndo();
// Adds one line to the processing history.
void AddHistory(const std::string& line);
