#include "poll/PollLayout.h"

#include <array>

namespace poll {

namespace {

using ui::ControlKind;
using ui::ControlSpec;

// clang-format off
const std::array kLayout = {
    ControlSpec{.name = "Text1", .kind = ControlKind::LogBox, .twips = {120, 120, 1695, 12975}},
    // Arrow clicks step by 1 ms for fine tuning, clicks on the track by 10 ms to cross the range.
    ControlSpec{.name = "HScroll1", .kind = ControlKind::HScrollBar, .twips = {1920, 240, 2760, 200}, .maximum = 150, .smallStep = 1, .largeStep = 10},
    ControlSpec{.name = "Command1", .kind = ControlKind::CommandButton, .text = "Clear", .twips = {2040, 600, 615, 255}},
    ControlSpec{.name = "Command2", .kind = ControlKind::CommandButton, .text = "reset", .twips = {2760, 600, 615, 255}},
    ControlSpec{.name = "Label1", .kind = ControlKind::Label, .text = "Timer is off", .twips = {3480, 645, 1215, 255}},
    // Enabled, but an interval of 0 keeps it silent until the scroll bar moves.
    ControlSpec{.name = "Timer1", .kind = ControlKind::Timer, .interval = 0, .enabled = true},
};

const auto kTabOrder = std::to_array<const char*>({"Text1", "HScroll1", "Command1", "Command2"});
// clang-format on

} // namespace

std::span<const ui::ControlSpec> pollLayout() {
    return kLayout;
}

std::span<const char* const> pollTabOrder() {
    return kTabOrder;
}

} // namespace poll
