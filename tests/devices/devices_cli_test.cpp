// velmora-cli devices / camera-info, on the simulator and without a device.
#include <cstdlib>
#include <string>

#include "support/test_env.h"

namespace {

class DevicesCliTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        unsetenv("VELMORA_SIMULATE");
        unsetenv("VELMORA_SIM_MODEL");
    }
};

TEST_F(DevicesCliTest, DevicesOnTheSimulator) {
    const CliResult run = RunVelmoraCli(home, "devices --simulate");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("hid#vid_4b56&pid_0920#sim-wheel  VID 4b56  PID 0920  filter wheel"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("usb#vid_4b56&pid_0126#sim-camera  VID 4b56  PID 0126  camera model 4 (Fir)"),
              std::string::npos);
    EXPECT_NE(run.output.find("Manufacturer: Korvane"), std::string::npos);
    EXPECT_NE(run.output.find("Product: Korvane CCD camera (simulated)"), std::string::npos);
    EXPECT_NE(run.output.find("Filter wheel: present"), std::string::npos);
}

TEST_F(DevicesCliTest, SimulatorFlagAfterTheCommandAndByEnvironment) {
    const CliResult run = RunVelmoraCli(home, "devices --simulate");
    EXPECT_EQ(run.status, 0);
    const CliResult byEnv = RunVelmoraCli(home, "devices");
    // Without the flag the real USB stack is asked; there is no camera here.
    EXPECT_NE(byEnv.output.find("USB (libusb, hidapi)"), std::string::npos);
    setenv("VELMORA_SIMULATE", "1", 1);
    const CliResult simulated = RunVelmoraCli(home, "devices");
    unsetenv("VELMORA_SIMULATE");
    EXPECT_EQ(simulated.status, 0);
    EXPECT_NE(simulated.output.find("Backend: simulator"), std::string::npos);
}

TEST_F(DevicesCliTest, SimulatedModelIsDiscovered) {
    // VELMORA_SIM_MODEL picks another camera than the configured model 4
    // (PID 0126): discovery takes it as it takes any camera it recognises,
    // and the program switches to that model.
    setenv("VELMORA_SIM_MODEL", "2", 1);
    const CliResult run = RunVelmoraCli(home, "devices --simulate");
    unsetenv("VELMORA_SIM_MODEL");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("usb#vid_4b56&pid_0119#sim-camera  VID 4b56  PID 0119  camera model 2"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("USB CAMIO device not found"), std::string::npos);
    const CliResult settings = RunVelmoraCli(home, "settings show");
    EXPECT_NE(settings.output.find("configuredPid = \"0119\""), std::string::npos) << settings.output;
    // Without VELMORA_SIM_MODEL the simulated camera follows the configured
    // model, now model 2.
    const CliResult again = RunVelmoraCli(home, "camera-info --simulate");
    EXPECT_EQ(again.status, 0) << again.output;
    const CliResult listed = RunVelmoraCli(home, "devices --simulate");
    EXPECT_NE(listed.output.find("PID 0119  camera model 2"), std::string::npos) << listed.output;
}

TEST_F(DevicesCliTest, UnknownSimulatedModelIsReported) {
    setenv("VELMORA_SIM_MODEL", "3", 1);
    const CliResult run = RunVelmoraCli(home, "devices --simulate");
    unsetenv("VELMORA_SIM_MODEL");
    EXPECT_NE(run.output.find("VELMORA_SIM_MODEL=3 is not a camera model code of the table"), std::string::npos)
        << run.output;
    // The configured camera is simulated instead.
    EXPECT_NE(run.output.find("PID 0126  camera model 4"), std::string::npos) << run.output;
}

TEST_F(DevicesCliTest, CameraInfoOnTheSimulator) {
    const CliResult run = RunVelmoraCli(home, "camera-info --simulate");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Firmware version: 1.12\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Cooler: supported\n"), std::string::npos);
    EXPECT_NE(run.output.find("Temperature: 15 C\n"), std::string::npos);
}

TEST_F(DevicesCliTest, EchoTestOnTheSimulator) {
    const CliResult run = RunVelmoraCli(home, "echo-test --simulate");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Read       4 bytes, asked for       4 from USB\n"), std::string::npos) << run.output;
}

TEST_F(DevicesCliTest, NoDeviceGivesTheMessageAndFails) {
    const CliResult devices = RunVelmoraCli(home, "devices");
    EXPECT_NE(devices.status, 0);
    // Either nothing matched, or (in a sandbox without a USB bus) nothing
    // could be listed.
    EXPECT_TRUE(devices.output.find("USB CAMIO device not found") != std::string::npos ||
                devices.output.find("Could not attach to PnP node") != std::string::npos)
        << devices.output;
    const CliResult info = RunVelmoraCli(home, "camera-info");
    EXPECT_NE(info.status, 0);
    EXPECT_NE(info.output.find("Sorry, No camera found on USB"), std::string::npos) << info.output;
}

}  // namespace
