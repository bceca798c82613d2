#include "listview/uTORQListView.h"

#include "system/AsciiCase.h"
#include "system/Error.h"

#include <QCollator>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orq {

namespace {

bool inRange(QChar c, char16_t low, char16_t high) {
    return c.unicode() >= low && c.unicode() <= high;
}

bool isDigit(QChar c) {
    return inRange(c, u'0', u'9');
}

// An integer of 0 to 2147483647 written in decimal digits, leading zeros allowed.
int digitsToInt(const QString& digits) {
    if (digits.isEmpty())
        throw Error::invalidInteger(digits);
    qint64 value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > 2147483647)
            throw Error::invalidInteger(digits);
    }
    return int(value);
}

// Writes value in decimal into text, right-aligned to end, over the zeros already there.
void writeDigits(QString& text, qsizetype end, int value) {
    for (qsizetype at = end - 1; value > 0; --at, value /= 10)
        text[at] = QChar(u'0' + value % 10);
}

bool allAscii(const QString& key) {
    for (QChar c : key)
        if (!sys::AsciiCollation::covers(c))
            return false;
    return true;
}

bool allDigits(const QString& key) {
    if (key.isEmpty())
        return false;
    for (QChar c : key)
        if (!isDigit(c))
            return false;
    return true;
}

// Every item's ASCII key in one buffer, a single allocation for all rows; each item views its
// own part of it, so the buffer must outlive the items' use of their keys.
template <class Items>
void fillAsciiKeys(Items& items, const sys::AsciiCollation& ascii, std::string& weights) {
    size_t total = 0;
    for (const auto& item : items)
        total += size_t(item.key.size());
    weights.clear();
    weights.reserve(total);
    for (const auto& item : items)
        ascii.appendKey(item.key, weights);
    size_t at = 0;
    for (auto& item : items) {
        const size_t length = size_t(item.key.size());
        item.asciiKey = std::string_view(weights.data() + at, length);
        at += length;
    }
}

// A pair of the sort list.
struct SortPair {
    QString key;
    std::optional<QCollatorSortKey> collationKey;
    std::string_view asciiKey; // into the sort's buffer of weights
    TListItemTempSort item;

    friend void swap(SortPair& a, SortPair& b) noexcept {
        a.key.swap(b.key);
        a.collationKey.swap(b.collationKey);
        std::swap(a.asciiKey, b.asciiKey);
        a.item.Value.swap(b.item.Value);
        std::swap(a.item.Checked, b.item.Checked);
    }
};

// How the keys of one sort are compared; every way gives the order of the locale's collation
// with letter case ignored.
class KeyOrder {
public:
    enum class Way {
        // Keys made of the digits 0-9 only (numbers and dates, the usual case in the date and
        // size columns): the collation orders them digit by digit, as a plain comparison does.
        Plain,
        // Keys of printable ASCII only, in a locale that orders such texts one character at a
        // time (see AsciiCollation): each character's weight, compared byte by byte. The
        // collator's own keys would give the same order at several times the cost.
        AsciiKeys,
        // Collation keys computed once per row: comparing two is a byte comparison, where the
        // collator would redo the locale's work at every comparison.
        SortKeys,
        // Qt's C-locale collator ignores case when comparing but builds case-sensitive sort
        // keys, so there the texts themselves are compared.
        Collator,
    };

    KeyOrder(const QCollator& collator, Way way) : m_collator(collator), m_way(way) {}

    static Way wayFor(const sys::RegionalSettings& settings, bool keysAllDigits,
                      bool keysAllAscii) {
        if (keysAllDigits)
            return Way::Plain;
        if (settings.locale().language() == QLocale::C)
            return Way::Collator;
        return keysAllAscii && settings.asciiCollation() ? Way::AsciiKeys : Way::SortKeys;
    }

    int operator()(const SortPair& a, const SortPair& b) const {
        switch (m_way) {
        case Way::Plain:
            return a.key.compare(b.key);
        case Way::AsciiKeys:
            return a.asciiKey.compare(b.asciiKey);
        case Way::SortKeys:
            return a.collationKey->compare(*b.collationKey);
        case Way::Collator:
            break;
        }
        return m_collator.compare(a.key, b.key);
    }

private:
    const QCollator& m_collator;
    Way m_way;
};

