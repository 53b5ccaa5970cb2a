// The menu tree, the tool bar, the caption and the rules that offer commands.
#include "core/menu_tree.h"

#include <set>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "scoped_command.h"
#include "support/test_env.h"

namespace {

struct ExpectedItem {
    int id;
    const char* text;
    const char* accelerator;
};

// Every menu, left to right, with every item in order (0 = separator).
const std::vector<std::pair<std::string, std::vector<ExpectedItem>>>& ExpectedTree() {
    static const std::vector<std::pair<std::string, std::vector<ExpectedItem>>> tree{
        {"&File",
         {{24332, "&Open...     \tCtl+O", "Ctrl+O"},
          {24333, "&Save...   \tCTL+S", "Ctrl+S"},
          {24334, "Save as &Tiff file...", ""},
          {24335, "S&ave as FITS file...   \tCtl+F", "Ctrl+F"},
          {24336, "&Quick Save as FITS...\tCtl+Q ", "Ctrl+Q"},
          {24339, "Save &Binned Image as FITS....\tCtl + W", "Ctrl+W"},
          {24337, "Load next &Autosaved File  \tCtl+I", "Ctrl+I"},
          {13, "&Delete File...", ""},
          {0, "", ""},
          {19, "&Load/Edit AutoSave FITS text", ""},
          {104, "Select Dark &Frame...", ""},
          {122, "Select Flatfield File...", ""},
          {0, "", ""},
          {121, "Set Program Defa&ults", ""},
          {0, "", ""},
          {114, "P&rint setup...", ""},
          {116, "&Print...", ""},
          {0, "", ""},
          {24310, "E&xit", ""}}},
        {"&Edit",
         {{9, "&Undo Last Filter", ""},
          {17999, "&Copy\tShift+Ins", "Shift+Ins"},
          {0, "", ""},
          {24324, "Set Auto &Processing", ""},
          {0, "", ""},
          {32101, "Create Hot Pixel Map", ""},
          {32102, "Load Hot Pixel Map File", ""}}},
        {"Ca&mera",
         {{12, "Velmora Camera &Interface\tCTL+Z", "Ctrl+Z"},
          {27, "AutoGuider Camera \tCTL+G", "Ctrl+G"},
          {0, "", ""},
          {124, "Sub-Frame Selection", ""},
          {125, "Pick Sub-Frame", ""},
          {126, "Default Sub-Frame Centre", ""},
          {0, "", ""},
          {21, "Pic&k Guide Star\tCTL+K", "Ctrl+K"},
          {25, "Focus Frame Centre", ""},
          {26, "Default Focus Frame Centre", ""},
          {127, "Show Image Centre", ""},
          {0, "", ""},
          {22, "Start Auto-Guiding", ""},
          {23, "Train Auto-Guiding", ""},
          {32201, "Guiding Server", ""},
          {0, "", ""},
          {24, "Telescope &Control", ""}}},
        {"&View",
         {{301, "&Fit to window", ""},
          {305, "Bin High Res Display", ""},
          {303, "&Centre Image", ""},
          {118, "False Colour P&alette", ""},
          {119, "&Auto contrast stretch image", ""},
          {123, "Max Palette Stretch", ""},
          {302, "&Mirror Image", ""},
          {304, "Flip Image", ""},
          {0, "", ""},
          {14, "&Photometry of Image", ""},
          {15, "3-D &Intensity Plot", ""},
          {16, "Intensity Plot of Current R&ow", ""},
          {6, "&Histogram", ""},
          {0, "", ""},
          {17, "Processing &History", ""},
          {20, "&Show/Edit Current Image FITS details", ""},
          {8, "&Label    ", ""}}},
        {"&Contrast",
         {{1, "&Normal Stretch   \tCtl+N", "Ctrl+N"},
          {2, "&Power Law Stretch", ""},
          {101, "&Sine Law Stretch", ""},
          {120, "&Remove Background    \tCtl+B", "Ctrl+B"},
          {117, "N&on-Linear Stretch   \tCtl+L", "Ctrl+L"},
          {102, "&Logarithmic Stretch", ""},
          {103, "&Antilogarithmic Stretch", ""},
          {105, "&Invert image to Negative", ""}}},
        {"Filter&s",
         {{106, "&Unsharp masking HPF   \tCtl+U", "Ctrl+U"},
          {107, "&High Pass, Low Power", ""},
          {108, "High Pass, High &Power", ""},
          {109, "&Smoother/Sharper Filter", ""},
          {3, "&Median Filter - Noise Reduction", ""},
          {4, "&Gaussian Smoother Filter", ""},
          {5, "Low Pass &Weighted Mean &Smoother", ""},
          {7, "&Bas Relief Generator", ""},
          {18, "Gradient &Filter", ""},
          {0, "", ""},
          {cmd::kApplyHotPixelMap, "Apply Hot Pixel Map", ""}}},
        {"Mer&ging",
         {{110, "&Subtract Image (Dark Frame)  \tCtl+D", "Ctrl+D"},
          {115, "Apply &Flat Field", ""},
          {111, "Merge two Images &together   \tCtl+M", "Ctrl+M"}}},
        {"&Help", {{112, "Help in using Velmora_USB", ""}, {0, "", ""}, {113, "About Velmora_USB", ""}}},
    };
    return tree;
}

class MenuTreeTest : public VelmoraTest {};

TEST_F(MenuTreeTest, EveryMenuItemWithTextAcceleratorAndOrder) {
    const auto& tree = MenuTree();
    const auto& expected = ExpectedTree();
    ASSERT_EQ(tree.size(), expected.size());
    for (size_t m = 0; m < tree.size(); ++m) {
        SCOPED_TRACE(expected[m].first);
        EXPECT_EQ(tree[m].title, expected[m].first);
        ASSERT_EQ(tree[m].items.size(), expected[m].second.size());
        for (size_t i = 0; i < tree[m].items.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(tree[m].items[i].id, expected[m].second[i].id);
            if (expected[m].second[i].id == 0) continue;
            EXPECT_EQ(std::string(tree[m].items[i].text), expected[m].second[i].text);
            EXPECT_EQ(std::string(tree[m].items[i].accelerator), expected[m].second[i].accelerator);
        }
    }
}

TEST_F(MenuTreeTest, PopupCommandsAndUniqueIds) {
    const MenuDefinition& popup = PopupMenu();
    ASSERT_EQ(popup.items.size(), 2u);
    EXPECT_EQ(popup.items[0].id, 16101);
    EXPECT_STREQ(popup.items[0].text, "Start AutoGuiding");
    EXPECT_EQ(popup.items[1].id, 16102);
    EXPECT_STREQ(popup.items[1].text, "Set Camera Type");

    const std::vector<int> ids = AllMenuCommands();
    const std::set<int> unique(ids.begin(), ids.end());
    EXPECT_EQ(unique.size(), ids.size());
    // Every command of the command map is in the tree.
    for (int id : {24332, 24333, 24334, 24335, 24336, 24339, 24337, 13,    19,    104,   122, 121, 12,
                   27,    124,   125,   126,   21,    25,    26,    127,   22,    23,    24,  114, 116,
                   24310, 9,     17999, 24324, 32101, 32102, 301,   305,   303,   118,   119, 123, 302,
                   304,   14,    15,    16,    6,     17,    20,    8,     1,     2,     101, 120, 117,
                   102,   103,   105,   106,   107,   108,   109,   3,     4,     5,     7,   18,  110,
                   115,   111,   112,   113,   16101, 16102, 32201})
        EXPECT_EQ(unique.count(id), 1u) << id;
    EXPECT_EQ(ids.size(), 73u);
    // "Apply Hot Pixel Map" has a number no other command uses, tool-bar
    // commands included.
    for (int other : {1901, 1902, 1906, 1907}) EXPECT_NE(cmd::kApplyHotPixelMap, other);
    ASSERT_NE(FindMenuItem(cmd::kApplyHotPixelMap), nullptr);
    EXPECT_EQ(FindMenuItem(4242), nullptr);
}

std::vector<std::pair<int, int>> Pairs(const std::vector<ToolButton>& buttons) {
    std::vector<std::pair<int, int>> pairs;
    for (const ToolButton& b : buttons) pairs.emplace_back(b.bitmap, b.command);
    return pairs;
}

TEST_F(MenuTreeTest, ToolBarOrderSwapsAndTelescopeButton) {
    const std::vector<std::pair<int, int>> base{
        {24333, 24333}, {24336, 24335}, {24332, 24332}, {0, 0},     {1000, 12},  {1001, 27},  {0, 0},
        {1904, 305},    {1002, 1901},   {1908, 123},    {0, 0},     {121, 121},  {0, 0},      {1903, 14},
        {0, 0},         {1, 1},         {117, 117},     {2, 2},     {120, 120},  {106, 106},  {3, 3},
        {0, 0},         {110, 110},     {115, 115},     {111, 111}};
    EXPECT_EQ(Pairs(ToolBarButtons(false, false, 'n')), base);

    auto withTelescope = base;
    withTelescope.emplace_back(24, 24);
    for (char method : {'l', 'a', 'b'}) EXPECT_EQ(Pairs(ToolBarButtons(false, false, method)), withTelescope);

    auto swapped = base;
    swapped[7] = {1905, 305};
    swapped[8] = {1003, 1902};
    EXPECT_EQ(Pairs(ToolBarButtons(true, true, 'n')), swapped);

    State().settings.driveMethod = 'l';
    EXPECT_EQ(CurrentToolBarButtons().back().command, 24);
    State().settings.driveMethod = 'n';
    EXPECT_EQ(CurrentToolBarButtons().back().command, 111);
}

TEST_F(MenuTreeTest, CaptionFrameAndBackground) {
    EXPECT_EQ(WindowCaption(""), "Velmora_USB - (Untitled)");
    EXPECT_EQ(WindowCaption("m31.fit"), "Velmora_USB - m31.fit");
    EXPECT_EQ(CurrentWindowCaption(), "Velmora_USB - (Untitled)");
    State().currentFileName = "img12.fit";
    EXPECT_EQ(CurrentWindowCaption(), "Velmora_USB - img12.fit");
    EXPECT_STREQ(kFrameTitle, "Velmora_USB");
    EXPECT_EQ(kFrameWidth, 1330);
    EXPECT_EQ(kFrameHeight, 1110);
    EXPECT_STREQ(kStatusBarText, "Velmora series Camera Control and Image processing program");
    EXPECT_EQ(BackgroundColour('l'), (std::array<uint8_t, 3>{192, 192, 192}));
    EXPECT_EQ(BackgroundColour('g'), (std::array<uint8_t, 3>{90, 90, 90}));
    EXPECT_EQ(BackgroundColour('r'), (std::array<uint8_t, 3>{120, 40, 40}));
    EXPECT_EQ(BackgroundColour('x'), (std::array<uint8_t, 3>{192, 192, 192}));
}

TEST_F(MenuTreeTest, CommandsWithoutHandlerAreRefusedQuietly) {
    for (int id : AllMenuCommands()) {
        if (CommandTable().count(id)) continue;
        EXPECT_FALSE(MenuCommandEnabled(id)) << id;
        EXPECT_FALSE(DispatchMenuCommand(id)) << id;
    }
    EXPECT_FALSE(DispatchMenuCommand(4242));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MenuTreeTest, GuidingAndTelescopeNeedADriveMethod) {
    int runs = 0;
    ScopedCommand start(22, [&] { ++runs; });
    ScopedCommand train(23, [&] { ++runs; });
    ScopedCommand scope(24, [&] { ++runs; });
    State().settings.driveMethod = 'n';
    for (int id : {22, 23, 24}) {
        EXPECT_TRUE(IsCommandEnabled(id));
        EXPECT_FALSE(MenuCommandEnabled(id)) << id;
        EXPECT_FALSE(DispatchMenuCommand(id));
    }
    EXPECT_EQ(runs, 0);
    State().settings.driveMethod = 'a';
    for (int id : {22, 23, 24}) EXPECT_TRUE(DispatchMenuCommand(id)) << id;
    EXPECT_EQ(runs, 3);
}

TEST_F(MenuTreeTest, CopyNeedsTheDisplayBitmap) {
    int runs = 0;
    ScopedCommand copy(17999, [&] { ++runs; });
    EXPECT_FALSE(DisplayBitmapExists());
    EXPECT_FALSE(MenuCommandEnabled(17999));
    EXPECT_FALSE(DispatchMenuCommand(17999));
    const std::string bitmap = MapPath(State().geometry.bitmapName);
    ASSERT_TRUE(EnsureDirectory(MapPath("c:\\autosave", true)));
    ASSERT_TRUE(ReplaceFile(bitmap, Bytes{'B', 'M'}));
    EXPECT_EQ(bitmap, HomePath("autosave/Velmora_Fir.bmp"));
    EXPECT_TRUE(DisplayBitmapExists());
    EXPECT_TRUE(DispatchMenuCommand(17999));
    EXPECT_EQ(runs, 1);
}

TEST_F(MenuTreeTest, DisabledHandlerIsNotRun) {
    int runs = 0;
    bool enabled = false;
    ScopedCommand labelled(8, [&] { ++runs; }, [&] { return enabled; });
    EXPECT_FALSE(DispatchMenuCommand(8));
    enabled = true;
    EXPECT_TRUE(DispatchMenuCommand(8));
    EXPECT_EQ(runs, 1);
}

}  // namespace
