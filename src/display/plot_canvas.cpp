#include "display/plot_canvas.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/files.h"

namespace {

uint32_t Pack(Rgb c) { return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

// A 5 x 7 font of the characters the windows write (digits, the words of the
// histogram's list and a few signs); rows top first, bit 4 the left column.
struct Glyph {
    char c;
    std::array<uint8_t, 7> rows;
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}}, {'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}}, {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}}, {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
};

const Glyph* FindGlyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

// CRC-32 of PNG chunks and the Adler-32 of the zlib stream.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    PutU32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

PlotCanvas::PlotCanvas(int width, int height, Rgb fill)
    : width_(std::max(0, width)), height_(std::max(0, height)), bits_(size_t(width_) * height_, Pack(fill)) {}

Rgb PlotCanvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const uint32_t v = bits_[size_t(y) * width_ + x];
    return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

void PlotCanvas::Set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    bits_[size_t(y) * width_ + x] = Pack(colour);
}

void PlotCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void PlotCanvas::LineTo(int x1, int y1, Rgb colour) {
    int x = penX_, y = penY_;
    const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    int err = dx + dy;
    while (x != x1 || y != y1) {
        Set(x, y, colour);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    MoveTo(x1, y1);
}

void PlotCanvas::FillRect(int left, int top, int right, int bottom, Rgb colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) bits_[size_t(y) * width_ + x] = Pack(colour);
}

void PlotCanvas::DrawText(int left, int top, int right, int bottom, const std::string& text, Rgb colour) {
    int cx = left, cy = top;
    for (char c : text) {
        if (c == '\n') {
            cx = left;
            cy += kLineHeight;
            continue;
        }
        if (const Glyph* g = FindGlyph(c)) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col) {
                    const int x = cx + col, y = cy + 1 + row;
                    if ((g->rows[row] >> (4 - col) & 1) && x < right && y < bottom && x >= left && y >= top)
                        Set(x, y, colour);
                }
        }
        cx += kCharWidth;
    }
}

std::vector<uint8_t> EncodePng(const PlotCanvas& canvas) {
    const int w = canvas.Width(), h = canvas.Height();
    // Filter byte 0 before every row of RGB triplets.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(h) * (1 + 3 * size_t(w)));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < w; ++x) {
            const uint32_t v = canvas.Bits()[size_t(y) * w + x];
            raw.push_back(uint8_t(v >> 16));
            raw.push_back(uint8_t(v >> 8));
            raw.push_back(uint8_t(v));
        }
    }
    // A zlib stream of stored (uncompressed) blocks.
    std::vector<uint8_t> z{0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n));
        z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n));
        z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(z, b << 16 | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutU32(header, uint32_t(w));
    PutU32(header, uint32_t(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter choice, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return png;
}

bool WritePng(const PlotCanvas& canvas, const std::string& hostPath) {
    return ReplaceFile(hostPath, EncodePng(canvas));
}
