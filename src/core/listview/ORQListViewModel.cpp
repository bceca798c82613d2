#include "listview/ORQListViewModel.h"

#include <QHash>

namespace orq {

ORQListViewModel::ORQListViewModel(ListStore& store, QObject* parent)
    : QAbstractItemModel(parent), m_store(store) {
    connect(&store, &ListStore::rowsAboutToBeReset, this, [this] {
        m_resetting = true;
        beginResetModel();
    });
    connect(&store, &ListStore::rowsReset, this, [this] {
        rebuildLayout();
        m_resetting = false;
        endResetModel();
    });
    connect(&store, &ListStore::rowsAboutToBeAppended, this,
            &ORQListViewModel::onRowsAboutToBeAppended);
    connect(&store, &ListStore::rowsAppended, this, &ORQListViewModel::onRowsAppended);
    connect(&store, &ListStore::columnsAboutToBeAppended, this, [this](int first, int last) {
        if (m_grouped)
            beginResetModel();
        else
            beginInsertColumns({}, first, last);
    });
    connect(&store, &ListStore::columnsAppended, this, [this] {
        if (m_grouped)
            endResetModel();
        else
            endInsertColumns();
    });
    connect(&store, &ListStore::rowChanged, this, &ORQListViewModel::onRowChanged);
    connect(&store, &ListStore::columnChanged, this, &ORQListViewModel::onColumnChanged);
    connect(&store, &ListStore::checkBoxesChanged, this, &ORQListViewModel::onCheckBoxesChanged);
    rebuildLayout();
}

void ORQListViewModel::rebuildLayout() {
    m_grouped = m_store.groupView();
    m_sections.clear();
    m_looseRows.clear();
    m_places.clear();
    if (!m_grouped)
        return;
    // Sections in the groups' order; a group no row refers to is not shown.
    QHash<int, int> sectionOfGroup; // group id -> section
    std::vector<int> groupRows(size_t(m_store.groupCount()), 0);
    const int rows = m_store.rowCount();
    for (int i = 0; i < rows; ++i)
        if (const ListGroup* group = m_store.groupById(m_store.row(i).groupId()))
            ++groupRows[size_t(group->index())];
    for (int g = 0; g < m_store.groupCount(); ++g) {
        if (groupRows[size_t(g)] == 0)
            continue;
        sectionOfGroup.insert(m_store.group(g).id(), int(m_sections.size()));
        m_sections.push_back({g, {}});
        m_sections.back().rows.reserve(size_t(groupRows[size_t(g)]));
    }
    m_places.resize(size_t(rows));
    for (int i = 0; i < rows; ++i) {
        const auto it = sectionOfGroup.constFind(m_store.row(i).groupId());
        std::vector<int>& list =
            it == sectionOfGroup.cend() ? m_looseRows : m_sections[size_t(*it)].rows;
        m_places[size_t(i)] = {it == sectionOfGroup.cend() ? -1 : *it, int(list.size())};
        list.push_back(i);
    }
}

void ORQListViewModel::onRowsAboutToBeAppended(int first, int last) {
    // A new row may land in any group: the tree is laid out again.
    if (m_grouped)
        beginResetModel();
    else
        beginInsertRows({}, first, last);
}

void ORQListViewModel::onRowsAppended() {
    if (m_grouped) {
        rebuildLayout();
        endResetModel();
    } else {
        endInsertRows();
    }
}

int ORQListViewModel::listRowOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return -1;
    if (!m_grouped)
        return index.row() < m_store.rowCount() ? index.row() : -1;
    const quintptr id = index.internalId();
    if (id == 0) {
        const int loose = index.row() - int(m_sections.size());
        return loose >= 0 && loose < int(m_looseRows.size()) ? m_looseRows[size_t(loose)] : -1;
    }
    const Section& section = m_sections[size_t(id - 1)];
    return index.row() < int(section.rows.size()) ? section.rows[size_t(index.row())] : -1;
}

ListRow* ORQListViewModel::rowAt(const QModelIndex& index) const {
    const int row = listRowOf(index);
    return row >= 0 && row < m_store.rowCount() ? &m_store.row(row) : nullptr;
}

ListGroup* ORQListViewModel::groupAt(const QModelIndex& index) const {
    if (!m_grouped || !index.isValid() || index.model() != this || index.internalId() != 0 ||
        index.row() >= int(m_sections.size()))
        return nullptr;
    return &m_store.group(m_sections[size_t(index.row())].group);
}

QModelIndex ORQListViewModel::indexOfRow(int row, int column) const {
    if (row < 0 || row >= m_store.rowCount() || column < 0 || column >= m_store.columnCount())
        return {};
    if (!m_grouped)
        return createIndex(row, column);
    if (size_t(row) >= m_places.size())
        return {};
    const Place place = m_places[size_t(row)];
    if (place.section < 0)
        return createIndex(int(m_sections.size()) + place.position, column, quintptr(0));
    return createIndex(place.position, column, quintptr(place.section + 1));
}

