// Every camera request block byte for byte, the read-request choice, and the
// reply decoders.
#include <gtest/gtest.h>

#include "devices/camera_protocol.h"

namespace {

using B = Block;

FrameRequest Frame(uint16_t x, uint16_t y, uint16_t w, uint16_t h, uint8_t bx, uint8_t by, uint32_t e = 0,
                   uint16_t head = 0) {
    FrameRequest f;
    f.xOffset = x;
    f.yOffset = y;
    f.width = w;
    f.height = h;
    f.xBin = bx;
    f.yBin = by;
    f.exposureMs = e;
    f.head = head;
    return f;
}

TEST(CameraBlocks, ShortRequests) {
    EXPECT_EQ(BuildEcho(), (B{0x40, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(BuildClearPixels(8), (B{0x40, 1, 8, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildClearPixels(0), (B{0x40, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildSetGuideOutputs(kRelayNorth | kRelayWest), (B{0x40, 9, 5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildSetGuideOutputs(0), (B{0x40, 9, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildGetCoolerTemperature(), (B{0x40, 31, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildShutterControl(true), (B{0x40, 32, 0, 64, 0, 0, 0, 0}));
    EXPECT_EQ(BuildShutterControl(false), (B{0x40, 32, 0, 128, 0, 0, 0, 0}));
    EXPECT_EQ(BuildGetFirmwareVersion(), (B{0x40, 255, 0, 0, 0, 0, 0, 0}));
    const uint8_t data[4] = {1, 2, 3, 254};
    EXPECT_EQ(BuildEchoTest(data), (B{0x40, 0, 0, 0, 0, 0, 4, 0, 1, 2, 3, 254}));
}

TEST(CameraBlocks, RelayBits) {
    EXPECT_EQ(kRelayWest, 1);
    EXPECT_EQ(kRelaySouth, 2);
    EXPECT_EQ(kRelayNorth, 4);
    EXPECT_EQ(kRelayEast, 8);
}

TEST(CameraBlocks, CameraTimedReadAt1000ms) {
    // E = 1000: request 2, length 14, exposure bytes E8 03, 22 bytes.
    const B b = BuildExposureRead(Frame(0, 0, 2048, 2048, 1, 1, 1000), false);
    EXPECT_EQ(b, (B{0x40, 2, 3, 0, 0, 0, 14, 0,
                    0, 0, 0, 0, 0x00, 0x08, 0x00, 0x08, 1, 1, 0xE8, 0x03, 0, 0}));
}

TEST(CameraBlocks, HostTimedReadAt1001ms) {
    const B b = BuildExposureRead(Frame(0, 0, 2048, 2048, 1, 1, 1001), false);
    EXPECT_EQ(b, (B{0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0x00, 0x08, 0x00, 0x08, 1, 1}));
}

TEST(CameraBlocks, TriggeredReads) {
    const B at6000 = BuildExposureRead(Frame(0, 0, 1392, 1040, 2, 2, 6000), true);
    EXPECT_EQ(at6000, (B{0x40, 18, 3, 0, 0, 0, 14, 0,
                         0, 0, 0, 0, 0x70, 0x05, 0x10, 0x04, 2, 2, 0x70, 0x17, 0, 0}));
    const B at6001 = BuildExposureRead(Frame(0, 0, 1392, 1040, 2, 2, 6001), true);
    EXPECT_EQ(at6001.size(), 18u);
    EXPECT_EQ(at6001[1], kReadPixels);
    EXPECT_EQ(at6001[6], 10);
    // With the trigger a short exposure also uses 18.
    EXPECT_EQ(BuildExposureRead(Frame(0, 0, 8, 8, 1, 1, 10), true)[1], kReadPixelsTriggered);
}

TEST(CameraBlocks, ReadRequestChoice) {
    EXPECT_EQ(ReadRequestFor(0, false), kReadPixelsDelayed);
    EXPECT_EQ(ReadRequestFor(1000, false), kReadPixelsDelayed);
    EXPECT_EQ(ReadRequestFor(1001, false), kReadPixels);
    EXPECT_EQ(ReadRequestFor(5999, false), kReadPixels);
    EXPECT_EQ(ReadRequestFor(1001, true), kReadPixelsTriggered);
    EXPECT_EQ(ReadRequestFor(6000, true), kReadPixelsTriggered);
    EXPECT_EQ(ReadRequestFor(6001, true), kReadPixels);
    EXPECT_TRUE(CameraTimesExposure(1000, false));
    EXPECT_FALSE(CameraTimesExposure(1001, false));
}

TEST(CameraBlocks, DarkShutterValueOnlyOnCameraTimedRead) {
    const B dark = BuildExposureRead(Frame(0, 0, 3326, 2504, 1, 1, 500), false, true);
    EXPECT_EQ(dark[2], 0x03);
    EXPECT_EQ(dark[3], 0x80);
    const B host = BuildExposureRead(Frame(0, 0, 3326, 2504, 1, 1, 2000), false, true);
    EXPECT_EQ(host[2], 0x03);
    EXPECT_EQ(host[3], 0x00);
}

TEST(CameraBlocks, ExposureBytesCarryLow16BitsOnly) {
    const B b = BuildExposureRead(Frame(0, 0, 8, 8, 1, 1, 0x12345), true);
    // 0x12345 > 6000: host-timed, exposure bytes absent.
    EXPECT_EQ(b.size(), 18u);
    uint8_t data[14];
    PutParameters(data, Frame(1, 2, 3, 4, 5, 6, 0x12345));
    EXPECT_EQ(B(data, data + 14), (B{1, 0, 2, 0, 3, 0, 4, 0, 5, 6, 0x45, 0x23, 0, 0}));
}

TEST(CameraBlocks, PlainReadsAndGuiderHead) {
    // Sub-frame read with offsets.
    EXPECT_EQ(BuildReadPixels(Frame(0x0102, 0x0304, 128, 128, 1, 1)),
              (B{0x40, 3, 3, 0, 0, 0, 10, 0, 0x02, 0x01, 0x04, 0x03, 128, 0, 128, 0, 1, 1}));
    // Guider frame: head 1, 500 x 290; the exposure is in the parameters but
    // only 18 bytes go out.
    EXPECT_EQ(BuildReadPixels(Frame(0, 0, 500, 290, 2, 2, 700, 1)),
              (B{0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 0x22, 0x01, 2, 2}));
}

TEST(CameraBlocks, FrameReplySizes) {
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 2048, 2048, 1, 1)), 2048u * 2048 * 2);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 2048, 2048, 2, 2)), 1024u * 1024 * 2);
    // 3 x 3 of a 1392 x 1040 sensor asks for 1392 x 1038 and gets 464 x 346.
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 1392, 1038, 3, 3)), 464u * 346 * 2);
    // Flush read: W x H / 8 bytes.
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 2048, 2048, 4, 4)), 2048u * 2048 / 8);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 500, 290, 1, 1, 0, 1)), 145000u);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 500, 290, 2, 2, 0, 1)), 36250u);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 500, 1, 1, 1, 0, 1)), 500u);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 128, 128, 1, 1)), 32768u);
    EXPECT_EQ(FrameReplyBytes(Frame(0, 0, 8, 8, 0, 1)), 0u);  // a zero bin asks for nothing
}

