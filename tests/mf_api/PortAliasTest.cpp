// Alias files in the port folder: a regular file whose first line names another port.
#include "e2e/TempFolder.h"
#include "mf_api/PortName.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using mfapi::PortRefusal;

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
        const auto* found = std::get_if<mfapi::PortTarget>(&result);
        if (found == nullptr || !std::holds_alternative<T>(*found)) {
            return std::nullopt;
        }
        return std::get<T>(*found);
    }
    std::optional<PortRefusal> refusal(std::string_view name) {
        const auto result = lookup(name);
        const auto* refused = std::get_if<PortRefusal>(&result);
        return refused != nullptr ? std::optional(*refused) : std::nullopt;
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
    EXPECT_EQ(refusal("COM2"), PortRefusal::NoSuchPort);
    alias("COM3", "COM3\n");
    EXPECT_EQ(refusal("COM3"), PortRefusal::NoSuchPort);
}

TEST_F(PortAliases, AnAliasOthersCouldWriteOrALinkToAFileIsNotTrusted) {
    alias("COM1", "pcsc\n");
    fs::permissions(folder.path() / "COM1", fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(refusal("COM1"), PortRefusal::UnsafeFolder);
    fs::permissions(folder.path() / "COM1", fs::perms(0644));
    EXPECT_TRUE(target<mfapi::PcscPort>("COM1"));
    // A link to a file could lead anywhere; only the file itself is an alias.
    fs::create_symlink(folder.path() / "COM1", folder.path() / "USB");
    EXPECT_EQ(refusal("USB"), PortRefusal::UnsafeFolder);
}

TEST_F(PortAliases, AnAliasOfAnotherUserIsNotTrusted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "skipped: giving a file to another user needs root";
    }
    alias("COM1", "pcsc\n");
    ASSERT_EQ(::chown((folder.path() / "COM1").c_str(), 12345, 12345), 0);
    EXPECT_EQ(refusal("COM1"), PortRefusal::UnsafeFolder);
}

TEST_F(PortAliases, AnAliasToAPathNamesAnAbsolutePathOnly) {
    alias("COM1", "/dev/null\n");
    const auto device = target<mfapi::DevicePort>("COM1");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->path, "/dev/null");
    // Relative to wherever the program was started: a name anyone there could plant.
    alias("COM2", "dev/evil\n");
    EXPECT_EQ(refusal("COM2"), PortRefusal::NoSuchPort);
    alias("COM3", "./ttyUSB0\n");
    EXPECT_EQ(refusal("COM3"), PortRefusal::NoSuchPort);
}

TEST_F(PortAliases, AnEmptyOrOverlongFirstLineNamesNothing) {
    alias("COM1", "\n  \npcsc\n");
    EXPECT_EQ(refusal("COM1"), PortRefusal::NoSuchPort);
    alias("COM2", "");
    EXPECT_EQ(refusal("COM2"), PortRefusal::NoSuchPort);
    alias("COM3", std::string(5000, 'x'));
    EXPECT_EQ(refusal("COM3"), PortRefusal::NoSuchPort);
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
