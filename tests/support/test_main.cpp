// The main of every unit test executable: each test starts from the state of a
// freshly loaded source.
#include <gtest/gtest.h>

#include "twain/source_state.h"

namespace {
class LoadStateReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { RestoreLoadState(); }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LoadStateReset);
    return RUN_ALL_TESTS();
}
