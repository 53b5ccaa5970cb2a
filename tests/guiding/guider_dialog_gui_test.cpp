// The guider camera dialog and the guiding windows, driven through their
// numbered controls on the simulated camera (offscreen).
#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "acquisition/exposure_sequence.h"
#include "acquisition/guiding_hooks.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "guiding/guider_camera_dialog.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/guiding_window.h"
#include "guiding/smooth_rule_dialog.h"
#include "settings/settings_file.h"
#include "support/test_env.h"
#include "telescope/telescope_control.h"

using namespace gcam;

namespace {

class GuiderDialogTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuiderDialog();
        ResetGuider();
        ResetCameraInfo();
        sim_ = std::make_unique<ScopedSimulator>();
        ASSERT_TRUE(ConnectCamera([] { State().settings.showInterfaceDetails = false; }));
        messages.shown.clear();
    }
    void TearDown() override {
        if (TGCamDialog* d = CurrentGuiderCameraDialog()) delete d;
        CloseGuidingWindow();
        CloseGuidingInfo();
        ResetGuider();
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
    EXPECT_EQ(Text(dialog, kExposureValue), "1");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kSeconds)->isChecked());
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kHundredths)->isChecked());
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

TEST_F(GuiderDialogTest, StartStopsOnALeftPressOnly) {
    TGCamDialog dialog;
    dialog.show();
    Click(dialog, kSeconds);  // 1 s frames
    auto press = [&](Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &event);
    };
    const uint32_t start = clock.now;
    int step = 0;
    events.onPump = [&] {
        const uint32_t t = clock.now - start;
        if (step == 0 && t >= 3000) {
            // A key and a right press are not the loop's stop.
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &key);
            press(Qt::RightButton);
            step = 1;
        } else if (step == 1 && t >= 8000) {
            press(Qt::LeftButton);
            step = 2;
        } else if (t >= 20000) {
            GuiderDialog().stopRequested = true;  // "Stop", should the press not end it
        }
    };
    Click(dialog, kStart);
    events.onPump = nullptr;
    EXPECT_EQ(step, 2);
    EXPECT_GE(clock.now - start, 8000u);
    EXPECT_LT(clock.now - start, 11000u);
    EXPECT_FALSE(GuiderDialog().exposing);
}

TEST_F(GuiderDialogTest, RangeButtonsAndArrowsNeverPassTheMaximum) {
    TGCamDialog dialog;
    Click(dialog, kSeconds);
    EXPECT_EQ(Text(dialog, kExposureValue), "1");
    auto* bar = Control<QScrollBar>(dialog, kExposureArrows);
    for (int i = 0; i < 12; ++i) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Text(dialog, kExposureValue), "10");
    EXPECT_EQ(Guider().exposure.value, 10);
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
    Click(dialog, kAoMode);
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
    EXPECT_TRUE(s.aoOption);
}

TEST_F(GuiderDialogTest, ChangeDefaultsReadsTheTypedFields) {
    TGCamDialog dialog;
    const char* typed[] = {"4", "3", "2", "1", "30"};
    for (int i = 0; i < 5; ++i) Control<QLineEdit>(dialog, kDefaultRaRate + i)->setText(typed[i]);
    Click(dialog, kChangeDefaults);
    // The angle is typed and shown in degrees; the record keeps radians and
    // the file its whole radians (0 here), as it always did.
    EXPECT_FLOAT_EQ(State().settings.guiderAngle, 0.523598776f);
    EXPECT_EQ(Control<QLineEdit>(dialog, kDefaultAngle)->text(), "30");
    State().settings = Settings{};
    ASSERT_EQ(LoadSettings(), 0);
    const Settings& s = State().settings;
    EXPECT_EQ(s.guiderRaPixelsPerSecond, 4);
    EXPECT_EQ(s.guiderDecPixelsPerSecond, 3);
    EXPECT_EQ(s.guiderRaBacklash, 2);
    EXPECT_EQ(s.guiderDecBacklash, 1);
    EXPECT_FLOAT_EQ(s.guiderAngle, 0);
}

