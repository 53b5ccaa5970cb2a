// The guider camera dialog and the guiding windows, driven through their
// numbered controls on the simulated camera (offscreen).
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <memory>

#include "acquisition/exposure_sequence.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "app/control_ids.h"
#include "app/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "guiding/guider_camera_dialog.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guiding_window.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

using namespace gcam;

namespace {

class GuiderDialogTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuiderDialog();
        GuiderLinks() = GuiderDialogLinks{};
        ResetCameraInfo();
        sim_ = std::make_unique<ScopedSimulator>();
        ASSERT_TRUE(ConnectCamera([] { State().settings.showInterfaceDetails = false; }));
        messages.shown.clear();
    }
    void TearDown() override {
        if (TGCamDialog* d = CurrentGuiderCameraDialog()) delete d;
        CloseGuidingWindow();
        CloseGuidingInfo();
        GuiderLinks() = GuiderDialogLinks{};
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
    void Click(QWidget& dialog, int id) { Control<QAbstractButton>(dialog, id)->click(); }
    std::unique_ptr<ScopedSimulator> sim_;
};

TEST_F(GuiderDialogTest, CommandOpensOneModelessDialogWithEveryControl) {
    ASSERT_TRUE(RunCommand(cmd::kGuiderCamera));
    TGCamDialog* dialog = CurrentGuiderCameraDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Auto Guider Camera Control");
    ASSERT_TRUE(RunCommand(cmd::kGuiderCamera));
    EXPECT_EQ(CurrentGuiderCameraDialog(), dialog);
    const int ids[] = {811, 812, 813, 810, 814, 815, 816, 818, 819, 820, 821, 822, 823, 824, 826, 827,
                       828, 832, 833, 861, 862, 863, 864, 865, 866, 867, 868, 869, 870, 871, 872, 873,
                       874, 875, 876, 878, 885, 911, 912, 913, 914, 915, 916, 917, 925, 926, 931, 932,
                       933, 934, 935, 936, 937, 938, 939, 940, 941, 942, 943, 944, 945, 946, 947, 2439,
                       2440, 2441, 2442, 2443, 9, 2};
    for (int id : ids) EXPECT_NE(dialog->findChild<QWidget*>(ControlName(id)), nullptr) << id;
    EXPECT_EQ(Control<QAbstractButton>(*dialog, 2441)->text(), "Autosave Images as BMP");
    EXPECT_EQ(Control<QAbstractButton>(*dialog, 945)->text(), "PC ");
}

TEST_F(GuiderDialogTest, FieldsOnOpening) {
    State().settings.guiderAutosaveCounter = 12;
    TGCamDialog dialog;
    EXPECT_EQ(Text(dialog, kExposureValue), "5");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kHundredths)->isChecked());
    EXPECT_EQ(Text(dialog, kDarkText), "No darkframe has been taken");
    EXPECT_EQ(Text(dialog, kUsingText), "Using Default Vals");
    EXPECT_EQ(Text(dialog, kAoUsingText), "Using Default Vals");
    EXPECT_EQ(Text(dialog, kGuidingModeText), "Telescope Drives");
    EXPECT_EQ(Text(dialog, kAoModeText), "Serial");
    EXPECT_EQ(Control<QLineEdit>(dialog, kDefaultRaRate)->text(), "6");
    EXPECT_EQ(Text(dialog, kStarX), "0");
    EXPECT_EQ(Text(dialog, kStarY), "0");
    EXPECT_EQ(Text(dialog, kAutosaveNumber), "12");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kAoPortSer2)->isChecked());
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kSwapEastWest)->isChecked());
}

TEST_F(GuiderDialogTest, RangeButtonsAndArrowsNeverPassTheMaximum) {
    TGCamDialog dialog;
    Click(dialog, kSeconds);
    EXPECT_EQ(Text(dialog, kExposureValue), "1");
    auto* bar = Control<QScrollBar>(dialog, kExposureArrows);
    for (int i = 0; i < 12; ++i) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Text(dialog, kExposureValue), "10");
    EXPECT_EQ(GuiderDialog().value, 10);
    Click(dialog, kTenths);
    EXPECT_EQ(Text(dialog, kExposureValue), "5");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kTenths)->isChecked());
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kSeconds)->isChecked());
}

