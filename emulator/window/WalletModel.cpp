#include "emulator/window/WalletModel.h"

#include "emulator/model/HexText.h"

#include <QMimeData>

namespace kov450 {

namespace {

QString stateName(CardState state) {
    switch (state) {
    case CardState::Idle:
        return QStringLiteral("idle");
    case CardState::Ready:
        return QStringLiteral("ready");
    case CardState::Active:
        return QStringLiteral("active");
    case CardState::Halt:
        return QStringLiteral("halted");
    }
    return {};
}

} // namespace

void WalletModel::setCards(const std::vector<CardSlot>& cards) {
    if (cards.size() != cards_.size()) {
        beginResetModel();
        cards_ = cards;
        endResetModel();
        return;
    }
    // Same rows: keep the selection and only repaint.
    cards_ = cards;
    if (!cards_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

std::optional<Uid> WalletModel::uidAt(int row) const {
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    return cards_[static_cast<std::size_t>(row)].card.uid();
}

int WalletModel::rowOf(const Uid& uid) const {
    for (std::size_t row = 0; row < cards_.size(); ++row) {
        if (cards_[row].card.uid() == uid) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

int WalletModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(cards_.size());
}

int WalletModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WalletModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const CardSlot& slot = cards_[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == Credit) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case Number:
        return index.row() + 1;
    case UidColumn:
        return QString::fromStdString(hexText(slot.card.uid()));
    case Kind:
        return slot.card.kind() == CardKind::Classic4K ? QStringLiteral("4K")
                                                       : QStringLiteral("1K");
    case Where:
        return slot.inField ? QStringLiteral("in the field") : QStringLiteral("away");
    case State:
        return slot.inField ? stateName(slot.card.state()) : QStringLiteral("-");
    case Credit:
        return slot.card.block(kCreditBlock)[0];
    default:
        return {};
    }
}

QVariant WalletModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const std::array<const char*, ColumnCount> kTitles{"#",     "UID",   "Kind",
                                                              "Where", "State", "Credit"};
    return section >= 0 && section < ColumnCount
               ? QString::fromLatin1(kTitles[static_cast<std::size_t>(section)])
               : QVariant();
}

Qt::ItemFlags WalletModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) |
           (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList WalletModel::mimeTypes() const {
    return {QString::fromLatin1(kMimeType)};
}

QMimeData* WalletModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) {
        return nullptr;
    }
    const auto uid = uidAt(indexes.first().row());
    if (!uid) {
        return nullptr;
    }
    auto* data = new QMimeData; // the drag takes ownership
    const std::string text = hexText(*uid);
    data->setData(QString::fromLatin1(kMimeType), QByteArray::fromStdString(text));
    data->setText(QString::fromStdString(text));
    return data;
}

std::optional<Uid> WalletModel::uidOfDrag(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(QString::fromLatin1(kMimeType))) {
        return std::nullopt;
    }
    const auto bytes = bytesOfHexText(data->data(QString::fromLatin1(kMimeType)).toStdString());
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    Uid uid{};
    std::copy(bytes->begin(), bytes->end(), uid.begin());
    return uid;
}

} // namespace kov450
