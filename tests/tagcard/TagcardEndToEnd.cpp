// tagcard as a script runs it, against kov450-emu's card: one scenario over every back end (the
// framed line over the pty, and PC/SC), and the line's faults where only the pty has them.
#include "backends/BackEnd.h"
#include "e2e/EmulatorSession.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using testing_support::ChildProcess;
using Bytes = std::vector<char>;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Runs tagcard on one port, its purchase journal and files in folders of the test's own.
class TagcardRuns {
protected:
    struct Run {
        std::optional<int> status;
        std::string output;
    };

    /// Starts tagcard; `onATerminal` gives it one (util-linux's script), where a charge asks its
    /// question and a typed Ctrl-C (\x03) is a SIGINT.
    std::unique_ptr<ChildProcess> launch(const std::vector<std::string>& arguments,
                                         bool onATerminal = false) {
        std::vector<std::string> argv{TAGCARD_PATH, "--port", port_};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        if (onATerminal) {
            std::string line = "exec";
            for (const std::string& argument : argv) {
                line += " '" + argument + "'";
            }
            argv = {"/usr/bin/script", "-qefc", line, "/dev/null"};
        }
        return std::make_unique<ChildProcess>(argv,
                                              std::vector<std::pair<std::string, std::string>>{
                                                  {"XDG_STATE_HOME", stateHome_.path().string()}});
    }

    /// Reads everything the program says until it ends; its exit status.
    static std::optional<int> finish(ChildProcess& child) {
        while (child.readLine(30s)) {
        }
        return child.wait(10s);
    }

    Run run(const std::vector<std::string>& arguments) {
        const auto child = launch(arguments);
        const auto status = finish(*child);
        return {status, child->transcript()};
    }

    void expectRun(const std::vector<std::string>& arguments, int status, const std::string& says) {
        const Run done = run(arguments);
        EXPECT_EQ(done.status, status) << arguments.front() << ": " << done.output;
        EXPECT_NE(done.output.find(says), std::string::npos)
            << arguments.front() << ": '" << says << "' not in:\n"
            << done.output;
    }

    /// The journal's lines without their times.
    std::vector<std::string> journal() const {
        std::istringstream text([&] {
            const Bytes bytes = readFile(stateHome_.path() / "tagbench" / "purchases.csv");
            return std::string(bytes.begin(), bytes.end());
        }());
        std::vector<std::string> lines;
        std::string line;
        std::getline(text, line); // the header
        while (std::getline(text, line)) {
            lines.push_back(line.substr(line.find(',') + 1));
        }
        return lines;
    }

