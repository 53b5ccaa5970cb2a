// Processing history (15 lines kept in State().history), the one-level undo
// copy and the two menu commands that show and use them.
#pragma once
#include <string>

// Copies image buffer A (W x H of the geometry) into the undo buffer.
void SaveUndo();
// Adds one line to the processing history: the first free entry receives it
// (at most 39 characters); when all 15 entries are used the line is dropped.
void AddHistory(const std::string& line);
// Frees all 15 entries.
void ClearHistory();
// Number of entries in use before the first free one.
int HistoryCount();
// "&Undo Last Filter": copies the undo buffer back into image buffer A and
// frees the last used history entry (nothing when entry 0 is free or when all
// 15 are used). Does not redraw; the command handler does.
void UndoLastFilter();
// The text of the "Processing &History" box: entry 0 and each following entry
// whose length is above 1, each followed by " \n".
std::string HistoryBoxText();
// Shows that box, captioned "Velmora - PROCESSING HISTORY".
void ShowHistoryBox();

inline constexpr const char* kHistoryCaption = "Velmora - PROCESSING HISTORY";
