#include "tagcard/Report.h"

#include "protocol/Status.h"
#include "text/PrintableText.h"

namespace tagcard {

namespace {

/// A file name or a user's text is not always UTF-8: JSON gets U+FFFD in its place.
std::string dumped(const Json& object) {
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json meaningOf(std::int32_t status) {
    const auto name = protocol::statusName(status);
    return name ? Json(std::string(*name)) : Json(nullptr);
}

} // namespace

std::string jsonLine(std::string_view command, Json fields, std::int32_t status) {
    Json line{{"command", command}};
    for (auto& [name, value] : fields.items()) {
        line[name] = std::move(value);
    }
    line["status"] = status;
    line["meaning"] = meaningOf(status);
    return dumped(line);
}

std::string failureJsonLine(std::string_view command, std::string_view message, int exitStatus,
                            std::optional<std::int32_t> status) {
    const Json line{{"command", command},
                    {"error", message},
                    {"exit", exitStatus},
                    {"status", status ? Json(*status) : Json(nullptr)},
                    {"meaning", status ? meaningOf(*status) : Json(nullptr)}};
    return dumped(line);
}

std::string failureText(std::string_view message, std::optional<std::int32_t> status) {
    std::string text = text::printable(message);
    if (status) {
        text += " (" + protocol::statusText(*status) + ")";
    }
    return text;
}

void Report::result(std::string_view command, std::string_view text, Json fields,
                    std::int32_t status) {
    if (json_) {
        out_ << jsonLine(command, std::move(fields), status) << std::endl;
    } else {
        // Each line of the text made safe on its own, so that the line breaks stay.
        for (std::size_t end = text.find('\n'); end != std::string_view::npos;
             end = text.find('\n')) {
            out_ << text::printable(text.substr(0, end)) << '\n';
            text.remove_prefix(end + 1);
        }
        out_ << text::printable(text) << std::endl;
    }
}

int Report::failure(std::string_view command, std::string_view message, int exitStatus,
                    std::optional<std::int32_t> status) {
    if (json_) {
        out_ << failureJsonLine(command, message, exitStatus, status) << std::endl;
    } else {
        err_ << "tagcard " << command << ": " << failureText(message, status) << std::endl;
    }
    return exitStatus;
}

void Report::note(std::string_view text) {
    err_ << "tagcard: " << text::printable(text) << std::endl;
}

} // namespace tagcard
