#pragma once

#include "ui/IntervalTimer.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace poll {

/// Typed handles on the controls of the Form1 window, named as the layout names them.
struct PollControls {
    QPlainTextEdit* Text1;
    QScrollBar* HScroll1;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Label1;
    ui::IntervalTimer* Timer1;

    /// Finds every control among the window's children; a missing one is a programming error.
    static PollControls find(QWidget* window);
};

} // namespace poll
