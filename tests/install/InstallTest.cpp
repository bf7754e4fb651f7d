// `cmake --install` into a staging folder (DESTDIR, as Debian's packaging does): the files land
// in their GNU folders, the library carries its versioned SONAME, another program builds
// against it through pkg-config or find_package and drives the installed emulator, and the
// installed programs find the library with no LD_LIBRARY_PATH, even without the development
// files.
#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TempFolder;

const std::vector<std::string> kPrograms{"tagbench", "tagpoll", "kov450-emu"};
const std::string kLibraryVersionText = "MF_API 1.0 for KOV450 (Linux)";

struct Result {
    int status = -1;
    std::string output;
};

/// Runs a program to its end (or the timeout) with standard output and error together.
Result run(const std::vector<std::string>& argv,
           const std::vector<std::pair<std::string, std::string>>& environment = {},
           std::chrono::seconds timeout = 120s) {
    std::vector<std::string> command = argv;
    if (command.front().find('/') == std::string::npos) {
        command.insert(command.begin(), "/usr/bin/env"); // for the search on PATH
    }
    ChildProcess child(command, environment);
    while (child.readLine(timeout)) {
    }
    const auto status = child.wait(5s);
    return {status.value_or(-1), child.transcript()};
}

/// A command line as the shell reads it, for pkg-config's $(...) as a user would write it.
Result shell(const std::string& command,
             const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    return run({"/bin/sh", "-c", command}, environment);
}

