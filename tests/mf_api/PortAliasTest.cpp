// Alias files in the port folder: a regular file whose first line names another port.
#include "e2e/TempFolder.h"
#include "mf_api/PortName.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class PortAliases : public ::testing::Test {
protected:
    testing_support::TempFolder folder;
    testing_support::TempFolder byId;

    void alias(const std::string& name, const std::string& contents) {
        std::ofstream(folder.path() / name) << contents;
        fs::permissions(folder.path() / name, fs::perms(0644));
    }
    mfapi::PortLookup lookup(std::string_view name) {
        return mfapi::resolvePortName(name, folder.path(), byId.path());
    }
    template <typename T> std::optional<T> target(std::string_view name) {
        const auto result = lookup(name);
        if (result.status != MF_OK || !std::holds_alternative<T>(result.value)) {
            return std::nullopt;
        }
        return std::get<T>(result.value);
    }
    /// The status of a name that leads nowhere.
    std::optional<std::int32_t> refusal(std::string_view name) {
        const auto result = lookup(name);
        return result.status != MF_OK ? std::optional(result.status) : std::nullopt;
    }
};

TEST_F(PortAliases, AnAliasStandsForThePortOnItsFirstLine) {
    alias("COM1", "  pcsc:ACR122 \r\nanything after the first line\n");
    alias("USB", "socket://127.0.0.1:35000");
    const auto pcsc = target<mfapi::PcscPort>("com1");
    ASSERT_TRUE(pcsc);
    EXPECT_EQ(pcsc->nameContains, "ACR122");
    const auto tcp = target<mfapi::TcpPort>("USB");
    ASSERT_TRUE(tcp);
    EXPECT_EQ(tcp->port, 35000);
}

TEST_F(PortAliases, AnAliasMayNameALinkOfTheFolderButNotAnotherAlias) {
    fs::create_symlink("/dev/null", folder.path() / "Reader");
    alias("COM1", "reader\n");
    const auto device = target<mfapi::DevicePort>("COM1");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->path, folder.path() / "Reader");
    alias("COM2", "COM1\n");
    EXPECT_EQ(refusal("COM2"), MF_ERR_NO_SUCH_PORT);
    alias("COM3", "COM3\n");
    EXPECT_EQ(refusal("COM3"), MF_ERR_NO_SUCH_PORT);
}

TEST_F(PortAliases, AnAliasOthersCouldWriteOrALinkToAFileIsNotTrusted) {
    alias("COM1", "pcsc\n");
    fs::permissions(folder.path() / "COM1", fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(refusal("COM1"), MF_ERR_UNSAFE_PORT_FOLDER);
    fs::permissions(folder.path() / "COM1", fs::perms(0644));
    EXPECT_TRUE(target<mfapi::PcscPort>("COM1"));
    // A link to a file could lead anywhere; only the file itself is an alias.
    fs::create_symlink(folder.path() / "COM1", folder.path() / "USB");
    EXPECT_EQ(refusal("USB"), MF_ERR_UNSAFE_PORT_FOLDER);
}

TEST_F(PortAliases, AnAliasOfAnotherUserIsNotTrusted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "skipped: giving a file to another user needs root";
    }
    alias("COM1", "pcsc\n");
    ASSERT_EQ(::chown((folder.path() / "COM1").c_str(), 12345, 12345), 0);
    EXPECT_EQ(refusal("COM1"), MF_ERR_UNSAFE_PORT_FOLDER);
}

TEST_F(PortAliases, AnAliasToAPathNamesAnAbsolutePathOnly) {
    alias("COM1", "/dev/null\n");
    const auto device = target<mfapi::DevicePort>("COM1");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->path, "/dev/null");
    // Relative to wherever the program was started: a name anyone there could plant.
    alias("COM2", "dev/evil\n");
    EXPECT_EQ(refusal("COM2"), MF_ERR_NO_SUCH_PORT);
    alias("COM3", "./ttyUSB0\n");
    EXPECT_EQ(refusal("COM3"), MF_ERR_NO_SUCH_PORT);
}

TEST_F(PortAliases, AnEmptyOrOverlongFirstLineNamesNothing) {
    alias("COM1", "\n  \npcsc\n");
    EXPECT_EQ(refusal("COM1"), MF_ERR_NO_SUCH_PORT);
    alias("COM2", "");
    EXPECT_EQ(refusal("COM2"), MF_ERR_NO_SUCH_PORT);
    alias("COM3", std::string(5000, 'x'));
    EXPECT_EQ(refusal("COM3"), MF_ERR_NO_SUCH_PORT);
}

TEST_F(PortAliases, PcscNamesNeedNoFolder) {
    EXPECT_TRUE(target<mfapi::PcscPort>("PCSC"));
    EXPECT_EQ(target<mfapi::PcscPort>("pcsc:Virtual PCD")->nameContains, "Virtual PCD");
    EXPECT_EQ(target<mfapi::PcscPort>("pcsc:")->nameContains, "");
    // A name merely starting with the letters is no PC/SC port.
    EXPECT_FALSE(target<mfapi::PcscPort>("pcscard"));
    fs::permissions(folder.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_TRUE(target<mfapi::PcscPort>("pcsc"));
}

} // namespace
