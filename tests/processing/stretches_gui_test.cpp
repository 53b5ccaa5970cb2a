// The contrast and filter windows, driven by their control ids, and the menu
// commands that open them: OK applies, Cancel leaves image, undo copy and
// history alone, Help shows the fixed text.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <random>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/state.h"
#include "processing/filter_dialogs.h"
#include "processing/filters.h"
#include "core/history.h"
#include "processing/stretch_dialogs.h"
#include "processing/stretches.h"
#include "support/test_env.h"

// From display/display_state.h, whose ViewOptions() clashes with the X11 type
// that <QApplication> brings in.
int& BlackPoint();
void ResetDisplayState();

namespace {

template <class W>
W* Ctl(QWidget* dialog, int id) {
    W* w = FindControl<W>(dialog, id);
    EXPECT_NE(w, nullptr) << id;
    return w;
}

class ToneWindowsTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetDisplayState();
        ImageGeometry& g = State().geometry;
        g.binned = false;
        g.sensorWidth = kW;
        g.sensorHeight = kH;
        RecomputeGeometry();
        std::mt19937 rng(5);
        image.resize(kW * kH);
        for (auto& p : image) p = uint16_t(rng() % 60000);
        std::copy(image.begin(), image.end(), State().imageA);
        std::fill(State().undo, State().undo + kW * kH, 77);
        ClearHistory();
    }
    std::vector<uint16_t> A() const { return {State().imageA, State().imageA + kW * kH}; }
    std::vector<uint16_t> Undo() const { return {State().undo, State().undo + kW * kH}; }
    void ExpectUntouched() {
        EXPECT_EQ(A(), image);
        EXPECT_EQ(Undo(), std::vector<uint16_t>(kW * kH, 77));
        EXPECT_EQ(HistoryCount(), 0);
    }
    // Runs a menu command whose modal dialog is handled by act.
    void RunWithDialog(int command, std::function<void(QDialog*)> act) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            act(dialog);
        });
        ASSERT_TRUE(RunCommand(command));
        EXPECT_TRUE(seen);
    }
    static void Click(QDialog* dialog, int id) { Ctl<QPushButton>(dialog, id)->click(); }

    static constexpr int kW = 40, kH = 30;
    std::vector<uint16_t> image;
};

}  // namespace

TEST_F(ToneWindowsTest, EveryContrastAndFilterCommandIsRegistered) {
    for (int id : {cmd::kNormalStretch, cmd::kPowerLawStretch, cmd::kSineStretch, cmd::kRemoveBackground,
                   cmd::kNonLinearStretch, cmd::kLogStretch, cmd::kAntilogStretch, cmd::kInvertStretch,
                   cmd::kUnsharpMask, cmd::kHighPassLowPower, cmd::kHighPassHighPower, cmd::kSmootherSharper,
                   cmd::kMedianFilter, cmd::kGaussianSmoother, cmd::kLowPassSmoother, cmd::kBasRelief,
                   cmd::kGradientFilter})
        EXPECT_TRUE(IsCommandEnabled(id)) << id;
}

TEST_F(ToneWindowsTest, NormalStretchDialogKeepsBlackBelowWhite) {
    TStretchDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Normal Stretch");
    auto* black = Ctl<QScrollBar>(&dialog, stretch_ctl::kBlackScroll);
    auto* white = Ctl<QScrollBar>(&dialog, stretch_ctl::kWhiteScroll);
    auto* blackEdit = Ctl<QLineEdit>(&dialog, stretch_ctl::kBlackEdit);
    auto* whiteEdit = Ctl<QLineEdit>(&dialog, stretch_ctl::kWhiteEdit);
    EXPECT_EQ(blackEdit->text(), "0");
    EXPECT_EQ(whiteEdit->text(), "255");
    EXPECT_EQ(black->minimum(), 0);
    EXPECT_EQ(black->maximum(), 255);
    EXPECT_EQ(white->minimum(), 1);
    EXPECT_EQ(white->maximum(), 300);
    white->setValue(100);
    black->setValue(150);  // held below white
    EXPECT_EQ(dialog.Black(), 99);
    EXPECT_EQ(blackEdit->text(), "99");
    EXPECT_EQ(black->value(), 99);
    white->setValue(50);  // held above black
    EXPECT_EQ(dialog.White(), 100);
    white->setValue(300);
    EXPECT_EQ(whiteEdit->text(), "300");
    // Typed values take effect with the set buttons.
    blackEdit->setText("12");
    EXPECT_EQ(dialog.Black(), 99);
    Click(&dialog, stretch_ctl::kSetBlack);
    EXPECT_EQ(dialog.Black(), 12);
    whiteEdit->setText("abc");
    Click(&dialog, stretch_ctl::kSetWhite);
    EXPECT_EQ(dialog.White(), 300);
    EXPECT_EQ(whiteEdit->text(), "300");
    Click(&dialog, stretch_ctl::kHelp);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - Normal Stretch");
    EXPECT_EQ(messages.shown[0].text, kNormalStretchHelpText);
}