// A trained angle of 30 degrees (0.52 rad) read 0 in whole radians.
TEST_F(GuiderDialogTest, TrainedAngleIsShownInDegrees) {
    TGCamDialog dialog;
    Guider().trained = true;
    Guider().trainedSet.theta = 30 * M_PI / 180;
    dialog.Refresh();
    EXPECT_EQ(Text(dialog, kTheta), "30");
    Click(dialog, kSaveLatest);
    EXPECT_EQ(Control<QLineEdit>(dialog, kDefaultAngle)->text(), "30");
    Guider().trainedSet.theta = -2.0;  // -114.6 degrees
    dialog.Refresh();
    EXPECT_EQ(Text(dialog, kTheta), "-115");
}

TEST_F(GuiderDialogTest, UseDefaultWithoutTrainedValues) {
    TGCamDialog dialog;
    Click(dialog, kUseDefault);
    EXPECT_EQ(Control<QAbstractButton>(dialog, kUseDefault)->text(), "Use Defaults");
    EXPECT_EQ(Text(dialog, kUsingText), "Using Default Vals");
    // With trained values the button offers them and a click takes them.
    Guider().trained = true;
    Guider().trainedSet.storedRaRate = 5;
    dialog.Refresh();
    EXPECT_EQ(Control<QAbstractButton>(dialog, kUseDefault)->text(), "Use Trained");
    EXPECT_EQ(Text(dialog, kLatestRaRate), "5");
    Click(dialog, kUseDefault);
    EXPECT_TRUE(Guider().useTrained);
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
    dialog.SetStarFinder([](int& x, int& y) {
        x = 200;
        y = 100;
        return true;
    });
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

TEST_F(GuiderDialogTest, ManualRelayMoves) {
    State().settings.driveMethod = 'b';
    TGCamDialog dialog;
    dialog.Scroll(kMoveLeftRight, GuiderScroll::LineUp);
    EXPECT_EQ(sim_->sim().RelayBits(), 1);  // West
    dialog.Scroll(kMoveUpDown, GuiderScroll::LineUp);  // one move at a time
    EXPECT_EQ(sim_->sim().RelayBits(), 1);
    dialog.Scroll(kMoveLeftRight, GuiderScroll::EndScroll);
    EXPECT_EQ(sim_->sim().RelayBits(), 0);
    dialog.Scroll(kMoveUpDown, GuiderScroll::LineUp);
    EXPECT_EQ(sim_->sim().RelayBits(), 4);  // North
    dialog.MouseUp(0, 0, Qt::RightButton);  // the right button stops a running move
    EXPECT_EQ(sim_->sim().RelayBits(), 0);
}

// The "Move Telescope" arrows as the mouse works them: the press on an
// arrow starts the move, its release stops it (the scroll bar sends no end
// of scrolling for an arrow). The LX200 branch uses the slew rate selected
// in the telescope dialog.
TEST_F(GuiderDialogTest, MoveArrowsStopOnTheMouseRelease) {
    struct Case {
        char method;
        int bar;
        bool first;  // left / up arrow
        std::vector<std::string> texts;
        std::vector<int> relays;
    };
    const Case cases[] = {
        {'l', kMoveLeftRight, true, {"#:RC#", "#:Mw#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}, {}},
        {'l', kMoveUpDown, false, {"#:RC#", "#:Ms#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}, {}},
        {'b', kMoveLeftRight, true, {}, {1, 0}},
        {'b', kMoveUpDown, true, {}, {4, 0}},
    };
    for (const Case& c : cases) {
        ResetTelescopeControl();
        TelescopeControl().rate = "#:RC#";  // "Centre" in the telescope dialog
        State().settings.driveMethod = c.method;
        TGCamDialog dialog;
        auto* bar = Control<QScrollBar>(dialog, c.bar);
        const bool horizontal = bar->orientation() == Qt::Horizontal;
        bar->resize(horizontal ? QSize(120, 16) : QSize(16, 120));
        const QPoint at = c.first ? QPoint(3, 3) : horizontal ? QPoint(116, 8) : QPoint(8, 116);
        sim_->sim().ClearRecords();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
        std::vector<std::string> texts;
        std::vector<int> relays;
        for (const SimCameraWrite& w : sim_->sim().CameraWrites()) {
            if (w.bytes.size() >= 8 && w.bytes[1] == 10) texts.emplace_back(w.bytes.begin() + 8, w.bytes.end());
            if (w.bytes.size() >= 8 && w.bytes[1] == 9) relays.push_back(w.bytes[2]);
        }
        EXPECT_EQ(texts, c.texts) << c.method << " " << c.bar;
        EXPECT_EQ(relays, c.relays) << c.method << " " << c.bar;
        EXPECT_FALSE(TelescopeControl().moving);
    }
    ResetTelescopeControl();
}

TEST_F(GuiderDialogTest, DarkFrameButtons) {
    TGCamDialog dialog;
    Click(dialog, kApplyDark);  // nothing to apply yet
    EXPECT_FALSE(Control<QAbstractButton>(dialog, kApplyDark)->isChecked());
    Click(dialog, kTakeDark);
    EXPECT_EQ(Text(dialog, kDarkText), " 1 second darkframe available");
    Click(dialog, kApplyDark);
    EXPECT_EQ(Text(dialog, kDarkText), " 1 second darkframe being used");
    EXPECT_TRUE(Control<QAbstractButton>(dialog, kApplyDark)->isChecked());
}

TEST_F(GuiderDialogTest, StartGuidingRefusalsAndARunOnTheSimulator) {
    TGCamDialog dialog;
    Click(dialog, kStartGuiding);  // no drive method
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, No telescope to guide, or no camera found"});
    State().settings.driveMethod = 'b';
    messages.shown.clear();
    Click(dialog, kStartGuiding);  // no guide star
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                  "Sorry, you haven't picked a guide star. Go to Guider dialog and select a star "
                                  "to guide on"});
    EXPECT_EQ(CurrentGuidingWindow(), nullptr);

    // The brightest guider star, picked; "Stop Guiding" after 20 s ends
    // guiding, a key press before it does not.
    const auto& stars = sim_->sim().GuiderField().stars;
    ASSERT_FALSE(stars.empty());
    const SimStar* best = &stars[0];
    for (const SimStar& star : stars)
        if (star.flux > best->flux && star.x > 40 && star.x < 460 && star.y > 40 && star.y < 250) best = &star;
    Guider().starSelected = true;
    Guider().starX = int(best->x + 0.5);
    Guider().starY = int(best->y + 0.5);
    messages.shown.clear();
    const uint32_t start = clock.now;
    events.interruptAt.push_back(start + 10'000);
    events.onPump = [&] {
        if (clock.now >= start + 20'000 && Guider().guiding) Click(dialog, kStartGuiding);  // "Stop Guiding"
    };
    Click(dialog, kStartGuiding);
    events.onPump = nullptr;
    EXPECT_FALSE(Guider().guiding);
    EXPECT_GE(clock.now - start, 20'000u);
    EXPECT_TRUE(events.interruptAt.empty());
    GuidingWindow* window = CurrentGuidingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Guiding Info");
    EXPECT_GT(window->Plot()->Graph().Samples().size(), 5u);
    EXPECT_NE(window->findChild<QLabel*>("x")->text(), "0.0");
    EXPECT_EQ(Control<QAbstractButton>(dialog, kStartGuiding)->text(), "Start Guiding");
}

TEST_F(GuiderDialogTest, TrainOnTheSimulatorMarksTheStepsAndStoresTheSet) {
    State().settings.driveMethod = 'b';
    TGCamDialog dialog;
    const auto& stars = sim_->sim().GuiderField().stars;
    const SimStar* best = nullptr;
    for (const SimStar& star : stars)
        if (star.x > 150 && star.x < 350 && star.y > 100 && star.y < 190 && (!best || star.flux > best->flux))
            best = &star;
    ASSERT_NE(best, nullptr);
    Guider().starSelected = true;
    Guider().starX = int(best->x + 0.5);
    Guider().starY = int(best->y + 0.5);
    std::vector<QString> captions;
    QObject::connect(&dialog, &QWidget::windowTitleChanged, [&](const QString& t) { captions.push_back(t); });
    Click(dialog, kTrain);
    EXPECT_TRUE(Guider().trained);
    EXPECT_EQ(dialog.windowTitle(), "Auto Guider Camera Control");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "Auto Guider Camera Control - Training / slewing West");
    EXPECT_GE(GuiderDialog().trainingMarks.size(), 8u);
    EXPECT_EQ(Text(dialog, kUsingText), "Using Trained Vals");
    EXPECT_EQ(Text(dialog, kLatestRaRate), QString::number(Guider().trainedSet.storedRaRate));
}

TEST_F(GuiderDialogTest, AutoguidePhotoGuidingIsFollowedByTheGuidingWindow) {
    const ExposureGuidingHooks saved = GuidingHooks();
    int steps = 0;
    GuidingHooks().startGuiding = [] { return Guider().guiding = true; };
    GuidingHooks().guidingStep = [&](uint32_t&) {
        ++steps;
        Guider().errorX = 500;
        Guider().lastStar = StarPosition{120, 80, 4, 0};
    };
    { TGCamDialog dialog; }  // the dialog wraps the hooks
    ASSERT_TRUE(GuidingHooks().startGuiding());
    uint32_t end = 0;
    GuidingHooks().guidingStep(end);
    GuidingHooks().guidingStep(end);
    EXPECT_EQ(steps, 2);
    GuidingWindow* window = CurrentGuidingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Guiding Info");
    EXPECT_EQ(window->findChild<QLabel*>("x")->text(), "120.4");
    EXPECT_EQ(window->findChild<QLabel*>("dx")->text(), "0.5");
    // Steps between guiding frames add nothing to the graph.
    EXPECT_EQ(window->Plot()->Graph().Samples().size(), 1u);
    GuidingHooks() = saved;
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
    EXPECT_EQ(text("dxArcsec"), "");  // no focal length: no arc seconds
    // 7.4 um pixels at 1000 mm: 1.526 "/px.
    Guider().focalLengthMm = 1000;
    info->Show(GuidingInfoData{64.3, 60.0, -1250, 40});
    EXPECT_EQ(text("dxArcsec"), "-1.91\"");
    EXPECT_EQ(text("dyArcsec"), "0.06\"");
    Guider().focalLengthMm = 0;
    EXPECT_EQ(OpenGuidingInfo(), info);
}

TEST_F(GuiderDialogTest, GuidingWindowFieldsAndPlot) {
    GuidingWindow* window = OpenGuidingWindow();
    EXPECT_EQ(window->windowTitle(), "AutoGuider Camera Guiding");
    GuidingWindowData d;
    d.report.starX = 120.4;
    d.report.starY = 80.0;
    d.report.errorX = 300;
    d.report.errorY = -200;
    d.report.pulseX = 150;
    d.report.aoY = -60;
    d.report.bumpLetter = "S";
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
    // The readout also counts the frames ignored and lost.
    GuidingRms counted;
    counted.framesRun = 40;
    counted.ignored = 3;
    counted.lost = 1;
    window->SetRms(counted);
    EXPECT_TRUE(text("rms").endsWith("frames: 40, ignored: 3, lost: 1")) << text("rms").toStdString();
    EXPECT_EQ(window->Plot()->Graph().Samples().size(), 1u);
    // A frame the loop ignored (error out of range) stays off the graph.
    GuidingWindowData ignored = d;
    ignored.report.measured = false;
    window->Update(ignored);
    EXPECT_EQ(window->Plot()->Graph().Samples().size(), 1u);
    window->Update(d);

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

namespace {

// A camera lost while the dialog guides: guiding ends with the program's
// message, the button is "Start Guiding" again and the dialog goes on
// answering (a new start now finds no camera).
TEST_F(GuiderDialogTest, CameraLostWhileGuidingEndsWithItsMessageAndTheDialogStaysUsable) {
    TGCamDialog dialog;
    State().settings.driveMethod = 'b';
    const auto& stars = sim_->sim().GuiderField().stars;
    ASSERT_FALSE(stars.empty());
    const SimStar* best = &stars[0];
    for (const SimStar& star : stars)
        if (star.flux > best->flux && star.x > 40 && star.x < 460 && star.y > 40 && star.y < 250) best = &star;
    Guider().starSelected = true;
    Guider().starX = int(best->x + 0.5);
    Guider().starY = int(best->y + 0.5);
    SimulatorConfig config = sim_->sim().Config();
    config.faultsAt.cameraLostS = 30;
    sim_->sim().Configure(config);
    messages.shown.clear();
    const uint32_t start = clock.now;
    Click(dialog, kStartGuiding);
    EXPECT_FALSE(Guider().guiding);
    EXPECT_LT(clock.now - start, 40'000u);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].text, "Could not write CAMIO Output - try rebooting USB device");
    EXPECT_EQ(Control<QAbstractButton>(dialog, kStartGuiding)->text(), "Start Guiding");
    EXPECT_EQ(sim_->sim().RelayBits(), 0);  // no relay left closed
    CloseDevices();
    messages.shown.clear();
    Click(dialog, kStartGuiding);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"USB CAMIO device not found",
                                                        "Sorry, No telescope to guide, or no camera found"}));
}

// The kept calibration: its age, "Clear Calibration" and the focal length,
// and the guiding window's arc seconds and graph choices that follow.
TEST_F(GuiderDialogTest, KeptCalibrationIsShownAndClearedAndTheFocalLengthGivesArcseconds) {
    Guider().trained = Guider().useTrained = true;
    Guider().trainedSet.rx = 3;
    Guider().trainedAtS = Sys().clock->UnixSeconds() - 7800;
    TGCamDialog dialog;
    EXPECT_EQ(Text(dialog, kCalibrationAge), "Calibration: trained 2 h 10 min ago (classic, guider, bin 1)");
    Click(dialog, kClearCalibration);
    EXPECT_EQ(Text(dialog, kCalibrationAge), "Calibration: none");
    EXPECT_FALSE(Guider().trained || Guider().useTrained);
    QLineEdit* focal = Control<QLineEdit>(dialog, kFocalLength);
    focal->setText("1000");
    emit focal->editingFinished();
    EXPECT_EQ(Guider().focalLengthMm, 1000);
    ResetGuider();
    ASSERT_TRUE(LoadGuidingFile());  // both changes were saved
    EXPECT_EQ(Guider().focalLengthMm, 1000);
    EXPECT_FALSE(Guider().trained);

    // 7.4 um guider pixels at 1000 mm: 1.526 "/px.
    GuidingWindow* window = OpenGuidingWindow();
    GuidingWindowData data;
    data.report.errorX = 420;
    data.report.errorY = -1000;
    window->Update(data);
    EXPECT_EQ(window->findChild<QLabel*>("dxArcsec")->text(), "0.64\"");
    EXPECT_EQ(window->findChild<QLabel*>("dyArcsec")->text(), "-1.53\"");
    // Bin 2x2 on the guider doubles its scale; while the main camera guides,
    // its own (unbinned) scale counts.
    Guider().exposure.binned = true;
    window->Update(data);
    EXPECT_EQ(window->findChild<QLabel*>("dxArcsec")->text(), "1.28\"");
    Guider().mainGuiding = true;
    window->Update(data);
    EXPECT_EQ(window->findChild<QLabel*>("dxArcsec")->text(), "0.64\"");
    Guider().mainGuiding = false;
    Guider().exposure.binned = false;
    auto* scale = window->findChild<QComboBox*>("graphScale");
    auto* length = window->findChild<QComboBox*>("graphLength");
    ASSERT_TRUE(scale && length);
    scale->setCurrentIndex(scale->findText("5 px"));
    length->setCurrentIndex(length->findText("600 s"));
    EXPECT_EQ(window->Plot()->Graph().Length(), 600);
    EXPECT_DOUBLE_EQ(window->Plot()->Graph().ScaledY(2500, 100), 25);
}

TEST_F(GuiderDialogTest, CorrectionRuleDialogWalksTheParameterTable) {
    SmoothRuleDialog dialog;
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    ASSERT_EQ(count, 11u);
    for (size_t i = 0; i < count; ++i) {
        auto* box = dialog.findChild<QDoubleSpinBox*>(table[i].key);
        ASSERT_NE(box, nullptr) << table[i].key;
        EXPECT_EQ(box->minimum(), table[i].min) << table[i].key;
        EXPECT_EQ(box->maximum(), table[i].max) << table[i].key;
    }
    dialog.findChild<QComboBox*>("rule")->setCurrentIndex(1);
    dialog.findChild<QDoubleSpinBox*>("ra_aggressiveness")->setValue(0.65);
    dialog.findChild<QDoubleSpinBox*>("worm_period_s")->setValue(5000);  // above the bound: held at 3600
    dialog.Apply();
    EXPECT_EQ(Guider().rule, GuideRule::Smooth);
    EXPECT_DOUBLE_EQ(Guider().smooth.raAggressiveness, 0.65);
    EXPECT_DOUBLE_EQ(Guider().smooth.wormPeriodS, 3600);
}

}  // namespace
