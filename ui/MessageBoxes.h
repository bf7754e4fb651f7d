#pragma once

#include <QString>

class QWidget;

namespace ui {

/// The program's message boxes, behind an interface so that tests can answer them.
class MessageBoxes {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~MessageBoxes() = default;

    /// A modal message that waits for the operator's answer.
    virtual Answer ask(QWidget* parent, const QString& text, Buttons buttons) = 0;

    /// A message that does not wait: the program carries on while it is shown.
    virtual void tell(QWidget* parent, const QString& text) = 0;
};

/// Standard message boxes without icon, with the program's title; the first button is the
/// default and Escape answers Cancel (or OK where there is only OK).
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QString title) : title_(std::move(title)) {}

    Answer ask(QWidget* parent, const QString& text, Buttons buttons) override;
    void tell(QWidget* parent, const QString& text) override;

private:
    QString title_;
};

} // namespace ui
