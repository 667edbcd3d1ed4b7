#include "recording/RecordingNames.h"

#include "camera/CameraModel.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/ObserverManager.h"
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
        bool withCamera;
        RecordingNames expected;
    };
    const std::array<uint8_t, CameraModel::kExtendedVersionBlockSize> block = {1, 3, 5, 2, 1, 0x04, 0xD2, 0, 0, 0, 0, 0, 0};
    const CameraModel model(block);
    const std::vector<Case> cases = {
        {"all known", "Jane Doe", "C8", true, {"Jane Doe", "C8", model.GetDisplayName()}},
        {"not in the lists", "John", "C11", false, {"", "", ""}},
        {"case differs", "jane doe", "c8", false, {"", "", ""}},
        {"nothing selected", "", "", true, {"", "", model.GetDisplayName()}},
    };
    for (const Case& c : cases) {
        TempDir configDir;
        TempDir dataDir;
        NotificationCenter center;
        Settings settings(configDir.Path(), center);
        ObserverManager observers(dataDir.Path(), settings);
        InstrumentManager instruments(dataDir.Path(), settings, center);
        ASSERT_TRUE(observers.Add("Jane Doe"));
        ASSERT_TRUE(instruments.Add("C8"));
        settings.SelectedObserverName(c.selectedObserver);
        settings.SelectedInstrumentName(c.selectedInstrument);
        const RecordingNames names = CurrentRecordingNames(observers, instruments, c.withCamera ? &model : nullptr);
        EXPECT_EQ(names.observer, c.expected.observer) << c.name;
        EXPECT_EQ(names.telescope, c.expected.telescope) << c.name;
        EXPECT_EQ(names.camera, c.expected.camera) << c.name;
    }
    EXPECT_FALSE(model.GetDisplayName().empty());
}

}  // namespace
}  // namespace orva
