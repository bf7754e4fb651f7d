#include "binding/SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace reader {

#ifdef _WIN32

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : handle_(LoadLibraryW(path.c_str())) {
    if (!handle_) {
        error_ = "error " + std::to_string(GetLastError());
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_
               ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_.get()), name))
               : nullptr;
}

void SharedLibrary::Closer::operator()(void* handle) const {
    FreeLibrary(static_cast<HMODULE>(handle));
}

#else

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
        const char* message = dlerror();
        error_ = message ? message : "unknown error";
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ ? dlsym(handle_.get(), name) : nullptr;
}

void SharedLibrary::Closer::operator()(void* handle) const {
    dlclose(handle);
}

#endif

} // namespace reader
