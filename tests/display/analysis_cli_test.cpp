// velmora-cli histogram, profile, photometry, stats and render on raw files
// of model 2 (1392 x 1040, binned 696 x 520).
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "support/test_env.h"

namespace {

class AnalysisCliTest : public VelmoraTest {
protected:
    // Writes a raw file (16-bit little-endian pixels) of w x h from f(x, y).
    template <class F>
    std::string Raw(const std::string& name, int w, int h, F f) {
        std::vector<uint8_t> bytes;
        bytes.reserve(size_t(w) * h * 2);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint16_t v = f(x, y);
                bytes.push_back(uint8_t(v));
                bytes.push_back(uint8_t(v >> 8));
            }
        const std::string path = home + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        return path;
    }
    CliResult Cli(const std::string& args) { return RunVelmoraCli(home, args + " --model 2"); }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    static std::map<std::string, std::string> Values(const std::string& text) {
        std::map<std::string, std::string> values;
        for (const std::string& line : Lines(text)) {
            const size_t eq = line.find('=');
            if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return values;
    }
};

// The RGB rows of a PNG whose picture data is stored uncompressed.
struct StoredPng {
    int width = 0, height = 0;
    std::vector<uint8_t> raw;  // filter byte + RGB per row
    uint32_t Pixel(int x, int y) const {
        const uint8_t* p = raw.data() + size_t(y) * (1 + 3 * size_t(width)) + 1 + 3 * size_t(x);
        return uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
    }
};

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

bool ReadStoredPng(const std::string& path, StoredPng& png) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 33 || !std::equal(signature, signature + 8, file.begin())) return false;
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = Be32(file, at);
        const std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        if (type == "IHDR") {
            png.width = int(Be32(file, at + 8));
            png.height = int(Be32(file, at + 12));
            if (file[at + 16] != 8 || file[at + 17] != 2) return false;
        } else if (type == "IDAT") {
            z.insert(z.end(), file.begin() + long(at) + 8, file.begin() + long(at) + 8 + length);
        }
        at += 12 + length;
    }
    // zlib header, then stored blocks: type byte, LEN, NLEN, data.
    for (size_t at = 2; at + 5 <= z.size();) {
        const bool last = z[at] & 1;
        if ((z[at] >> 1) != 0) return false;
        const size_t n = z[at + 1] | z[at + 2] << 8;
        png.raw.insert(png.raw.end(), z.begin() + long(at) + 5, z.begin() + long(at + 5 + n));
        at += 5 + n;
        if (last) break;
    }
    return png.raw.size() == size_t(png.height) * (1 + 3 * size_t(png.width));
}

}  // namespace

TEST_F(AnalysisCliTest, HistogramPrintsTheBackgroundEstimateCounters) {
    const std::string in = Raw("flat.raw", 696, 520, [](int, int) { return uint16_t(0x0512); });
    const CliResult r = Cli("histogram '" + in + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    const auto lines = Lines(r.output);
    ASSERT_EQ(lines.size(), 257u);
    // Rows 11..514 and columns 5..690 of the binned image: 504 x 686 pixels,
    // counted in 16 bits.
    const unsigned counted = (504u * 686u) % 65536u;
    for (int i = 0; i < 257; ++i)
        EXPECT_EQ(lines[size_t(i)], std::to_string(i) + " " + std::to_string(i == 5 ? counted : 0u));
}

TEST_F(AnalysisCliTest, ProfileSamplesFullAndBinnedRows) {
    auto value = [](int x, int y) { return uint16_t(40 * x + y); };
    CliResult r = Cli("profile '" + Raw("full.raw", 1392, 1040, value) + "' --row 7");
    ASSERT_EQ(r.status, 0) << r.output;
    auto lines = Lines(r.output);
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines[0], "0 0 7");
    EXPECT_EQ(lines[1], "1 2 87");         // column 1392 / 512 = 2.7
    EXPECT_EQ(lines[511], "511 1389 55567");  // 511 * 1392 / 512 = 1389.3
    r = Cli("profile '" + Raw("binned.raw", 696, 520, value) + "' --row 519");
    ASSERT_EQ(r.status, 0) << r.output;
    lines = Lines(r.output);
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines[1], "1 1 559");
    EXPECT_EQ(lines[511], "511 694 28279");
    r = Cli("profile '" + home + "/binned.raw' --row 520");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "Sorry, outside Image area - try again\n");
}

TEST_F(AnalysisCliTest, PhotometrySumsMeansAndMagnitude) {
    const std::string in = Raw("stars.raw", 1392, 1040, [](int x, int y) {
        if (x == 100 && y == 100) return uint16_t(4000);
        if (x == 200 && y == 100) return uint16_t(1000);
        return uint16_t(768);
    });
    CliResult r = Cli("photometry '" + in + "' --object 100 100 --comparison 200 100 --radius 0");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output,
              "object_x=100\nobject_y=100\nobject_sum=4000\nobject_mean=4000\n"
              "comparison_x=200\ncomparison_y=100\ncomparison_sum=1000\ncomparison_mean=1000\n"
              "background_x=0\nbackground_y=0\nbackground_sum=0\nbackground_mean=0\n"
              // Black point: the most populated high bytes are 3 (the
              // sky), 15 (the object) and 0: (3 + 15 + 0) / 3 = 6, shown x 256.
              "background_level=1536\ndmag=-1.51\n");
    r = Cli("photometry '" + in + "' --object 100 100 --comparison 200 100 --background 50 50 --radius 2");
    ASSERT_EQ(r.status, 0) << r.output;
    auto v = Values(r.output);
    EXPECT_EQ(v["object_sum"], std::to_string(24 * 768 + 4000));
    EXPECT_EQ(v["object_mean"], std::to_string((24 * 768 + 4000) / 25));
    EXPECT_EQ(v["background_sum"], std::to_string(25 * 768));
    EXPECT_EQ(v["background_level"], "768");
    EXPECT_EQ(v["dmag"], "-2.86");  // -2.5 log10(3232 / 232)
}

