// velmora-cli guider-capture on the simulated camera.
#include "platform/files.h"
#include "platform/paths.h"
#include "support/test_env.h"

namespace {

class GuiderCaptureCliTest : public VelmoraTest {};

TEST_F(GuiderCaptureCliTest, FramesAreAutosavedAsNumberedBitmaps) {
    const CliResult r = RunVelmoraCli(VELMORA_CLI, home, "guider-capture --simulate --range h --value 10 --count 2 --bin");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, home + "/autosave/IMG1.BMP\n" + home + "/autosave/IMG2.BMP\n");
    EXPECT_EQ(FileLength(home + "/autosave/IMG2.BMP"), 1078 + 500 * 290);
    EXPECT_FALSE(FileExists(home + "/autosave/IMG3.BMP"));
    // The next run goes on counting.
    const CliResult again = RunVelmoraCli(VELMORA_CLI, home, "guider-capture --simulate --count 1 --dark");
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(again.output, home + "/autosave/IMG3.BMP\n");
}

TEST_F(GuiderCaptureCliTest, ValuesOutsideTheRangeAreRefused) {
    for (const char* args : {"--range h --value 501", "--range s --value 11", "--range x", "--stretch 4"}) {
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("guider-capture --simulate ") + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find("usage: velmora-cli guider-capture"), std::string::npos) << args;
    }
    EXPECT_FALSE(FileExists(home + "/autosave/IMG1.BMP"));
}

}  // namespace
