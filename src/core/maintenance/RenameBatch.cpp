#include "maintenance/RenameBatch.h"

#include "launch/ProductIni.h"
#include "listview/uTORQListView.h"

namespace orq {

RenameBatch::RenameBatch(TORQListView& list, QString connectionFile,
                         std::function<void(const QString&)> showError, QObject* parent)
    : QObject(parent), m_list(list), m_connectionFile(std::move(connectionFile)),
      m_showError(std::move(showError)) {}

void RenameBatch::start() {
    if (m_running)
        return;
    m_running = true;
    m_started = m_finished = 0;
    m_toRename = 0;
    for (int row = 0; row < m_list.rowCount(); ++row)
        m_toRename += countsAsSuffixed(m_list.row(row).caption()) ? 0 : 1;
    m_scan.ufindex = 0;
    RenameFoldersFrom(0);
    if (m_started == 0)
        finish();
}

void RenameBatch::RenameFoldersFrom(int start) {
    // Read afresh on every scan, as the product may have changed it meanwhile.
    const QString pathTemplate = orq::pathTemplate(ProductIni(m_connectionFile).databasePath());
    m_started += m_scan.scan(
        start, m_list.rowCount(), [this](int row) { return m_list.row(row).caption(); },
        [&](int row) {
            ListRow* item = &m_list.row(row);
            auto* worker =
                new TRenomearPastasParaUF({m_showError, [this](TRenomearPastasParaUF& done) {
                                               RenameWorkerTerminated(done);
                                           }});
            worker->setListItem(item);
            worker->setPath(fillPathTemplate(pathTemplate, item->caption()));
            worker->setFreeOnTerminate(true);
            worker->start();
        },
        [] { return TRenomearPastasParaUF::getInstanceCount(); });
}

void RenameBatch::RenameWorkerTerminated(TRenomearPastasParaUF&) {
    ++m_finished;
    emit progress(m_finished, m_toRename);
    if (m_scan.hasMore(m_list.rowCount()))
        RenameFoldersFrom(m_scan.resumeRow());
    if (TRenomearPastasParaUF::getInstanceCount() == 0 && m_finished == m_started)
        finish();
}

void RenameBatch::finish() {
    m_running = false;
    emit finished();
}

} // namespace orq