TEST_F(AnalysisCliTest, PhotometryRefusesPositionsAndRadiiItCannotUse) {
    const std::string in = Raw("flat.raw", 1392, 1040, [](int, int) { return uint16_t(1000); });
    CliResult r = Cli("photometry '" + in + "' --object 100 100 --comparison 1388 100");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "Sorry, outside Image area - try again\n");
    EXPECT_EQ(Cli("photometry '" + in + "' --object 100 100 --comparison 200 100 --radius 5").status, 2);
    EXPECT_EQ(Cli("photometry '" + in + "' --object 100 --comparison 200 100").status, 2);
}

TEST_F(AnalysisCliTest, PhotometrySnapsOntoTheStar) {
    // A symmetric star centred on (300, 200).
    const std::string in = Raw("star.raw", 1392, 1040, [](int x, int y) {
        const int d = std::abs(x - 300) + std::abs(y - 200);
        return uint16_t(d == 0 ? 30000 : d == 1 ? 20000 : d == 2 ? 8000 : 1000);
    });
    const CliResult r = Cli("photometry '" + in + "' --object 302 201 --comparison 200 100 --snap");
    ASSERT_EQ(r.status, 0) << r.output;
    auto v = Values(r.output);
    EXPECT_EQ(v["object_x"], "300");
    EXPECT_EQ(v["object_y"], "200");
    // 30000 + 4 x 20000 + 8 x 8000 + 68 x 1000 over the 9 x 9 mask.
    EXPECT_EQ(v["object_sum"], "242000");
}

TEST_F(AnalysisCliTest, StatsOfAKnownImage) {
    const std::string in = Raw("one.raw", 1392, 1040, [](int x, int y) {
        return uint16_t(x == 10 && y == 20 ? 5000 : 1000);
    });
    CliResult r = Cli("stats '" + in + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    // One pixel of 5000 among 1,447,680: mean 1000 + 4000 / N, deviation
    // 4000 sqrt(p (1 - p)) with p = 1 / N.
    EXPECT_EQ(r.output, "min=1000\nmax=5000\nmean=1000.003\nmedian=1000.0\nstddev=3.324\n");
    r = Cli("stats '" + in + "' --stars");
    ASSERT_EQ(r.status, 0) << r.output;
    auto v = Values(r.output);
    EXPECT_EQ(v["stars"], "0");  // a lone hot pixel is no star
    EXPECT_EQ(v.count("fwhm"), 1u);
    EXPECT_EQ(v["fwhm"], "");

}

TEST_F(AnalysisCliTest, RenderWritesTheWindowsDrawings) {
    const std::string in = Raw("bright.raw", 696, 520, [](int x, int y) {
        return uint16_t(y == 250 ? 65535 : 0x0512);
    });
    CliResult r = Cli("render '" + in + "' '" + home + "/h.png' --histogram");
    ASSERT_EQ(r.status, 0) << r.output;
    StoredPng png;
    ASSERT_TRUE(ReadStoredPng(home + "/h.png", png));
    EXPECT_EQ(png.width, 400);
    EXPECT_EQ(png.height, 280);
    EXPECT_EQ(png.Pixel(13, 1), 0xFF0000u);    // value 5 is capped: red to the top
    EXPECT_EQ(png.Pixel(13, 0), 0xFFFFFFu);
    EXPECT_EQ(png.Pixel(5, 100), 0x0000FFu);   // the axis
    EXPECT_EQ(png.Pixel(100, 100), 0xFFFFFFu);

    r = Cli("render '" + in + "' '" + home + "/p.png' --profile 250");
    ASSERT_EQ(r.status, 0) << r.output;
    png = {};
    ASSERT_TRUE(ReadStoredPng(home + "/p.png", png));
    EXPECT_EQ(png.width, 704);
    EXPECT_EQ(png.height, 204);
    EXPECT_EQ(png.Pixel(300, 28), 0x808080u);  // full scale
    EXPECT_EQ(png.Pixel(300, 29), 0xFFFFFFu);

    r = Cli("render '" + in + "' '" + home + "/3d.png' --plot3d");
    ASSERT_EQ(r.status, 0) << r.output;
    png = {};
    ASSERT_TRUE(ReadStoredPng(home + "/3d.png", png));
    EXPECT_EQ(png.width, 136 + 695 + 9);  // binned geometry: every column
    EXPECT_EQ(png.height, 186 + 130 + 8);

    r = Cli("render '" + in + "' '" + home + "/view.png'");
    ASSERT_EQ(r.status, 0) << r.output;
    png = {};
    ASSERT_TRUE(ReadStoredPng(home + "/view.png", png));
    EXPECT_EQ(png.width, 348);  // the binned display of 696 x 520
    EXPECT_EQ(png.height, 260);
    EXPECT_EQ(png.Pixel(0, 125), 0xFFFFFFu);  // displayed row 125 is image row 250
    EXPECT_EQ(png.Pixel(0, 0), 0x050505u);

    EXPECT_EQ(Cli("render '" + in + "' '" + home + "/x.png' --histogram --plot3d").status, 2);
    r = Cli("render '" + in + "' '" + home + "/missing/dir/x.png' --histogram");
    EXPECT_EQ(r.status, 1);
}
