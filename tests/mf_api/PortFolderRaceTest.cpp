// Another user swapping a folder of theirs in and out where root's port folder is, while
// root opens a name there: what root judged is what it uses, so their pty is never opened.
#include "e2e/Stranger.h"

#include <MF_API.h>

#include <cstdlib>
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

} // namespace
