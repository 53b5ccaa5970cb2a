#include "processing/label.h"

#include <set>

#include "core/history.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

const std::string kGlyphChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/-: ";

std::tm SampleTime() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;  // March
    t.tm_mday = 7;
    t.tm_hour = 4;
    t.tm_min = 5;
    t.tm_sec = 9;
    return t;
}

class LabelTest : public VelmoraTest {};

TEST_F(LabelTest, FontHasEveryListedCharacterAndNoOther) {
    EXPECT_EQ(kGlyphChars.size(), 66u);
    std::set<std::array<uint8_t, kGlyphRows>> shapes;
    for (char c : kGlyphChars) {
        std::array<uint8_t, kGlyphRows> rows;
        ASSERT_TRUE(LabelGlyph(c, rows)) << c;
        ASSERT_TRUE(HasLabelGlyph(c));
        int set = 0;
        for (uint8_t r : rows) set += __builtin_popcount(r);
        EXPECT_EQ(set == 0, c == ' ') << c;
        // Column 0 (bit 7) and column 7 (bit 0) stay clear: the gap between letters.
        for (uint8_t r : rows) EXPECT_EQ(r & 0x81, 0) << c;
        shapes.insert(rows);
    }
    EXPECT_EQ(shapes.size(), 66u);  // every glyph distinct
    for (char c : std::string("!?.,_'\"#*()+=\t")) {
        std::array<uint8_t, kGlyphRows> rows;
        EXPECT_FALSE(LabelGlyph(c, rows)) << c;
        EXPECT_FALSE(HasLabelGlyph(c));
    }
    EXPECT_FALSE(HasLabelGlyph(char(0xE9)));
}

TEST_F(LabelTest, LineIsCentredInSixtyFourCells) {
    const std::tm t = SampleTime();
    EXPECT_EQ(LabelDateStamp(t), "  04:05:09 UT 07-03-2026 ");
    EXPECT_EQ(LabelDateStamp(t).size(), 25u);
    const std::string text30(30, 'M');
    const std::string line = BuildLabelLine(text30, true, t);
    EXPECT_EQ(line, std::string(5, ' ') + text30 + "  04:05:09 UT 07-03-2026 ");
    EXPECT_EQ(line.size(), 60u);
    EXPECT_EQ(BuildLabelLine("M42", false, t), std::string(30, ' ') + "M42");
    EXPECT_EQ(BuildLabelLine("", false, t), std::string(32, ' '));
    // Longer texts are cut to 30 characters.
    EXPECT_EQ(BuildLabelLine(std::string(40, 'a'), false, t), std::string(17, ' ') + std::string(30, 'a'));
}

// Characters, not UTF-8 bytes, are counted, cut and drawn: "é" (2 bytes) is
// one black cell, "€" (3 bytes) too.
TEST_F(LabelTest, TextIsCountedInCharacters) {
    const std::tm t{};
    const std::string x(1, kLabelNoGlyph);
    EXPECT_EQ(LabelCells("Caf\xC3\xA9 \xE2\x82\xAC" "5"), "Caf" + x + " " + x + "5");
    EXPECT_EQ(LabelCells("a\xFF" "b"), "a" + x + "b");     // a stray byte is one cell
    EXPECT_EQ(LabelCells("\xC3"), x);                   // cut inside a character
    // (64 - 4) / 2 = 30 spaces before "Café", as before "Cafe".
    EXPECT_EQ(BuildLabelLine("Caf\xC3\xA9", false, t), std::string(30, ' ') + "Caf" + x);
    // 31 characters of two bytes each: cut to 30 whole characters.
    std::string accents;
    for (int i = 0; i < 31; ++i) accents += "\xC3\xA9";
    EXPECT_EQ(BuildLabelLine(accents, false, t), std::string(17, ' ') + std::string(30, kLabelNoGlyph));
    std::array<uint8_t, kGlyphRows> rows;
    EXPECT_FALSE(LabelGlyph(kLabelNoGlyph, rows));
}

TEST_F(LabelTest, DrawLabelBurnsGlyphsAndMarker) {
    const int w = 96, h = 14;
    auto img = MakeImage(w, h, [](int x, int y) { return 1000 + x + y; });
    const auto before = img;
    DrawLabel(img.data(), w, h, "A!b");
    std::array<uint8_t, kGlyphRows> a, b;
    LabelGlyph('A', a);
    LabelGlyph('b', b);
    for (int y = 0; y < kGlyphRows; ++y)
        for (int x = 0; x < w; ++x) {
            Pixel expected = 0;
            if (x < 8) expected = (a[y] & (0x80 >> x)) ? 65535 : 0;
            else if (x >= 16 && x < 24) expected = (b[y] & (0x80 >> (x - 16))) ? 65535 : 0;
            if (y == 0 && x < 6) expected = 17;
            ASSERT_EQ(img[size_t(y) * w + x], expected) << x << "," << y;
        }
    for (size_t i = size_t(kGlyphRows) * w; i < img.size(); ++i) ASSERT_EQ(img[i], before[i]);
    EXPECT_EQ(img[4] + img[5], 34);
}

TEST_F(LabelTest, LabellingTwiceReplacesFirstLabel) {
    const int w = 128, h = 12;
    std::vector<Pixel> once(size_t(w) * h, 300), twice(size_t(w) * h, 300);
    DrawLabel(once.data(), w, h, "Z");
    DrawLabel(twice.data(), w, h, "WWWWWWWWWWWWWWWW");
    DrawLabel(twice.data(), w, h, "Z");
    EXPECT_EQ(once, twice);
}

TEST_F(LabelTest, NarrowImageGetsOnlyWholeCellsThatFit) {
    const int w = 20, h = 12;
    std::vector<Pixel> img(size_t(w) * h, 5);
    DrawLabel(img.data(), w, h, "HHHHHHHH");
    for (int y = 0; y < h; ++y) {
        // Cell 2 (columns 16..19) does not fit and stays black.
        for (int x = 16; x < w && y < kGlyphRows; ++x) EXPECT_EQ(img[size_t(y) * w + x], 0) << x << "," << y;
    }
    for (int x = 0; x < w; ++x) EXPECT_EQ(img[size_t(10) * w + x], 5);
}

TEST_F(LabelTest, LabelImageUsesClockAndTakesNoUndoOrHistory) {
    UseGeometry(640, 20);
    std::fill(State().undo, State().undo + State().geometry.pixels, Pixel(3));
    clock.unixBase = 1'772'856'309 - clock.now / 1000;  // 2026-03-07 04:05:09 UT
    LabelImage(true, "NGC 7000");
    std::vector<Pixel> expected(size_t(640) * 20);
    std::copy(State().imageA, State().imageA + 640 * 20, expected.begin());
    std::vector<Pixel> drawn = expected;
    DrawLabel(drawn.data(), 640, 20, BuildLabelLine("NGC 7000", true, SampleTime()));
    EXPECT_EQ(expected, drawn);
    EXPECT_EQ(GetUndo(), std::vector<Pixel>(size_t(640) * 20, 3));
    EXPECT_EQ(HistoryCount(), 0);
}

}  // namespace
