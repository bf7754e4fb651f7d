#pragma once

#include <QLineEdit>

namespace ui {

/// A one-line text box whose maximum length works the way the panel's handlers expect: setting
/// it never shortens the text already there; it refuses typing beyond it and cuts text assigned
/// later by the program. 0 means no limit. (QLineEdit::setMaxLength cuts at once.)
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    /// The limit on later text; 0 is none.
    void setMaxLength(int limit);
    int maxLength() const { return limit_; }

    /// Assigns the text, cut to the limit; the change signal fires as for typing.
    void setText(const QString& text);

private:
    void holdExistingText();
    int limit_ = 0;
};

} // namespace ui