TEST_F(ToneWindowsTest, NormalStretchCommandAppliesOnOkOnly) {
    RunWithDialog(cmd::kNormalStretch, [](QDialog* d) { Click(d, stretch_ctl::kCancel); });
    ExpectUntouched();
    RunWithDialog(cmd::kNormalStretch, [](QDialog* d) {
        Ctl<QScrollBar>(d, stretch_ctl::kBlackScroll)->setValue(10);
        Ctl<QScrollBar>(d, stretch_ctl::kWhiteScroll)->setValue(200);
        Click(d, stretch_ctl::kOk);
    });
    ToneTable t;
    BuildNormalStretchTable(10, 200, t);
    auto expected = image;
    ApplyStretchTableTo(expected.data(), kW, kH, t);
    EXPECT_EQ(A(), expected);
    EXPECT_EQ(Undo(), image);
    EXPECT_EQ(State().history[0], "Normal Stretch : max 400 , min : 20");
    EXPECT_EQ(HistoryCount(), 1);
}

TEST_F(ToneWindowsTest, PowerDialogStepsByTenths) {
    TPowerDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Power Law Stretch");
    auto* scroll = Ctl<QScrollBar>(&dialog, stretch_ctl::kPowerScroll);
    auto* edit = Ctl<QLineEdit>(&dialog, stretch_ctl::kPowerEdit);
    EXPECT_EQ(edit->text(), "1.0");
    EXPECT_EQ(scroll->value(), 10);
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 30);
    for (int k = 0; k < 5; ++k) scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(edit->text(), "1.5");
    scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(edit->text(), "1.4");
    for (int k = 0; k < 40; ++k) scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(edit->text(), "3.0");
    EXPECT_LE(dialog.Power(), 3.05);
    for (int k = 0; k < 40; ++k) scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_GE(dialog.Power(), 0.05);
    EXPECT_LE(dialog.Power(), 0.2);
    Click(&dialog, stretch_ctl::kHelp);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - Power Law Stretch");
    EXPECT_EQ(messages.shown[0].text, kPowerHelpText);
}

TEST_F(ToneWindowsTest, PowerCommand) {
    // OK at 1.0 changes nothing.
    RunWithDialog(cmd::kPowerLawStretch, [](QDialog* d) { Click(d, stretch_ctl::kOk); });
    ExpectUntouched();
    RunWithDialog(cmd::kPowerLawStretch, [](QDialog* d) {
        Ctl<QScrollBar>(d, stretch_ctl::kPowerScroll)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        Click(d, stretch_ctl::kCancel);
    });
    ExpectUntouched();
    RunWithDialog(cmd::kPowerLawStretch, [](QDialog* d) {
        for (int k = 0; k < 5; ++k)
            Ctl<QScrollBar>(d, stretch_ctl::kPowerScroll)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        Click(d, stretch_ctl::kOk);
    });
    EXPECT_EQ(State().history[0], "Power Stretch :  1.5");
    EXPECT_EQ(Undo(), image);
    EXPECT_NE(A(), image);
}

TEST_F(ToneWindowsTest, NonLinearDialogAndCommand) {
    {
        TNonLiniarDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), "Non-Linear Stretch");
        auto* scroll = Ctl<QScrollBar>(&dialog, stretch_ctl::kNonLinearScroll);
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, stretch_ctl::kNonLinearEdit)->text(), "25");
        EXPECT_EQ(scroll->minimum(), 2);
        EXPECT_EQ(scroll->maximum(), 50);
        scroll->setValue(40);
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, stretch_ctl::kNonLinearEdit)->text(), "40");
        EXPECT_EQ(dialog.Power(), 40);
        Click(&dialog, stretch_ctl::kHelp);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - NonLiniar Filter");
        EXPECT_EQ(messages.shown[0].text, "Use controls to vary the Power from 2 to 50");
    }
    RunWithDialog(cmd::kNonLinearStretch, [](QDialog* d) { Click(d, stretch_ctl::kCancel); });
    ExpectUntouched();
    RunWithDialog(cmd::kNonLinearStretch, [](QDialog* d) {
        Ctl<QScrollBar>(d, stretch_ctl::kNonLinearScroll)->setValue(30);
        Click(d, stretch_ctl::kOk);
    });
    EXPECT_EQ(State().history[0], "Non-Linear Stretch : power 30");
    ToneTable t;
    BuildNonLinearTable(30, t);
    auto expected = image;
    ApplyStretchTableTo(expected.data(), kW, kH, t);
    EXPECT_EQ(A(), expected);
}

TEST_F(ToneWindowsTest, RemoveBackgroundUsesTheDisplaysBlackPoint) {
    BlackPoint() = 2;
    ASSERT_TRUE(RunCommand(cmd::kRemoveBackground));
    ExpectUntouched();
    BlackPoint() = 40;
    ASSERT_TRUE(RunCommand(cmd::kRemoveBackground));
    EXPECT_EQ(State().history[0], "Background Removed : min 76");  // (5120 - 256) / 64
    EXPECT_EQ(Undo(), image);
}

