#pragma once

#include "launch/ProductIni.h"
#include "session/CatalogueView.h"
#include "system/Locale.h"
#include "system/TextList.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace orq {

class ListRow;
class TORQListView;
struct BaseScan;
struct ScanProgress;

// What the main window's handlers work on: the known roots and their file, the catalogue of the
// open root and its filtered subset, the current base, and the list component that shows them.
// The window keeps the widgets and calls the steps below; each step takes the root text the
// handler read from the root box at that moment, because the root is whatever the box says now.
//
// Problems that do not end a step (a catalogue rebuilt because it could not be read, a cache that
// could not be written, folders left out) are reported through notice() once the step has filled
// the list, so the rows are in sight when the message comes. Errors that end a step are thrown.
class BaseChooser : public QObject {
    Q_OBJECT

public:
    // programFolder holds the known roots file, the product's connection file and the product.
    BaseChooser(TORQListView& list, const QString& programFolder,
                const sys::RegionalSettings& settings = sys::RegionalSettings::user(),
                QObject* parent = nullptr);
    ~BaseChooser() override;

    TORQListView& list() const { return m_list; }
    const QString& programFolder() const { return m_programFolder; }

    // --- Roots -------------------------------------------------------------------------------

    // Reads the known roots file when there is one. Throws "Cannot open file ...".
    void loadHosts();
    const QStringList& knownRoots() const { return hosts.lines; }
    // The first argument, else the first known root, else the default root.
    QString startupRoot(const QStringList& arguments) const;
    // Letter case ignored by the user's collation.
    bool isKnownRoot(const QString& root) const;
    // Appends the root and writes the known roots file. When the write fails the root stays
    // known for the rest of the run and "Cannot create file ..." is thrown.
    void rememberRoot(const QString& root);
    bool isServerRoot(const QString& root) const;

    // --- The current base --------------------------------------------------------------------

    // The folder name of the base orqcon.ini names, read once at start-up.
    void ReadIniFolderName();
    const QString& currentBaseName() const { return iniFolderName; }
    // The first row whose caption is the current base's name, letter case ignored.
    ListRow* findCurrentBaseRow() const;
    // The first row whose caption is this name, letter case ignored; searched from the top.
    ListRow* findRowByCaption(const QString& caption) const;
    // Makes the current base's row the only selected one and scrolls it into view, or clears
    // the selection when the list does not hold it.
    void selectCurrentBase();

    // --- The catalogue -----------------------------------------------------------------------

    const QStringList& catalogue() const { return dataBases.lines; }
    const QStringList& filteredCatalogue() const { return dataBasesFiltered.lines; }

    // Opens a root: its catalogue file, or a scan when it has none, then one fill of the list.
    // A catalogue the fill cannot read (a line of fewer than three fields, a quote left open by
    // a crash, a NUL that cut it short) is only a broken cache of the folders: it is reported and
    // rebuilt by a scan.
    void open(const QString& root);
    // Rescans the root and fills the list once: with the lines matching filterText when it is
    // not empty, else with the whole catalogue and the current base's row marked.
    void refresh(const QString& root, const QString& filterText);
    // Shows the lines matching the text, or the whole catalogue for an empty text.
    void filter(const QString& filterText);

    // How a scan of the root's folders is run: in place when none is set. The window runs it on
    // a worker thread and keeps repainting and showing progress meanwhile; a scan stopped
    // through its progress leaves the catalogue and the list as they were (a silent Abort).
    using ScanRunner = std::function<BaseScan(const QString& root, ScanProgress& progress,
                                              const std::function<BaseScan()>& scan)>;
    void setScanRunner(ScanRunner runner) { m_scanRunner = std::move(runner); }

    // Rebuilds the catalogue from the root's folders and writes the catalogue file. A folder
    // without ORQ_DADOS is no root and gets nothing written; a root that is not a folder at all
    // throws "Cannot create file ...". A catalogue that could not be written is reported, and the
    // scan stands. Does not fill the list.
    void scanCatalogue(const QString& root);
    // Refills the list from catalogue lines and reports the new row count through rowsShown().
    // Throws "List index out of bounds (n)" for a line of fewer than three fields.
    void ShowDataBases(const QStringList& lines);

    // --- Entering a base ---------------------------------------------------------------------

    // Chooses the row to enter (the selected one, else the current base's, else the first),
    // selects it, and records it in orqcon.ini with the host taken from the root. Returns the
    // chosen base's name. Throws "Selecione um Item" for an empty list, and the errors of the
    // connection file.
    QString EnterSelectedBase(const QString& root);
    // Starts the product; nothing on success, else the system's text for the failure.
    std::optional<QString> launchProduct() const;

    // The selected row; with none selected, the first row becomes the selected one. Throws
    // "Selecione um item" for an empty list.
    ListRow& selectedOrFirstRow();

    // Moves the selection one row up or down and scrolls it into view; with nothing selected
    // the first row is selected first. Nothing moves past either end.
    void moveSelection(bool up);

signals:
    // The list was refilled and shows this many rows.
    void rowsShown(int count);
    // A problem worth telling that did not stop the step.
    void notice(const QString& message);

private:
    void flushNotices();
    void prepareSortRanks();
    std::vector<int> allPositions() const;
    // Shows lines, the catalogue's lines at these positions.
    void showLines(const QStringList& lines, std::vector<int> positions);
    template <class Step> void reporting(Step&& step);

    TORQListView& m_list;
    QString m_programFolder;
    const sys::RegionalSettings& m_settings;
    ProductIni ini;

    sys::TextList dataBases;
    // dataBases decoded, for refills at typing speed; cleared whenever dataBases changes.
    CatalogueRows m_rows;
    QStringList dataBaseItem;
    sys::TextList hosts;
    sys::TextList dataBasesFiltered;
    QString iniFolderName;

    QStringList m_pendingNotices;
    ScanRunner m_scanRunner;
};

} // namespace orq
