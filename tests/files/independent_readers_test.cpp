// The files this program writes, checked by readers that are not ours:
// fitsverify and astropy for FITS, tiffinfo and tiffdump (libtiff) for TIFF.
#include <cstdio>
#include <sstream>
#include <tuple>
#include <sys/wait.h>

#include "core/camera_models.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "files_fixture.h"

namespace {

struct Output {
    int status = -1;
    std::string text;
};

Output Shell(const std::string& command) {
    Output out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool HaveTool(const std::string& name) { return Shell("command -v " + name).status == 0; }

// A python that has astropy, or empty.
std::string AstropyPython() {
    for (const char* python : {"/usr/bin/python3", "python3"})
        if (Shell(std::string(python) + " -c 'import astropy.io.fits, numpy'").status == 0) return python;
    return "";
}

class IndependentReadersTest : public FilesTest {
protected:
    void ExpectFitsverifyOk(const std::string& path) {
        const Output out = Shell("fitsverify -q '" + path + "'");
        EXPECT_EQ(out.status, 0) << out.text;
        EXPECT_NE(out.text.find("verification OK"), std::string::npos) << out.text;
    }
    // astropy reads the file as unsigned 16-bit pixels equal to `expected`.
    void ExpectAstropyEqual(const std::string& python, const std::string& path, const Pixel* expected,
                            int width, int height) {
        Write(path + ".expected", RawBytes(expected, size_t(width) * height));
        const std::string script =
            "import numpy as np; from astropy.io import fits\n"
            "d = fits.getdata('" + path + "')\n"
            "e = np.fromfile('" + path + ".expected', dtype='<u2').reshape(" + std::to_string(height) + ", " +
            std::to_string(width) + ")\n"
            "print(d.dtype, d.shape, 'equal' if np.array_equal(d, e) else 'DIFFERENT')\n";
        Write(path + ".py", Bytes(script.begin(), script.end()));
        const Output out = Shell(python + " '" + path + ".py'");
        EXPECT_EQ(out.status, 0) << out.text;
        EXPECT_EQ(out.text, "uint16 (" + std::to_string(height) + ", " + std::to_string(width) + ") equal\n");
    }
    // The decoded strip bytes printed by tiffinfo -d.
    static Bytes TiffinfoData(const std::string& text) {
        Bytes bytes;
        std::istringstream in(text);
        std::string line;
        bool inData = false;
        while (std::getline(in, line)) {
            if (line.rfind("Strip ", 0) == 0) {
                inData = true;
                continue;
            }
            if (!inData) continue;
            std::istringstream words(line);
            std::string word;
            while (words >> word) bytes.push_back(uint8_t(std::stoul(word, nullptr, 16)));
        }
        return bytes;
    }
};

TEST_F(IndependentReadersTest, FitsFilesPassFitsverify) {
    if (!HaveTool("fitsverify")) GTEST_SKIP() << "fitsverify is not installed";
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 70);
    State().fits.object = "M 101 'pinwheel'";  // a quote must not break the string
    State().fits.comment = std::string(254, 'c');
    State().fits.history = "tab\there";
    State().fits.exposure = -1.5;
    State().history[0] = "Dark Frame Subtracted";
    ASSERT_EQ(SaveFits(Host("a.fit"), State().imageA, false), 0);
    ExpectFitsverifyOk(Host("a.fit"));
    ASSERT_EQ(SaveFits(Host("b.fit"), State().imageA, true), 0);  // 8-bit
    ExpectFitsverifyOk(Host("b.fit"));
    std::vector<Pixel> small(464 * 346, 12);  // an unexpanded 3 x 3 binned read
    ASSERT_EQ(SaveFitsImage(Host("c.fit"), small.data(), 464, 346, false), 0);
    ExpectFitsverifyOk(Host("c.fit"));
    // The numbered save.
    State().fits.exposureStart = 1'700'000'000;
    State().fits.exposureEnd = 1'700'000'060;
    ASSERT_EQ(QuickSaveFits(State().imageA), 0);
    ExpectFitsverifyOk(home + "/autosave/IMG1.FIT");
}

// The fill rule puts a whole zero block after data that fill their last
// block exactly, which FITS readers report as bytes after the last HDU; no
// image the cameras deliver has such a size.
TEST_F(IndependentReadersTest, NoCameraImageFillsItsLastBlockExactly) {
    for (const CameraModel& m : CameraModels()) {
        for (int divisor : {1, 2, 3, 4}) {
            const int64_t pixels = int64_t(m.sensorWidth / divisor) * (m.sensorHeight / divisor);
            EXPECT_NE(pixels * 2 % 2880, 0) << m.name << " / " << divisor;
            EXPECT_NE(pixels % 2880, 0) << m.name << " / " << divisor << " (8-bit)";
        }
    }
}

TEST_F(IndependentReadersTest, AstropyReadsTheImageBack) {
    const std::string python = AstropyPython();
    if (python.empty()) GTEST_SKIP() << "astropy is not installed";
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 71);
    ASSERT_EQ(SaveFits(Host("a.fit"), State().imageA, false), 0);
    ExpectAstropyEqual(python, Host("a.fit"), State().imageA, 1392, 1040);
    // Binned geometry.
    State().geometry.binned = true;
    RecomputeGeometry();
    FillPattern(State().imageA, Pixels(), 72);
    ASSERT_EQ(SaveFits(Host("b.fit"), State().imageA, false), 0);
    ExpectAstropyEqual(python, Host("b.fit"), State().imageA, 696, 520);
}

