#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/fits.h"
#include "files_fixture.h"
#include "platform/paths.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

class FilesCliTest : public FilesTest {
protected:
    CliRun Cli(const std::string& args) {
        const std::string errFile = home + "/cli-stderr.txt";
        const std::string command =
            "VELMORA_HOME='" + home + "' TZ=UTC '" VELMORA_CLI "' " + args + " 2>'" + errFile + "'";
        CliRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const Bytes err = Read(errFile);
        run.err.assign(err.begin(), err.end());
        return run;
    }
};

TEST_F(FilesCliTest, FitsInfoPrintsTheCardsUpToEnd) {
    UseModel(2);
    State().fits.object = "M 51";
    State().fits.date = "2024-05-06";
    ASSERT_EQ(SaveFits(Host("m51.fit"), State().imageA, false), 0);
    const CliRun run = Cli("fits-info '" + Host("m51.fit") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    for (size_t start = 0; start < run.out.size();) {
        const size_t end = run.out.find('\n', start);
        lines.push_back(run.out.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[0], "SIMPLE  =                    T /");
    EXPECT_EQ(lines[3], "NAXIS1  =                 1392 /");
    EXPECT_EQ(lines[5], "OBJECT  = 'M 51'");
    EXPECT_EQ(lines[10], "DATE-OBS= '2024-05-06'");
    EXPECT_EQ(lines[12], "HISTORY = ''");
    EXPECT_EQ(lines[27], "HISTORY = '" + std::string(68, ' ') + "'");
    EXPECT_EQ(lines[37], "PIXWIDTH=    6.4500000000E-03");
    EXPECT_EQ(lines[44], "END");
}

TEST_F(FilesCliTest, FitsInfoRefusesMissingForeignAndTruncatedFiles) {
    CliRun run = Cli("fits-info '" + Host("none.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to load FITS file\n");
    EXPECT_EQ(run.out, "");
    Write(Host("text.fit"), Bytes(200, 'a'));
    run = Cli("fits-info '" + Host("text.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to load FITS file, File was not saved by this program\n");
    UseModel(2);
    ASSERT_EQ(SaveFits(Host("a.fit"), State().imageA, false), 0);
    const Bytes file = Read(Host("a.fit"));
    Write(Host("cut.fit"), Bytes(file.begin(), file.begin() + 44 * 80 + 10));
    run = Cli("fits-info '" + Host("cut.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to load FITS file\n");
    EXPECT_EQ(Cli("fits-info").status, 2);
}

// A header without END is read no further than 100 blocks, and a FIFO or a
// device is refused (never opened for reading, so nothing blocks).
TEST_F(FilesCliTest, FitsInfoReadsABoundedHeaderFromRegularFilesOnly) {
    std::string simple = "SIMPLE  =                    T /";
    simple.resize(80, ' ');
    Write(Host("endless.fit"), Bytes(simple.begin(), simple.end()));
    ASSERT_EQ(::truncate(Host("endless.fit").c_str(), 1'000'000'000), 0);  // sparse: no END anywhere
    CliRun run = Cli("fits-info '" + Host("endless.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Sorry, no END card in the first 100 header blocks of " + Host("endless.fit") + "\n");
    EXPECT_TRUE(run.out.empty());

    ASSERT_EQ(::mkfifo(Host("pipe.fit").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", Host("zero.fit").c_str()), 0);
    for (const char* name : {"pipe.fit", "zero.fit"}) {
        run = Cli("fits-info '" + Host(name) + "'");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.err, "Sorry, " + Host(name) + " is not a regular file\n") << name;
    }
}

TEST_F(FilesCliTest, ConvertRawToFitsTiffAndBackWithTheModelOption) {
    UseModel(2);
    std::vector<Pixel> image(1392 * 1040);
    FillPattern(image.data(), image.size(), 60);
    Write(Host("in~1"), RawBytes(image.data(), image.size()));

    CliRun run = Cli("convert '" + Host("in~1") + "' '" + Host("out.fit") + "' --model 2");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(LoadFits(Host("out.fit"), State().imageB), 0);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageB));

    run = Cli("convert '" + Host("out.fit") + "' '" + Host("back~1") + "' --model 12");  // same sensor
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(Host("back~1")), Read(Host("in~1")));

    run = Cli("convert --model 2 '" + Host("in~1") + "' '" + Host("out16.tif") + "' --tiff16");
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes tiff = Read(Host("out16.tif"));
    ASSERT_EQ(tiff.size(), 250u + 2'895'360u);
    const Bytes raw = Read(Host("in~1"));
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), tiff.begin() + 250));

    run = Cli("convert --model 2 '" + Host("in~1") + "' '" + Host("out8.TIF") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(Host("out8.TIF")).size(), 250u + 1'447'680u);
}

TEST_F(FilesCliTest, ConvertWritesTheDisplayBitmap) {
    Write(Host("in~1"), Bytes(1392 * 1040 * 2, 0x80));
    const CliRun run = Cli("convert --model 2 '" + Host("in~1") + "' '" + Host("view.bmp") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes bmp = Read(Host("view.bmp"));
    ASSERT_GT(bmp.size(), 1078u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
}

TEST_F(FilesCliTest, ConvertReportsTheProgramsMessages) {
    Write(Host("odd"), Bytes(1000, 1));
    CliRun run = Cli("convert --model 2 '" + Host("odd") + "' '" + Host("x.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "You didn't choose a valid Tessel or suitable FITs File\n");
    EXPECT_FALSE(FileExists(Host("x.fit")));

    // The settings' model (4, 2048 x 2048) does not fit a 1392 x 1040 file.
    Write(Host("in~1"), Bytes(1392 * 1040 * 2, 0));
    run = Cli("convert '" + Host("in~1") + "' '" + Host("x.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "You didn't choose a valid Tessel or suitable FITs File\n");

    run = Cli("convert --model 2 '" + Host("missing") + "' '" + Host("x.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Failed to Open Tessel File\n");

    run = Cli("convert --model 2 '" + Host("in~1") + "' '" + Host("no/dir/x.fit") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to create file, check disk space\n");
    run = Cli("convert --model 2 '" + Host("in~1") + "' '" + Host("no/dir/x~1") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Failed to Save Tessel File\n");

    EXPECT_EQ(Cli("convert --model 3 a b").status, 2);
    EXPECT_EQ(Cli("convert --model x a b").status, 2);
    EXPECT_EQ(Cli("convert onlyone").status, 2);
}

}  // namespace
