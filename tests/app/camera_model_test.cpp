// Applying a camera model to the geometry ("Set Camera Type").
#include <cmath>

#include "core/camera_models.h"
#include "core/state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class CameraModelTest : public VelmoraTest {
protected:
    void Apply(int code) {
        State().geometry.modelCode = int16_t(code);
        ApplyCameraModel();
    }
};

TEST_F(CameraModelTest, ModelSevenFillsTheBufferAndHalvesWhenBinned) {
    Apply(7);
    const ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.sensorWidth, 4904);
    EXPECT_EQ(g.sensorHeight, 3280);
    EXPECT_EQ(g.width, 4904);
    EXPECT_EQ(g.height, 3280);
    EXPECT_LE(size_t(g.width) * size_t(g.height), kImageCapacity);
    EXPECT_EQ(g.readBlocks, 16);
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0074);
    EXPECT_EQ(g.bitmapName, "c:\\Autosave\\Velmora_Maple.bmp");
    EXPECT_EQ(g.focusBitmapName, "c:\\Autosave\\Velmora_Maplef.bmp");
    EXPECT_EQ(g.guiderBitmapName, "c:\\Autosave\\Velmora_Mapleg.bmp");
    EXPECT_EQ(g.hotPixelMapName, "Velmora_Maple_HPM");
    // Sub-frame and focus frame go to the sensor centre.
    EXPECT_EQ(g.subFrameBinning, 2);
    EXPECT_EQ(g.subFrameCentreX, 2452);
    EXPECT_EQ(g.subFrameCentreY, 1640);
    EXPECT_EQ(g.focusOriginX, 2452 - 64);
    EXPECT_EQ(g.focusOriginY, 1640 - 64);

    State().geometry.binned = true;
    RecomputeGeometry();
    EXPECT_EQ(g.width, 2452);
    EXPECT_EQ(g.height, 1640);
    EXPECT_NEAR(g.pixelWidthMm * 1000, 14.8, 1e-9);
    EXPECT_NEAR(g.pixelHeightMm * 1000, 14.8, 1e-9);
    EXPECT_EQ(g.focusHalfSize, 32);
}

TEST_F(CameraModelTest, ModelThreeKeepsTheGeometry) {
    Apply(2);
    const ImageGeometry before = State().geometry;
    Apply(3);
    const ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.modelCode, 3);
    EXPECT_EQ(g.sensorWidth, 1392);
    EXPECT_EQ(g.sensorHeight, 1040);
    EXPECT_EQ(g.width, before.width);
    EXPECT_EQ(g.height, before.height);
    EXPECT_EQ(g.bitmapName, before.bitmapName);
    EXPECT_EQ(g.hotPixelMapName, before.hotPixelMapName);
    EXPECT_EQ(CameraDialogCaption(3), "Velmora_Cedar Camera Control");
    EXPECT_EQ(CameraDialogCaption(2), "Velmora_Birch Camera Control");
}

TEST_F(CameraModelTest, ModelOneKeepsThePreviousHotPixelMapName) {
    EXPECT_EQ(State().geometry.hotPixelMapName, "QMono_HPM");
    Apply(1);
    EXPECT_EQ(State().geometry.hotPixelMapName, "QMono_HPM");
    EXPECT_EQ(State().geometry.width, 1304);
    EXPECT_EQ(State().geometry.height, 1024);
    Apply(5);
    EXPECT_EQ(State().geometry.hotPixelMapName, "Velmora_Hazel_HPM");
    Apply(1);
    EXPECT_EQ(State().geometry.hotPixelMapName, "Velmora_Hazel_HPM");
    EXPECT_EQ(State().geometry.bitmapName, "c:\\Autosave\\Velmora_Alder.bmp");
}

TEST_F(CameraModelTest, ApplyingSavesTheSettingsFile) {
    ASSERT_TRUE(EnsureDirectory(MapPath("c:\\autosave", true)));
    EXPECT_FALSE(FileExists(HomePath("autosave/Velmora.ini")));
    Apply(9);
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
    EXPECT_EQ(State().geometry.width, 1940);
    EXPECT_EQ(State().geometry.height, 1460);
}

TEST_F(CameraModelTest, EveryModelFitsTheBuffers) {
    for (const CameraModel& model : CameraModels()) {
        Apply(model.code);
        EXPECT_LE(size_t(State().geometry.width) * size_t(State().geometry.height), kImageCapacity) << model.code;
        EXPECT_EQ(State().geometry.width, model.sensorWidth);
    }
}

}  // namespace
