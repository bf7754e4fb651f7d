#include "TempFolder.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testing_support {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kov450-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp");
    }
    path_ = pattern;
}

} // namespace testing_support
