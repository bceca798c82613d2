#include "listview/ORQListViewWidget.h"

#include "system/ErrorDisplay.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>

namespace orq {

ORQListViewWidget::ORQListViewWidget(QWidget* parent)
    : ORQListViewWidget(sys::RegionalSettings::user(), parent) {}

ORQListViewWidget::ORQListViewWidget(const sys::RegionalSettings& settings, QWidget* parent)
    : QTreeView(parent), m_list(std::make_unique<TORQListView>(settings)),
      m_model(std::make_unique<ORQListViewModel>(*m_list)) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    setModel(m_model.get());

    connect(header(), &QHeaderView::sectionClicked, this, &ORQListViewWidget::onSectionClicked);
    connect(header(), &QHeaderView::sectionResized, this, &ORQListViewWidget::onSectionResized);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ORQListViewWidget::onViewSelectionChanged);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ORQListViewWidget::onViewCurrentChanged);

    // The model hears the list first (it was connected first), so the view already knows the
    // new rows and columns when these run.
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        applySelection();
    });
    connect(m_model.get(), &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                for (int column = first; column <= last; ++column)
                    applyColumn(column);
            });
    connect(m_list.get(), &ListStore::columnChanged, this, &ORQListViewWidget::applyColumn);
    connect(m_list.get(), &ListStore::rowSelectionChanged, this,
            &ORQListViewWidget::onListSelectionChanged);
    connect(m_list.get(), &ListStore::focusedRowChanged, this,
            &ORQListViewWidget::onListFocusChanged);
    connect(m_list.get(), &ListStore::makeVisibleRequested, this, &ORQListViewWidget::scrollToRow);
    connect(m_list.get(), &ListStore::widthChanged, this, &ORQListViewWidget::onListWidthChanged);
    connect(m_list.get(), &ListStore::updateBegun, this, [this] { setUpdatesEnabled(false); });
    connect(m_list.get(), &ListStore::updateEnded, this, [this] { setUpdatesEnabled(true); });
}

ORQListViewWidget::~ORQListViewWidget() {
    // The view lets go of the model before the model and then the list go.
    setModel(nullptr);
}

void ORQListViewWidget::setRowColour(RowColour colour) {
    if (!colour) {
        m_model->setDataHook({});
        return;
    }
    m_model->setDataHook([colour = std::move(colour)](const ListRow& row, int, int role) {
        if (role != Qt::ForegroundRole)
            return QVariant();
        const std::optional<QColor> c = colour(row);
        return c ? QVariant(*c) : QVariant();
    });
}

void ORQListViewWidget::onSectionClicked(int section) {
    guarded([&] { m_list->ColClick(m_list->column(section)); });
}

void ORQListViewWidget::onSectionResized(int section, int, int newSize) {
    if (m_following || section >= m_list->columnCount())
        return;
    QScopedValueRollback following(m_following, true);
    m_list->column(section).setWidth(newSize);
}

void ORQListViewWidget::applyColumn(int column) {
    if (column < 0 || column >= m_list->columnCount() || column >= header()->count())
        return;
    QScopedValueRollback following(m_following, true);
    const ListColumn& c = m_list->column(column);
    header()->setSectionResizeMode(column,
                                   c.autoSize() ? QHeaderView::Stretch : QHeaderView::Interactive);
    if (!c.autoSize())
        header()->resizeSection(column, c.width());
}

void ORQListViewWidget::applyColumns() {
    for (int column = 0; column < m_list->columnCount(); ++column)
        applyColumn(column);
}

void ORQListViewWidget::applySelection() {
    QScopedValueRollback following(m_following, true);
    QItemSelection selection;
    if (m_list->selectedRow() && m_model->columnCount() > 0) {
        const int last = m_model->columnCount() - 1;
        for (int i = 0; i < m_list->rowCount(); ++i)
            if (m_list->row(i).selected())
                selection.select(m_model->index(i, 0), m_model->index(i, last));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const ListRow* focused = m_list->focusedRow();
    selectionModel()->setCurrentIndex(focused ? m_model->index(focused->index(), 0) : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
}

void ORQListViewWidget::onViewSelectionChanged(const QItemSelection& selected,
                                               const QItemSelection& deselected) {
    if (m_following)
        return;
    QScopedValueRollback following(m_following, true);
    for (const QModelIndex& index : deselected.indexes())
        if (ListRow* row = m_model->rowAt(index); row && index.column() == 0)
            row->setSelected(false);
    for (const QModelIndex& index : selected.indexes())
        if (ListRow* row = m_model->rowAt(index); row && index.column() == 0)
            row->setSelected(true);
}

void ORQListViewWidget::onViewCurrentChanged(const QModelIndex& current) {
    if (m_following)
        return;
    QScopedValueRollback following(m_following, true);
    if (ListRow* row = m_model->rowAt(current))
        row->setFocused(true);
    else
        m_list->setFocusedRow(nullptr);
}

void ORQListViewWidget::onListSelectionChanged(int row, bool selected) {
    if (m_following)
        return;
    QScopedValueRollback following(m_following, true);
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid())
        return;
    selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
}

void ORQListViewWidget::onListFocusChanged(int row) {
    if (m_following)
        return;
    QScopedValueRollback following(m_following, true);
    selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void ORQListViewWidget::scrollToRow(int row) {
    const QModelIndex index = m_model->index(row, 0);
    if (index.isValid())
        scrollTo(index, QAbstractItemView::EnsureVisible);
}

void ORQListViewWidget::onListWidthChanged() {
    if (m_following)
        return;
    // The widget's geometry belongs to its container's layout; what the list asks for with a
    // new width is that the columns be laid out again.
    updateGeometries();
    viewport()->update();
}

void ORQListViewWidget::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    QScopedValueRollback following(m_following, true);
    m_list->setWidth(width());
}

void ORQListViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit rowDoubleClicked(indexAt(event->position().toPoint()).row());
}

} // namespace orq
