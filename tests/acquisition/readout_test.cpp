// The read-out rules on plain buffers: request choice, register clears,
// windows per mode and every assembly rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "acquisition/readout.h"

namespace {

TEST(ReadRequestChoice, CameraTimesUpTo1000AndHostTimesFrom1001) {
    const ReadRequestChoice at1000 = ChooseReadRequest(1000, false, false);
    EXPECT_EQ(at1000.code, 2);
    EXPECT_EQ(at1000.length, 14);
    EXPECT_EQ(at1000.exposureBytes & 0xFF, 0xE8);
    EXPECT_EQ(at1000.exposureBytes >> 8, 0x03);
    EXPECT_EQ(at1000.writeSize, 22);
    EXPECT_EQ(at1000.value, 3);
    EXPECT_FALSE(HostTimesExposure(1000, false));

    const ReadRequestChoice at1001 = ChooseReadRequest(1001, false, false);
    EXPECT_EQ(at1001.code, 3);
    EXPECT_EQ(at1001.length, 10);
    EXPECT_EQ(at1001.exposureBytes, 0);
    EXPECT_EQ(at1001.writeSize, 18);
    EXPECT_TRUE(HostTimesExposure(1001, false));
}

TEST(ReadRequestChoice, TriggerLimits) {
    EXPECT_EQ(ChooseReadRequest(6000, true, false).code, 18);
    EXPECT_EQ(ChooseReadRequest(6000, true, false).exposureBytes, 6000);
    EXPECT_EQ(ChooseReadRequest(6001, true, false).code, 3);
    EXPECT_EQ(ChooseReadRequest(10, true, false).code, 18);
    EXPECT_FALSE(HostTimesExposure(6000, true));
    // Too long for the camera's trigger read: the host times it.
    EXPECT_TRUE(HostTimesExposure(6001, true));
}

TEST(ReadRequestChoice, DarkReadValueOnlyOnCameraTimedReads) {
    EXPECT_EQ(ChooseReadRequest(500, false, true).value, 0x8003);
    EXPECT_EQ(ChooseReadRequest(5000, false, true).value, 3);
}

TEST(ExposureTiming, RegisterClearTimesAndProgressSteps) {
    // A 4 s exposure ends before its first clear; a 10 s one clears 2 s before its end.
    EXPECT_EQ(FirstRegisterClearMs(4000), 4005u);
    EXPECT_EQ(FirstRegisterClearMs(5000), 5005u);
    EXPECT_EQ(FirstRegisterClearMs(5001), 3001u);
    EXPECT_EQ(FirstRegisterClearMs(10000), 8000u);
    EXPECT_EQ(kRegisterClearStepMs, 2005u);
    EXPECT_EQ(ProgressSteps('s', 4), 2);
    EXPECT_EQ(ProgressSteps('s', 5), 6);
    EXPECT_EQ(ProgressSteps('s', 12), 6);
    EXPECT_EQ(ProgressSteps('s', 13), 20);
    EXPECT_EQ(ProgressSteps('m', 1), 20);
    EXPECT_EQ(ProgressSteps('t', 50), 2);
}

TEST(ExposureUnits, FactorsAndUnitPicks) {
    EXPECT_EQ(ExposureMs('q', 7), 7);
    EXPECT_EQ(ExposureMs('h', 7), 70);
    EXPECT_EQ(ExposureMs('t', 7), 700);
    EXPECT_EQ(ExposureMs('s', 7), 7000);
    EXPECT_EQ(ExposureMs('m', 2), 120000);
    EXPECT_EQ(ExposureMs('x', 2), 2000);
    CameraSettings cam;
    cam.exposureValue = 77;
    PickExposureUnit(cam, 't');
    EXPECT_EQ(cam.exposureValue, 5);
    EXPECT_EQ(cam.exposureMaximum, 100);
    PickExposureUnit(cam, 'q');
    EXPECT_EQ(cam.exposureMaximum, 500);
    EXPECT_EQ(cam.exposureValue, 5);
    PickExposureUnit(cam, 'h');
    EXPECT_EQ(cam.exposureMaximum, 500);
    PickExposureUnit(cam, 's');
    EXPECT_EQ(cam.exposureMaximum, 300);
    EXPECT_EQ(cam.exposureValue, 1);
    PickExposureUnit(cam, 'm');
    EXPECT_EQ(cam.exposureMaximum, 90);
    EXPECT_EQ(cam.exposureValue, 1);
}

TEST(ModeWindows, EveryModeOnTheSensor) {
    // 3 x 3 of a 1392 x 1040 sensor: 1392 x 1038 asked, 464 x 346 received.
    const ReadWindow w3 = ModeWindow(kModeBin3, 1392, 1040, 696, 520, 2, 0, 0);
    EXPECT_EQ(w3.width, 1392);
    EXPECT_EQ(w3.height, 1038);
    EXPECT_EQ(w3.binX, 3);
    EXPECT_EQ(w3.ReplyWidth(), 464);
    EXPECT_EQ(w3.ReplyHeight(), 346);

    const ReadWindow w1 = ModeWindow(kModeHighRes, 2048, 2048, 2048, 2048, 2, 0, 0);
    EXPECT_EQ(w1.ReplyPixels(), 2048u * 2048);
    const ReadWindow w2 = ModeWindow(kModeBin2, 2048, 2048, 1024, 1024, 2, 0, 0);
    EXPECT_EQ(w2.ReplyPixels() * 2, 1024u * 1024 * 2);  // W*H*2 bytes
    const ReadWindow w4 = ModeWindow(kModeBin4, 2048, 2048, 1024, 1024, 2, 0, 0);
    EXPECT_EQ(w4.ReplyPixels() * 2, 1024u * 1024 / 2);  // W*H/2 bytes
    const ReadWindow w8 = ModeWindow(kModeBin8, 2048, 2048, 1024, 1024, 2, 0, 0);
    EXPECT_EQ(w8.ReplyPixels() * 2, 1024u * 1024 / 8);  // W*H/8 bytes
    const ReadWindow w16 = ModeWindow(kModeBin8x16, 2048, 2048, 1024, 1024, 2, 0, 0);
    EXPECT_EQ(w16.x, w8.x);
    EXPECT_EQ(w16.width, w8.width);
    EXPECT_EQ(w16.height, w8.height);
    EXPECT_EQ(w16.binX, w8.binX);
    EXPECT_EQ(w16.binY, w8.binY);
}

TEST(ModeWindows, UserSubFrameByDivisor) {
    // 1/2: a W x H window centred on the sub-frame centre.
    ReadWindow w = ModeWindow(kModeSubFrame, 2048, 2048, 1024, 1024, 2, 1024, 1024);
    EXPECT_EQ(w.width, 1024);
    EXPECT_EQ(w.x, 512);
    EXPECT_EQ(w.y, 512);
    EXPECT_EQ(w.binX, 1);
    // 1/3 and 1/4: sensor / 3 and sensor / 4, centred on the centre.
    w = ModeWindow(kModeSubFrame, 1392, 1040, 696, 520, 3, 696, 520);
    EXPECT_EQ(w.width, 464);
    EXPECT_EQ(w.height, 346);
    EXPECT_EQ(w.x, 696 - 232);
    EXPECT_EQ(w.y, 520 - 173);
    w = ModeWindow(kModeSubFrame, 1392, 1040, 696, 520, 4, 696, 520);
    EXPECT_EQ(w.width, 348);
    EXPECT_EQ(w.height, 260);
    // A centre near the edge keeps the window on the sensor.
    w = ModeWindow(kModeSubFrame, 1392, 1040, 696, 520, 3, 1390, 1039);
    EXPECT_EQ(w.x + w.width, 1392);
    EXPECT_EQ(w.y + w.height, 1040);
    w = ModeWindow(kModeSubFrame, 1392, 1040, 696, 520, 2, 0, 0);
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 0);
}

