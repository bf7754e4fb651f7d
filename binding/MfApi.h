#pragma once

#include "binding/SharedLibrary.h"

#include <MF_API.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace reader {

// Every function of the library, in one list, so that names and slots never drift apart.
#define READER_MF_API_FUNCTIONS(X)                                                                 \
    X(MF_GetDLL_Ver)                                                                               \
    X(MF_InitComm)                                                                                 \
    X(MF_ExitComm)                                                                                 \
    X(MF_SetDeviceBaud)                                                                            \
    X(MF_GetDeviceAddr)                                                                            \
    X(MF_SetDeviceAddr)                                                                            \
    X(MF_GetDevice_Ver)                                                                            \
    X(MF_GetDeviceSNR)                                                                             \
    X(MF_SetDeviceSNR)                                                                             \
    X(MF_DeviceReset)                                                                              \
    X(MF_ControlBuzzer)                                                                            \
    X(MF_ControlLED)                                                                               \
    X(MF_SetRF_ON)                                                                                 \
    X(MF_SetRF_OFF)                                                                                \
    X(MF_SetWiegandMode)                                                                           \
    X(MF_Request)                                                                                  \
    X(MF_Anticoll)                                                                                 \
    X(MF_Select)                                                                                   \
    X(MF_Halt)                                                                                     \
    X(MF_LoadKey)                                                                                  \
    X(MF_LoadKeyFromEE)                                                                            \
    X(MF_StoreKeyToEE)                                                                             \
    X(MF_Authentication)                                                                           \
    X(MF_Read)                                                                                     \
    X(MF_Write)                                                                                    \
    X(MF_Value)                                                                                    \
    X(MF_transfer)

/// Where the library file is looked for: each folder in turn, trying each name in it; after
/// these each name on the system's library path.
struct LibraryLocation {
    std::vector<std::string> fileNames;
    std::vector<std::filesystem::path> searchDirs;

    /// The platform's file names of MF_API (on Linux the versioned libMF_API.so.1 first, as a
    /// run-time install has no unversioned link), searched in the program's own folder, then in
    /// ../lib beside it, then in the install's library folder seen from its program folder.
    static LibraryLocation besideProgram();
};

/// The run-time binding of MF_API. The library is loaded at the first call of any function and
/// each function is looked up at its own first call, then reused. When the library or a function
/// is missing, the call returns MF_ERR_LIBRARY_MISSING or MF_ERR_FUNCTION_MISSING and the problem
/// handler hears of it once per run.
class MfApi {
public:
    using ProblemHandler = std::function<void(const std::string& message)>;

    explicit MfApi(LibraryLocation location);
    MfApi(const MfApi&) = delete;
    MfApi& operator=(const MfApi&) = delete;

    void setProblemHandler(ProblemHandler handler);

    /// True once the library file has been loaded.
    bool isLoaded() const;

    /// How many functions have been looked up by name so far.
    std::size_t lookupCount() const;

    /// The file the library was loaded from (a bare name when found on the system's path);
    /// empty before the first call or when it was not found.
    std::filesystem::path loadedFrom() const;

    [[nodiscard]] std::int32_t MF_GetDLL_Ver(std::uint8_t* version);
    [[nodiscard]] std::int32_t MF_InitComm(const char* port, std::int32_t baud);
    [[nodiscard]] std::int32_t MF_ExitComm();
    [[nodiscard]] std::int32_t MF_SetDeviceBaud(std::int32_t device, std::int32_t baud);
    [[nodiscard]] std::int32_t MF_GetDeviceAddr(std::int32_t device, std::uint8_t* address);
    [[nodiscard]] std::int32_t MF_SetDeviceAddr(std::int32_t device, std::int32_t address);
    [[nodiscard]] std::int32_t MF_GetDevice_Ver(std::int32_t device, std::uint8_t* version);
    [[nodiscard]] std::int32_t MF_GetDeviceSNR(std::int32_t device, std::uint8_t* serial);
    [[nodiscard]] std::int32_t MF_SetDeviceSNR(std::int32_t device, const char* serial);
    [[nodiscard]] std::int32_t MF_DeviceReset(std::int32_t device);
    [[nodiscard]] std::int32_t MF_ControlBuzzer(std::int32_t device, const std::int16_t* duration);
    [[nodiscard]] std::int32_t MF_ControlLED(std::int32_t device, std::int32_t red,
                                             std::int32_t green);
    [[nodiscard]] std::int32_t MF_SetRF_ON(std::int32_t device);
    [[nodiscard]] std::int32_t MF_SetRF_OFF(std::int32_t device);
    [[nodiscard]] std::int32_t MF_SetWiegandMode(std::int32_t device, std::int32_t mode,
                                                 std::int32_t format);
    [[nodiscard]] std::int32_t MF_Request(std::int32_t device, std::int32_t mode,
                                          std::uint8_t* cardType);
    [[nodiscard]] std::int32_t MF_Anticoll(std::int32_t device, std::uint8_t* serial);
    [[nodiscard]] std::int32_t MF_Select(std::int32_t device, const std::uint8_t* serial);
    [[nodiscard]] std::int32_t MF_Halt(std::int32_t device);
    [[nodiscard]] std::int32_t MF_LoadKey(std::int32_t device, const std::uint8_t* key);
    [[nodiscard]] std::int32_t MF_LoadKeyFromEE(std::int32_t device, std::int32_t keyType,
                                                std::int32_t slot);
    [[nodiscard]] std::int32_t MF_StoreKeyToEE(std::int32_t device, std::int32_t keyType,
                                               std::int32_t slot, const std::uint8_t* key);
    [[nodiscard]] std::int32_t MF_Authentication(std::int32_t device, std::int32_t keyType,
                                                 std::int32_t block, const std::uint8_t* serial);
    [[nodiscard]] std::int32_t MF_Read(std::int32_t device, std::int32_t block, std::int32_t count,
                                       std::uint8_t* data);
    [[nodiscard]] std::int32_t MF_Write(std::int32_t device, std::int32_t block, std::int32_t count,
                                        const std::uint8_t* data);
    [[nodiscard]] std::int32_t MF_Value(std::int32_t device, std::int32_t operation,
                                        std::int32_t block, const std::int32_t* value);
    [[nodiscard]] std::int32_t MF_transfer(std::int32_t device, std::int32_t block);

private:
    enum class Function {
#define READER_ENUM_ENTRY(name) name,
        READER_MF_API_FUNCTIONS(READER_ENUM_ENTRY)
#undef READER_ENUM_ENTRY
            Count
    };
    static constexpr std::size_t kFunctionCount = static_cast<std::size_t>(Function::Count);

    struct Resolved {
        void* address;
        std::int32_t failure;
    };

    [[nodiscard]] Resolved resolve(Function function);
    [[nodiscard]] bool loadLocked(std::string& problem);

    template <typename Signature, typename... Args>
    std::int32_t call(Function function, Args... args) {
        const Resolved found = resolve(function);
        if (found.address == nullptr) {
            return found.failure;
        }
        return reinterpret_cast<Signature*>(found.address)(args...);
    }

    LibraryLocation location_;
    ProblemHandler problemHandler_;
    mutable std::mutex mutex_;
    bool loadTried_ = false;
    std::optional<SharedLibrary> library_;
    std::filesystem::path loadedFrom_;
    std::array<void*, kFunctionCount> addresses_{};
    std::array<bool, kFunctionCount> lookedUp_{};
    std::size_t lookups_ = 0;
};

} // namespace reader
