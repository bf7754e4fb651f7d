// The acceptance check of our MF_API: a plain C program loads libMF_API.so with dlopen, runs a
// whole card session on COM1 of kov450-emu, and a second program opening COM1 meanwhile gets 9.
#include "e2e/EmulatorSession.h"

#include <csignal>
#include <thread>

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

TEST_F(DoneWhen, PortOpensAgainAfterItsHolderWasKilled) {
    const std::vector<std::pair<std::string, std::string>> environment{
        {"MF_API_PORTS", ports_.path().string()}, {"MF_API_ANSWER_MARGIN_MS", kMarginMs}};
    {
        ChildProcess holder({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "sequence", "COM1"},
                            environment);
        ASSERT_TRUE(holder.waitForLine("holding the port", 20s)) << holder.transcript();
        holder.signal(SIGKILL);
        ASSERT_TRUE(holder.wait(5s).has_value());
    }
    // The killed holder left the tty's exclusive flag set; the emulator clears it once no one
    // holds the port's lock, so a new program gets in within a second or so.
    int status = -1;
    for (int attempt = 0; attempt < 50 && status != 0; ++attempt) {
        ChildProcess next({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", "COM1"}, environment);
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

} // namespace
