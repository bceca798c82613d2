#include "session/BaseChooser.h"

#include "catalogue/BaseScan.h"
#include "catalogue/CatalogueFilter.h"
#include "catalogue/ProductFiles.h"
#include "catalogue/Roots.h"
#include "launch/ProductLauncher.h"
#include "listview/uTORQListView.h"
#include "session/CatalogueView.h"
#include "system/Error.h"
#include "system/FileSystem.h"

#include <QTimer>

#include <numeric>

namespace orq {

namespace {

// A name as a message can show it: control characters would break the box's lines.
QString printable(QString name) {
    for (QChar& c : name) {
        if (c.unicode() < 32)
            c = u'?';
    }
    return u'"' + name + u'"';
}

} // namespace

BaseChooser::BaseChooser(TORQListView& list, const QString& programFolder,
                         const sys::RegionalSettings& settings, QObject* parent)
    : QObject(parent), m_list(list), m_programFolder(programFolder), m_settings(settings),
      ini(programFolder + u'/' + product::ConnectionFile) {
    // The first keystroke after a sort by a new column would rank the whole catalogue by it
    // (about the cost of the sort itself). Done as soon as the event loop is idle, between the
    // click and the user's next key, that keystroke refills at typing speed.
    connect(&m_list, &ListStore::updateEnded, this,
            [this] { QTimer::singleShot(0, this, &BaseChooser::prepareSortRanks); });
}

void BaseChooser::prepareSortRanks() {
    const ListColumn* sorted = m_list.ColunaOrdenada();
    if (m_rows.decoded() && sorted && sorted->index() <= 2 && !m_list.isUpdating())
        m_rows.ranks(m_list, *sorted);
}

BaseChooser::~BaseChooser() = default;

// ---------------------------------------------------------------------------------------------
// Roots

void BaseChooser::loadHosts() {
    const QString path = hostsFilePath(m_programFolder);
    if (sys::fileExists(path))
        hosts.loadFromFile(path);
}

QString BaseChooser::startupRoot(const QStringList& arguments) const {
    return orq::startupRoot(arguments, hosts.lines);
}

bool BaseChooser::isKnownRoot(const QString& root) const {
    return orq::isKnownRoot(hosts.lines, root, m_settings);
}

void BaseChooser::rememberRoot(const QString& root) {
    hosts.lines.append(root);
    hosts.saveToFile(hostsFilePath(m_programFolder));
}

bool BaseChooser::isServerRoot(const QString& root) const {
    return orq::isServerRoot(root);
}

// ---------------------------------------------------------------------------------------------
// The current base

void BaseChooser::ReadIniFolderName() {
    iniFolderName = ini.currentBaseName();
}

ListRow* BaseChooser::findRowByCaption(const QString& caption) const {
    for (int i = 0; i < m_list.rowCount(); ++i) {
        ListRow* row = &m_list.row(i);
        if (row->caption().compare(caption, Qt::CaseInsensitive) == 0)
            return row;
    }
    return nullptr;
}

ListRow* BaseChooser::findCurrentBaseRow() const {
    return findRowByCaption(iniFolderName);
}

void BaseChooser::selectCurrentBase() {
    ListRow* current = findCurrentBaseRow();
    m_list.setSelectedRow(current);
    if (current)
        current->makeVisible();
}

// ---------------------------------------------------------------------------------------------
// The catalogue

template <class Step> void BaseChooser::reporting(Step&& step) {
    try {
        step();
    } catch (...) {
        flushNotices();
        throw;
    }
    flushNotices();
}

void BaseChooser::flushNotices() {
    const QStringList notices = std::exchange(m_pendingNotices, {});
    for (const QString& message : notices)
        emit notice(message);
}

void BaseChooser::open(const QString& root) {
    reporting([&] {
        const QString path = catalogueFilePath(root);
        if (!sys::fileExists(path)) {
            scanCatalogue(root);
            ShowDataBases(dataBases.lines);
            return;
        }
        // A broken catalogue is found by the fill that shows it; the rebuilt one replaces it
        // inside the same update, so the view is refilled once either way.
        const ListUpdateGuard oneRefill(m_list);
        // On a failed read the catalogue in memory stays as it was.
        sys::TextList loaded = dataBases;
        loaded.loadFromFile(path);
        dataBases = std::move(loaded);
        m_rows.clear();
        qsizetype unreadable = 0;
        // A catalogue that decodes whole is shown from its decoded rows, which later refills
        // reuse; only one with a broken line takes the line-by-line fill that finds it.
        if (!m_rows.decode(dataBases.lines) ||
            !showCatalogueRows(m_list, m_rows, allPositions(), dataBases.lines.size(),
                               dataBaseItem))
            showCatalogueLines(m_list, dataBases.lines, dataBases.lines.size(), dataBaseItem,
                               &unreadable);
        // A NUL cut the rest of the file off, or a crash of the machine left it zero-filled: the
        // lines shown are not all the catalogue held.
        if (!unreadable)
            unreadable = dataBases.nulLine();
        if (!unreadable) {
            emit rowsShown(m_list.rowCount());
            return;
        }
        // The catalogue is only a cache of the folders; the rebuilt file keeps the encoding the
        // broken one was written in.
        m_pendingNotices.append(
            QStringLiteral("O catálogo \"%1\" não pôde ser lido (linha %2) e foi refeito a "
                           "partir das pastas das bases")
                .arg(path)
                .arg(unreadable));
        scanCatalogue(root);
        ShowDataBases(dataBases.lines);
    });
}

void BaseChooser::refresh(const QString& root, const QString& filterText) {
    reporting([&] {
        scanCatalogue(root);
        if (!filterText.isEmpty()) {
            filter(filterText);
            return;
        }
        ShowDataBases(dataBases.lines);
        // Only the keyboard focus mark: selection and scroll position stay as they are.
        if (ListRow* current = findCurrentBaseRow())
            m_list.setFocusedRow(current);
    });
}

void BaseChooser::filter(const QString& filterText) {
    if (filterText.isEmpty()) {
        ShowDataBases(dataBases.lines);
        return;
    }
    std::vector<int> positions = filterCatalogueLinePositions(dataBases.lines, filterText);
    QStringList matches;
    matches.reserve(qsizetype(positions.size()));
    for (int position : positions)
        matches.append(dataBases.lines[position]);
    dataBasesFiltered.lines = std::move(matches);
    showLines(dataBasesFiltered.lines, std::move(positions));
}

std::vector<int> BaseChooser::allPositions() const {
    std::vector<int> positions(size_t(dataBases.lines.size()));
    std::iota(positions.begin(), positions.end(), 0);
    return positions;
}

void BaseChooser::showLines(const QStringList& lines, std::vector<int> positions) {
    if (!m_rows.decoded())
        m_rows.decode(dataBases.lines);
    if (!showCatalogueRows(m_list, m_rows, std::move(positions), dataBases.lines.size(),
                           dataBaseItem))
        showCatalogueLines(m_list, lines, dataBases.lines.size(), dataBaseItem);
    emit rowsShown(m_list.rowCount());
}

void BaseChooser::scanCatalogue(const QString& root) {
    ScanProgress progress;
    const auto scanHere = [&] { return scanBases(root, m_settings, &progress); };
    BaseScan scan = m_scanRunner ? m_scanRunner(root, progress, scanHere) : scanHere();
    if (scan.stopped)
        throw Abort();
    dataBases.lines = std::move(scan.lines);
    m_rows.clear();
    if (!scan.skipped.isEmpty()) {
        QStringList names;
        for (const QString& name : scan.skipped)
            names.append(printable(name));
        m_pendingNotices.append(
            QStringLiteral("Pastas deixadas fora da lista porque o nome tem caracteres de "
                           "controle: %1")
                .arg(names.join(QStringLiteral(", "))));
    }
    // A folder without ORQ_DADOS is no root: nothing is written into it. A root that is not a
    // folder at all still tries, so its failure tells the user why.
    if (!scan.listed && sys::folderExists(root))
        return;
    try {
        dataBases.saveToFile(catalogueFilePath(root));
    } catch (const Error& error) {
        if (!scan.listed)
            throw;
        // The bases are there; only the cache is missing. Show them and say so.
        m_pendingNotices.append(error.message());
    }
}

void BaseChooser::ShowDataBases(const QStringList& lines) {
    // The whole catalogue goes through its decoded rows; any other list of lines is filled
    // line by line.
    if (&lines == &dataBases.lines) {
        showLines(lines, allPositions());
        return;
    }
    showCatalogueLines(m_list, lines, dataBases.lines.size(), dataBaseItem);
    emit rowsShown(m_list.rowCount());
}

// ---------------------------------------------------------------------------------------------
// Entering a base

QString BaseChooser::EnterSelectedBase(const QString& root) {
    if (!m_list.selectedRow()) {
        ListRow* row = findCurrentBaseRow();
        if (!row && m_list.rowCount() > 0)
            row = &m_list.row(0);
        if (row)
            m_list.setSelectedRow(row);
    }
    const ListRow* chosen = m_list.selectedRow();
    if (!chosen)
        throw Error(QStringLiteral("Selecione um Item"));
    const QString name = chosen->caption();
    writeEnteredBase(ini, root, name);
    return name;
}

std::optional<QString> BaseChooser::launchProduct() const {
    // The product beside our own program comes first, then PATH.
    return orq::launchProduct(product::Program, m_programFolder);
}

ListRow& BaseChooser::selectedOrFirstRow() {
    if (!m_list.selectedRow() && m_list.rowCount() > 0)
        m_list.setSelectedRow(&m_list.row(0));
    ListRow* row = m_list.selectedRow();
    if (!row)
        throw Error(QStringLiteral("Selecione um item"));
    return *row;
}

void BaseChooser::moveSelection(bool up) {
    if (m_list.rowCount() == 0)
        return;
    if (!m_list.selectedRow())
        m_list.setSelectedRow(&m_list.row(0));
    const int next = m_list.selectedRow()->index() + (up ? -1 : 1);
    if (next < 0 || next >= m_list.rowCount())
        return;
    ListRow* row = &m_list.row(next);
    m_list.setSelectedRow(row);
    row->makeVisible();
}

} // namespace orq
