#pragma once

#include <QObject>
#include <QString>

namespace ui {

/// The window's control of this name and kind; a missing one is a programming error, since
/// every window builds its controls from its own layout table.
template <typename Control> Control* findControl(const QObject* window, const char* name) {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    Q_ASSERT_X(control != nullptr, "ui::findControl", name);
    return control;
}

} // namespace ui
