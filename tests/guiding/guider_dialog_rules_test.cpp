// The guider dialog's rules without a window: ranges and bars, texts, the
// pick rectangle, the guider bitmap and its numbered copies, the exposure
// loop on the simulated camera and the fake clock.
#include <memory>

#include "acquisition/exposure_sequence.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guiding_window_rules.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class GuiderRulesTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuiderDialog();
        ResetGuider();
    }
};

TEST_F(GuiderRulesTest, RangesSetMaximumAndValue) {
    struct Case {
        char range;
        int maximum, value;
    } cases[] = {{'h', 500, 5}, {'t', 100, 5}, {'s', 10, 1}};
    for (const Case& c : cases) {
        GuiderExposure e;
        e.value = 77;
        SetExposureRange(e, c.range);
        EXPECT_EQ(e.unit, c.range);
        EXPECT_EQ(ExposureMaximum(e.unit), c.maximum) << c.range;
        EXPECT_EQ(e.value, c.value) << c.range;
    }
}

TEST_F(GuiderRulesTest, ExposureArrowsStayInsideTheRange) {
    GuiderExposure e;
    SetExposureRange(e, 's');
    for (int i = 0; i < 15; ++i) ScrollExposure(e, GuiderScroll::LineDown);
    EXPECT_EQ(e.value, 10);
    for (int i = 0; i < 15; ++i) ScrollExposure(e, GuiderScroll::LineUp);
    EXPECT_EQ(e.value, 1);
    // Page and thumb actions leave the value alone.
    ScrollExposure(e, GuiderScroll::PageDown);
    EXPECT_EQ(e.value, 1);
}

TEST_F(GuiderRulesTest, StretchBar) {
    struct Case {
        int start;
        GuiderScroll action;
        int thumb, expected;
    } cases[] = {{5, GuiderScroll::LineUp, 0, 5},    {20, GuiderScroll::LineUp, 0, 19},
                 {50, GuiderScroll::LineDown, 0, 50}, {20, GuiderScroll::LineDown, 0, 21},
                 {20, GuiderScroll::PageUp, 0, 5},    {20, GuiderScroll::PageDown, 0, 50},
                 {20, GuiderScroll::Thumb, 33, 33},   {20, GuiderScroll::Thumb, 80, 50}};
    for (const Case& c : cases) {
        GuiderDialogState d;
        d.stretch = c.start;
        ScrollStretch(d, c.action, c.thumb);
        EXPECT_EQ(d.stretch, c.expected) << c.start << " " << int(c.action);
    }
}

TEST_F(GuiderRulesTest, Texts) {
    EXPECT_EQ(DarkExposureText('h', 5), " 5 hundredth ");
    EXPECT_EQ(DarkExposureText('t', 12), "12 tenth ");
    EXPECT_EQ(DarkExposureText('s', 1), " 1 second ");
    GuiderExposure e;
    EXPECT_EQ(DarkFrameText(e, ""), "No darkframe has been taken");
    ToggleApplyDark(e);  // no dark yet: nothing to apply
    EXPECT_FALSE(e.applyDark);
    e.darkTaken = true;
    EXPECT_EQ(DarkFrameText(e, " 5 hundredth "), " 5 hundredth darkframe available");
    ToggleApplyDark(e);
    EXPECT_EQ(DarkFrameText(e, " 5 hundredth "), " 5 hundredth darkframe being used");

    EXPECT_EQ(UsingValsText(true), "Using Trained Vals");
    EXPECT_EQ(UsingValsText(false), "Using Default Vals");
    EXPECT_EQ(UseDefaultButtonText(false, true), "Use Trained");
    EXPECT_EQ(UseDefaultButtonText(false, false), "Use Defaults");
    EXPECT_EQ(UseDefaultButtonText(true, true), "Use Defaults");
    EXPECT_EQ(GuidingModeText('T'), "Telescope Drives");
    EXPECT_EQ(GuidingModeText('A'), "AO Unit");
    EXPECT_EQ(AoModeText(true), "Parallel");
    EXPECT_EQ(AoModeText(false), "Serial");
}

TEST_F(GuiderRulesTest, UseDefaultWithoutTrainedValuesKeepsTheDefaults) {
    bool useTrained = false;
    ToggleUseTrained(useTrained, false);
    EXPECT_FALSE(useTrained);
    ToggleUseTrained(useTrained, true);
    EXPECT_TRUE(useTrained);
}

