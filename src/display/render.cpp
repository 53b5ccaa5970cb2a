// Placeholder until the display pipeline lands.
#include "display/render.h"

#include "app/ui_hooks.h"

void RedrawImage() { RepaintMainWindow(); }
bool WriteDisplayBitmap(const std::string&) { return false; }
