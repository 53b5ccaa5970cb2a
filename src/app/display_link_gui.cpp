// What the main window's commands need from the display: the bitmap it last
// drew. Kept apart from the window files because the display's header and
// the desktop headers both use the name Display.
#include "app/clipboard.h"
#include "core/menu_tree.h"
#include "display/display_state.h"

const std::vector<uint8_t>* ShownDisplayBitmapFile() {
    const DisplayBitmap* shown = CurrentDisplayBitmap();
    return shown ? &shown->file : nullptr;
}

namespace {
// Copy is offered while the display has a bitmap.
const bool bitmapQuery = (SetDisplayBitmapQuery([] { return CurrentDisplayBitmap() != nullptr; }), true);
}  // namespace
