#include "common/SingleInstanceGuard.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace orva {
namespace {

using State = SingleInstanceGuard::State;

// Two guards open the lock file separately, as two processes would: flock belongs to the
// open file, so the second one sees the first one's lock.
TEST(SingleInstanceGuard, TheSecondGuardIsRefusedUntilTheFirstEnds) {
    test::TempDir dir;
    auto first = std::make_unique<SingleInstanceGuard>(dir.Path());
    ASSERT_EQ(first->Acquire(), State::Held) << first->Error();
    EXPECT_EQ(first->Acquire(), State::Held);  // asking again keeps it

    SingleInstanceGuard second(dir.Path());
    EXPECT_EQ(second.Acquire(), State::Busy);
    EXPECT_EQ(second.Acquire(), State::Busy);

    // The file stays behind, as after a crash; only the lock counts.
    first.reset();
    EXPECT_TRUE(std::filesystem::exists(dir.File(SingleInstanceGuard::kFileName)));
    EXPECT_EQ(second.Acquire(), State::Held);
}

TEST(SingleInstanceGuard, AFolderThatCannotBeMadeFailsWithAReason) {
    test::TempDir dir;
    test::WriteFile(dir.File("plain"), "x");
    SingleInstanceGuard guard(dir.File("plain/sub"));
    EXPECT_EQ(guard.Acquire(), State::Failed);
    EXPECT_NE(guard.Error().find("plain/sub"), std::string::npos);
}

// Sets a variable (or unsets it, for nullptr) for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name), had_(std::getenv(name) != nullptr) {
        if (had_) old_ = std::getenv(name);
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (had_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    std::string old_;
};

// The lock guards the data folder, so it lives there: a window started with another
// runtime folder (another session, sudo, a desktop launcher) still meets it.
TEST(SingleInstanceGuard, TheLockLivesInTheDataFolderWhateverTheRuntimeFolder) {
    ScopedEnv data("ORVA_DATA_DIR", "/data/orva");
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/4711");
        EXPECT_EQ(SingleInstanceGuard::DefaultDirectory(), "/data/orva");
    }
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(SingleInstanceGuard::DefaultDirectory(), "/data/orva");
}

}  // namespace
}  // namespace orva