    /// Waits until the journal holds `count` lines.
    bool waitForJournal(std::size_t count) const {
        for (int tries = 0; tries < 500; ++tries) {
            if (fs::exists(stateHome_.path() / "tagbench" / "purchases.csv") &&
                journal().size() >= count) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    /// A journal line of card A1B2C3D4 for a purchase of 10.
    std::string line(const std::string& event, int credit = 50, int status = 0) const {
        return port_ + ",A1B2C3D4," + std::to_string(credit) + ",10," +
               std::to_string(credit - 10) + "," + event + "," + std::to_string(status) + "\r";
    }

    std::string port_;
    testing_support::TempFolder stateHome_;
    testing_support::TempFolder files_;
};

class TagcardScripts : public testing_support::BackEndTest, protected TagcardRuns {
protected:
    void SetUp() override {
        BackEndTest::SetUp();
        port_ = GetParam().port;
    }

    /// The card as the emulator itself exports it.
    Bytes exported(const std::string& uid) {
        const fs::path file = files_.path() / ("export-" + uid + ".mfd");
        fs::remove(file);
        console("export " + uid + " " + file.string(), "exported");
        return readFile(file);
    }
};

TEST_P(TagcardScripts, ScanDumpRestoreChargeAndEveryBadInput) {
    expectRun({"scan"}, 0, "A1B2C3D4 MIFARE Classic 1K");
    expectRun({"--json", "credit"}, 0,
              R"({"command":"credit","uid":"A1B2C3D4","credit":50,"status":0,"meaning":"OK"})");

    const fs::path dump = files_.path() / "card.mfd";
    expectRun({"dump", dump.string()}, 0, "dumped A1B2C3D4 (MIFARE Classic 1K, 1024 bytes)");
    const Bytes original = exported("A1B2C3D4");
    ASSERT_EQ(original.size(), 1024U);
    EXPECT_EQ(readFile(dump), original);
    // A key that opens nothing, and the card's own in a key list.
    const fs::path keys = files_.path() / "keys";
    std::ofstream(keys) << "# tried in turn\nFFFFFFFFFFFF\n7D7D7D7D7D7D\n";
    const fs::path again = files_.path() / "again.mfd";
    expectRun({"--key", "B:A0A1A2A3A4A5", "dump", "--keys", keys.string(), again.string()}, 0,
              "dumped A1B2C3D4");
    EXPECT_EQ(readFile(again), original);

    // Bad input: a message that says what is wrong, status 1, and nothing changed.
    const fs::path link = files_.path() / "link.mfd";
    const fs::path fifo = files_.path() / "fifo.mfd";
    const fs::path shortDump = files_.path() / "short.mfd";
    fs::create_symlink(dump, link);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(shortDump) << std::string(100, '\0');
    const std::string block(32, 'A');
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"read", "64"}, "block 64 is beyond a MIFARE Classic 1K card (blocks 0 to 63)"},
        {{"read", "4", "61"}, "block 64 is beyond"},
        {{"--json", "read", "300"}, R"("error":"BLOCK 300 is out of range: 0 to 255","exit":1)"},
        {{"write", "4", "0011"}, "a block is 32 hex digits, not 4"},
        {{"write", "4", block.substr(1) + "G"}, "holds 'G' at position 32, not a hex digit"},
        {{"write", "7", block}, "block 7 is a sector trailer (keys and access bits)"},
        {{"write", "0", block}, "manufacturer"},
        {{"restore", shortDump.string()}, "holds 100 bytes; a raw dump holds 1024"},
        {{"restore", link.string()}, "is a symbolic link"},
        {{"restore", fifo.string()}, "is a FIFO"},
        {{"restore", "/dev/zero"}, "is a device"},
        {{"dump", link.string()}, "is a symbolic link"},
        {{"dump", fifo.string()}, "is a FIFO"},
        {{"dump", "--keys", (files_.path() / "missing").string(), dump.string()}, "No such file"},
        {{"--key", "B:7D7D", "credit"}, "a key is 12 hex digits, not 4"},
        {{"charge", "ten", "--yes"}, "the amount 'ten' is not a number"},
        {{"provision", "--credit", "256"}, "the credit 256 is out of range"},
        {{"provision", "--credit", "5", "--new-key", "A:FFFFFFFFFFFF"}, "both of them"},
        {{"frobnicate"}, "usage: tagcard "},
    };
    for (const auto& [arguments, says] : refused) {
        expectRun(arguments, 1, says);
    }
    EXPECT_EQ(exported("A1B2C3D4"), original);
    EXPECT_EQ(readFile(dump), original);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A restore of the dump takes the card back to it.
    console("credit A1B2C3D4 77", "credit 77");
    expectRun({"write", "5", block}, 0, "wrote 1 block from block 5 of A1B2C3D4");
    expectRun({"restore", dump.string()}, 0, "restored 47 blocks of A1B2C3D4");
    EXPECT_EQ(exported("A1B2C3D4"), original);

    // The panel's purchase and its journal lines.
    expectRun({"charge", "10", "--yes"}, 0, "charged 10 off A1B2C3D4: credit 50 -> 40");
    EXPECT_EQ(journal(),
              (std::vector<std::string>{line("asked"), line("sending"), line("written")}));
    // Ctrl-C at the operator's question: nothing written, and the purchase declined.
    const auto asked = launch({"charge", "10"}, true);
    ASSERT_TRUE(waitForJournal(4)) << asked->transcript();
    asked->writeLine("\x03");
    EXPECT_EQ(finish(*asked), 130) << asked->transcript();
    EXPECT_NE(asked->transcript().find("Take 10 off card A1B2C3D4? [y/N]"), std::string::npos)
        << asked->transcript();
    EXPECT_EQ(journal(), (std::vector<std::string>{line("asked"), line("sending"), line("written"),
                                                   line("asked", 40), line("declined", 40)}));
    expectRun({"credit"}, 0, "40");
}

