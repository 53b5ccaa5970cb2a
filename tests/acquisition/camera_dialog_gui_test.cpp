// The camera control dialog and the sub-frame dialog, driven through their
// numbered controls on the simulated camera.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <memory>

#include "acquisition/acquisition_ids.h"
#include "acquisition/camera_dialog.h"
#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "acquisition/guiding_hooks.h"
#include "acquisition/subframe_dialog.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "display/display_state.h"
#include "processing/calibration.h"
#include "support/test_env.h"

using namespace acq;

namespace {

class CamDialogTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetAcquisition();
        ResetCameraInfo();
        ResetFilterWheel();
        ForgetAutoDark();
        ForgetAutoFlat();
        Picking() = PickState{};
        GuidingHooks() = ExposureGuidingHooks{};
        sim_ = std::make_unique<ScopedSimulator>();
        ASSERT_TRUE(ConnectCamera([] { State().settings.showInterfaceDetails = false; }));
        messages.shown.clear();
    }
    void TearDown() override {
        GuidingHooks() = ExposureGuidingHooks{};
        sim_.reset();
        VelmoraTest::TearDown();
    }
    template <class W>
    W* Control(QWidget& dialog, int id) {
        W* w = FindControl<W>(&dialog, id);
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    QString Text(QWidget& dialog, int id) { return Control<QLabel>(dialog, id)->text(); }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(CamDialogTest, EveryControlAndTheModelCaption) {
    TCamDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Velmora_Fir Camera Control");
    const int ids[] = {171, 172, 173, 174, 175, 104, 105, 301, 302, 303, 304, 305, 306, 307, 111, 112, 118,
                       106, 117, 119, 120, 10,  11,  116, 122, 710, 113, 123, 125, 126, 115, 128, 129, 107,
                       108, 109, 716, 736, 737, 738, 739, 740, 744, 742, 741, 746, 747, 315, 316, 317, 318,
                       319, 14,  15,  1,   12,  13,  2,   9};
    for (int id : ids) EXPECT_NE(dialog.findChild<QWidget*>(ControlName(id)), nullptr) << id;
    EXPECT_EQ(Control<QAbstractButton>(dialog, 172)->text(), "Hundredth's");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 306)->text(), "Binned 8x16");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 118)->text(), "Continuous Mode  ");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 746)->text(), "Dark Frame (VelmoraHazel Only)");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 13)->text(), "Go to Autoguider ");
    EXPECT_EQ(Text(dialog, kIdFirmware), "1.12");
    EXPECT_EQ(Text(dialog, kIdCoolingText), "Adjust Cooling");
    EXPECT_EQ(Text(dialog, kIdAutoGuiderStatus), "Guider Camera available");
    EXPECT_EQ(Text(dialog, kIdCameraMode), "Single Image");

    State().geometry.modelCode = 9;
    TCamDialog pine;
    EXPECT_EQ(pine.windowTitle(), "Velmora Control Interface");
    State().geometry.modelCode = 5;
    Cam().darkFrame = true;
    TCamDialog hazel;
    EXPECT_EQ(hazel.windowTitle(), "Velmora_Hazel Camera Control");
    EXPECT_FALSE(Cam().darkFrame);
    EXPECT_FALSE(Control<QCheckBox>(hazel, kIdDarkFrame)->isChecked());
}

TEST_F(CamDialogTest, UnitPickResetsValueAndMaximum) {
    TCamDialog dialog;
    Control<QLineEdit>(dialog, kIdExposureEdit)->setText("77");
    Control<QRadioButton>(dialog, kIdUnitTenths)->click();
    EXPECT_EQ(Cam().exposureUnit, 't');
    EXPECT_EQ(Cam().exposureValue, 5);
    EXPECT_EQ(Cam().exposureMaximum, 100);
    EXPECT_EQ(Control<QLineEdit>(dialog, kIdExposureEdit)->text(), "5");
    EXPECT_EQ(Control<QScrollBar>(dialog, kIdExposureArrows)->maximum(), 100);
    EXPECT_TRUE(Control<QRadioButton>(dialog, kIdUnitTenths)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, kIdUnitSeconds)->isChecked());
    dialog.Scroll(kIdExposureArrows, ScrollAction::PageDown);
    EXPECT_EQ(Cam().exposureValue, 100);
    // Line up adds one (not above the maximum), line down takes one.
    dialog.Scroll(kIdExposureArrows, ScrollAction::LineUp);
    EXPECT_EQ(Cam().exposureValue, 100);
    dialog.Scroll(kIdExposureArrows, ScrollAction::LineDown);
    EXPECT_EQ(Cam().exposureValue, 99);
    EXPECT_EQ(Control<QLineEdit>(dialog, kIdExposureEdit)->text(), "99");
}

