#pragma once

#include "listview/ListStore.h"

#include <QAbstractItemModel>

#include <functional>
#include <vector>

namespace orq {

// An item model over a ListStore, one model column per list column (column 0 the caption,
// column k the sub-item k - 1). With the list's group view off it is flat: one model row per
// list row. With it on it is a tree: one top-level row per group that holds rows, in the
// groups' order, its rows beneath it in list order, then the rows whose group id names no group.
// It holds no data of its own beyond that layout; an update bracket of the store arrives as one
// model reset.
class ORQListViewModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // Extra roles per row (the text colour, for one): an invalid QVariant means "none".
    using DataHook = std::function<QVariant(const ListRow& row, int column, int role)>;
    // Set on a group's header row, column 0.
    static constexpr int GroupRole = Qt::UserRole + 1;

    explicit ORQListViewModel(ListStore& store, QObject* parent = nullptr);

    ListStore& store() const { return m_store; }
    // The list row behind an index; none for a group's header row.
    ListRow* rowAt(const QModelIndex& index) const;
    // The group behind a header row; none for anything else.
    ListGroup* groupAt(const QModelIndex& index) const;
    // Where a list row is shown (column 0); invalid when out of range.
    QModelIndex indexOfRow(int row, int column = 0) const;
    // The header rows of the groups on show, top to bottom.
    int groupRowCount() const { return m_grouped ? int(m_sections.size()) : 0; }
    bool grouped() const { return m_grouped; }
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
    // A group on show and its rows (list positions, in list order).
    struct Section {
        int group; // position in the list's groups
        std::vector<int> rows;
    };
    // Where a list row sits in the tree: under section (-1 at the top level), at position.
    struct Place {
        int section;
        int position;
    };

    void rebuildLayout();
    void onRowsAboutToBeAppended(int first, int last);
    void onRowsAppended();
    void onRowChanged(int row);
    void onColumnChanged(int column);
    void onCheckBoxesChanged();
    int listRowOf(const QModelIndex& index) const;
    QVariant rowData(const ListRow& row, int column, int role) const;
    QVariant groupData(const Section& section, int column, int role) const;

    ListStore& m_store;
    DataHook m_hook;
    bool m_resetting = false;
    // The layout as of the last reset: the store's group view may change inside a bracket,
    // before the reset that shows it.
    bool m_grouped = false;
    std::vector<Section> m_sections;
    std::vector<int> m_looseRows;
    std::vector<Place> m_places; // by list row, grouped layout only
};

} // namespace orq
