#include "mf_api/PortName.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using mfapi::DevicePort;
using mfapi::TcpPort;

std::optional<fs::path> devicePath(const std::optional<mfapi::PortTarget>& target) {
    if (!target || !std::holds_alternative<DevicePort>(*target)) {
        return std::nullopt;
    }
    return std::get<DevicePort>(*target).path;
}

class PortNames : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    testing_support::TempFolder byId;
    fs::path resolve(std::string_view name) {
        return devicePath(mfapi::resolvePortName(name, folder.path(), byId.path()))
            .value_or("<none>");
    }
};

TEST_F(PortNames, NameWithASlashIsADevicePath) {
    EXPECT_EQ(resolve("/dev/ttyUSB3"), "/dev/ttyUSB3");
    EXPECT_EQ(resolve("./here"), "./here");
}

TEST_F(PortNames, LinkInThePortFolderMatchesIgnoringCase) {
    fs::create_symlink("/dev/null", folder.path() / "COM1");
    fs::create_symlink("/dev/null", folder.path() / "Reader");
    EXPECT_EQ(resolve("com1"), folder.path() / "COM1");
    EXPECT_EQ(resolve("READER"), folder.path() / "Reader");
    // A plain file is not a port link; COM1's default still applies to other numbers.
    std::ofstream(folder.path() / "COM2") << "x";
    EXPECT_EQ(resolve("COM2"), "/dev/ttyS1");
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
    const auto target = mfapi::resolvePortName("socket://reader.local:4001", folder.path());
    ASSERT_TRUE(target && std::holds_alternative<TcpPort>(*target));
    EXPECT_EQ(std::get<TcpPort>(*target).host, "reader.local");
    EXPECT_EQ(std::get<TcpPort>(*target).port, 4001);
    const auto v6 = mfapi::resolvePortName("socket://[::1]:5000", folder.path());
    ASSERT_TRUE(v6 && std::holds_alternative<TcpPort>(*v6));
    EXPECT_EQ(std::get<TcpPort>(*v6).host, "::1");
    EXPECT_FALSE(mfapi::resolvePortName("socket://host", folder.path()).has_value());
    EXPECT_FALSE(mfapi::resolvePortName("socket://host:0", folder.path()).has_value());
    EXPECT_FALSE(mfapi::resolvePortName("socket://host:99999", folder.path()).has_value());
}

TEST_F(PortNames, UnknownNamesAndEmptyNamesLeadNowhere) {
    EXPECT_EQ(resolve("LPT1"), "<none>");
    EXPECT_EQ(resolve(""), "<none>");
}

TEST(PortFolder, ComesFromTheEnvironmentInOrder) {
    ::setenv("MF_API_PORTS", "/somewhere/ports", 1);
    EXPECT_EQ(mfapi::portFolder(), "/somewhere/ports");
    ::unsetenv("MF_API_PORTS");
    ::setenv("XDG_RUNTIME_DIR", "/run/user/42", 1);
    EXPECT_EQ(mfapi::portFolder(), "/run/user/42/mf_api/ports");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(mfapi::portFolder(), fs::path("/tmp/mf_api-" + std::to_string(::getuid())) / "ports");
}

} // namespace
