#include "display/display_state.h"

#include <memory>

#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"

namespace {

struct Records {
    DisplayOptions options;
    int blackPoint = 0;
    std::array<uint16_t, 257> counters{};
    std::unique_ptr<uint8_t[]> bytes{new uint8_t[kImageCapacity]};
    DisplayBitmap bitmap;
    bool haveBitmap = false;
    uint64_t serial = 0;
    PickState pick;
    PickHooks pickHooks;
    DisplayViewHooks viewHooks;
};

Records& R() {
    static Records records;
    return records;
}

}  // namespace

DisplayOptions& ViewOptions() { return R().options; }

bool BinnedDisplay() { return State().binHighResDisplay; }

void SetBinnedDisplay(bool on) {
    AppState& s = State();
    s.binHighResDisplay = on;
    s.geometry.scrollWidth = on ? s.geometry.width / 2 : s.geometry.width;
    s.geometry.scrollHeight = on ? s.geometry.height / 2 : s.geometry.height;
}

void ResetDisplayState() {
    Records& r = R();
    r.options = DisplayOptions{};
    r.blackPoint = 0;
    r.counters.fill(0);
    r.pick = PickState{};
    ClearDisplayBitmap();
    SetBinnedDisplay(true);
}

int& BlackPoint() { return R().blackPoint; }
std::array<uint16_t, 257>& HistogramCounters() { return R().counters; }
uint8_t* DisplayBytes() { return R().bytes.get(); }

const DisplayBitmap* CurrentDisplayBitmap() { return R().haveBitmap ? &R().bitmap : nullptr; }

void PublishDisplayBitmap(DisplayBitmap& fresh) {
    Records& r = R();
    fresh.serial = ++r.serial;
    std::swap(r.bitmap, fresh);  // the caller keeps the old storage for reuse
    r.haveBitmap = true;
}

void ClearDisplayBitmap() {
    R().haveBitmap = false;
    R().bitmap.width = R().bitmap.height = 0;
}

int DisplayedWidth() {
    if (const DisplayBitmap* b = CurrentDisplayBitmap()) return b->width;
    const ImageGeometry& g = State().geometry;
    return BinnedDisplay() ? g.width / 2 : g.width;
}

int DisplayedHeight() {
    if (const DisplayBitmap* b = CurrentDisplayBitmap()) return b->height;
    const ImageGeometry& g = State().geometry;
    return BinnedDisplay() ? g.height / 2 : g.height;
}

PickState& Picking() { return R().pick; }
PickHooks& PickingHooks() { return R().pickHooks; }
DisplayViewHooks& ViewHooks() { return R().viewHooks; }

void InvalidateView() {
    if (R().viewHooks.invalidate)
        R().viewHooks.invalidate();
    else
        RepaintMainWindow();
}

void AdjustScroller(bool reset) {
    if (R().viewHooks.adjustScroller)
        R().viewHooks.adjustScroller(reset);
    else
        UpdateMainWindowScroller();
}

bool RefuseInFittedOrCentredDisplay(int messageCode) {
    if (!ViewOptions().fitToWindow && !ViewOptions().centreImage) return false;
    ShowMessage(messageCode);
    return true;
}
