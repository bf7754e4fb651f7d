#include "poll/ClickWatcher.h"

#include <QMouseEvent>
#include <QWidget>

namespace poll {

ClickWatcher::ClickWatcher(QWidget* watched) : QObject(watched), watched_(watched) {
    watched->installEventFilter(this);
}

bool ClickWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched != watched_) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // Released elsewhere, the press is withdrawn, as a button's is.
        const bool click = pressed_ && mouse->button() == Qt::LeftButton &&
                           watched_->rect().contains(mouse->position().toPoint());
        pressed_ = false;
        if (click) {
            emit clicked();
        }
    }
    return false;
}

} // namespace poll