TEST_F(GuiderRulesTest, PickRectangleEdges) {
    // h = 8, standard guider (offset 0, width 500): x 18..502, y 53..327.
    struct Case {
        int cx, cy, offset, width;
        bool inside;
    } cases[] = {{18, 100, 0, 500, true},  {17, 100, 0, 500, false}, {502, 100, 0, 500, true},
                 {503, 100, 0, 500, false}, {100, 53, 0, 500, true},  {100, 52, 0, 500, false},
                 {100, 327, 0, 500, true},  {100, 328, 0, 500, false}, {80, 100, 62, 376, true},
                 {79, 100, 62, 376, false},  {440, 100, 62, 376, true}, {441, 100, 62, 376, false}};
    for (const Case& c : cases)
        EXPECT_EQ(PickInsideFrame(c.cx, c.cy, c.offset, 8, c.width), c.inside) << c.cx << "," << c.cy;
}

TEST_F(GuiderRulesTest, PickRunsThreePassesAndSelects) {
    GuiderDialogState d;
    d.pickArmed = true;
    std::vector<std::pair<int, int>> searched, cursor;
    // The star sits at (120, 80); each pass moves halfway towards it.
    const GuiderStarFinder find = [&](int& x, int& y) {
        searched.push_back({x, y});
        x = (x + 120) / 2;
        y = (y + 80) / 2;
        return true;
    };
    ASSERT_TRUE(PickGuideStar(d, 10 + 100 + 0, 45 + 60, 0, 8, 500, find,
                              [&](int x, int y) { cursor.push_back({x, y}); }));
    ASSERT_EQ(searched.size(), 3u);
    EXPECT_EQ(searched[0], std::make_pair(100, 60));
    EXPECT_EQ(searched[1], std::make_pair(110, 70));
    EXPECT_EQ(searched[2], std::make_pair(115, 75));
    EXPECT_EQ(cursor.back(), std::make_pair(10 + 117, 45 + 77));
    EXPECT_TRUE(Guider().starSelected);
    EXPECT_FALSE(d.pickArmed);
    EXPECT_EQ(Guider().starX, 117);
    EXPECT_EQ(Guider().starY, 77);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "x position =   117\ny position =    77");
}

TEST_F(GuiderRulesTest, PickOutsideTheFrameShowsMessage2) {
    GuiderDialogState d;
    d.pickArmed = true;
    int calls = 0;
    const GuiderStarFinder find = [&](int&, int&) { return ++calls, true; };
    EXPECT_FALSE(PickGuideStar(d, 17, 100, 0, 8, 500, find));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, outside Image area - try again"});
    EXPECT_FALSE(Guider().starSelected);
    EXPECT_TRUE(d.pickArmed);
    // A failed search selects nothing either.
    EXPECT_FALSE(PickGuideStar(d, 100, 100, 0, 8, 500, [](int&, int&) { return false; }));
    EXPECT_FALSE(Guider().starSelected);
}

TEST_F(GuiderRulesTest, AutosaveCounterAndName) {
    struct Case {
        int16_t counter, next;
    } cases[] = {{-1, 1}, {0, 1}, {5, 6}, {32767, int16_t(-32768)}, {int16_t(65533), int16_t(65534)},
                 {int16_t(65534), 1}};
    for (const Case& c : cases) EXPECT_EQ(NextGuiderAutosaveCounter(c.counter), c.next) << c.counter;
    EXPECT_EQ(GuiderAutosaveName("c:\\AUTOSAVE", 7), "c:\\AUTOSAVE\\IMG7.BMP");
    EXPECT_EQ(GuiderAutosaveName("c:\\AUTOSAVE", int16_t(-32768)), "c:\\AUTOSAVE\\IMG32768.BMP");
}

TEST_F(GuiderRulesTest, GuiderBitmapLayout) {
    AppState& s = State();
    for (int y = 0; y < 290; ++y)
        for (int x = 0; x < 500; ++x) s.guiderA[y * 500 + x] = Pixel(((x + y) & 0xff) << 8 | 0x7f);
    GuiderDialogState d;
    ASSERT_EQ(WriteGuiderBitmap(d), 0);
    const auto file = ReadWholeFile(MapPath(s.geometry.guiderBitmapName));
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 1078u + 500u * 290u);
    EXPECT_EQ((*file)[0], 'B');
    EXPECT_EQ((*file)[1], 'M');
    // Rows bottom-up: the first row in the file is guider row 289.
    EXPECT_EQ((*file)[1078 + 0], (0 + 289) & 0xff);
    EXPECT_EQ((*file)[1078 + 10], (10 + 289) & 0xff);
    EXPECT_EQ((*file)[1078 + 289 * 500 + 3], 3);
}