TEST_F(CamDialogTest, NumberOfExposuresStaysWithin1And999) {
    TCamDialog dialog;
    dialog.Scroll(kIdCountArrows, ScrollAction::LineDown);
    EXPECT_EQ(Cam().exposureCount, 1);
    dialog.Scroll(kIdCountArrows, ScrollAction::PageDown);
    EXPECT_EQ(Cam().exposureCount, 999);
    dialog.Scroll(kIdCountArrows, ScrollAction::LineUp);
    EXPECT_EQ(Cam().exposureCount, 999);
    EXPECT_EQ(Text(dialog, kIdCameraMode), "Auto Merging");
    Control<QCheckBox>(dialog, kIdContinuous)->click();
    EXPECT_EQ(Text(dialog, kIdCameraMode), "Series Imaging");
    dialog.Scroll(kIdCountArrows, ScrollAction::PageUp);
    EXPECT_EQ(Text(dialog, kIdCameraMode), "Continuous Imaging");
    // A typed number is taken over on the next refresh, kept within range.
    Control<QLineEdit>(dialog, kIdCountEdit)->setText("5000");
    dialog.Refresh();
    EXPECT_EQ(Cam().exposureCount, 999);
    dialog.Scroll(kIdDelayArrows, ScrollAction::PageDown);
    EXPECT_EQ(Cam().delayBetween, 20);
}

TEST_F(CamDialogTest, TakePhotoNeedsANonZeroExposure) {
    TCamDialog dialog;
    Control<QLineEdit>(dialog, kIdExposureEdit)->setText("0");
    Control<QPushButton>(dialog, kIdTakePhoto)->click();
    EXPECT_EQ(dialog.result(), 0);
    Control<QLineEdit>(dialog, kIdExposureEdit)->setText("3");
    Control<QLineEdit>(dialog, kIdCountEdit)->setText("4");
    Control<QPushButton>(dialog, kIdTakePhoto)->click();
    EXPECT_EQ(dialog.result(), kCloseTakePhoto);
    EXPECT_EQ(Cam().exposureValue, 3);
    EXPECT_EQ(Cam().exposureCount, 4);
}

TEST_F(CamDialogTest, ModesSetTheBinnedGeometry) {
    TCamDialog dialog;
    Control<QRadioButton>(dialog, kIdModeBin4)->click();
    EXPECT_EQ(Cam().exposureMode, kModeBin4);
    EXPECT_TRUE(State().geometry.binned);
    EXPECT_EQ(State().geometry.width, 1024);
    Control<QRadioButton>(dialog, kIdModeSubFrame)->click();
    EXPECT_EQ(Cam().exposureMode, kModeSubFrame);
    Control<QRadioButton>(dialog, kIdModeHighRes)->click();
    EXPECT_FALSE(State().geometry.binned);
    EXPECT_TRUE(Control<QRadioButton>(dialog, kIdModeHighRes)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, kIdModeSubFrame)->isChecked());
}

