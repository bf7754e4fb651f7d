#include "ui/Captions.h"

#include <QFont>
#include <QFontMetrics>

namespace ui {

QStringList wrapCaption(const QString& caption, const QFontMetrics& metrics, QSize area) {
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(u' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= area.width()) {
            line = longer;
        } else {
            lines.append(line);
            line = word;
        }
    }
    if (!line.isEmpty()) {
        lines.append(line);
    }
    // The last line's descenders may be clipped, as few captions have any.
    const int lineCount = static_cast<int>(lines.size());
    const int height = (lineCount - 1) * metrics.lineSpacing() + metrics.ascent();
    if (lineCount < 2 || height > area.height()) {
        return {caption};
    }
    return lines;
}

qreal fittingPointSize(const QFont& font, const QString& text, int width, qreal smallest) {
    constexpr qreal kStep = 0.25;
    QFont trial = font;
    for (qreal points = font.pointSizeF(); points > smallest; points -= kStep) {
        trial.setPointSizeF(points);
        if (QFontMetrics(trial).horizontalAdvance(text) <= width) {
            return points;
        }
    }
    return smallest;
}

} // namespace ui
