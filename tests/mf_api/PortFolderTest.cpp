#include "ports/PortFolder.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using ports::unsafeFolderReason;

class PortFolderSafety : public ::testing::Test {
protected:
    testing_support::TempFolder top;
    fs::path folder = top.path() / "ports";
    void SetUp() override { fs::create_directory(folder); }
    std::string reason(const fs::path& path) { return unsafeFolderReason(path).value_or("safe"); }
};

TEST_F(PortFolderSafety, APrivateFolderUnderTmpOrNoFolderAtAllIsSafe) {
    EXPECT_EQ(reason(folder), "safe");
    EXPECT_EQ(reason(top.path() / "not-yet"), "safe");
}

TEST_F(PortFolderSafety, ALinkOrAFileIsNotAFolderToTrust) {
    fs::create_directory_symlink(folder, top.path() / "link");
    EXPECT_EQ(reason(top.path() / "link"), (top.path() / "link").string() + " is a symbolic link");
    std::ofstream(top.path() / "file") << "x";
    EXPECT_NE(reason(top.path() / "file"), "safe");
}

TEST_F(PortFolderSafety, NoOneElseMayWriteTheFolderOrAnyFolderAbove) {
    fs::permissions(folder, fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(reason(folder), folder.string() + " is writable by other users");
    // Sticky lets others add names of their own, so it does not save the port folder itself.
    fs::permissions(folder, fs::perms::others_write | fs::perms::sticky_bit, fs::perm_options::add);
    EXPECT_NE(reason(folder), "safe");
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);

    fs::permissions(top.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(reason(folder), top.path().string() + " is writable by other users");
    // A sticky folder above, as /tmp is, keeps others from replacing what is ours.
    fs::permissions(top.path(), fs::perms::sticky_bit, fs::perm_options::add);
    EXPECT_EQ(reason(folder), "safe");
}

TEST_F(PortFolderSafety, AFolderAboveThatALinkLeadsToIsCheckedWhereItReallyIs) {
    testing_support::TempFolder elsewhere;
    fs::create_directory(elsewhere.path() / "ports");
    fs::create_directory(folder / "via");
    fs::create_directory_symlink(elsewhere.path(), folder / "via" / "link");
    EXPECT_EQ(reason(folder / "via" / "link" / "ports"), "safe");
    fs::permissions(elsewhere.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(reason(folder / "via" / "link" / "ports"),
              elsewhere.path().string() + " is writable by other users");
}

TEST_F(PortFolderSafety, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "skipped: giving a folder to another user needs root";
    }
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(::chown(top.path().c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(reason(folder), top.path().string() + " belongs to another user");
    ASSERT_EQ(::chown(top.path().c_str(), 0, 0), 0);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(reason(folder), folder.string() + " belongs to another user");
}

TEST_F(PortFolderSafety, EntriesAreDevicesAliasesLeftoversOrSomethingElse) {
    fs::create_symlink("/dev/null", folder / "dev");
    fs::create_symlink(folder / "nothing", folder / "leftover");
    std::ofstream(folder / "file") << "x";
    fs::create_symlink(folder / "file", folder / "link-to-file");
    fs::create_directory(folder / "folder");
    EXPECT_EQ(ports::entryKind(folder / "dev"), ports::EntryKind::Device);
    EXPECT_EQ(ports::entryKind(folder / "leftover"), ports::EntryKind::Dangling);
    EXPECT_EQ(ports::entryKind(folder / "file"), ports::EntryKind::Alias);
    // Only the file itself is an alias: a link could lead to anyone's file.
    EXPECT_EQ(ports::entryKind(folder / "link-to-file"), ports::EntryKind::Other);
    EXPECT_EQ(ports::entryKind(folder / "folder"), ports::EntryKind::Other);
}

} // namespace