/// A program's command line as a desktop or a fresh terminal would start it: no display, no
/// library path.
std::vector<std::string> bareCommand(const fs::path& program,
                                     const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"/usr/bin/env",    "-u",
                                     "DISPLAY",         "-u",
                                     "WAYLAND_DISPLAY", "-u",
                                     "QT_QPA_PLATFORM", "-u",
                                     "LD_LIBRARY_PATH", program.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

Result runBare(const fs::path& program, const std::vector<std::string>& arguments) {
    return run(bareCommand(program, arguments), {}, 20s);
}

std::string readText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool hasProgram(const std::string& name) {
    return shell("command -v " + name + " >/dev/null").status == 0;
}

class Install : public ::testing::Test {
protected:
    /// Installs the components named (all when none) under the staging folder.
    void install(const std::vector<std::string>& components = {}) {
        const std::vector<std::pair<std::string, std::string>> staged{
            {"DESTDIR", stage_.path().string()}};
        if (components.empty()) {
            const Result done = run({CMAKE_COMMAND, "--install", KOV_BUILD_DIR}, staged);
            ASSERT_EQ(done.status, 0) << done.output;
        }
        for (const std::string& component : components) {
            const Result done =
                run({CMAKE_COMMAND, "--install", KOV_BUILD_DIR, "--component", component}, staged);
            ASSERT_EQ(done.status, 0) << done.output;
        }
    }

    /// The install prefix as it lies in the staging folder.
    fs::path prefix() const { return stage_.path() / fs::path(KOV_INSTALL_PREFIX).relative_path(); }
    fs::path bin() const { return prefix() / KOV_INSTALL_BINDIR; }
    fs::path lib() const { return prefix() / KOV_INSTALL_LIBDIR; }
    fs::path share() const { return prefix() / KOV_INSTALL_DATADIR; }
    /// pkg-config told where the staged tree lies, as for an unpacked package.
    std::vector<std::pair<std::string, std::string>> pkgConfigEnvironment() const {
        return {{"PKG_CONFIG_PATH", (lib() / "pkgconfig").string()},
                {"PKG_CONFIG_SYSROOT_DIR", stage_.path().string()}};
    }

    TempFolder stage_;
};

TEST_F(Install, PutsEachFileInItsFolder) {
    install();
    for (const std::string& program : kPrograms) {
        EXPECT_EQ(::access((bin() / program).c_str(), X_OK), 0) << program;
        EXPECT_TRUE(fs::is_regular_file(share() / "applications" / (program + ".desktop")))
            << program;
        EXPECT_TRUE(
            fs::is_regular_file(share() / "icons/hicolor/scalable/apps" / (program + ".svg")))
            << program;
        EXPECT_TRUE(fs::is_regular_file(share() / "man/man1" / (program + ".1.gz"))) << program;
    }
    const std::string real = "libMF_API.so." KOV_VERSION;
    EXPECT_TRUE(fs::is_regular_file(lib() / real) && !fs::is_symlink(lib() / real));
    EXPECT_EQ(fs::read_symlink(lib() / "libMF_API.so.1"), real);
    EXPECT_EQ(fs::read_symlink(lib() / "libMF_API.so"), "libMF_API.so.1");
    EXPECT_TRUE(fs::is_regular_file(prefix() / KOV_INSTALL_INCLUDEDIR / "MF_API.h"));
    EXPECT_TRUE(fs::is_regular_file(lib() / "pkgconfig/mf_api.pc"));
    for (const char* file :
         {"MF_APIConfig.cmake", "MF_APIConfigVersion.cmake", "MF_APITargets.cmake"}) {
        EXPECT_TRUE(fs::is_regular_file(lib() / "cmake/MF_API" / file)) << file;
    }
    // The documents where a user looks, each package's copyright and changelog.
    for (const char* file : {"README.md", "README.Debian", "docs/protocol.md", "docs/pcsc.md",
                             "examples/ser2net.yaml", "examples/kov450-reader.rules"}) {
        EXPECT_TRUE(fs::is_regular_file(share() / "doc/kov450-tools" / file)) << file;
    }
    EXPECT_TRUE(fs::is_regular_file(share() / "doc/libmf-api-dev/examples/reader.c"));
    for (const char* package : {"kov450-tools", "libmf-api1", "libmf-api-dev"}) {
        for (const char* file : {"copyright", "changelog.Debian.gz"}) {
            EXPECT_TRUE(fs::is_regular_file(share() / "doc" / package / file))
                << package << "/" << file;
        }
    }
    // Nothing of the build's own (tests, static parts) comes along.
    EXPECT_FALSE(fs::exists(lib() / "libmf_api_core.a"));
    EXPECT_FALSE(fs::exists(bin() / "kov-bench"));
}

TEST_F(Install, GivesTheLibraryItsVersionedSoname) {
    install();
    const Result dynamic = run({"readelf", "-d", (lib() / "libMF_API.so.1").string()});
    ASSERT_EQ(dynamic.status, 0) << dynamic.output;
    EXPECT_NE(dynamic.output.find("Library soname: [libMF_API.so.1]"), std::string::npos)
        << dynamic.output;
}

TEST_F(Install, DescribesTheLibraryToPkgConfigByItsPrefix) {
    install();
    const std::string pc = readText(lib() / "pkgconfig/mf_api.pc");
    // The prefix itself, as Debian's .pc files give it, so that pkg-config prints plain flags
    // for /usr (scripts/package checks that: -lMF_API alone).
    EXPECT_EQ(pc.rfind("prefix=" KOV_INSTALL_PREFIX "\n", 0), 0U) << pc;
    EXPECT_EQ(pc.find(".."), std::string::npos) << pc;
    const Result version = shell("pkg-config --modversion mf_api", pkgConfigEnvironment());
    ASSERT_EQ(version.status, 0) << version.output;
    EXPECT_EQ(version.output, KOV_VERSION "\n");
    const Result includes =
        shell("pkg-config --variable=includedir mf_api", pkgConfigEnvironment());
    ASSERT_EQ(includes.status, 0) << includes.output;
    std::string folder = includes.output;
    folder.erase(folder.find_last_not_of('\n') + 1);
    EXPECT_EQ(fs::canonical(folder), fs::canonical(prefix() / KOV_INSTALL_INCLUDEDIR));
    const Result flags = shell("pkg-config --libs mf_api", pkgConfigEnvironment());
    EXPECT_NE(flags.output.find("-lMF_API"), std::string::npos) << flags.output;
}

constexpr const char* kReaderVersionProgram = R"(#include <MF_API.h>
#include <stdio.h>

int main(void) {
    uint8_t text[33] = {0};
    if (MF_GetDLL_Ver(text) != MF_OK) {
        return 1;
    }
    printf("library: %s\n", (const char*)text);
    int32_t status = MF_InitComm("COM1", 9600);
    printf("open: %d\n", (int)status);
    if (status != MF_OK) {
        return 1;
    }
    status = MF_GetDevice_Ver(0, text);
    printf("reader: %d %s\n", (int)status, status == MF_OK ? (const char*)text : "");
    MF_ExitComm();
    return status == MF_OK ? 0 : 1;
}
)";

