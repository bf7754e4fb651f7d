#include "poll/SerialLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace poll {

void keepNewestLines(QPlainTextEdit& log, int lines) {
    // Every line ends with a line break, so the empty line after the last one counts as well.
    log.setMaximumBlockCount(lines + 1);
}

void appendLine(QPlainTextEdit& log, const QString& text) {
    QScrollBar* view = log.verticalScrollBar();
    const bool followingTheEnd = view->value() == view->maximum();
    // A cursor of our own leaves the user's caret and selection alone.
    QTextCursor end(log.document());
    end.movePosition(QTextCursor::End);
    end.insertText(text + QLatin1Char('\n'));
    if (followingTheEnd) {
        view->setValue(view->maximum());
    }
}

} // namespace poll
