// The acceptance check of our MF_API: a plain C program loads libMF_API.so with dlopen, runs a
// whole card session on COM1 of kov450-emu, and a second program opening COM1 meanwhile gets 9.
#include "support/EmulatorSession.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;

class DoneWhen : public testing_support::EmulatorTest {};

TEST_F(DoneWhen, CProgramRunsACardSessionAndASecondProgramGetsPortBusy) {
    const std::vector<std::pair<std::string, std::string>> environment{
        {"MF_API_PORTS", ports_.path().string()}, {"MF_API_ANSWER_MARGIN_MS", kMarginMs}};
    ChildProcess first({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "sequence", "COM1"}, environment);
    ASSERT_TRUE(first.waitForLine("sequence ok: credit 50 became 51", 20s)) << first.transcript();
    ASSERT_TRUE(first.waitForLine("holding the port", 5s)) << first.transcript();

    ChildProcess second({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", "COM1"}, environment);
    ASSERT_TRUE(second.waitForLine("status 9", 10s)) << second.transcript();
    EXPECT_EQ(second.wait(10s), 1);

    first.closeInput();
    EXPECT_EQ(first.wait(10s), 0) << first.transcript();
    console("cards", "credit 51");

    // Once the first program has let go, the port opens again.
    ChildProcess third({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", "COM1"}, environment);
    ASSERT_TRUE(third.waitForLine("status 0", 10s)) << third.transcript();
    EXPECT_EQ(third.wait(10s), 0);
}

} // namespace