TEST_F(CamDialogTest, RefusalsAndHelp) {
    TCamDialog dialog;
    Control<QPushButton>(dialog, kIdGoToAutoguider)->click();
    EXPECT_EQ(MessageTexts().back(), "Please select a telescope drive method before using autoguider");
    EXPECT_EQ(dialog.result(), 0);
    GuidingHooks().guidingActive = [] { return true; };
    Control<QPushButton>(dialog, kIdAutoguidePhoto)->click();
    EXPECT_EQ(MessageTexts().back(), "Sorry, already guiding with external camera");
    Control<QPushButton>(dialog, kIdGoToAutoguider)->click();
    EXPECT_EQ(MessageTexts().back(), "Sorry, already guiding with external camera");
    dialog.Refresh();
    EXPECT_EQ(Text(dialog, kIdAutoGuiderStatus), "Already Autoguiding");
    GuidingHooks().guidingActive = {};
    State().settings.driveMethod = 'l';
    Control<QPushButton>(dialog, kIdGoToAutoguider)->click();
    EXPECT_EQ(dialog.result(), kCloseAutoguider);

    Control<QPushButton>(dialog, kIdHelp)->click();
    EXPECT_EQ(messages.shown.back().caption, "Velmora_USB");
    EXPECT_EQ(messages.shown.back().text.substr(0, 48), "Select exposure range using Radio buttons on lef");
    EXPECT_NE(messages.shown.back().text.find("If multiple is used to control Continuous mode Slew&Sum is disabled"),
              std::string::npos);
}

TEST_F(CamDialogTest, AutoguidePhotoMarksGuidingWhenAStarWasPicked) {
    TCamDialog dialog;
    GuidingHooks().guideStarPicked = [] { return true; };
    Control<QPushButton>(dialog, kIdAutoguidePhoto)->click();
    EXPECT_TRUE(Cam().autoguidePhoto);
    EXPECT_EQ(dialog.result(), kCloseTakePhoto);
}

TEST_F(CamDialogTest, CoolerReadingsAndCoolingToggle) {
    TCamDialog dialog;
    dialog.Scroll(kIdCoolerScroll, ScrollAction::PageUp);
    EXPECT_EQ(Cam().coolerSetPoint, -40);
    EXPECT_EQ(Text(dialog, kIdCoolerSet), "-40");
    Control<QCheckBox>(dialog, kIdCoolingOn)->click();
    EXPECT_TRUE(Cam().coolerOn);
    EXPECT_TRUE(sim_->sim().CoolerOn());
    EXPECT_DOUBLE_EQ(sim_->sim().CoolerSetPointC(), -40);
    EXPECT_EQ(Text(dialog, kIdCoolerActual), QString("%1").arg(Session().coolerTemperature, 2));
    Control<QCheckBox>(dialog, kIdCoolingOn)->click();
    EXPECT_FALSE(Cam().coolerOn);
    // With maximum cooling the box only switches on, and the bar is ignored.
    State().settings.maximumCooling = true;
    Control<QCheckBox>(dialog, kIdCoolingOn)->click();
    Control<QCheckBox>(dialog, kIdCoolingOn)->click();
    EXPECT_TRUE(Cam().coolerOn);
    EXPECT_EQ(Text(dialog, kIdCoolingText), "Max Cooling Set");
    dialog.Scroll(kIdCoolerScroll, ScrollAction::PageDown);
    EXPECT_EQ(Cam().coolerSetPoint, -40);
}

TEST_F(CamDialogTest, OldFirmwareOffersNoCoolerControls) {
    sim_->sim().SetFirmware(10, 1);
    ASSERT_TRUE(QueryFirmwareVersion());
    TCamDialog dialog;
    EXPECT_EQ(Text(dialog, kIdFirmware), "1.10");
    EXPECT_FALSE(Control<QWidget>(dialog, kIdCoolerScroll)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(dialog, kIdCoolingOn)->isEnabled());
    sim_->sim().SetFirmware(11, 1);
    ResetCameraInfo();
    ASSERT_TRUE(QueryFirmwareVersion());
    TCamDialog newer;
    EXPECT_TRUE(Control<QWidget>(newer, kIdCoolerScroll)->isEnabled());
}

TEST_F(CamDialogTest, FilterWheelButtons) {
    TCamDialog dialog;
    Control<QPushButton>(dialog, kIdFilterFirst)->click();
    EXPECT_EQ(FilterWheel().current, 1);
    EXPECT_EQ(Text(dialog, kIdFilterNumber), "1");
    Control<QPushButton>(dialog, kIdFilterPrev)->click();
    EXPECT_EQ(FilterWheel().current, FilterCount());
    EXPECT_EQ(Text(dialog, kIdFilterName), QString::fromStdString(FilterWheel().currentName));
    EXPECT_NE(FilterWheel().currentName, "None");
    Control<QPushButton>(dialog, kIdFilterNext)->click();
    EXPECT_EQ(FilterWheel().current, 1);
}

