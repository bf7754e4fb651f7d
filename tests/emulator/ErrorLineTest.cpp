// The one shape of the emulator's error lines, and how a refused action takes it.
#include "emulator/host/ErrorLine.h"
#include "emulator/host/ActionResult.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

TEST(ErrorLine, StartsWithErrorAndKeepsTheReason) {
    EXPECT_EQ(errorLine("no card 7"), "error: no card 7");
    EXPECT_EQ(errorLine(""), "error: ");
}

TEST(ErrorLine, IsHowARefusedActionReads) {
    EXPECT_EQ(linesOf(ActionRefused{"not now"}), std::vector<std::string>{"error: not now"});
    EXPECT_EQ(linesOf(ActionDone{{"one", "two"}}), (std::vector<std::string>{"one", "two"}));
}

} // namespace