TEST_F(ToneWindowsTest, FixedStretchesFromTheMenu) {
    const std::pair<int, const char*> commands[] = {{cmd::kSineStretch, "Sine Stretch"},
                                                    {cmd::kLogStretch, "Log Stretch"},
                                                    {cmd::kAntilogStretch, "Antilog Stretch"},
                                                    {cmd::kInvertStretch, "Invert Image to Negative"}};
    int n = 0;
    for (const auto& [id, line] : commands) {
        ASSERT_TRUE(RunCommand(id));
        EXPECT_EQ(State().history[n++], line);
    }
}

TEST_F(ToneWindowsTest, UnsharpDialogAndCommand) {
    {
        TUnsharpDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), "Unsharp Mask Filter");
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kUnsharpRadiusEdit)->text(), "3");
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kUnsharpPowerEdit)->text(), "1");
        auto* radius = Ctl<QScrollBar>(&dialog, filter_ctl::kUnsharpRadiusScroll);
        EXPECT_EQ(radius->minimum(), 1);
        EXPECT_EQ(radius->maximum(), 7);
        radius->setValue(7);
        Ctl<QScrollBar>(&dialog, filter_ctl::kUnsharpPowerScroll)->setValue(5);
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kUnsharpRadiusEdit)->text(), "7");
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kUnsharpPowerEdit)->text(), "5");
        EXPECT_EQ(dialog.Radius(), 7);
        EXPECT_EQ(dialog.Power(), 5);
        Click(&dialog, filter_ctl::kHelp);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Use controls to vary the radius from 1 to 7, and the power from 1 to 7.");
    }
    RunWithDialog(cmd::kUnsharpMask, [](QDialog* d) { Click(d, filter_ctl::kCancel); });
    ExpectUntouched();
    RunWithDialog(cmd::kUnsharpMask, [](QDialog* d) {
        Ctl<QScrollBar>(d, filter_ctl::kUnsharpPowerScroll)->setValue(2);
        Click(d, filter_ctl::kOk);
    });
    std::vector<uint16_t> expected(image.size());
    UnsharpInto(image.data(), expected.data(), kW, kH, 3, 2);
    EXPECT_EQ(A(), expected);
    EXPECT_EQ(State().history[0], "Unsharp Mask : rad 3 ,power 2");
    EXPECT_EQ(progress.captions.back(), "UNSHARP MASK PROGRESS");
    EXPECT_FALSE(progress.open);
}

TEST_F(ToneWindowsTest, MedianDialogAndCommand) {
    {
        TMedianDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), "Median Filter");
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kMedianRadiusEdit)->text(), "1");
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kMedianPowerEdit)->text(), ".6");
        auto* power = Ctl<QScrollBar>(&dialog, filter_ctl::kMedianPowerScroll);
        EXPECT_EQ(power->minimum(), 1);
        EXPECT_EQ(power->maximum(), 10);
        power->setValue(10);
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kMedianPowerEdit)->text(), "1.0");
        power->setValue(1);
        EXPECT_EQ(Ctl<QLineEdit>(&dialog, filter_ctl::kMedianPowerEdit)->text(), ".1");
        Ctl<QScrollBar>(&dialog, filter_ctl::kMedianRadiusScroll)->setValue(3);
        EXPECT_EQ(dialog.Radius(), 3);
        EXPECT_EQ(dialog.PowerTenths(), 1);
        Click(&dialog, filter_ctl::kHelp);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Velmora_USB - Median Filter");
        EXPECT_EQ(messages.shown[0].text, "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1.");
    }
    RunWithDialog(cmd::kMedianFilter, [](QDialog* d) { Click(d, filter_ctl::kCancel); });
    ExpectUntouched();
    RunWithDialog(cmd::kMedianFilter, [](QDialog* d) {
        Ctl<QScrollBar>(d, filter_ctl::kMedianRadiusScroll)->setValue(2);
        Click(d, filter_ctl::kOk);
    });
    std::vector<uint16_t> expected(image.size());
    ConditionalMedianInto(image.data(), expected.data(), kW, kH, 2, 6);
    EXPECT_EQ(A(), expected);
    EXPECT_EQ(State().history[0], "Median Filter : rad 2 ,power 0.6");
}

TEST_F(ToneWindowsTest, MenuConvolutionsAndTheGradientRefusal) {
    const std::pair<int, const char*> commands[] = {{cmd::kHighPassLowPower, "High Pass Low Power Filter"},
                                                    {cmd::kHighPassHighPower, "High Pass High Power Filter"},
                                                    {cmd::kSmootherSharper, "Smoother/Sharper Filter"},
                                                    {cmd::kGaussianSmoother, "Gaussian Filter"},
                                                    {cmd::kLowPassSmoother, "Lowpass Smoother Filter"},
                                                    {cmd::kBasRelief, "Bas Relief Filter"}};
    int n = 0;
    for (const auto& [id, line] : commands) {
        ASSERT_TRUE(RunCommand(id));
        EXPECT_EQ(State().history[n++], line);
    }
    const auto before = A();
    ASSERT_TRUE(RunCommand(cmd::kGradientFilter));  // 40 x 30: too small
    EXPECT_EQ(A(), before);
    EXPECT_EQ(HistoryCount(), 6);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Sorry, the Gradient Filter needs an image of at least 640 x 490 pixels");
}
