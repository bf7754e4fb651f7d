#pragma once

#include <QObject>

class QWidget;

namespace poll {

/// Gives a widget without a click signal (a label) one: a left-button press and release on the
/// widget is a click, as on a button. Owned by the widget it watches.
class ClickWatcher : public QObject {
    Q_OBJECT
public:
    explicit ClickWatcher(QWidget* watched);

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* watched_;
    bool pressed_ = false;
};

} // namespace poll