// The list's quicksort. It is not stable, and rows with equal keys leave in the order this exact
// procedure gives them, so it must not be swapped for a library sort. The two parts left after a
// partition are disjoint, so sorting the smaller one first (to bound the stack) changes nothing
// in the outcome.
template <class T, class Compare>
void quickSort(std::vector<T>& list, int L, int R, const Compare& compare) {
    while (L < R) {
        int I = L;
        int J = R;
        int P = (L + R) / 2;
        do {
            while (compare(list[size_t(I)], list[size_t(P)]) < 0)
                ++I;
            while (compare(list[size_t(J)], list[size_t(P)]) > 0)
                --J;
            if (I <= J) {
                if (I != J) {
                    using std::swap;
                    swap(list[size_t(I)], list[size_t(J)]);
                }
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (J - L < R - I) {
            if (L < J)
                quickSort(list, L, J, compare);
            L = I;
        } else {
            if (I < R)
                quickSort(list, I, R, compare);
            R = J;
        }
    }
}

// The runtime's Trim finds nothing left: the text holds nothing but characters of code 32 and
// below.
bool trimsToEmpty(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

} // namespace

// ---- key functions

bool IsDateText(QStringView text) {
    if (text.size() != 10)
        return false;
    return inRange(text[0], u'0', u'3') && isDigit(text[1]) && text[2] == u'/' &&
           inRange(text[3], u'0', u'1') && isDigit(text[4]) && text[5] == u'/' &&
           isDigit(text[6]) && isDigit(text[7]) && isDigit(text[8]) && isDigit(text[9]);
}

bool IsDateTimeText(QStringView text) {
    if (text.size() != 19 || !IsDateText(text.first(10)) || text[10] != u' ')
        return false;
    const QStringView time = text.sliced(11);
    return inRange(time[0], u'0', u'2') && isDigit(time[1]) && (time[0] < u'2' || time[1] < u'4') &&
           time[2] == u':' && inRange(time[3], u'0', u'5') && isDigit(time[4]) && time[5] == u':' &&
           inRange(time[6], u'0', u'5') && isDigit(time[7]);
}

bool IsNumericText(QStringView text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c) && c != u',' && c != u'.')
            return false;
    return true;
}

QString DigitsOnly(QStringView text) {
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text)
        if (isDigit(c))
            digits.append(c);
    return digits;
}

QString SortKeyText(const QString& text, const sys::RegionalSettings& settings) {
    const bool dateTime = IsDateTimeText(text);
    if (dateTime || IsDateText(text)) {
        // As for a number, the error quotes the text that was read as a date: the date part.
        const QString dateText = text.first(10);
        const std::optional<QDate> date = settings.parseShortDate(dateText);
        if (!date)
            throw Error::invalidDate(dateText);
        // A bare date keeps its eight digits: being a prefix of the same day's date-times, it
        // sorts before all of them (the collation, like a plain comparison, puts a prefix
        // first) and after every time of the day before, so it reads as midnight.
        QString key(8, u'0'); // yyyymmdd
        writeDigits(key, 4, date->year());
        writeDigits(key, 6, date->month());
        writeDigits(key, 8, date->day());
        if (dateTime) // hhnnss, the digits as written
            for (qsizetype at : {11, 12, 14, 15, 17, 18})
                key.append(text[at]);
        return key;
    }
    if (IsNumericText(text)) {
        QString key(20, u'0');
        writeDigits(key, 20, digitsToInt(DigitsOnly(text)));
        return key;
    }
    return text;
}

// ---- TORQColParam

TORQColParam::TORQColParam(ListColumn& c) : autoSize(c.autoSize()), width(c.width()), FCol(&c) {}

void TORQColParam::Restaurar() {
    FCol->setWidth(width);
    FCol->setAutoSize(autoSize);
}

// ---- TORQListItemCache

TORQListItemCache::TORQListItemCache(const ListRow& li)
    : Caption(li.caption()), Subitems(li.subItems()), GroupID(li.groupId()), Data(li.data()) {}

