// A library of the right name that lacks most functions, to test a missing entry point.

#include <MF_API.h>

#include <cstdint>

extern "C" MF_EXPORT std::int32_t MF_CALL MF_GetDLL_Ver(std::uint8_t* version) {
    version[0] = 'P';
    return 0;
}
