#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QFont;
class QFontMetrics;

namespace ui {

/// Breaks a caption at its spaces into lines no wider than the area, as Windows word-wraps a
/// button's caption. A word wider than the area keeps a line of its own rather than being split.
/// A caption that fits on one line, or whose lines would not stand in the area's height, is
/// given back unchanged as one line: a line cut at its end reads better than lines cut through.
QStringList wrapCaption(const QString& caption, const QFontMetrics& metrics, QSize area);

/// The largest point size, in quarter points from the font's own size down to smallest, at which
/// text fits into width on one line; smallest when none does.
qreal fittingPointSize(const QFont& font, const QString& text, int width, qreal smallest);

} // namespace ui
