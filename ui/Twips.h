#pragma once

#include <QRect>

class QWidget;

namespace ui {

constexpr int kTwipsPerInch = 1440;

/// Twips (1/1440 inch) as pixels at the given logical DPI; 15 twips a pixel at 96 DPI.
int twipsToPixels(int twips, qreal dpi);

/// A rectangle given in twips (left, top, width, height) as pixels.
QRect twipsToPixels(const QRect& twips, qreal dpi);

/// The logical DPI of the screen the widget is on, or of the primary screen.
qreal logicalDpi(const QWidget* widget = nullptr);

} // namespace ui