TEST_F(GuiderDialogTest, PersistentChoicesAreSavedAtOnce) {
    TGCamDialog dialog;
    Click(dialog, kSwapEastWest);
    Click(dialog, kGuidingMode);
    Click(dialog, kAoPortPc);
    Click(dialog, kIgnoreRaAngle);
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kSwapEastWest)->isChecked());
    EXPECT_EQ(Text(dialog, kGuidingModeText), "AO Unit");
    // What the file holds, not what memory holds.
    State().settings = Settings{};
    ASSERT_EQ(LoadSettings(), 0);
    const Settings& s = State().settings;
    EXPECT_EQ(s.guideLetters[2], 'w');
    EXPECT_EQ(s.guideLetters[3], 'e');
    EXPECT_EQ(s.guidingMode, 'A');
    EXPECT_EQ(s.aoPort, 3);
    EXPECT_FALSE(s.guiderOption57);
}

TEST_F(GuiderDialogTest, ChangeDefaultsReadsTheTypedFields) {
    TGCamDialog dialog;
    const char* typed[] = {"4", "3", "2", "1", "30"};
    for (int i = 0; i < 5; ++i) Control<QLineEdit>(dialog, kDefaultRaRate + i)->setText(typed[i]);
    Click(dialog, kChangeDefaults);
    State().settings = Settings{};
    ASSERT_EQ(LoadSettings(), 0);
    const Settings& s = State().settings;
    EXPECT_EQ(s.guiderRaPixelsPerSecond, 4);
    EXPECT_EQ(s.guiderDecPixelsPerSecond, 3);
    EXPECT_EQ(s.guiderRaBacklash, 2);
    EXPECT_EQ(s.guiderDecBacklash, 1);
    EXPECT_FLOAT_EQ(s.guiderAngle, 30);
}

TEST_F(GuiderDialogTest, UseDefaultWithoutTrainedValues) {
    TGCamDialog dialog;
    Click(dialog, kUseDefault);
    EXPECT_EQ(Control<QAbstractButton>(dialog, kUseDefault)->text(), "Use Defaults");
    EXPECT_EQ(Text(dialog, kUsingText), "Using Default Vals");
    // With trained values the button offers them and a click takes them.
    bool useTrained = false;
    GuiderLinks().useTrained = [&]() -> bool& { return useTrained; };
    GuiderLinks().trainedValues = [] { return GuiderTrainedValues{true, false, 5, 4, 1, 0, 0.5, 0, 0}; };
    dialog.Refresh();
    EXPECT_EQ(Control<QAbstractButton>(dialog, kUseDefault)->text(), "Use Trained");
    EXPECT_EQ(Text(dialog, kLatestRaRate), "5");
    Click(dialog, kUseDefault);
    EXPECT_TRUE(useTrained);
    EXPECT_EQ(Text(dialog, kUsingText), "Using Trained Vals");
    EXPECT_EQ(Control<QAbstractButton>(dialog, kUseDefault)->text(), "Use Defaults");
}

TEST_F(GuiderDialogTest, BinRefusedForExview) {
    State().settings.guiderType = 'x';
    TGCamDialog dialog;
    Click(dialog, kBin2x2);
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kBin2x2)->isChecked());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, you cannot bin Exview guider"});
}

TEST_F(GuiderDialogTest, HelpText) {
    TGCamDialog dialog;
    Click(dialog, kHelp);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - Control Tessel Guider Camera");
    EXPECT_EQ(messages.shown[0].text.substr(0, 70),
              "Select exposure range using Radio buttons on right of dialog Window \nV");
}

TEST_F(GuiderDialogTest, PickNearTheLeftEdgeIsRefusedThenAPickSelects) {
    TGCamDialog dialog;
    GuiderLinks().findStar = [](int& x, int& y) {
        x = 200;
        y = 100;
        return true;
    };
    Click(dialog, kSelectGuideStar);
    const int h = State().settings.guideStarMaskRadius;  // 8
    dialog.MouseUp(h + 10 - 1, 150, Qt::LeftButton);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, outside Image area - try again"});
    EXPECT_TRUE(GuiderDialog().pickArmed);
    dialog.MouseUp(h + 10, 150, Qt::LeftButton);
    EXPECT_FALSE(GuiderDialog().pickArmed);
    EXPECT_EQ(Text(dialog, kStarX), "200");
    EXPECT_EQ(Text(dialog, kStarY), "100");
    EXPECT_EQ(messages.shown.back().text, "x position =   200\ny position =   100");
}

TEST_F(GuiderDialogTest, CursorFieldsFollowTheMouse) {
    State().guiderA[30 * kGuiderWidth + 40] = 0x8000;
    TGCamDialog dialog;
    dialog.MouseMove(10 + 40, 45 + 30);
    EXPECT_EQ(Text(dialog, kCursorX), "40");
    EXPECT_EQ(Text(dialog, kCursorY), "30");
    EXPECT_EQ(Text(dialog, kPixelValue), "128");
}