TEST_F(GuiderRulesTest, DisplayStretch) {
    const Pixel frame[4] = {30 << 8, 5 << 8, 200 << 8, 10 << 8};
    const auto plain = GuiderDisplayBytes(frame, 4, 1, false, 10, 10);
    EXPECT_EQ(plain, (std::vector<uint8_t>{30, 5, 200, 10}));
    // Black 10, stretch 10: (b - 10) * 10 / 5, clamped to 0..255.
    const auto stretched = GuiderDisplayBytes(frame, 4, 1, true, 10, 10);
    EXPECT_EQ(stretched, (std::vector<uint8_t>{40, 0, 255, 0}));
}

TEST_F(GuiderRulesTest, AutosaveCopiesTheBitmapAndKeepsTheCounter) {
    AppState& s = State();
    s.settings.guiderAutosaveCounter = -1;
    GuiderDialogState d;
    ASSERT_EQ(WriteGuiderBitmap(d), 0);
    ASSERT_TRUE(AutosaveGuiderBitmap());
    ASSERT_TRUE(AutosaveGuiderBitmap());
    EXPECT_EQ(ReadWholeFile(HomePath("autosave/IMG1.BMP")), ReadWholeFile(MapPath(s.geometry.guiderBitmapName)));
    EXPECT_TRUE(FileExists(HomePath("autosave/IMG2.BMP")));
    EXPECT_EQ(s.settings.guiderAutosaveCounter, 2);
    // The counter reached the settings file.
    s.settings.guiderAutosaveCounter = 0;
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(s.settings.guiderAutosaveCounter, 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GuiderRulesTest, FailedAutosaveShowsItsMessageAndKeepsTheCounter) {
    AppState& s = State();
    s.settings.autosaveDirText = "c:\\blocked";
    ASSERT_TRUE(ReplaceFile(HomePath("blocked"), "x", 1));  // a file where the folder should be
    GuiderDialogState d;
    ASSERT_EQ(WriteGuiderBitmap(d), 0);
    s.settings.guiderAutosaveCounter = 4;
    EXPECT_FALSE(AutosaveGuiderBitmap());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kGuiderAutosaveFailure});
    EXPECT_EQ(s.settings.guiderAutosaveCounter, 4);
}

TEST_F(GuiderRulesTest, BinningRefusedForTheExviewGuider) {
    Settings s;
    GuiderExposure e;
    s.guiderType = 'x';
    EXPECT_FALSE(ToggleGuiderBinning(s, e));
    EXPECT_FALSE(s.guiderOption82 || e.binned);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, you cannot bin Exview guider"});
    s.guiderType = 's';
    EXPECT_TRUE(ToggleGuiderBinning(s, e));
    EXPECT_TRUE(s.guiderOption82 && e.binned);
}

TEST_F(GuiderRulesTest, ChangeDefaultsAndSaveLatest) {
    Settings s;
    ChangeGuiderDefaults(s, "0", "12abc", "3", "", "1.5");
    EXPECT_EQ(s.guiderRaPixelsPerSecond, 1);  // a rate of 0 would divide by zero
    EXPECT_EQ(s.guiderDecPixelsPerSecond, 12);
    EXPECT_EQ(s.guiderRaBacklash, 3);
    EXPECT_EQ(s.guiderDecBacklash, 0);
    EXPECT_FLOAT_EQ(s.guiderAngle, 1.5f);

    GuiderState g;
    g.trained = true;
    g.trainedSet.storedRaRate = 5;
    g.trainedSet.storedDecRate = 4;
    g.trainedSet.storedRaBacklash = 2;
    g.trainedSet.storedDecBacklash = 1;
    g.trainedSet.theta = 0.75;
    SaveLatestGuider(s, g);
    EXPECT_EQ(s.guiderRaPixelsPerSecond, 5);
    EXPECT_EQ(s.guiderDecPixelsPerSecond, 4);
    EXPECT_EQ(s.guiderRaBacklash, 2);
    EXPECT_EQ(s.guiderDecBacklash, 1);
    EXPECT_FLOAT_EQ(s.guiderAngle, 0.75f);
    // Without a completed training nothing is copied.
    Settings untouched;
    SaveLatestGuider(untouched, GuiderState{});
    EXPECT_EQ(untouched.guiderRaPixelsPerSecond, 6);

    ChangeAoGains(s, "9", "-3");
    EXPECT_EQ(s.guiderCalibration[0], 9);
    EXPECT_EQ(s.guiderCalibration[1], 1);
    SaveLatestAo(s, g);  // no AO training: nothing copied
    EXPECT_EQ(s.guiderCalibration[0], 9);
    g.aoTrained = true;
    g.aoTrainedSet.storedRaGain = 14;
    g.aoTrainedSet.storedDecGain = 11;
    SaveLatestAo(s, g);
    EXPECT_EQ(s.guiderCalibration[0], 14);
    EXPECT_EQ(s.guiderCalibration[1], 11);
}