TEST(ModeWindows, FocusWindow) {
    ReadWindow w = FocusWindow(960, 960, false, 2048, 2048);
    EXPECT_EQ(w.x, 960);
    EXPECT_EQ(w.width, 128);
    EXPECT_EQ(w.binX, 1);
    EXPECT_EQ(w.ReplyPixels(), 128u * 128);
    w = FocusWindow(960, 30, true, 2048, 2048);
    EXPECT_EQ(w.x, 896);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.width, 256);
    EXPECT_EQ(w.binX, 2);
    EXPECT_EQ(w.ReplyPixels(), 128u * 128);
    w = FocusWindow(2000, 2000, false, 2048, 2048);
    EXPECT_EQ(w.x, 2048 - 128);
}

TEST(Assembly, Expand2x) {
    const std::vector<Pixel> src = {10, 20, 31, 100, 200, 300};
    std::vector<Pixel> dst(6 * 4, 7777);
    Expand2x(dst.data(), 6, 4, src.data(), 3, 2);
    const std::vector<Pixel> expected = {
        10, 15, 20, 25, 31, 31,           //
        55, 82, 110, 137, 165, 165,       //
        100, 150, 200, 250, 300, 300,     //
        100, 150, 200, 250, 300, 300,     //
    };
    EXPECT_EQ(dst, expected);
}

