#include "camera/CameraModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace orva {
namespace {

// The extended version block: firmware, extension-unit version, sensor code, serial
// number most significant byte first, four spare bytes.
CameraModel Model(uint8_t sensor, uint8_t xu = 2, uint32_t serial = 0, std::array<uint8_t, 3> fw = {1, 3, 5},
                  std::array<uint8_t, 4> spare = {0, 0, 0, 0}) {
    const std::array<uint8_t, 13> block = {fw[0],
                                           fw[1],
                                           fw[2],
                                           xu,
                                           sensor,
                                           static_cast<uint8_t>(serial >> 24),
                                           static_cast<uint8_t>(serial >> 16),
                                           static_cast<uint8_t>(serial >> 8),
                                           static_cast<uint8_t>(serial),
                                           spare[0],
                                           spare[1],
                                           spare[2],
                                           spare[3]};
    return CameraModel(block);
}

const char* const kImx174Long = "Sony IMX174LLJ-C (1/1.2\" 1920x1200 5.86um CIS)";
const char* const kImx178Long = "Sony IMX178LLJ-C (1/1.8\" 3072x2048 2.4um CIS)";

TEST(CameraModel, SensorTable) {
    struct Case {
        uint8_t code;
        const char* modelLong;
        const char* modelShort;
        const char* sensorShort;
        const char* sensorLong;
        double pixelUm;
        int modes;
        int gains;
        const char* shortId;
    };
    const Case cases[] = {
        {1, "Unknown", "Unknown", "Unknown", "Unknown", 999, 0, 0, "Unknown Unknown"},
        {2, "ORVA+CAM Prototype V1", "P1", "AR0130", "AR0130", 3.75, 4, 22, "P1 AR0130"},
        {3, "ORVA+CAM Prototype V2", "P2", "AR0130", "AR0130", 3.75, 4, 22, "P2 AR0130"},
        {4, "ORVA+CAM Prototype V2", "P2", "IMX174", kImx174Long, 5.86, 5, 49, "P2 174"},
        {5, "ORVA+CAM Prototype V2", "P2", "IMX178", kImx178Long, 2.4, 4, 49, "P2 IMX178"},
        {6, "Unknown", "Unknown", "Unknown", "Unknown", 999, 0, 0, "Unknown Unknown"},
        {7, "ORVA+CAM", "ORVA+CAM", "IMX174", kImx174Long, 5.86, 5, 49, "ORVA+CAM 174"},
        {8, "ORVA+CAM", "ORVA+CAM", "IMX178", kImx178Long, 2.4, 4, 49, "ORVA+CAM IMX178"},
        {9, "ORVA+CAM", "ORVA+CAM", "IMX430", "Sony IMX430LLJ-C (9.2mm 1624x1240 4.5um CIS)", 4.5, 5, 49,
         "ORVA+CAM 430"},
        {10, "ORVA+CAM", "ORVA+CAM", "IMX264", "Sony IMX264LLJ-C (2/3\" 2448x2048 3.45um CIS)", 3.45, 6, 49,
         "ORVA+CAM IMX264"},
        {11, "ORVA+CAM", "ORVA+CAM", "GLUX9701", "Gpixel GLUX9701 (16mm 1280x1024 9.76um sCIS)", 9.76, 4, 0,
         "ORVA+CAM 9701"},
        {12, "ORVA+CAM", "ORVA+CAM", "GSENSE2020", "Gpixel GSENSE2020 (19mm 2048x2048 6.5um sCIS)", 6.5, 2, 0,
         "ORVA+CAM GSENSE2020"},
        {13, "ORVA+CAM", "ORVA+CAM", "IMX546", "Sony IMX546-AAMJ-C (11.1mm 2840x2840 2.74um CIS)", 2.74, 4, 49,
         "ORVA+CAM IMX546"},
        {14, "ORVA+CAM", "ORVA+CAM", "IMX432", "Sony IMX432LLJ-C (17.6mm 1600x1100 9um CIS)", 9, 4, 49,
         "ORVA+CAM 432"},
        {15, "Unknown", "Unknown", "Unknown", "Unknown", 999, 0, 0, "Unknown Unknown"},
        {254, "Unknown", "Unknown", "Unknown", "Unknown", 999, 0, 0, "Unknown Unknown"},
        // 0 and 255 are taken as the IMX430 camera.
        {0, "ORVA+CAM", "ORVA+CAM", "IMX430", "Sony IMX430LLJ-C (9.2mm 1624x1240 4.5um CIS)", 4.5, 5, 49,
         "ORVA+CAM 430"},
        {255, "ORVA+CAM", "ORVA+CAM", "IMX430", "Sony IMX430LLJ-C (9.2mm 1624x1240 4.5um CIS)", 4.5, 5, 49,
         "ORVA+CAM 430"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.code});
        const CameraModel m = Model(c.code);
        EXPECT_EQ(m.GetModelName(true), c.modelLong);
        EXPECT_EQ(m.GetModelName(false), c.modelShort);
        EXPECT_EQ(m.GetSensorName(false), c.sensorShort);
        EXPECT_EQ(m.GetSensorName(true), c.sensorLong);
        EXPECT_DOUBLE_EQ(m.GetPixelSizeUm(), c.pixelUm);
        EXPECT_EQ(m.GetResolutionCount(), c.modes);
        EXPECT_EQ(m.GetGainCount(), c.gains);
        EXPECT_EQ(m.GetShortIdentification(), c.shortId);
    }
}

