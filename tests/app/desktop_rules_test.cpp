// The desktop frame's rules: start size, readout texts, time left, the
// folder a file dialog opens in, the printed page and the tool tips.
#include "core/desktop_rules.h"

#include <filesystem>
#include <set>

#include "core/command_ids.h"
#include "core/menu_tree.h"
#include "core/state.h"
#include "platform/paths.h"
#include "scoped_command.h"
#include "support/test_env.h"

namespace {

TEST(DesktopRulesTest, StartSizeIsCappedByTheAvailableArea) {
    struct Case {
        int availableWidth, availableHeight, decorationWidth, decorationHeight;
        int width, height;
    };
    const Case cases[] = {
        {1600, 1200, 0, 0, 1330, 1110},   // room enough: the classic size
        {1600, 1170, 4, 60, 1330, 1110},  // just enough with the frame
        {1600, 1160, 4, 60, 1330, 1100},  // the frame's title bar counts
        {1366, 768, 0, 0, 1330, 768},
        {1366, 740, 4, 30, 1330, 710},    // a panel at the bottom
        {1024, 600, 10, 40, 1014, 560},
        {0, 0, 0, 0, 1330, 1110},         // no screen to ask
    };
    for (const Case& c : cases) {
        const FrameSize size = StartFrameSize(c.availableWidth, c.availableHeight, c.decorationWidth, c.decorationHeight);
        EXPECT_EQ(size.width, c.width) << c.availableWidth << " x " << c.availableHeight;
        EXPECT_EQ(size.height, c.height) << c.availableWidth << " x " << c.availableHeight;
    }
}

TEST(DesktopRulesTest, ReadoutAndSummaryTexts) {
    EXPECT_EQ(PointerReadoutText(0, 0, 0), "x 0  y 0  value 0");
    EXPECT_EQ(PointerReadoutText(2047, 13, 65535), "x 2047  y 13  value 65535");
    EXPECT_EQ(ImageSummaryText(2048, 2048, ""), "2048 x 2048  (Untitled)");
    EXPECT_EQ(ImageSummaryText(1392, 1040, "m42.fit"), "1392 x 1040  m42.fit");
}

TEST(DesktopRulesTest, TimeLeftRoundsUpToWholeSeconds) {
    struct Case {
        uint32_t now, end;
        int seconds;
    };
    const Case cases[] = {
        {1000, 1000, 0}, {1001, 1000, 0}, {1000, 1001, 1}, {1000, 2000, 1}, {1000, 2001, 2},
        {0, 120'000, 120},
        {0xFFFFFF00u, 0x00000300u, 2},  // the clock wraps
    };
    for (const Case& c : cases) EXPECT_EQ(SecondsLeft(c.now, c.end), c.seconds) << c.now << " " << c.end;
    EXPECT_EQ(TimeLeftText(7), "Time left: 7 s");
    EXPECT_EQ(TimeLeftText(59), "Time left: 59 s");
    EXPECT_EQ(TimeLeftText(60), "Time left: 1 min 00 s");
    EXPECT_EQ(TimeLeftText(125), "Time left: 2 min 05 s");
    EXPECT_EQ(TimeLeftText(-1), "");
}

class DialogFolderTest : public VelmoraTest {};

TEST_F(DialogFolderTest, LastFilesFolderElseAutosaveFolder) {
    const std::string autosave = HomePath("autosave");
    const std::string images = HomePath("night one");
    // Nothing exists yet: the dialog's own choice.
    EXPECT_EQ(DialogStartFolder("", autosave), "");
    std::filesystem::create_directories(autosave);
    EXPECT_EQ(DialogStartFolder("", autosave), autosave);
    // The last file's folder, not the folder the program was started from.
    std::filesystem::create_directories(images);
    EXPECT_EQ(DialogStartFolder(images + "/m42.fit", autosave), images);
    // A folder that has gone falls back to the autosave folder.
    EXPECT_EQ(DialogStartFolder(HomePath("gone/m42.fit"), autosave), autosave);
    EXPECT_EQ(DialogStartFolder("/m42.fit", autosave), "/");
    // The autosave folder of the settings, as the dialogs ask for it.
    EXPECT_EQ(MapPath(AutosaveDirectory(), true), autosave);
}

TEST(DesktopRulesTest, PrintedPageKeepsTheAspect) {
    struct Case {
        int pageWidth, pageHeight, captionHeight, imageWidth, imageHeight;
        PageRect picture;
    };
    const Case cases[] = {
        // A4 at 300 dpi less margins, a square binned picture: fits the width.
        {2400, 3300, 60, 1024, 1024, {0, 90, 2400, 2400}},
        // A wide picture: the width decides.
        {2400, 3300, 60, 2452, 1640, {0, 90, 2400, 1605}},
        // A tall picture: the height decides, centred across.
        {2400, 3300, 60, 1000, 2000, {0 + (2400 - 1605) / 2, 90, 1605, 3210}},
        // Landscape page, square picture.
        {3300, 2400, 60, 512, 512, {(3300 - 2310) / 2, 90, 2310, 2310}},
    };
    for (const Case& c : cases) {
        const PrintPageLayout layout =
            LayoutPrintedPage(c.pageWidth, c.pageHeight, c.captionHeight, c.imageWidth, c.imageHeight);
        EXPECT_EQ(layout.caption.top, 0);
        EXPECT_EQ(layout.caption.width, c.pageWidth);
        EXPECT_EQ(layout.caption.height, c.captionHeight);
        EXPECT_EQ(layout.picture.left, c.picture.left) << c.imageWidth << " x " << c.imageHeight;
        EXPECT_EQ(layout.picture.top, c.picture.top);
        EXPECT_EQ(layout.picture.width, c.picture.width) << c.imageWidth << " x " << c.imageHeight;
        EXPECT_EQ(layout.picture.height, c.picture.height) << c.imageWidth << " x " << c.imageHeight;
        // Never off the page.
        EXPECT_LE(layout.picture.left + layout.picture.width, c.pageWidth);
        EXPECT_LE(layout.picture.top + layout.picture.height, c.pageHeight);
    }
    // Nothing to print: no picture rectangle.
    EXPECT_EQ(LayoutPrintedPage(2400, 3300, 60, 0, 0).picture.width, 0);
}

class ToolTipTest : public VelmoraTest {};

TEST_F(ToolTipTest, NameKeyAndReason) {
    ScopedCommand open(cmd::kOpen, [] {});
    ScopedCommand normal(cmd::kNormalStretch, [] {});
    ScopedCommand telescope(cmd::kTelescopeControl, [] {});
    ScopedCommand photometry(cmd::kPhotometry, [] {}, [] { return false; });
    EXPECT_EQ(CommandToolTip(cmd::kOpen), "Open... (Ctrl+O)");
    EXPECT_EQ(CommandToolTip(cmd::kNormalStretch), "Normal Stretch (Ctrl+N)");
    {
        ScopedCommand on(cmd::kStretchDisplayOn, [] {});
        EXPECT_EQ(CommandToolTip(cmd::kStretchDisplayOn), "Stretch Display On");
        // A command without a handler in this program.
        CommandTable().erase(cmd::kStretchDisplayOn);
        EXPECT_EQ(CommandToolTip(cmd::kStretchDisplayOn), "Stretch Display On\nnot available in this version");
    }
    EXPECT_EQ(CommandToolTip(cmd::kPhotometry), "Photometry of Image\nnot available now");
    // Never the command's number.
    EXPECT_EQ(CommandToolTip(cmd::kOpen).find("24332"), std::string::npos);

    State().settings.driveMethod = 'n';
    EXPECT_EQ(CommandToolTip(cmd::kTelescopeControl), "Telescope Control\nneeds a telescope drive method");
    EXPECT_EQ(DisabledReason(cmd::kTelescopeControl), "needs a telescope drive method");
    State().settings.driveMethod = 'l';
    EXPECT_EQ(CommandToolTip(cmd::kTelescopeControl), "Telescope Control");
    EXPECT_EQ(DisabledReason(cmd::kTelescopeControl), "");
}

TEST(ToolIconTest, EveryToolBarBitmapHasItsOwnPicture) {
    std::set<std::string> names;
    for (bool binned : {false, true})
        for (bool stretch : {false, true})
            for (const ToolButton& b : ToolBarButtons(binned, stretch, 'l')) {
                if (b.bitmap == 0) continue;
                const char* name = ToolIconName(b.bitmap);
                ASSERT_NE(name, nullptr) << b.bitmap;
                names.insert(name);
                EXPECT_TRUE(std::filesystem::exists(std::string(VELMORA_SOURCE_DIR) + "/resources/icons/" + name + ".svg"))
                    << name;
            }
    // 22 different bitmaps, 22 different pictures.
    EXPECT_EQ(names.size(), 22u);
    EXPECT_EQ(ToolIconName(4711), nullptr);
}

}  // namespace
