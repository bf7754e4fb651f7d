#include "mf_api/framed/Connection.h"
#include "mf_api/AnswerMargin.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ExchangeTimeout, IsTheWireTimeOfRequestAndLongestAnswerPlusTheMargin) {
    // 10 + 87 bytes of 10 bits at 9600 bit/s: 101.05 ms, rounded up to whole microseconds.
    EXPECT_EQ(mfapi::framed::exchangeTimeout(10, 9600, 250ms), 101042us + 250ms);
    EXPECT_LT(mfapi::framed::exchangeTimeout(10, 115200, 250ms),
              mfapi::framed::exchangeTimeout(10, 9600, 250ms));
    EXPECT_LT(mfapi::framed::exchangeTimeout(86, 9600, 250ms), 500ms);
}

TEST(AnswerMargin, ReadsWholeMillisecondsWithinBoundsElseTheDefault) {
    EXPECT_EQ(mfapi::answerMargin(nullptr), 250ms);
    EXPECT_EQ(mfapi::answerMargin("40"), 40ms);
    EXPECT_EQ(mfapi::answerMargin("10000"), 10000ms);
    EXPECT_EQ(mfapi::answerMargin("10001"), 250ms);
    EXPECT_EQ(mfapi::answerMargin("-5"), 250ms);
    EXPECT_EQ(mfapi::answerMargin("12ms"), 250ms);
    EXPECT_EQ(mfapi::answerMargin(""), 250ms);
}

} // namespace
