#include "display/render.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "core/state.h"
#include "core/ui_hooks.h"
#include "display/display_state.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

bool SmallFrames() { return ViewOptions().focusLoopRunning || ViewOptions().guidingSmallFrames; }

// Keeps the storage of the previous bitmap for the next build.
DisplayBitmap& Spare() {
    static DisplayBitmap spare;
    return spare;
}

}  // namespace

void FillDisplayBytes(const uint16_t* pixels, size_t count, uint8_t* bytes) {
    for (size_t i = 0; i < count; ++i) bytes[i] = uint8_t(pixels[i] >> 8);
}

int AutoContrastBlackPoint(const uint16_t* pixels, int width, int height,
                           std::array<uint16_t, 257>& counters) {
    counters.fill(0);
    // Rows 5..24; an image with fewer rows contributes the rows it has.
    const int firstRow = std::min(5, height);
    const int lastRow = std::min(25, height);
    const uint16_t* p = pixels + size_t(firstRow) * width;
    const size_t n = size_t(lastRow - firstRow) * width;
    for (size_t i = 0; i < n; ++i) ++counters[p[i] >> 8];
    int best = 0;
    for (int i = 1; i <= 256; ++i)
        if (counters[i] > counters[best]) best = i;
    return best;
}

void ScanDisplayBytes(const uint8_t* bytes, size_t count, uint8_t& largest, uint8_t& autoBlack) {
    // Which values occur, then the largest below 253 and the smallest
    // non-zero one (255 stays when nothing smaller occurs).
    std::array<uint8_t, 256> seen{};
    for (size_t i = 0; i < count; ++i) seen[bytes[i]] = 1;
    largest = 0;
    for (int b = 252; b > 0; --b)
        if (seen[b]) {
            largest = uint8_t(b);
            break;
        }
    autoBlack = 255;
    for (int b = 1; b < 255; ++b)
        if (seen[b]) {
            autoBlack = uint8_t(b);
            break;
        }
}

void ApplyDisplayStretch(uint8_t* bytes, size_t count, const ByteTable& table, int autoBlack,
                         int userBlack) {
    ByteTable map{};
    for (int b = 0; b < 256; ++b) {
        if (b >= 253) {
            map[b] = uint8_t(b);
            continue;
        }
        int d = std::max(0, b - autoBlack);
        d = std::max(0, d - userBlack);
        map[b] = table[std::min(d, 255)];
    }
    for (size_t i = 0; i < count; ++i) bytes[i] = map[bytes[i]];
}

int BackgroundEstimate(const uint16_t* pixels, int width, int height,
                       std::array<uint16_t, 257>& counters) {
    counters.fill(0);
    for (int y = 11; y <= height - 6; ++y) {
        const uint16_t* row = pixels + size_t(y) * width;
        for (int x = 5; x <= width - 6; ++x) ++counters[row[x] >> 8];
    }
    auto mostPopulated = [&](int skip1, int skip2) {
        int best = -1;
        for (int i = 0; i < 256; ++i) {
            if (i == skip1 || i == skip2) continue;
            if (best < 0 || counters[i] > counters[best]) best = i;
        }
        return best;
    };
    const int a = mostPopulated(-1, -1);
    const int b = mostPopulated(a, -1);
    const int c = mostPopulated(a, b);
    return (a + b + c) / 3;
}

void BuildBitmapFile(const uint8_t* bytes, int width, int height, bool binned, const PaletteRgb& palette,
                     std::vector<uint8_t>& file) {
    const int w = binned ? width / 2 : width;
    const int h = binned ? height / 2 : height;
    const int stride = BitmapStride(w);
    const uint32_t imageSize = uint32_t(stride) * uint32_t(h);
    file.resize(kBitmapHeaderBytes + imageSize);
    uint8_t* f = file.data();
    std::memset(f, 0, 54);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f + 2, uint32_t(kBitmapHeaderBytes) + imageSize);
    Put32(f + 10, uint32_t(kBitmapHeaderBytes));
    Put32(f + 14, 40);
    Put32(f + 18, uint32_t(w));
    Put32(f + 22, uint32_t(h));
    Put16(f + 26, 1);
    Put16(f + 28, 8);
    Put32(f + 34, imageSize);
    for (int i = 0; i < 256; ++i) {
        uint8_t* e = f + 54 + 4 * i;
        e[0] = palette[i][2];
        e[1] = palette[i][1];
        e[2] = palette[i][0];
        e[3] = 0;
    }
    uint8_t* rows = f + kBitmapHeaderBytes;
    for (int y = 0; y < h; ++y) {
        uint8_t* out = rows + size_t(h - 1 - y) * stride;
        if (binned) {
            const uint8_t* in = bytes + size_t(2 * y) * width;
            for (int x = 0; x < w; ++x) out[x] = in[2 * x];
        } else {
            std::memcpy(out, bytes + size_t(y) * width, size_t(w));
        }
        std::memset(out + w, 0, size_t(stride - w));
    }
}