TEST(Assembly, Expand4x) {
    const std::vector<Pixel> src = {30, 90, 300, 600};
    std::vector<Pixel> dst(8 * 8, 7777);
    Expand4x(dst.data(), 8, 8, src.data(), 2, 2);
    const std::vector<Pixel> row0 = {30, 30, 50, 70, 90, 90, 90, 90};
    const std::vector<Pixel> row4 = {300, 300, 400, 500, 600, 600, 600, 600};
    EXPECT_EQ(std::vector<Pixel>(dst.begin(), dst.begin() + 8), row0);
    EXPECT_EQ(std::vector<Pixel>(dst.begin() + 32, dst.begin() + 40), row4);
    for (int x = 0; x < 8; ++x) {
        const int a = row0[x], b = row4[x];
        EXPECT_EQ(dst[8 + x], b / 3 + 2 * a / 3) << x;
        EXPECT_EQ(dst[16 + x], a / 2 + b / 2) << x;
        EXPECT_EQ(dst[24 + x], a / 3 + 2 * b / 3) << x;
        for (int y = 5; y < 8; ++y) EXPECT_EQ(dst[y * 8 + x], row4[x]) << y;
    }
    EXPECT_EQ(dst[8], 120);
    EXPECT_EQ(dst[16], 165);
    EXPECT_EQ(dst[24], 210);
}

TEST(Assembly, Bilinear3x3) {
    const std::vector<Pixel> src = {0, 100, 200};
    std::vector<Pixel> dst(6 * 2);
    Bilinear3x3(dst.data(), 6, 2, src.data(), 3, 1);
    const std::vector<Pixel> expected = {0, 50, 100, 150, 200, 200, 0, 50, 100, 150, 200, 200};
    EXPECT_EQ(dst, expected);
    // Values at full scale stay at 65535; nothing reads outside the source.
    const std::vector<Pixel> bright(464 * 346, 65535);
    std::vector<Pixel> out(696 * 520, 0);
    Bilinear3x3(out.data(), 696, 520, bright.data(), 464, 346);
    for (Pixel p : out) ASSERT_EQ(p, 65535);
    // Vertical blending by the fractional part.
    const std::vector<Pixel> column = {0, 1000};
    std::vector<Pixel> tall(1 * 4);
    Bilinear3x3(tall.data(), 1, 4, column.data(), 1, 2);
    EXPECT_EQ(tall, (std::vector<Pixel>{0, 500, 1000, 1000}));
}

