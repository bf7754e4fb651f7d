// kov450-emu as a program: its command line, its console over a pipe, its port links.
#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
namespace fs = std::filesystem;

class Program : public ::testing::Test {
protected:
    /// The emulator headless, on the test's own port and state folders.
    ChildProcess run(std::vector<std::string> arguments) {
        return runIn(ports.path(), std::move(arguments));
    }
    ChildProcess runIn(const fs::path& portFolder, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {KOV450_EMU_PATH, "--headless", "--state", state.path().string()});
        return ChildProcess(arguments, {{"MF_API_PORTS", portFolder.string()},
                                        {"XDG_STATE_HOME", state.path().string()}});
    }
    /// The emulator with its window, on Qt's offscreen platform (or none, when `display` is
    /// empty).
    ChildProcess runWithWindow(const std::string& platform) {
        return ChildProcess({KOV450_EMU_PATH, "--state", state.path().string()},
                            {{"MF_API_PORTS", ports.path().string()},
                             {"QT_QPA_PLATFORM", platform},
                             {"DISPLAY", ""},
                             {"WAYLAND_DISPLAY", ""}});
    }
    bool linked(const std::string& name) const {
        return fs::is_symlink(fs::symlink_status(ports.path() / name));
    }
    testing_support::TempFolder ports;
    testing_support::TempFolder state;
};

unsigned modeOf(const fs::path& path) {
    return static_cast<unsigned>(fs::status(path).permissions());
}

TEST_F(Program, PublishesOnlyInAPortFolderNoOtherUserCanWrite) {
    // Others who can write the folder could put a name there that leads to a reader of theirs.
    fs::permissions(ports.path(), fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::add);
    {
        ChildProcess refused = run({});
        EXPECT_TRUE(refused.waitForLine(ports.path().string() + " is writable by other users", 10s))
            << refused.transcript();
        EXPECT_EQ(refused.wait(5s), 1) << refused.transcript();
        EXPECT_FALSE(linked("COM1"));
        EXPECT_EQ(modeOf(ports.path()), 0722U) << "a folder it did not make was changed";
    }
    // A folder that is there keeps its mode.
    fs::permissions(ports.path(), fs::perms(0750), fs::perm_options::replace);
    {
        ChildProcess emulator = run({});
        ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
        EXPECT_TRUE(linked("COM1"));
        EXPECT_EQ(modeOf(ports.path()), 0750U);
        emulator.writeLine("quit");
        EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
    }
    // Those it makes are private, each one.
    const fs::path nested = ports.path() / "made" / "by" / "it";
    ChildProcess emulator = runIn(nested, {});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(nested / "COM1")));
    for (const fs::path& made :
         {nested.parent_path().parent_path(), nested.parent_path(), nested}) {
        EXPECT_EQ(modeOf(made), 0700U) << made;
    }
}

TEST_F(Program, HelpAndBadArguments) {
    ChildProcess help = run({"--help"});
    EXPECT_TRUE(help.waitForLine("usage: kov450-emu", 5s)) << help.transcript();
    EXPECT_EQ(help.wait(5s), 0);
    ChildProcess bad = run({"--bogus"});
    EXPECT_TRUE(bad.waitForLine("unknown argument '--bogus'", 5s)) << bad.transcript();
    EXPECT_EQ(bad.wait(5s), 2);
    EXPECT_FALSE(linked("COM1"));
}

TEST_F(Program, PublishesItsPortsAndRemovesThemOnQuit) {
    ChildProcess emulator = run({"--port", "COM7", "--port", "Bench", "--headless"});
    ASSERT_TRUE(emulator.waitForLine("ready: reader on /dev/pts/", 10s)) << emulator.transcript();
    EXPECT_TRUE(linked("COM7"));
    EXPECT_TRUE(linked("Bench"));
    EXPECT_FALSE(linked("COM1"));
    emulator.writeLine("cards");
    EXPECT_TRUE(emulator.waitForLine("card 1: 1K A1B2C3D4, in the field, idle, credit 50", 5s));
    emulator.writeLine("nonsense here");
    EXPECT_TRUE(emulator.waitForLine("error: unknown command 'nonsense'", 5s));
    emulator.writeLine(std::string(5000, 'x'));
    EXPECT_TRUE(emulator.waitForLine("error: line longer than 4096 characters", 5s));
    emulator.writeLine("cards");
    const auto next = emulator.readLine(5s);
    ASSERT_TRUE(next) << emulator.transcript();
    EXPECT_NE(next->find("card 1: 1K A1B2C3D4"), std::string::npos) << *next;
    emulator.writeLine("quit");
    EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
    EXPECT_FALSE(linked("COM7"));
    EXPECT_FALSE(linked("Bench"));
}

