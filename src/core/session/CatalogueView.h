#pragma once

#include <QStringList>

#include <vector>

namespace orq {

class TORQListView;
class ListRow;
class ListColumn;

// Refills the list from catalogue lines in one batch, sized for the whole catalogue (total) so
// the rows of a filtered subset need no second allocation. Each line is decoded into the scratch
// record and copied into a new row: caption, then the date/time and size sub-items.
//
// A line with fewer than three fields stops the fill with "List index out of bounds (n)", n the
// first missing field: the rows before it stay, its own row keeps what was copied, later lines
// are not shown. The batch is closed in every case, so the list repaints.
//
// Given unreadable, a line the fill cannot show whole (fewer than three fields, or a quote left
// open by a crash) ends the fill there instead, without an error: *unreadable receives its
// number, counted from 1, and 0 when every line was shown. So a catalogue is checked by the
// one pass that shows it.
void showCatalogueLines(TORQListView& view, const QStringList& lines, qsizetype total,
                        QStringList& record, qsizetype* unreadable = nullptr);

// The catalogue decoded once, so a keystroke refills the list without decoding a line again, and
// the sort ranks of the list's sorted column, so it need not sort every row either.
class CatalogueRows {
public:
    struct Row {
        QString caption;
        QStringList subItems; // the date/time and the size, shared by every refill
    };

    void clear();
    // Decodes every line; false, leaving nothing decoded, when a line cannot be shown whole
    // (the line-by-line fill then gives its error).
    bool decode(const QStringList& lines);
    bool decoded() const { return m_decoded; }
    // The ranks of the rows' texts in column of view's sort, worked out once per column; none
    // when a text has no valid key (the list's own sort then reports it).
    const std::vector<int>* ranks(const TORQListView& view, const ListColumn& column);
    // Puts positions (ascending, as a filter gives them) in the order of the last ranks, exactly
    // as TORQListView::SortPositionsByRank would. When no two rows share a rank, the usual case
    // for folder names, that order is the rows' one sorted order and is read off it in a pass
    // over the rows instead of sorting.
    void sortByRank(std::vector<int>& positions) const;

    std::vector<Row> rows;

private:
    bool m_decoded = false;
    int m_rankedColumn = -1;
    bool m_rankFailed = false;
    std::vector<int> m_ranks;
    // With every rank distinct: the position of each rank.
    bool m_ranksDistinct = false;
    std::vector<int> m_positionOfRank;
};

// Refills the list, as showCatalogueLines would from the lines at these positions, from the
// decoded rows: already in the order the re-sort of EndUpdateORQ gives, so that sort is skipped.
// The scratch record ends holding the last row shown. False, with the list untouched, when the
// rows are not decoded or the sorted column's keys are not all valid.
bool showCatalogueRows(TORQListView& view, CatalogueRows& rows, std::vector<int> positions,
                       qsizetype total, QStringList& record);

// Copies a decoded record into a row.
void FillListItem(const QStringList& record, ListRow& row);

} // namespace orq
