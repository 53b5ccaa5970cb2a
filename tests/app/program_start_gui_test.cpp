// The program itself starts without a display server, creates its settings
// file on first start and draws its window.
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

std::string ProgramBesideTests() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    return (self.parent_path() / "velmora").string();
}

class ProgramStartTest : public VelmoraTest {};

// Starts the program on an offscreen screen of the given size and returns
// the picture of its window.
QImage StartOnScreen(const std::string& program, const std::string& home, int width, int height) {
    const std::string screen = home + "/screen.json";
    const std::string json = "{\"screens\": [{\"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": " +
                             std::to_string(width) + ", \"height\": " + std::to_string(height) + "}]}";
    EXPECT_TRUE(ReplaceFile(screen, Bytes(json.begin(), json.end())));
    const std::string shot = home + "/window.png";
    std::filesystem::remove(shot);
    const std::string command = "QT_QPA_PLATFORM='offscreen:configfile=" + screen + "' VELMORA_HOME='" + home +
                                "' '" + program + "' --simulate --screenshot '" + shot + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return QImage(QString::fromStdString(shot));
}

TEST_F(ProgramStartTest, StartsOffscreenCreatesSettingsAndDrawsTheWindow) {
    const std::string program = ProgramBesideTests();
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "velmora is not built beside the tests";
    const QImage window = StartOnScreen(program, home, 1600, 1200);
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window.size(), QSize(1330, 1110));
}

TEST_F(ProgramStartTest, OnASmallScreenTheWindowStartsWithinIt) {
    const std::string program = ProgramBesideTests();
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "velmora is not built beside the tests";
    const QImage window = StartOnScreen(program, home, 1366, 768);
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window.width(), 1330);
    EXPECT_LE(window.height(), 768);
    EXPECT_GE(window.height(), 700);
}

}  // namespace