TEST(CameraBlocks, SerialPortRequests) {
    const std::string text = "#:GR#";
    EXPECT_EQ(BuildWriteSerialPort(1, reinterpret_cast<const uint8_t*>(text.data()), text.size()),
              (B{0x40, 10, 0, 0, 1, 0, 5, 0, '#', ':', 'G', 'R', '#'}));
    EXPECT_EQ(BuildReadSerialPort(0, 33), (B{0x40, 11, 0, 0, 0, 0, 33, 0}));
    EXPECT_EQ(BuildReadSerialPort(1, 1), (B{0x40, 11, 0, 0, 1, 0, 1, 0}));
}

TEST(CameraBlocks, SerialFilterWheel) {
    EXPECT_EQ(SerialFilterWheelBytes(3), (std::vector<uint8_t>{0xA5, 0x01, 0x03, 0xA9}));
    EXPECT_EQ(SerialFilterWheelBytes(1), (std::vector<uint8_t>{0xA5, 0x01, 0x01, 0xA7}));
    EXPECT_EQ(SerialFilterWheelBytes(7), (std::vector<uint8_t>{0xA5, 0x01, 0x07, 0xAD}));
}

TEST(CameraCooler, SetPointAndTemperature) {
    EXPECT_EQ(CoolerValue(-40), 2330);
    EXPECT_EQ(CoolerValue(35), 3080);
    EXPECT_EQ(BuildSetCooler(-40, true, false), (B{0x40, 30, 0x1A, 0x09, 1, 0, 0, 0}));
    EXPECT_EQ(BuildSetCooler(-10, false, false), (B{0x40, 30, 0x46, 0x0A, 0, 0, 0, 0}));
    // Cooling off with maximum cooling: only the temperature is read.
    EXPECT_EQ(BuildSetCooler(-10, false, true), (B{0x40, 31, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildSetCooler(-10, true, true)[1], kSetCooler);

    const uint8_t r2330[3] = {0x1A, 0x09, 0};
    EXPECT_EQ(DecodeTemperature(r2330), -40);
    const uint8_t r2735[3] = {0xAF, 0x0A, 0};
    EXPECT_EQ(DecodeTemperature(r2735), 0);  // 0.5 truncates to 0
    const uint8_t r2725[3] = {0xA5, 0x0A, 0};
    EXPECT_EQ(DecodeTemperature(r2725), 0);  // -0.5 truncates towards zero
    const uint8_t r2980[3] = {0xA4, 0x0B, 0};
    EXPECT_EQ(DecodeTemperature(r2980), 25);
}

TEST(CameraFirmware, VersionTextAndCoolerRule) {
    const uint8_t reply[4] = {12, 0, 3, 0};
    const FirmwareVersion v = DecodeFirmware(reply);
    EXPECT_EQ(v.a, 12);
    EXPECT_EQ(v.b, 3);
    EXPECT_EQ(FirmwareText(v), "3.12");
    EXPECT_FALSE(CoolerSupported({10, 1}, 4));
    EXPECT_TRUE(CoolerSupported({11, 1}, 4));
    EXPECT_TRUE(CoolerSupported({11, 1}, 1));
    EXPECT_FALSE(CoolerSupported({11, 1}, 7));
    EXPECT_FALSE(CoolerSupported({40, 1}, 7));
    const uint8_t wide[4] = {0x01, 0x01, 0x02, 0x01};
    EXPECT_EQ(FirmwareText(DecodeFirmware(wide)), "258.257");
}

TEST(CameraSerial, ReplyCutAtHash) {
    const char reply[] = "12:34:56#rest of the buffer.....";
    EXPECT_EQ(SerialReplyText(reinterpret_cast<const uint8_t*>(reply), 33), "12:34:56");
    std::vector<uint8_t> noHash(40, 'x');
    EXPECT_EQ(SerialReplyText(noHash.data(), 40).size(), 33u);
    EXPECT_EQ(SerialReplyText(noHash.data(), 5), "xxxxx");
}

TEST(CameraHeader, ParseRoundTrip) {
    const B b = MakeHeader(kReadPixels, 0x8003, 1, 14);
    const SetupHeader h = ParseHeader(b.data());
    EXPECT_EQ(h.type, 0x40);
    EXPECT_EQ(h.request, 3);
    EXPECT_EQ(h.value, 0x8003);
    EXPECT_EQ(h.index, 1);
    EXPECT_EQ(h.length, 14);
    uint8_t data[14];
    PutParameters(data, Frame(10, 20, 30, 40, 2, 3, 999));
    const FrameRequest f = ParseParameters(data);
    EXPECT_EQ(f.xOffset, 10);
    EXPECT_EQ(f.yOffset, 20);
    EXPECT_EQ(f.width, 30);
    EXPECT_EQ(f.height, 40);
    EXPECT_EQ(f.xBin, 2);
    EXPECT_EQ(f.yBin, 3);
    EXPECT_EQ(f.exposureMs, 999u);
}

TEST(GuiderFrames, ExpandPutsByteInHighHalf) {
    const uint8_t bytes[6] = {0, 1, 127, 128, 200, 255};
    uint16_t out[6];
    ExpandGuiderFrame(bytes, 3, 2, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x0100);
    EXPECT_EQ(out[2], 0x7F00);
    EXPECT_EQ(out[3], 0x8000);
    EXPECT_EQ(out[4], 0xC800);
    EXPECT_EQ(out[5], 0xFF00);
}

TEST(GuiderFrames, BinnedSpreadOnEvenAndOddRows) {
    // A 4 x 2 binned picture spread to 8 x 4.
    const uint8_t bytes[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    uint16_t out[32];
    SpreadBinnedGuiderFrame(bytes, 8, 4, out);
    // Row 0: each byte, then the mean of it and the next.
    EXPECT_EQ(out[0], 10 << 8);
    EXPECT_EQ(out[1], 15 << 8);
    EXPECT_EQ(out[2], 20 << 8);
    EXPECT_EQ(out[3], 25 << 8);
    EXPECT_EQ(out[6], 40 << 8);
    EXPECT_EQ(out[7], 40 << 8);  // the last pixel of a row has no following byte
    // Row 2 from the second binned row.
    EXPECT_EQ(out[16], 50 << 8);
    EXPECT_EQ(out[17], 55 << 8);
    // Row 1: mean of rows 0 and 2.
    EXPECT_EQ(out[8], 30 << 8);
    EXPECT_EQ(out[9], 35 << 8);
    // Row 3 (last): nothing below, repeats row 2.
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out[24 + x], out[16 + x]);
}

TEST(GuiderFrames, FullSizeBinnedSpreadFillsEveryPixel) {
    std::vector<uint8_t> bytes(250 * 145, 100);
    std::vector<uint16_t> out(500 * 290, 7);
    SpreadBinnedGuiderFrame(bytes.data(), 500, 290, out.data());
    for (uint16_t p : out) ASSERT_EQ(p, 100 << 8);
}

}  // namespace
