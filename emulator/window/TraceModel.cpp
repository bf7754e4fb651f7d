#include "emulator/window/TraceModel.h"

#include <QBrush>

#include <algorithm>

namespace kov450 {

void TraceModel::add(const QTime& time, const ExchangeText& exchange) {
    if (static_cast<int>(rows_.size()) >= limit_) {
        beginRemoveRows({}, 0, 0);
        rows_.pop_front();
        endRemoveRows();
    }
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(Row{time, exchange});
    endInsertRows();
}

void TraceModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString TraceModel::cell(const Row& row, int column) const {
    switch (column) {
    case Time:
        return row.time.toString(QStringLiteral("HH:mm:ss.zzz"));
    case Command:
        return QString::fromStdString(row.exchange.command);
    case Arguments:
        return QString::fromStdString(row.exchange.arguments);
    case Status:
        return QString::fromStdString(row.exchange.status);
    case Answer:
        return QString::fromStdString(row.exchange.answer);
    default:
        return {};
    }
}

QString TraceModel::text(QList<int> rows) const {
    if (rows.isEmpty()) {
        for (int row = 0; row < rowCount(); ++row) {
            rows.append(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    QString text;
    for (const int row : rows) {
        if (row < 0 || row >= rowCount()) {
            continue;
        }
        QStringList cells;
        for (int column = 0; column < ColumnCount; ++column) {
            cells.append(cell(rows_[static_cast<std::size_t>(row)], column));
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

int TraceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TraceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole && index.column() == Status && !row.exchange.succeeded()) {
        return QBrush(Qt::darkRed);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    return cell(row, index.column());
}

QVariant TraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const std::array<const char*, ColumnCount> kTitles{"Time", "Command", "Arguments",
                                                              "Status", "Answer"};
    return section >= 0 && section < ColumnCount
               ? QString::fromLatin1(kTitles[static_cast<std::size_t>(section)])
               : QVariant();
}

} // namespace kov450