TEST_F(Install, ACProgramBuildsThroughPkgConfigAndReadsTheInstalledEmulator) {
    install();
    const TempFolder work;
    std::ofstream(work.path() / "reader_version.c") << kReaderVersionProgram;
    const fs::path program = work.path() / "reader_version";
    // As a user would build it; the run path only spares the run an LD_LIBRARY_PATH.
    const Result built =
        shell(std::string(KOV_C_COMPILER) + " -std=c99 -Wall -Werror " + KOV_CONSUMER_FLAGS " " +
                  (work.path() / "reader_version.c").string() + " -o " + program.string() +
                  " $(pkg-config --cflags --libs mf_api)" +
                  " -Wl,-rpath,$(pkg-config --variable=libdir mf_api)",
              pkgConfigEnvironment());
    ASSERT_EQ(built.status, 0) << built.output;
    const Result needed = run({"readelf", "-d", program.string()});
    EXPECT_NE(needed.output.find("Shared library: [libMF_API.so.1]"), std::string::npos)
        << needed.output;

    const TempFolder ports;
    const TempFolder state;
    ChildProcess emulator({(bin() / "kov450-emu").string(), "--headless", "--port", "COM1",
                           "--state", state.path().string()},
                          {{"MF_API_PORTS", ports.path().string()}});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    const Result ran = run({program.string()}, {{"MF_API_PORTS", ports.path().string()},
                                                {"MF_API_ANSWER_MARGIN_MS", "1000"}});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_NE(ran.output.find("library: " + kLibraryVersionText), std::string::npos) << ran.output;
    EXPECT_NE(ran.output.find("reader: 0 KOV450 emulated reader 1.0"), std::string::npos)
        << ran.output;
}

TEST_F(Install, TheShippedExampleBuildsThroughPkgConfigAndReadsTheCardInTheEmulator) {
    install();
    const TempFolder work;
    const fs::path program = work.path() / "reader";
    // As its first lines say to build it; the run path only spares the run an LD_LIBRARY_PATH.
    const Result built = shell(
        std::string(KOV_C_COMPILER) + " -std=c99 -Wall -Wextra -Werror " + KOV_CONSUMER_FLAGS " " +
            (share() / "doc/libmf-api-dev/examples/reader.c").string() + " -o " + program.string() +
            " $(pkg-config --cflags --libs mf_api)" +
            " -Wl,-rpath,$(pkg-config --variable=libdir mf_api)",
        pkgConfigEnvironment());
    ASSERT_EQ(built.status, 0) << built.output;

    const TempFolder ports;
    const TempFolder state;
    ChildProcess emulator({(bin() / "kov450-emu").string(), "--headless", "--port", "USB",
                           "--state", state.path().string()},
                          {{"MF_API_PORTS", ports.path().string()}});
    ASSERT_TRUE(emulator.waitForLine("ready:", 10s)) << emulator.transcript();
    const Result ran = run({program.string(), "usb"}, {{"MF_API_PORTS", ports.path().string()},
                                                       {"MF_API_ANSWER_MARGIN_MS", "1000"}});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(ran.output, "library: " + kLibraryVersionText +
                              "\nreader: KOV450 emulated reader 1.0\ncard: A1B2C3D4\n");
}

