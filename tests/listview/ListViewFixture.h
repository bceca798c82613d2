#pragma once

#include "listview/uTORQListView.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <map>
#include <memory>

namespace orqtest {

inline const orq::sys::RegionalSettings& settingsFor(const QString& locale) {
    // Settings objects are small; a few test locales are kept for the whole run.
    static std::map<QString, orq::sys::RegionalSettings> cache;
    auto it = cache.find(locale);
    if (it == cache.end())
        it = cache.emplace(locale, orq::sys::RegionalSettings::forLocale(QLocale(locale))).first;
    return it->second;
}

inline const orq::sys::RegionalSettings& ptBR() {
    return settingsFor(QStringLiteral("pt_BR"));
}

// The columns of the program's list of bases.
inline void addBaseColumns(orq::ListStore& list) {
    list.addColumn(QStringLiteral("Nome"), 356, Qt::AlignLeft);
    list.addColumn(QStringLiteral("Data/Hora"), 115, Qt::AlignHCenter);
    list.addColumn(QStringLiteral("Tamanho"), 86, Qt::AlignRight);
}

inline std::unique_ptr<orq::TORQListView> makeBaseList(const orq::sys::RegionalSettings& settings) {
    auto list = std::make_unique<orq::TORQListView>(settings);
    addBaseColumns(*list);
    return list;
}

// Appends one row per entry: the caption, then the sub-items.
inline void addRows(orq::ListStore& list, const QList<QStringList>& rows) {
    for (const QStringList& cells : rows) {
        orq::ListRow& row = list.addRow();
        row.setCaption(cells.value(0));
        row.setSubItems(cells.mid(1));
    }
}

// A refill the way the window does it.
inline void refill(orq::TORQListView& list, const QList<QStringList>& rows) {
    list.BeginUpdateORQ(int(rows.size()));
    list.clearRows();
    addRows(list, rows);
    list.EndUpdateORQ();
}

// The texts of one column, top to bottom (caption for 0, sub-item k - 1 for k).
inline QStringList columnTexts(const orq::ListStore& list, int column = 0) {
    QStringList texts;
    for (int i = 0; i < list.rowCount(); ++i) {
        const orq::ListRow& row = list.row(i);
        texts << (column == 0 ? row.caption() : row.subItems().value(column - 1));
    }
    return texts;
}

inline QStringList reversed(QStringList texts) {
    std::reverse(texts.begin(), texts.end());
    return texts;
}

// Rows that hold the given texts in one column and a filler elsewhere, so the column can be
// sorted on its own.
inline QList<QStringList> rowsWithColumn(int column, const QStringList& texts) {
    QList<QStringList> rows;
    for (const QString& text : texts) {
        QStringList cells{QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x")};
        cells[column] = text;
        rows << cells;
    }
    return rows;
}

} // namespace orqtest
