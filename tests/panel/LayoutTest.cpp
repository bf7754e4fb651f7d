#include "PanelFixture.h"

#include "panel/PanelLayout.h"
#include "ui/Twips.h"
#include "ui/WrappingButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

namespace {

QRect pixels(int left, int top, int width, int height) {
    return ui::twipsToPixels(QRect(left, top, width, height), ui::logicalDpi());
}

/// The named control that holds the focus (the editor inside a combo box counts as the combo).
QString focusedControl() {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
            return w->objectName();
        }
    }
    return {};
}

} // namespace

TEST_F(PanelTest, TheWindowIsAFixedStripAtItsStartPosition) {
    auto& panel = open();
    EXPECT_EQ(panel.objectName(), "KOV450");
    EXPECT_EQ(panel.windowTitle(), "KOV -450");
    EXPECT_EQ(panel.geometry(), pixels(4545, 3750, 7950, 1680));
    EXPECT_EQ(panel.minimumSize(), panel.maximumSize());
    const Qt::WindowFlags flags = panel.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(192, 192, 255));
}

TEST_F(PanelTest, EveryControlOfTheLayoutExistsAtItsPlace) {
    open();
    const qreal dpi = ui::logicalDpi();
    for (const ui::ControlSpec& entry : panel::panelLayout()) {
        SCOPED_TRACE(entry.name);
        if (entry.kind == ui::ControlKind::Timer) {
            EXPECT_NE(control<QObject>(entry.name), nullptr);
            continue;
        }
        auto* widget = control(entry.name);
        ASSERT_NE(widget, nullptr);
        const QString expectedParent = entry.container ? entry.container : "KOV450";
        EXPECT_EQ(widget->parentWidget()->objectName(), expectedParent);
        if (entry.kind != ui::ControlKind::Line) {
            EXPECT_EQ(widget->geometry(), ui::twipsToPixels(entry.twips, dpi));
        }
        // A control inside a hidden frame is hidden with it.
        const bool hidden = entry.shown == ui::Shown::Hidden ||
                            (entry.container && control(entry.container)->isHidden());
        EXPECT_EQ(widget->isVisibleTo(window.get()), !hidden);
    }
}

TEST_F(PanelTest, TheStripShowsOnlyThePortChooserAndTheAutoReadFrame) {
    auto& panel = open();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    const QRect client = panel.rect();
    QStringList seen;
    for (QWidget* child : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && client.intersects(child->geometry()) &&
            !child->objectName().isEmpty()) {
            seen << child->objectName();
        }
    }
    seen.sort();
    EXPECT_EQ(seen, (QStringList{"Combo1", "Frame3", "PortSet"}));
    EXPECT_EQ(control<QPushButton>("PortSet")->text(), "Port Set");
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "USB");
    EXPECT_EQ(control<QCheckBox>("AutoCheck")->text(), "Auto Read");
    EXPECT_EQ(control<QLineEdit>("Text1")->text(), "10");
    EXPECT_EQ(control<QLabel>("Label3")->text(), QString::fromUtf8("ميزان خريد"));
    EXPECT_EQ(control<QLabel>("Label3")->font().family(), "Arial");
    EXPECT_TRUE(control<QGroupBox>("Frame3")->title().isEmpty());

    // Hidden controls exist and still take text; the card controls lie below the strip.
    EXPECT_TRUE(control("ResultTXT")->isHidden());
    EXPECT_TRUE(control("BoudFrame")->isHidden());
    EXPECT_TRUE(control("B9600")->isHidden() || !control("B9600")->isVisible());
    EXPECT_TRUE(control("Request")->isVisible());
    EXPECT_GE(control("Request")->geometry().top(), client.bottom());
    EXPECT_EQ(control("Request")->geometry(), pixels(120, 3240, 1095, 260));
    EXPECT_EQ(control("keyTXT(5)")->geometry(), pixels(2520, 5160, 300, 285));
    EXPECT_EQ(control("B115200")->geometry(), pixels(2040, 720, 855, 255));
    EXPECT_EQ(control("Line1")->geometry().top(), pixels(0, 2640, 0, 0).top());
    EXPECT_EQ(control("Line1")->geometry().height(), 1);
}

TEST_F(PanelTest, TheStripsCaptionsAreReadWhole) {
    open();
    // The check box is too narrow for its caption on one line, so it wraps as on Windows.
    auto* autoCheck = dynamic_cast<ui::CheckBox*>(control<QCheckBox>("AutoCheck"));
    ASSERT_NE(autoCheck, nullptr);
    EXPECT_EQ(autoCheck->captionLines(), (QStringList{"Auto", "Read"}));

    // The label keeps its 15.75 points where Arial's glyphs fit, and shrinks only as far as it
    // must where the font standing in for Arial is wider.
    auto* label = control<QLabel>("Label3");
    const int width = label->contentsRect().width();
    QFont asLaidOut("Arial");
    asLaidOut.setPointSizeF(15.75);
    const bool fitsAsLaidOut = QFontMetrics(asLaidOut).horizontalAdvance(label->text()) <= width;
    EXPECT_EQ(label->font().pointSizeF() == 15.75, fitsAsLaidOut);
    EXPECT_GE(label->font().pointSizeF(), 15.75 * 0.6);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), width);
}

