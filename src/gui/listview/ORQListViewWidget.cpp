#include "listview/ORQListViewWidget.h"

#include "system/ErrorDisplay.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>

namespace orq {

namespace {

// The search label on screen: bold blue text on pale yellow along the bottom of the list's
// container, across its full width.
class WidgetSearchLabel final : public QObject, public TSearchLabel {
public:
    explicit WidgetSearchLabel(QWidget& container) : m_container(&container) {
        m_label = new QLabel(&container);
        m_label->setObjectName(QStringLiteral("FLabelBusca"));
        m_label->setAccessibleName(QStringLiteral("Busca"));
        m_label->setTextFormat(Qt::PlainText);
        QFont font = m_label->font();
        font.setBold(true);
        m_label->setFont(font);
        QPalette palette = m_label->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
        palette.setColor(QPalette::Window, QColor(255, 255, 170));
        m_label->setPalette(palette);
        m_label->setAutoFillBackground(true);
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // One line of the bold font is the height the label sizes itself to; then it is fixed.
        m_label->setFixedHeight(SearchLabelHeight(QFontMetrics(font).height()));
        auto* box = qobject_cast<QBoxLayout*>(container.layout());
        if (box && (box->direction() == QBoxLayout::TopToBottom)) {
            box->addWidget(m_label);
        } else {
            container.installEventFilter(this);
            place();
        }
        m_label->show();
    }

    ~WidgetSearchLabel() override {
        // The container may already be tearing its children down.
        delete m_label.data();
    }

protected:
    void captionChanged() override {
        if (m_label)
            m_label->setText(Caption());
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_container && event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    void place() {
        if (!m_label || !m_container)
            return;
        const int height = m_label->height();
        m_label->setGeometry(0, m_container->height() - height, m_container->width(), height);
        m_label->raise();
    }

    QPointer<QWidget> m_container;
    QPointer<QLabel> m_label;
};

// The virtual-key code of a key the list reacts to; 0 for any other.
quint16 virtualKey(int key) {
    switch (key) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_PageUp:
        return vk::Prior;
    case Qt::Key_PageDown:
        return vk::Next;
    case Qt::Key_End:
        return vk::End;
    case Qt::Key_Home:
        return vk::Home;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Delete:
        return vk::Delete;
    default:
        return 0;
    }
}

} // namespace

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
        applyGroups();
        applyColumns();
        applySelection();
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (const ListGroup* group = m_model->groupAt(index))
            m_foldedGroups.insert(group->id());
    });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (const ListGroup* group = m_model->groupAt(index))
            m_foldedGroups.remove(group->id());
    });

    m_list->setSearchLabelFactory([this]() -> std::unique_ptr<TSearchLabel> {
        if (QWidget* container = parentWidget())
            return std::make_unique<WidgetSearchLabel>(*container);
        return std::make_unique<TSearchLabel>();
    });
    m_list->IsEditing = [this] { return state() == QAbstractItemView::EditingState; };
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
                selection.select(m_model->indexOfRow(i, 0), m_model->indexOfRow(i, last));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const ListRow* focused = m_list->focusedRow();
    selectionModel()->setCurrentIndex(focused ? m_model->indexOfRow(focused->index())
                                              : QModelIndex(),
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
    const QModelIndex index = m_model->indexOfRow(row);
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
    selectionModel()->setCurrentIndex(m_model->indexOfRow(row), QItemSelectionModel::NoUpdate);
}

void ORQListViewWidget::scrollToRow(int row) {
    const QModelIndex index = m_model->indexOfRow(row);
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

void ORQListViewWidget::applyGroups() {
    const bool grouped = m_model->grouped();
    setRootIsDecorated(grouped);
    setItemsExpandable(grouped);
    if (!grouped) {
        m_foldedGroups.clear();
        return;
    }
    for (int section = 0; section < m_model->groupRowCount(); ++section) {
        const QModelIndex index = m_model->index(section, 0);
        setFirstColumnSpanned(section, {}, true);
        setExpanded(index, !m_foldedGroups.contains(m_model->groupAt(index)->id()));
    }
}

void ORQListViewWidget::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (!index.data(ORQListViewModel::GroupRole).toBool()) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem header = option;
    header.font.setBold(true);
    QTreeView::drawRow(painter, header, index);
}

void ORQListViewWidget::mousePressEvent(QMouseEvent* event) {
    // Anywhere on a group's header row, its fold arrow included, one click folds or unfolds it.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_model->groupAt(index)) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        setExpanded(index, !isExpanded(index));
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void ORQListViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_model->groupAt(index)) {
        event->accept(); // the press already folded it
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        const ListRow* row = m_model->rowAt(index);
        emit rowDoubleClicked(row ? row->index() : -1);
    }
}

void ORQListViewWidget::keyDown(const QKeyEvent& event) {
    if (quint16 key = virtualKey(event.key()))
        guarded([&] { m_list->KeyDown(key); });
}

bool ORQListViewWidget::event(QEvent* event) {
    // Tab never reaches keyPressEvent: the focus chain takes it first. It still ends a search.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            keyDown(*key);
    }
    return QTreeView::event(event);
}

void ORQListViewWidget::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    // A menu or a pop-up over the list leaves the user where they were; anything else ends it.
    if (event->reason() != Qt::PopupFocusReason)
        m_list->EndSearch();
}

void ORQListViewWidget::keyPressEvent(QKeyEvent* event) {
    keyDown(*event);
    const QString text = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (m_list->DesabilitarBusca() || text.isEmpty() || shortcut ||
        event->key() == Qt::Key_Delete) {
        QTreeView::keyPressEvent(event);
        return;
    }
    // Typed characters are the search's, not the view's own type-ahead.
    for (QChar c : text)
        guarded([&] { m_list->KeyPress(c); });
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        QTreeView::keyPressEvent(event); // activation, and Escape for the window
        break;
    default:
        event->accept();
        break;
    }
}

} // namespace orq