TEST_F(Program, InterruptRemovesTheLinksAndEndOfInputDoesNotEndIt) {
    ChildProcess emulator = run({"--no-card"});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    emulator.writeLine("cards");
    EXPECT_TRUE(emulator.waitForLine("no cards", 5s));
    emulator.closeInput();
    EXPECT_FALSE(emulator.wait(300ms).has_value());
    EXPECT_TRUE(linked("COM1"));
    EXPECT_TRUE(linked("USB"));
    emulator.signal(SIGINT);
    EXPECT_EQ(emulator.wait(5s), 0);
    EXPECT_FALSE(linked("COM1"));
    EXPECT_FALSE(linked("USB"));
}

TEST_F(Program, EndsOnTheSignalsAUserOrTheSystemSendsAndRemovesItsLinks) {
    struct Case {
        int number;
        std::string name;
        bool ends; ///< Otherwise it must go on serving, neither stopped nor ended.
    };
    const std::vector<Case> cases{
        {SIGHUP, "SIGHUP", true},
        {SIGINT, "SIGINT", true},
        {SIGQUIT, "SIGQUIT", true},
        {SIGTERM, "SIGTERM", true},
        {SIGALRM, "SIGALRM", true},
        {SIGUSR1, "SIGUSR1", true},
        {SIGUSR2, "SIGUSR2", true},
        {SIGVTALRM, "SIGVTALRM", true},
        {SIGPROF, "SIGPROF", true},
        {SIGIO, "SIGPOLL", true},
        {SIGPWR, "SIGPWR", true},
        {SIGSTKFLT, "SIGSTKFLT", true},
        {SIGXCPU, "SIGXCPU", true},
        {SIGRTMIN, "SIGRTMIN", true},
        {SIGRTMIN + 3, "SIGRTMIN+3", true},
        {SIGRTMAX, "SIGRTMIN+" + std::to_string(SIGRTMAX - SIGRTMIN), true},
        {SIGPIPE, "SIGPIPE", false},
        {SIGTTIN, "SIGTTIN", false},
        {SIGTTOU, "SIGTTOU", false},
        {SIGXFSZ, "SIGXFSZ", false},
    };
    // An emulator that a signal ended by mistake must fail the row, not end the test; the
    // emulators themselves start with SIGPIPE as a shell leaves it.
    const auto say = [](ChildProcess& emulator, const std::string& line) {
        const auto previous = std::signal(SIGPIPE, SIG_IGN);
        emulator.writeLine(line);
        std::signal(SIGPIPE, previous);
    };
    for (const Case& signal : cases) {
        SCOPED_TRACE(signal.name);
        ChildProcess emulator = run({"--port", "COM1"});
        ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
        ASSERT_TRUE(linked("COM1"));
        emulator.signal(signal.number);
        if (signal.ends) {
            EXPECT_TRUE(emulator.waitForLine("kov450-emu: ending on " + signal.name, 5s))
                << emulator.transcript();
            EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
            EXPECT_FALSE(linked("COM1"));
            continue;
        }
        say(emulator, "cards");
        EXPECT_TRUE(emulator.waitForLine("card 1: 1K A1B2C3D4", 5s)) << emulator.transcript();
        EXPECT_TRUE(linked("COM1"));
        say(emulator, "quit");
        EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
    }
    // With its window, the loop runs on a thread of its own: the signal ends both.
    ChildProcess emulator = runWithWindow("offscreen");
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    emulator.signal(SIGHUP);
    EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
    EXPECT_FALSE(linked("COM1"));
}

