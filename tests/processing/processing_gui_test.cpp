// The merge, auto-processing and label windows and the processing commands,
// driven by their control ids.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "display/display_state.h"
#include "processing/calibration.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing/merge.h"
#include "processing/processing_command_ids.h"
#include "processing/processing_dialogs.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

using namespace processing_cmd;

template <typename W>
W* Control(QWidget* dialog, int id) {
    W* w = FindControl<W>(dialog, id);
    EXPECT_NE(w, nullptr) << id;
    return w;
}

class ProcessingGuiTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetDisplayState();
        CancelMerge();
        UseGeometry(kW, kH);
        image = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 31) / 2; });
        PutA(image);
    }
    void TearDown() override {
        if (TMergeDialog* d = TMergeDialog::Instance()) d->close();
        QApplication::processEvents();
        CancelMerge();
        VelmoraTest::TearDown();
    }
    static constexpr int kW = 64, kH = 48;
    std::vector<Pixel> image;
};

TEST_F(ProcessingGuiTest, CommandsAreRegistered) {
    for (int id : {cmd::kSubtractDark, cmd::kApplyFlat, cmd::kMergeImages, cmd::kUndoLastFilter,
                   cmd::kProcessingHistory, cmd::kAutoProcessing, cmd::kLabel})
        EXPECT_TRUE(IsCommandEnabled(id)) << id;
}

TEST_F(ProcessingGuiTest, MergeDialogFollowsMarksAndMerges) {
    ASSERT_TRUE(RunCommand(cmd::kMergeImages));
    TMergeDialog* dialog = TMergeDialog::Instance();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "MERGE IMAGES");
    EXPECT_FALSE(dialog->isModal());
    EXPECT_TRUE(Control<QRadioButton>(dialog, kMergeOriginal)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, kMergeSecond)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, kMergeX1)->text(), "0");

    // A second merge command is refused while the first runs.
    ASSERT_TRUE(RunCommand(cmd::kMergeImages));
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Sorry, you are already in Merging mode.");

    MergeStoreMark(12, 34);
    EXPECT_EQ(Control<QLineEdit>(dialog, kMergeX1)->text(), "12");
    EXPECT_EQ(Control<QLineEdit>(dialog, kMergeY1)->text(), "34");

    // "Merge" does nothing until the merge image is chosen.
    Control<QPushButton>(dialog, kOk)->click();
    EXPECT_EQ(TMergeDialog::Instance(), dialog);
    EXPECT_TRUE(MergeModeActive());

    MergeOpeningSecondImage();
    EXPECT_TRUE(Control<QRadioButton>(dialog, kMergeSecond)->isChecked());
    const auto second = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 32) / 2; });
    PutA(second);
    MergeStoreMark(14, 30);
    EXPECT_EQ(Control<QLineEdit>(dialog, kMergeX2)->text(), "14");
    EXPECT_EQ(Control<QLineEdit>(dialog, kMergeY2)->text(), "30");

    // Superimpose and Centre exclude each other.
    Control<QCheckBox>(dialog, kMergeSuperimpose)->click();
    Control<QCheckBox>(dialog, kMergeCentre)->click();
    EXPECT_FALSE(Control<QCheckBox>(dialog, kMergeSuperimpose)->isChecked());
    EXPECT_FALSE(Merge().superimpose);
    Control<QCheckBox>(dialog, kMergeSuperimpose)->click();
    EXPECT_FALSE(Control<QCheckBox>(dialog, kMergeCentre)->isChecked());
    Control<QCheckBox>(dialog, kMergeAverage)->click();
    EXPECT_TRUE(Merge().average);

    Control<QPushButton>(dialog, kOk)->click();
    EXPECT_EQ(TMergeDialog::Instance(), nullptr);
    EXPECT_FALSE(MergeModeActive());
    std::vector<Pixel> expected = image;
    MergeBuffers(expected.data(), second.data(), kW, kH, 0, 0, {true, false});
    EXPECT_EQ(GetA(), expected);
}

TEST_F(ProcessingGuiTest, MergeDialogCancelAndHelp) {
    ASSERT_TRUE(RunCommand(cmd::kMergeImages));
    TMergeDialog* dialog = TMergeDialog::Instance();
    ASSERT_NE(dialog, nullptr);
    Control<QPushButton>(dialog, kHelp)->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - Control Merging");
    EXPECT_EQ(messages.shown[0].text, kMergeHelpText);
    MergeOpeningSecondImage();
    Control<QPushButton>(dialog, kCancel)->click();
    EXPECT_EQ(TMergeDialog::Instance(), nullptr);
    EXPECT_FALSE(MergeModeActive());
    EXPECT_EQ(GetA(), image);
}

TEST_F(ProcessingGuiTest, MergeDialogDestroyedWithItsParent) {
    auto* parent = new QWidget;
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    auto* dialog = new TMergeDialog(parent);
    dialog->show();
    EXPECT_EQ(TMergeDialog::Instance(), dialog);
    delete parent;
    EXPECT_EQ(TMergeDialog::Instance(), nullptr);
    MergeStoreMark(5, 6);  // no refresh of a window that is gone
    EXPECT_EQ(Merge().x1, 5);
}

