// The acceptance check of our MF_API, over every back end: a plain C program loads libMF_API.so
// with dlopen and runs a whole card session, and a second program opening the port meanwhile
// gets 9.
#include "backends/BackEnd.h"

#include <csignal>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;

class DoneWhen : public testing_support::BackEndTest {
protected:
    /// The C program doing `action` on the back end's port; it inherits the test's environment,
    /// which points the library at the back end.
    static ChildProcess probe(const char* action) {
        return ChildProcess({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, action, GetParam().port});
    }
};

TEST_P(DoneWhen, CProgramRunsACardSessionAndASecondProgramGetsPortBusy) {
    auto first = probe("sequence");
    ASSERT_TRUE(first.waitForLine("sequence ok: credit 50 became 51", 20s)) << first.transcript();
    ASSERT_TRUE(first.waitForLine("holding the port", 5s)) << first.transcript();

    auto second = probe("open");
    ASSERT_TRUE(second.waitForLine("status 9", 10s)) << second.transcript();
    EXPECT_EQ(second.wait(10s), 1);

    first.closeInput();
    EXPECT_EQ(first.wait(10s), 0) << first.transcript();
    console("cards", "credit 51");

    // Once the first program has let go, the port opens again.
    auto third = probe("open");
    ASSERT_TRUE(third.waitForLine("status 0", 10s)) << third.transcript();
    EXPECT_EQ(third.wait(10s), 0);
}

TEST_P(DoneWhen, PortOpensAgainAfterItsHolderWasKilled) {
    {
        auto holder = probe("sequence");
        ASSERT_TRUE(holder.waitForLine("holding the port", 20s)) << holder.transcript();
        holder.signal(SIGKILL);
        ASSERT_TRUE(holder.wait(5s).has_value());
    }
    // A killed holder on the pty left the tty's exclusive flag set; the emulator clears it once
    // no one holds the port's lock, so a new program gets in within a second or so.
    int status = -1;
    for (int attempt = 0; attempt < 50 && status != 0; ++attempt) {
        auto next = probe("open");
        const auto line = next.waitForLine("status ", 10s);
        ASSERT_TRUE(line) << next.transcript();
        status = std::stoi(line->substr(line->find("status ") + 7));
        EXPECT_TRUE(status == 0 || status == 9) << *line;
        next.wait(5s);
        if (status != 0) {
            std::this_thread::sleep_for(100ms);
        }
    }
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(, DoneWhen, testing::ValuesIn(testing_support::allBackEnds()),
                         testing_support::backEndName);

} // namespace
