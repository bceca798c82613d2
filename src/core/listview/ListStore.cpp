#include "listview/ListStore.h"

#include "system/Error.h"

#include <algorithm>
#include <utility>

namespace orq {

// ---- ListRow

void ListRow::changed() {
    if (m_owner)
        m_owner->rowDataChanged(*this);
}

void ListRow::setCaption(const QString& caption) {
    m_caption = caption;
    changed();
}

void ListRow::setSubItems(const QStringList& subItems) {
    m_subItems = subItems;
    changed();
}

void ListRow::appendSubItem(const QString& text) {
    m_subItems.append(text);
    changed();
}

const QString& ListRow::subItem(int position) const {
    if (position < 0 || position >= m_subItems.size())
        throw Error::listIndexOutOfBounds(position);
    return m_subItems.at(position);
}

void ListRow::setData(void* data) {
    m_data = data;
    changed();
}

void ListRow::setImageIndex(int index) {
    m_imageIndex = index;
    changed();
}

void ListRow::setOverlayIndex(int index) {
    m_overlayIndex = index;
    changed();
}

void ListRow::setStateIndex(int index) {
    m_stateIndex = index;
    changed();
}

void ListRow::setIndent(int indent) {
    m_indent = indent;
    changed();
}

bool ListRow::checked() const {
    if (m_owner && !m_owner->checkBoxes())
        return true;
    return m_checked;
}

void ListRow::setChecked(bool checked) {
    if (m_checked == checked)
        return;
    m_checked = checked;
    if (m_owner)
        m_owner->rowCheckChanged(*this);
}

void ListRow::setGroupId(int id) {
    if (m_groupId == id)
        return;
    m_groupId = id;
    if (m_owner)
        m_owner->rowGroupChanged(*this);
}

void ListRow::setSelected(bool selected) {
    if (m_owner)
        m_owner->selectRow(*this, selected);
    else
        m_selected = selected;
}

void ListRow::setFocused(bool focused) {
    if (m_owner)
        m_owner->focusRow(*this, focused);
    else
        m_focused = focused;
}

void ListRow::makeVisible() {
    if (m_owner)
        m_owner->requestVisible(*this);
}

// ---- ListColumn

void ListColumn::changed() {
    m_owner->columnDataChanged(*this);
}

void ListColumn::setCaption(const QString& caption) {
    m_caption = caption;
    changed();
}

void ListColumn::setWidth(int width) {
    if (m_width == width)
        return;
    m_width = width;
    changed();
}

void ListColumn::setAutoSize(bool autoSize) {
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    changed();
}

void ListColumn::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    changed();
}

// ---- ListGroup

void ListGroup::setHeader(const QString& header) {
    if (m_header == header)
        return;
    const QString oldHeader = std::exchange(m_header, header);
    m_owner->groupHeaderChanged(*this, oldHeader);
}

void ListGroup::setState(unsigned state) {
    if (m_state == state)
        return;
    m_state = state;
    m_owner->groupsChanged();
}

// ---- ListStore

ListStore::ListStore(QObject* parent) : QObject(parent) {}

ListStore::~ListStore() = default;

void ListStore::touch() {
    if (m_resetPending)
        return;
    m_resetPending = true;
    emit rowsAboutToBeReset();
}

ListRow& ListStore::row(int index) const {
    if (index < 0 || index >= rowCount())
        throw Error::listIndexOutOfBounds(index);
    return *m_rows[size_t(index)];
}

ListRow& ListStore::adopt(std::unique_ptr<ListRow> row) {
    ++m_revision;
    const int index = rowCount();
    row->m_owner = this;
    row->m_index = index;
    // A detached row may carry marks that only mean something inside a list.
    row->m_selected = false;
    row->m_focused = false;
    if (m_updateCount > 0) {
        touch();
        m_rows.push_back(std::move(row));
    } else {
        emit rowsAboutToBeAppended(index, index);
        m_rows.push_back(std::move(row));
        emit rowsAppended(index, index);
    }
    return *m_rows.back();
}

