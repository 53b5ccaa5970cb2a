#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/messages.h"
#include "core/state.h"
#include "display/analysis_dialogs.h"
#include "display/analysis_plots.h"
#include "display/display_fixture.h"
#include "display/photometry.h"
#include "display/photometry_dialog.h"
#include "display/picking.h"

namespace {

class AnalysisGuiTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        ResetAnalysisWindows();
        SetBinnedDisplay(false);
        SetImage(64, 48, 0x0300);
    }
    void TearDown() override {
        delete THistDialog::Instance();
        delete TRowDialog::Instance();
        delete T3DDialog::Instance();
        delete TPHDialog::Instance();
        ResetAnalysisWindows();
        DisplayTest::TearDown();
    }
    static void Click(QWidget* dialog, int id) {
        auto* button = FindControl<QAbstractButton>(dialog, id);
        ASSERT_NE(button, nullptr) << id;
        button->click();
        QCoreApplication::processEvents();
    }
    static QString Text(QWidget* dialog, int id) {
        auto* edit = FindControl<QLineEdit>(dialog, id);
        return edit ? edit->text() : QString("<none>");
    }
    static ViewPort View() {
        ViewPort v;
        v.clientWidth = 64;
        v.clientHeight = 48;
        v.displayedWidth = 64;
        v.displayedHeight = 48;
        return v;
    }
    // The plot as the window shows it.
    static QImage Shown(TPlotView* plot) { return plot->grab().toImage(); }
    static QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
};

}  // namespace

TEST_F(AnalysisGuiTest, HistogramWindowOpensOnceAndDrawsTheCounters) {
    HistogramCounters().fill(0);
    HistogramCounters()[3] = 1054;
    ASSERT_TRUE(RunCommand(cmd::kHistogram));
    THistDialog* d = THistDialog::Instance();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Histogram of Current Image");
    const QImage shown = Shown(d->Plot());
    EXPECT_EQ(shown.size(), QSize(400, 280));
    EXPECT_EQ(At(shown, 11, 1), qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(At(shown, 11, 0), qRgb(255, 255, 255) & 0xFFFFFF);

    RunCommand(cmd::kHistogram);  // refused: beep, pause, beep
    EXPECT_EQ(system.beeps, 2);
    EXPECT_EQ(THistDialog::Instance(), d);

    Click(d, 9);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora - Display Histogram");
    Click(d, 101);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(THistDialog::Instance(), nullptr);
    EXPECT_FALSE(Analysis().histogramOpen);
}

TEST_F(AnalysisGuiTest, RowProfileFollowsTheClickedRow) {
    for (int x = 0; x < 64; ++x) Px(x, 20) = 65535;
    ASSERT_TRUE(RunCommand(cmd::kRowPlot));
    TRowDialog* d = TRowDialog::Instance();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "INTENSITY PROFILE OF ONE ROW");
    EXPECT_EQ(Text(d, 101), "250");
    EXPECT_TRUE(Picking().modes.rowProfile);

    EXPECT_EQ(LeftButtonUp(View(), 30, 20), PickResult::Done);
    EXPECT_EQ(Text(d, 101), "20");
    QImage shown = Shown(d->Plot());
    EXPECT_EQ(At(shown, 300, 28), qRgb(128, 128, 128) & 0xFFFFFF);
    // Image A changes: the next paint shows its new contents.
    for (int x = 0; x < 64; ++x) Px(x, 20) = 0;
    shown = Shown(d->Plot());
    EXPECT_EQ(At(shown, 300, 28), qRgb(255, 255, 255) & 0xFFFFFF);
    EXPECT_EQ(At(shown, 300, 198), qRgb(128, 128, 128) & 0xFFFFFF);

    EXPECT_FALSE(RunCommand(cmd::kPlot3D) && T3DDialog::Instance());  // silently refused
    EXPECT_TRUE(messages.shown.empty());
    Click(d, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TRowDialog::Instance(), nullptr);
    EXPECT_FALSE(Picking().modes.rowProfile);
    EXPECT_EQ(LeftButtonUp(View(), 30, 21), PickResult::NoMode);
}

