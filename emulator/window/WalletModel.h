#pragma once

#include "emulator/model/Reader.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace kov450 {

/// The card wallet as a table: one row per card, in the reader's order. Rows can be dragged
/// (onto the reader's face, to present the card); the drag carries the card's UID.
class WalletModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number, UidColumn, Kind, Where, State, Credit, ColumnCount };
    static constexpr const char* kMimeType = "application/x-kov450-card-uid";

    using QAbstractTableModel::QAbstractTableModel;

    void setCards(const std::vector<CardSlot>& cards);
    const std::vector<CardSlot>& cards() const { return cards_; }
    std::optional<Uid> uidAt(int row) const;
    /// The row of a card, or -1.
    int rowOf(const Uid& uid) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    /// The UID a drag carries, if it carries one.
    static std::optional<Uid> uidOfDrag(const QMimeData* data);

private:
    std::vector<CardSlot> cards_;
};

} // namespace kov450