struct Mode {
    int width, transferWidth, height, binning;
    bool operator==(const Mode&) const = default;
};

std::vector<Mode> ModesOf(const CameraModel& m) {
    std::vector<Mode> modes;
    for (int i = 0; i < m.GetResolutionCount(); ++i) {
        const VideoResolution* r = m.GetVideoResolution(i);
        modes.push_back({r->Width(), r->TransferWidth(), r->Height(), r->Binning()});
    }
    return modes;
}

TEST(CameraModel, VideoModesInListOrder) {
    const std::vector<Mode> ar0130 = {{1280, 1280, 960, 1}, {640, 640, 480, 2}, {424, 424, 318, 3}, {320, 320, 240, 4}};
    const std::vector<Mode> imx174 = {
        {1920, 1440, 1200, 1}, {1920, 1440, 128, 1}, {176, 132, 128, 2}, {960, 720, 600, 2}, {480, 480, 300, 4}};
    const std::vector<Mode> imx178 = {
        {3072, 3072, 2048, 1}, {3072, 2304, 2048, 1}, {1536, 1536, 1024, 2}, {1024, 1024, 682, 3}};
    struct Case {
        uint8_t code;
        std::vector<Mode> modes;
    };
    const std::vector<Case> cases = {
        {2, ar0130},
        {3, ar0130},
        {4, imx174},
        {7, imx174},
        {5, imx178},
        {8, imx178},
        {9, {{1624, 1218, 1240, 1}, {1624, 1218, 128, 1}, {176, 132, 128, 2}, {816, 612, 620, 2}, {408, 408, 310, 4}}},
        {10,
         {{2448, 2448, 2048, 1},
          {2448, 1836, 2048, 1},
          {1224, 1224, 1024, 2},
          {1224, 918, 1024, 2},
          {816, 816, 682, 3},
          {612, 612, 512, 4}}},
        {11, {{1280, 960, 1024, 1}, {1280, 960, 128, 1}, {640, 640, 512, 2}, {320, 320, 256, 4}}},
        {12, {{2048, 2048, 2048, 1}, {1024, 1024, 1024, 2}}},
        {13, {{2840, 2130, 2840, 1}, {2840, 2130, 128, 1}, {1424, 1068, 1420, 2}, {712, 712, 710, 4}}},
        {14, {{1600, 1200, 1100, 1}, {1600, 1200, 128, 1}, {800, 600, 550, 2}, {400, 400, 274, 4}}},
        {6, {}},
        {99, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.code});
        const CameraModel m = Model(c.code);
        EXPECT_EQ(ModesOf(m), c.modes);
        EXPECT_EQ(m.GetVideoResolution(-1), nullptr);
        EXPECT_EQ(m.GetVideoResolution(m.GetResolutionCount()), nullptr);
    }
}

TEST(CameraModel, ModesAreStableObjects) {
    // A selected mode is kept by pointer, so the same index must give the same object.
    const CameraModel a = Model(7);
    const CameraModel b = Model(7);
    EXPECT_EQ(a.GetVideoResolution(1), b.GetVideoResolution(1));
}

