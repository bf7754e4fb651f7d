#pragma once

#include "emulator/model/CardLayout.h"
#include "emulator/model/MifareClassic.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QSpinBox;

namespace kov450 {

/// Asks for a new card's UID (empty for a random one) and credit.
class NewCardDialog : public QDialog {
    Q_OBJECT
public:
    NewCardDialog(CardKind kind, QWidget* parent = nullptr);

    /// The typed UID, nothing when the field is empty; call after accept.
    std::optional<Uid> uid() const;
    int credit() const;

private:
    QLineEdit* uid_;
    QSpinBox* credit_;
};

/// A random UID for a new card, unlike any in `taken`. Its first byte is never 0x88, the
/// cascade tag of longer UIDs.
Uid randomUid(const std::vector<Uid>& taken);

} // namespace kov450
