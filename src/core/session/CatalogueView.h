#pragma once

#include <QStringList>

namespace orq {

class TORQListView;
class ListRow;

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

// Copies a decoded record into a row.
void FillListItem(const QStringList& record, ListRow& row);

} // namespace orq
