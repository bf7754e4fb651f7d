#pragma once

#include "emulator/model/MifareClassic.h"

#include <QAbstractTableModel>

#include <optional>

namespace kov450 {

/// One sector of one card as a table: a row per block with its number, its bytes in hex and as
/// characters side by side, and what it means (access conditions in words, values).
class SectorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { BlockNumber, Hex, Characters, Meaning, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    /// Shows a card (nothing for none), keeping the sector when the card has it.
    void setCard(const std::optional<MifareClassic>& card);
    void setSector(std::size_t sector);
    std::size_t sector() const { return sector_; }
    std::size_t sectorCount() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::optional<MifareClassic> card_;
    std::size_t sector_ = 0;
};

} // namespace kov450
