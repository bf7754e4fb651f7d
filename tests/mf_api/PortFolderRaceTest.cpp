// Another user swapping a folder of theirs in and out where root's port folder is, while
// root opens a name there: what root judged is what it uses, so their pty is never opened.
#include "e2e/Stranger.h"

#include <MF_API.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using testing_support::AnotherUser;
using testing_support::startStranger;
using testing_support::stopStranger;

TEST_F(AnotherUser, AFolderSwappedInWhileANameIsLookedUpIsNeverUsed) {
    inPrivateTmp([]() -> std::optional<std::string> {
        const pid_t stranger = startStranger("/tmp/theirs", "/tmp/mf_api-0");
        if (stranger < 0) {
            return "the stranger could not set up";
        }
        ::setenv("MF_API_PORTS", "/tmp/mf_api-0/ports", 1);
        constexpr int kTries = 20000;
        int won = 0;
        for (int attempt = 0; attempt < kTries; ++attempt) {
            if (MF_InitComm("EVIL", 9600) == MF_OK) {
                ++won;
                MF_ExitComm();
            }
        }
        stopStranger(stranger);
        return won == 0 ? std::nullopt
                        : std::optional("their pty was opened " + std::to_string(won) + " of " +
                                        std::to_string(kTries) + " times");
    });
}

// A link of root's own, left behind to a terminal that another user now holds (a pty number
// reused after an emulator ended): the name reaches no port, and nothing is sent to their pty.
TEST_F(AnotherUser, ALinkLeftToAStrangersTerminalIsNoPort) {
    inPrivateTmp([]() -> std::optional<std::string> {
        const pid_t stranger = startStranger("/tmp/theirs");
        if (stranger < 0) {
            return "the stranger could not set up";
        }
        std::error_code error;
        const auto theirPty = std::filesystem::read_symlink("/tmp/theirs/ports/COM1", error);
        std::filesystem::create_directories("/tmp/ours/ports", error);
        std::filesystem::permissions("/tmp/ours", std::filesystem::perms::owner_all, error);
        std::filesystem::create_symlink(theirPty, "/tmp/ours/ports/COM1", error);
        ::setenv("MF_API_PORTS", "/tmp/ours/ports", 1);
        const std::int32_t status = MF_InitComm("COM1", 9600);
        MF_ExitComm();
        stopStranger(stranger);
        if (error) {
            return "setting up: " + error.message();
        }
        return status == MF_ERR_NO_SUCH_PORT
                   ? std::nullopt
                   : std::optional("COM1 gave " + std::to_string(status) + ", not -5");
    });
}

} // namespace
