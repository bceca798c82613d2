#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace orq {

class ListStore;

// One row of a list. A row made on its own is detached: it can be filled and later handed to a
// list. A row inside a list keeps its address until the list's rows are removed or rebuilt (a
// sort rebuilds them), so other code may hold on to it until then.
class ListRow {
public:
    ListRow() = default;
    ListRow(const ListRow&) = delete;
    ListRow& operator=(const ListRow&) = delete;

    ListStore* owner() const { return m_owner; }
    // Position in the owning list; -1 when detached.
    int index() const { return m_owner ? m_index : -1; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // Sub-item k is shown in column k + 1.
    const QStringList& subItems() const { return m_subItems; }
    void setSubItems(const QStringList& subItems);
    void appendSubItem(const QString& text);
    // Throws "List index out of bounds (k)" when the row has no sub-item k.
    const QString& subItem(int position) const;

    // Opaque reference for the row's owner; never dereferenced or released here.
    void* data() const { return m_data; }
    void setData(void* data);

    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);
    int overlayIndex() const { return m_overlayIndex; }
    void setOverlayIndex(int index);
    int stateIndex() const { return m_stateIndex; }
    void setStateIndex(int index);
    int indent() const { return m_indent; }
    void setIndent(int indent);

    // As the control reports it: a row reads as checked unless its list shows check boxes and
    // its box is unticked. A detached row reports its own flag.
    bool checked() const;
    void setChecked(bool checked);

    int groupId() const { return m_groupId; }
    void setGroupId(int id);

    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    bool focused() const { return m_focused; }
    void setFocused(bool focused);

    // Asks the list's view to scroll this row fully into sight.
    void makeVisible();

private:
    friend class ListStore;
    void changed();

    ListStore* m_owner = nullptr;
    int m_index = -1;
    QString m_caption;
    QStringList m_subItems;
    void* m_data = nullptr;
    int m_imageIndex = 0;
    int m_overlayIndex = -1;
    int m_stateIndex = -1;
    int m_indent = 0;
    int m_groupId = -1;
    bool m_checked = false;
    bool m_selected = false;
    bool m_focused = false;
};

class ListColumn {
public:
    ListColumn(const ListColumn&) = delete;
    ListColumn& operator=(const ListColumn&) = delete;

