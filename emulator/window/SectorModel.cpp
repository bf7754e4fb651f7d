#include "emulator/window/SectorModel.h"

#include "emulator/model/HexText.h"
#include "emulator/window/BlockMeaning.h"

#include <QFontDatabase>

namespace kov450 {

void SectorModel::setCard(const std::optional<MifareClassic>& card) {
    beginResetModel();
    card_ = card;
    if (sector_ >= sectorCount()) {
        sector_ = 0;
    }
    endResetModel();
}

void SectorModel::setSector(std::size_t sector) {
    beginResetModel();
    sector_ = sector < sectorCount() ? sector : 0;
    endResetModel();
}

std::size_t SectorModel::sectorCount() const {
    return card_ ? sectorCountOf(card_->kind()) : 0;
}

int SectorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !card_ ? 0 : static_cast<int>(blocksInSector(sector_));
}

int SectorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SectorModel::data(const QModelIndex& index, int role) const {
    if (!card_ || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const std::size_t block = firstBlockOf(sector_) + static_cast<std::size_t>(index.row());
    if (role == Qt::FontRole && (index.column() == Hex || index.column() == Characters)) {
        return QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case BlockNumber:
        return static_cast<int>(block);
    case Hex:
        // Pairs apart, so that the trailer's parts (key A, access bits, key B) can be counted.
        return QString::fromStdString(hexText(card_->block(block), " "));
    case Characters:
        return QString::fromStdString(blockCharacters(card_->block(block)));
    case Meaning:
        return QString::fromStdString(blockMeaning(*card_, block));
    default:
        return {};
    }
}

QVariant SectorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case BlockNumber:
        return QStringLiteral("Block");
    case Hex:
        return QStringLiteral("Hex");
    case Characters:
        return QStringLiteral("Characters");
    case Meaning:
        return QStringLiteral("Meaning");
    default:
        return {};
    }
}

} // namespace kov450
