#include "binding/MfApi.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace reader {

namespace {

constexpr std::array kFunctionNames = {
#define READER_NAME_ENTRY(name) #name,
    READER_MF_API_FUNCTIONS(READER_NAME_ENTRY)
#undef READER_NAME_ENTRY
};

std::filesystem::path programFolder() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(length);
    return std::filesystem::path(buffer).parent_path();
#else
    // Not knowing where the program lies is no reason to load a library from the current
    // folder: then only the system's library path is searched.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
#endif
}

} // namespace

LibraryLocation LibraryLocation::besideProgram() {
#if defined(_WIN32)
    const std::vector<std::string> fileNames{"MF_API.dll"};
#elif defined(__APPLE__)
    const std::vector<std::string> fileNames{"libMF_API.1.dylib", "libMF_API.dylib"};
#else
    const std::vector<std::string> fileNames{"libMF_API.so.1", "libMF_API.so"};
#endif
    const std::filesystem::path own = programFolder();
    if (own.empty()) {
        return {fileNames, {}};
    }
    std::vector<std::filesystem::path> folders{own, (own / ".." / "lib").lexically_normal()};
#ifdef READER_LIBDIR_FROM_BINDIR
    // An install under /usr keeps libraries in lib/<multiarch>, which ../lib does not reach.
    const std::filesystem::path installed = (own / READER_LIBDIR_FROM_BINDIR).lexically_normal();
    if (std::find(folders.begin(), folders.end(), installed) == folders.end()) {
        folders.push_back(installed);
    }
#endif
    return {fileNames, folders};
}

MfApi::MfApi(LibraryLocation location) : location_(std::move(location)) {
}

void MfApi::setProblemHandler(ProblemHandler handler) {
    const std::lock_guard lock(mutex_);
    problemHandler_ = std::move(handler);
}

bool MfApi::isLoaded() const {
    const std::lock_guard lock(mutex_);
    return library_.has_value();
}

std::size_t MfApi::lookupCount() const {
    const std::lock_guard lock(mutex_);
    return lookups_;
}

std::filesystem::path MfApi::loadedFrom() const {
    const std::lock_guard lock(mutex_);
    return loadedFrom_;
}

bool MfApi::loadLocked(std::string& problem) {
    if (loadTried_) {
        return library_.has_value();
    }
    loadTried_ = true;

    std::string looked;
    std::string failures;
    for (const std::filesystem::path& folder : location_.searchDirs) {
        looked += folder.string() + ", ";
        for (const std::string& fileName : location_.fileNames) {
            const std::filesystem::path candidate = folder / fileName;
            std::error_code error;
            if (!std::filesystem::exists(candidate, error)) {
                continue;
            }
            SharedLibrary library(candidate);
            if (library) {
                library_.emplace(std::move(library));
                loadedFrom_ = candidate;
                return true;
            }
            failures += " " + candidate.string() + ": " + library.error() + ".";
        }
    }
    std::string names;
    for (const std::string& fileName : location_.fileNames) {
        SharedLibrary fromSystem{std::filesystem::path(fileName)};
        if (fromSystem) {
            library_.emplace(std::move(fromSystem));
            loadedFrom_ = fileName;
            return true;
        }
        names += (names.empty() ? "" : " or ") + fileName;
    }
    problem = "The reader library " + names + " could not be loaded. Looked in " + looked +
              "then the system's library path." + failures +
              " Every reader command fails with status " + std::to_string(MF_ERR_LIBRARY_MISSING) +
              " until the program is started again.";
    return false;
}

MfApi::Resolved MfApi::resolve(Function function) {
    const auto index = static_cast<std::size_t>(function);
    std::string problem;
    Resolved resolved{nullptr, MF_OK};
    ProblemHandler handler;
    {
        const std::lock_guard lock(mutex_);
        if (lookedUp_[index]) {
            resolved.address = addresses_[index];
            resolved.failure = library_ ? MF_ERR_FUNCTION_MISSING : MF_ERR_LIBRARY_MISSING;
            return resolved;
        }
        const bool firstLoad = !loadTried_;
        if (!loadLocked(problem)) {
            lookedUp_[index] = true;
            resolved.failure = MF_ERR_LIBRARY_MISSING;
            if (!firstLoad) {
                problem.clear(); // told once already
            }
        } else {
            lookedUp_[index] = true;
            addresses_[index] = library_->symbol(kFunctionNames[index]);
            ++lookups_;
            resolved.address = addresses_[index];
            resolved.failure = MF_ERR_FUNCTION_MISSING;
            if (resolved.address == nullptr) {
                problem = "The reader library " + loadedFrom_.string() + " has no function " +
                          kFunctionNames[index] + "; that command fails with status " +
                          std::to_string(MF_ERR_FUNCTION_MISSING) + ".";
            }
        }
        handler = problemHandler_;
    }
    // Outside the lock: the handler may show a window and call back into the binding.
    if (!problem.empty() && handler) {
        handler(problem);
    }
    return resolved;
}

