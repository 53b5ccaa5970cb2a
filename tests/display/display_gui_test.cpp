#include <QAbstractSlider>
#include <QCoreApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "core/state.h"
#include "display/display_fixture.h"
#include "display/image_view_widget.h"
#include "display/render.h"
#include "display/stretch_display_dialog.h"
#include "display/view_command_ids.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

QImage ReadBitmap(const std::string& hostPath, QByteArray* format = nullptr) {
    QImageReader reader(QString::fromStdString(hostPath));
    if (format) *format = reader.format();
    return reader.read();
}

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Lets the view lay out its scroll bars, then takes its picture.
QImage Shot(QWidget& view) {
    QCoreApplication::processEvents();
    return view.grab().toImage();
}

}  // namespace

class DisplayGuiTest : public DisplayTest {
protected:
    void TearDown() override {
        if (TMaxDialog* d = TMaxDialog::Instance()) delete d;
        DisplayTest::TearDown();
    }
};

TEST_F(DisplayGuiTest, BitmapFileReadsBackWithSizeAndGreyPalette) {
    RedrawImage();
    QByteArray format;
    const QImage image = ReadBitmap(MapPath(State().geometry.bitmapName), &format);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(format, "bmp");
    EXPECT_EQ(image.width(), 1024);
    EXPECT_EQ(image.height(), 1024);
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.colorCount(), 256);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(image.color(i) & 0xFFFFFF, qRgb(i, i, i) & 0xFFFFFF) << i;
    // Ramp rows: displayed row k = image row 2k = 124k, high byte.
    EXPECT_EQ(image.pixelIndex(0, 0), 0);
    EXPECT_EQ(image.pixelIndex(7, 100), (200 * 62) >> 8);
    EXPECT_EQ(image.pixelIndex(1023, 1023), ((2046 * 62) & 0xFFFF) >> 8);  // the ramp wraps at 16 bits
}

TEST_F(DisplayGuiTest, FalseColourAndOddWidthsReadBack) {
    SetImage(1001, 7, 0);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 1001; ++x) Px(x, y) = uint16_t(((x + y) & 255) << 8);
    ViewOptions().falseColour = true;
    RedrawImage();
    QImage image = ReadBitmap(MapPath(State().geometry.bitmapName));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 500);
    EXPECT_EQ(image.height(), 3);
    EXPECT_EQ(image.color(100) & 0xFFFFFF, qRgb(100, 100 * 100 / 256, 0) & 0xFFFFFF);
    EXPECT_EQ(image.color(250) & 0xFFFFFF, qRgb(250, 250, 250) & 0xFFFFFF);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 500; ++x) ASSERT_EQ(image.pixelIndex(x, y), (2 * x + 2 * y) & 255);

    SetBinnedDisplay(false);
    RedrawImage();
    image = ReadBitmap(MapPath(State().geometry.bitmapName));
    EXPECT_EQ(image.width(), 1001);  // rows padded to 1004 bytes
    EXPECT_EQ(image.height(), 7);
    EXPECT_EQ(image.pixelIndex(1000, 6), (1000 + 6) & 255);

    ViewOptions().focusLoopRunning = true;
    RedrawImage();
    image = ReadBitmap(MapPath(State().geometry.focusBitmapName));
    EXPECT_EQ(image.width(), 128);
    EXPECT_EQ(image.height(), 128);
}

TEST_F(DisplayGuiTest, ViewPaintsOneToOneScrolledWithMargins) {
    SetBinnedDisplay(false);
    SetImage(100, 80, 0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) Px(x, y) = uint16_t((x + 2 * y) << 8);
    State().settings.windowBackground = 'r';
    TImageView view;
    view.resize(300, 200);
    view.show();
    RedrawImage();
    QImage shot = Shot(view);
    EXPECT_EQ(At(shot, 10, 20), qRgb(50, 50, 50) & 0xFFFFFF);
    EXPECT_EQ(At(shot, 150, 20), qRgb(120, 40, 40) & 0xFFFFFF);  // right margin
    EXPECT_EQ(At(shot, 20, 150), qRgb(120, 40, 40) & 0xFFFFFF);  // below
    // The scroll range is 0: the picture is smaller than the client.
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);

    // Centred: offset (300 - 100) / 2, (200 - 80) / 2.
    RunCommand(cmd::kCentreImage);
    shot = Shot(view);
    EXPECT_EQ(At(shot, 100 + 10, 60 + 20), qRgb(50, 50, 50) & 0xFFFFFF);
    EXPECT_EQ(At(shot, 99, 60), qRgb(120, 40, 40) & 0xFFFFFF);
    EXPECT_EQ(view.CurrentView().centreImage, true);

    // Fit: 100 x 80 stretched to the client, no blending.
    RunCommand(cmd::kFitToWindow);
    EXPECT_FALSE(ViewOptions().centreImage);
    shot = Shot(view);
    EXPECT_EQ(At(shot, 150, 100), qRgb(50 + 80, 50 + 80, 50 + 80) & 0xFFFFFF);
    RunCommand(cmd::kFitToWindow);

    // A larger picture scrolls: range = displayed - client.
    SetImage(500, 400, 0);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) Px(x, y) = uint16_t(((x / 2 + y / 2) & 255) << 8);
    RunCommand(cmd::kCentreImage);  // off again
    RedrawImage();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 500 - view.viewport()->width());
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 400 - view.viewport()->height());
    view.horizontalScrollBar()->setValue(40);
    view.verticalScrollBar()->setValue(30);
    shot = Shot(view);
    const int v = ((40 + 10) / 2 + (30 + 6) / 2) & 255;
    EXPECT_EQ(At(shot, 10, 6), qRgb(v, v, v) & 0xFFFFFF);
    view.AdjustScroller(true);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
}