TEST_F(ProcessingGuiTest, AutoDialogValidatesOnSave) {
    Settings& s = State().settings;
    s.autoUserStretchValue = 4;
    TAutoDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Auto-Processing Choices");
    EXPECT_TRUE(Control<QRadioButton>(&dialog, kAutoNoStretch)->isChecked());
    EXPECT_EQ(Control<QLineEdit>(&dialog, kAutoUserPower)->text(), "4");
    EXPECT_EQ(Control<QLineEdit>(&dialog, kAutoDiameter)->text(), "3");
    EXPECT_EQ(Control<QLineEdit>(&dialog, kAutoPower)->text(), "1");

    // Radio buttons and check boxes change the settings at once.
    Control<QRadioButton>(&dialog, kAutoStrong)->click();
    EXPECT_TRUE(s.autoStrongStretch);
    Control<QRadioButton>(&dialog, kAutoUser)->click();
    EXPECT_TRUE(s.autoUserStretch);
    EXPECT_FALSE(s.autoStrongStretch);
    Control<QCheckBox>(&dialog, kAutoRemoveBackground)->click();
    Control<QCheckBox>(&dialog, kAutoHighPass)->click();
    Control<QCheckBox>(&dialog, kAutoUnsharp)->click();
    EXPECT_TRUE(s.autoRemoveBackground && s.autoHighPassLowPower && s.autoUnsharpMask);

    dialog.show();
    Control<QLineEdit>(&dialog, kAutoUserPower)->setText("30");
    Control<QLineEdit>(&dialog, kAutoDiameter)->setText("5");
    Control<QPushButton>(&dialog, kOk)->click();
    EXPECT_EQ(system.beeps, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Control<QLineEdit>(&dialog, kAutoUserPower)->text(), "4");  // the value in force
    EXPECT_EQ(Control<QLineEdit>(&dialog, kAutoDiameter)->text(), "5");
    EXPECT_EQ(s.autoUnsharpDiameter, 5);

    Control<QLineEdit>(&dialog, kAutoUserPower)->setText("29");
    Control<QPushButton>(&dialog, kOk)->click();
    EXPECT_EQ(system.beeps, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.autoUserStretchValue, 29);

    Control<QPushButton>(&dialog, kHelp)->click();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().caption, "Velmora - Auto Processing");
}

TEST_F(ProcessingGuiTest, LabelCommandBurnsTheTypedText) {
    LabelAutoDate() = false;
    QTimer::singleShot(0, [] {
        auto* dialog = dynamic_cast<TLabelDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QLineEdit* text = Control<QLineEdit>(dialog, kLabelText);
        EXPECT_EQ(text->maxLength(), 30);
        text->setText("Orion");
        Control<QPushButton>(dialog, kLabelOk)->click();
    });
    ASSERT_TRUE(RunCommand(cmd::kLabel));
    std::vector<Pixel> expected = image;
    DrawLabel(expected.data(), kW, kH, BuildLabelLine("Orion", false, std::tm{}));
    EXPECT_EQ(GetA(), expected);
}

TEST_F(ProcessingGuiTest, LabelCancelAndAutoDateFlag) {
    QTimer::singleShot(0, [] {
        auto* dialog = dynamic_cast<TLabelDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QCheckBox* autoDate = Control<QCheckBox>(dialog, kLabelAutoDate);
        EXPECT_FALSE(autoDate->isChecked());
        autoDate->click();
        EXPECT_TRUE(LabelAutoDate());
        Control<QLineEdit>(dialog, kLabelText)->setText("Lost");
        Control<QPushButton>(dialog, kCancel)->click();
    });
    LabelAutoDate() = false;
    ASSERT_TRUE(RunCommand(cmd::kLabel));
    EXPECT_EQ(GetA(), image);
    EXPECT_TRUE(LabelAutoDate());  // remembered for the next label
    LabelAutoDate() = false;
}

TEST_F(ProcessingGuiTest, DarkUndoAndHistoryCommands) {
    const auto dark = MakeImage(kW, kH, [](int x, int) { return x * 10; });
    const std::string path = HomePath("d~.raw");
    ASSERT_TRUE(WriteRaw(path, dark));
    files.answers.push_back(path);
    ASSERT_TRUE(RunCommand(cmd::kSubtractDark));
    std::vector<Pixel> expected = image;
    SubtractDark(expected.data(), dark.data(), expected.size());
    EXPECT_EQ(GetA(), expected);
    ASSERT_TRUE(RunCommand(cmd::kProcessingHistory));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora - PROCESSING HISTORY");
    EXPECT_EQ(messages.shown[0].text, "Dark Frame Subtracted \n");
    ASSERT_TRUE(RunCommand(cmd::kUndoLastFilter));
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(HistoryCount(), 0);
    // A cancelled file choice changes nothing.
    ASSERT_TRUE(RunCommand(cmd::kApplyFlat));
    EXPECT_EQ(GetA(), image);
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
