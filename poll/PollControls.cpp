#include "poll/PollControls.h"

#include "ui/FindControl.h"

namespace poll {

PollControls PollControls::find(QWidget* window) {
    PollControls c{};
    c.Text1 = ui::findControl<QPlainTextEdit>(window, "Text1");
    c.HScroll1 = ui::findControl<QScrollBar>(window, "HScroll1");
    c.Command1 = ui::findControl<QPushButton>(window, "Command1");
    c.Command2 = ui::findControl<QPushButton>(window, "Command2");
    c.Label1 = ui::findControl<QLabel>(window, "Label1");
    c.Timer1 = ui::findControl<ui::IntervalTimer>(window, "Timer1");
    return c;
}

} // namespace poll
