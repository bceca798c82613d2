#pragma once

#include "listview/ListStore.h"

#include <QAbstractItemModel>

#include <functional>

namespace orq {

// A flat item model over a ListStore: one model row per list row, one model column per list
// column (column 0 the caption, column k the sub-item k - 1). It holds no data of its own; an
// update bracket of the store arrives as one model reset.
class ORQListViewModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // Extra roles per row (the text colour, for one): an invalid QVariant means "none".
    using DataHook = std::function<QVariant(const ListRow& row, int column, int role)>;

    explicit ORQListViewModel(ListStore& store, QObject* parent = nullptr);

    ListStore& store() const { return m_store; }
    ListRow* rowAt(const QModelIndex& index) const;
    void setDataHook(DataHook hook);

    using QObject::parent;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void onRowChanged(int row);
    void onColumnChanged(int column);
    void onCheckBoxesChanged();

    ListStore& m_store;
    DataHook m_hook;
    bool m_resetting = false;
};

} // namespace orq
