#pragma once

#include <QRect>
#include <QRgb>

#include <optional>
#include <span>

class QWidget;

namespace ui {

enum class ControlKind {
    CommandButton,
    CheckBox,
    OptionButton,
    TextBox,
    LogBox, ///< multi-line text box
    Label,
    ComboBox,
    Frame,
    HScrollBar,
    Line,
    Timer,
};

enum class Shown {
    Yes,    ///< visible, inside the client area
    Hidden, ///< not visible
    Below,  ///< visible, but outside the client area
};

/// One control of a window, as the layout table gives it. Geometry is in twips relative to the
/// container; a line runs from (left, top) across width twips; a timer has none.
struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* text = "";
    const char* container = nullptr; ///< null: the window itself
    QRect twips{};
    Shown shown = Shown::Yes;
    std::optional<QRgb> background{};
    std::optional<QRgb> foreground{};
    bool checked = false; ///< check box ticked, option button selected
    int maximum = 0;      ///< scroll bar range 0 to maximum
    int smallStep = 1;    ///< scroll bar arrow step
    int largeStep = 1;    ///< scroll bar page step
    int maxLength = 0;    ///< text box limit, 0 none
    bool editable = false;
    const char* fontFamily = nullptr;
    double fontPoints = 0;
    int interval = 0;           ///< timer milliseconds
    bool enabled = true;        ///< timer enabled
    bool windowColours = false; ///< window-background and window-text system colours
};

/// Creates every control of the table as a child of window (containers before the controls in
/// them), named by objectName, placed at the logical DPI given.
void buildControls(QWidget* window, std::span<const ControlSpec> table, qreal dpi);

/// Chains the named controls in this Tab order; scroll bars among them take the focus. Option
/// buttons are grouped by container, each group one Tab stop (see OptionGroups).
void applyTabOrder(QWidget* window, std::span<const char* const> names);

/// Gives the window a background colour.
void paintBackground(QWidget* widget, QRgb colour);

} // namespace ui
