// The port folder's safety rule, judged on descriptors: ports::SafeFolder.
#include "ports/PortFolder.h"
#include "e2e/AsUser.h"
#include "e2e/TempFolder.h"
#include "ports/SafeFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using ports::FolderProblem;
using ports::SafeFolder;
using testing_support::kNobody;

/// "safe", or the kind and reason of the problem, as one text to compare.
std::string judged(const std::variant<SafeFolder, FolderProblem>& opened) {
    if (std::holds_alternative<SafeFolder>(opened)) {
        return "safe";
    }
    const auto& problem = std::get<FolderProblem>(opened);
    return (problem.kind == FolderProblem::Kind::Missing ? "missing: " : "unsafe: ") +
           problem.reason;
}

class PortFolderSafety : public ::testing::Test {
protected:
    testing_support::TempFolder top;
    fs::path folder = top.path() / "ports";
    void SetUp() override { fs::create_directory(folder); }
    std::string open(const fs::path& path) { return judged(SafeFolder::open(path)); }
    static void requireRoot() {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "skipped: giving a folder to another user needs root";
        }
    }
};

TEST_F(PortFolderSafety, APrivateFolderUnderTmpIsSafeAndAMissingOneNamesNothing) {
    EXPECT_EQ(open(folder), "safe");
    EXPECT_EQ(open(top.path() / "not-yet" / "ports"),
              "missing: " + (top.path() / "not-yet").string() + ": No such file or directory");
    EXPECT_EQ(open("relative/ports"), "unsafe: relative/ports is not an absolute path");
}

TEST_F(PortFolderSafety, ALinkOrAFileIsNotAFolderToTrust) {
    fs::create_directory_symlink(folder, top.path() / "link");
    EXPECT_EQ(open(top.path() / "link"),
              "unsafe: " + (top.path() / "link").string() + " is a symbolic link");
    std::ofstream(top.path() / "file") << "x";
    EXPECT_EQ(open(top.path() / "file"),
              "unsafe: " + (top.path() / "file").string() + " is not a folder");
}

TEST_F(PortFolderSafety, NoOneElseMayWriteTheFolderOrAnyFolderAbove) {
    fs::permissions(folder, fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(open(folder), "unsafe: " + folder.string() + " is writable by other users");
    // Sticky lets others add names of their own, so it does not save the port folder itself.
    fs::permissions(folder, fs::perms::others_write | fs::perms::sticky_bit, fs::perm_options::add);
    EXPECT_NE(open(folder), "safe");
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);

    fs::permissions(top.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(open(folder), "unsafe: " + top.path().string() + " is writable by other users");
    // A sticky folder above, as /tmp is, keeps others from replacing what is ours.
    fs::permissions(top.path(), fs::perms::sticky_bit, fs::perm_options::add);
    EXPECT_EQ(open(folder), "safe");
}

TEST_F(PortFolderSafety, AFolderAboveThatALinkLeadsToIsCheckedWhereItReallyIs) {
    testing_support::TempFolder elsewhere;
    fs::create_directory(elsewhere.path() / "ports");
    fs::create_directory(folder / "via");
    fs::create_directory_symlink(elsewhere.path(), folder / "via" / "link");
    fs::create_directory_symlink("../via/link", folder / "via" / "relative");
    EXPECT_EQ(open(folder / "via" / "link" / "ports"), "safe");
    EXPECT_EQ(open(folder / "via" / "relative" / "ports"), "safe");
    fs::permissions(elsewhere.path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(open(folder / "via" / "link" / "ports"),
              "unsafe: " + elsewhere.path().string() + " is writable by other users");
}

TEST_F(PortFolderSafety, WhatAnotherUserOwnsOnTheWayIsRefused) {
    requireRoot();
    // Their folder above ours, their folder itself, their link on the way.
    ASSERT_EQ(::chown(top.path().c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(open(folder), "unsafe: " + top.path().string() + " belongs to another user");
    ASSERT_EQ(::chown(top.path().c_str(), 0, 0), 0);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(open(folder), "unsafe: " + folder.string() + " belongs to another user");
    ASSERT_EQ(::chown(folder.c_str(), 0, 0), 0);
    fs::create_directory(top.path() / "real");
    fs::create_directory_symlink(top.path() / "real", top.path() / "theirs");
    ASSERT_EQ(::lchown((top.path() / "theirs").c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(open(top.path() / "theirs" / "x"),
              "unsafe: " + (top.path() / "theirs").string() + " is a link of another user");
}

TEST_F(PortFolderSafety, MakingAFolderMakesEachMissingOnePrivateAndJudgesWhatWasThere) {
    const fs::path nested = folder / "made" / "by" / "us";
    EXPECT_EQ(judged(SafeFolder::make(nested)), "safe");
    for (const fs::path& made :
         {nested.parent_path().parent_path(), nested.parent_path(), nested}) {
        EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all) << made;
    }
    fs::permissions(folder, fs::perms(0750), fs::perm_options::replace);
    EXPECT_EQ(judged(SafeFolder::make(nested)), "safe");
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0750)) << "a folder that was there";
}

TEST_F(PortFolderSafety, AFolderAnotherUserMadeFirstIsNeitherUsedNorTakenOver) {
    requireRoot();
    // A folder anyone may make things in, as /tmp; they made theirs where ours would go.
    fs::permissions(top.path(), fs::perms(0711), fs::perm_options::replace);
    fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    ASSERT_EQ(testing_support::asUser(kNobody,
                                      [&]() -> std::optional<std::string> {
                                          if (::mkdir((folder / "theirs").c_str(), 0700) != 0) {
                                              return "cannot make it";
                                          }
                                          return std::nullopt;
                                      }),
              std::nullopt);
    EXPECT_EQ(judged(SafeFolder::make(folder / "theirs" / "ports")),
              "unsafe: " + (folder / "theirs").string() + " belongs to another user");
    EXPECT_FALSE(fs::exists(folder / "theirs" / "ports"));
}

TEST_F(PortFolderSafety, EntriesAreDevicesAliasesLeftoversOrSomethingElse) {
    fs::create_symlink("/dev/null", folder / "dev");
    fs::create_symlink(folder / "nothing", folder / "leftover");
    std::ofstream(folder / "file") << "x";
    fs::create_symlink(folder / "file", folder / "link-to-file");
    fs::create_directory(folder / "folder");
    const auto opened = SafeFolder::open(folder);
    ASSERT_EQ(judged(opened), "safe");
    const SafeFolder& safe = std::get<SafeFolder>(opened);
    EXPECT_EQ(ports::entryKind(safe, "dev"), ports::EntryKind::Device);
    EXPECT_EQ(ports::entryKind(safe, "leftover"), ports::EntryKind::Dangling);
    EXPECT_EQ(ports::entryKind(safe, "file"), ports::EntryKind::Alias);
    // Only the file itself is an alias: a link could lead to anyone's file.
    EXPECT_EQ(ports::entryKind(safe, "link-to-file"), ports::EntryKind::Other);
    EXPECT_EQ(ports::entryKind(safe, "folder"), ports::EntryKind::Other);
    EXPECT_EQ(ports::findEntry(safe, "DEV"), "dev");
    EXPECT_EQ(ports::findEntry(safe, ".."), std::nullopt);
}

} // namespace
