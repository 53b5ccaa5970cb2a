// Random, truncated, zero-length and foreign files fed to every reader: each
// gives its message, leaves image, geometry and details as they were, and
// never reads past a buffer.
#include <random>

#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "files_fixture.h"

namespace {

class BadInputTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        UseGeometry(120, 80, 4);
        FillPattern(State().imageA, Pixels(), 90);
        FillPattern(State().imageB, Pixels(), 91);
        State().fits.object = "current";
        State().hotPixels.indices = {1000, 2000};
        State().hotPixels.loaded = true;
        a.assign(State().imageA, State().imageA + Pixels());
        b.assign(State().imageB, State().imageB + Pixels());
    }
    // Everything a failed read must leave alone.
    void ExpectUnchanged(const std::string& what) {
        EXPECT_TRUE(std::equal(a.begin(), a.end(), State().imageA)) << what;
        EXPECT_TRUE(std::equal(b.begin(), b.end(), State().imageB)) << what;
        EXPECT_EQ(State().geometry.width, 120) << what;
        EXPECT_FALSE(State().geometry.binned) << what;
        EXPECT_EQ(State().fits.object, "current") << what;
        EXPECT_EQ(State().hotPixels.indices, (std::vector<uint32_t>{1000, 2000})) << what;
    }
    std::vector<Pixel> a, b;
};

TEST_F(BadInputTest, EveryReaderRefusesRandomAndTruncatedFiles) {
    std::mt19937 random(1234);
    ASSERT_EQ(SaveFits(Host("good.fit"), State().imageA, false), 0);
    const Bytes good = Read(Host("good.fit"));
    const FitsSizes sizes = FitsFileSizes(120, 80);
    std::vector<size_t> lengths = {0, 1, 15, 19, 20, 79, 80, 2880, 5759, 5760, 5761};
    for (int i = 0; i < 40; ++i) lengths.push_back(random() % (good.size() + 100));
    for (int64_t l : {sizes.fullExact, sizes.fullPadded, sizes.fullOldPadding, sizes.binnedExact,
                      sizes.binnedPadded, sizes.binnedOldPadding})
        lengths.push_back(size_t(l));

    int cases = 0;
    for (size_t length : lengths) {
        for (int source = 0; source < 3; ++source) {
            Bytes file(length);
            if (source == 0) {
                for (uint8_t& byte : file) byte = uint8_t(random());
            } else if (source == 1) {
                // A truncated (or stretched) copy of a good file.
                for (size_t i = 0; i < length; ++i) file[i] = i < good.size() ? good[i] : 0;
            } else {
                // The good header with random pixels and random card bytes.
                for (size_t i = 0; i < length; ++i) file[i] = i < good.size() ? good[i] : uint8_t(random());
                for (int k = 0; k < 8 && length > 0; ++k) file[random() % length] = uint8_t(random());
            }
            const std::string what = "length " + std::to_string(length) + " source " + std::to_string(source);
            Write(Host("f.fit"), file);
            ++cases;

            messages.shown.clear();
            const int open = OpenImageFile(Host("f.fit"));
            if (open != kOpenedImage && open != kOpenedHotPixelMap) {
                EXPECT_EQ(messages.shown.size(), 1u) << what;
                ExpectUnchanged(what + " (open)");
            } else {
                // A load may only happen for an accepted length.
                EXPECT_NE(ClassifyLength(int64_t(length), 120, 80).kind, LengthClass::Other) << what;
                std::copy(a.begin(), a.end(), State().imageA);
                State().geometry.binned = false;
                RecomputeGeometry();
                State().fits.object = "current";
                State().history = {};
            }

            messages.shown.clear();
            if (LoadSecondImage(Host("f.fit")) != 0) {
                EXPECT_EQ(messages.shown.size(), 1u) << what;
                EXPECT_TRUE(std::equal(b.begin(), b.end(), State().imageB)) << what;
            } else {
                std::copy(b.begin(), b.end(), State().imageB);
            }

            const int fits = LoadFits(Host("f.fit"), State().imageB);
            if (fits != kFitsOk) {
                EXPECT_TRUE(fits == kFitsShortRead || fits == kFitsForeign) << what;
                ExpectUnchanged(what + " (LoadFits)");
            } else {
                std::copy(b.begin(), b.end(), State().imageB);
                State().fits.object = "current";
            }
            if (LoadFitsPixels(Host("f.fit"), State().imageB) != kFitsOk)
                ExpectUnchanged(what + " (LoadFitsPixels)");
            else
                std::copy(b.begin(), b.end(), State().imageB);

            messages.shown.clear();
            if (!LoadHotPixelMap(file.data(), file.size())) {
                EXPECT_EQ(messages.shown.size(), 1u) << what;
                ExpectUnchanged(what + " (map)");
            }
        }
    }
    EXPECT_GT(cases, 150);
}

TEST_F(BadInputTest, ZeroLengthAndEightBitFilesGiveTheirCodes) {
    Write(Host("empty"), Bytes{});
    EXPECT_EQ(OpenImageFile(Host("empty")), 12);
    ExpectUnchanged("empty");
    // An 8-bit file of an accepted length (binned exact = 120*80/2 + 5760:
    // the 8-bit data of 120 x 40 pixels): not this program's 16-bit layout.
    std::vector<Pixel> half(120 * 40, 1);
    ASSERT_EQ(SaveFitsImage(Host("eight.fit"), half.data(), 120, 40, true), 0);
    Bytes eight = Read(Host("eight.fit"));
    eight.resize(size_t(FitsFileSizes(120, 80).binnedExact));
    Write(Host("eight.fit"), eight);
    EXPECT_EQ(OpenImageFile(Host("eight.fit")), 14);
    ExpectUnchanged("eight");
}

TEST_F(BadInputTest, RandomMapsNeverListIndicesOutsideTheImage) {
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) {
        const int32_t count = int32_t(random() % 40);
        Bytes file(kHotPixelMagic, kHotPixelMagic + 15);
        const int32_t written = (random() % 4 == 0) ? int32_t(random()) : count;
        for (int k = 0; k < 4; ++k) file.push_back(uint8_t(uint32_t(written) >> (8 * k)));
        for (int32_t e = 0; e < count; ++e) {
            const uint32_t v = random() % 2 ? random() % 9600 : random();
            for (int k = 0; k < 4; ++k) file.push_back(uint8_t(v >> (8 * k)));
        }
        if (LoadHotPixelMap(file.data(), file.size())) {
            for (uint32_t index : State().hotPixels.indices) ASSERT_LT(index, 9600u);
        }
    }
    ApplyHotPixelMap(State().imageA);
}

}  // namespace
