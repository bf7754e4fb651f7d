#include "ui/Captions.h"
#include "ui/WrappingButton.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QFont dialogFont() {
    QFont font("DejaVu Sans");
    font.setPointSizeF(8);
    return font;
}

/// Pixels of a check box's caption area that differ from its top-left corner (the background),
/// below row top.
int captionInkBelow(QCheckBox& box, int top) {
    const QImage image = box.grab().toImage();
    const QRgb background = image.pixel(0, 0);
    const int captionLeft = box.style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                            box.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    int ink = 0;
    for (int y = top; y < image.height(); ++y) {
        for (int x = captionLeft; x < image.width(); ++x) {
            ink += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    return ink;
}

} // namespace

TEST(Captions, WrapAtSpacesOnlyWhereTheLineIsFullAndTheHeightHoldsTheLines) {
    const QFontMetrics metrics(dialogFont());
    const int whole = metrics.horizontalAdvance("Auto Read");
    const int twoLines = metrics.lineSpacing() + metrics.ascent();
    auto wrap = [&metrics](const char* caption, int width, int height) {
        return ui::wrapCaption(caption, metrics, QSize(width, height));
    };
    EXPECT_EQ(wrap("Auto Read", whole, twoLines), QStringList{"Auto Read"});
    EXPECT_EQ(wrap("Auto Read", whole - 1, twoLines), (QStringList{"Auto", "Read"}));
    EXPECT_EQ(wrap("  Auto   Read ", whole - 1, twoLines), (QStringList{"Auto", "Read"}));
    EXPECT_EQ(wrap("device SN set", metrics.horizontalAdvance("device SN"), twoLines),
              (QStringList{"device SN", "set"}));
    // A word wider than the control stays whole on its own line.
    EXPECT_EQ(wrap("115200 x", 5, twoLines), (QStringList{"115200", "x"}));

    // Too low for two lines, or for three: one line, as given, cut at its end when painted.
    EXPECT_EQ(wrap("Wiegand  OFF", 5, twoLines - 1), QStringList{"Wiegand  OFF"});
    EXPECT_EQ(wrap("a b c", 1, twoLines), QStringList{"a b c"});
    EXPECT_EQ(wrap("", 100, twoLines), QStringList{""});
}

TEST(Captions, FittingPointSizeIsTheLargestQuarterPointThatFits) {
    QFont font = dialogFont();
    font.setPointSizeF(15.75);
    const QString text = QString::fromUtf8("ميزان خريد");
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    EXPECT_DOUBLE_EQ(ui::fittingPointSize(font, text, natural, 9), 15.75);

    const int narrower = natural * 3 / 4;
    const qreal fitted = ui::fittingPointSize(font, text, narrower, 9);
    EXPECT_LT(fitted, 15.75);
    QFont trial = font;
    trial.setPointSizeF(fitted);
    EXPECT_LE(QFontMetrics(trial).horizontalAdvance(text), narrower);
    trial.setPointSizeF(fitted + 0.25);
    EXPECT_GT(QFontMetrics(trial).horizontalAdvance(text), narrower);

    EXPECT_DOUBLE_EQ(ui::fittingPointSize(font, text, 1, 9), 9);
}

TEST(WrappingButton, PaintsTheWrappedCaptionAndTakesClicksAnywhere) {
    // Twice a line's height, too narrow for the caption on one line.
    const int lineHeight = QFontMetrics(dialogFont()).height();
    const QSize size(QFontMetrics(dialogFont()).horizontalAdvance("Auto") + 30, 2 * lineHeight);

    QCheckBox plain("Auto Read");
    ui::CheckBox wrapping("Auto Read");
    for (QCheckBox* box : {&plain, static_cast<QCheckBox*>(&wrapping)}) {
        box->setFont(dialogFont());
        box->resize(size);
    }
    EXPECT_EQ(wrapping.captionLines(), (QStringList{"Auto", "Read"}));
    // Qt's own check box draws one centred line; the wrapping one reaches the bottom quarter.
    EXPECT_EQ(captionInkBelow(plain, size.height() * 3 / 4), 0);
    EXPECT_GT(captionInkBelow(wrapping, size.height() * 3 / 4), 0);

    QTest::mouseClick(&wrapping, Qt::LeftButton, {}, QPoint(size.width() - 2, size.height() - 2));
    EXPECT_TRUE(wrapping.isChecked());

    // A caption that fits is painted exactly as Qt paints it.
    ui::OptionButton option("9600");
    QRadioButton reference("9600");
    for (QRadioButton* button : {static_cast<QRadioButton*>(&option), &reference}) {
        button->setFont(dialogFont());
        button->resize(120, lineHeight + 4);
    }
    EXPECT_EQ(option.captionLines(), QStringList{"9600"});
    EXPECT_EQ(option.grab().toImage(), reference.grab().toImage());
}
