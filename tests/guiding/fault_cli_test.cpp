// Faults injected in the simulator end training and guiding as a night's
// faults do: the program's message, a non-zero exit, a guiding log whose
// every line is whole and that holds every frame guided, and the settings
// file as it was. On the simulated clock.
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "support/test_env.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

long Value(const std::string& text, const std::string& key) {
    const size_t at = text.find(key + "=");
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + key.size() + 1);
}

const char* kSky = " --sim-rate 3 --sim-pe 2:240 --sim-drift 3 --seed 7";

class FaultCliTest : public VelmoraTest {};

TEST_F(FaultCliTest, EachFaultEndsWithItsMessageANonZeroExitAWholeLogAndTheSettingsKept) {
    struct Case {
        const char* command;  // training takes about 19 simulated seconds
        const char* fault;
        const char* message;
        double lastLineBeforeS;  // log time; the log starts after training
    };
    const Case cases[] = {
        {"guide --simulate --minutes 5 --train", "--sim-camera-lost-at 60",
         "Could not write CAMIO Output - try rebooting USB device", 60},
        {"guide --simulate --minutes 5 --train", "--sim-serial-lost-at 60",
         "Could not write CAMIO Output - try rebooting USB device", 60},
        // The mount never answers a guide pulse, so a silent one shows as
        // the star running away (3 px a minute), before the run's end.
        {"guide --simulate --minutes 12 --train", "--sim-mount-silent-at 60", "Sorry. Guide star lost.", 720},
        {"train --simulate", "--sim-camera-lost-at 10", "Could not write CAMIO Output - try rebooting USB device", 0},
        {"train --simulate", "--sim-serial-lost-at 10", "Could not write CAMIO Output - try rebooting USB device", 0},
    };
    // LX200 pulses on the camera's serial port reach the simulated mount.
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings set driveMethod l").status, 0);
    // The first run on the simulator stores what it found; the faults must
    // leave the file as that run left it.
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, std::string("train --simulate") + kSky).status, 0);
    const std::string settingsPath = HomePath("autosave/Velmora.ini");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.fault);
        const std::string settings = ReadFile(settingsPath);
        ASSERT_FALSE(settings.empty());
        const std::string log = HomePath("guide" + std::to_string(++n) + ".csv");
        const bool guiding = std::string(c.command).rfind("guide", 0) == 0;
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string(c.command) + kSky + " " + c.fault +
                                                                 (guiding ? " --log " + log : ""));
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(ReadFile(settingsPath), settings);
        if (!guiding) continue;
        // Every frame guided is in the log, each line whole, the last one
        // before the fault (the log starts after training).
        const std::string text = ReadFile(log);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        std::istringstream lines(text);
        std::string line, last;
        long guided = 0;
        while (std::getline(lines, line)) {
            if (line.size() > 3 && (line.substr(line.size() - 3) == ",ok" || line.find(",ignored") != std::string::npos))
                ++guided;
            last = line;
        }
        const long frames = Value(r.output, "frames");
        EXPECT_GT(frames, 10) << r.output;
        EXPECT_EQ(guided, frames);
        EXPECT_LT(std::atof(last.c_str()), c.lastLineBeforeS) << last;
    }
}

}  // namespace

namespace {

// Every command on the simulator takes the fault options: a camera lost
// from the start is the program's message and exit 1, not a usage error.
TEST_F(FaultCliTest, EveryCommandOnTheSimulatorTakesTheFaultOptions) {
    struct Case {
        const char* command;
        const char* message;
    };
    const Case cases[] = {
        {"scope --simulate pulse w 100", "Sorry, Camera not found"},
        {"camera-info --simulate", "Sorry, No camera found on USB"},
        {"capture --simulate --mode 1 --exposure 100", "Sorry, No camera found on USB"},
    };
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings set driveMethod l").status, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string(c.command) + " --sim-camera-lost-at 0");
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "camera-info --simulate --sim-serial-lost-at soon").status, 2);
}

}  // namespace
