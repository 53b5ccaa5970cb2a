// Writes the fuzz targets' seed files: the program's own files of the small
// fuzzing geometry, made by the same writers the program uses.
//   make_seeds DIR   ->  DIR/fits, DIR/raw, DIR/tiff, DIR/hpm, DIR/settings
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/state.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "fuzz_support.h"
#include "platform/paths.h"
#include "settings/settings_file.h"

namespace fs = std::filesystem;

namespace {

void Copy(const std::string& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// A sky-like picture: a ramp, a few bright spots, the extremes.
void Picture(Pixel* p) {
    for (int y = 0; y < fuzz::kHeight; ++y)
        for (int x = 0; x < fuzz::kWidth; ++x) p[y * fuzz::kWidth + x] = Pixel(1000 + 40 * y + 7 * x);
    p[0] = 0;
    p[1] = 65535;
    p[40 * fuzz::kWidth + 60] = 60000;
    p[20 * fuzz::kWidth + 30] = 50000;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    for (const char* d : {"fits", "raw", "tiff", "hpm", "settings"}) fs::create_directories(out / d);
    fuzz::Start();
    fuzz::Reset();
    Pixel* a = State().imageA;
    Picture(a);
    const std::string home = fuzz::Home();

    int failures = 0;
    failures += SaveFits(home + "/s16.fit", a, false) != 0;
    failures += SaveFits(home + "/s8.fit", a, true) != 0;
    Copy(home + "/s16.fit", out / "fits/image16.fit");
    Copy(home + "/s8.fit", out / "fits/image8.fit");
    Copy(home + "/s16.fit", out / "raw/image16.fit");

    failures += !SaveRawFile(home + "/s.raw");
    Copy(home + "/s.raw", out / "raw/image.raw");

    failures += SaveTiff(home + "/s16.tif", a, true) != 0;
    failures += SaveTiff(home + "/s8.tif", a, false) != 0;
    Copy(home + "/s16.tif", out / "tiff/image16.tif");
    Copy(home + "/s8.tif", out / "tiff/image8.tif");

    State().hotPixels.indices = {1, 40 * uint32_t(fuzz::kWidth) + 60, 20 * uint32_t(fuzz::kWidth) + 30};
    State().hotPixels.loaded = true;
    const Bytes map = EncodeHotPixelMap();
    std::ofstream(out / "hpm/map.hpm", std::ios::binary).write(reinterpret_cast<const char*>(map.data()),
                                                                 std::streamsize(map.size()));

    failures += SaveSettings() != 0;
    Copy(MapPath(kSettingsPath), out / "settings/Velmora.ini");

    if (failures) std::fprintf(stderr, "make_seeds: %d files could not be written\n", failures);
    return failures ? 1 : 0;
}
