// The PC/SC back end's key store file: private, created safely, refused when others could
// read or plant it.
#include "mf_api/pcsc/KeyStoreFile.h"
#include "e2e/TempFolder.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using mfapi::pcsc::KeyStoreFile;
using mfapi::pcsc::StoredKeySlot;
using protocol::KeyType;

constexpr protocol::Key kKey{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};

class KeyStore : public ::testing::Test {
protected:
    testing_support::TempFolder state;
    fs::path file = state.path() / "new" / "mf_api" / "pcsc-keys";
    KeyStoreFile keys{file};

    unsigned modeOf(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
};

TEST_F(KeyStore, SlotsHoldTheFactoryKeyUntilOneIsStored) {
    const auto slot = keys.load(KeyType::A, 15);
    ASSERT_EQ(slot.status, MF_OK);
    EXPECT_FALSE(slot.value.inReader);
    EXPECT_EQ(slot.value.key, (protocol::Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(KeyStore, AStoredKeyLastsInAPrivateFileInPrivateFolders) {
    ASSERT_EQ(keys.store(KeyType::B, 3, StoredKeySlot{false, kKey}), MF_OK);
    ASSERT_EQ(keys.store(KeyType::A, 0, StoredKeySlot{true, {}}), MF_OK);
    EXPECT_EQ(modeOf(file), 0600U);
    EXPECT_EQ(modeOf(file.parent_path()), 0700U);
    EXPECT_EQ(modeOf(file.parent_path().parent_path()), 0700U);
    const auto keyB = KeyStoreFile(file).load(KeyType::B, 3);
    ASSERT_EQ(keyB.status, MF_OK);
    EXPECT_EQ(keyB.value.key, kKey);
    const auto keyA = KeyStoreFile(file).load(KeyType::A, 0);
    ASSERT_EQ(keyA.status, MF_OK);
    EXPECT_TRUE(keyA.value.inReader);
    // Nothing else is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);
}

TEST_F(KeyStore, AFileOthersCanReadOrALinkInItsPlaceIsRefused) {
    ASSERT_EQ(keys.store(KeyType::B, 3, StoredKeySlot{false, kKey}), MF_OK);
    fs::permissions(file, fs::perms::group_read, fs::perm_options::add);
    EXPECT_EQ(keys.load(KeyType::B, 3).status, MF_ERR_IO);
    EXPECT_EQ(keys.store(KeyType::B, 4, StoredKeySlot{false, kKey}), MF_ERR_IO);
    fs::remove(file);
    std::ofstream(state.path() / "elsewhere") << "A 0 000000000000\n";
    fs::permissions(state.path() / "elsewhere", fs::perms(0600));
    fs::create_symlink(state.path() / "elsewhere", file);
    EXPECT_EQ(keys.load(KeyType::B, 3).status, MF_ERR_IO);
}

TEST_F(KeyStore, AFolderOthersCanWriteOrAGarbledFileIsRefused) {
    ASSERT_EQ(keys.store(KeyType::B, 3, StoredKeySlot{false, kKey}), MF_OK);
    fs::permissions(file.parent_path(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(keys.store(KeyType::B, 4, StoredKeySlot{false, kKey}), MF_ERR_IO);
    fs::permissions(file.parent_path(), fs::perms(0700));
    {
        std::ofstream garbled(file, std::ios::trunc);
        garbled << "A 99 7D7D7D7D7D7D\n";
    }
    EXPECT_EQ(keys.load(KeyType::B, 3).status, MF_ERR_IO);
}

TEST_F(KeyStore, LoadingObeysTheFolderRuleAsStoringDoes) {
    ASSERT_EQ(keys.store(KeyType::B, 3, StoredKeySlot{false, kKey}), MF_OK);
    // Anyone could delete the file here and have the factory key used in its place.
    fs::permissions(file.parent_path(), fs::perms::all, fs::perm_options::replace);
    EXPECT_EQ(keys.load(KeyType::B, 3).status, MF_ERR_IO);
    EXPECT_EQ(keys.store(KeyType::B, 4, StoredKeySlot{false, kKey}), MF_ERR_IO);
}

TEST_F(KeyStore, StoresAtTheSameTimeLoseNoKey) {
    // Programs storing keys at once, each its own slot: every key must be there after.
    constexpr int kWriters = 4;
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove(file);
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> writers;
        for (int writer = 0; writer < kWriters; ++writer) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(start[1]);
                char go = 0;
                [[maybe_unused]] const ssize_t got = ::read(start[0], &go, 1);
                const protocol::Key key{0x10, 0x20, 0x30,
                                        0x40, 0x50, static_cast<std::uint8_t>(writer)};
                ::_exit(keys.store(KeyType::A, static_cast<std::uint8_t>(writer), {false, key}) ==
                                MF_OK
                            ? 0
                            : 1);
            }
            writers.push_back(child);
        }
        ::close(start[0]);
        ::close(start[1]); // all go at once
        for (const pid_t writer : writers) {
            int status = 0;
            ::waitpid(writer, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        for (int writer = 0; writer < kWriters; ++writer) {
            const auto slot = keys.load(KeyType::A, static_cast<std::uint8_t>(writer));
            ASSERT_EQ(slot.status, MF_OK);
            ASSERT_EQ(slot.value.key[5], writer) << "round " << round << ": a key was lost";
        }
    }
}

TEST(KeyStoreText, ReadsOnlyWhatItWrites) {
    mfapi::pcsc::KeySlots slots{};
    slots.at(KeyType::A, 3) = StoredKeySlot{false, kKey};
    slots.at(KeyType::B, 15) = StoredKeySlot{true, {}};
    EXPECT_EQ(mfapi::pcsc::parseKeySlots(mfapi::pcsc::formatKeySlots(slots)), slots);
    EXPECT_EQ(mfapi::pcsc::parseKeySlots("A 3 7d7d7d7d7d7d\n\nB 15 reader")->at(KeyType::A, 3).key,
              kKey);
    for (const char* garbled : {
             "A 3 -1-1-1-1-1-1",   // a sign is no hex digit
             "A 3 +7+7+7+7+7+7",   //
             "A 3 7D7D7D7D7D",     // 10 digits
             "A 3 7D7D7D7D7D7D7D", // 14 digits
             "A 3 7D7D7D7D7D7G",   //
             "A 3  7D7D7D7D7D7D",  // two spaces
             "A 3 7D7D7D7D7D7D x", //
             "A +3 7D7D7D7D7D7D",  //
             "A 16 7D7D7D7D7D7D",  // slots are 0 to 15
             "A -1 7D7D7D7D7D7D",  //
             "C 0 7D7D7D7D7D7D",   //
             "a 0 7D7D7D7D7D7D",   //
             "B 0 READER",         //
             "B 0",                //
         }) {
        EXPECT_EQ(mfapi::pcsc::parseKeySlots(garbled), std::nullopt) << garbled;
    }
}

TEST_F(KeyStore, TheDefaultFileIsInTheStateFolder) {
    ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
    EXPECT_EQ(KeyStoreFile::defaultPath(), "/somewhere/state/mf_api/pcsc-keys");
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(KeyStoreFile::defaultPath(), "/home/someone/.local/state/mf_api/pcsc-keys");
}

} // namespace
