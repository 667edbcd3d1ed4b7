#include "recording/RecordingNames.h"

#include "camera/CameraModel.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TempDir;

TEST(RecordingNames, SelectionsCountOnlyWhenTheirListHoldsTheName) {
    struct Case {
        const char* name;
        std::string selectedObserver;
        std::string selectedInstrument;
        std::string selectedSite;
        bool withCamera;
        RecordingNames expected;
    };
    const RecordingSite home{-12.5, -8.25, 312.0};
    const std::array<uint8_t, CameraModel::kExtendedVersionBlockSize> block = {1, 3, 5, 2, 1, 0x04, 0xD2, 0, 0, 0, 0, 0, 0};
    const CameraModel model(block);
    const std::vector<Case> cases = {
        {"all known", "Jane Doe", "C8", "Home", true, {"Jane Doe", "C8", model.GetDisplayName(), home}},
        {"not in the lists", "John", "C11", "Away", false, {"", "", "", std::nullopt}},
        {"case differs", "jane doe", "c8", "home", false, {"", "", "", std::nullopt}},
        {"nothing selected", "", "", "", true, {"", "", model.GetDisplayName(), std::nullopt}},
    };
    for (const Case& c : cases) {
        TempDir configDir;
        TempDir dataDir;
        NotificationCenter center;
        Settings settings(configDir.Path(), center);
        ObserverManager observers(dataDir.Path(), settings);
        InstrumentManager instruments(dataDir.Path(), settings, center);
        ObservingSiteManager sites(dataDir.Path(), settings);
        ASSERT_TRUE(observers.Add("Jane Doe"));
        ASSERT_TRUE(instruments.Add("C8"));
        ASSERT_TRUE(sites.Add("Home"));
        sites.Find("Home")->SetReal("Lat", home.latitudeDegrees);
        sites.Find("Home")->SetReal("Lon", home.longitudeDegrees);
        sites.Find("Home")->SetInteger("Alt", 312);
        settings.SelectedObserverName(c.selectedObserver);
        settings.SelectedInstrumentName(c.selectedInstrument);
        settings.SelectedSiteName(c.selectedSite);
        const RecordingNames names =
            CurrentRecordingNames(observers, instruments, c.withCamera ? &model : nullptr, &sites);
        EXPECT_EQ(names.observer, c.expected.observer) << c.name;
        EXPECT_EQ(names.telescope, c.expected.telescope) << c.name;
        EXPECT_EQ(names.camera, c.expected.camera) << c.name;
        ASSERT_EQ(names.site.has_value(), c.expected.site.has_value()) << c.name;
        if (names.site) {
            EXPECT_EQ(names.site->latitudeDegrees, c.expected.site->latitudeDegrees);
            EXPECT_EQ(names.site->longitudeDegrees, c.expected.site->longitudeDegrees);
            EXPECT_EQ(names.site->altitudeM, c.expected.site->altitudeM);
        }
    }
    EXPECT_FALSE(model.GetDisplayName().empty());
}

}  // namespace
}  // namespace orva
