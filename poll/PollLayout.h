#pragma once

#include "ui/ControlTable.h"

#include <QSize>

#include <span>

namespace poll {

/// Every control of the Form1 window, in the order Tab visits them.
std::span<const ui::ControlSpec> pollLayout();

/// The controls that take the focus, in the table's order.
std::span<const char* const> pollTabOrder();

/// The client area in twips: a tall, narrow window.
constexpr QSize kFormClientTwips{4695, 13230};

/// The layout is measured for an 8-point dialog font; larger ones would clip the captions.
constexpr double kFormFontPoints = 8;

} // namespace poll