ListRow& ListStore::addRow() {
    return adopt(std::make_unique<ListRow>());
}

ListRow& ListStore::insertRow(std::unique_ptr<ListRow> row) {
    Q_ASSERT(row && !row->m_owner);
    return adopt(std::move(row));
}

void ListStore::clearRows() {
    takeRows();
}

std::vector<std::unique_ptr<ListRow>> ListStore::takeRows() {
    std::vector<std::unique_ptr<ListRow>> taken;
    if (m_rows.empty())
        return taken;
    ++m_revision;
    const bool bracketed = m_updateCount > 0;
    if (bracketed)
        touch();
    else
        emit rowsAboutToBeReset();
    taken.swap(m_rows);
    for (const std::unique_ptr<ListRow>& row : taken)
        row->m_owner = nullptr;
    m_selectedCount = 0;
    m_pendingVisible = nullptr;
    const bool hadFocus = m_focused != nullptr;
    m_focused = nullptr;
    if (!bracketed) {
        emit rowsReset();
        if (hadFocus)
            emit focusedRowChanged(-1);
    }
    return taken;
}

void ListStore::setCapacity(int rows) {
    if (rows > 0)
        m_rows.reserve(size_t(rows));
}

void ListStore::beginUpdate() {
    if (m_updateCount++ == 0)
        emit updateBegun();
}

void ListStore::endUpdate() {
    Q_ASSERT(m_updateCount > 0);
    if (m_updateCount <= 0 || --m_updateCount > 0)
        return;
    if (m_resetPending) {
        m_resetPending = false;
        emit rowsReset();
    }
    emit updateEnded();
    if (ListRow* row = std::exchange(m_pendingVisible, nullptr))
        emit makeVisibleRequested(row->m_index);
}

void ListStore::rowDataChanged(const ListRow& row) {
    ++m_revision;
    if (m_updateCount > 0)
        touch();
    else
        emit rowChanged(row.m_index);
}

void ListStore::rowCheckChanged(ListRow& row) {
    rowDataChanged(row);
    if (OnItemChecked)
        OnItemChecked(row);
}

ListColumn& ListStore::column(int index) const {
    if (index < 0 || index >= columnCount())
        throw Error::listIndexOutOfBounds(index);
    return *m_columns[size_t(index)];
}

ListColumn& ListStore::addColumn(const QString& caption, int width, Qt::Alignment alignment) {
    const int index = columnCount();
    std::unique_ptr<ListColumn> column(new ListColumn(*this, index));
    column->m_caption = caption;
    column->m_width = width;
    column->m_alignment = alignment & Qt::AlignHorizontal_Mask;
    if (m_updateCount > 0) {
        touch();
        m_columns.push_back(std::move(column));
    } else {
        emit columnsAboutToBeAppended(index, index);
        m_columns.push_back(std::move(column));
        emit columnsAppended(index, index);
    }
    return *m_columns.back();
}

void ListStore::columnDataChanged(const ListColumn& column) {
    // Column sizes are not row data: they reach the view at once, also inside a bracket, so
    // that a snapshot given back at the end of a refill is what the user sees.
    emit columnChanged(column.m_index);
}

ListGroup& ListStore::group(int index) const {
    if (index < 0 || index >= groupCount())
        throw Error::listIndexOutOfBounds(index);
    return *m_groups[size_t(index)];
}

ListGroup& ListStore::addGroup() {
    const int position = groupCount();
    m_groups.push_back(std::unique_ptr<ListGroup>(new ListGroup(*this, m_nextGroupId++, position)));
    ListGroup& added = *m_groups.back();
    m_groupsByHeader[added.m_header].push_back(position);
    m_groupPositionById.insert(added.m_id, position);
    groupsChanged();
    return added;
}

void ListStore::clearGroups() {
    if (m_groups.empty())
        return;
    m_groups.clear();
    m_groupsByHeader.clear();
    m_groupPositionById.clear();
    groupsChanged();
}

