#include "ui/ControlTable.h"

#include "ui/IntervalTimer.h"
#include "ui/OptionGroup.h"
#include "ui/ScrollBar.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"

#include <QCheckBox>
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

QWidget* createWidget(const ControlSpec& spec, QWidget* parent) {
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(spec.checked);
        return box;
    }
    case ControlKind::OptionButton: {
        auto* option = new QRadioButton(text, parent);
        option->setChecked(spec.checked);
        return option;
    }
    case ControlKind::TextBox: {
        auto* box = new TextBox(parent);
        box->setText(text);
        box->setMaxLength(spec.maxLength);
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
        combo->setEditable(spec.editable);
        combo->setInsertPolicy(QComboBox::NoInsert); // typing a name does not grow the list
        combo->setEditText(text);
        return combo;
    }
    case ControlKind::Frame:
        return new QGroupBox(text, parent);
    case ControlKind::HScrollBar: {
        auto* bar = new ScrollBar(parent);
        bar->setRange(0, spec.maximum);
        bar->setSingleStep(spec.smallStep);
        bar->setPageStep(spec.largeStep);
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

void applyColours(QWidget* widget, const ControlSpec& spec) {
    QPalette palette = widget->palette();
    bool fill = false;
    if (spec.windowColours) {
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
        fill = true;
    }
    if (spec.background) {
        const QColor colour = QColor::fromRgb(*spec.background);
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Button, colour);
        if (spec.kind == ControlKind::ComboBox) {
            palette.setColor(QPalette::Base, colour);
        }
        fill = true;
    }
    if (spec.foreground) {
        const QColor colour = QColor::fromRgb(*spec.foreground);
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::ButtonText, colour);
        palette.setColor(QPalette::Text, colour);
    }
    widget->setPalette(palette);
    if (fill) {
        widget->setAutoFillBackground(true);
    }
}

QRect pixelGeometry(const ControlSpec& spec, qreal dpi) {
    if (spec.kind == ControlKind::Line) {
        return {twipsToPixels(spec.twips.left(), dpi), twipsToPixels(spec.twips.top(), dpi),
                twipsToPixels(spec.twips.width(), dpi), 1};
    }
    return twipsToPixels(spec.twips, dpi);
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
    for (const ControlSpec& spec : table) {
        const QString name = QString::fromUtf8(spec.name);
        if (spec.kind == ControlKind::Timer) {
            auto* timer = new IntervalTimer(window);
            timer->setObjectName(name);
            timer->setInterval(spec.interval);
            timer->setEnabled(spec.enabled);
            continue;
        }
        QWidget* parent = window;
        if (spec.container != nullptr) {
            parent = window->findChild<QWidget*>(QString::fromUtf8(spec.container));
            Q_ASSERT_X(parent != nullptr, "buildControls", "container listed after its controls");
        }
        QWidget* widget = createWidget(spec, parent);
        widget->setObjectName(name);
        widget->setGeometry(pixelGeometry(spec, dpi));
        applyColours(widget, spec);
        if (spec.fontFamily != nullptr) {
            QFont font(QString::fromUtf8(spec.fontFamily));
            font.setPointSizeF(spec.fontPoints);
            widget->setFont(font);
        }
        if (spec.shown == Shown::Hidden) {
            widget->hide();
        }
    }
}

} // namespace ui
