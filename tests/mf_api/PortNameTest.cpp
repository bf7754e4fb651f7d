#include "mf_api/PortName.h"
#include "e2e/TempFolder.h"
#include "ports/PortFolder.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using mfapi::DevicePort;
using mfapi::TcpPort;

std::optional<mfapi::PortTarget> targetOf(const mfapi::PortLookup& lookup) {
    if (lookup.status == MF_OK) {
        return lookup.value;
    }
    return std::nullopt;
}

std::optional<fs::path> devicePath(const mfapi::PortLookup& lookup) {
    const auto target = targetOf(lookup);
    if (!target || !std::holds_alternative<DevicePort>(*target)) {
        return std::nullopt;
    }
    return std::get<DevicePort>(*target).path;
}

class PortNames : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    testing_support::TempFolder byId;
    mfapi::PortLookup lookup(std::string_view name) {
        return mfapi::resolvePortName(name, folder.path(), byId.path());
    }
    fs::path resolve(std::string_view name) { return devicePath(lookup(name)).value_or("<none>"); }
    bool refusedAsUnsafe(std::string_view name) {
        return lookup(name).status == MF_ERR_UNSAFE_PORT_FOLDER;
    }
};

TEST_F(PortNames, NameWithASlashIsAnAbsoluteDevicePath) {
    EXPECT_EQ(resolve("/dev/ttyUSB3"), "/dev/ttyUSB3");
    // Relative to wherever the program was started: not a port.
    EXPECT_EQ(resolve("./here"), "<none>");
    EXPECT_EQ(resolve("dev/ttyUSB0"), "<none>");
}

TEST_F(PortNames, LinkInThePortFolderMatchesIgnoringCase) {
    fs::create_symlink("/dev/null", folder.path() / "COM1");
    fs::create_symlink("/dev/null", folder.path() / "Reader");
    EXPECT_EQ(resolve("com1"), folder.path() / "COM1");
    EXPECT_EQ(resolve("READER"), folder.path() / "Reader");
    // Names the folder does not hold keep their defaults.
    EXPECT_EQ(resolve("COM2"), "/dev/ttyS1");
}

TEST_F(PortNames, AnEntryThatIsNoDeviceIsRefusedAndALeftoverLinkNamesNothing) {
    std::ofstream(folder.path() / "COM2") << "x";
    fs::permissions(folder.path() / "COM2", fs::perms(0644));
    fs::create_symlink(folder.path() / "COM2", folder.path() / "COM3");
    fs::create_directory(folder.path() / "COM4");
    fs::create_symlink(folder.path() / "gone", folder.path() / "COM5");
    // A regular file is an alias (PortAliasTest): "x" names no port.
    EXPECT_EQ(lookup("COM2").status, MF_ERR_NO_SUCH_PORT);
    EXPECT_TRUE(refusedAsUnsafe("com3"));
    EXPECT_TRUE(refusedAsUnsafe("COM4"));
    // A killed emulator leaves its link behind: the reader is gone, not planted.
    EXPECT_EQ(lookup("COM5").status, MF_ERR_NO_SUCH_PORT);
}

TEST_F(PortNames, AFolderOthersCanWriteNamesNothingButBlocksNoDefault) {
    fs::create_symlink("/dev/null", folder.path() / "COM1");
    fs::create_symlink("/dev/null", folder.path() / "Reader");
    fs::permissions(folder.path(), fs::perms::others_write, fs::perm_options::add);
    // Whatever it holds could have been planted: a name only it gives is refused...
    EXPECT_TRUE(refusedAsUnsafe("Reader"));
    // ...and the names every machine has keep their devices, whoever made the folder.
    EXPECT_EQ(resolve("COM1"), "/dev/ttyS0");
    EXPECT_EQ(resolve("COM7"), "/dev/ttyS6");
    EXPECT_NE(resolve("USB"), "<none>");
    // Paths and network names never look at the folder.
    EXPECT_EQ(resolve("/dev/ttyUSB3"), "/dev/ttyUSB3");
    EXPECT_TRUE(targetOf(lookup("socket://localhost:4001")).has_value());
}

TEST_F(PortNames, ComNumbersMapToTtySFromZero) {
    EXPECT_EQ(resolve("COM1"), "/dev/ttyS0");
    EXPECT_EQ(resolve("com12"), "/dev/ttyS11");
    EXPECT_EQ(resolve("\\\\.\\COM3"), "/dev/ttyS2");
    EXPECT_EQ(resolve("COM0"), "<none>");
    EXPECT_EQ(resolve("COMX"), "<none>");
    EXPECT_EQ(resolve("COM"), "<none>");
}

TEST_F(PortNames, UsbIsTheSingleSerialByIdEntry) {
    fs::create_symlink("../../ttyACM3", byId.path() / "usb-Maker_Reader-if00");
    EXPECT_EQ(resolve("USB"), byId.path() / "usb-Maker_Reader-if00");
    fs::create_symlink("../../ttyACM4", byId.path() / "usb-Maker_Other-if00");
    const fs::path fallback = resolve("usb");
    EXPECT_TRUE(fallback == "/dev/ttyUSB0" || fallback == "/dev/ttyACM0") << fallback;
}

TEST_F(PortNames, SocketNamesATcpEndpoint) {
    const auto target =
        targetOf(mfapi::resolvePortName("socket://reader.local:4001", folder.path()));
    ASSERT_TRUE(target && std::holds_alternative<TcpPort>(*target));
    EXPECT_EQ(std::get<TcpPort>(*target).host, "reader.local");
    EXPECT_EQ(std::get<TcpPort>(*target).port, 4001);
    const auto v6 = targetOf(mfapi::resolvePortName("socket://[::1]:5000", folder.path()));
    ASSERT_TRUE(v6 && std::holds_alternative<TcpPort>(*v6));
    EXPECT_EQ(std::get<TcpPort>(*v6).host, "::1");
    EXPECT_FALSE(targetOf(lookup("socket://host")).has_value());
    EXPECT_FALSE(targetOf(lookup("socket://host:0")).has_value());
    EXPECT_FALSE(targetOf(lookup("socket://host:99999")).has_value());
}

TEST_F(PortNames, UnknownNamesAndEmptyNamesLeadNowhere) {
    EXPECT_EQ(resolve("LPT1"), "<none>");
    EXPECT_EQ(resolve(""), "<none>");
}

TEST(PortFolder, ComesFromTheEnvironmentInOrder) {
    ::setenv("MF_API_PORTS", "/somewhere/ports", 1);
    EXPECT_EQ(ports::portFolder(), "/somewhere/ports");
    ::unsetenv("MF_API_PORTS");
    ::setenv("XDG_RUNTIME_DIR", "/run/user/42", 1);
    EXPECT_EQ(ports::portFolder(), "/run/user/42/mf_api/ports");
    ::unsetenv("XDG_RUNTIME_DIR");
    // No fallback in /tmp, where any user could make the folder first: the user's state folder.
    ::setenv("XDG_STATE_HOME", "/home/someone/state", 1);
    EXPECT_EQ(ports::portFolder(), "/home/someone/state/mf_api/ports");
}

} // namespace
