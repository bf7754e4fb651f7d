#include "ui/OptionGroup.h"

#include <QKeyEvent>

namespace ui {

OptionGroups::OptionGroups(const QList<QList<QRadioButton*>>& groups, QObject* parent)
    : QObject(parent) {
    for (const QList<QRadioButton*>& buttons : groups) {
        Group group;
        for (QRadioButton* button : buttons) {
            group.append(button);
            button->installEventFilter(this);
            connect(button, &QAbstractButton::toggled, this, &OptionGroups::updateTabStops);
        }
        groups_.append(group);
    }
    updateTabStops();
}

QRadioButton* OptionGroups::tabStop(qsizetype group) const {
    return tabStopOf(groups_.at(group));
}

QRadioButton* OptionGroups::tabStopOf(const Group& group) {
    for (const QPointer<QRadioButton>& button : group) {
        if (button && button->isChecked()) {
            return button;
        }
    }
    return group.isEmpty() ? nullptr : group.first().data();
}

void OptionGroups::updateTabStops() {
    for (const Group& group : groups_) {
        const QRadioButton* stop = tabStopOf(group);
        for (const QPointer<QRadioButton>& button : group) {
            if (button) {
                button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
            }
        }
    }
}

bool OptionGroups::moveSelection(QObject* watched, int step) {
    for (const Group& group : groups_) {
        const auto count = group.size();
        for (qsizetype i = 0; i < count; ++i) {
            if (group[i] != watched) {
                continue;
            }
            if (count < 2) {
                return false;
            }
            QRadioButton* next = group[(i + step + count) % count];
            if (next) {
                next->setFocus(Qt::TabFocusReason);
                next->click();
            }
            return true;
        }
    }
    return false;
}

bool OptionGroups::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // Let Qt have its say first, then put the stops back where they belong.
        watched->event(event);
        updateTabStops();
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Down:
    case Qt::Key_Right:
        return moveSelection(watched, 1);
    case Qt::Key_Up:
    case Qt::Key_Left:
        return moveSelection(watched, -1);
    default:
        return false;
    }
}

} // namespace ui
