#pragma once

#include "emulator/window/ExchangeText.h"

#include <QAbstractTableModel>
#include <QTime>

#include <deque>

namespace kov450 {

/// The command trace: one row per request the reader answered, framed or over PC/SC, newest last.
/// Old rows go once there are more than `limit`, so that a long session does not grow without end.
class TraceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Command, Arguments, Status, Answer, ColumnCount };

    explicit TraceModel(int limit = 5000, QObject* parent = nullptr)
        : QAbstractTableModel(parent), limit_(limit) {}

    void add(const QTime& time, const ExchangeText& exchange);
    void clear();
    /// The rows as tab-separated lines, for the clipboard; every row when `rows` is empty.
    QString text(QList<int> rows = {}) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QTime time;
        ExchangeText exchange;
    };
    QString cell(const Row& row, int column) const;

    int limit_;
    std::deque<Row> rows_;
};

} // namespace kov450
