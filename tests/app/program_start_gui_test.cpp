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

TEST_F(ProgramStartTest, StartsOffscreenCreatesSettingsAndDrawsTheWindow) {
    const std::string program = ProgramBesideTests();
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "velmora is not built beside the tests";
    const std::string shot = home + "/window.png";
    const std::string command = "QT_QPA_PLATFORM=offscreen VELMORA_HOME='" + home + "' '" + program +
                                "' --simulate --screenshot '" + shot + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
    const QImage window(QString::fromStdString(shot));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window.size(), QSize(1330, 1110));
}

}  // namespace
