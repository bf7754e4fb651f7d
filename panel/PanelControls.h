#pragma once

#include "ui/IntervalTimer.h"
#include "ui/TextBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <array>

namespace panel {

/// Typed handles on the controls of the KOV450 window, named as the layout names them.
struct PanelControls {
    QPushButton* PortSet;
    QComboBox* Combo1;
    QGroupBox* Frame3;
    QCheckBox* AutoCheck;
    ui::TextBox* AutoTXT;
    ui::TextBox* Text1;
    QLabel* Label3;
    QPushButton* Buzzer;
    ui::TextBox* buzTXT;
    QPushButton* Reset;
    QCheckBox* GreenLED;
    QCheckBox* RedLED;
    QGroupBox* BoudFrame;
    QRadioButton* B9600;
    QRadioButton* B19200;
    QRadioButton* B38400;
    QRadioButton* B57600;
    QRadioButton* B115200;
    QGroupBox* Frame1;
    QRadioButton* Woff;
    QRadioButton* Won;
    QPushButton* DSNset;
    ui::TextBox* DsnTXT;
    QPushButton* DSNget;
    QLabel* DSNlable;
    QPushButton* DeviceAddress;
    QScrollBar* HScroll1;
    ui::TextBox* AddTXT;
    QPushButton* DeviceVer;
    QLabel* Label2;
    QPushButton* GetDevAdd;
    QLabel* DAlable;
    QLabel* Label1;
    ui::TextBox* ResultTXT;
    QPushButton* Request;
    QRadioButton* REQMode1;
    QLabel* CtypeLable;
    QRadioButton* REQMode2;
    QCheckBox* RFant;
    QPushButton* Anticool;
    ui::TextBox* cardsnTXT;
    QPushButton* select;
    QPushButton* Halt;
    QPushButton* LoadKey;
    std::array<ui::TextBox*, 6> keyTXT;
    QPushButton* keyFromEE;
    QCheckBox* KeyAorB;
    QPushButton* KeyToEE;
    QScrollBar* keyNumscroll;
    QLabel* EElable;
    QGroupBox* Frame2;
    QRadioButton* stringmode;
    QRadioButton* HEXmode;
    QPushButton* Authentication;
    ui::TextBox* blockNtxt;
    QPushButton* read;
    ui::TextBox* BufferTXT;
    QComboBox* Bcount;
    QPushButton* write;
    ui::IntervalTimer* Timer1;

    /// Finds every control among the window's children; a missing one is a programming error.
    static PanelControls find(QWidget* window);
};

} // namespace panel
