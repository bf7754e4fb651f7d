// The acceptance check of port pcsc: a plain C program loads libMF_API.so with dlopen, opens
// port pcsc and reads and writes the credit of kov450-emu's card through a real pcscd; a second
// program meanwhile finds the reader held.
#include "pcsc/PcscSession.h"

namespace {

using namespace std::chrono_literals;

using testing_support::ChildProcess;

class PcscDoneWhen : public testing_support::PcscTest {};

TEST_F(PcscDoneWhen, CProgramReadsAndWritesTheCreditThroughPcscd) {
    const std::vector<std::pair<std::string, std::string>> environment{
        {"XDG_STATE_HOME", state_.path().string()}};
    ChildProcess first({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "sequence", "pcsc"}, environment);
    ASSERT_TRUE(first.waitForLine("sequence ok: credit 50 became 51", 20s)) << first.transcript();
    ASSERT_TRUE(first.waitForLine("holding the port", 5s)) << first.transcript();

    ChildProcess second({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", "pcsc"}, environment);
    ASSERT_TRUE(second.waitForLine("status 9", 10s)) << second.transcript();
    EXPECT_EQ(second.wait(10s), 1);

    first.closeInput();
    EXPECT_EQ(first.wait(10s), 0) << first.transcript();
    console("cards", "credit 51");

    ChildProcess third({MF_API_PROBE_PATH, MF_API_LIBRARY_PATH, "open", "pcsc"}, environment);
    ASSERT_TRUE(third.waitForLine("status 0", 10s)) << third.transcript();
    EXPECT_EQ(third.wait(10s), 0);
}

} // namespace
