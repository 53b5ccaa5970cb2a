#include "platform/paths.h"

#include <unistd.h>

#include <filesystem>

#include "support/test_env.h"

namespace {

class PathsTest : public VelmoraTest {};

TEST_F(PathsTest, ProgramPathsMapUnderTheDataRootAndHostPathsStayAsGiven) {
    struct Case {
        const char* path;
        bool folder;
        std::string expected;
    };
    const Case cases[] = {
        {"c:\\Autosave\\Velmora.ini", false, home + "/autosave/Velmora.ini"},
        {"C:\\Images\\Night1", true, home + "/images/night1"},
        {"c:\\dark.def", false, home + "/dark.def"},
        // Host paths from the file chooser or the command line: a backslash is
        // part of the file name, never a separator.
        {"/data/a\\b.raw", false, "/data/a\\b.raw"},
        {"a\\b.raw", false, "a\\b.raw"},
        {"/Data/Night1/IMG1.FIT", true, "/Data/Night1/IMG1.FIT"},
        {"", false, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(MapPath(c.path, c.folder), c.expected) << c.path;
}

TEST_F(PathsTest, TypedFoldersAreResolvedOnce) {
    const std::string cwd = std::filesystem::current_path().string();
    struct Case {
        const char* typed;
        std::string expected;
    };
    const Case cases[] = {
        {"c:\\Night", "c:\\Night"},          // a program path stays one
        {"/abs/path", "/abs/path"},          // a host folder
        {"night\\one", cwd + "/night/one"},  // relative to the current folder
        {"\\dir", cwd + "/dir"},             // the leading '\' is the separator
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolveTypedFolder(c.typed), c.expected) << c.typed;
    EXPECT_EQ(JoinPath("c:\\AUTOSAVE", "IMG1.FIT"), "c:\\AUTOSAVE\\IMG1.FIT");
    EXPECT_EQ(JoinPath("/abs/path", "IMG1.FIT"), "/abs/path/IMG1.FIT");
}

}  // namespace