TEST_F(GuiderDialogTest, ManualMovesThroughTheLinks) {
    TGCamDialog dialog;
    std::string log;
    GuiderLinks().startMove = [&](char c) { log += c; };
    GuiderLinks().stopMove = [&] { log += '.'; };
    GuiderLinks().aoMountMove = [&](char c, int steps) { log += std::string(1, c) + std::to_string(steps); };
    dialog.Scroll(kMoveLeftRight, GuiderScroll::LineUp);
    dialog.Scroll(kMoveLeftRight, GuiderScroll::LineUp);  // one move at a time
    dialog.Scroll(kMoveLeftRight, GuiderScroll::EndScroll);
    dialog.Scroll(kMoveUpDown, GuiderScroll::LineDown);
    dialog.MouseUp(0, 0, Qt::RightButton);  // right button stops a running move
    Click(dialog, kGuidingMode);
    dialog.Scroll(kMoveUpDown, GuiderScroll::LineUp);
    EXPECT_EQ(log, "w.s.n100");
}

TEST_F(GuiderDialogTest, DarkFrameButtons) {
    TGCamDialog dialog;
    Click(dialog, kApplyDark);  // nothing to apply yet
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kApplyDark)->isChecked());
    Click(dialog, kTakeDark);
    EXPECT_EQ(Text(dialog, kDarkText), " 5 hundredth darkframe available");
    Click(dialog, kApplyDark);
    EXPECT_EQ(Text(dialog, kDarkText), " 5 hundredth darkframe being used");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kApplyDark)->isChecked());
}

TEST_F(GuiderDialogTest, StartGuidingButtonFollowsTheLoop) {
    TGCamDialog dialog;
    bool guiding = false;
    int starts = 0, stops = 0;
    GuiderLinks().guiding = [&] { return guiding; };
    GuiderLinks().startGuiding = [&] { ++starts, guiding = true; };
    GuiderLinks().stopGuiding = [&] { ++stops, guiding = false; };
    Click(dialog, kStartGuiding);
    EXPECT_EQ(Control<QAbstractButton>(dialog, kStartGuiding)->text(), "Stop Guiding");
    Click(dialog, kStartGuiding);
    EXPECT_EQ(Control<QAbstractButton>(dialog, kStartGuiding)->text(), "Start Guiding");
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
}

// ---- The guiding windows ---------------------------------------------------------------

TEST_F(GuiderDialogTest, GuidingInfoFields) {
    TGInfoDialog* info = OpenGuidingInfo();
    EXPECT_EQ(info->windowTitle(), "Guiding Info");
    info->Show(GuidingInfoData{64.3, 60.0, -1250, 40});
    auto text = [&](const char* name) { return info->findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(text("x"), "64.3");
    EXPECT_EQ(text("y"), "60.0");
    EXPECT_EQ(text("dx"), "-1.2");
    EXPECT_EQ(text("dy"), "0.0");
    EXPECT_EQ(OpenGuidingInfo(), info);
}

TEST_F(GuiderDialogTest, GuidingWindowFieldsAndPlot) {
    GuidingWindow* window = OpenGuidingWindow();
    EXPECT_EQ(window->windowTitle(), "AutoGuider Camera Guiding");
    GuidingWindowData d;
    d.starX = 120.4;
    d.starY = 80.0;
    d.ex = 300;
    d.ey = -200;
    d.pulseX = 150;
    d.aoY = -60;
    d.bumped = true;
    d.bumpLetter = "S";
    d.bumpMs = clock.now;
    d.refX = 120;
    d.refY = 80;
    d.rms.total100 = 0.25;
    d.seconds = 3;
    window->Update(d);
    auto text = [&](const char* name) { return window->findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(text("x"), "120.4");
    EXPECT_EQ(text("dx"), "0.3");
    EXPECT_EQ(text("dy"), "-0.2");
    EXPECT_EQ(text("pulseX"), "  150");
    EXPECT_EQ(text("aoY"), "  -60");
    EXPECT_EQ(text("bump"), "S");
    EXPECT_TRUE(text("rms").contains("0.25"));
    clock.now += 2000;
    window->Refresh();
    EXPECT_EQ(text("bump"), "");
    EXPECT_EQ(window->Plot()->Graph().Samples().size(), 1u);

    // The cross of the error: (centre + 3, centre + 2) in the plot box.
    window->resize(900, 400);
    QImage image(window->Plot()->size(), QImage::Format_RGB32);
    window->Plot()->render(&image);
    const QRect box = GuidingPlotWidget::PlotRect();
    const QPoint centre = box.center() + QPoint(1, 1);
    EXPECT_EQ(image.pixelColor(centre + QPoint(3, 2)), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(centre + QPoint(3 + 3, 2)), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(centre + QPoint(3 + 4, 2)), QColor(Qt::red));
}

}  // namespace