std::int32_t MfApi::MF_GetDLL_Ver(std::uint8_t* version) {
    return call<decltype(::MF_GetDLL_Ver)>(Function::MF_GetDLL_Ver, version);
}
std::int32_t MfApi::MF_InitComm(const char* port, std::int32_t baud) {
    return call<decltype(::MF_InitComm)>(Function::MF_InitComm, port, baud);
}
std::int32_t MfApi::MF_ExitComm() {
    return call<decltype(::MF_ExitComm)>(Function::MF_ExitComm);
}
std::int32_t MfApi::MF_SetDeviceBaud(std::int32_t device, std::int32_t baud) {
    return call<decltype(::MF_SetDeviceBaud)>(Function::MF_SetDeviceBaud, device, baud);
}
std::int32_t MfApi::MF_GetDeviceAddr(std::int32_t device, std::uint8_t* address) {
    return call<decltype(::MF_GetDeviceAddr)>(Function::MF_GetDeviceAddr, device, address);
}
std::int32_t MfApi::MF_SetDeviceAddr(std::int32_t device, std::int32_t address) {
    return call<decltype(::MF_SetDeviceAddr)>(Function::MF_SetDeviceAddr, device, address);
}
std::int32_t MfApi::MF_GetDevice_Ver(std::int32_t device, std::uint8_t* version) {
    return call<decltype(::MF_GetDevice_Ver)>(Function::MF_GetDevice_Ver, device, version);
}
std::int32_t MfApi::MF_GetDeviceSNR(std::int32_t device, std::uint8_t* serial) {
    return call<decltype(::MF_GetDeviceSNR)>(Function::MF_GetDeviceSNR, device, serial);
}
std::int32_t MfApi::MF_SetDeviceSNR(std::int32_t device, const char* serial) {
    return call<decltype(::MF_SetDeviceSNR)>(Function::MF_SetDeviceSNR, device, serial);
}
std::int32_t MfApi::MF_DeviceReset(std::int32_t device) {
    return call<decltype(::MF_DeviceReset)>(Function::MF_DeviceReset, device);
}
std::int32_t MfApi::MF_ControlBuzzer(std::int32_t device, const std::int16_t* duration) {
    return call<decltype(::MF_ControlBuzzer)>(Function::MF_ControlBuzzer, device, duration);
}
std::int32_t MfApi::MF_ControlLED(std::int32_t device, std::int32_t red, std::int32_t green) {
    return call<decltype(::MF_ControlLED)>(Function::MF_ControlLED, device, red, green);
}
std::int32_t MfApi::MF_SetRF_ON(std::int32_t device) {
    return call<decltype(::MF_SetRF_ON)>(Function::MF_SetRF_ON, device);
}
std::int32_t MfApi::MF_SetRF_OFF(std::int32_t device) {
    return call<decltype(::MF_SetRF_OFF)>(Function::MF_SetRF_OFF, device);
}
std::int32_t MfApi::MF_SetWiegandMode(std::int32_t device, std::int32_t mode, std::int32_t format) {
    return call<decltype(::MF_SetWiegandMode)>(Function::MF_SetWiegandMode, device, mode, format);
}
std::int32_t MfApi::MF_Request(std::int32_t device, std::int32_t mode, std::uint8_t* cardType) {
    return call<decltype(::MF_Request)>(Function::MF_Request, device, mode, cardType);
}
std::int32_t MfApi::MF_Anticoll(std::int32_t device, std::uint8_t* serial) {
    return call<decltype(::MF_Anticoll)>(Function::MF_Anticoll, device, serial);
}
std::int32_t MfApi::MF_Select(std::int32_t device, const std::uint8_t* serial) {
    return call<decltype(::MF_Select)>(Function::MF_Select, device, serial);
}
std::int32_t MfApi::MF_Halt(std::int32_t device) {
    return call<decltype(::MF_Halt)>(Function::MF_Halt, device);
}
std::int32_t MfApi::MF_LoadKey(std::int32_t device, const std::uint8_t* key) {
    return call<decltype(::MF_LoadKey)>(Function::MF_LoadKey, device, key);
}
std::int32_t MfApi::MF_LoadKeyFromEE(std::int32_t device, std::int32_t keyType, std::int32_t slot) {
    return call<decltype(::MF_LoadKeyFromEE)>(Function::MF_LoadKeyFromEE, device, keyType, slot);
}
std::int32_t MfApi::MF_StoreKeyToEE(std::int32_t device, std::int32_t keyType, std::int32_t slot,
                                    const std::uint8_t* key) {
    return call<decltype(::MF_StoreKeyToEE)>(Function::MF_StoreKeyToEE, device, keyType, slot, key);
}
std::int32_t MfApi::MF_Authentication(std::int32_t device, std::int32_t keyType, std::int32_t block,
                                      const std::uint8_t* serial) {
    return call<decltype(::MF_Authentication)>(Function::MF_Authentication, device, keyType, block,
                                               serial);
}
std::int32_t MfApi::MF_Read(std::int32_t device, std::int32_t block, std::int32_t count,
                            std::uint8_t* data) {
    return call<decltype(::MF_Read)>(Function::MF_Read, device, block, count, data);
}
std::int32_t MfApi::MF_Write(std::int32_t device, std::int32_t block, std::int32_t count,
                             const std::uint8_t* data) {
    return call<decltype(::MF_Write)>(Function::MF_Write, device, block, count, data);
}
std::int32_t MfApi::MF_Value(std::int32_t device, std::int32_t operation, std::int32_t block,
                             const std::int32_t* value) {
    return call<decltype(::MF_Value)>(Function::MF_Value, device, operation, block, value);
}
std::int32_t MfApi::MF_transfer(std::int32_t device, std::int32_t block) {
    return call<decltype(::MF_transfer)>(Function::MF_transfer, device, block);
}

} // namespace reader
