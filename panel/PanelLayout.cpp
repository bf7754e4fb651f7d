#include "panel/PanelLayout.h"

#include <array>

namespace panel {

namespace {

using ui::ControlKind;
using ui::ControlSpec;
using ui::Shown;

constexpr QRgb kBack = kPanelBackground;
constexpr QRgb kOption = kPanelOptionColour;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGreenText = 0xFF80FF80; // RGB (128, 255, 128)
constexpr QRgb kRedText = 0xFFFF0000;

constexpr auto Button = ControlKind::CommandButton;
constexpr auto Check = ControlKind::CheckBox;
constexpr auto Option = ControlKind::OptionButton;
constexpr auto Text = ControlKind::TextBox;
constexpr auto Label = ControlKind::Label;
constexpr auto Combo = ControlKind::ComboBox;
constexpr auto Frame = ControlKind::Frame;
constexpr auto Scroll = ControlKind::HScrollBar;
constexpr auto Line = ControlKind::Line;

// clang-format off
const std::array kLayout = {
    ControlSpec{.name = "PortSet", .kind = Button, .text = "Port Set", .twips = {120, 120, 1095, 260}},
    ControlSpec{.name = "Combo1", .kind = Combo, .text = "Combo1", .twips = {1320, 120, 1695, 315}, .background = kOption, .editable = true},
    ControlSpec{.name = "Frame3", .kind = Frame, .text = "", .twips = {3120, 120, 2535, 1455}, .background = kBack},
    ControlSpec{.name = "AutoCheck", .kind = Check, .text = "Auto Read", .container = "Frame3", .twips = {120, 240, 735, 375}, .background = kBack},
    ControlSpec{.name = "AutoTXT", .kind = Text, .container = "Frame3", .twips = {840, 240, 1575, 375}},
    ControlSpec{.name = "Text1", .kind = Text, .text = "10", .container = "Frame3", .twips = {120, 720, 375, 375}},
    ControlSpec{.name = "Label3", .kind = Label, .text = "ميزان خريد", .container = "Frame3", .twips = {600, 720, 1215, 495}, .fontFamily = "Arial", .fontPoints = 15.75},
    ControlSpec{.name = "Buzzer", .kind = Button, .text = "Buzzer", .twips = {120, 480, 1095, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "buzTXT", .kind = Text, .text = "30", .twips = {1320, 480, 495, 225}, .shown = Shown::Hidden},
    ControlSpec{.name = "Reset", .kind = Button, .text = "Reset", .twips = {120, 840, 1095, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "GreenLED", .kind = Check, .text = "green led", .twips = {120, 1200, 1095, 255}, .shown = Shown::Hidden, .background = kBack, .foreground = kGreenText},
    ControlSpec{.name = "RedLED", .kind = Check, .text = "red led", .twips = {120, 1440, 1095, 255}, .shown = Shown::Hidden, .background = kBack, .foreground = kRedText},
    ControlSpec{.name = "BoudFrame", .kind = Frame, .text = "Boud Rate Setting", .twips = {3120, 120, 3015, 1095}, .shown = Shown::Hidden, .background = kBack},
    ControlSpec{.name = "B9600", .kind = Option, .text = "9600", .container = "BoudFrame", .twips = {120, 360, 855, 255}, .background = kOption, .foreground = kBlack},
    ControlSpec{.name = "B19200", .kind = Option, .text = "19200", .container = "BoudFrame", .twips = {1080, 360, 855, 255}, .background = kOption, .foreground = kBlack},
    ControlSpec{.name = "B38400", .kind = Option, .text = "38400", .container = "BoudFrame", .twips = {120, 720, 855, 255}, .background = kOption, .foreground = kBlack},
    ControlSpec{.name = "B57600", .kind = Option, .text = "57600", .container = "BoudFrame", .twips = {1080, 720, 855, 255}, .background = kOption, .foreground = kBlack},
    ControlSpec{.name = "B115200", .kind = Option, .text = "115200", .container = "BoudFrame", .twips = {2040, 720, 855, 255}, .background = kOption, .foreground = kBlack},
    ControlSpec{.name = "Frame1", .kind = Frame, .text = "Wiegand", .twips = {6240, 120, 1575, 1095}, .shown = Shown::Hidden, .background = kBack},
    ControlSpec{.name = "Woff", .kind = Option, .text = "Wiegand OFF", .container = "Frame1", .twips = {120, 240, 1335, 255}, .background = kOption},
    ControlSpec{.name = "Won", .kind = Option, .text = "Wiegand ON", .container = "Frame1", .twips = {120, 600, 1335, 255}, .background = kOption},
    ControlSpec{.name = "DSNset", .kind = Button, .text = "device SN set", .twips = {3600, 1320, 1455, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "DsnTXT", .kind = Text, .text = "00000000", .twips = {5160, 1320, 855, 255}, .shown = Shown::Hidden, .maxLength = 8},
    ControlSpec{.name = "DSNget", .kind = Button, .text = "device SN get", .twips = {3600, 1680, 1455, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "DSNlable", .kind = Label, .twips = {5160, 1680, 975, 255}, .shown = Shown::Hidden},
    ControlSpec{.name = "DeviceAddress", .kind = Button, .text = "Set New Add", .twips = {120, 1800, 1095, 260}, .shown = Shown::Hidden},
    // Arrow clicks step by 1 and page clicks by 10: fine steps on the arrows, jumps on the track.
    ControlSpec{.name = "HScroll1", .kind = Scroll, .twips = {1320, 1800, 1695, 255}, .shown = Shown::Hidden, .maximum = 254, .smallStep = 1, .largeStep = 10},
    ControlSpec{.name = "AddTXT", .kind = Text, .text = "0", .twips = {3120, 1800, 375, 255}, .shown = Shown::Hidden},
    ControlSpec{.name = "DeviceVer", .kind = Button, .text = "device Ver", .twips = {3600, 2040, 1455, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "Label2", .kind = Label, .twips = {5160, 2040, 2175, 255}, .shown = Shown::Hidden, .windowColours = true},
    ControlSpec{.name = "GetDevAdd", .kind = Button, .text = "Get device Address", .twips = {120, 2160, 2895, 260}, .shown = Shown::Hidden},
    ControlSpec{.name = "DAlable", .kind = Label, .twips = {3120, 2160, 375, 255}, .shown = Shown::Hidden},
    ControlSpec{.name = "Line1", .kind = Line, .twips = {120, 2640, 7680, 0}, .shown = Shown::Below},
    ControlSpec{.name = "Label1", .kind = Label, .text = "Result :", .twips = {120, 2760, 615, 255}, .shown = Shown::Hidden, .background = kBack},
    ControlSpec{.name = "ResultTXT", .kind = Text, .twips = {720, 2760, 7095, 255}, .shown = Shown::Hidden},
    ControlSpec{.name = "Line2", .kind = Line, .twips = {120, 3120, 7680, 0}, .shown = Shown::Below},
    ControlSpec{.name = "Request", .kind = Button, .text = "Request", .twips = {120, 3240, 1095, 260}, .shown = Shown::Below},
    ControlSpec{.name = "REQMode1", .kind = Option, .text = "Free mode", .twips = {1440, 3240, 1335, 255}, .shown = Shown::Below, .background = kOption},
    ControlSpec{.name = "CtypeLable", .kind = Label, .text = "card type ", .twips = {2880, 3240, 2175, 255}, .shown = Shown::Below, .background = kOption},
    ControlSpec{.name = "REQMode2", .kind = Option, .text = "Active mode", .twips = {1440, 3600, 1335, 255}, .shown = Shown::Below, .background = kOption, .checked = true},
    ControlSpec{.name = "RFant", .kind = Check, .text = "RF is ON", .twips = {2880, 3600, 1095, 255}, .shown = Shown::Below, .background = kOption, .checked = true},
    ControlSpec{.name = "Anticool", .kind = Button, .text = "Anticool", .twips = {120, 3960, 1095, 260}, .shown = Shown::Below},
    ControlSpec{.name = "cardsnTXT", .kind = Text, .twips = {1440, 3960, 2415, 285}, .shown = Shown::Below},
    ControlSpec{.name = "select", .kind = Button, .text = "select card", .twips = {120, 4440, 1095, 260}, .shown = Shown::Below},
    ControlSpec{.name = "Halt", .kind = Button, .text = "Halt card", .twips = {120, 4800, 1095, 260}, .shown = Shown::Below},
    ControlSpec{.name = "LoadKey", .kind = Button, .text = "Load key", .twips = {120, 5160, 1095, 260}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(0)", .kind = Text, .text = "7D", .twips = {1320, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(1)", .kind = Text, .text = "7D", .twips = {1560, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(2)", .kind = Text, .text = "7D", .twips = {1800, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(3)", .kind = Text, .text = "7D", .twips = {2040, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(4)", .kind = Text, .text = "7D", .twips = {2280, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyTXT(5)", .kind = Text, .text = "7D", .twips = {2520, 5160, 300, 285}, .shown = Shown::Below},
    ControlSpec{.name = "keyFromEE", .kind = Button, .text = "Load key from EE", .twips = {120, 5640, 1695, 260}, .shown = Shown::Below},
    ControlSpec{.name = "KeyAorB", .kind = Check, .text = "KEY A", .twips = {1920, 5640, 1215, 255}, .shown = Shown::Below, .background = kOption},
    ControlSpec{.name = "KeyToEE", .kind = Button, .text = "Store key To EE", .twips = {120, 6000, 1695, 260}, .shown = Shown::Below},
    ControlSpec{.name = "keyNumscroll", .kind = Scroll, .twips = {1920, 6000, 1215, 255}, .shown = Shown::Below, .maximum = 15},
    ControlSpec{.name = "EElable", .kind = Label, .twips = {3240, 6000, 375, 255}, .shown = Shown::Below, .background = kOption},
    ControlSpec{.name = "Frame2", .kind = Frame, .text = "Working Mode", .twips = {3720, 6000, 3015, 615}, .shown = Shown::Below, .background = kBack},
    ControlSpec{.name = "stringmode", .kind = Option, .text = "STRING mode", .container = "Frame2", .twips = {120, 240, 1455, 255}, .background = kOption},
    ControlSpec{.name = "HEXmode", .kind = Option, .text = "HEX mode", .container = "Frame2", .twips = {1680, 240, 1215, 255}, .background = kOption, .checked = true},
    ControlSpec{.name = "Authentication", .kind = Button, .text = "Authentication", .twips = {120, 6360, 1695, 260}, .shown = Shown::Below},
    ControlSpec{.name = "blockNtxt", .kind = Text, .text = "4", .twips = {1920, 6360, 375, 285}, .shown = Shown::Below},
    ControlSpec{.name = "read", .kind = Button, .text = "Read", .twips = {120, 6720, 1695, 260}, .shown = Shown::Below},
    ControlSpec{.name = "BufferTXT", .kind = Text, .twips = {1920, 6840, 5175, 285}, .shown = Shown::Below},
    ControlSpec{.name = "Bcount", .kind = Combo, .text = "1", .twips = {7200, 6840, 615, 315}, .shown = Shown::Below, .editable = true},
    ControlSpec{.name = "write", .kind = Button, .text = "write", .twips = {120, 7080, 1695, 260}, .shown = Shown::Below},
    ControlSpec{.name = "Timer1", .kind = ControlKind::Timer, .interval = 200, .enabled = false},
};

const auto kTabOrder = std::to_array<const char*>({
    "PortSet", "Combo1", "RFant", "Request", "REQMode1", "REQMode2", "Anticool", "cardsnTXT",
    "select", "Halt", "keyTXT(0)", "keyTXT(1)", "keyTXT(2)", "keyTXT(3)", "keyTXT(4)", "keyTXT(5)",
    "LoadKey", "keyFromEE", "KeyAorB", "keyNumscroll", "KeyToEE", "Authentication", "blockNtxt",
    "read", "write", "BufferTXT", "Bcount", "stringmode", "HEXmode", "Text1", "AutoCheck",
    "AutoTXT",
    // Hidden in the strip, so Tab passes them by; the full view (F12) shows them.
    "Buzzer", "buzTXT", "Reset", "GreenLED", "RedLED", "B9600", "B19200", "B38400", "B57600",
    "B115200", "Woff", "Won", "DSNset", "DsnTXT", "DSNget", "DeviceAddress", "HScroll1", "AddTXT",
    "DeviceVer", "GetDevAdd", "ResultTXT",
});
// clang-format on

} // namespace

std::span<const ui::ControlSpec> panelLayout() {
    return kLayout;
}

const ui::ControlSpec& panelControlSpec(QStringView name) {
    for (const ui::ControlSpec& entry : kLayout) {
        if (QString::fromUtf8(entry.name) == name) {
            return entry;
        }
    }
    Q_ASSERT_X(false, "panelControlSpec", "no such control");
    return kLayout.front();
}

std::span<const char* const> panelTabOrder() {
    return kTabOrder;
}

} // namespace panel
