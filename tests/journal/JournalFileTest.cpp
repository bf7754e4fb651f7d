// The journal's file: where it lies, who may change it, and that no line is ever half there.
#include "journal/JournalLocation.h"
#include "journal/PurchaseJournal.h"

#include "e2e/AsUser.h"
#include "e2e/FileSizeLimit.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using journal::PurchaseEvent;
using journal::PurchaseJournal;
using journal::PurchaseRecord;
using testing_support::TempFolder;

PurchaseRecord sale(std::string uid, PurchaseEvent event, int newCredit = 40) {
    return {"2026-12-09T10:15:00Z", "USB", std::move(uid), 50, "10", newCredit, event, 0};
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
}

unsigned modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777U;
}

std::string header() {
    return std::string(journal::kHeaderLine);
}

std::string line(const PurchaseRecord& record) {
    return journal::journalLine(record);
}

/// Sets an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class JournalFile : public ::testing::Test {
protected:
    fs::path folder() const { return home.path() / "state" / "tagbench"; }
    fs::path file() const { return folder() / "purchases.csv"; }
    /// The journal's folder as the panel would make it, for a file the test writes first.
    void makeFolder() const {
        fs::create_directories(folder());
        fs::permissions(folder(), fs::perms::owner_all);
    }

    TempFolder home;
};

} // namespace

TEST_F(JournalFile, IsMadeForItsUserAloneWithAHeaderAndEachLineOnAppend) {
    const mode_t oldMask = ::umask(0); // the modes must not rest on the user's umask
    PurchaseJournal journal(file());
    const auto error = journal.append(sale("A1B2C3D4", PurchaseEvent::Asked));
    ::umask(oldMask);
    ASSERT_EQ(error, std::nullopt);
    EXPECT_EQ(modeOf(file()), 0600U);
    EXPECT_EQ(modeOf(folder()), 0700U);
    EXPECT_EQ(modeOf(folder().parent_path()), 0700U);

    ASSERT_EQ(journal.append(sale("A1B2C3D4", PurchaseEvent::Sending)), std::nullopt);
    EXPECT_EQ(readText(file()), header() + line(sale("A1B2C3D4", PurchaseEvent::Asked)) +
                                    line(sale("A1B2C3D4", PurchaseEvent::Sending)));
}

TEST_F(JournalFile, OpenPurchasesComeFromEveryWriterOfTheFile) {
    PurchaseJournal first(file());
    ASSERT_EQ(first.append(sale("A1", PurchaseEvent::Sending)), std::nullopt);
    EXPECT_TRUE(first.openPurchaseOf("A1"));

    // The next run, or a second panel at another till, sees it and settles it.
    PurchaseJournal second(file());
    ASSERT_TRUE(second.openPurchaseOf("A1"));
    EXPECT_EQ(*second.openPurchaseOf("A1"), sale("A1", PurchaseEvent::Sending));
    ASSERT_EQ(second.append(sale("A1", PurchaseEvent::ResolvedWritten)), std::nullopt);
    ASSERT_EQ(second.append(sale("B2", PurchaseEvent::Unknown)), std::nullopt);

    EXPECT_FALSE(first.openPurchaseOf("A1"));
    EXPECT_TRUE(first.openPurchaseOf("B2"));
    EXPECT_FALSE(first.openPurchaseOf("C3"));
}

TEST_F(JournalFile, ALastLineACrashCutShortIsSkippedAndEndedBeforeTheNextLine) {
    makeFolder();
    const std::string cut = line(sale("B2", PurchaseEvent::Sending)).substr(0, 30);
    writeText(file(), header() + line(sale("A1", PurchaseEvent::Sending)) + cut);

    PurchaseJournal journal(file());
    EXPECT_TRUE(journal.openPurchaseOf("A1"));
    EXPECT_FALSE(journal.openPurchaseOf("B2"));
    ASSERT_EQ(journal.append(sale("C3", PurchaseEvent::Sending)), std::nullopt);
    EXPECT_EQ(readText(file()), header() + line(sale("A1", PurchaseEvent::Sending)) + cut + "\n" +
                                    line(sale("C3", PurchaseEvent::Sending)));

    // Read afresh, the ended cut line is still no record and the lines around it are.
    PurchaseJournal again(file());
    EXPECT_TRUE(again.openPurchaseOf("A1"));
    EXPECT_FALSE(again.openPurchaseOf("B2"));
    EXPECT_TRUE(again.openPurchaseOf("C3"));
}

TEST_F(JournalFile, AnOverlongLineIsSkippedUnreadAndTheLinesAfterItAreRead) {
    makeFolder();
    // Longer than any line of ours, however well formed.
    PurchaseRecord overlong = sale("B2", PurchaseEvent::Sending);
    const std::string padded = std::string(100000, ' ') + "10";
    std::string text = line(overlong);
    text.replace(text.find(",10,"), 4, "," + padded + ",");
    writeText(file(), header() + text + line(sale("A1", PurchaseEvent::Sending)));
    PurchaseJournal journal(file());
    EXPECT_TRUE(journal.openPurchaseOf("A1"));
    EXPECT_FALSE(journal.openPurchaseOf("B2"));
}

