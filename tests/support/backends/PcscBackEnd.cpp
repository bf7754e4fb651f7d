// Port pcsc: a real pcscd with vpcd's reader, and kov450-emu's card in it.
#include "backends/BackEnd.h"
#include "backends/BackEnds.h"
#include "pcsc/PcscSession.h"

#include <sys/stat.h>

namespace testing_support {

namespace {

class PcscBackEndSession : public BackEndSession, private PcscStack {
public:
    void start() override { PcscStack::start(); }
    ChildProcess& emulator() override { return *emulator_; }
    void remove(const std::string& card) override { console("remove " + card, "no card for vpcd"); }
    void waitUntilGone() override {
        ASSERT_TRUE(PcscWatch::waitForCard(kReader, false, 5s)) << pcscdLog();
    }
    void present(const std::string& card) override { PcscStack::present(card); }
    // vpcd's reader keeps no keys: the library keeps them in a file that only the user reads.
    void expectKeysKept() override {
        const auto file = state_.path() / "mf_api" / "pcsc-keys";
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 07777, 0600U);
    }
};

} // namespace

BackEnd pcscBackEnd() {
    return {.name = "pcsc",
            .port = "pcsc",
            .portAlias = "pcsc:Virtual PCD",
            .readerFunctions = MF_ERR_UNKNOWN_COMMAND,
            .version = "Virtual PCD",
            .openBeforeACardSession = MF_OK,
            .session = []() -> std::unique_ptr<BackEndSession> {
                return std::make_unique<PcscBackEndSession>();
            }};
}

} // namespace testing_support
