// The line's faults as actions, without the console in between.
#include "emulator/host/FaultActions.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

bool isDone(const ActionResult& result) {
    return std::holds_alternative<ActionDone>(result);
}

TEST(FaultActions, EachSetsItsFault) {
    LineFaults faults;
    EXPECT_TRUE(isDone(perform(faults, QueueNoise{{0x00, 0xFF}})));
    EXPECT_TRUE(isDone(perform(faults, QueueNoise{{0x5A}})));
    EXPECT_EQ(faults.noise, (std::vector<std::uint8_t>{0x00, 0xFF, 0x5A}));
    EXPECT_TRUE(isDone(perform(faults, CorruptNextAnswer{})));
    EXPECT_TRUE(faults.corruptNextAnswer);
    EXPECT_TRUE(isDone(perform(faults, DropNextAnswer{})));
    EXPECT_TRUE(faults.dropNextAnswer);
    EXPECT_EQ(linesOf(perform(faults, DelayNextAnswer{std::chrono::milliseconds{250}})),
              std::vector<std::string>{"the next answer leaves 250 ms late"});
    EXPECT_EQ(faults.delayNextAnswer, std::chrono::milliseconds{250});
    EXPECT_TRUE(isDone(perform(faults, MuteLine{true})));
    EXPECT_TRUE(faults.mute);
    EXPECT_TRUE(isDone(perform(faults, WrongLineSpeed{true})));
    EXPECT_TRUE(faults.wrongSpeed);
    EXPECT_TRUE(isDone(perform(faults, PullAfterRead{})));
    EXPECT_TRUE(faults.pullAfterRead);
    EXPECT_TRUE(isDone(perform(faults, TearNextWrite{kMostTornBlocks})));
    EXPECT_EQ(faults.tearNextWrite, std::optional<std::size_t>{kMostTornBlocks});
    EXPECT_TRUE(isDone(perform(faults, MuteLine{false})));
    EXPECT_FALSE(faults.mute);

    bool vanished = false;
    faults.vanish = [&vanished] {
        vanished = true;
    };
    EXPECT_EQ(linesOf(perform(faults, ClearFaults{})), std::vector<std::string>{"faults cleared"});
    EXPECT_TRUE(faults.noise.empty());
    EXPECT_FALSE(faults.corruptNextAnswer || faults.dropNextAnswer || faults.wrongSpeed ||
                 faults.pullAfterRead || faults.tearNextWrite);
    EXPECT_TRUE(isDone(perform(faults, VanishLine{})));
    EXPECT_TRUE(vanished) << "a clear keeps the line's hook";
}

TEST(FaultActions, RefuseWhatTheLineCannotDo) {
    LineFaults faults;
    for (const FaultAction& action :
         std::vector<FaultAction>{QueueNoise{}, DelayNextAnswer{std::chrono::milliseconds{0}},
                                  DelayNextAnswer{kLongestDelay + std::chrono::milliseconds{1}},
                                  TearNextWrite{kMostTornBlocks + 1}, VanishLine{}}) {
        const ActionResult result = perform(faults, action);
        ASSERT_FALSE(isDone(result)) << action.index();
        EXPECT_EQ(linesOf(result)[0].rfind("error: ", 0), 0U) << linesOf(result)[0];
    }
    EXPECT_EQ(faults.delayNextAnswer.count(), 0);
    EXPECT_FALSE(faults.tearNextWrite);
}

} // namespace
