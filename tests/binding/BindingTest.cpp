#include "binding/MfApi.h"

#include "MfRecorder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include <dlfcn.h>
#include <unistd.h>

namespace fs = std::filesystem;
using reader::LibraryLocation;
using reader::MfApi;

namespace {

fs::path testFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

bool isInProcess(const fs::path& library) {
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

struct Problems {
    std::vector<std::string> messages;
    MfApi::ProblemHandler handler() {
        return [this](const std::string& message) {
            messages.push_back(message);
        };
    }
};

class Binding : public ::testing::Test {
protected:
    void SetUp() override { mfdouble::reset(); }
};

} // namespace

TEST_F(Binding, SearchesTheProgramsFolderThenLibBesideItThenTheInstalledLibraryFolder) {
    const LibraryLocation location = LibraryLocation::besideProgram();
    EXPECT_EQ(location.fileNames, (std::vector<std::string>{"libMF_API.so.1", "libMF_API.so"}));
    std::vector<fs::path> expected{testFolder(),
                                   (testFolder().parent_path() / "lib").lexically_normal()};
    const fs::path installed = (testFolder() / READER_LIBDIR_FROM_BINDIR).lexically_normal();
    if (installed != expected.back()) {
        expected.push_back(installed);
    }
    EXPECT_EQ(location.searchDirs, expected);
}

TEST_F(Binding, TriesTheVersionedNameBeforeTheUnversionedOneInEachFolder) {
    const fs::path folder =
        fs::temp_directory_path() / ("kov-binding-names-" + std::to_string(getpid()));
    fs::create_directories(folder);
    // The versioned name is the partial double, the unversioned one the recording double.
    fs::copy_file(testFolder() / "partial" / "libMF_API.so", folder / "libMF_API.so.1",
                  fs::copy_options::overwrite_existing);
    fs::create_symlink(testFolder() / "libMF_API.so", folder / "libMF_API.so");
    MfApi api(LibraryLocation{{"libMF_API.so.1", "libMF_API.so"}, {folder}});
    std::array<std::uint8_t, 33> version{};
    EXPECT_EQ(api.MF_GetDLL_Ver(version.data()), 0);
    EXPECT_EQ(version[0], 'P');
    EXPECT_EQ(api.loadedFrom(), folder / "libMF_API.so.1");
    fs::remove_all(folder);
}

TEST_F(Binding, FindsTheVersionedNameAloneAsARunTimeInstallHasIt) {
    const fs::path folder =
        fs::temp_directory_path() / ("kov-binding-runtime-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::copy_file(testFolder() / "partial" / "libMF_API.so", folder / "libMF_API.so.1",
                  fs::copy_options::overwrite_existing);
    MfApi api(
        LibraryLocation{{"libMF_API.so.1", "libMF_API.so"}, {testFolder() / "nowhere", folder}});
    std::array<std::uint8_t, 33> version{};
    EXPECT_EQ(api.MF_GetDLL_Ver(version.data()), 0);
    EXPECT_EQ(version[0], 'P');
    EXPECT_EQ(api.loadedFrom(), folder / "libMF_API.so.1");
    fs::remove_all(folder);
}

TEST_F(Binding, LoadsAtTheFirstCallAndLooksEachFunctionUpOnce) {
    MfApi api(LibraryLocation::besideProgram());
    const fs::path doubleFile = testFolder() / "libMF_API.so";
    EXPECT_FALSE(api.isLoaded());
    EXPECT_FALSE(isInProcess(doubleFile));

    mfdouble::script("MF_InitComm", {9, {}});
    EXPECT_EQ(api.MF_InitComm("COM7", 9600), 9);
    EXPECT_TRUE(api.isLoaded());
    EXPECT_TRUE(isInProcess(doubleFile));
    EXPECT_EQ(api.lookupCount(), 1U);

    EXPECT_EQ(api.MF_InitComm("COM7", 9600), 0);
    EXPECT_EQ(api.MF_InitComm("COM7", 9600), 0);
    EXPECT_EQ(api.lookupCount(), 1U);
    EXPECT_EQ(api.MF_Halt(0), 0);
    EXPECT_EQ(api.lookupCount(), 2U);

    const auto opens = mfdouble::callsOf("MF_InitComm");
    ASSERT_EQ(opens.size(), 3U);
    EXPECT_EQ(opens[0].text, "COM7");
    EXPECT_EQ(opens[0].args, (std::vector<std::int64_t>{9600}));
}

TEST_F(Binding, PassesArgumentsAndBuffersThroughUnchanged) {
    MfApi api(LibraryLocation::besideProgram());
    std::array<std::uint8_t, 3> cardType{};
    mfdouble::script("MF_Request", {0, {0x04, 0x00, 0x08}});
    EXPECT_EQ(api.MF_Request(0, 1, cardType.data()), 0);
    EXPECT_EQ(cardType, (std::array<std::uint8_t, 3>{0x04, 0x00, 0x08}));

    const std::array<std::uint8_t, 4> serial{1, 2, 3, 4};
    mfdouble::script("MF_Authentication", {-2, {}});
    EXPECT_EQ(api.MF_Authentication(0, 1, 4, serial.data()), -2);
    const std::int16_t duration = 30;
    EXPECT_EQ(api.MF_ControlBuzzer(0, &duration), 0);

    const auto calls = mfdouble::calls();
    ASSERT_EQ(calls.size(), 3U);
    EXPECT_EQ(calls[0].args, (std::vector<std::int64_t>{0, 1}));
    EXPECT_EQ(calls[0].buffer, cardType.data());
    EXPECT_EQ(calls[1].args, (std::vector<std::int64_t>{0, 1, 4}));
    EXPECT_EQ(calls[1].buffer, serial.data());
    EXPECT_EQ(calls[1].bytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(calls[2].args, (std::vector<std::int64_t>{0, 30}));
}

TEST_F(Binding, AMissingLibraryFailsEveryCallAndIsToldOnce) {
    const fs::path empty = fs::temp_directory_path() / ("kov-binding-" + std::to_string(getpid()));
    fs::create_directories(empty);
    MfApi api(LibraryLocation{{"libMF_API_absent.so"}, {empty, empty / "lib"}});
    Problems problems;
    api.setProblemHandler(problems.handler());

    std::array<std::uint8_t, 33> version{};
    version[0] = 'x';
    EXPECT_EQ(api.MF_GetDLL_Ver(version.data()), MF_ERR_LIBRARY_MISSING);
    EXPECT_EQ(version[0], 'x');
    EXPECT_EQ(api.MF_InitComm("USB", 9600), MF_ERR_LIBRARY_MISSING);
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_EQ(api.MF_Request(0, 0, version.data()), MF_ERR_LIBRARY_MISSING);
    }
    EXPECT_FALSE(api.isLoaded());
    ASSERT_EQ(problems.messages.size(), 1U);
    EXPECT_NE(problems.messages[0].find("libMF_API_absent.so"), std::string::npos);
    EXPECT_NE(problems.messages[0].find(empty.string()), std::string::npos);
    EXPECT_NE(problems.messages[0].find("system's library path"), std::string::npos);
    fs::remove_all(empty);
}

TEST_F(Binding, AMissingFunctionFailsOnlyThatCallAndIsToldOnce) {
    const fs::path partial = testFolder() / "partial";
    // The first folder that holds the file wins, even when a later one has a fuller library.
    MfApi api(LibraryLocation{{"libMF_API.so"}, {testFolder() / "nowhere", partial, testFolder()}});
    Problems problems;
    api.setProblemHandler(problems.handler());

    std::array<std::uint8_t, 33> version{};
    EXPECT_EQ(api.MF_GetDLL_Ver(version.data()), 0);
    EXPECT_EQ(version[0], 'P');
    EXPECT_TRUE(problems.messages.empty());

    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(api.MF_Halt(0), MF_ERR_FUNCTION_MISSING);
    }
    ASSERT_EQ(problems.messages.size(), 1U);
    EXPECT_NE(problems.messages[0].find("MF_Halt"), std::string::npos);
    EXPECT_NE(problems.messages[0].find((partial / "libMF_API.so").string()), std::string::npos);
    EXPECT_TRUE(mfdouble::calls().empty()); // the recording double was never reached
}
