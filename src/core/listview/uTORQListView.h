#pragma once

// TORQListView: the program's list component. It sorts by a clicked column with typed keys
// (dates, dates with a time, and numbers in their natural order), groups rows by the values of a
// column, narrows its rows from a snapshot (Filtrar), searches as the user types, keeps column
// widths across refills and re-sorts a refill by the user's last sort column. It is a ListStore
// (rows, columns, groups, selection) with those rules on top; ORQListViewWidget shows it.
//
// Typical use by a window:
//
//   auto* widget = new orq::ORQListViewWidget(parent);       // owns its TORQListView
//   orq::TORQListView& lv = widget->view();
//   lv.addColumn("Nome", 356, Qt::AlignLeft);
//   lv.addColumn("Data/Hora", 115, Qt::AlignHCenter);
//   lv.addColumn("Tamanho", 86, Qt::AlignRight);
//   lv.setAlign(orq::ListStore::Align::Client);               // fills its container
//   lv.setORQOrdenarColumnClick(true);
//   lv.setDesabilitarBusca(true);
//
//   lv.BeginUpdateORQ(total);                                // refill: one repaint at the end
//   lv.clearRows();
//   orq::ListRow& row = lv.addRow();
//   row.setCaption(name);
//   row.appendSubItem(dateTime);
//   row.appendSubItem(size);
//   lv.EndUpdateORQ();         // may throw a sort error; the rows then stay in the added order
//
//   lv.rowCount(); lv.row(i); lv.selectedRow();
//   lv.setSelectedRow(&row);  lv.setSelectedRow(nullptr);    // select exactly one / none
//   lv.setFocusedRow(&row);   row.makeVisible();
//   widget->setRowColour([](const orq::ListRow& r) -> std::optional<QColor> { ... });
//   connect(widget, &orq::ORQListViewWidget::rowDoubleClicked, ...);
//
// Header clicks run ColClick; the widget sends their errors to the central error display.
// Rows are rebuilt by every sort: a ListRow reference lasts until the next sort or refill.

#include "listview/ListStore.h"
#include "system/Locale.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace orq {

// One column's size as it was when the record was made.
class TORQColParam {
public:
    explicit TORQColParam(ListColumn& c);

    // Width first, then the auto-size flag: an auto-size column recomputes its width from the
    // flag, so the flag must come last to win.
    void Restaurar();

    ListColumn& column() const { return *FCol; }

    bool autoSize = false;
    int width = 0;
    bool agrupa = false;

private:
    ListColumn* FCol;
};

// Indexed like the view's columns; an entry may be empty while the snapshot is given back.
using TORQColParamArray = std::vector<std::unique_ptr<TORQColParam>>;

// One row carried through a sort: a detached copy and whether the original read as checked.
class TListItemTempSort {
public:
    std::unique_ptr<ListRow> Value;
    bool Checked = false;
};

// What the row filter keeps of one row.
class TORQListItemCache {
public:
    explicit TORQListItemCache(const ListRow& li);

    // A new detached row with the kept fields; everything else is a new row's.
    std::unique_ptr<ListRow> AsNewListItem() const;

    QString Caption;
    QStringList Subitems;
    int GroupID = -1;
    void* Data = nullptr;
};

// The label that shows the incremental search's text. The list keeps only this; a window puts a
// real label on screen by giving the list a factory (see setSearchLabelFactory).
class TSearchLabel {
public:
    virtual ~TSearchLabel() = default;
    const QString& Caption() const { return m_caption; }
    void setCaption(const QString& caption);

protected:
    virtual void captionChanged() {}

private:
    QString m_caption;
};

// The search label's height from its one-line height h: h + h / 2, the half rounded to the
// nearest whole number and halves to the even one (13 gives 19, 15 gives 23).
int SearchLabelHeight(int h);

// Virtual-key codes of the keys the list reacts to.
namespace vk {
constexpr quint16 Back = 8, Tab = 9, Return = 13, Escape = 27, Prior = 33, Next = 34, End = 35,
                  Home = 36, Left = 37, Up = 38, Right = 39, Down = 40, Delete = 46;
}

