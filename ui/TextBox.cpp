#include "ui/TextBox.h"

#include <algorithm>

namespace ui {

namespace {
// QLineEdit's own ceiling, which it uses for "no limit".
constexpr int kUnlimited = 32767;
} // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    // Connected first, so it runs before any handler sees the change.
    connect(this, &QLineEdit::textChanged, this, &TextBox::holdExistingText);
}

void TextBox::setMaxLength(int limit) {
    limit_ = std::max(0, limit);
    holdExistingText();
}

void TextBox::setText(const QString& text) {
    QLineEdit::setText(limit_ > 0 ? text.left(limit_) : text);
}

void TextBox::holdExistingText() {
    // Qt's limit is raised to the current length, so existing text survives and typing stops.
    const int effective = limit_ > 0 ? limit_ : kUnlimited;
    QLineEdit::setMaxLength(std::max(effective, static_cast<int>(text().size())));
}

} // namespace ui
