// The machine's port folder (/etc/mf_api/ports): where an administrator names a port once for
// every user. It is looked in after the user's own folder, under the same rule, and a folder
// that fails the rule is not looked in at all.
#include "e2e/AsUser.h"
#include "e2e/TempFolder.h"
#include "mf_api/PortName.h"
#include "mf_api/Session.h"
#include "ports/PortFolder.h"

#include <gtest/gtest.h>

#include <MF_API.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using testing_support::TempFolder;

/// What a lookup gives, as one text a table of cases can compare: a device path, "pcsc:TEXT",
/// "unsafe folder" or "no such port".
std::string describe(const mfapi::PortLookup& lookup) {
    if (lookup.status != MF_OK) {
        return lookup.status == MF_ERR_UNSAFE_PORT_FOLDER ? "unsafe folder" : "no such port";
    }
    const auto& target = lookup.value;
    if (const auto* pcsc = std::get_if<mfapi::PcscPort>(&target)) {
        return "pcsc:" + pcsc->nameContains;
    }
    if (const auto* device = std::get_if<mfapi::DevicePort>(&target)) {
        return device->path.string();
    }
    return "tcp";
}

void writeAlias(const fs::path& file, const std::string& name) {
    std::ofstream(file) << name << "\n";
    fs::permissions(file, fs::perms(0644));
}

/// What an administrator puts there: a link to a device and an alias file.
void fillSystemFolder(const fs::path& folder) {
    fs::create_symlink("/dev/null", folder / "Counter");
    writeAlias(folder / "COM1", "pcsc:ACR122");
}

class SystemPortFolder : public ::testing::Test {
protected:
    SystemPortFolder() {
        fs::permissions(system.path(), fs::perms(0755));
        fillSystemFolder(system.path());
    }
    std::string lookUp(std::string_view name) {
        return describe(mfapi::resolvePortName(name, user.path(), byId.path(), system.path()));
    }

    TempFolder user;
    TempFolder system;
    TempFolder byId;
};

TEST_F(SystemPortFolder, NamesWhatTheUsersFolderDoesNotAndTheUsersOwnWins) {
    EXPECT_EQ(lookUp("counter"), (system.path() / "Counter").string());
    EXPECT_EQ(lookUp("COM1"), "pcsc:ACR122");
    // Names neither folder holds keep their defaults.
    EXPECT_EQ(lookUp("COM2"), "/dev/ttyS1");
    EXPECT_EQ(lookUp("LPT1"), "no such port");

    // The user's own names come first, whatever the machine's folder says.
    fs::create_symlink("/dev/null", user.path() / "com1");
    writeAlias(user.path() / "Counter", "pcsc:OMNIKEY");
    EXPECT_EQ(lookUp("COM1"), (user.path() / "com1").string());
    EXPECT_EQ(lookUp("Counter"), "pcsc:OMNIKEY");
}

TEST_F(SystemPortFolder, AnAliasThereIsLookedUpInTheUsersFolderFirst) {
    writeAlias(system.path() / "USB", "Counter");
    EXPECT_EQ(lookUp("USB"), (system.path() / "Counter").string());
    fs::create_symlink("/dev/zero", user.path() / "Counter");
    EXPECT_EQ(lookUp("USB"), (user.path() / "Counter").string());
}

