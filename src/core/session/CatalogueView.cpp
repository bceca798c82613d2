#include "session/CatalogueView.h"

#include "catalogue/CatalogueLine.h"
#include "listview/uTORQListView.h"
#include "system/Error.h"

#include <algorithm>

namespace orq {

namespace {

const QString& field(const QStringList& record, qsizetype index) {
    if (index >= record.size())
        throw Error::listIndexOutOfBounds(index);
    return record[index];
}

} // namespace

void FillListItem(const QStringList& record, ListRow& row) {
    row.setCaption(field(record, 0));
    row.appendSubItem(field(record, 1));
    row.appendSubItem(field(record, 2));
}

void showCatalogueLines(TORQListView& view, const QStringList& lines, qsizetype total,
                        QStringList& record, qsizetype* unreadable) {
    if (unreadable)
        *unreadable = 0;
    // Clearing inside the batch costs the model one reset instead of two.
    view.BeginUpdateORQ(int(total));
    try {
        view.clearRows();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            bool quoteLeftOpen = false;
            record = decodeCatalogueLine(lines[i], &quoteLeftOpen);
            if (unreadable && (record.size() < 3 || quoteLeftOpen)) {
                *unreadable = i + 1;
                break;
            }
            FillListItem(record, view.addRow());
        }
    } catch (const Error&) {
        // Close the batch so the list repaints. Should its re-sort fail as well, that failure is
        // the one reported, as the later error replaces the earlier one.
        view.EndUpdateORQ();
        throw;
    }
    view.EndUpdateORQ();
}

void CatalogueRows::clear() {
    rows.clear();
    m_decoded = false;
    m_rankedColumn = -1;
    m_rankFailed = false;
    m_ranks.clear();
    m_ranksDistinct = false;
    m_positionOfRank.clear();
}

bool CatalogueRows::decode(const QStringList& lines) {
    clear();
    rows.reserve(size_t(lines.size()));
    for (const QString& line : lines) {
        bool quoteLeftOpen = false;
        QStringList record = decodeCatalogueLine(line, &quoteLeftOpen);
        if (record.size() < 3 || quoteLeftOpen) {
            clear();
            return false;
        }
        // Exactly what FillListItem gives a row: the caption and the next two fields.
        rows.push_back({record.at(0), {record.at(1), record.at(2)}});
    }
    m_decoded = true;
    return true;
}

const std::vector<int>* CatalogueRows::ranks(const TORQListView& view, const ListColumn& column) {
    if (m_rankedColumn != column.index()) {
        m_rankedColumn = column.index();
        m_rankFailed = false;
        std::vector<const QString*> texts;
        texts.reserve(rows.size());
        for (const Row& row : rows)
            texts.push_back(column.index() == 0 ? &row.caption : &row.subItems[column.index() - 1]);
        try {
            m_ranks = view.SortRanks(column, texts);
        } catch (const Error&) {
            m_ranks.clear();
            m_rankFailed = true;
        }
        // Ranks count up from 0 over the distinct keys: they are all distinct when the last
        // one is the row count less one.
        m_ranksDistinct = !m_ranks.empty() && *std::max_element(m_ranks.begin(), m_ranks.end()) ==
                                                  int(m_ranks.size()) - 1;
        m_positionOfRank.clear();
        if (m_ranksDistinct) {
            m_positionOfRank.resize(m_ranks.size());
            for (size_t position = 0; position < m_ranks.size(); ++position)
                m_positionOfRank[size_t(m_ranks[position])] = int(position);
        }
    }
    return m_rankFailed ? nullptr : &m_ranks;
}

void CatalogueRows::sortByRank(std::vector<int>& positions) const {
    if (!m_ranksDistinct) {
        TORQListView::SortPositionsByRank(positions, m_ranks);
        return;
    }
    // Distinct keys have one sorted order whatever the sort, so the subset's order is the
    // whole catalogue's, with the rows outside the subset left out.
    std::vector<char> shown(m_ranks.size(), 0);
    for (int position : positions)
        shown[size_t(m_ranks[size_t(position)])] = 1;
    size_t next = 0;
    for (size_t rank = 0; rank < shown.size(); ++rank)
        if (shown[rank])
            positions[next++] = m_positionOfRank[rank];
}

bool showCatalogueRows(TORQListView& view, CatalogueRows& rows, std::vector<int> positions,
                       qsizetype total, QStringList& record) {
    if (!rows.decoded())
        return false;
    const int lastDecoded = positions.empty() ? -1 : positions.back();
    if (const ListColumn* sorted = view.ColunaOrdenada()) {
        if (sorted->index() > 2)
            return false;
        if (!rows.ranks(view, *sorted))
            return false;
        rows.sortByRank(positions);
    }
    view.BeginUpdateORQ(int(total));
    view.clearRows();
    for (int position : positions) {
        const CatalogueRows::Row& source = rows.rows[size_t(position)];
        ListRow& row = view.addRow();
        row.setCaption(source.caption);
        row.setSubItems(source.subItems);
    }
    if (lastDecoded >= 0) {
        const CatalogueRows::Row& last = rows.rows[size_t(lastDecoded)];
        record = QStringList{last.caption, last.subItems.at(0), last.subItems.at(1)};
    }
    view.EndUpdateORQInSortedOrder();
    return true;
}

} // namespace orq