std::unique_ptr<ListRow> TORQListItemCache::AsNewListItem() const {
    auto item = std::make_unique<ListRow>();
    item->setCaption(Caption);
    item->setSubItems(Subitems);
    item->setData(Data);
    item->setGroupId(GroupID);
    return item;
}

// ---- the search label

void TSearchLabel::setCaption(const QString& caption) {
    m_caption = caption;
    captionChanged();
}

int SearchLabelHeight(int h) {
    int half = h / 2;
    if (h % 2 != 0 && half % 2 != 0) // an odd h leaves a half over: round it to the even side
        ++half;
    return h + half;
}

// ---- TORQListView

TORQListView::TORQListView(const sys::RegionalSettings& settings, QObject* parent)
    : ListStore(parent), m_settings(settings) {}

TORQListView::~TORQListView() {
    ClearCacheFiltro();
    FArrayColParam.clear();
    FLabelBusca.reset();
}

void TORQListView::BeginUpdateORQ(int Total) {
    SaveColumnParams();
    beginUpdate();
    setCapacity(Total);
    ClearCacheFiltro();
}

void TORQListView::EndUpdateORQ() {
    std::exception_ptr failure;
    if (ListColumn* column = std::exchange(FColunaOrdenada, nullptr)) {
        try {
            Ordenar(*column);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    RestoreColumnParams();
    endUpdate();
    if (failure)
        std::rethrow_exception(failure);
    prepareSearch();
    // A client-aligned control lays its columns out again only when its size changes.
    if (align() == Align::Client)
        setWidth(width() + 1);
}

void TORQListView::CopyItem(const ListRow& Source, ListRow& Target) {
    Target.setCaption(Source.caption());
    Target.setData(Source.data());
    Target.setImageIndex(Source.imageIndex());
    Target.setIndent(Source.indent());
    Target.setOverlayIndex(Source.overlayIndex());
    Target.setStateIndex(Source.stateIndex());
    Target.setSubItems(Source.subItems());
    Target.setGroupId(Source.groupId());
}

void TORQListView::Ordenar(ListColumn& Column) {
    Q_ASSERT(&Column.owner() == this);
    FOrdemCrescente = !(FOrdemCrescente && FColunaOrdenada == &Column);
    FColunaOrdenada = &Column;

    const int index = Column.index();
    const int total = rowCount();

    // Released in reverse order, also when a key fails: the sort list with its copies, then the
    // update ends, then the check handler is back. Setting the check state of the rebuilt rows
    // must not look like the user ticking them.
    struct CheckHandlerBack {
        ListStore& view;
        std::function<void(ListRow&)> handler;
        ~CheckHandlerBack() { view.OnItemChecked = std::move(handler); }
    } checkHandler{*this, std::exchange(OnItemChecked, nullptr)};
    ListUpdateGuard update(*this);
    std::vector<SortPair> list;
    list.reserve(size_t(total));

    bool keysAllDigits = true;
    bool keysAllAscii = true;
    // Keys first: a text that is no valid key stops the sort with every row still in place.
    for (int i = 0; i < total; ++i) {
        const ListRow& source = row(i);
        const QString& text = index == 0 ? source.caption() : source.subItem(index - 1);
        SortPair pair{SortKeyText(text, m_settings), std::nullopt, {}, {nullptr, source.checked()}};
        keysAllDigits = keysAllDigits && allDigits(pair.key);
        keysAllAscii = keysAllAscii && allAscii(pair.key);
        list.push_back(std::move(pair));
    }
    // The rows are rebuilt: each comes back as a new row would, carrying what CopyItem copies
    // and none of the marks (selection, focus, check). A detached row object carries exactly
    // that, so the rows themselves are reused rather than copied.
    {
        std::vector<std::unique_ptr<ListRow>> rows = takeRows();
        for (size_t i = 0; i < rows.size(); ++i)
            list[i].item.Value = std::move(rows[i]);
    }

    const QCollator& collator = m_settings.collator();
    const KeyOrder::Way way = KeyOrder::wayFor(m_settings, keysAllDigits, keysAllAscii);
    if (way == KeyOrder::Way::SortKeys)
        for (SortPair& pair : list)
            pair.collationKey.emplace(collator.sortKey(pair.key));
    std::string weights;
    if (way == KeyOrder::Way::AsciiKeys)
        fillAsciiKeys(list, *m_settings.asciiCollation(), weights);
    if (list.size() > 1)
        quickSort(list, 0, int(list.size()) - 1, KeyOrder(collator, way));

    setCapacity(int(list.size()));
    auto rebuild = [this](SortPair& pair) {
        ListRow& added = insertRow(std::move(pair.item.Value));
        added.setChecked(pair.item.Checked);
    };
    if (FOrdemCrescente)
        for (auto it = list.begin(); it != list.end(); ++it)
            rebuild(*it);
    else
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            rebuild(*it);
    prepareSearch();
}

std::vector<int> TORQListView::SortRanks(const ListColumn& Column,
                                         const std::vector<const QString*>& texts) const {
    Q_ASSERT(&Column.owner() == this);
    (void)Column; // every column sorts by the same kind of keys
    struct Keyed {
        QString key;
        std::optional<QCollatorSortKey> collationKey;
        std::string_view asciiKey;
        int position;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(texts.size());
    bool keysAllDigits = true;
    bool keysAllAscii = true;
    for (size_t i = 0; i < texts.size(); ++i) {
        QString key = SortKeyText(*texts[i], m_settings);
        keysAllDigits = keysAllDigits && allDigits(key);
        keysAllAscii = keysAllAscii && allAscii(key);
        keyed.push_back({std::move(key), std::nullopt, {}, int(i)});
    }
    const QCollator& collator = m_settings.collator();
    const KeyOrder::Way way = KeyOrder::wayFor(m_settings, keysAllDigits, keysAllAscii);
    if (way == KeyOrder::Way::SortKeys)
        for (Keyed& k : keyed)
            k.collationKey.emplace(collator.sortKey(k.key));
    std::string weights;
    if (way == KeyOrder::Way::AsciiKeys)
        fillAsciiKeys(keyed, *m_settings.asciiCollation(), weights);
    // The same comparison Ordenar makes, so equal ranks are exactly the keys it finds equal.
    const auto compare = [&](const Keyed& a, const Keyed& b) {
        switch (way) {
        case KeyOrder::Way::Plain:
            return a.key.compare(b.key);
        case KeyOrder::Way::AsciiKeys:
            return a.asciiKey.compare(b.asciiKey);
        case KeyOrder::Way::SortKeys:
            return a.collationKey->compare(*b.collationKey);
        case KeyOrder::Way::Collator:
            break;
        }
        return collator.compare(a.key, b.key);
    };
    std::sort(keyed.begin(), keyed.end(),
              [&](const Keyed& a, const Keyed& b) { return compare(a, b) < 0; });
    std::vector<int> ranks(texts.size());
    int rank = 0;
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i > 0 && compare(keyed[i - 1], keyed[i]) != 0)
            ++rank;
        ranks[size_t(keyed[i].position)] = rank;
    }
    return ranks;
}

void TORQListView::SortPositionsByRank(std::vector<int>& positions, const std::vector<int>& ranks) {
    if (positions.size() > 1)
        quickSort(positions, 0, int(positions.size()) - 1, [&](int a, int b) {
            return ranks[size_t(a)] < ranks[size_t(b)] ? -1 : ranks[size_t(a)] > ranks[size_t(b)];
        });
}

void TORQListView::EndUpdateORQInSortedOrder() {
    if (FColunaOrdenada) {
        // What the re-sort would have left: ascending, and every rebuilt row carrying the check
        // state it read as, without the check handler hearing of it.
        FOrdemCrescente = true;
        const auto handler = std::exchange(OnItemChecked, nullptr);
        for (int i = 0; i < rowCount(); ++i)
            row(i).setChecked(row(i).checked());
        OnItemChecked = handler;
    }
    RestoreColumnParams();
    endUpdate();
    if (align() == Align::Client)
        setWidth(width() + 1);
    prepareSearch();
}

void TORQListView::prepareSearch() const {
    // Building the index is one pass over every row; done here, as part of work that already
    // visits every row, it never makes a keystroke wait.
    if (!FDesabilitarBusca)
        searchIndex(searchedSubItem());
}

int TORQListView::CheckedCount() const {
    int count = 0;
    for (int i = 0; i < rowCount(); ++i)
        if (row(i).checked())
            ++count;
    return count;
}

void TORQListView::ColClick(ListColumn& Column) {
    if (OnColumnClick)
        OnColumnClick(*this, Column);
    const bool sortedColumn = FColunaOrdenada == &Column;
    const bool showingThisGroup = groupView() && FUltimaColunaAgrupada == &Column;
    if (FORQOrdenarColumnClick && !sortedColumn) {
        setGroupView(false);
        Ordenar(Column);
    } else if (FORQAgruparColumnCLick) {
        if (showingThisGroup)
            setGroupView(false);
        else
            Agrupar(Column);
    } else if (FORQOrdenarColumnClick) {
        Ordenar(Column);
    }
}

void TORQListView::Agrupar(ListColumn& Column) {
    Q_ASSERT(&Column.owner() == this);
    // Both updates end, rows first, also when a row or the event handler fails.
    struct Updates {
        ListStore& view;
        ~Updates() {
            view.endUpdate();
            view.endGroupUpdate();
        }
    };
    beginUpdate();
    beginGroupUpdate();
    Updates updates{*this};

    FUltimaColunaAgrupada = &Column;
    const int index = Column.index();
    // One lookup per run of equal values: a sorted column makes long runs.
    QString runValue;
    int runGroup = -1;
    for (int i = 0; i < rowCount(); ++i) {
        ListRow& item = row(i);
        const QString& value = index == 0 ? item.caption() : item.subItem(index - 1);
        if (i == 0 || value != runValue) {
            runValue = value;
            ListGroup* group = FindGrupo(value);
            if (!group) {
                group = &addGroup();
                group->setHeader(value);
                group->setState(ListGroup::Normal | ListGroup::Collapsible);
                runGroup = group->id();
                if (FORQAgruparCreateGroup)
                    FORQAgruparCreateGroup(*group, Column);
            } else {
                runGroup = group->id();
            }
        }
        item.setGroupId(runGroup);
    }
    setGroupView(true);
}

int TORQListView::searchedSubItem() const {
    return FColunaOrdenada && FColunaOrdenada->index() > 0 ? FColunaOrdenada->index() - 1 : -1;
}

int TORQListView::Filtrar(const QString& Value) {
    if (FCacheFiltro.empty()) {
        FCacheFiltro.reserve(size_t(rowCount()));
        for (int i = 0; i < rowCount(); ++i)
            FCacheFiltro.emplace_back(row(i));
    }
    const int n = int(FCacheFiltro.size());
    // Both branches rebuild the whole list, so both are one update: one reset for the view.
    ListUpdateGuard update(*this);
    if (!trimsToEmpty(Value)) {
        clearRows();
        setCapacity(n);
        setGroupView(false);
        clearGroups();
        const QString pattern = sys::foldedAscii(Value);
        const int subItem = searchedSubItem();
        for (const TORQListItemCache& record : FCacheFiltro) {
            if (subItem >= record.Subitems.size())
                throw Error::listIndexOutOfBounds(subItem);
            const QString& text = subItem < 0 ? record.Caption : record.Subitems.at(subItem);
            if (sys::containsFoldedAscii(text, pattern))
                insertRow(record.AsNewListItem());
        }
    } else {
        clearRows();
        setCapacity(n);
        for (const TORQListItemCache& record : FCacheFiltro)
            insertRow(record.AsNewListItem());
    }
    prepareSearch();
    return 0;
}

// The caption search folds letter case the way the toolkit does (every letter); the sub-item
// search folds only A to Z.
static QChar foldForCaption(QChar c) {
    return c.unicode() < 128 ? QChar(sys::foldAscii(c.unicode())) : c.toCaseFolded();
}

const TORQListView::SearchIndex& TORQListView::searchIndex(int subItem) const {
    SearchIndex& index = m_searchIndex;
    if (index.subItem == subItem && index.revision == revision())
        return index;
    index.revision = revision();
    index.subItem = subItem;
    index.starts.clear();
    index.shortRow = -1;
    index.starts.reserve(size_t(rowCount()) + 1);
    // One pass: the rows' strings are scattered in memory, so each visit costs a cache miss.
    QString& folded = index.folded;
    folded.resize(qsizetype(rowCount()) * 16);
    qsizetype at = 0;
    for (int i = 0; i < rowCount(); ++i) {
        const ListRow& item = row(i);
        if (subItem >= item.subItems().size()) {
            index.shortRow = i;
            break;
        }
        const QString& text = subItem < 0 ? item.caption() : item.subItems().at(subItem);
        if (at + text.size() > folded.size())
            folded.resize(std::max(folded.size() * 2, at + text.size()));
        QChar* out = folded.data() + at;
        if (subItem < 0)
            for (QChar c : text)
                *out++ = foldForCaption(c);
        else
            for (QChar c : text)
                *out++ = QChar(sys::foldAscii(c.unicode()));
        index.starts.push_back(at);
        at += text.size();
    }
    index.starts.push_back(at);
    return index;
}

ListRow* TORQListView::findInIndex(const QString& folded, int subItem) const {
    const SearchIndex& index = searchIndex(subItem);
    const QStringView all(index.folded);
    const qsizetype n = folded.size();
    const int indexed = int(index.starts.size()) - 1;
    for (int i = 0; i < indexed; ++i) {
        const qsizetype at = index.starts[size_t(i)];
        if (index.starts[size_t(i) + 1] - at >= n && all.sliced(at, n) == folded)
            return &row(i);
    }
    if (index.shortRow >= 0)
        throw Error::listIndexOutOfBounds(subItem);
    return nullptr;
}

ListRow* TORQListView::FindBySubItemPrefix(const QString& Text, int SubItem) const {
    return findInIndex(sys::foldedAscii(Text), SubItem);
}

ListRow* TORQListView::FindByCaptionPrefix(const QString& Text) const {
    QString folded;
    folded.reserve(Text.size());
    for (QChar c : Text)
        folded.append(foldForCaption(c));
    return findInIndex(folded, -1);
}

void TORQListView::KeyDown(quint16& Key) {
    if (OnKeyDown)
        OnKeyDown(*this, Key);
    switch (Key) {
    case vk::Tab:
    case vk::Return:
    case vk::Prior:
    case vk::Next:
    case vk::End:
    case vk::Home:
    case vk::Up:
    case vk::Down:
    case vk::Delete:
        FLabelBusca.reset();
        break;
    default:
        break;
    }
}

void TORQListView::KeyPress(QChar& Key) {
    if (OnKeyPress)
        OnKeyPress(*this, Key);
    // A handler that clears the key has taken it.
    if (Key.isNull() || FDesabilitarBusca || (IsEditing && IsEditing()))
        return;
    QString text = FLabelBusca ? FLabelBusca->Caption() : QString();
    if (Key.unicode() == vk::Back)
        text.chop(1);
    else
        text.append(Key);
    if (trimsToEmpty(text)) {
        FLabelBusca.reset();
        return;
    }
    if (!FLabelBusca)
        FLabelBusca = m_labelFactory ? m_labelFactory() : std::make_unique<TSearchLabel>();
    FLabelBusca->setCaption(text);

    const int subItem = searchedSubItem();
    ListRow* found = subItem >= 0 ? FindBySubItemPrefix(text, subItem) : FindByCaptionPrefix(text);
    if (!found) {
        clearSelection();
        return;
    }
    found->setSelected(true);
    found->makeVisible();
    found->setFocused(true);
}

void TORQListView::ClearCacheFiltro() {
    FCacheFiltro.clear();
}

void TORQListView::SaveColumnParams() {
    FArrayColParam.clear();
    FArrayColParam.resize(size_t(columnCount()));
    for (int i = 0; i < columnCount(); ++i)
        FArrayColParam[size_t(i)] = std::make_unique<TORQColParam>(column(i));
}

void TORQListView::RestoreColumnParams() {
    for (auto& param : FArrayColParam) {
        if (param) {
            param->Restaurar();
            param.reset();
        }
    }
    FArrayColParam.clear();
    if (int(FArrayColParam.size()) != columnCount())
        SaveColumnParams();
}

} // namespace orq
