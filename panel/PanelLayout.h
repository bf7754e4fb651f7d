#pragma once

#include "ui/ControlTable.h"

#include <QRect>

#include <span>

namespace panel {

/// Every control of the KOV450 window, containers first.
std::span<const ui::ControlSpec> panelLayout();

/// The layout's entry for the named control (which must exist).
const ui::ControlSpec& panelControlSpec(QStringView name);

/// The controls in the order Tab visits them; an option group is one stop, and hidden controls
/// are passed by.
std::span<const char* const> panelTabOrder();

/// The client area, in twips, at its fixed start-up position on the screen.
constexpr QRect kPanelClientTwips{4545, 3750, 7950, 1680};

/// The full view: tall enough for every control, "Boud Rate Setting" moved off the Auto Read
/// frame into the free space right of the card controls.
constexpr int kFullViewClientHeightTwips = 7500;
constexpr QPoint kFullViewBoudFrameTwips{4680, 3960};

constexpr double kPanelFontPoints = 8;

constexpr QRgb kPanelBackground = 0xFFC0C0FF;   // RGB (192, 192, 255)
constexpr QRgb kPanelOptionColour = 0xFF8080FF; // RGB (128, 128, 255)

} // namespace panel
