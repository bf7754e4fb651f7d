#include "emulator/host/Options.h"

#include <gtest/gtest.h>

namespace {

using kov450::Options;
using kov450::parseOptions;

TEST(StateOptions, StateTakesAFolder) {
    const auto parsed = parseOptions({"--state", "/tmp/elsewhere", "--headless"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    EXPECT_EQ(std::get<Options>(parsed).stateFolder, "/tmp/elsewhere");
    const auto defaults = parseOptions({});
    ASSERT_TRUE(std::holds_alternative<Options>(defaults));
    EXPECT_EQ(std::get<Options>(defaults).stateFolder, "") << "empty means the default folder";
}

TEST(StateOptions, StateWithoutAFolderIsAnError) {
    const auto parsed = parseOptions({"--state"});
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_EQ(std::get<std::string>(parsed), "--state needs a folder");
    EXPECT_TRUE(std::holds_alternative<std::string>(parseOptions({"--state", ""})));
    EXPECT_NE(kov450::usage().find("--state DIR"), std::string::npos);
}

} // namespace
