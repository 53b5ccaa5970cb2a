// What the stretch and filter commands share: the progress window of a long
// pixel loop and the image buffer geometry.
#pragma once
#include <string>

#include "processing/stretches.h"

// The small modeless progress window ("Filter Progress", bar 0..256) with the
// busy cursor, open for the life of the object. The caption names the
// operation. Positions are passed on only when they change.
class FilterProgressWindow {
public:
    explicit FilterProgressWindow(const std::string& caption);
    ~FilterProgressWindow();
    FilterProgressWindow(const FilterProgressWindow&) = delete;
    FilterProgressWindow& operator=(const FilterProgressWindow&) = delete;

    void SetPosition(int position);
    // A callback for the pure pixel loops.
    ProgressFn Callback();

private:
    int last_ = -1;
};

// Shows an out-of-range parameter refusal (code 50 message) and returns false.
bool RefuseParameter(const std::string& text);
