// Every test program runs each test in a process of its own (ctest runs
// them in parallel), so each process works in a fresh folder of its own and
// removes it when its tests pass.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class Scratch : public testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::filesystem::current_path();
        dir_ = home_ / ("run-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(home_);
        if (!testing::UnitTest::GetInstance()->Failed()) std::filesystem::remove_all(dir_);
    }

private:
    std::filesystem::path home_, dir_;
};

const auto* registered = testing::AddGlobalTestEnvironment(new Scratch);

}  // namespace
