// The message table: every user-visible error and notice goes through
// ShowMessage, shown in a modal box captioned "Velmora_USB".
#pragma once
#include <string>

inline constexpr const char* kProgramCaption = "Velmora_USB";

// The table's text for a code; empty for codes without one (41, unknown).
std::string MessageText(int code);
// Shows the text of a code (code 50: the caller's text). Returns the box result.
int ShowMessage(int code, const std::string& text = "");
// Returns value; for a negative value first shows "ERROR %d " under code 50
// and returns -1.
int CheckStatus(int value);
