#include "ui/ControlTable.h"

#include "ui/Captions.h"
#include "ui/IntervalTimer.h"
#include "ui/OptionGroup.h"
#include "ui/ScrollBar.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"
#include "ui/WrappingButton.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace ui {

namespace {

QWidget* createWidget(const ControlSpec& entry, QWidget* parent) {
    const QString text = QString::fromUtf8(entry.text);
    switch (entry.kind) {
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::CheckBox: {
        auto* box = new CheckBox(text, parent);
        box->setChecked(entry.checked);
        return box;
    }
    case ControlKind::OptionButton: {
        auto* option = new OptionButton(text, parent);
        option->setChecked(entry.checked);
        return option;
    }
    case ControlKind::TextBox: {
        auto* box = new TextBox(parent);
        box->setText(text);
        box->setMaxLength(entry.maxLength);
        return box;
    }
    case ControlKind::LogBox: {
        auto* log = new QPlainTextEdit(text, parent);
        log->setLineWrapMode(QPlainTextEdit::NoWrap);
        return log;
    }
    case ControlKind::Label:
        return new QLabel(text, parent);
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(entry.editable);
        combo->setInsertPolicy(QComboBox::NoInsert); // typing a name does not grow the list
        combo->setEditText(text);
        return combo;
    }
    case ControlKind::Frame:
        return new QGroupBox(text, parent);
    case ControlKind::HScrollBar: {
        auto* bar = new ScrollBar(parent);
        bar->setRange(0, entry.maximum);
        bar->setSingleStep(entry.smallStep);
        bar->setPageStep(entry.largeStep);
        return bar;
    }
    case ControlKind::Line: {
        auto* line = new QFrame(parent);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        line->setLineWidth(1);
        return line;
    }
    case ControlKind::Timer:
        return nullptr;
    }
    return nullptr;
}

void applyColours(QWidget* widget, const ControlSpec& entry) {
    QPalette palette = widget->palette();
    bool fill = false;
    if (entry.windowColours) {
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
        fill = true;
    }
    if (entry.background) {
        const QColor colour = QColor::fromRgb(*entry.background);
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Button, colour);
        if (entry.kind == ControlKind::ComboBox) {
            palette.setColor(QPalette::Base, colour);
        }
        fill = true;
    }
    if (entry.foreground) {
        const QColor colour = QColor::fromRgb(*entry.foreground);
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::ButtonText, colour);
        palette.setColor(QPalette::Text, colour);
    }
    widget->setPalette(palette);
    if (fill) {
        widget->setAutoFillBackground(true);
    }
}

/// The layouts were measured with Windows fonts; where the fonts found here are wider, a slightly
/// smaller caption reads better than one cut off.
void shrinkCaptionToFit(QLabel* label) {
    constexpr qreal kSmallestShare = 0.6;
    QFont font = label->font();
    const qreal points = fittingPointSize(font, label->text(), label->contentsRect().width(),
                                          font.pointSizeF() * kSmallestShare);
    if (points < font.pointSizeF()) {
        font.setPointSizeF(points);
        label->setFont(font);
    }
}

QRect pixelGeometry(const ControlSpec& entry, qreal dpi) {
    if (entry.kind == ControlKind::Line) {
        return {twipsToPixels(entry.twips.left(), dpi), twipsToPixels(entry.twips.top(), dpi),
                twipsToPixels(entry.twips.width(), dpi), 1};
    }
    return twipsToPixels(entry.twips, dpi);
}

} // namespace

void paintBackground(QWidget* widget, QRgb colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void applyTabOrder(QWidget* window, std::span<const char* const> names) {
    QWidget* previous = nullptr;
    for (const char* name : names) {
        auto* control = window->findChild<QWidget*>(QString::fromUtf8(name));
        Q_ASSERT_X(control != nullptr, "applyTabOrder", name);
        if (qobject_cast<QScrollBar*>(control) != nullptr) {
            control->setFocusPolicy(Qt::StrongFocus); // so the keys can move it
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }

    QMap<QObject*, QList<QRadioButton*>> byContainer;
    for (QRadioButton* option : window->findChildren<QRadioButton*>()) {
        byContainer[option->parent()].append(option);
    }
    new OptionGroups(byContainer.values(), window);
}

void buildControls(QWidget* window, std::span<const ControlSpec> table, qreal dpi) {
    for (const ControlSpec& entry : table) {
        const QString name = QString::fromUtf8(entry.name);
        if (entry.kind == ControlKind::Timer) {
            auto* timer = new IntervalTimer(window);
            timer->setObjectName(name);
            timer->setInterval(entry.interval);
            timer->setEnabled(entry.enabled);
            continue;
        }
        QWidget* parent = window;
        if (entry.container != nullptr) {
            parent = window->findChild<QWidget*>(QString::fromUtf8(entry.container));
            Q_ASSERT_X(parent != nullptr, "buildControls", "container listed after its controls");
        }
        QWidget* widget = createWidget(entry, parent);
        widget->setObjectName(name);
        widget->setGeometry(pixelGeometry(entry, dpi));
        applyColours(widget, entry);
        if (entry.fontFamily != nullptr) {
            QFont font(QString::fromUtf8(entry.fontFamily));
            font.setPointSizeF(entry.fontPoints);
            widget->setFont(font);
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            shrinkCaptionToFit(label);
        }
        if (entry.shown == Shown::Hidden) {
            widget->hide();
        }
    }
}

} // namespace ui