TEST_P(TagcardScripts, ProvisionServesEachCardLaidOnTheReaderAndCtrlCEndsEveryWait) {
    const auto watch = launch({"watch"});
    ASSERT_TRUE(watch->waitForLine("A1B2C3D4 MIFARE Classic 1K", 10s)) << watch->transcript();
    watch->signal(SIGINT);
    EXPECT_EQ(finish(*watch), 0) << watch->transcript();

    console("create 1k C0DE0002 5", "created");
    console("create 1k C0DE0003 5", "created");
    const auto provision = launch({"provision", "--credit", "100", "--count", "3"});
    ASSERT_TRUE(provision->waitForLine("1 of 3", 10s)) << provision->transcript();
    // A card served sleeps until it leaves the field, so the wait for the next one passes it
    // by. The framed reader shows the card's state; over PC/SC the library keeps it.
    if (GetParam().name == "framed") {
        console("cards", "A1B2C3D4, in the field, halted");
    }
    std::string last = "A1B2C3D4";
    for (const std::string next : {"C0DE0002", "C0DE0003"}) {
        takeAway(last);
        session_->present(next);
        last = next;
        ASSERT_TRUE(provision->waitForLine(next + " credit 100", 10s)) << provision->transcript();
    }
    ASSERT_TRUE(provision->waitForLine("3 of 3", 10s)) << provision->transcript();
    ASSERT_TRUE(provision->waitForLine("provisioned 3 of 3 cards, 0 failed", 10s))
        << provision->transcript();
    EXPECT_EQ(provision->wait(10s), 0);
    for (const std::string uid : {"A1B2C3D4", "C0DE0002", "C0DE0003"}) {
        const Bytes card = exported(uid);
        ASSERT_EQ(card.size(), 1024U) << uid;
        EXPECT_EQ(card[4 * 16], 100) << uid;
    }

    takeAway(last);
    expectRun({"scan", "--wait", "0.2"}, 2, "no card in the field (1 no card)");
    const auto waiting = launch({"--json", "provision", "--credit", "7", "--count", "2"});
    ASSERT_TRUE(waiting->waitForLine("Ctrl-C ends", 10s)) << waiting->transcript();
    waiting->signal(SIGINT);
    ASSERT_TRUE(waiting->waitForLine(R"("summary":true,"served":0,"failed":0,"count":2)", 10s))
        << waiting->transcript();
    EXPECT_EQ(waiting->wait(10s), 130);
}

INSTANTIATE_TEST_SUITE_P(Tagcard, TagcardScripts,
                         ::testing::ValuesIn(testing_support::allBackEnds()),
                         testing_support::backEndName);

/// The line's faults, which only the framed back end's pty has.
class TagcardOnTheLine : public testing_support::EmulatorTest, protected TagcardRuns {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        port_ = "COM1";
    }
};

TEST_F(TagcardOnTheLine, ACardTakenAwayMidDumpLeavesTheFileAsItWas) {
    const fs::path dump = files_.path() / "card.mfd";
    const Bytes before(1024, 'x');
    std::ofstream(dump, std::ios::binary).write(before.data(), 1024);
    console("pull", "leave the field after the next read");
    expectRun({"dump", dump.string()}, 2, "was not touched");
    EXPECT_EQ(readFile(dump), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(files_.path()), fs::directory_iterator()), 1);
}

TEST_F(TagcardOnTheLine, APurchaseWhoseWriteAnswerIsLostIsSettledByTheNextCharge) {
    const auto charge = launch({"charge", "10"}, true);
    ASSERT_TRUE(waitForJournal(1)) << charge->transcript();
    console("drop", "lost");
    charge->writeLine("y");
    ASSERT_TRUE(waitForJournal(2)) << charge->transcript();
    expectOutput("an answer was dropped");
    // Ctrl-C now: the write runs to its answer, and the journal takes its outcome.
    charge->writeLine("\x03");
    EXPECT_EQ(finish(*charge), 5) << charge->transcript();
    EXPECT_NE(charge->transcript().find("it is not known whether the card was written"),
              std::string::npos)
        << charge->transcript();
    EXPECT_EQ(journal(),
              (std::vector<std::string>{line("asked"), line("sending"), line("unknown", 50, -2)}));
    expectRun({"charge", "10", "--yes"}, 0, "credit 40 -> 30");
    EXPECT_EQ(journal(),
              (std::vector<std::string>{line("asked"), line("sending"), line("unknown", 50, -2),
                                        line("resolved-written"), line("asked", 40),
                                        line("sending", 40), line("written", 40)}));
}

} // namespace
