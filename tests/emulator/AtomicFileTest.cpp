#include "emulator/state/AtomicFile.h"

#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
    std::ifstream input(path, std::ios::binary);
    std::ostringstream text;
    text << input.rdbuf();
    return text.str();
}

std::size_t entriesIn(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    testing_support::TempFolder folder;
    const fs::path file = folder.path() / "state.txt";
    kov450::writeTextAtomically(file, "first");
    EXPECT_EQ(contentsOf(file), "first");
    kov450::writeTextAtomically(file, "second, longer");
    EXPECT_EQ(contentsOf(file), "second, longer");
    EXPECT_EQ(entriesIn(folder.path()), 1U);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFile) {
    testing_support::TempFolder folder;
    const fs::path file = folder.path() / "state.txt";
    kov450::writeTextAtomically(file, "kept");
    // A directory in the file's place makes the rename fail after the temporary was written.
    const fs::path blocked = folder.path() / "blocked";
    fs::create_directory(blocked);
    fs::create_directory(blocked / "inside");
    EXPECT_THROW(kov450::writeTextAtomically(blocked, "lost"), std::system_error);
    EXPECT_THROW(kov450::writeTextAtomically(folder.path() / "missing" / "x", "lost"),
                 std::system_error);
    EXPECT_EQ(contentsOf(file), "kept");
    EXPECT_EQ(entriesIn(folder.path()), 2U);
}

TEST(AtomicFile, GivesTheFileTheAskedPermissions) {
    testing_support::TempFolder folder;
    kov450::writeTextAtomically(folder.path() / "private", "x");
    kov450::writeTextAtomically(folder.path() / "shared", "x", 0644);
    EXPECT_EQ(fs::status(folder.path() / "private").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder.path() / "shared").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST(AtomicFile, KnowsItsTemporaryNames) {
    EXPECT_TRUE(kov450::isAtomicTemporary(".state.txt.partial-a1B2c3"));
    EXPECT_FALSE(kov450::isAtomicTemporary("state.txt"));
    EXPECT_FALSE(kov450::isAtomicTemporary("state.txt.unreadable"));
}

} // namespace