TEST(VideoResolution, ListText) {
    const CameraModel m = Model(7);
    EXPECT_EQ(m.GetVideoResolution(0)->GetListText(), "1920 x 1200");
    EXPECT_EQ(m.GetVideoResolution(1)->GetListText(), "1920 x 128 (Fast)");
    EXPECT_EQ(VideoResolution::Placeholder().GetListText(), "0 x 0");
    EXPECT_EQ(VideoResolution::Placeholder().Binning(), 1);
}

TEST(CameraModel, IdentificationTexts) {
    const CameraModel m = Model(9, 2, 0x000004D2);
    EXPECT_EQ(m.SerialNumber(), 1234);
    EXPECT_EQ(m.GetFirmwareVersionText(), "1.3.5");
    EXPECT_EQ(m.GetDisplayName(), "ORVA+CAM #1234 FW 1.3.5, Sensor IMX430");
    EXPECT_EQ(m.GetShortIdentification(), "ORVA+CAM 430");
    EXPECT_EQ(Model(7, 2, 1234, {12, 0, 255}).GetDisplayName(), "ORVA+CAM #1234 FW 12.0.255, Sensor IMX174");
}

TEST(CameraModel, VersionOneCameraKeepsNoSerialOrSpareBytes) {
    const CameraModel m = Model(7, 1, 0xDEADBEEF, {1, 0, 0}, {1, 2, 3, 4});
    EXPECT_EQ(m.SerialNumber(), 0);
    EXPECT_EQ(m.SerialBytes(), (std::array<uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m.SpareBytes(), (std::array<uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m.GetShortIdentification(), "");
    EXPECT_EQ(Model(7, 0).GetShortIdentification(), "");

    const CameraModel v2 = Model(7, 2, 0xDEADBEEF, {1, 0, 0}, {1, 2, 3, 4});
    EXPECT_EQ(v2.SerialBytes(), (std::array<uint8_t, 4>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(v2.SpareBytes(), (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST(CameraModel, SonyGainTexts) {
    const CameraModel m = Model(7);
    struct Case {
        int index;
        const char* text;
    };
    const Case cases[] = {{0, "+00 dB"}, {9, "+09 dB"}, {24, "+24 dB"}, {25, "+25 dB D"},
                          {48, "+48 dB D"}, {49, "?"}, {-1, "?"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(m.GetGainText(c.index), c.text);
    }
    EXPECT_EQ(m.GetGainCode(25), 25);
    EXPECT_EQ(m.GetGainIndex(25), 25);
}

TEST(CameraModel, Ar0130GainTextsAndCodes) {
    const CameraModel m = Model(3);
    const std::vector<std::string> texts = {"1.00",   "1.25",   "2.00",   "2.50",   "4.00",   "5.00",
                                            "8.00",   "10.0",   "15.0 D", "20.0 D", "30.0 D", "40.0 D",
                                            "50.0 D", "60.0 D", "78.0 D", "0.09 D", "0.13 D", "0.19 D",
                                            "0.25 D", "0.38 D", "0.50 D", "0.70 D"};
    for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.GetGainText(i), texts[static_cast<std::size_t>(i)]);
        // Every index survives the trip to the camera and back.
        EXPECT_EQ(m.GetGainIndex(m.GetGainCode(i)), i);
    }
    EXPECT_EQ(m.GetGainText(22), "?");
    EXPECT_EQ(m.GetGainText(-1), "?");
    struct Case {
        int index;
        int code;
    };
    const Case cases[] = {{0, 8}, {14, 22}, {15, 1}, {21, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(m.GetGainCode(c.index), c.code);
        EXPECT_EQ(m.GetGainIndex(c.code), c.index);
    }
}

TEST(CameraModel, SensorsWithoutGainListShowQuestionMark) {
    for (uint8_t code : {uint8_t{11}, uint8_t{12}, uint8_t{6}, uint8_t{200}}) {
        SCOPED_TRACE(int{code});
        EXPECT_EQ(Model(code).GetGainText(0), "?");
        EXPECT_EQ(Model(code).GetGainText(5), "?");
    }
}

TEST(CameraModel, MinimumFrameTime) {
    struct Case {
        uint8_t code;
        int width, height;
        bool binned, usb2FullWidth;
        int ms;
    };
    const Case cases[] = {
        {2, 1280, 960, false, false, 22},  {3, 640, 480, true, false, 22},
        {4, 1920, 1200, false, true, 26},  {5, 3072, 2048, false, false, 100},
        {10, 2448, 2048, false, false, 100},
        {7, 176, 128, true, false, 2},     {7, 1920, 128, false, false, 4},
        {7, 1920, 1200, false, true, 120}, {7, 1920, 128, false, true, 120},
        {7, 960, 600, true, false, 20},    {7, 1920, 1200, false, false, 25},
        {8, 1536, 1024, true, false, 37},  {8, 3072, 2048, false, false, 55},
        {9, 176, 128, true, false, 1},     {9, 1624, 128, false, false, 4},
        {9, 816, 620, true, false, 6},     {9, 1624, 1240, false, false, 25},
        {14, 1600, 1100, false, true, 100}, {14, 176, 128, false, false, 1},
        {11, 1280, 1024, false, false, 40}, {12, 2048, 2048, false, false, 43},
        {13, 2840, 2840, false, false, 50}, {6, 0, 0, false, false, 0},
        {99, 1920, 1200, false, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.code} << " " << c.width << "x" << c.height);
        EXPECT_EQ(Model(c.code).GetMinimumFrameTimeMs(c.width, c.height, c.binned, c.usb2FullWidth), c.ms);
    }
    EXPECT_TRUE(CameraModel::IsUsb2FullWidth(2, 1920));
    EXPECT_FALSE(CameraModel::IsUsb2FullWidth(3, 1920));
    EXPECT_FALSE(CameraModel::IsUsb2FullWidth(2, 960));
}

TEST(CameraModel, RecommendedBlackLevel) {
    struct Case {
        uint8_t code;
        int gain, exposureMs;
        int level;
    };
    const Case cases[] = {
        {7, 0, 150, 100},   {7, 0, 200, 200},   {7, 3, 1000, 195},  {7, 24, 4000, 150},
        {7, 12, 4000, 180}, {7, 25, 1000, -1},  {7, 24, 100000, 150},  // clamped to 4000 ms
        {7, 0, -5, 100},    {7, -1, 1000, -1},  {4, 24, 4000, 150},  {9, 12, 4000, 180},
        {9, 0, 199, 100},   {8, 0, 1000, -1},   {5, 0, 150, -1},    {2, 0, 1000, -1},
        {11, 0, 1000, -1},  {14, 0, 1000, -1},
        // Between the rows and columns of the table.
        {7, 18, 1000, 190}, {7, 21, 2000, 173},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.code} << " gain " << c.gain << " " << c.exposureMs << " ms");
        EXPECT_EQ(Model(c.code).GetRecommendedBlackLevel(c.gain, c.exposureMs), c.level);
    }
}

TEST(CameraModel, ImageScale) {
    struct Case {
        double pixelUm;
        int binning;
        double focalMm;
        double scale;
    };
    const Case cases[] = {
        {5.86, 1, 1000, 5.86 * 206.3 / 1000},
        {5.86, 2, 1000, 11.72 * 206.3 / 1000},
        {5.86, 0, 1000, 5.86 * 206.3 / 1000},   // implausible binning counts as 1
        {5.86, 17, 1000, 5.86 * 206.3 / 1000},
        {2.4, 16, 1000, 38.4 * 206.3 / 1000},
        {5.86, 1, 99.9, 0},
        {5.86, 1, 100, 5.86 * 206.3 / 100},
        {5.86, 1, 100000, 5.86 * 206.3 / 100000},
        {5.86, 1, 100001, 0},
        {5.86, 1, 0, 0},  // no instrument
        {0, 1, 1000, 0},  // no camera
        {999, 1, 1000, 0},  // unknown sensor
        {0.5, 1, 1000, 0.5 * 206.3 / 1000},
        {0.49, 1, 1000, 0},
        {25, 2, 1000, 50 * 206.3 / 1000},
        {25.5, 2, 1000, 0},
        {std::nan(""), 1, 1000, 0},
        {5.86, 1, std::nan(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixelUm << " um x" << c.binning << " @ " << c.focalMm << " mm");
        EXPECT_DOUBLE_EQ(CameraModel::ComputeImageScale(c.pixelUm, c.binning, c.focalMm), c.scale);
    }
}

}  // namespace
}  // namespace orva
