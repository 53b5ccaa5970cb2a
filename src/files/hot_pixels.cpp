#include "files/hot_pixels.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "core/ui_hooks.h"
#include "files/file_state.h"
#include "files/pixel_io.h"
#include "platform/paths.h"
#include "core/history.h"

bool FindHotPixels(const Pixel* image) {
    AppState& s = State();
    const int64_t w = s.geometry.width, h = s.geometry.height;
    const Pixel threshold = Pixel(std::clamp(FileState().hotPixelThreshold, kMinHotPixelThreshold,
                                             kMaxHotPixelThreshold));
    std::vector<uint32_t>& list = s.hotPixels.indices;
    list.clear();
    // A labelled image keeps its label strip out of the search.
    const int64_t firstRow = w > 5 && int(image[4]) + int(image[5]) == 34 ? 15 : 5;
    for (int64_t y = firstRow; y <= h - 5; ++y) {
        const Pixel* row = image + y * w;
        for (int64_t x = 5; x <= w - 6; ++x) {
            if (row[x] < threshold) continue;
            list.push_back(uint32_t(y * w + x));
            if (list.size() > kHotPixelSearchLimit) {
                // The list no longer holds the map loaded before, only the
                // start of a failed search: it must not be applied.
                s.hotPixels.loaded = false;
                ShowMessage(50, "Too many hot pixels found - ensure you have a darkframe loaded.");
                return false;
            }
        }
    }
    s.hotPixels.loaded = true;
    return true;
}

void ApplyHotPixelMap(Pixel* image) {
    const AppState& s = State();
    const int64_t w = s.geometry.width;
    const int64_t pixels = w * s.geometry.height;
    for (uint32_t entry : s.hotPixels.indices) {
        const int64_t i = entry;
        if (i < w || i + w >= pixels) continue;  // a neighbour outside the image
        const uint32_t sum = uint32_t(image[i + 1]) + image[i - 1] + image[i + w] + image[i - w];
        image[i] = Pixel(sum / 4);
    }
}

void ApplyHotPixelMapCommand() {
    if (!State().hotPixels.loaded) {
        ShowMessage(50, "Sorry, you haven't loaded a hot pixel map");
        return;
    }
    SaveUndo();
    ApplyHotPixelMap(State().imageA);
    RedrawImageAbove();
}

std::string HotPixelMapFileName() {
    return JoinPath(AutosaveDirectory(), State().geometry.hotPixelMapName + ".HPM");
}

Bytes EncodeHotPixelMap() {
    const std::vector<uint32_t>& list = State().hotPixels.indices;
    Bytes bytes(kHotPixelMagicBytes + 4 + 4 * list.size());
    std::memcpy(bytes.data(), kHotPixelMagic, kHotPixelMagicBytes);
    PutLe32(bytes.data() + 15, uint32_t(list.size()));
    for (size_t i = 0; i < list.size(); ++i) PutLe32(bytes.data() + 19 + 4 * i, list[i]);
    return bytes;
}

bool SaveHotPixelMap() {
    EnsureDirectory(MapPath(AutosaveDirectory(), true));
    const Bytes bytes = EncodeHotPixelMap();
    SafeFileWriter writer(MapPath(HotPixelMapFileName()));
    if (!writer.Open()) {
        ShowMessage(50, "Failed to create Hot Pixel Map file");
        return false;
    }
    if (!writer.Write(bytes.data(), bytes.size()) || !writer.Commit()) {
        ShowMessage(50, "Hot Pixel Map file write failed");
        return false;
    }
    return true;
}

bool LoadHotPixelMap(const uint8_t* data, size_t size) {
    if (size < 20 || std::memcmp(data, kHotPixelMagic, kHotPixelMagicBytes) != 0) {
        ShowMessage(12);
        return false;
    }
    const int32_t count = int32_t(Le32(data + 15));
    if (count < 0 || size_t(count) > kMaxHotPixels) {
        ShowMessage(50, "Sorry, the Hot Pixel Map file lists more than 100000 pixels");
        return false;
    }
    if ((size - 19) / 4 < size_t(count)) {
        ShowMessage(50, "Sorry, the Hot Pixel Map file is shorter than its pixel count");
        return false;
    }
    const AppState& s = State();
    const int64_t pixels = int64_t(s.geometry.width) * s.geometry.height;
    std::vector<uint32_t> list(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t index = int32_t(Le32(data + 19 + 4 * size_t(i)));
        if (index < 0 || index >= pixels) {
            ShowMessage(50, "Sorry, the Hot Pixel Map does not fit the current image size");
            return false;
        }
        list[size_t(i)] = uint32_t(index);
    }
    State().hotPixels.indices = std::move(list);
    ShowMessage(50, "Hot Pixel Map Loaded");
    State().hotPixels.loaded = true;
    return true;
}

bool ChangeHotPixelMapName(const std::string& text) {
    const std::string name = text.substr(0, 39);
    std::string& current = State().geometry.hotPixelMapName;
    if (name == current) return false;
    if (name.find_first_of("*/:?\\") != std::string::npos) {
        ShowMessage(41);
        return false;
    }
    current = name.empty() ? kDefaultHotPixelMapName : name;
    return true;
}

int ScrollThreshold(int t, ThresholdScroll action, int thumbPosition) {
    switch (action) {
        case ThresholdScroll::LineUp: return t < 65535 ? t + 1 : t;
        case ThresholdScroll::LineDown: return t > 5000 ? t - 1 : t;
        case ThresholdScroll::PageUp: return t < 65435 ? t + 100 : t;
        case ThresholdScroll::PageDown: return t > 5100 ? t - 100 : t;
        case ThresholdScroll::Thumb:
            return std::clamp(thumbPosition, kMinHotPixelThreshold, kMaxHotPixelThreshold);
    }
    return t;
}
