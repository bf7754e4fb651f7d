#pragma once

#include "binding/MfApi.h"

#include <optional>
#include <string>

namespace cli {

/// What a program says about itself on --help and --version.
struct ProgramInfo {
    std::string name;
    /// The usage text --help prints.
    std::string usage;
    /// Where the binding looks for MF_API; --version reports what it finds there. Empty for a
    /// program that does not use the library.
    std::optional<reader::LibraryLocation> library;
};

/// "NAME VERSION".
std::string versionLine(const std::string& name);

/// "MF_API: FILE, VERSION TEXT": the library the binding finds there, or why none was found.
std::string libraryLine(const reader::LibraryLocation& location);

/// Answers --help or --version (whichever comes first among the arguments) on standard output
/// and returns the exit status; nothing when the arguments ask for neither. Needs no display.
std::optional<int> answerInfoOptions(int argc, char** argv, const ProgramInfo& info);

/// For a Qt program: answers --help and --version as above, and refuses a command line that
/// holds anything but them and Qt's own options, saying what on standard error with the usage
/// (exit status 2). Nothing when QApplication may take the arguments. Needs no display.
std::optional<int> answerQtCommandLine(int argc, char** argv, const ProgramInfo& info);

} // namespace cli