TEST_F(GuiderRulesTest, SwapBoxes) {
    Settings s;
    EXPECT_FALSE(AoUpDownSwapped(s) || AoLeftRightSwapped(s) || MountNorthSouthSwapped(s) || MountEastWestSwapped(s));
    SwapAoUpDown(s);
    SwapAoLeftRight(s);
    SwapMountNorthSouth(s);
    SwapMountEastWest(s);
    EXPECT_EQ(std::string(s.aoLetters.begin(), s.aoLetters.end()), "snwe");
    EXPECT_EQ(std::string(s.bumpLetters.begin(), s.bumpLetters.end()), "SNWT");
    EXPECT_TRUE(AoUpDownSwapped(s) && AoLeftRightSwapped(s) && MountNorthSouthSwapped(s) && MountEastWestSwapped(s));
    SelectAoPort(s, gcam::kAoPortSer1);
    EXPECT_EQ(s.aoPort, 1);
    SelectAoPort(s, gcam::kAoPortSer2);
    EXPECT_EQ(s.aoPort, 0);
    SelectAoPort(s, gcam::kAoPortPc);
    EXPECT_EQ(s.aoPort, 3);
}

TEST_F(GuiderRulesTest, ManualMoves) {
    using K = ManualMove::Kind;
    Settings s;  // letters +y n, -y s, +x e, -x w
    struct Case {
        char mode;
        int bar;
        GuiderScroll action;
        bool moving;
        K kind;
        char letter;
    } cases[] = {
        {'T', gcam::kMoveLeftRight, GuiderScroll::LineUp, false, K::Start, 'w'},
        {'T', gcam::kMoveLeftRight, GuiderScroll::LineDown, false, K::Start, 'e'},
        {'T', gcam::kMoveUpDown, GuiderScroll::LineUp, false, K::Start, 'n'},
        {'T', gcam::kMoveUpDown, GuiderScroll::LineDown, false, K::Start, 's'},
        {'T', gcam::kMoveUpDown, GuiderScroll::LineDown, true, K::None, 0},
        {'T', gcam::kMoveUpDown, GuiderScroll::EndScroll, true, K::Stop, 0},
        {'T', gcam::kMoveUpDown, GuiderScroll::EndScroll, false, K::None, 0},
        {'A', gcam::kMoveLeftRight, GuiderScroll::LineUp, false, K::AoMove, 'w'},
        {'A', gcam::kMoveLeftRight, GuiderScroll::LineDown, true, K::AoMove, 'e'},
        {'A', gcam::kMoveUpDown, GuiderScroll::LineUp, false, K::AoMove, 'n'},
        {'A', gcam::kMoveUpDown, GuiderScroll::EndScroll, false, K::None, 0},
    };
    for (const Case& c : cases) {
        s.guidingMode = c.mode;
        const ManualMove m = ManualMoveFor(s, c.bar, c.action, c.moving);
        EXPECT_EQ(m.kind, c.kind) << c.mode << c.bar << int(c.action);
        EXPECT_EQ(m.letter, c.letter) << c.mode << c.bar << int(c.action);
    }
    // The swap settings apply: with e/w swapped the left arrow moves East.
    s.guidingMode = 'T';
    std::swap(s.guideLetters[2], s.guideLetters[3]);
    EXPECT_EQ(ManualMoveFor(s, gcam::kMoveLeftRight, GuiderScroll::LineUp, false).letter, 'e');
}

// ---- The guiding window's rules ----------------------------------------------------