// Exactly ten characters shaped like dd/mm/yyyy (day 0-3x, month 0-1x, four-digit year).
bool IsDateText(QStringView text);
// A date shaped as IsDateText wants, one blank, then hh:nn:ss: exactly nineteen characters, with
// hours 00-23 and minutes and seconds 00-59. The shape of the "Data/Hora" column's texts (the
// short date and the long time); a time of exactly midnight is written as the date alone.
bool IsDateTimeText(QStringView text);
// Not empty, and only the digits 0-9, commas and dots.
bool IsNumericText(QStringView text);
// The digits 0-9 of text, in order.
QString DigitsOnly(QStringView text);

// The text a cell sorts by. A date-shaped cell gives "yyyymmdd" and a date-time-shaped one
// "yyyymmddhhnnss", the date read with the user's short-date order and separator; a
// numeric-looking cell gives its digits as a 20-digit zero-padded number (separators dropped,
// not interpreted); anything else, a date with a badly shaped time among it, sorts as itself.
// Fixed widths make the locale's text comparison put dates and numbers in their natural order;
// a bare date's key is a prefix of its own day's date-time keys, so it sorts as that day's
// midnight, before 00:00:01 and after the previous day's 23:59:59.
// Throws "''x'' is not a valid date" (x the date part, as for a bare date, when the day does not
// exist under those settings) and "''x'' is not a valid integer value" (x the digits).
QString SortKeyText(const QString& text, const sys::RegionalSettings& settings);

class TORQListView : public ListStore {
public:
    using TORQListViewCreateGroup = std::function<void(ListGroup& Grupo, ListColumn& Coluna)>;
    using TColumnClickEvent = std::function<void(TORQListView& Sender, ListColumn& Column)>;
    using TKeyEvent = std::function<void(TORQListView& Sender, quint16& Key)>;
    using TKeyPressEvent = std::function<void(TORQListView& Sender, QChar& Key)>;
    using SearchLabelFactory = std::function<std::unique_ptr<TSearchLabel>()>;

    explicit TORQListView(const sys::RegionalSettings& settings = sys::RegionalSettings::user(),
                          QObject* parent = nullptr);
    ~TORQListView() override;

    // A refill: snapshot the column sizes, hold repainting, reserve Total rows, drop the
    // filter's snapshot.
    void BeginUpdateORQ(int Total);
    // Ends a refill: re-sorts ascending by the last sort column, gives the column sizes back and
    // repaints. A sort error still leaves the columns restored and the update ended, then
    // propagates; the rows then keep the order they were added in.
    void EndUpdateORQ();

    // For callers that refill the list from data they keep (the catalogue): sorting the rows
    // they are about to add before adding them spares EndUpdateORQ a sort of every row.
    //
    // The rank of each text under this list's sort keys: two rows compare in a sort exactly as
    // the ranks of their texts do. Throws the key errors Ordenar would.
    std::vector<int> SortRanks(const ListColumn& Column,
                               const std::vector<const QString*>& texts) const;
    // Puts positions in the order Ordenar's ascending sort gives rows whose texts have these
    // ranks (indexed by position), starting from the order they are in: the same procedure,
    // so rows with equal keys land exactly where EndUpdateORQ would put them.
    static void SortPositionsByRank(std::vector<int>& positions, const std::vector<int>& ranks);
    // Ends a refill whose rows were added in the order EndUpdateORQ's re-sort would give them
    // (see SortPositionsByRank), leaving the list exactly as EndUpdateORQ would.
    void EndUpdateORQInSortedOrder();

    // Sorts by Column: ascending, or the reverse when Column was already sorted ascending.
    // On error the rows are exactly as before, while the new sort state already holds.
    void Ordenar(ListColumn& Column);

    int CheckedCount() const;

    // The first group, in list order, whose header is exactly Header; none when there is none.
    ListGroup* FindGrupo(const QString& Header) const { return groupByHeader(Header); }

    // Shows only the rows whose text (the sorted column's cell, the caption when none or the
    // first column is sorted) contains Value, letters A-Z in either case; blanks only bring every
    // row back. Works from a snapshot taken on the first call after a refill, so widening
    // brings rows back, in the order they had then. Always 0.
    int Filtrar(const QString& Value);

