// Another user's port folder, made first where root would look: it names nothing for root,
// and takes neither COM1 nor USB from root.
#include "e2e/Stranger.h"
#include "mf_api/PortName.h"
#include "ports/PortFolder.h"

#include <MF_API.h>

#include <cstdlib>

namespace {

using testing_support::AnotherUser;
using testing_support::startStranger;
using testing_support::stopStranger;

std::string describe(const mfapi::PortLookup& lookup) {
    if (lookup.status != MF_OK) {
        return lookup.status == MF_ERR_UNSAFE_PORT_FOLDER ? "unsafe folder" : "no such port";
    }
    const auto& target = lookup.value;
    return std::holds_alternative<mfapi::DevicePort>(target)
               ? std::get<mfapi::DevicePort>(target).path.string()
               : "not a device";
}

TEST_F(AnotherUser, AFolderTheyMadeFirstNeitherRedirectsANameNorBlocksComOrUsb) {
    inPrivateTmp([]() -> std::optional<std::string> {
        // Where the folder was looked for without XDG_RUNTIME_DIR, and one a user named in
        // MF_API_PORTS: a stranger made both first.
        const pid_t stranger = startStranger("/tmp/mf_api-0");
        const pid_t second = startStranger("/tmp/shared");
        if (stranger < 0 || second < 0) {
            return "the stranger could not set up";
        }
        ::mkdir("/tmp/home", 0700);
        ::setenv("HOME", "/tmp/home", 1);
        ::unsetenv("XDG_STATE_HOME");
        ::unsetenv("XDG_RUNTIME_DIR");
        const auto lookUp = [](const char* name) {
            return describe(mfapi::resolvePortName(name, ports::portFolder()));
        };
        // USB's device without any folder, whatever this machine has.
        const std::string usb = describe(mfapi::resolvePortName("USB", "/no/such/folder"));
        std::string found;
        std::string expected;
        for (const char* folder : {"", "/tmp/mf_api-0/ports", "/tmp/shared/ports"}) {
            if (*folder != 0) {
                ::setenv("MF_API_PORTS", folder, 1);
            } else {
                ::unsetenv("MF_API_PORTS");
            }
            found += lookUp("COM1") + ", " + lookUp("USB") + ", " + lookUp("EVIL") + "; ";
            // Their names are refused, with a reason, only where they were asked for.
            expected +=
                "/dev/ttyS0, " + usb + (*folder != 0 ? ", unsafe folder; " : ", no such port; ");
        }
        stopStranger(stranger);
        stopStranger(second);
        return found == expected ? std::nullopt : std::optional(found);
    });
}

} // namespace
