#pragma once

#include <QString>

class QPlainTextEdit;

namespace poll {

/// How many lines the log keeps: enough for hours of cards, small enough to stay quick.
constexpr int kLogLineLimit = 10000;

/// Bounds the log to its newest lines: once it holds more, its oldest whole lines are dropped,
/// so logging never stops. (This also turns off the log's undo history, which would grow
/// without end.)
void keepNewestLines(QPlainTextEdit& log, int lines);

/// Adds the text after whatever the log holds and ends its line. A view that showed the end of
/// the log keeps showing it; one scrolled back stays where the user put it.
void appendLine(QPlainTextEdit& log, const QString& text);

} // namespace poll