    // The header-click policy: sort, group, or ungroup. Fires OnColumnClick first.
    void ColClick(ListColumn& Column);

    // The incremental search. Key handlers of the control: each fires its event first, which
    // may change the key. KeyDown ends a search on the navigation keys; KeyPress extends or
    // shortens the search text and selects the first row that begins with it.
    void KeyDown(quint16& Key);
    void KeyPress(QChar& Key);
    // Ends a search under way and forgets its text; for the control, when the list loses the
    // keyboard focus (a search typed into one control must not linger while another is used).
    void EndSearch() { FLabelBusca.reset(); }
    // The search text on show, or none when no search is under way.
    const TSearchLabel* LabelBusca() const { return FLabelBusca.get(); }
    void setSearchLabelFactory(SearchLabelFactory factory) { m_labelFactory = std::move(factory); }
    // Whether a caption is being edited in place; typing then goes to the editor.
    std::function<bool()> IsEditing;

    bool ORQAgruparColumnClick() const { return FORQAgruparColumnCLick; }
    void setORQAgruparColumnClick(bool value) { FORQAgruparColumnCLick = value; }
    const TORQListViewCreateGroup& OnORQAgruparCreateGroup() const {
        return FORQAgruparCreateGroup;
    }
    void setOnORQAgruparCreateGroup(TORQListViewCreateGroup handler) {
        FORQAgruparCreateGroup = std::move(handler);
    }
    bool ORQOrdenarColumnClick() const { return FORQOrdenarColumnClick; }
    void setORQOrdenarColumnClick(bool value) { FORQOrdenarColumnClick = value; }
    bool DesabilitarBusca() const { return FDesabilitarBusca; }
    void setDesabilitarBusca(bool value) { FDesabilitarBusca = value; }
    const TORQColParamArray& ORQArrayColumnsParam() const { return FArrayColParam; }

    // Sort and group state, for the window and for tests.
    ListColumn* ColunaOrdenada() const { return FColunaOrdenada; }
    bool OrdemCrescente() const { return FOrdemCrescente; }
    ListColumn* UltimaColunaAgrupada() const { return FUltimaColunaAgrupada; }

    const sys::RegionalSettings& regionalSettings() const { return m_settings; }

    TColumnClickEvent OnColumnClick;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    std::unique_ptr<TSearchLabel> FLabelBusca;

private:
    void Agrupar(ListColumn& Column);
    ListRow* FindBySubItemPrefix(const QString& Text, int SubItem) const;
    ListRow* FindByCaptionPrefix(const QString& Text) const;
    // The text Filtrar and the search look at: -1 for the caption, else a sub-item position.
    int searchedSubItem() const;
    static void CopyItem(const ListRow& Source, ListRow& Target);
    void ClearCacheFiltro();
    void SaveColumnParams();
    void RestoreColumnParams();

    ListColumn* FColunaOrdenada = nullptr;
    bool FOrdemCrescente = false;
    std::vector<TORQListItemCache> FCacheFiltro;
    TORQColParamArray FArrayColParam;
    bool FORQAgruparColumnCLick = false;
    TORQListViewCreateGroup FORQAgruparCreateGroup;
    ListColumn* FUltimaColunaAgrupada = nullptr;
    bool FORQOrdenarColumnClick = false;
    [[maybe_unused]] bool FORQAgruparColumnFechada = false; // reserved: groups closed on click
    bool FDesabilitarBusca = false;

    // The searched column's texts, folded, end to end: a search keystroke then reads one
    // contiguous block instead of chasing every row's strings, which a sort scatters in memory.
    struct SearchIndex {
        quint64 revision = 0;
        int subItem = -2; // none built yet
        QString folded;
        std::vector<qsizetype> starts; // one per indexed row, plus the end
        int shortRow = -1;             // the first row without the sub-item, or -1
    };
    const SearchIndex& searchIndex(int subItem) const;
    void prepareSearch() const;
    ListRow* findInIndex(const QString& folded, int subItem) const;

    sys::RegionalSettings m_settings;
    SearchLabelFactory m_labelFactory;
    mutable SearchIndex m_searchIndex;
};

} // namespace orq