TEST_F(SystemPortFolder, IsLookedInWhenTheUsersFolderIsMissingOrUnsafe) {
    EXPECT_EQ(describe(mfapi::resolvePortName("Counter", user.path() / "missing", byId.path(),
                                              system.path())),
              (system.path() / "Counter").string());
    fs::create_symlink("/dev/zero", user.path() / "Counter");
    fs::permissions(user.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(lookUp("Counter"), (system.path() / "Counter").string());
}

TEST_F(SystemPortFolder, AFolderOthersCanWriteIsNotLookedIn) {
    for (const fs::perms writable : {fs::perms::group_write, fs::perms::others_write}) {
        fs::permissions(system.path(), fs::perms(0755));
        fs::permissions(system.path(), writable, fs::perm_options::add);
        // Its names are refused with the reason; COM1 keeps its device.
        EXPECT_EQ(lookUp("Counter"), "unsafe folder");
        EXPECT_EQ(lookUp("COM1"), "/dev/ttyS0");
        EXPECT_EQ(lookUp("COM2"), "/dev/ttyS1");
    }
}

TEST_F(SystemPortFolder, AnAliasThereThatOthersCanWriteIsNotFollowed) {
    fs::permissions(system.path() / "COM1", fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(lookUp("COM1"), "unsafe folder");
}

/// Runs `act` in a child with a mount namespace of its own whose /etc is an empty tmpfs, so that
/// the test may make /etc/mf_api/ports at its real place without touching the machine's /etc.
template <typename Act> std::optional<std::string> inPrivateEtc(Act act) {
    return testing_support::inChild([&]() -> std::optional<std::string> {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", "/etc", "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0) {
            return std::string("no private /etc: ") + std::strerror(errno);
        }
        return act();
    });
}

/// The folder at its real place, as the library finds it with no argument: root's, another
/// user's, or one others can write.
TEST(SystemPortFolderInPlace, IsFoundAndOpenedAndIgnoredWhenAnotherUserCouldChangeIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "skipped: a private /etc and another user's folder need root";
    }
    const TempFolder user;
    const auto said = inPrivateEtc([&user]() -> std::optional<std::string> {
        const fs::path system = ports::kSystemPortFolder;
        if (::mkdir("/etc/mf_api", 0755) != 0 || ::mkdir(system.c_str(), 0755) != 0) {
            return "cannot make " + system.string();
        }
        // The administrator's reader: a pty, as a USB adapter's device would be.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
            ::symlink(::ptsname(master), (system / "Counter").c_str()) != 0) {
            return "no pty";
        }
        writeAlias(system / "COM1", "pcsc:ACR122");
        ::setenv("MF_API_PORTS", user.path().c_str(), 1);
        const auto lookUp = [&user](const char* name) {
            return describe(mfapi::resolvePortName(name, user.path()));
        };
        std::string found;
        // The library's own open, through the folder judged at its real place.
        auto& session = mfapi::Session::instance();
        found += "open " + std::to_string(session.open("counter", 9600)) + "; ";
        static_cast<void>(session.close());
        found += lookUp("COM1") + "; ";
        // Another user's folder, a folder above it of another user, one others can write.
        const auto unsafe = [&](const char* how, const auto& make, const auto& undo) {
            make();
            found += std::string(how) + ": open " + std::to_string(session.open("Counter", 9600)) +
                     ", " + lookUp("Counter") + ", " + lookUp("COM1") + "; ";
            static_cast<void>(session.close());
            undo();
        };
        unsafe(
            "theirs",
            [&] { static_cast<void>(::chown(system.c_str(), testing_support::kNobody, 0)); },
            [&] { static_cast<void>(::chown(system.c_str(), 0, 0)); });
        unsafe(
            "above", [] { static_cast<void>(::chown("/etc/mf_api", testing_support::kNobody, 0)); },
            [] { static_cast<void>(::chown("/etc/mf_api", 0, 0)); });
        unsafe(
            "writable", [&] { static_cast<void>(::chmod(system.c_str(), 0775)); },
            [&] { static_cast<void>(::chmod(system.c_str(), 0755)); });
        ::close(master);
        const std::string expected = "open 0; pcsc:ACR122; "
                                     "theirs: open -10, unsafe folder, /dev/ttyS0; "
                                     "above: open -10, unsafe folder, /dev/ttyS0; "
                                     "writable: open -10, unsafe folder, /dev/ttyS0; ";
        return found == expected ? std::nullopt : std::optional(found);
    });
    if (said && said->starts_with("no private /etc")) {
        GTEST_SKIP() << "skipped: " << *said;
    }
    EXPECT_EQ(said, std::nullopt);
}

} // namespace