TEST_F(Install, ACMakeProjectFindsTheLibraryAsAPackage) {
    install();
    const TempFolder work;
    std::ofstream(work.path() / "CMakeLists.txt")
        << "cmake_minimum_required(VERSION 3.16)\n"
           "project(consumer LANGUAGES C)\n"
           "find_package(MF_API 1 REQUIRED)\n"
           "add_executable(consumer main.c)\n"
           "target_link_libraries(consumer PRIVATE MF_API::MF_API)\n";
    std::ofstream(work.path() / "main.c")
        << "#include <MF_API.h>\n#include <stdio.h>\n"
           "int main(void) { uint8_t v[33] = {0}; int32_t s = MF_GetDLL_Ver(v);\n"
           "printf(\"%d %s\\n\", (int)s, (const char*)v); return s; }\n";
    const fs::path build = work.path() / "build";
    const Result configured = run(
        {CMAKE_COMMAND, "-S", work.path().string(), "-B", build.string(),
         "-DCMAKE_PREFIX_PATH=" + prefix().string(), "-DCMAKE_C_COMPILER=" KOV_C_COMPILER,
         "-DCMAKE_C_FLAGS=" KOV_CONSUMER_FLAGS, "-DCMAKE_EXE_LINKER_FLAGS=" KOV_CONSUMER_FLAGS});
    ASSERT_EQ(configured.status, 0) << configured.output;
    const Result built = run({CMAKE_COMMAND, "--build", build.string()});
    ASSERT_EQ(built.status, 0) << built.output;
    const Result ran = run({(build / "consumer").string()});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(ran.output, "0 " + kLibraryVersionText + "\n");
}

TEST_F(Install, TheRunTimeFilesAloneServeTheInstalledPrograms) {
    install({"runtime", "tools"});
    EXPECT_FALSE(fs::exists(lib() / "libMF_API.so")) << "the link belongs to the development files";
    EXPECT_FALSE(fs::exists(prefix() / KOV_INSTALL_INCLUDEDIR / "MF_API.h"));
    for (const char* program : {"tagbench", "tagpoll"}) {
        const Result version = runBare(bin() / program, {"--version"});
        EXPECT_EQ(version.status, 0) << version.output;
        const std::string expected = std::string(program) + " " KOV_VERSION "\nMF_API: " +
                                     (lib() / "libMF_API.so.1").string() + ", " +
                                     kLibraryVersionText + "\n";
        EXPECT_EQ(version.output, expected);
    }
}

TEST_F(Install, ProgramsAnswerHelpAndVersionAndRefuseWhatTheyDoNotTakeWithoutADisplay) {
    install({"runtime", "tools"});
    // Each refused before a window is tried: status 2, the argument named, the usage.
    const std::vector<std::vector<std::string>> refused{
        {"--no-such-option"}, {"stray"}, {"-platform"}, {"-platform=offscreen"}, {"--versions"}};
    for (const std::string& program : kPrograms) {
        for (const std::vector<std::string>& arguments : refused) {
            const Result bad = runBare(bin() / program, arguments);
            EXPECT_EQ(bad.status, 2) << program << " " << arguments.front() << ": " << bad.output;
            EXPECT_EQ(bad.output.rfind(program + ": ", 0), 0U) << bad.output;
            EXPECT_NE(bad.output.find(arguments.front()), std::string::npos) << bad.output;
            EXPECT_NE(bad.output.find("usage: " + program + " "), std::string::npos) << bad.output;
        }
    }
    // Qt's own options still reach the windows (on Qt's offscreen platform here).
    for (const std::string program : {"tagbench", "tagpoll"}) {
        ChildProcess window(
            bareCommand(bin() / program, {"-platform", "offscreen", "--style=Fusion", "-reverse",
                                          "-qwindowtitle", "A title"}),
            {{"XDG_STATE_HOME", stage_.path().string()}});
        EXPECT_FALSE(window.wait(2s)) << program << " ended: " << window.transcript();
    }
    for (const std::string& program : kPrograms) {
        const Result version = runBare(bin() / program, {"--version"});
        EXPECT_EQ(version.status, 0) << program << ": " << version.output;
        EXPECT_EQ(version.output.rfind(program + " " KOV_VERSION "\n", 0), 0U) << version.output;
        const Result help = runBare(bin() / program, {"--help"});
        EXPECT_EQ(help.status, 0) << program << ": " << help.output;
        EXPECT_EQ(help.output.rfind("usage: " + program + " ", 0), 0U) << help.output;
        EXPECT_NE(help.output.find("--version"), std::string::npos) << help.output;
    }
}