std::string DisplayBitmapName() {
    const ImageGeometry& g = State().geometry;
    return SmallFrames() ? g.focusBitmapName : g.bitmapName;
}

void RenderDisplay(RenderedBitmap& out) {
    AppState& s = State();
    DisplayOptions& o = ViewOptions();
    const bool small = SmallFrames();
    const int width = small ? 128 : s.geometry.width;
    const int height = small ? 128 : s.geometry.height;
    const size_t count = size_t(width) * size_t(height);
    uint8_t* bytes = DisplayBytes();

    FillDisplayBytes(s.imageA, count, bytes);

    int& m = BlackPoint();
    if (o.autoContrast) m = AutoContrastBlackPoint(s.imageA, width, height, HistogramCounters());

    ByteTable curve{};
    const bool curveBuilt = o.autoContrast || o.stretchDisplay || o.focusLoopRunning;
    if (curveBuilt) {
        m = std::clamp(m, 0, 255);
        if (o.stretchDisplay || o.focusLoopRunning) {
            ScanDisplayBytes(bytes, count, o.largestDisplayByte, o.autoBlackLevel);
            const double power = o.focusLoopRunning ? double(o.focusStretch) : o.stretchPower;
            const int userBlack = o.focusLoopRunning ? 0 : o.stretchBlackLevel;
            ApplyDisplayStretch(bytes, count, StretchTable(power), o.autoBlackLevel, userBlack);
        }
        curve = ContrastCurve(m);
    }

    if (o.falseColour)
        out.palette = FalseColourPalette(o.autoContrast ? &curve : nullptr);
    else
        out.palette = GreyPalette((o.autoContrast || o.stretchDisplay) ? &curve : nullptr);
    for (int i = 0; i < 256; ++i)
        s.palette.colours[i] = {out.palette[i][0], out.palette[i][1], out.palette[i][2], 1};

    const bool binned = !small && BinnedDisplay();
    BuildBitmapFile(bytes, width, height, binned, out.palette, out.file);
    out.width = binned ? width / 2 : width;
    out.height = binned ? height / 2 : height;
}

bool WriteDisplayBitmap(const std::string& hostPath) {
    RenderedBitmap rendered;
    RenderDisplay(rendered);
    return ReplaceFile(hostPath, rendered.file);
}

void RedrawImage() {
    UpdateMainWindowCaption();

    static RenderedBitmap rendered;
    RenderDisplay(rendered);

    // The bitmap file: failures keep the previous bitmap on the screen.
    const std::string hostPath = MapPath(DisplayBitmapName());
    const size_t slash = hostPath.find_last_of('/');
    if (slash != std::string::npos) EnsureDirectory(hostPath.substr(0, slash));
    SafeFileWriter writer(hostPath);
    if (!writer.Open()) {
        ShowMessage(8);
        return;
    }
    if (!writer.Write(rendered.file.data(), kBitmapHeaderBytes)) {
        ShowMessage(9);
        return;
    }
    if (!writer.Write(rendered.file.data() + kBitmapHeaderBytes, rendered.file.size() - kBitmapHeaderBytes) ||
        !writer.Commit()) {
        ShowMessage(10);
        return;
    }

    DisplayBitmap& fresh = Spare();
    fresh.width = rendered.width;
    fresh.height = rendered.height;
    fresh.stride = BitmapStride(rendered.width);
    std::swap(fresh.file, rendered.file);
    PublishDisplayBitmap(fresh);  // fresh now holds the old bitmap's storage
    std::swap(fresh.file, rendered.file);

    AdjustScroller(false);
    InvalidateView();
}

// The file layer below redraws and writes the display bitmap through these.
static const bool kInstalledInFileLayer = [] {
    UpperLayers().redrawImage = RedrawImage;
    UpperLayers().writeDisplayBitmap = WriteDisplayBitmap;
    return true;
}();