TEST_F(JournalFile, AFullDiskLeavesNoPartOfTheLineAndTheNextAppendWorks) {
    PurchaseJournal journal(file());
    ASSERT_EQ(journal.append(sale("A1", PurchaseEvent::Asked)), std::nullopt);
    const std::string before = readText(file());
    {
        const testing_support::FileSizeLimit full(before.size() + 10);
        ASSERT_TRUE(full.set());
        const auto error = journal.append(sale("A1", PurchaseEvent::Sending));
        ASSERT_TRUE(error);
        EXPECT_NE(error->find(file().string()), std::string::npos) << *error;
        EXPECT_NE(error->find("too large"), std::string::npos) << *error;
    }
    EXPECT_EQ(readText(file()), before);
    EXPECT_FALSE(journal.openPurchaseOf("A1"));

    ASSERT_EQ(journal.append(sale("A1", PurchaseEvent::Sending)), std::nullopt);
    EXPECT_EQ(readText(file()), before + line(sale("A1", PurchaseEvent::Sending)));
}

TEST_F(JournalFile, AFolderOrFileOthersCouldChangeIsRefusedAndLeftAlone) {
    fs::create_directories(folder());
    fs::permissions(folder(), fs::perms::owner_all | fs::perms::group_all);
    PurchaseJournal journal(file());
    auto error = journal.append(sale("A1", PurchaseEvent::Asked));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, folder().string() + " is writable by other users");
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(modeOf(folder()), 0770U);

    // A folder that is a link could lead anywhere.
    const fs::path elsewhere = home.path() / "elsewhere";
    fs::create_directories(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all);
    fs::remove(folder());
    fs::create_symlink(elsewhere, folder());
    error = PurchaseJournal(file()).append(sale("A1", PurchaseEvent::Asked));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, folder().string() + " is a symbolic link");
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // So could a journal that is a link, and one that others may write.
    fs::remove(folder());
    makeFolder();
    fs::create_symlink(elsewhere / "other.csv", file());
    error = PurchaseJournal(file()).append(sale("A1", PurchaseEvent::Asked));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, file().string() + ": is a symbolic link");
    EXPECT_FALSE(fs::exists(elsewhere / "other.csv"));

    fs::remove(file());
    writeText(file(), header());
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write);
    error = PurchaseJournal(file()).append(sale("A1", PurchaseEvent::Asked));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, file().string() + ": is writable by other users");
    EXPECT_EQ(readText(file()), header());
}

TEST_F(JournalFile, AReadOnlyFolderIsToldWithTheReason) {
    fs::create_directories(folder());
    fs::permissions(folder(), fs::perms::owner_read | fs::perms::owner_exec);
    std::optional<std::string> error;
    if (::geteuid() != 0) {
        error = PurchaseJournal(file()).append(sale("A1", PurchaseEvent::Asked));
    } else {
        // Root writes into a read-only folder all the same: the journal's user is someone else.
        fs::permissions(home.path(), fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
        using testing_support::kNobody;
        ASSERT_EQ(::chown(folder().parent_path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(folder().c_str(), kNobody, kNobody), 0);
        error = testing_support::asUser(kNobody, [&] {
            return PurchaseJournal(file()).append(sale("A1", PurchaseEvent::Asked));
        });
    }
    fs::permissions(folder(), fs::perms::owner_all);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, file().string() + ": Permission denied");
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(JournalFile, AJournalMovedAwayIsLeftWithItsLinesAndANewOneBegins) {
    PurchaseJournal journal(file());
    ASSERT_EQ(journal.append(sale("A1", PurchaseEvent::Written)), std::nullopt);
    fs::rename(file(), folder() / "purchases-monday.csv");
    ASSERT_EQ(journal.append(sale("B2", PurchaseEvent::Written)), std::nullopt);
    EXPECT_EQ(readText(folder() / "purchases-monday.csv"),
              header() + line(sale("A1", PurchaseEvent::Written)));
    EXPECT_EQ(readText(file()), header() + line(sale("B2", PurchaseEvent::Written)));
}

TEST(JournalLocation, IsTheStateFolderOfTheUserByTheXdgRules) {
    {
        const ScopedVariable state("XDG_STATE_HOME", "/srv/state");
        EXPECT_EQ(journal::purchaseJournalPath(), "/srv/state/tagbench/purchases.csv");
    }
    const ScopedVariable home("HOME", "/home/till");
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/state"}) {
        const ScopedVariable state("XDG_STATE_HOME", ignored);
        EXPECT_EQ(journal::purchaseJournalPath(), "/home/till/.local/state/tagbench/purchases.csv");
    }
}
