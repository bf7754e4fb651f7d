#include "emulator/window/NewCardDialog.h"

#include "emulator/model/HexText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include <algorithm>

namespace kov450 {

NewCardDialog::NewCardDialog(CardKind kind, QWidget* parent)
    : QDialog(parent), uid_(new QLineEdit(this)), credit_(new QSpinBox(this)) {
    setWindowTitle(kind == CardKind::Classic4K ? QStringLiteral("New 4K card")
                                               : QStringLiteral("New 1K card"));
    auto* form = new QFormLayout(this);
    uid_->setObjectName(QStringLiteral("newCardUid"));
    uid_->setPlaceholderText(QStringLiteral("random"));
    uid_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), uid_));
    credit_->setObjectName(QStringLiteral("newCardCredit"));
    credit_->setRange(0, 255);
    credit_->setValue(50);
    form->addRow(QStringLiteral("UID (8 hex digits)"), uid_);
    form->addRow(QStringLiteral("Credit"), credit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A UID is all eight digits or none.
    const auto check = [this, buttons] {
        const qsizetype length = uid_->text().size();
        buttons->button(QDialogButtonBox::Ok)->setEnabled(length == 0 || length == 8);
    };
    connect(uid_, &QLineEdit::textChanged, this, check);
}

std::optional<Uid> NewCardDialog::uid() const {
    const auto bytes = bytesOfHexText(uid_->text().toStdString());
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    Uid uid{};
    std::copy(bytes->begin(), bytes->end(), uid.begin());
    return uid;
}

int NewCardDialog::credit() const {
    return credit_->value();
}

Uid randomUid(const std::vector<Uid>& taken) {
    QRandomGenerator* random = QRandomGenerator::global();
    for (;;) {
        Uid uid{};
        for (std::uint8_t& byte : uid) {
            byte = static_cast<std::uint8_t>(random->bounded(256));
        }
        if (uid[0] != 0x88 && std::find(taken.begin(), taken.end(), uid) == taken.end()) {
            return uid;
        }
    }
}

} // namespace kov450
