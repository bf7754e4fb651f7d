#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace ui {

int twipsToPixels(int twips, qreal dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

QRect twipsToPixels(const QRect& twips, qreal dpi) {
    return {twipsToPixels(twips.left(), dpi), twipsToPixels(twips.top(), dpi),
            twipsToPixels(twips.width(), dpi), twipsToPixels(twips.height(), dpi)};
}

qreal logicalDpi(const QWidget* widget) {
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

} // namespace ui
