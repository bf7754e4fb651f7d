#include "panel/PanelControls.h"

namespace panel {

namespace {

template <typename Control> Control* child(QObject* window, const char* name) {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    Q_ASSERT_X(control != nullptr, "PanelControls::find", name);
    return control;
}

} // namespace

PanelControls PanelControls::find(QWidget* window) {
    PanelControls c{};
    c.PortSet = child<QPushButton>(window, "PortSet");
    c.Combo1 = child<QComboBox>(window, "Combo1");
    c.Frame3 = child<QGroupBox>(window, "Frame3");
    c.AutoCheck = child<QCheckBox>(window, "AutoCheck");
    c.AutoTXT = child<ui::TextBox>(window, "AutoTXT");
    c.Text1 = child<ui::TextBox>(window, "Text1");
    c.Label3 = child<QLabel>(window, "Label3");
    c.Buzzer = child<QPushButton>(window, "Buzzer");
    c.buzTXT = child<ui::TextBox>(window, "buzTXT");
    c.Reset = child<QPushButton>(window, "Reset");
    c.GreenLED = child<QCheckBox>(window, "GreenLED");
    c.RedLED = child<QCheckBox>(window, "RedLED");
    c.BoudFrame = child<QGroupBox>(window, "BoudFrame");
    c.B9600 = child<QRadioButton>(window, "B9600");
    c.B19200 = child<QRadioButton>(window, "B19200");
    c.B38400 = child<QRadioButton>(window, "B38400");
    c.B57600 = child<QRadioButton>(window, "B57600");
    c.B115200 = child<QRadioButton>(window, "B115200");
    c.Frame1 = child<QGroupBox>(window, "Frame1");
    c.Woff = child<QRadioButton>(window, "Woff");
    c.Won = child<QRadioButton>(window, "Won");
    c.DSNset = child<QPushButton>(window, "DSNset");
    c.DsnTXT = child<ui::TextBox>(window, "DsnTXT");
    c.DSNget = child<QPushButton>(window, "DSNget");
    c.DSNlable = child<QLabel>(window, "DSNlable");
    c.DeviceAddress = child<QPushButton>(window, "DeviceAddress");
    c.HScroll1 = child<QScrollBar>(window, "HScroll1");
    c.AddTXT = child<ui::TextBox>(window, "AddTXT");
    c.DeviceVer = child<QPushButton>(window, "DeviceVer");
    c.Label2 = child<QLabel>(window, "Label2");
    c.GetDevAdd = child<QPushButton>(window, "GetDevAdd");
    c.DAlable = child<QLabel>(window, "DAlable");
    c.Label1 = child<QLabel>(window, "Label1");
    c.ResultTXT = child<ui::TextBox>(window, "ResultTXT");
    c.Request = child<QPushButton>(window, "Request");
    c.REQMode1 = child<QRadioButton>(window, "REQMode1");
    c.CtypeLable = child<QLabel>(window, "CtypeLable");
    c.REQMode2 = child<QRadioButton>(window, "REQMode2");
    c.RFant = child<QCheckBox>(window, "RFant");
    c.Anticool = child<QPushButton>(window, "Anticool");
    c.cardsnTXT = child<ui::TextBox>(window, "cardsnTXT");
    c.select = child<QPushButton>(window, "select");
    c.Halt = child<QPushButton>(window, "Halt");
    c.LoadKey = child<QPushButton>(window, "LoadKey");
    for (std::size_t i = 0; i < c.keyTXT.size(); ++i) {
        const QByteArray name = "keyTXT(" + QByteArray::number(static_cast<int>(i)) + ")";
        c.keyTXT[i] = child<ui::TextBox>(window, name.constData());
    }
    c.keyFromEE = child<QPushButton>(window, "keyFromEE");
    c.KeyAorB = child<QCheckBox>(window, "KeyAorB");
    c.KeyToEE = child<QPushButton>(window, "KeyToEE");
    c.keyNumscroll = child<QScrollBar>(window, "keyNumscroll");
    c.EElable = child<QLabel>(window, "EElable");
    c.Frame2 = child<QGroupBox>(window, "Frame2");
    c.stringmode = child<QRadioButton>(window, "stringmode");
    c.HEXmode = child<QRadioButton>(window, "HEXmode");
    c.Authentication = child<QPushButton>(window, "Authentication");
    c.blockNtxt = child<ui::TextBox>(window, "blockNtxt");
    c.read = child<QPushButton>(window, "read");
    c.BufferTXT = child<ui::TextBox>(window, "BufferTXT");
    c.Bcount = child<QComboBox>(window, "Bcount");
    c.write = child<QPushButton>(window, "write");
    c.Timer1 = child<ui::IntervalTimer>(window, "Timer1");
    return c;
}

} // namespace panel
