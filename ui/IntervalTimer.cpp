#include "ui/IntervalTimer.h"

#include <algorithm>

namespace ui {

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent) {
    // Ticks that fall due while a slow tick runs are dropped, not made up.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::fire);
}

void IntervalTimer::fire() {
    if (inTick_) {
        return;
    }
    inTick_ = true;
    emit tick();
    inTick_ = false;
}

void IntervalTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    apply();
}

void IntervalTimer::setInterval(int milliseconds) {
    interval_ = std::max(0, milliseconds);
    apply();
}

void IntervalTimer::apply() {
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

} // namespace ui
