#include "session/CatalogueView.h"

#include "catalogue/CatalogueLine.h"
#include "listview/uTORQListView.h"
#include "system/Error.h"

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

} // namespace orq
