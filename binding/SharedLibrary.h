#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace reader {

/// An open dynamic library, closed when the object goes.
class SharedLibrary {
public:
    /// Opens the library at path; a bare file name searches the system's library path.
    /// On failure the object is empty and error() says why.
    explicit SharedLibrary(const std::filesystem::path& path);

    explicit operator bool() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    /// The address of an exported symbol, or null.
    [[nodiscard]] void* symbol(const char* name) const;

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    std::string error_;
};

} // namespace reader
