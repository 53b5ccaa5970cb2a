// What the "FITS DETAILS" dialog shows and how it reads its controls back.
#pragma once
#include <string>

struct FitsDialogTexts {
    std::string object, observer, date, telescope, instrument, comments, history, origin, time;
    std::string focalLength, aperture, filter, exposure;  // numbers shown with "%f"
    int utOffset = 0;  // -11..11
};

// The UT offset range of the scroll bar.
inline constexpr int kMinUtOffset = -11;
inline constexpr int kMaxUtOffset = 11;

// The controls' content on open: the details, numbers with "%f", the UT
// offset (a stored value outside -11..11 shows as 0).
FitsDialogTexts FitsDialogTextsFromDetails();
// "Continue": texts cut to what the controls hand over (67 characters, 11 for
// date and time, 254 for comments and history), numbers parsed from their
// first 19 characters (a text that is no finite number keeps the old value), and the
// UT offset copied.
void StoreFitsDialogTexts(const FitsDialogTexts& texts);
// One step of the UT offset scroll bar: "up" raises the value only while it
// is 10 or less, "down" lowers it only while it is -10 or more.
int StepUtOffset(int value, bool up);