void ORQListViewModel::setDataHook(DataHook hook) {
    m_hook = std::move(hook);
    if (m_resetting || m_store.rowCount() == 0 || m_store.columnCount() == 0)
        return;
    // Top-level rows here; under a group, the rows' own repaint picks the hook up.
    const int last = m_store.columnCount() - 1;
    if (!m_grouped) {
        emit dataChanged(index(0, 0), index(m_store.rowCount() - 1, last));
        return;
    }
    for (int s = 0; s < int(m_sections.size()); ++s) {
        const QModelIndex parent = index(s, 0);
        emit dataChanged(index(0, 0, parent), index(rowCount(parent) - 1, last, parent));
    }
    if (!m_looseRows.empty())
        emit dataChanged(index(int(m_sections.size()), 0), index(rowCount() - 1, last));
}

QModelIndex ORQListViewModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= m_store.columnCount() || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex ORQListViewModel::parent(const QModelIndex& child) const {
    if (!m_grouped || !child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int ORQListViewModel::rowCount(const QModelIndex& parent) const {
    if (!m_grouped)
        return parent.isValid() ? 0 : m_store.rowCount();
    if (!parent.isValid())
        return int(m_sections.size() + m_looseRows.size());
    if (parent.internalId() != 0 || parent.column() != 0 || parent.row() >= int(m_sections.size()))
        return 0;
    return int(m_sections[size_t(parent.row())].rows.size());
}

int ORQListViewModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() && !groupAt(parent))
        return 0;
    return m_store.columnCount();
}

bool ORQListViewModel::hasChildren(const QModelIndex& parent) const {
    return m_store.columnCount() > 0 && rowCount(parent) > 0;
}

QVariant ORQListViewModel::rowData(const ListRow& row, int column, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == 0)
            return row.caption();
        if (column - 1 < row.subItems().size())
            return row.subItems().at(column - 1);
        return QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_store.column(column).alignment() | Qt::AlignVCenter);
    case Qt::CheckStateRole:
        if (column == 0 && m_store.checkBoxes())
            return int(row.checked() ? Qt::Checked : Qt::Unchecked);
        return {};
    default:
        break;
    }
    if (m_hook)
        return m_hook(row, column, role);
    return {};
}

QVariant ORQListViewModel::groupData(const Section& section, int column, int role) const {
    if (column != 0)
        return {};
    const ListGroup& group = m_store.group(section.group);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QStringLiteral("%1 (%2)").arg(group.header()).arg(section.rows.size());
    case GroupRole:
        return true;
    default:
        return {};
    }
}

QVariant ORQListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this || index.column() >= m_store.columnCount())
        return {};
    if (groupAt(index))
        return groupData(m_sections[size_t(index.row())], index.column(), role);
    if (const ListRow* row = rowAt(index))
        return rowData(*row, index.column(), role);
    return {};
}

bool ORQListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    ListRow* row = rowAt(index);
    if (!row || role != Qt::CheckStateRole || index.column() != 0 || !m_store.checkBoxes())
        return false;
    row->setChecked(value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ORQListViewModel::flags(const QModelIndex& index) const {
    // A group's header row is reached by the keyboard (to fold it) but is not a row to choose.
    if (groupAt(index))
        return Qt::ItemIsEnabled;
    if (!rowAt(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && m_store.checkBoxes())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ORQListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_store.columnCount())
        return {};
    const ListColumn& column = m_store.column(section);
    if (role == Qt::DisplayRole)
        return column.caption();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment() | Qt::AlignVCenter);
    return {};
}

// While a reset is under way the views must not hear of single changes: the reset covers them.

void ORQListViewModel::onRowChanged(int row) {
    if (m_resetting || m_store.columnCount() == 0)
        return;
    emit dataChanged(indexOfRow(row, 0), indexOfRow(row, m_store.columnCount() - 1));
}

void ORQListViewModel::onColumnChanged(int column) {
    if (m_resetting)
        return;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (m_store.rowCount() == 0)
        return;
    if (!m_grouped) {
        emit dataChanged(index(0, column), index(m_store.rowCount() - 1, column),
                         {Qt::TextAlignmentRole});
        return;
    }
    for (int r = 0; r < m_store.rowCount(); ++r)
        emit dataChanged(indexOfRow(r, column), indexOfRow(r, column), {Qt::TextAlignmentRole});
}

void ORQListViewModel::onCheckBoxesChanged() {
    if (m_resetting || m_store.rowCount() == 0 || m_store.columnCount() == 0)
        return;
    if (!m_grouped) {
        emit dataChanged(index(0, 0), index(m_store.rowCount() - 1, 0), {Qt::CheckStateRole});
        return;
    }
    for (int r = 0; r < m_store.rowCount(); ++r)
        emit dataChanged(indexOfRow(r), indexOfRow(r), {Qt::CheckStateRole});
}

} // namespace orq
