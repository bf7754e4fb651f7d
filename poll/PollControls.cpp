#include "poll/PollControls.h"

namespace poll {

namespace {

template <typename Control> Control* child(QObject* window, const char* name) {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    Q_ASSERT_X(control != nullptr, "PollControls::find", name);
    return control;
}

} // namespace

PollControls PollControls::find(QWidget* window) {
    PollControls c{};
    c.Text1 = child<QPlainTextEdit>(window, "Text1");
    c.HScroll1 = child<QScrollBar>(window, "HScroll1");
    c.Command1 = child<QPushButton>(window, "Command1");
    c.Command2 = child<QPushButton>(window, "Command2");
    c.Label1 = child<QLabel>(window, "Label1");
    c.Timer1 = child<ui::IntervalTimer>(window, "Timer1");
    return c;
}

} // namespace poll
