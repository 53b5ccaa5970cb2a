#include "core/history.h"

#include "core/state.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

class HistoryTest : public VelmoraTest {};

TEST_F(HistoryTest, LinesFillFreeEntriesAndTheSixteenthIsDropped) {
    for (int i = 1; i <= 16; ++i) AddHistory("Step " + std::to_string(i));
    EXPECT_EQ(HistoryCount(), 15);
    EXPECT_EQ(State().history[0], "Step 1");
    EXPECT_EQ(State().history[14], "Step 15");
    for (const std::string& entry : State().history) EXPECT_NE(entry, "Step 16");
    ClearHistory();
    EXPECT_EQ(HistoryCount(), 0);
    AddHistory("Gaussian Filter");
    EXPECT_EQ(State().history[0], "Gaussian Filter");
}

TEST_F(HistoryTest, LongLinesKeepThirtyNineCharacters) {
    AddHistory(std::string(60, 'x'));
    EXPECT_EQ(State().history[0], std::string(39, 'x'));
}

TEST_F(HistoryTest, UndoRestoresImageAndFreesLastLine) {
    UseGeometry(16, 12);
    const auto before = MakeImage(16, 12, [](int x, int y) { return Noise(x, y); });
    PutA(before);
    SaveUndo();
    EXPECT_EQ(GetUndo(), before);
    std::fill(State().imageA, State().imageA + 16 * 12, Pixel(9));
    AddHistory("Log Stretch");
    AddHistory("Sine Stretch");
    UndoLastFilter();
    EXPECT_EQ(GetA(), before);
    EXPECT_EQ(HistoryCount(), 1);
    EXPECT_EQ(State().history[0], "Log Stretch");
    UndoLastFilter();
    EXPECT_EQ(HistoryCount(), 0);
    UndoLastFilter();  // entry 0 free: nothing to take back
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_EQ(GetA(), before);
}

TEST_F(HistoryTest, UndoFreesNoLineWhileAllFifteenAreUsed) {
    for (int i = 0; i < 15; ++i) AddHistory("Invert Image to Negative");
    UndoLastFilter();
    EXPECT_EQ(HistoryCount(), 15);
}

TEST_F(HistoryTest, UndoWithoutAnyStepRestoresStartupContent) {
    std::vector<Pixel> startupUndo = GetUndo();
    std::fill(State().imageA, State().imageA + State().geometry.pixels, Pixel(1));
    UndoLastFilter();
    EXPECT_EQ(GetA(), startupUndo);
}

TEST_F(HistoryTest, HistoryBoxShowsEntriesUntilAShortOne) {
    EXPECT_EQ(HistoryBoxText(), " \n");
    AddHistory("Dark Frame Subtracted");
    AddHistory("Flat Field Applied");
    EXPECT_EQ(HistoryBoxText(), "Dark Frame Subtracted \nFlat Field Applied \n");
    State().history[2] = "x";  // length 1 ends the list
    State().history[3] = "Gaussian Filter";
    EXPECT_EQ(HistoryBoxText(), "Dark Frame Subtracted \nFlat Field Applied \n");
    ClearHistory();
    for (int i = 0; i < 15; ++i) AddHistory("L" + std::to_string(i + 10));
    std::string expected;
    for (int i = 0; i < 15; ++i) expected += "L" + std::to_string(i + 10) + " \n";
    EXPECT_EQ(HistoryBoxText(), expected);

    ShowHistoryBox();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora - PROCESSING HISTORY");
    EXPECT_EQ(messages.shown[0].text, expected);
}

}  // namespace
