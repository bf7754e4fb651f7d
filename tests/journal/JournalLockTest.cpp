// Programs appending to one journal at once: each waits its turn for the lock, however busy the
// others keep it, and no line is lost or mixed with another.
#include "journal/PurchaseJournal.h"

#include "e2e/TempFolder.h"
#include "ports/FileDescriptor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using journal::PurchaseEvent;
using journal::PurchaseJournal;
using journal::PurchaseRecord;

PurchaseRecord sale(std::string port, int number) {
    return {"2026-12-09T10:15:00Z",
            std::move(port),
            "UID" + std::to_string(number),
            50,
            "10",
            40,
            PurchaseEvent::Asked,
            0};
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// Whether an open file waits in the kernel for the flock of the file open as `fd`: /proc/locks
/// lists a waiting request with "->" before it.
bool someoneWaitsForTheLockOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return false;
    }
    std::array<char, 64> id{};
    std::snprintf(id.data(), id.size(), " %02x:%02x:%llu ", major(info.st_dev), minor(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        if (line.find("->") != std::string::npos && line.find(id.data()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

/// The threads this process runs now.
std::size_t threadCount() {
    const fs::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

/// Another program of ours, busy with the journal: it appends under the lock and holds it for
/// as long as no one waits (a second at most), then lets it go for a moment only, between two of
/// its lines. A writer that tries the lock now and then almost never finds it free; one that
/// waits for it in the kernel is woken at that moment. So that the test does not rest on how
/// soon a woken writer gets the processor, this one takes the lock again only once such a
/// writer has appended, as a fair lock would.
class BusyWriter {
public:
    explicit BusyWriter(const fs::path& file)
        : fd_(::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)),
          thread_([this](const std::stop_token& stop) { run(stop); }) {}
    ~BusyWriter() {
        finish();
        ::close(fd_);
    }
    BusyWriter(const BusyWriter&) = delete;
    BusyWriter& operator=(const BusyWriter&) = delete;

    /// Stops it; what went wrong with its own lines, if anything.
    std::string finish() {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
        return trouble_;
    }

private:
    void run(const std::stop_token& stop) {
        const std::string line = journal::journalLine(sale("busy", 0));
        while (!stop.stop_requested()) {
            if (::flock(fd_, LOCK_EX) != 0 ||
                ::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
                trouble_ = "cannot lock or write";
                return;
            }
            const auto holdUntil = std::chrono::steady_clock::now() + 1s;
            bool waited = someoneWaitsForTheLockOf(fd_);
            while (!waited && std::chrono::steady_clock::now() < holdUntil &&
                   !stop.stop_requested()) {
                std::this_thread::sleep_for(50us);
                waited = someoneWaitsForTheLockOf(fd_);
            }
            const off_t size = sizeOf(fd_);
            ::flock(fd_, LOCK_UN);
            const auto giveUp = std::chrono::steady_clock::now() + 10s;
            while (waited && sizeOf(fd_) == size && !stop.stop_requested()) {
                if (std::chrono::steady_clock::now() > giveUp) {
                    trouble_ = "a writer woken by the lock's release never appended";
                    return;
                }
                std::this_thread::sleep_for(20us);
            }
        }
    }
    static off_t sizeOf(int fd) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? info.st_size : -1;
    }

    int fd_;
    std::string trouble_;
    std::jthread thread_;
};

class JournalLock : public ::testing::Test {
protected:
    fs::path file() const { return home.path() / "tagbench" / "purchases.csv"; }

    testing_support::TempFolder home;
};

} // namespace

TEST_F(JournalLock, WritersAppendingThousandsOfLinesBesideABusyOneAllGetTheirTurn) {
    if (!std::ifstream("/proc/locks")) {
        GTEST_SKIP() << "skipped: no /proc/locks to tell who waits for the lock";
    }
    ASSERT_EQ(PurchaseJournal(file()).append(sale("first", 0)), std::nullopt);
    constexpr std::size_t kWriters = 2;
    constexpr int kLinesEach = 1500;
    std::array<std::string, kWriters> errors;
    std::string busyTrouble;
    {
        BusyWriter busy(file());
        std::vector<std::jthread> writers;
        for (std::size_t w = 0; w < kWriters; ++w) {
            writers.emplace_back([&, w] {
                PurchaseJournal journal(file());
                for (int i = 0; i < kLinesEach; ++i) {
                    if (auto error = journal.append(sale("till " + std::to_string(w), i))) {
                        errors[w] = "line " + std::to_string(i) + ": " + *error;
                        return;
                    }
                }
            });
        }
        writers.clear();
        busyTrouble = busy.finish();
    }
    EXPECT_EQ(errors, (std::array<std::string, kWriters>{}));
    EXPECT_EQ(busyTrouble, "");

    // Every line is whole, and each writer's lines are there once, in their order.
    const std::string text = readText(file());
    std::istringstream lines(text);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line + "\n", journal::kHeaderLine);
    std::array<int, kWriters> next{};
    std::size_t busyLines = 0;
    while (std::getline(lines, line)) {
        const auto record = journal::parseJournalLine(line);
        ASSERT_TRUE(record) << line;
        if (record->port == "busy") {
            ++busyLines;
        } else if (record->port.starts_with("till ")) {
            const auto w = static_cast<std::size_t>(record->port.back() - '0');
            ASSERT_EQ(record->cardUid, "UID" + std::to_string(next[w])) << record->port;
            ++next[w];
        }
    }
    EXPECT_EQ(next, (std::array<int, kWriters>{kLinesEach, kLinesEach}));
    EXPECT_GT(busyLines, 0U);
}

TEST_F(JournalLock, AHungHolderFailsEachAppendInTimeAndOneWaitOutlastsThemNotOneEach) {
    ASSERT_EQ(PurchaseJournal(file()).append(sale("first", 0)), std::nullopt);
    const std::string before = readText(file());
    const ports::FileDescriptor hung(::open(file().c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(hung.get(), LOCK_EX), 0);

    constexpr auto kPatience = 100ms;
    PurchaseJournal journal(file(), kPatience);
    const std::size_t threads = threadCount();
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto error = journal.append(sale("till", i));
        const auto took = std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(error);
        EXPECT_EQ(*error, file().string() + ": another program holds the journal locked");
        EXPECT_GE(took, kPatience);
        EXPECT_LT(took, 1s);
    }
    EXPECT_LE(threadCount(), threads + 1);
    EXPECT_EQ(readText(file()), before);

    // Once the lock is let go, the next append has it, and the wait left over lets it go too.
    ASSERT_EQ(::flock(hung.get(), LOCK_UN), 0);
    ASSERT_EQ(journal.append(sale("till", 5)), std::nullopt);
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (threadCount() > threads && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_LE(threadCount(), threads);
    EXPECT_EQ(::flock(hung.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(readText(file()), before + journal::journalLine(sale("till", 5)));
}