TEST_F(DisplayGuiTest, PaintRunsTheBackgroundEstimateAndOverlays) {
    SetBinnedDisplay(false);
    SetImage(120, 100, 33 << 8);
    TImageView view;
    view.resize(300, 200);
    view.show();
    ViewOptions().showImageCentre = true;
    RedrawImage();
    BlackPoint() = 0;
    QImage shot = Shot(view);
    EXPECT_EQ(BlackPoint(), (33 + 0 + 1) / 3);
    EXPECT_EQ(At(shot, 60 + 30, 50), qRgb(255, 0, 0) & 0xFFFFFF);  // centre cross arm
    EXPECT_EQ(At(shot, 60, 50 - 40), qRgb(255, 0, 0) & 0xFFFFFF);

    PickState& pick = Picking();
    pick.modes.guideStarPick = true;
    pick.guideStarPicked = true;
    pick.guideStarX = 30;
    pick.guideStarY = 40;
    pick.guideSearchRadius = 11;
    shot = Shot(view);
    EXPECT_EQ(At(shot, 30 + 20, 40), qRgb(0, 255, 0) & 0xFFFFFF);
    EXPECT_TRUE(pick.centroidRefine);
    EXPECT_EQ(pick.maskRadius, 11);
}

TEST_F(DisplayGuiTest, MouseReleaseGoesThroughPicking) {
    SetBinnedDisplay(false);
    SetImage(400, 300, 1000);
    TImageView view;
    view.resize(200, 150);
    view.show();
    RedrawImage();
    view.horizontalScrollBar()->setValue(50);
    Picking().modes.rowProfile = true;
    view.verticalScrollBar()->setValue(20);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 40), view.viewport()->mapToGlobal(QPointF(30, 40)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &release);
    EXPECT_EQ(Picking().profileRow, 60);
    view.horizontalScrollBar()->setValue(0);
    QMouseEvent edge(QEvent::MouseButtonRelease, QPointF(1, 40), view.viewport()->mapToGlobal(QPointF(1, 40)),
                     Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &edge);
    EXPECT_EQ(MessageTexts().back(), "Sorry, outside Image area - try again");
}

TEST_F(DisplayGuiTest, ViewCommandsCarryCheckMarks) {
    EXPECT_TRUE(IsCommandChecked(cmd::kBinHighResDisplay));
    EXPECT_TRUE(RunCommand(cmd::kBinHighResDisplay));
    EXPECT_FALSE(IsCommandChecked(cmd::kBinHighResDisplay));
    for (int id : {cmd::kFalseColour, cmd::kAutoContrast, cmd::kFitToWindow,
                   cmd::kCentreImage}) {
        EXPECT_FALSE(IsCommandChecked(id)) << id;
        EXPECT_TRUE(RunCommand(id)) << id;
        EXPECT_TRUE(IsCommandChecked(id)) << id;
    }
    EXPECT_FALSE(IsCommandChecked(cmd::kFitToWindow));  // centre turned it off
    EXPECT_FALSE(IsCommandChecked(cmd::kStretchDisplayOn));
    RunCommand(cmd::kStretchDisplayOn);
    EXPECT_TRUE(IsCommandChecked(cmd::kStretchDisplayOn));
    RunCommand(cmd::kStretchDisplayOff);
    EXPECT_FALSE(ViewOptions().stretchDisplay);
    for (int id : {302, 304, 127, 123, 1906, 1907}) EXPECT_TRUE(IsCommandEnabled(id)) << id;
}

TEST_F(DisplayGuiTest, StretchDialogDrivesPowerBlackLevelAndActivate) {
    ASSERT_TRUE(RunCommand(cmd::kMaxPaletteStretch));
    TMaxDialog* dialog = TMaxDialog::Instance();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Stretch Display");
    RunCommand(cmd::kMaxPaletteStretch);
    EXPECT_EQ(TMaxDialog::Instance(), dialog);  // open once

    auto* power = FindControl<QScrollBar>(dialog, display_cmd::kStretchPowerScroll);
    auto* powerText = FindControl<QLineEdit>(dialog, display_cmd::kStretchPowerEdit);
    auto* black = FindControl<QScrollBar>(dialog, display_cmd::kStretchBlackScroll);
    auto* blackText = FindControl<QLineEdit>(dialog, display_cmd::kStretchBlackEdit);
    auto* activate = FindControl<QCheckBox>(dialog, display_cmd::kStretchActivate);
    ASSERT_TRUE(power && powerText && black && blackText && activate);
    EXPECT_EQ(powerText->text(), "25");
    EXPECT_EQ(blackText->text(), "0");
    EXPECT_FALSE(activate->isChecked());

    power->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(ViewOptions().stretchPower, 24);
    EXPECT_EQ(powerText->text(), "24");
    power->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(ViewOptions().stretchPower, 50);
    power->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ViewOptions().stretchPower, 50);
    power->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(ViewOptions().stretchPower, 2);
    EXPECT_EQ(power->value(), 2);

    black->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(ViewOptions().stretchBlackLevel, 250);
    black->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(ViewOptions().stretchBlackLevel, 249);
    EXPECT_EQ(blackText->text(), "249");
    ASSERT_NE(CurrentDisplayBitmap(), nullptr);  // every change redraws

    activate->click();
    EXPECT_TRUE(ViewOptions().stretchDisplay);
    EXPECT_TRUE(activate->isChecked());
    RunCommand(cmd::kStretchDisplayOff);
    EXPECT_FALSE(activate->isChecked());
}
