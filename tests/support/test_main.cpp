// The main of every unit test executable: each test starts from the state of a
// freshly loaded source.
#include <gtest/gtest.h>

#include "tests/support/fake_aspi.h"
#include "twain/source_state.h"

namespace {
class LoadStateReset : public ::testing::EmptyTestEventListener {
    // A scripted ASPI manager with one scanner stands in for WNASPI32.DLL, so
    // that opening the source finds a device; tests may script their own.
    void OnTestStart(const ::testing::TestInfo&) override {
        RestoreLoadState();
        fake_aspi::InstallWithDefaultScanner();
    }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LoadStateReset);
    return RUN_ALL_TESTS();
}
