#pragma once

#include "listview/ORQListViewModel.h"
#include "listview/uTORQListView.h"

#include <QColor>
#include <QSet>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>

namespace orq {

// Shows a TORQListView in report style. The list is the single source of truth: the widget
// mirrors its selection, focus mark and column sizes, and writes the user's changes of those
// back into it. Sorting and grouping are the list's own (a header click runs its ColClick), and
// so is the incremental search (keys go to its KeyDown and KeyPress; its label shows along the
// bottom of this widget's parent). With the group view on, each group is a header row across
// the columns with its row count, folded and unfolded by a click or the Left and Right keys.
// Errors go to the central error display.
class ORQListViewWidget : public QTreeView {
    Q_OBJECT

public:
    explicit ORQListViewWidget(QWidget* parent = nullptr);
    explicit ORQListViewWidget(const sys::RegionalSettings& settings, QWidget* parent = nullptr);
    ~ORQListViewWidget() override;

    TORQListView& view() const { return *m_list; }
    ORQListViewModel& listModel() const { return *m_model; }

    // The text colour of a row; none keeps the default colour.
    using RowColour = std::function<std::optional<QColor>(const ListRow& row)>;
    void setRowColour(RowColour colour);

signals:
    // A double click inside the list; row is -1 when it was below the last row.
    void rowDoubleClicked(int row);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onSectionClicked(int section);
    void onSectionResized(int section, int oldSize, int newSize);
    void onViewSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void onViewCurrentChanged(const QModelIndex& current);
    void onListSelectionChanged(int row, bool selected);
    void onListFocusChanged(int row);
    void onListWidthChanged();
    void applyColumn(int column);
    void applyColumns();
    void applySelection();
    void scrollToRow(int row);
    void applyGroups();
    void keyDown(const QKeyEvent& event);

    std::unique_ptr<TORQListView> m_list;
    std::unique_ptr<ORQListViewModel> m_model;
    // Set while the widget copies the list's state into the view, so the view's echo of that
    // change is not written back into the list.
    bool m_following = false;
    // Groups the user folded, by id: the tree is rebuilt by every reset (a sort, a refill).
    QSet<int> m_foldedGroups;
};

} // namespace orq
