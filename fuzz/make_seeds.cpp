// Writes the fuzz targets' seed files: the program's own files of the small
// fuzzing geometry, made by the same writers the program uses.
//   make_seeds DIR   ->  DIR/fits, DIR/raw, DIR/tiff, DIR/hpm, DIR/settings, DIR/guiding_file, DIR/server,
// and the inputs of the targets that read no file: a mount's answers
// (DIR/lx200) and runs of INDI property changes (DIR/indi_property).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "fuzz_support.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"

namespace fs = std::filesystem;

namespace {

void Copy(const std::string& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

void Write(const fs::path& to, const std::string& bytes) {
    std::ofstream(to, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A mount's answers in the order the LX200 target asks: object info, the two
// go-to's (object info, then slew answer), the LX200 and Autostar positions.
// On the camera's port (route byte 0) every 33-byte read is padded by the
// camera, a slew answer of "0" is one byte; on the PC port (route byte 1)
// each line is a length byte and its text.
std::string MountAnswers(bool pc, bool refused) {
    const std::string info = "M31 EX GAL MAG 3.5 SZ178.0'#";
    const std::string slew = refused ? "1Object Below Horizon#" : "0";
    const std::vector<std::string> answers{info, info,  slew,        slew,        "05:35:17#", "-05*23:28#",
                                           "05:35:17#", "", "-05*23:28#", ""};
    std::string out(1, pc ? '\1' : '\0');
    for (const std::string& a : answers) {
        if (pc) {
            out += char(a.size());
            out += a;
        } else if (a == "0") {
            out += a;
        } else {
            std::string padded = a;
            padded.resize(33, '\0');
            out += padded;
        }
    }
    return out;
}

std::string Short(int v) { return {char(v & 0xff), char((v >> 8) & 0xff)}; }
std::string Word(uint32_t v) { return Short(int(v & 0xffff)) + Short(int(v >> 16)); }

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
    for (const char* d : {"fits", "raw", "tiff", "hpm", "settings", "lx200", "guiding_file", "server", "indi_property"})
        fs::create_directories(out / d);
    Write(out / "lx200/camera_port", MountAnswers(false, false));
    Write(out / "lx200/camera_port_refused", MountAnswers(false, true));
    Write(out / "lx200/pc_port", MountAnswers(true, false));
    Write(out / "lx200/pc_port_refused", MountAnswers(true, true));
    // Property runs (see indi_property_fuzz.cpp): op 0 binning, 1 frame, 2
    // exposure (ms, clock at the start, abort after n steps), 3 pulse, 4 filter slot, 5 filter
    // names; the high bit picks the guider.
    const std::string guider(1, '\x80');
    Write(out / "indi_property/binned_subframe",
          std::string("\1") + '\0' + "\2\2" + '\1' + Short(300) + Short(400) + Short(256) + Short(128) + '\2' +
              Word(1500) + Word(0xfffff000) + char(-1));
    Write(out / "indi_property/soft_binning_aborted",
          std::string("\1") + '\0' + "\5\7" + '\2' + Word(4200) + Word(7) + '\2' + '\2' + Word(300) + Word(0) + char(-1));
    Write(out / "indi_property/guider_pulses_filters",
          std::string("\1") + guider + "\2\2" + char(0x81) + Short(10) + Short(20) + Short(200) + Short(120) +
              char(0x82) + Word(500) + Word(0) + char(-1) + '\3' + '\1' + Word(300) + '\1' + '\3' + '\0' + Word(200) + '\0' +
              '\4' + '\3' + '\5' + "\x05Ha-01\x04OIII\0\0\0\0\0");
    // A sequencer's requests (each chunk starts with its client and length
    // byte, see server_fuzz.cpp).
    auto chunk = [](int client, const std::string& line) {
        return std::string(1, char((((line.size() + 7) / 8) << 1) | client)) + line +
               std::string((line.size() + 7) / 8 * 8 + 1 - line.size(), '\n');
    };
    Write(out / "server/session",
          chunk(0, "{\"method\":\"echo\",\"params\":[1.5,true],\"id\":1}\r\n") +
              chunk(1, "{\"method\":\"number\",\"params\":{\"distance\":2,\"flag\":true},\"id\":\"a\"}\n") +
              chunk(0, "{\"method\":\"refuse\",\"params\":[\"settling\"],\"id\":3}\r") +
              chunk(1, "{\"method\":\"nothing\",\"id\":4}\nnot json\n"));
    fuzz::Start();
    fuzz::Reset();
    // A trained calibration as the guiding file keeps it.
    Guider().trained = Guider().useTrained = true;
    Guider().trainedSet.rx = 2.5;
    Guider().trainedSet.dy = -1.25;
    Guider().trainedRule = GuideRule::Smooth;
    Guider().focalLengthMm = 1000;
    Write(out / "guiding_file/trained.txt", GuidingFileText());
    ResetGuider();
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
