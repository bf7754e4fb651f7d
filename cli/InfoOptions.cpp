#include "cli/InfoOptions.h"

#include "cli/QtArguments.h"
#include "cli/Version.h"

#include <array>
#include <cstdint>
#include <iostream>
#include <string_view>
#include <vector>

namespace cli {

std::string libraryLine(const reader::LibraryLocation& location) {
    reader::MfApi api(location);
    std::string problem;
    api.setProblemHandler([&problem](const std::string& message) { problem = message; });
    std::array<std::uint8_t, 33> version{};
    const std::int32_t status = api.MF_GetDLL_Ver(version.data());
    if (!api.isLoaded()) {
        return "MF_API: not found. " + problem;
    }
    std::string where = api.loadedFrom().string();
    if (!api.loadedFrom().has_parent_path()) {
        where += " (on the system's library path)";
    }
    if (status != MF_OK) {
        return "MF_API: " + where + ", version unknown (status " + std::to_string(status) + ")";
    }
    version.back() = 0;
    return "MF_API: " + where + ", " + reinterpret_cast<const char*>(version.data());
}

std::string versionLine(const std::string& name) {
    return name + " " + kVersion;
}

std::optional<int> answerInfoOptions(int argc, char** argv, const ProgramInfo& info) {
    for (int at = 1; at < argc; ++at) {
        const std::string_view argument = argv[at];
        if (argument == "--help" || argument == "-h") {
            std::cout << info.usage;
            return 0;
        }
        if (argument == "--version") {
            std::cout << versionLine(info.name) << "\n";
            if (info.library) {
                std::cout << libraryLine(*info.library) << "\n";
            }
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> answerQtCommandLine(int argc, char** argv, const ProgramInfo& info) {
    if (const auto status = answerInfoOptions(argc, argv, info)) {
        return status;
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (const auto refused = refusedQtArgument(arguments)) {
        std::cerr << info.name << ": " << *refused << "\n" << info.usage;
        return 2;
    }
    return std::nullopt;
}

} // namespace cli