TEST_F(AnalysisGuiTest, Plot3DDrawsTheLandscapeOnce) {
    std::fill(State().imageA, State().imageA + 64 * 48, 65535);
    events.interruptAt.push_back(clock.now);  // a click while the plot grows
    ASSERT_TRUE(RunCommand(cmd::kPlot3D));
    T3DDialog* d = T3DDialog::Instance();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(events.pumps, 4);             // after each of lines 2..5
    EXPECT_FALSE(events.TakeInterrupt());  // not left to cancel the next long operation
    EXPECT_EQ(d->windowTitle(), "3-D Intensity Plot");
    // 48 rows, full geometry: lines 2..5, line 2 flat 170 above its baseline 188.
    const QImage shown = d->Plot()->Picture();
    EXPECT_EQ(At(shown, 150, 18), qRgb(128, 128, 128) & 0xFFFFFF);
    EXPECT_EQ(At(shown, 150, 188), qRgb(255, 255, 255) & 0xFFFFFF);
    // Drawn once: a changed image does not change the open plot.
    std::fill(State().imageA, State().imageA + 64 * 48, 0);
    d->DrawLandscape();
    EXPECT_EQ(At(d->Plot()->Picture(), 150, 18), qRgb(128, 128, 128) & 0xFFFFFF);
    RunCommand(cmd::kRowPlot);
    EXPECT_EQ(TRowDialog::Instance(), nullptr);  // refused while the 3-D plot is open
    Click(d, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Analysis().plot3dOpen);
}

TEST_F(AnalysisGuiTest, PhotometryDialogMeasuresAndShowsTheFigures) {
    Px(10, 10) = 4000;
    Px(40, 30) = 1000;
    ASSERT_TRUE(RunCommand(cmd::kPhotometry));
    TPHDialog* d = TPHDialog::Instance();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "PHOTOMETRY");
    EXPECT_TRUE(FindControl<QRadioButton>(d, 116)->isChecked());  // 9 Pixels
    EXPECT_TRUE(FindControl<QRadioButton>(d, 101)->isChecked());  // Object
    Click(d, 117);  // Single Pixel
    EXPECT_EQ(Picking().maskRadius, 0);
    EXPECT_TRUE(FindControl<QRadioButton>(d, 117)->isChecked());
    EXPECT_FALSE(FindControl<QRadioButton>(d, 116)->isChecked());

    EXPECT_EQ(LeftButtonUp(View(), 10, 10), PickResult::Done);
    EXPECT_EQ(Text(d, 104), "10");
    EXPECT_EQ(Text(d, 105), "10");
    EXPECT_EQ(Text(d, 110), "   4000");
    EXPECT_EQ(Text(d, 113), "");
    Click(d, 102);
    LeftButtonUp(View(), 40, 30);
    EXPECT_EQ(Text(d, 106), "40");
    EXPECT_EQ(Text(d, 111), "   1000");
    EXPECT_EQ(Text(d, 113), "-1.51");

    MouseMove(View(), 10, 10);
    EXPECT_EQ(Text(d, 1018), "10");
    EXPECT_EQ(Text(d, 1020), "  4000");

    Click(d, 115);  // 7 Pixels: the sums go
    EXPECT_EQ(Text(d, 113), "");
    EXPECT_EQ(Text(d, 104), "0");

    RunCommand(cmd::kPhotometry);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, MessageText(37));
    RunCommand(cmd::kRowPlot);
    EXPECT_EQ(messages.shown.back().text, MessageText(35));

    Click(d, 9);
    EXPECT_EQ(messages.shown.back().caption, "Velmora_USB - Control Photometry");
    Click(d, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TPHDialog::Instance(), nullptr);
    EXPECT_FALSE(Picking().modes.photometry);
}

TEST_F(AnalysisGuiTest, PngOfTheCanvasReadsBackPixelForPixel) {
    PlotCanvas canvas(37, 11);
    canvas.Line(0, 0, 36, 10, kRed);
    canvas.FillRect(5, 2, 9, 8, kAxisBlue);
    canvas.DrawText(12, 0, 37, 11, "0123", kBlack);
    const std::vector<uint8_t> png = EncodePng(canvas);
    QImage image;
    ASSERT_TRUE(image.loadFromData(png.data(), int(png.size()), "PNG"));
    ASSERT_EQ(image.size(), QSize(37, 11));
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) {
            const Rgb c = canvas.At(x, y);
            ASSERT_EQ(At(image, x, y), qRgb(c.r, c.g, c.b) & 0xFFFFFF) << x << "," << y;
        }
}
