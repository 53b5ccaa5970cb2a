// velmora-cli capture on the simulator.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "support/test_env.h"

namespace {

class CaptureCliTest : public VelmoraTest {};

TEST_F(CaptureCliTest, SavesEachFrameAsTheNextNumberedFits) {
    const CliResult r = RunVelmoraCli(home, "capture --simulate --mode 8 --exposure 200 --count 3 --out " + home + "/shots");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, home + "/shots/IMG1.FIT\n" + home + "/shots/IMG2.FIT\n" + home + "/shots/IMG3.FIT\n");
    // Model 4 in 8 x 8: the 1024 x 1024 binned geometry, 16-bit FITS.
    EXPECT_GE(FileLength(home + "/shots/IMG3.FIT"), 1024LL * 1024 * 2 + 2880);
    EXPECT_EQ(FileLength(home + "/shots/IMG3.FIT"), FileLength(home + "/shots/IMG1.FIT"));
    // The counter lives on in the settings file: the next run continues.
    const CliResult again = RunVelmoraCli(home, "capture --simulate --mode 8 --exposure 200");
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(again.output, home + "/autosave/IMG4.FIT\n");
}

TEST_F(CaptureCliTest, ModelAndSubFrame) {
    const CliResult r = RunVelmoraCli(home, "capture --simulate --model 2 --mode 3 --exposure 1500 --out " + home + "/o");
    EXPECT_EQ(r.status, 0) << r.output;
    // Model 2 in 3 x 3: the 696 x 520 binned geometry.
    EXPECT_GE(FileLength(home + "/o/IMG1.FIT"), 696LL * 520 * 2 + 2880);
    EXPECT_LT(FileLength(home + "/o/IMG1.FIT"), 696LL * 520 * 2 + 4 * 2880);
}

TEST_F(CaptureCliTest, ModelHoldsForOneRunOnly) {
    // The settings file keeps the user's model: a run with --model 2 does not
    // leave the next run looking for that camera.
    CliResult r = RunVelmoraCli(home, "capture --simulate --model 2 --mode 2 --exposure 100 --out " + home + "/m");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, home + "/m/IMG1.FIT\n");
    r = RunVelmoraCli(home, "capture --simulate --mode 2 --exposure 100");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, home + "/autosave/IMG2.FIT\n");
    // Model 4 again: the 1024 x 1024 binned geometry, not model 2's 696 x 520.
    EXPECT_GE(FileLength(home + "/autosave/IMG2.FIT"), 1024LL * 1024 * 2 + 2880);
}

TEST_F(CaptureCliTest, CalibrationAndAutoProcessing) {
    // A dark and a flat of the 1024 x 1024 binned geometry.
    const std::string dark(1024 * 1024 * 2, '\0');
    std::string flat(1024 * 1024 * 2, '\0');
    for (size_t i = 1; i < flat.size(); i += 2) flat[i] = 4;  // 1024 each
    ASSERT_TRUE(ReplaceFile(home + "/dark.raw", dark.data(), dark.size()));
    ASSERT_TRUE(ReplaceFile(home + "/flat.raw", flat.data(), flat.size()));
    const CliResult r = RunVelmoraCli(home, "capture --simulate --mode 2 --exposure 100 --dark " + home +
                                                "/dark.raw --flat " + home + "/flat.raw --auto-process --out " +
                                                home + "/c");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, home + "/c/IMG1.FIT\n");
}

TEST_F(CaptureCliTest, BadInputAndNoCamera) {
    CliResult r = RunVelmoraCli(home, "capture --simulate --mode 7 --exposure 100");
    EXPECT_EQ(r.status, 2);
    r = RunVelmoraCli(home, "capture --simulate --mode 1");
    EXPECT_EQ(r.status, 2);
    r = RunVelmoraCli(home, "capture --simulate --mode 1 --exposure 100 --count 0");
    EXPECT_EQ(r.status, 2);
    // A dark frame of the wrong size: the message, and the frame is still saved.
    ASSERT_TRUE(ReplaceFile(home + "/small.raw", std::string(100, '\0').data(), 100));
    r = RunVelmoraCli(home, "capture --simulate --mode 8 --exposure 100 --dark " + home + "/small.raw --out " + home +
                                "/d");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Sorry, chosen Darkframe is not an Tessel File"), std::string::npos) << r.output;
    EXPECT_GT(FileLength(home + "/d/IMG1.FIT"), 0);
}

}  // namespace
