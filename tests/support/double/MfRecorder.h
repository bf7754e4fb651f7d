#pragma once

// The control side of the recording MF_API double: tests script answers and read back the calls
// that the programs made through the real binding.

#include <cstdint>
#include <string>
#include <vector>

namespace mfdouble {

struct Call {
    std::string function;
    std::vector<std::int64_t> args;  ///< integer arguments in order, pointers left out
    const void* buffer = nullptr;    ///< the buffer or text pointer passed, if any
    std::vector<std::uint8_t> bytes; ///< the buffer's contents as passed in
    std::string text;                ///< a text argument
};

struct Answer {
    std::int32_t status = 0;
    std::vector<std::uint8_t> bytes; ///< written into the caller's buffer (never past its size)
};

/// Forgets every call and every scripted answer.
void reset();

/// Queues an answer for the next call of the function; queued answers are used in order.
void script(const std::string& function, Answer answer);

/// The answer once the queue of the function is empty (status 0, nothing written, at first).
void setDefault(const std::string& function, Answer answer);

std::vector<Call> calls();
std::vector<Call> callsOf(const std::string& function);
std::vector<std::string> callNames();

// Used by the double itself.
void record(Call call);
Answer answerFor(const std::string& function);

} // namespace mfdouble
