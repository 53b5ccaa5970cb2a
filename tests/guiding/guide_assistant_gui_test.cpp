// The guiding assistant window on the simulated guider head (offscreen).
#include <QAbstractButton>
#include <QLabel>
#include <QSpinBox>
#include <memory>

#include "acquisition/exposure_sequence.h"
#include "core/state.h"
#include "devices/sim/simulator.h"
#include "guiding/guide_assistant_window.h"
#include "guiding/guider_camera_dialog.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guider_state.h"
#include "support/test_env.h"

namespace {

class GuideAssistantWindowTest : public VelmoraTest {};

TEST_F(GuideAssistantWindowTest, MeasuresStopsAndUsesTheFigures) {
    ResetGuiderDialog();
    ResetGuider();
    SimulatorConfig config;
    config.mount.periodicAmplitude = 2;
    config.mount.periodicPeriodS = 120;
    config.mount.seeingRmsPx = 0.15;
    ScopedSimulator sim(config);
    ASSERT_TRUE(ConnectCamera([] { State().settings.showInterfaceDetails = false; }));
    const SimStar* best = nullptr;
    for (const SimStar& star : sim.sim().GuiderField().stars)
        if (star.x > 100 && star.x < 400 && star.y > 80 && star.y < 210 && (!best || star.flux > best->flux))
            best = &star;
    ASSERT_NE(best, nullptr);
    Guider().starSelected = true;
    Guider().starX = int(best->x + 0.5);
    Guider().starY = int(best->y + 0.5);

    // Opened from the guider dialog's "Guiding Assistant..." button.
    TGCamDialog dialog;
    QAbstractButton* open = dialog.findChild<QAbstractButton*>("guidingAssistant");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "Guiding Assistant...");
    open->click();
    GuidingAssistantWindow* w = CurrentGuidingAssistant();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Guiding Assistant");
    auto button = [&](const char* name) { return w->findChild<QAbstractButton*>(name); };
    auto label = [&](const char* name) { return w->findChild<QLabel*>(name)->text(); };
    EXPECT_FALSE(button("useThese")->isEnabled());

    // Stop half a minute in: what was measured is shown, the period unknown.
    uint32_t start = clock.now;
    QString during;
    events.onPump = [&] {
        if (clock.now >= start + 20'000 && during.isEmpty()) during = label("progress");
        if (clock.now >= start + 30'000) button("stop")->click();
    };
    button("start")->click();
    EXPECT_TRUE(during.startsWith("Measuring: 0.")) << during.toStdString();
    EXPECT_TRUE(label("progress").startsWith("Stopped: ")) << label("progress").toStdString();
    EXPECT_FALSE(w->Result().periodKnown);
    EXPECT_LT(clock.now - start, 40'000u);

    // Five minutes: the period is found, "Use These" takes the figures.
    events.onPump = nullptr;
    w->findChild<QSpinBox*>("minutes")->setValue(5);
    start = clock.now;
    button("start")->click();
    EXPECT_GE(clock.now - start, 300'000u);
    EXPECT_TRUE(label("progress").startsWith("Done: ")) << label("progress").toStdString();
    EXPECT_TRUE(label("results").contains("recommended minimum move")) << label("results").toStdString();
    ASSERT_TRUE(w->Result().periodKnown);
    EXPECT_NEAR(w->Result().pePeriodS, 120, 12);
    ASSERT_TRUE(button("useThese")->isEnabled());
    button("useThese")->click();
    EXPECT_EQ(Guider().smooth.raMinMovePx, w->Result().minMovePx);
    EXPECT_EQ(Guider().smooth.decMinMovePx, w->Result().minMovePx);
    EXPECT_EQ(Guider().smooth.wormPeriodS, w->Result().pePeriodS);
    delete w;
    ResetGuider();
}

}  // namespace
