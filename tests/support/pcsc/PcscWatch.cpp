#include "pcsc/PcscWatch.h"

#include <winscard.h>

#include <algorithm>
#include <thread>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// A context released once, as the library's own.
struct Context {
    SCARDCONTEXT handle = 0;
    LONG result = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &handle);
    ~Context() {
        if (result == SCARD_S_SUCCESS) {
            SCardReleaseContext(handle);
        }
    }
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
};

std::vector<std::string> listed(const Context& context) {
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    std::vector<std::string> names;
    if (context.result != SCARD_S_SUCCESS ||
        SCardListReaders(context.handle, nullptr, buffer.data(), &size) != SCARD_S_SUCCESS) {
        return names;
    }
    for (const char* at = buffer.data(); *at != 0; at += names.back().size() + 1) {
        names.emplace_back(at);
    }
    return names;
}

std::chrono::milliseconds left(Clock::time_point deadline) {
    return std::max(0ms,
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

} // namespace

std::vector<std::string> PcscWatch::readers() {
    const Context context;
    return listed(context);
}

bool PcscWatch::waitForReader(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    do {
        const auto names = readers();
        if (std::any_of(names.begin(), names.end(), [&](const std::string& name) {
                return name.find(text) != std::string::npos;
            })) {
            return true;
        }
        // pcscd is still starting: no notification to wait on before its socket exists.
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < deadline);
    return false;
}

bool PcscWatch::waitForCard(const std::string& text, bool present,
                            std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const Context context;
    const auto names = listed(context);
    const auto name = std::find_if(names.begin(), names.end(), [&](const std::string& reader) {
        return reader.find(text) != std::string::npos;
    });
    if (name == names.end()) {
        return false;
    }
    SCARD_READERSTATE state{};
    state.szReader = name->c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    for (;;) {
        // Told at once of the state, then woken at each change, within the deadline.
        const auto wait = static_cast<DWORD>(left(deadline).count());
        const LONG result = SCardGetStatusChange(context.handle, wait, &state, 1);
        if (result != SCARD_S_SUCCESS && result != SCARD_E_TIMEOUT) {
            return false;
        }
        const bool has = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
        if (has == present) {
            return true;
        }
        if (result == SCARD_E_TIMEOUT || left(deadline).count() == 0) {
            return false;
        }
        state.dwCurrentState = state.dwEventState & ~static_cast<DWORD>(SCARD_STATE_CHANGED);
    }
}

bool PcscWatch::waitForNoService(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    do {
        SCARDCONTEXT handle = 0;
        const LONG result = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &handle);
        if (result == SCARD_S_SUCCESS) {
            SCardReleaseContext(handle);
        } else {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    } while (Clock::now() < deadline);
    return false;
}

} // namespace testing_support
