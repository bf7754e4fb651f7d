#pragma once

#include <QObject>
#include <QTimer>

namespace ui {

/// A timer with an enabled flag and an interval, that ticks only while enabled with an interval
/// above 0. (A QTimer with interval 0 would fire at every pass of the event loop.) A tick never
/// starts inside another, even when a handler runs a nested event loop.
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr);

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }

    /// Milliseconds; setting it restarts the count.
    void setInterval(int milliseconds);
    int interval() const { return interval_; }

    /// True while ticks come.
    bool isTicking() const { return timer_.isActive(); }

signals:
    void tick();

private:
    void apply();
    void fire();
    QTimer timer_;
    bool inTick_ = false;
    bool enabled_ = false;
    int interval_ = 0;
};

} // namespace ui
