#pragma once

// Waiting for the event loop to bring something about, in a form GoogleTest can check.
// Qt Test's QTRY_* macros report to Qt Test's own logger, not to GoogleTest, so a GoogleTest
// test that used them passed when they failed.

#include "QtPrinters.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace testing_support {

/// Runs the event loop until `condition` holds or `timeout` passes; whether it held.
template <typename Condition>
[[nodiscard]] bool waitUntil(Condition condition, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

/// Runs the event loop until `produce()` equals `expected` or `timeout` passes; a failure tells
/// the last value seen, since that is what says how far things got.
template <typename Produce, typename Expected>
[[nodiscard]] ::testing::AssertionResult waitUntilEquals(Produce produce, const Expected& expected,
                                                         std::chrono::milliseconds timeout) {
    auto seen = produce();
    const bool came = waitUntil(
        [&] {
            seen = produce();
            return seen == expected;
        },
        timeout);
    if (came) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "waited " << timeout.count() << " ms for " << ::testing::PrintToString(expected)
           << ", last saw " << ::testing::PrintToString(seen);
}

} // namespace testing_support
