#pragma once

// What tagcard prints: for people by default, a line of text a result; with --json one JSON
// object a result, on a line of its own, carrying the library status and its meaning.

#include "tagcard/ExitCode.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace tagcard {

using Json = nlohmann::ordered_json;

/// The JSON line of a result: `fields` after "command", then the status and its meaning.
std::string jsonLine(std::string_view command, Json fields, std::int32_t status);

/// The JSON line of a failure: the message, the exit status, and the library status with its
/// meaning when a library status is the cause (else both null).
std::string failureJsonLine(std::string_view command, std::string_view message, int exitStatus,
                            std::optional<std::int32_t> status);

/// A failure for people: the message, then the status with its meaning, "(3 authentication
/// failed)", when a library status is the cause; control characters shown as \xNN.
std::string failureText(std::string_view message, std::optional<std::int32_t> status);

/// Prints each result as it comes, whole lines flushed at once, so that a script reading a pipe
/// sees each card when it is served.
class Report {
public:
    Report(bool json, std::ostream& out, std::ostream& err) : json_(json), out_(out), err_(err) {}

    bool json() const { return json_; }

    /// A result: `text` for people (lines apart, control characters in them shown as \xNN),
    /// `fields` in JSON with
    /// status 0, or with `status` when the result carries one of its own.
    void result(std::string_view command, std::string_view text, Json fields,
                std::int32_t status = 0);

    /// A failure, on standard error for people, on standard output in JSON; returns `code`.
    int failure(std::string_view command, std::string_view message, ExitCode code,
                std::optional<std::int32_t> status = std::nullopt) {
        return failure(command, message, static_cast<int>(code), status);
    }
    /// A failure caused by a library status; its exit status follows from the status.
    int failed(std::string_view command, std::string_view message, std::int32_t status) {
        return failure(command, message, exitCodeOf(status), status);
    }
    /// A run ended by `signal` before its work was done; returns its exit status.
    int interrupted(std::string_view command, std::string_view message, int signal) {
        return failure(command, message, interruptedExit(signal), std::nullopt);
    }

    /// A remark for people that is no result (a warning); in JSON it goes to standard error too.
    void note(std::string_view text);

    /// False once standard output can take no more (a closed pipe).
    bool good() const { return out_.good(); }

private:
    int failure(std::string_view command, std::string_view message, int exitStatus,
                std::optional<std::int32_t> status);

    bool json_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace tagcard