TEST(Assembly, ColumnPairCorrection) {
    const int W = 20, H = 2;
    std::vector<Pixel> img(W * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < 16; ++x) img[y * W + x] = (x & 1) ? 16 : 8;
    img[16] = 2000;   // even column, level 8
    img[17] = 500;    // odd column, level 16: below 1000 - 16
    img[18] = 65000;  // would pass 65535 after the offset
    img[19] = 984;    // exactly 1000 - 16: kept
    img[W + 16] = 2000;  // second row: even level (8 + 64) / 8 = 9
    img[W + 17] = 2000;  // odd level (16 + 128) / 8 = 18
    ColumnPairCorrection(img.data(), W, H);
    EXPECT_EQ(img[16], 2992);
    EXPECT_EQ(img[17], 0);
    EXPECT_EQ(img[18], 65535);
    EXPECT_EQ(img[19], 984 - 16 + 1000);
    EXPECT_EQ(img[W + 16], 2000 - 9 + 1000);
    EXPECT_EQ(img[W + 17], 2000 - 18 + 1000);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(img[x], (x & 1) ? 16 : 8);
}

TEST(Assembly, UnexpandedFourByFourIsCentredWithZeroMargins) {
    // A 4 x 4 read of a 2048 x 2048 sensor: 512 x 512 in the centre of the
    // 1024 x 1024 frame with 256-pixel zero margins.
    const ReadWindow w = ModeWindow(kModeBin4, 2048, 2048, 1024, 1024, 2, 0, 0);
    std::vector<uint8_t> bytes(w.ReplyPixels() * 2);
    for (size_t i = 0; i < w.ReplyPixels(); ++i) {
        bytes[2 * i] = uint8_t(i);
        bytes[2 * i + 1] = uint8_t(1 + (i >> 8) % 200);
    }
    std::vector<Pixel> image(1024 * 1024, 9), scratch(w.ReplyPixels()), raw(w.ReplyPixels());
    const AssemblyInfo info =
        AssembleReadout(kModeBin4, bytes.data(), w, image.data(), 1024, 1024, scratch.data(), raw.data(), true, 4);
    EXPECT_EQ(info.binningMode, 14);
    EXPECT_EQ(info.rawWidth, 512);
    EXPECT_EQ(info.rawHeight, 512);
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x) {
            const bool inside = x >= 256 && x < 768 && y >= 256 && y < 768;
            const Pixel v = image[size_t(y) * 1024 + x];
            if (!inside) {
                ASSERT_EQ(v, 0) << x << "," << y;
            } else {
                const size_t i = size_t(y - 256) * 512 + (x - 256);
                ASSERT_EQ(v, Pixel(bytes[2 * i] | bytes[2 * i + 1] << 8));
            }
        }
    EXPECT_EQ(raw[0], Pixel(bytes[0] | bytes[1] << 8));
    // 3 x 3 and 8 x 8 unexpanded: modes 13 and 14.
    const ReadWindow w3 = ModeWindow(kModeBin3, 1392, 1040, 696, 520, 2, 0, 0);
    std::vector<uint8_t> b3(w3.ReplyPixels() * 2, 1);
    std::vector<Pixel> i3(696 * 520), s3(w3.ReplyPixels());
    EXPECT_EQ(AssembleReadout(kModeBin3, b3.data(), w3, i3.data(), 696, 520, s3.data(), nullptr, true, 2).binningMode,
              13);
    EXPECT_EQ(i3[0], 0);
    EXPECT_EQ(i3[size_t(260) * 696 + 348], 257);
    const ReadWindow w8 = ModeWindow(kModeBin8, 2048, 2048, 1024, 1024, 2, 0, 0);
    std::vector<uint8_t> b8(w8.ReplyPixels() * 2, 1);
    std::vector<Pixel> i8(1024 * 1024), s8(w8.ReplyPixels());
    const AssemblyInfo info8 =
        AssembleReadout(kModeBin8, b8.data(), w8, i8.data(), 1024, 1024, s8.data(), nullptr, true, 4);
    EXPECT_EQ(info8.binningMode, 14);
    EXPECT_EQ(info8.rawWidth, 256);
    EXPECT_EQ(i8[size_t(383) * 1024 + 383], 0);
    EXPECT_EQ(i8[size_t(384) * 1024 + 384], 257);
}