TEST_F(Program, ReplacesALinkLeftByAKilledEmulator) {
    fs::create_symlink("/dev/pts/nonexistent", ports.path() / "COM1");
    ChildProcess emulator = run({"--port", "COM1"});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    EXPECT_NE(fs::read_symlink(ports.path() / "COM1"), "/dev/pts/nonexistent");
    EXPECT_TRUE(fs::exists(ports.path() / "COM1"));
}

TEST_F(Program, KeepsConsoleChangesAcrossARestart) {
    {
        ChildProcess emulator = run({});
        ASSERT_TRUE(emulator.waitForLine("starting fresh", 10s)) << emulator.transcript();
        ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
        emulator.writeLine("create 4k 0BADCAFE 7");
        ASSERT_TRUE(emulator.waitForLine("created card 2", 5s)) << emulator.transcript();
        emulator.writeLine("credit 1 99");
        ASSERT_TRUE(emulator.waitForLine("credit 99", 5s)) << emulator.transcript();
        emulator.signal(SIGKILL);
        ASSERT_TRUE(emulator.wait(5s));
    }
    // --no-card shapes only a fresh state: the saved wallet comes back whole.
    ChildProcess again = run({"--no-card"});
    ASSERT_TRUE(again.waitForLine("state: 2 card(s)", 10s)) << again.transcript();
    ASSERT_TRUE(again.waitForLine("ready:", 10s)) << again.transcript();
    again.writeLine("cards");
    EXPECT_TRUE(again.waitForLine("card 1: 1K A1B2C3D4, in the field, idle, credit 99", 5s))
        << again.transcript();
    EXPECT_TRUE(again.waitForLine("card 2: 4K 0BADCAFE, outside the field, idle, credit 7", 5s))
        << again.transcript();
}

TEST_F(Program, ExportsImportsAndDeletesCardsFromTheConsole) {
    ChildProcess emulator = run({});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    const std::string raw = (state.path() / "card.mfd").string();
    const std::string text = (state.path() / "card.eml").string();
    emulator.writeLine("credit 1 123");
    emulator.writeLine("export 1 " + raw);
    EXPECT_TRUE(emulator.waitForLine("exported card 1 to " + raw + " as 1024 raw bytes", 5s))
        << emulator.transcript();
    emulator.writeLine("export A1B2C3D4 " + text);
    EXPECT_TRUE(emulator.waitForLine("as 64 lines of hex", 5s)) << emulator.transcript();
    EXPECT_EQ(fs::file_size(raw), 1024U);
    emulator.writeLine("import " + raw);
    EXPECT_TRUE(emulator.waitForLine("error: a card with UID A1B2C3D4 exists already", 5s));
    emulator.writeLine("delete 1");
    EXPECT_TRUE(emulator.waitForLine("deleted card A1B2C3D4", 5s)) << emulator.transcript();
    emulator.writeLine("import " + text + " present");
    EXPECT_TRUE(
        emulator.waitForLine("imported card 1: 1K A1B2C3D4, in the field, idle, credit 123", 5s))
        << emulator.transcript();
    emulator.writeLine("import " + raw + ".missing");
    EXPECT_TRUE(emulator.waitForLine("error: cannot read", 5s)) << emulator.transcript();
}

TEST_F(Program, ImportRefusesAFifoAndADeviceAndTheReaderGoesOn) {
    ChildProcess emulator = run({});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    // Read, a FIFO without a writer would freeze the reader; /dev/zero would eat its memory.
    const fs::path fifo = state.path() / "card.mfd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    emulator.writeLine("import " + fifo.string());
    EXPECT_TRUE(emulator.waitForLine("error: " + fifo.string() + " is not a regular file", 5s))
        << emulator.transcript();
    emulator.writeLine("import /dev/zero present");
    EXPECT_TRUE(emulator.waitForLine("error: /dev/zero is not a regular file", 5s))
        << emulator.transcript();
    emulator.writeLine("cards");
    EXPECT_TRUE(emulator.waitForLine("card 1: 1K A1B2C3D4, in the field, idle, credit 50", 5s))
        << emulator.transcript();
}

