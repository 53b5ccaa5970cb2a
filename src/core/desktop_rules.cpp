#include "core/desktop_rules.h"

#include <algorithm>
#include <cstdio>

#include "core/menu_tree.h"
#include "platform/paths.h"

FrameSize StartFrameSize(int availableWidth, int availableHeight, int decorationWidth, int decorationHeight) {
    // A screen too small to tell (no screen, or a bogus size) keeps the
    // classic size.
    if (availableWidth <= 0 || availableHeight <= 0) return {kFrameWidth, kFrameHeight};
    return {std::max(1, std::min(kFrameWidth, availableWidth - std::max(0, decorationWidth))),
            std::max(1, std::min(kFrameHeight, availableHeight - std::max(0, decorationHeight)))};
}

std::string PointerReadoutText(int x, int y, int value) {
    char text[64];
    std::snprintf(text, sizeof text, "x %d  y %d  value %d", x, y, value);
    return text;
}

std::string ImageSummaryText(int width, int height, const std::string& fileName) {
    char text[48];
    std::snprintf(text, sizeof text, "%d x %d  ", width, height);
    return text + (fileName.empty() ? std::string("(Untitled)") : fileName);
}

int SecondsLeft(uint32_t nowMs, uint32_t endMs) {
    const int32_t left = int32_t(endMs - nowMs);
    if (left <= 0) return 0;
    return int((int64_t(left) + 999) / 1000);
}

std::string TimeLeftText(int seconds) {
    if (seconds < 0) return "";
    char text[48];
    if (seconds < 60)
        std::snprintf(text, sizeof text, "Time left: %d s", seconds);
    else
        std::snprintf(text, sizeof text, "Time left: %d min %02d s", seconds / 60, seconds % 60);
    return text;
}

std::string DialogStartFolder(const std::string& lastFile, const std::string& autosaveFolder) {
    if (!lastFile.empty()) {
        const size_t slash = lastFile.find_last_of('/');
        const std::string folder = slash == std::string::npos ? std::string() : lastFile.substr(0, slash == 0 ? 1 : slash);
        if (!folder.empty() && DirectoryExists(folder)) return folder;
    }
    if (!autosaveFolder.empty() && DirectoryExists(autosaveFolder)) return autosaveFolder;
    return "";
}

std::string& LastUsedFile() {
    static std::string file;
    return file;
}

PrintPageLayout LayoutPrintedPage(int pageWidth, int pageHeight, int captionHeight, int imageWidth,
                                  int imageHeight) {
    PrintPageLayout layout;
    const int gap = captionHeight / 2;
    layout.caption = {0, 0, pageWidth, captionHeight};
    const int roomHeight = std::max(0, pageHeight - captionHeight - gap);
    if (imageWidth <= 0 || imageHeight <= 0 || pageWidth <= 0 || roomHeight <= 0) return layout;
    // Fit by width unless the height then overflows.
    int width = pageWidth;
    int height = int(int64_t(imageHeight) * width / imageWidth);
    if (height > roomHeight) {
        height = roomHeight;
        width = int(int64_t(imageWidth) * height / imageHeight);
    }
    layout.picture = {(pageWidth - width) / 2, captionHeight + gap, width, height};
    return layout;
}
