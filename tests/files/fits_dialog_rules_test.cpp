#include "files/fits_dialog_rules.h"
#include "files_fixture.h"

namespace {

class FitsDialogRulesTest : public FilesTest {};

TEST_F(FitsDialogRulesTest, UtOffsetStepsStayWithinElevenHours) {
    EXPECT_EQ(StepUtOffset(10, true), 11);
    EXPECT_EQ(StepUtOffset(11, true), 11);
    EXPECT_EQ(StepUtOffset(-10, false), -11);
    EXPECT_EQ(StepUtOffset(-11, false), -11);
    EXPECT_EQ(StepUtOffset(0, false), -1);
    State().settings.utOffsetHours = 12;
    EXPECT_EQ(FitsDialogTextsFromDetails().utOffset, 0);
    State().settings.utOffsetHours = -11;
    EXPECT_EQ(FitsDialogTextsFromDetails().utOffset, -11);
}

TEST_F(FitsDialogRulesTest, ContinueCutsTextsAndParsesNumbers) {
    State().fits.aperture = 7;
    FitsDialogTexts t = FitsDialogTextsFromDetails();
    EXPECT_EQ(t.aperture, "7.000000");
    EXPECT_EQ(t.instrument, "Korvane CCD");
    t.object = std::string(100, 'a');
    t.comments = std::string(300, 'c');
    t.history = std::string(254, 'h');
    t.time = "12:34:56 and more";
    t.focalLength = "  12.5mm";
    t.aperture = "x";
    t.exposure = std::string(19, ' ') + "5";  // beyond the 19 characters read
    t.utOffset = -7;
    StoreFitsDialogTexts(t);
    const FitsDetails& f = State().fits;
    EXPECT_EQ(f.object.size(), 67u);
    EXPECT_EQ(f.comment.size(), 254u);
    EXPECT_EQ(f.history.size(), 254u);
    EXPECT_EQ(f.time, "12:34:56 an");
    EXPECT_DOUBLE_EQ(f.focalLength, 12.5);
    EXPECT_DOUBLE_EQ(f.aperture, 7);
    EXPECT_DOUBLE_EQ(f.exposure, 0);
    EXPECT_EQ(State().settings.utOffsetHours, -7);

    // "inf" and "nan" are no numbers a FITS card can carry: the old values stay.
    t.focalLength = "inf";
    t.aperture = "nan";
    t.exposure = "-Infinity";
    StoreFitsDialogTexts(t);
    EXPECT_DOUBLE_EQ(f.focalLength, 12.5);
    EXPECT_DOUBLE_EQ(f.aperture, 7);
    EXPECT_DOUBLE_EQ(f.exposure, 0);
}

}  // namespace
