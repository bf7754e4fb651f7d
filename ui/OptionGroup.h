#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRadioButton>

namespace ui {

/// The option groups of one window, each group one Tab stop: Tab lands on the group's selected
/// button (the first when none is), and the arrow keys move the selection within the group,
/// clicking the button they land on. Qt alone stops Tab at the first button of a group,
/// selected or not, and a button taking the focus strips the Tab stop from every option button
/// below the same parent, other groups' included; so all groups of a window are kept together.
class OptionGroups : public QObject {
    Q_OBJECT
public:
    OptionGroups(const QList<QList<QRadioButton*>>& groups, QObject* parent);

    /// The button that takes the Tab stop of the group now.
    QRadioButton* tabStop(qsizetype group) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Group = QList<QPointer<QRadioButton>>;
    static QRadioButton* tabStopOf(const Group& group);
    void updateTabStops();
    bool moveSelection(QObject* watched, int step);
    QList<Group> groups_;
};

} // namespace ui
