// The scale hint of plate solving: the connected camera's pixel size and binning with the
// selected instrument's focal length.

#include "SimulatedStation.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

TEST(StationImageScale, FromTheCameraModeAndTheSelectedInstrument) {
    test::SimulatedStation s;  // IMX174: 5.86 um
    Station& station = *s.station;
    EXPECT_EQ(station.GetImageScale(), 0.0) << "no camera, no instrument";
    ASSERT_TRUE(s.instruments.Add("C8 reduced"));
    EquipmentEntry* c8 = s.instruments.Find("C8 reduced");
    ASSERT_NE(c8, nullptr);
    c8->SetInteger("FocalLength", 2032);
    c8->SetReal("FlFactor", 0.63);
    ASSERT_TRUE(s.instruments.Save());
    ASSERT_TRUE(s.instruments.SelectName("C8 reduced"));
    EXPECT_EQ(station.GetImageScale(), 0.0) << "no camera";

    std::string error;
    ASSERT_TRUE(station.Connect(s.cameraDevice->SymbolicLink(), error)) << error;
    const double focal = 2032 * 0.63;
    EXPECT_NEAR(station.GetImageScale(), 5.86 * 206.3 / focal, 1e-9);
    StationCameraSettings binned = station.CameraSettings();
    binned.modeIndex = 3;  // 960 x 600, binning 2
    ASSERT_TRUE(station.ChangeCameraSettings(binned, error)) << error;
    EXPECT_NEAR(station.GetImageScale(), 2 * 5.86 * 206.3 / focal, 1e-9);

    ASSERT_TRUE(s.instruments.SelectName(""));
    EXPECT_EQ(station.GetImageScale(), 0.0) << "no instrument";
}

}  // namespace
}  // namespace orva