TEST_F(Install, TagcardComesWithItsCompletionAndAnswersWithoutADisplay) {
    install({"runtime", "tools"});
    EXPECT_TRUE(fs::is_regular_file(share() / "bash-completion/completions/tagcard"));
    const Result version = runBare(bin() / "tagcard", {"--version"});
    EXPECT_EQ(version.status, 0) << version.output;
    EXPECT_EQ(version.output,
              "tagcard " KOV_VERSION "\nMF_API: " + (lib() / "libMF_API.so.1").string() + ", " +
                  kLibraryVersionText + "\n");
    const Result help = runBare(bin() / "tagcard", {"--help"});
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_EQ(help.output.rfind("usage: tagcard ", 0), 0U) << help.output;
    EXPECT_NE(help.output.find("Exit status:"), std::string::npos) << help.output;
    // A usage error is status 1, as tagcard documents.
    const Result bad = runBare(bin() / "tagcard", {"--no-such-option", "scan"});
    EXPECT_EQ(bad.status, 1) << bad.output;
    EXPECT_NE(bad.output.find("usage: tagcard "), std::string::npos) << bad.output;
}

TEST_F(Install, MenuEntriesAreValidAndNameTheInstalledProgramsAndIcons) {
    install({"tools"});
    if (!hasProgram("desktop-file-validate")) {
        GTEST_SKIP() << "skipped: desktop-file-validate is not installed (Debian "
                        "desktop-file-utils; scripts/deps installs it)";
    }
    for (const std::string& program : kPrograms) {
        const fs::path entry = share() / "applications" / (program + ".desktop");
        const Result valid = run({"desktop-file-validate", entry.string()});
        EXPECT_EQ(valid.status, 0) << valid.output;
        EXPECT_EQ(valid.output, "") << valid.output;
        const std::string text = readText(entry);
        EXPECT_NE(text.find("\nExec=" + program + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\nIcon=" + program + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\nTerminal=false\n"), std::string::npos) << text;
    }
}

TEST_F(Install, ManualPagesRenderWithoutWarningsAndNameTheEnvironment) {
    install({"tools"});
    if (!hasProgram("man")) {
        GTEST_SKIP() << "skipped: man is not installed (Debian man-db)";
    }
    const std::map<std::string, std::vector<std::string>> mentions{
        {"tagbench",
         {"MF_API_PORTS", "XDG_RUNTIME_DIR", "MF_API_ANSWER_MARGIN_MS", "libMF_API.so.1",
          "socket://", "--version", "XDG_STATE_HOME", "purchases.csv", "resolved-not-written",
          "/etc/mf_api/ports", "sudo adduser $USER dialout"}},
        {"tagpoll",
         {"MF_API_PORTS", "XDG_RUNTIME_DIR", "MF_API_ANSWER_MARGIN_MS", "COM1", "Timer is off",
          "/etc/mf_api/ports", "sudo adduser $USER dialout"}},
        {"tagcard",
         {"MF_API_PORTS", "XDG_STATE_HOME", "purchases.csv", "--json", "--new-key", "pcsc",
          "/etc/mf_api/ports", "sudo adduser $USER dialout"}},
        {"kov450-emu",
         {"MF_API_PORTS", "XDG_RUNTIME_DIR", "XDG_STATE_HOME", "--state", "--pace", "--headless",
          "ser2net", "/etc/mf_api/ports", "sudo adduser $USER dialout", "--pcsc",
          "127.0.0.1:35963"}},
    };
    for (const auto& [program, words] : mentions) {
        const fs::path page = share() / "man/man1" / (program + ".1.gz");
        // Warnings go to standard error, which run() keeps with the page.
        const Result shown = run(
            {"man", "--warnings", "--nh", "--nj", "-l", page.string()},
            {{"MANWIDTH", "200"}, {"LC_ALL", "C.UTF-8"}, {"MANPAGER", "cat"}, {"PAGER", "cat"}});
        EXPECT_EQ(shown.status, 0) << shown.output;
        EXPECT_EQ(shown.output.find("warning"), std::string::npos) << shown.output;
        EXPECT_NE(shown.output.find("NAME"), std::string::npos) << shown.output;
        // Hyphens come out as U+2010 where the page forgot to escape them; ours are plain.
        for (const std::string& word : words) {
            EXPECT_NE(shown.output.find(word), std::string::npos) << program << ": " << word;
        }
    }
}

} // namespace