TEST_F(IndependentReadersTest, TiffFilesPassLibtiffAndReadBackEqual) {
    if (!HaveTool("tiffinfo") || !HaveTool("tiffdump")) GTEST_SKIP() << "libtiff tools are not installed";
    // 37 x 23 in 4 strips: the last strip carries the remainder rows.
    for (const auto& [width, height, blocks] : {std::tuple{37, 23, 4}, std::tuple{64, 32, 8}, std::tuple{5, 1, 4}}) {
        UseGeometry(width, height, blocks);
        FillPattern(State().imageA, Pixels(), 73);
        for (bool sixteen : {false, true}) {
            const std::string path = Host("t" + std::to_string(sixteen) + ".tif");
            ASSERT_EQ(SaveTiff(path, State().imageA, sixteen), 0);
            const Output info = Shell("tiffinfo -d '" + path + "'");
            ASSERT_EQ(info.status, 0) << info.text;
            EXPECT_EQ(info.text.find("Warning"), std::string::npos) << info.text;
            EXPECT_EQ(info.text.find("Error"), std::string::npos) << info.text;
            EXPECT_NE(info.text.find("Image Width: " + std::to_string(width) + " Image Length: " +
                                     std::to_string(height)),
                      std::string::npos)
                << info.text;
            EXPECT_NE(info.text.find(sixteen ? "Bits/Sample: 16" : "Bits/Sample: 8"), std::string::npos);
            Bytes expected;
            if (sixteen) {
                expected = RawBytes(State().imageA, Pixels());
            } else {
                for (size_t i = 0; i < Pixels(); ++i) expected.push_back(uint8_t(State().imageA[i] >> 8));
            }
            EXPECT_EQ(TiffinfoData(info.text), expected) << width << "x" << height << " " << sixteen;
            const Output dump = Shell("tiffdump '" + path + "'");
            ASSERT_EQ(dump.status, 0) << dump.text;
            EXPECT_NE(dump.text.find("ResolutionUnit (296) SHORT (3) 1<3>"), std::string::npos) << dump.text;
            EXPECT_NE(dump.text.find("XResolution (282) RATIONAL (5) 1<85>"), std::string::npos) << dump.text;
        }
    }
}

TEST_F(IndependentReadersTest, FullSizeTiffPassesTiffinfo) {
    if (!HaveTool("tiffinfo")) GTEST_SKIP() << "libtiff tools are not installed";
    UseModel(7);  // 4904 x 3280, 16 strips
    ASSERT_EQ(SaveTiff(Host("big.tif"), State().imageA, true), 0);
    const Output info = Shell("tiffinfo -D '" + Host("big.tif") + "'");
    EXPECT_EQ(info.status, 0) << info.text;
    EXPECT_NE(info.text.find("Rows/Strip: 205"), std::string::npos) << info.text;
    EXPECT_EQ(info.text.find("Error"), std::string::npos) << info.text;
}

}  // namespace