TEST(Assembly, HighResolutionCorrectionOnlyForModel1) {
    const ReadWindow w = ModeWindow(kModeHighRes, 32, 2, 32, 2, 2, 0, 0);
    std::vector<uint8_t> bytes(w.ReplyPixels() * 2, 0);
    for (size_t i = 0; i < w.ReplyPixels(); ++i) bytes[2 * i + 1] = 0x10;  // 4096
    std::vector<Pixel> image(64), scratch(64);
    AssembleReadout(kModeHighRes, bytes.data(), w, image.data(), 32, 2, scratch.data(), nullptr, false, 4);
    EXPECT_EQ(image[20], 4096);
    AssembleReadout(kModeHighRes, bytes.data(), w, image.data(), 32, 2, scratch.data(), nullptr, false, 1);
    EXPECT_EQ(image[5], 4096);
    EXPECT_EQ(image[20], 4096 - 4096 + 1000);
}

TEST(Assembly, SubFrameCentredInTheFrame) {
    const ReadWindow w = ModeWindow(kModeSubFrame, 16, 8, 8, 4, 4, 8, 4);  // 4 x 2 window
    std::vector<uint8_t> bytes(w.ReplyPixels() * 2, 0);
    for (size_t i = 0; i < w.ReplyPixels(); ++i) bytes[2 * i] = uint8_t(i + 1);
    std::vector<Pixel> image(8 * 4, 5), scratch(8);
    AssembleReadout(kModeSubFrame, bytes.data(), w, image.data(), 8, 4, scratch.data(), nullptr, false, 4);
    const std::vector<Pixel> expected = {0, 0, 0, 0, 0, 0, 0, 0,  //
                                         0, 0, 1, 2, 3, 4, 0, 0,  //
                                         0, 0, 5, 6, 7, 8, 0, 0,  //
                                         0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image, expected);
}

TEST(ReadoutCaptions, ModelTextsAndRemainingCount) {
    const std::string texts[3] = {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 5-6 seconds"};
    EXPECT_EQ(ReadoutCaption(kModeHighRes, 2000, false, 1, texts), "READING Tessel CAMERA - takes 5-6 seconds");
    EXPECT_EQ(ReadoutCaption(kModeBin2, 2000, false, 1, texts), "READING Tessel CAMERA - takes 3-4 seconds");
    EXPECT_EQ(ReadoutCaption(kModeSubFrame, 2000, false, 0, texts), "READING Tessel CAMERA - takes 3-4 seconds");
    EXPECT_EQ(ReadoutCaption(kModeBin8, 2000, false, 1, texts), "READING Tessel CAMERA - takes 2-3 seconds");
    EXPECT_EQ(ReadoutCaption(kModeBin4, 2000, false, 3, texts), "READING Tessel CAMERA (Left - 3)");
    EXPECT_EQ(ReadoutCaption(kModeBin4, 5999, true, 1, texts), "WAIT ON TRIGGER AND READ CAMERA - takes 2-3 seconds");
    EXPECT_EQ(ReadoutCaption(kModeBin4, 6000, true, 1, texts), "READING Tessel CAMERA - takes 2-3 seconds");
    EXPECT_EQ(LeftSuffix(1), "");
    EXPECT_EQ(LeftSuffix(2), " (Left - 2)");
}

TEST(Assembly, ShortBytesLeaveTheRest) {
    std::vector<Pixel> dst(4, 42);
    const uint8_t bytes[3] = {1, 0, 2};
    BytesToPixels(dst.data(), bytes, 3, 4);
    EXPECT_EQ(dst, (std::vector<Pixel>{1, 42, 42, 42}));
}

}  // namespace