TEST_F(CamDialogTest, CameraInterfaceTakesAPictureEndToEnd) {
    EXPECT_TRUE(IsCommandEnabled(cmd::kCameraInterface));
    for (int id : {cmd::kSubFrameSelection, cmd::kPickSubFrame, cmd::kDefaultSubFrameCentre, cmd::kFocusFrameCentre,
                   cmd::kDefaultFocusFrameCentre})
        EXPECT_TRUE(IsCommandEnabled(id)) << id;
    std::fill(State().imageA, State().imageA + 1024 * 1024, Pixel(0));
    sim_->sim().ClearRecords();
    RunCameraInterfaceWith([&] {
        TCamDialog dialog;
        Control<QRadioButton>(dialog, kIdUnitHundredths)->click();
        Control<QRadioButton>(dialog, kIdModeBin2)->click();
        Control<QCheckBox>(dialog, kIdAutoSave)->click();
        Control<QPushButton>(dialog, kIdTakePhoto)->click();
        return dialog.result();
    });
    EXPECT_EQ(sim_->sim().LastFrameRequest().xBin, 2);
    EXPECT_EQ(State().currentFileName, "Tessel Camera Image");
    uint64_t sum = 0;
    for (int i = 0; i < 1024 * 1024; ++i) sum += State().imageA[i];
    EXPECT_GT(sum, 0u);
    EXPECT_EQ(State().settings.autosaveCounter, 1);
}

TEST_F(CamDialogTest, Command12RunsTheModalDialogAndTakesAPicture) {
    sim_->sim().ClearRecords();
    Cam().exposureUnit = 'h';
    Cam().exposureValue = 20;
    Cam().exposureMode = kModeBin8;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TCamDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        FindControl<QPushButton>(dialog, kIdTakePhoto)->click();
        clicked = true;
    });
    ASSERT_TRUE(RunCommand(cmd::kCameraInterface));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(sim_->sim().LastFrameRequest().xBin, 8);
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 200, 1);
}

TEST_F(CamDialogTest, SubFrameDialog) {
    TSubFrameDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Sub-Frame Selection");
    EXPECT_EQ(Control<QRadioButton>(dialog, kIdSubHalf)->text(), "1/2 Frame ");
    EXPECT_EQ(Control<QRadioButton>(dialog, kIdSubThird)->text(), "1/3 Frame ");
    EXPECT_EQ(Control<QRadioButton>(dialog, kIdSubQuarter)->text(), "1/4 Frame ");
    EXPECT_TRUE(Control<QRadioButton>(dialog, kIdSubHalf)->isChecked());
    Control<QRadioButton>(dialog, kIdSubThird)->click();
    EXPECT_EQ(State().geometry.subFrameBinning, 3);
    EXPECT_TRUE(Control<QRadioButton>(dialog, kIdSubThird)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, kIdSubHalf)->isChecked());
    Control<QRadioButton>(dialog, kIdSubQuarter)->click();
    EXPECT_EQ(State().geometry.subFrameBinning, 4);
    Control<QPushButton>(dialog, kIdSubHelp)->click();
    EXPECT_EQ(messages.shown.back().caption, "Velmora_USB - Set Sub-Frame Size");
    EXPECT_EQ(messages.shown.back().text, "Select the size of high resolution sub-frame you want");
    Control<QPushButton>(dialog, kIdSubOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}


