#pragma once

#include "ui/Captions.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

/// A check box or option button that behaves like the Windows control the layouts were measured
/// for: a caption too wide for one line wraps onto the next where the height allows (instead of
/// being cut off after its first word), and a click anywhere on the control toggles it.
template <class Button, QStyle::ControlElement kControl, QStyle::SubElement kCaptionArea>
class WrappingButton : public Button {
public:
    using Button::Button;

    /// The caption as painted, one entry per line.
    QStringList captionLines() const {
        QStyleOptionButton option;
        this->initStyleOption(&option);
        const QRect area = this->style()->subElementRect(kCaptionArea, &option, this);
        return wrapCaption(this->text(), this->fontMetrics(), area.size());
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        this->initStyleOption(&option);
        option.text = captionLines().join(u'\n');
        painter.drawControl(kControl, option);
    }

    bool hitButton(const QPoint& position) const override {
        return this->rect().contains(position);
    }
};

using CheckBox = WrappingButton<QCheckBox, QStyle::CE_CheckBox, QStyle::SE_CheckBoxContents>;
using OptionButton =
    WrappingButton<QRadioButton, QStyle::CE_RadioButton, QStyle::SE_RadioButtonContents>;

} // namespace ui
