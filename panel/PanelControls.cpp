#include "panel/PanelControls.h"

#include "ui/FindControl.h"

namespace panel {

PanelControls PanelControls::find(QWidget* window) {
    PanelControls c{};
    c.PortSet = ui::findControl<QPushButton>(window, "PortSet");
    c.Combo1 = ui::findControl<QComboBox>(window, "Combo1");
    c.Frame3 = ui::findControl<QGroupBox>(window, "Frame3");
    c.AutoCheck = ui::findControl<QCheckBox>(window, "AutoCheck");
    c.AutoTXT = ui::findControl<ui::TextBox>(window, "AutoTXT");
    c.Text1 = ui::findControl<ui::TextBox>(window, "Text1");
    c.Label3 = ui::findControl<QLabel>(window, "Label3");
    c.Buzzer = ui::findControl<QPushButton>(window, "Buzzer");
    c.buzTXT = ui::findControl<ui::TextBox>(window, "buzTXT");
    c.Reset = ui::findControl<QPushButton>(window, "Reset");
    c.GreenLED = ui::findControl<QCheckBox>(window, "GreenLED");
    c.RedLED = ui::findControl<QCheckBox>(window, "RedLED");
    c.BoudFrame = ui::findControl<QGroupBox>(window, "BoudFrame");
    c.B9600 = ui::findControl<QRadioButton>(window, "B9600");
    c.B19200 = ui::findControl<QRadioButton>(window, "B19200");
    c.B38400 = ui::findControl<QRadioButton>(window, "B38400");
    c.B57600 = ui::findControl<QRadioButton>(window, "B57600");
    c.B115200 = ui::findControl<QRadioButton>(window, "B115200");
    c.Frame1 = ui::findControl<QGroupBox>(window, "Frame1");
    c.Woff = ui::findControl<QRadioButton>(window, "Woff");
    c.Won = ui::findControl<QRadioButton>(window, "Won");
    c.DSNset = ui::findControl<QPushButton>(window, "DSNset");
    c.DsnTXT = ui::findControl<ui::TextBox>(window, "DsnTXT");
    c.DSNget = ui::findControl<QPushButton>(window, "DSNget");
    c.DSNlable = ui::findControl<QLabel>(window, "DSNlable");
    c.DeviceAddress = ui::findControl<QPushButton>(window, "DeviceAddress");
    c.HScroll1 = ui::findControl<QScrollBar>(window, "HScroll1");
    c.AddTXT = ui::findControl<ui::TextBox>(window, "AddTXT");
    c.DeviceVer = ui::findControl<QPushButton>(window, "DeviceVer");
    c.Label2 = ui::findControl<QLabel>(window, "Label2");
    c.GetDevAdd = ui::findControl<QPushButton>(window, "GetDevAdd");
    c.DAlable = ui::findControl<QLabel>(window, "DAlable");
    c.Label1 = ui::findControl<QLabel>(window, "Label1");
    c.ResultTXT = ui::findControl<ui::TextBox>(window, "ResultTXT");
    c.Request = ui::findControl<QPushButton>(window, "Request");
    c.REQMode1 = ui::findControl<QRadioButton>(window, "REQMode1");
    c.CtypeLable = ui::findControl<QLabel>(window, "CtypeLable");
    c.REQMode2 = ui::findControl<QRadioButton>(window, "REQMode2");
    c.RFant = ui::findControl<QCheckBox>(window, "RFant");
    c.Anticool = ui::findControl<QPushButton>(window, "Anticool");
    c.cardsnTXT = ui::findControl<ui::TextBox>(window, "cardsnTXT");
    c.select = ui::findControl<QPushButton>(window, "select");
    c.Halt = ui::findControl<QPushButton>(window, "Halt");
    c.LoadKey = ui::findControl<QPushButton>(window, "LoadKey");
    for (std::size_t i = 0; i < c.keyTXT.size(); ++i) {
        const QByteArray name = "keyTXT(" + QByteArray::number(static_cast<int>(i)) + ")";
        c.keyTXT[i] = ui::findControl<ui::TextBox>(window, name.constData());
    }
    c.keyFromEE = ui::findControl<QPushButton>(window, "keyFromEE");
    c.KeyAorB = ui::findControl<QCheckBox>(window, "KeyAorB");
    c.KeyToEE = ui::findControl<QPushButton>(window, "KeyToEE");
    c.keyNumscroll = ui::findControl<QScrollBar>(window, "keyNumscroll");
    c.EElable = ui::findControl<QLabel>(window, "EElable");
    c.Frame2 = ui::findControl<QGroupBox>(window, "Frame2");
    c.stringmode = ui::findControl<QRadioButton>(window, "stringmode");
    c.HEXmode = ui::findControl<QRadioButton>(window, "HEXmode");
    c.Authentication = ui::findControl<QPushButton>(window, "Authentication");
    c.blockNtxt = ui::findControl<ui::TextBox>(window, "blockNtxt");
    c.read = ui::findControl<QPushButton>(window, "read");
    c.BufferTXT = ui::findControl<ui::TextBox>(window, "BufferTXT");
    c.Bcount = ui::findControl<QComboBox>(window, "Bcount");
    c.write = ui::findControl<QPushButton>(window, "write");
    c.Timer1 = ui::findControl<ui::IntervalTimer>(window, "Timer1");
    return c;
}

} // namespace panel
