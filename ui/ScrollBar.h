#pragma once

#include <QScrollBar>

namespace ui {

/// A horizontal scroll bar whose keys move it the Windows way: Right and Down step up, Left and
/// Up step down, Page Down and Page Up by a page, Home and End to the ends. (Qt inverts the
/// controls of scroll bars, so that Right lowers the value.)
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget* parent = nullptr) : QScrollBar(Qt::Horizontal, parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace ui