ListGroup* ListStore::groupByHeader(const QString& header) const {
    const auto it = m_groupsByHeader.constFind(header);
    if (it == m_groupsByHeader.cend() || it->empty())
        return nullptr;
    return m_groups[size_t(it->front())].get();
}

ListGroup* ListStore::groupById(int id) const {
    const auto it = m_groupPositionById.constFind(id);
    return it == m_groupPositionById.cend() ? nullptr : m_groups[size_t(*it)].get();
}

void ListStore::groupHeaderChanged(ListGroup& group, const QString& oldHeader) {
    const int position = group.m_index;
    if (auto it = m_groupsByHeader.find(oldHeader); it != m_groupsByHeader.end()) {
        std::erase(*it, position);
        if (it->empty())
            m_groupsByHeader.erase(it);
    }
    std::vector<int>& positions = m_groupsByHeader[group.m_header];
    positions.insert(std::lower_bound(positions.begin(), positions.end(), position), position);
    groupsChanged();
}

// Groups are only seen through the group view, and there they shape the whole tree of rows.
void ListStore::groupsChanged() {
    if (!m_groupView)
        return;
    if (m_updateCount > 0) {
        touch();
    } else {
        emit rowsAboutToBeReset();
        emit rowsReset();
    }
}

void ListStore::rowGroupChanged(const ListRow& row) {
    if (m_groupView)
        groupsChanged();
    else
        rowDataChanged(row);
}

void ListStore::setGroupView(bool on) {
    if (m_groupView == on)
        return;
    // The view turns from a flat list into a tree of groups or back: a reset either way.
    if (m_updateCount > 0) {
        touch();
        m_groupView = on;
    } else {
        emit rowsAboutToBeReset();
        m_groupView = on;
        emit rowsReset();
    }
    emit groupViewChanged(on);
}

ListRow* ListStore::selectedRow() const {
    if (m_selectedCount == 0)
        return nullptr;
    for (const auto& row : m_rows)
        if (row->m_selected)
            return row.get();
    return nullptr;
}

void ListStore::selectRow(ListRow& row, bool on) {
    if (row.m_selected == on)
        return;
    if (on && !m_multiSelect)
        clearSelection();
    row.m_selected = on;
    m_selectedCount += on ? 1 : -1;
    if (m_updateCount > 0)
        touch();
    else
        emit rowSelectionChanged(row.m_index, on);
}

void ListStore::setSelectedRow(ListRow* row) {
    Q_ASSERT(!row || row->m_owner == this);
    clearSelection();
    if (row)
        selectRow(*row, true);
}

void ListStore::clearSelection() {
    for (size_t i = 0; m_selectedCount > 0 && i < m_rows.size(); ++i)
        if (m_rows[i]->m_selected)
            selectRow(*m_rows[i], false);
}

void ListStore::focusRow(ListRow& row, bool on) {
    if (row.m_focused == on)
        return;
    if (on) {
        if (m_focused)
            m_focused->m_focused = false;
        m_focused = &row;
    } else {
        m_focused = nullptr;
    }
    row.m_focused = on;
    if (m_updateCount > 0)
        touch();
    else
        emit focusedRowChanged(m_focused ? m_focused->m_index : -1);
}

void ListStore::setFocusedRow(ListRow* row) {
    Q_ASSERT(!row || row->m_owner == this);
    if (row)
        focusRow(*row, true);
    else if (m_focused)
        focusRow(*m_focused, false);
}

void ListStore::requestVisible(ListRow& row) {
    // Inside a bracket the view does not know the row yet; it is shown once the bracket ends.
    if (m_updateCount > 0)
        m_pendingVisible = &row;
    else
        emit makeVisibleRequested(row.m_index);
}

void ListStore::setCheckBoxes(bool on) {
    if (m_checkBoxes == on)
        return;
    m_checkBoxes = on;
    if (m_updateCount > 0)
        touch();
    else
        emit checkBoxesChanged();
}

void ListStore::setWidth(int width) {
    if (m_width == width)
        return;
    m_width = width;
    emit widthChanged(width);
}

} // namespace orq
