// The one shape of the emulator's error lines.
#include "emulator/host/ErrorLine.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

TEST(ErrorLine, StartsWithErrorAndKeepsTheReason) {
    EXPECT_EQ(errorLine("no card 7"), "error: no card 7");
    EXPECT_EQ(errorLine(""), "error: ");
}

} // namespace