TEST_F(PanelTest, ControlsStartWithTheirTextsRangesAndLimits) {
    open();
    EXPECT_EQ(control<QLineEdit>("buzTXT")->text(), "30");
    EXPECT_EQ(control<QLineEdit>("DsnTXT")->text(), "00000000");
    EXPECT_EQ(control<ui::TextBox>("DsnTXT")->maxLength(), 8);
    EXPECT_EQ(control<ui::TextBox>("BufferTXT")->maxLength(), 0);
    EXPECT_EQ(control<QLineEdit>("AddTXT")->text(), "0");
    EXPECT_EQ(control<QLineEdit>("blockNtxt")->text(), "4");
    EXPECT_EQ(control<QLineEdit>("keyTXT(0)")->text(), "7D");
    EXPECT_EQ(control<QLabel>("CtypeLable")->text(), "card type ");
    EXPECT_EQ(control<QGroupBox>("BoudFrame")->title(), "Boud Rate Setting");
    EXPECT_EQ(control<QPushButton>("Anticool")->text(), "Anticool");
    EXPECT_EQ(control<QCheckBox>("RFant")->text(), "RF is ON");
    EXPECT_TRUE(control<QCheckBox>("RFant")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("KeyAorB")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("REQMode2")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("REQMode1")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("HEXmode")->isChecked());
    for (const char* name : {"B9600", "B19200", "B38400", "B57600", "B115200", "Won", "Woff"}) {
        EXPECT_FALSE(control<QRadioButton>(name)->isChecked()) << name;
    }
    EXPECT_EQ(control<QScrollBar>("HScroll1")->maximum(), 254);
    EXPECT_EQ(control<QScrollBar>("keyNumscroll")->maximum(), 15);
    EXPECT_EQ(control<QScrollBar>("keyNumscroll")->value(), 0);
    EXPECT_TRUE(control<QComboBox>("Bcount")->isEditable());
    EXPECT_EQ(control<QComboBox>("Bcount")->currentText(), "1");
    EXPECT_EQ(control<QComboBox>("Bcount")->count(), 0);
    EXPECT_TRUE(control<QComboBox>("Combo1")->isEditable());
    auto* timer = control<ui::IntervalTimer>("Timer1");
    EXPECT_FALSE(timer->isEnabled());
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_EQ(control("RedLED")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(control("REQMode1")->palette().color(QPalette::Window), QColor(128, 128, 255));
    EXPECT_EQ(control("AutoCheck")->palette().color(QPalette::Window), QColor(192, 192, 255));
}

TEST_F(PanelTest, OptionButtonsAreExclusiveWithinTheirContainerOnly) {
    open();
    control<QRadioButton>("REQMode1")->click();
    EXPECT_FALSE(control<QRadioButton>("REQMode2")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("HEXmode")->isChecked()); // another group
    control<QRadioButton>("B19200")->click();
    control<QRadioButton>("B57600")->click();
    EXPECT_FALSE(control<QRadioButton>("B19200")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("REQMode1")->isChecked());
}

TEST_F(PanelTest, TabVisitsTheControlsInOrderFromPortSet) {
    auto& panel = open();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_EQ(focusedControl(), "PortSet");

    const QStringList expected = {
        "PortSet",      "Combo1",    "RFant",          "Request",   "REQMode2",  "Anticool",
        "cardsnTXT",    "select",    "Halt",           "keyTXT(0)", "keyTXT(1)", "keyTXT(2)",
        "keyTXT(3)",    "keyTXT(4)", "keyTXT(5)",      "LoadKey",   "keyFromEE", "KeyAorB",
        "keyNumscroll", "KeyToEE",   "Authentication", "blockNtxt", "read",      "write",
        "BufferTXT",    "Bcount",    "HEXmode",        "Text1",     "AutoCheck", "AutoTXT",
        "PortSet"};
    QStringList visited{focusedControl()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << focusedControl();
    }
    EXPECT_EQ(visited, expected);

    // Choosing "Free mode" moves the pair's stop onto it.
    control<QRadioButton>("REQMode1")->click();
    control("RFant")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusedControl(), "REQMode1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(control<QRadioButton>("REQMode2")->isChecked());
    EXPECT_EQ(focusedControl(), "REQMode2");
}