TEST_F(Program, AnOverLongLineGivesOneErrorAndControlBytesAreShownEscaped) {
    ChildProcess emulator = run({});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    emulator.writeLine(std::string(std::size_t{1} << 20, 'x'));
    emulator.writeLine("cards");
    ASSERT_TRUE(emulator.waitForLine("card 1: 1K A1B2C3D4", 10s)) << emulator.transcript();
    const std::string error = "error: line longer than 4096 characters";
    const std::string& said = emulator.transcript();
    EXPECT_NE(said.find(error), std::string::npos) << said;
    EXPECT_EQ(said.find(error), said.rfind(error)) << "more than one error for one line";

    // Escape sequences a terminal would obey, DEL and a C1 control in UTF-8.
    emulator.writeLine("frob\x1b[2J\x07\x7f\xc2\x9b");
    EXPECT_TRUE(
        emulator.waitForLine("error: unknown command 'frob\\x1B[2J\\x07\\x7F\\xC2\\x9B'", 5s))
        << emulator.transcript();
    emulator.writeLine("present \x1b]0;title\x07");
    EXPECT_TRUE(emulator.waitForLine("error: no card '\\x1B]0;title\\x07'", 5s))
        << emulator.transcript();
    emulator.writeLine("export 1 /nonexistent/\x1b[31mred.mfd");
    EXPECT_TRUE(emulator.waitForLine("/nonexistent/\\x1B[31mred.mfd", 5s)) << emulator.transcript();
    // Letters of other scripts are no control bytes.
    emulator.writeLine("present Kärtchen");
    EXPECT_TRUE(emulator.waitForLine("error: no card 'Kärtchen'", 5s)) << emulator.transcript();
    EXPECT_EQ(emulator.transcript().find_first_of("\x1b\x07\x7f"), std::string::npos);
}

TEST_F(Program, RunsItsWindowBesideTheConsole) {
    ChildProcess emulator = runWithWindow("offscreen");
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    EXPECT_NE(emulator.transcript().find(", window open"), std::string::npos);
    emulator.writeLine("create 1k 01020304 5");
    EXPECT_TRUE(emulator.waitForLine("created card 2", 5s)) << emulator.transcript();
    emulator.writeLine("quit");
    EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
    EXPECT_FALSE(linked("COM1"));
}

TEST_F(Program, WithoutADisplayItRunsHeadless) {
    ChildProcess emulator = runWithWindow("");
    ASSERT_TRUE(emulator.waitForLine("no display, running headless", 10s)) << emulator.transcript();
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    EXPECT_EQ(emulator.transcript().find("window open"), std::string::npos);
    emulator.signal(SIGTERM);
    EXPECT_EQ(emulator.wait(5s), 0) << emulator.transcript();
}

TEST_F(Program, ReportsAnUnreadableStateAndKeepsItAside) {
    const std::string garbage = "kov450-emu state 1\naddress 0\nline-speed 12\n";
    std::ofstream(state.path() / "state.txt") << garbage;
    ChildProcess emulator = run({});
    EXPECT_TRUE(emulator.waitForLine("warning: the state file", 10s)) << emulator.transcript();
    EXPECT_TRUE(emulator.waitForLine("kept as", 5s)) << emulator.transcript();
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    emulator.writeLine("cards");
    EXPECT_TRUE(emulator.waitForLine("card 1: 1K A1B2C3D4, in the field, idle, credit 50", 5s));
    std::ifstream aside(state.path() / "state.txt.unreadable");
    const std::string kept((std::istreambuf_iterator<char>(aside)), {});
    EXPECT_EQ(kept, garbage);
}

TEST_F(Program, RefusesAStateFolderAnotherEmulatorHolds) {
    ChildProcess first = run({"--port", "FIRST"});
    ASSERT_TRUE(first.waitForLine("ready:", 10s)) << first.transcript();
    ChildProcess second = run({"--port", "SECOND"});
    EXPECT_TRUE(second.waitForLine("in use by another kov450-emu", 5s)) << second.transcript();
    EXPECT_EQ(second.wait(5s), 1);
    EXPECT_FALSE(linked("SECOND"));
}

} // namespace