// The arrows as the user presses them: on the vertical arrows (104, 111, 119)
// the upper one adds one and the lower one takes one; on the horizontal
// stretch bar the right one adds.
TEST_F(CamDialogTest, ArrowsUpAddOneAndDownTakeOne) {
    TCamDialog dialog;
    Control<QRadioButton>(dialog, kIdUnitSeconds)->click();
    ASSERT_EQ(Cam().exposureValue, 1);
    auto* arrows = Control<QScrollBar>(dialog, kIdExposureArrows);
    arrows->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the up arrow
    EXPECT_EQ(Cam().exposureValue, 2);
    EXPECT_EQ(arrows->value(), 2);
    EXPECT_EQ(Control<QLineEdit>(dialog, kIdExposureEdit)->text(), "2");
    arrows->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Cam().exposureValue, 3);
    arrows->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the down arrow
    EXPECT_EQ(Cam().exposureValue, 2);
    EXPECT_EQ(arrows->value(), 2);

    auto* count = Control<QScrollBar>(dialog, kIdCountArrows);
    count->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Cam().exposureCount, 2);
    count->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    count->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Cam().exposureCount, 1);
    Control<QScrollBar>(dialog, kIdDelayArrows)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Cam().delayBetween, 1);

    auto* stretch = Control<QScrollBar>(dialog, kIdStretchScroll);
    ASSERT_EQ(Cam().stretch, 25);
    stretch->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the right arrow
    EXPECT_EQ(Cam().stretch, 26);
    EXPECT_EQ(stretch->value(), 26);
    stretch->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Cam().stretch, 25);
}

TEST_F(CamDialogTest, TypedExposureIsNotCutToTheArrowsMaximum) {
    TCamDialog dialog;
    Control<QRadioButton>(dialog, kIdUnitSeconds)->click();
    ASSERT_EQ(Cam().exposureMaximum, 300);
    auto* edit = Control<QLineEdit>(dialog, kIdExposureEdit);
    edit->setText("600");
    dialog.Refresh();
    EXPECT_EQ(Cam().exposureValue, 600);
    EXPECT_EQ(edit->text(), "600");
    // The arrows cannot raise it; the down arrow steps down from it.
    auto* arrows = Control<QScrollBar>(dialog, kIdExposureArrows);
    arrows->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Cam().exposureValue, 600);
    arrows->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Cam().exposureValue, 599);
    // A typed value is held to the camera's longest exposure, 90 minutes.
    edit->setText("9999");
    dialog.Refresh();
    EXPECT_EQ(Cam().exposureValue, 5400);
    Control<QRadioButton>(dialog, kIdUnitMinutes)->click();
    edit->setText("120");
    dialog.Refresh();
    EXPECT_EQ(Cam().exposureValue, 90);
    Control<QRadioButton>(dialog, kIdUnitSeconds)->click();
    edit->setText("600");
    Control<QPushButton>(dialog, kIdTakePhoto)->click();
    EXPECT_EQ(dialog.result(), kCloseTakePhoto);
    EXPECT_EQ(CurrentExposureMs(), 600000);
}

TEST_F(CamDialogTest, FocusStartExposesForTheTypedValue) {
    Cam().exposureUnit = 's';
    Cam().exposureValue = 10;
    TCamDialog dialog;
    Control<QLineEdit>(dialog, kIdExposureEdit)->setText("1");
    // A press right away: the loop ends after its first frame.
    events.interruptAt.push_back(clock.now + 1);
    Control<QPushButton>(dialog, kIdFocusStart)->click();
    EXPECT_NEAR(sim_->sim().LastExposureMs(), 1000, 1);
    EXPECT_EQ(sim_->sim().LastFrameRequest().width, 128);
    EXPECT_EQ(Cam().exposureValue, 1);
}

TEST_F(CamDialogTest, MonitorClickEndsTheFocusLoop) {
    Cam().exposureUnit = 'h';
    Cam().exposureValue = 10;  // 100 ms frames
    TCamDialog dialog;
    auto* monitor = Control<QPushButton>(dialog, kIdMonitor);
    const uint32_t start = clock.now;
    bool clicked = false;
    events.onPump = [&] {
        if (!clicked && clock.now >= start + 350) {
            clicked = true;
            // The mouse press is the loops' interrupt; then the click arrives.
            events.interruptAt.push_back(clock.now);
            monitor->click();
        }
        // A loop that missed the press is stopped so that the test ends.
        if (clock.now > start + 20000) Session().stopFocus = true;
    };
    Control<QPushButton>(dialog, kIdFocusStart)->click();
    events.onPump = {};
    EXPECT_TRUE(clicked);
    EXPECT_LT(clock.now - start, 1000u);
    EXPECT_FALSE(Session().focusing);
    EXPECT_FALSE(Session().monitoring);
    EXPECT_EQ(monitor->text(), "Monitor");
}

}  // namespace