TEST_F(GuiderRulesTest, PlotCrossScaleAndLimit) {
    int x = 0, y = 0;
    ASSERT_TRUE(PlotCross(250, 250, 60, 60, x, y));
    EXPECT_EQ(x, 62);  // 10 plot pixels per guide pixel
    EXPECT_EQ(y, 58);  // up is +y
    ASSERT_TRUE(PlotCross(-4399, 4399, 60, 60, x, y));
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 17);
    EXPECT_FALSE(PlotCross(4400, 0, 60, 60, x, y));
    EXPECT_FALSE(PlotCross(0, -4400, 60, 60, x, y));
}

TEST_F(GuiderRulesTest, FieldTexts) {
    EXPECT_EQ(OneDecimal(120.3), "120.3");
    EXPECT_EQ(ErrorText(1234), "1.2");
    EXPECT_EQ(ErrorText(-2600), "-2.6");
    EXPECT_EQ(FiveDigits(42), "   42");
}

TEST_F(GuiderRulesTest, ErrorGraphKeepsTheLastTwoMinutes) {
    ErrorGraph g;
    for (int t = 0; t <= 200; ++t) g.Add(t, t, -t);
    EXPECT_EQ(g.Samples().front().seconds, 80);
    EXPECT_EQ(g.Samples().size(), 121u);
    EXPECT_DOUBLE_EQ(g.X(200, 240), 240);
    EXPECT_DOUBLE_EQ(g.X(80, 240), 0);
    // +-2.5 px over the half height; beyond it the line stays on the edge.
    EXPECT_DOUBLE_EQ(ErrorGraph::Y(0, 100), 50);
    EXPECT_DOUBLE_EQ(ErrorGraph::Y(2500, 100), 0);
    EXPECT_DOUBLE_EQ(ErrorGraph::Y(-1250, 100), 75);
    EXPECT_DOUBLE_EQ(ErrorGraph::Y(-9000, 100), 100);
}

// ---- On the simulated camera ----------------------------------------------------------

class GuiderExposureTest : public GuiderRulesTest {
protected:
    void SetUp() override {
        GuiderRulesTest::SetUp();
        ResetCameraInfo();
        sim_ = std::make_unique<ScopedSimulator>();
        ASSERT_TRUE(ConnectCamera([] { State().settings.showInterfaceDetails = false; }));
        messages.shown.clear();
    }
    void TearDown() override {
        sim_.reset();
        GuiderRulesTest::TearDown();
    }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(GuiderExposureTest, StartRunsUntilAPressWithBeepsPausesAndAutosave) {
    GuiderDialogState& d = GuiderDialog();
    SetExposureRange(Guider().exposure, 't');  // 0.5 s frames
    d.pause = true;
    d.autosaveBmp = true;
    State().settings.guiderAutosaveCounter = 0;
    const uint32_t start = clock.now;
    // Each frame lasts 500 ms of exposure plus the 1 s pause; a press at
    // 4 s ends the run after the third frame.
    events.interruptAt.push_back(start + 4000);
    int refreshes = 0;
    const int frames = RunGuiderExposures(d, [&] { ++refreshes; });
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(refreshes, 9);
    EXPECT_EQ(system.beeps, 3);
    EXPECT_FALSE(d.exposing);
    EXPECT_TRUE(FileExists(HomePath("autosave/IMG3.BMP")));
    EXPECT_FALSE(FileExists(HomePath("autosave/IMG4.BMP")));
    EXPECT_EQ(State().settings.guiderAutosaveCounter, 3);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GuiderExposureTest, DarkFrameIsTakenIntoGuiderBufferB) {
    GuiderDialogState& d = GuiderDialog();
    GuiderExposure& e = Guider().exposure;
    SetExposureRange(e, 'h');
    ASSERT_TRUE(TakeGuiderDark(d));
    EXPECT_TRUE(e.darkTaken);
    EXPECT_FALSE(e.applyDark);
    EXPECT_EQ(d.darkText, " 5 hundredth ");
    const size_t n = size_t(kGuiderWidth) * kGuiderRows;
    EXPECT_TRUE(std::equal(State().guiderA, State().guiderA + n, State().guiderB));
    // A second dark is taken without the first one applied, even when it is on.
    ToggleApplyDark(e);
    ASSERT_TRUE(TakeGuiderDark(d));
    long level = 0;
    for (size_t i = 0; i < n; ++i) level += State().guiderB[i] >> 8;
    EXPECT_GT(level, long(n));  // a bias-level frame, not a difference of two darks
    EXPECT_TRUE(e.applyDark);
}

}  // namespace