    ListStore& owner() const { return *m_owner; }
    int index() const { return m_index; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    int width() const { return m_width; }
    void setWidth(int width);
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    // Horizontal alignment of the header and the cells.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

private:
    friend class ListStore;
    ListColumn(ListStore& owner, int index) : m_owner(&owner), m_index(index) {}
    void changed();

    ListStore* m_owner;
    int m_index;
    QString m_caption;
    int m_width = 50;
    bool m_autoSize = false;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

class ListGroup {
public:
    enum State : unsigned { Normal = 0x1, Collapsible = 0x2, Collapsed = 0x4 };

    ListGroup(const ListGroup&) = delete;
    ListGroup& operator=(const ListGroup&) = delete;

    // Unique among the groups of its list, never reused while the list lives.
    int id() const { return m_id; }
    // Position in the list's groups, in the order they were added.
    int index() const { return m_index; }
    const QString& header() const { return m_header; }
    void setHeader(const QString& header);
    unsigned state() const { return m_state; }
    void setState(unsigned state);

private:
    friend class ListStore;
    ListGroup(ListStore& owner, int id, int index) : m_owner(&owner), m_id(id), m_index(index) {}

    ListStore* m_owner;
    int m_id;
    int m_index;
    QString m_header;
    unsigned m_state = Normal;
};

// The rows, columns, groups and selection of a report-style list, kept apart from any widget so
// the list's rules run and are tested without a window. A view (see ORQListViewModel) follows it
// through the signals below.
//
// Update bracket: between the outermost beginUpdate() and its endUpdate() nothing is signalled
// row by row; the first change inside the bracket announces a reset and the outermost end
// completes it, so a refill of any size costs the view one reset and one repaint.
class ListStore : public QObject {
    Q_OBJECT

public:
    enum class Align { None, Client };

    explicit ListStore(QObject* parent = nullptr);
    ~ListStore() override;

    // Rows.
    int rowCount() const { return int(m_rows.size()); }
    // Throws "List index out of bounds (i)" outside 0 .. rowCount() - 1.
    ListRow& row(int index) const;
    ListRow& addRow();
    // Appends a detached row, which from now on belongs to this list.
    ListRow& insertRow(std::unique_ptr<ListRow> row);
    void clearRows();
    // Removes every row as clearRows() does, handing them back detached (marks and all, as
    // detached rows keep them until a list adopts them again).
    std::vector<std::unique_ptr<ListRow>> takeRows();
    // Room for this many rows, so a refill of known size allocates once.
    void setCapacity(int rows);

    // Goes up with every change of the rows or their texts, so derived data (the search index)
    // knows when it is stale.
    quint64 revision() const { return m_revision; }

    void beginUpdate();
    void endUpdate();
    bool isUpdating() const { return m_updateCount > 0; }

    // Columns. They are never removed, so a reference to one stays valid for the list's life.
    int columnCount() const { return int(m_columns.size()); }
    ListColumn& column(int index) const;
    ListColumn& addColumn(const QString& caption, int width,
                          Qt::Alignment alignment = Qt::AlignLeft);

    // Groups. With the group view on, each row shows under the group whose id its group id
    // holds; a change of the groups or of a row's group id is then a reset of the view.
    int groupCount() const { return int(m_groups.size()); }
    ListGroup& group(int index) const;
    ListGroup& addGroup();
    void clearGroups();
    // The first group, in list order, whose header is exactly header (letter case counts).
    ListGroup* groupByHeader(const QString& header) const;
    // The group with this id, or none.
    ListGroup* groupById(int id) const;
    void beginGroupUpdate() { ++m_groupUpdateCount; }
    void endGroupUpdate() { --m_groupUpdateCount; }
    bool groupView() const { return m_groupView; }
    void setGroupView(bool on);

    // Selection and keyboard focus mark.
    bool multiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on) { m_multiSelect = on; }
    // The first selected row, or none.
    ListRow* selectedRow() const;
    // Makes row the only selected row; none clears the selection.
    void setSelectedRow(ListRow* row);
    void clearSelection();
    ListRow* focusedRow() const { return m_focused; }
    void setFocusedRow(ListRow* row);

    bool checkBoxes() const { return m_checkBoxes; }
    void setCheckBoxes(bool on);

    // Layout of the control in its container.
    Align align() const { return m_align; }
    void setAlign(Align align) { m_align = align; }
    int width() const { return m_width; }
    void setWidth(int width);

    // Fired when the check state of a row of this list changes.
    std::function<void(ListRow& row)> OnItemChecked;

signals:
    void rowsAboutToBeReset();
    void rowsReset();
    void rowsAboutToBeAppended(int first, int last);
    void rowsAppended(int first, int last);
    void rowChanged(int row);
    void rowSelectionChanged(int row, bool selected);
    void focusedRowChanged(int row); // -1: no row has the mark
    void columnsAboutToBeAppended(int first, int last);
    void columnsAppended(int first, int last);
    void columnChanged(int column);
    void checkBoxesChanged();
    void groupViewChanged(bool on);
    void widthChanged(int width);
    void makeVisibleRequested(int row);
    // The outermost update bracket opens and closes.
    void updateBegun();
    void updateEnded();

private:
    friend class ListRow;
    friend class ListColumn;
    friend class ListGroup;

    void touch();
    ListRow& adopt(std::unique_ptr<ListRow> row);
    void rowDataChanged(const ListRow& row);
    void rowCheckChanged(ListRow& row);
    void selectRow(ListRow& row, bool on);
    void focusRow(ListRow& row, bool on);
    void requestVisible(ListRow& row);
    void columnDataChanged(const ListColumn& column);
    void groupsChanged();
    void rowGroupChanged(const ListRow& row);
    void groupHeaderChanged(ListGroup& group, const QString& oldHeader);

    std::vector<std::unique_ptr<ListRow>> m_rows;
    std::vector<std::unique_ptr<ListColumn>> m_columns;
    std::vector<std::unique_ptr<ListGroup>> m_groups;
    // Header -> positions of the groups that carry it, ascending, so a lookup by header costs
    // the same with 100 000 groups as with ten.
    QHash<QString, std::vector<int>> m_groupsByHeader;
    QHash<int, int> m_groupPositionById;
    quint64 m_revision = 0;
    int m_nextGroupId = 0;
    int m_groupUpdateCount = 0;
    bool m_groupView = false;
    int m_updateCount = 0;
    bool m_resetPending = false;
    ListRow* m_pendingVisible = nullptr;
    int m_selectedCount = 0;
    ListRow* m_focused = nullptr;
    bool m_multiSelect = false;
    bool m_checkBoxes = false;
    Align m_align = Align::None;
    int m_width = 0;
};

// Opens an update bracket for its lifetime.
class ListUpdateGuard {
public:
    explicit ListUpdateGuard(ListStore& store) : m_store(store) { m_store.beginUpdate(); }
    ~ListUpdateGuard() { m_store.endUpdate(); }
    ListUpdateGuard(const ListUpdateGuard&) = delete;
    ListUpdateGuard& operator=(const ListUpdateGuard&) = delete;

private:
    ListStore& m_store;
};

} // namespace orq
