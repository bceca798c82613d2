#include "listview/ORQListViewModel.h"

namespace orq {

ORQListViewModel::ORQListViewModel(ListStore& store, QObject* parent)
    : QAbstractItemModel(parent), m_store(store) {
    connect(&store, &ListStore::rowsAboutToBeReset, this, [this] {
        m_resetting = true;
        beginResetModel();
    });
    connect(&store, &ListStore::rowsReset, this, [this] {
        m_resetting = false;
        endResetModel();
    });
    connect(&store, &ListStore::rowsAboutToBeAppended, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&store, &ListStore::rowsAppended, this, [this] { endInsertRows(); });
    connect(&store, &ListStore::columnsAboutToBeAppended, this,
            [this](int first, int last) { beginInsertColumns({}, first, last); });
    connect(&store, &ListStore::columnsAppended, this, [this] { endInsertColumns(); });
    connect(&store, &ListStore::rowChanged, this, &ORQListViewModel::onRowChanged);
    connect(&store, &ListStore::columnChanged, this, &ORQListViewModel::onColumnChanged);
    connect(&store, &ListStore::checkBoxesChanged, this, &ORQListViewModel::onCheckBoxesChanged);
}

ListRow* ORQListViewModel::rowAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= m_store.rowCount())
        return nullptr;
    return &m_store.row(index.row());
}

void ORQListViewModel::setDataHook(DataHook hook) {
    m_hook = std::move(hook);
    if (!m_resetting && m_store.rowCount() > 0 && m_store.columnCount() > 0)
        emit dataChanged(index(0, 0), index(m_store.rowCount() - 1, m_store.columnCount() - 1));
}

QModelIndex ORQListViewModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || column < 0 || row >= m_store.rowCount() ||
        column >= m_store.columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ORQListViewModel::parent(const QModelIndex&) const {
    return {};
}

int ORQListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_store.rowCount();
}

int ORQListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_store.columnCount();
}

bool ORQListViewModel::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && m_store.rowCount() > 0 && m_store.columnCount() > 0;
}

QVariant ORQListViewModel::data(const QModelIndex& index, int role) const {
    const ListRow* row = rowAt(index);
    if (!row || index.column() >= m_store.columnCount())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == 0)
            return row->caption();
        if (column - 1 < row->subItems().size())
            return row->subItems().at(column - 1);
        return QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_store.column(column).alignment() | Qt::AlignVCenter);
    case Qt::CheckStateRole:
        if (column == 0 && m_store.checkBoxes())
            return int(row->checked() ? Qt::Checked : Qt::Unchecked);
        return {};
    default:
        break;
    }
    if (m_hook)
        return m_hook(*row, column, role);
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
    emit dataChanged(index(row, 0), index(row, m_store.columnCount() - 1));
}

void ORQListViewModel::onColumnChanged(int column) {
    if (m_resetting)
        return;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (m_store.rowCount() > 0)
        emit dataChanged(index(0, column), index(m_store.rowCount() - 1, column),
                         {Qt::TextAlignmentRole});
}

void ORQListViewModel::onCheckBoxesChanged() {
    if (!m_resetting && m_store.rowCount() > 0 && m_store.columnCount() > 0)
        emit dataChanged(index(0, 0), index(m_store.rowCount() - 1, 0), {Qt::CheckStateRole});
}

} // namespace orq
