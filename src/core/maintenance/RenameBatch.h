#pragma once

#include "maintenance/StateSuffix.h"
#include "maintenance/uRenomearPastasParaUF.h"

#include <QObject>

namespace orq {

class TORQListView;

// "Renomear Pastas para UF" over the rows the list shows: a worker for every row whose caption
// does not yet end with a state suffix, at most 20 live at a time, each further scan resuming
// after the row whose worker was started last. Every row's database path is the product's own
// path template (CAMINHO of orqcon.ini) filled with the row's caption. The list must keep its
// rows, their order and number until finished(): running workers hold rows, and the scan
// resumes by index.
class RenameBatch : public QObject {
    Q_OBJECT

public:
    // connectionFile: the product's orqcon.ini; showError: the "Erro" box, on the main thread.
    RenameBatch(TORQListView& list, QString connectionFile,
                std::function<void(const QString&)> showError, QObject* parent = nullptr);

    bool running() const { return m_running; }
    // Starts the batch. When no listed row lacks a suffix, it is over at once: finished() has
    // been emitted before this returns.
    void start();

    int ufindex() const { return m_scan.ufindex; }
    int workersStarted() const { return m_started; }
    int workersFinished() const { return m_finished; }
    // How many listed rows lacked a suffix when the batch started.
    int rowsToRename() const { return m_toRename; }

signals:
    // A worker ended; done of total rows have had their worker.
    void progress(int done, int total);
    // No worker is live any more: the list may be refilled.
    void finished();

private:
    void RenameFoldersFrom(int start);
    void RenameWorkerTerminated(TRenomearPastasParaUF& worker);
    void finish();

    TORQListView& m_list;
    QString m_connectionFile;
    std::function<void(const QString&)> m_showError;
    SuffixScan m_scan;
    bool m_running = false;
    int m_started = 0;
    int m_finished = 0;
    int m_toRename = 0;
};

} // namespace orq
