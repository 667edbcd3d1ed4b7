// The rates window over the telescope window's worker and a simulated mount of ours.
#include "telescope/TelescopeRatesDialogModel.h"

#include "telescope/SimulatedTelescopeWindow.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class TelescopeRatesDialogModelTest : public ::testing::Test, protected test::SimulatedTelescopeWindow {
protected:
    TelescopeRatesDialogModelTest() : rates(settings, model.Worker(), ui) {
        mounts.config.raRanges = {{0.5, 4.5}};
        mounts.config.decRanges = {{0.25, 2.25}};
        model.Initialise(false);
    }
    void ConnectMount() {
        model.ShownOrHidden();
        model.Worker().RunPass();
        model.OnConnectButton();
        model.OnConnectMessage();
        model.Worker().RunPass();
        model.Worker().RunPass();
    }
    std::vector<std::string> Texts(const std::array<TelescopeRateField, 5>& fields) {
        std::vector<std::string> texts;
        for (const auto& f : fields) texts.push_back(f.text);
        return texts;
    }
    std::string Id() const { return test::SimulatedMountFactory::kProgramId; }

    TelescopeRatesDialogModel rates;
};

TEST_F(TelescopeRatesDialogModelTest, ShowsTheDeterminedRatesUntilCustomRatesAreTicked) {
    EXPECT_EQ(model.RatesProgramId(), "");
    ConnectMount();
    ASSERT_EQ(model.RatesProgramId(), Id());
    rates.HandOver(model.RatesProgramId());
    EXPECT_EQ(rates.Title(), Id());
    EXPECT_FALSE(rates.UseCustomRates());
    EXPECT_EQ(Texts(rates.RightAscensionFields()),
              (std::vector<std::string>{"0.500", "0.531", "0.625", "1.000", "2.500"}));
    EXPECT_EQ(Texts(rates.DeclinationFields()), (std::vector<std::string>{"0.250", "0.266", "0.312", "0.500", "1.250"}));
    EXPECT_FALSE(rates.RightAscensionFields()[0].enabled);
    EXPECT_FALSE(rates.ApplyEnabled());
    rates.SetUseCustomRates(true);
    EXPECT_TRUE(rates.RightAscensionFields()[4].enabled);
    EXPECT_TRUE(rates.ApplyEnabled());
    EXPECT_EQ(settings.GetTelescopeRates(Id()), "");  // ticking stores nothing
}

TEST_F(TelescopeRatesDialogModelTest, AppliedRatesAreStoredUsedAndLoadedAgain) {
    ConnectMount();
    rates.HandOver(model.RatesProgramId());
    rates.SetUseCustomRates(true);
    ASSERT_TRUE(rates.Apply({"0.1", "0.2", "0.4", "0.8", "1.6"}, {"0.05", "0.1", "0.2", "0.4", "0.8"}));
    const std::string stored = "0.100;0.050;0.200;0.100;0.400;0.200;0.800;0.400;1.600;0.800";
    EXPECT_EQ(settings.GetTelescopeRates(Id()), stored);
    EXPECT_DOUBLE_EQ(model.Worker().Rates().Rows()[4].rightAscensionRate, 1.6);
    // The next rate determination (connecting again) keeps them.
    model.Worker().PostCommand(TelescopeCommandKind::Connect);
    model.Worker().RunPass();
    EXPECT_DOUBLE_EQ(model.Worker().Rates().Rows()[0].declinationRate, 0.05);
    EXPECT_EQ(model.Worker().Rates().Size(), 5u);

    // Disconnected the window is handed an empty id; connected again it loads the text.
    rates.HandOver("");
    EXPECT_EQ(rates.Title(), "");
    EXPECT_FALSE(rates.UseCustomRates());
    model.Worker().Rates().Replace({});
    rates.HandOver(Id());
    EXPECT_TRUE(rates.UseCustomRates());
    EXPECT_EQ(Texts(rates.RightAscensionFields()), (std::vector<std::string>{"0.100", "0.200", "0.400", "0.800", "1.600"}));
    EXPECT_TRUE(rates.DeclinationFields()[0].enabled);
    EXPECT_EQ(model.Worker().Rates().Size(), 5u);

    // Unticking forgets the stored text; the table keeps its rows.
    rates.SetUseCustomRates(false);
    EXPECT_EQ(settings.GetTelescopeRates(Id()), "");
    EXPECT_EQ(model.Worker().Rates().Size(), 5u);
    EXPECT_FALSE(rates.RightAscensionFields()[0].enabled);
}

TEST_F(TelescopeRatesDialogModelTest, FieldsThatAreNotRatesStoreNothing) {
    ConnectMount();
    rates.HandOver(model.RatesProgramId());
    rates.SetUseCustomRates(true);
    ASSERT_TRUE(rates.Apply({"0.1", "0.2", "0.4", "0.8", "1.6"}, {"0.1", "0.2", "0.4", "0.8", "1.6"}));
    const std::string stored = settings.GetTelescopeRates(Id());
    for (const char* bad : {"", "abc", "91", "-1", "0.1;0.2", "nan", "1e400"}) {
        EXPECT_FALSE(rates.Apply({"0.1", bad, "0.4", "0.8", "1.6"}, {"0.1", "0.2", "0.4", "0.8", "1.6"})) << bad;
        EXPECT_EQ(rates.Error(), "Rates must be numbers from 0 to 90 degrees per second.");
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back(), (test::FakeUiServices::Message{"Telescope Rates", rates.Error(), MessageIcon::Error}));
        EXPECT_EQ(settings.GetTelescopeRates(Id()), stored) << bad;
        EXPECT_DOUBLE_EQ(model.Worker().Rates().Rows()[1].rightAscensionRate, 0.2);
    }
    // Nothing to apply without custom rates ticked.
    rates.SetUseCustomRates(false);
    EXPECT_FALSE(rates.Apply({"1", "1", "1", "1", "1"}, {"1", "1", "1", "1", "1"}));
    EXPECT_EQ(settings.GetTelescopeRates(Id()), "");
}

}  // namespace
}  // namespace orva
