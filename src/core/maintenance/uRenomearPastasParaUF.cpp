#include "maintenance/uRenomearPastasParaUF.h"

#include "listview/ListStore.h"
#include "maintenance/StateSuffix.h"
#include "system/Error.h"
#include "system/FileSystem.h"
#include "system/Firebird.h"
#include "system/Paths.h"

#include <QCoreApplication>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace orq {

std::atomic<int> TRenomearPastasParaUF::instanceCount{0};

namespace {

QString& configuredServerPrefix() {
    static QString prefix = QString::fromLatin1(TRenomearPastasParaUF::ServerPrefix);
    return prefix;
}

} // namespace

QString TRenomearPastasParaUF::serverPrefix() {
    return configuredServerPrefix();
}

void TRenomearPastasParaUF::setServerPrefix(const QString& prefix) {
    configuredServerPrefix() = prefix;
}

TRenomearPastasParaUF::TRenomearPastasParaUF(MainThread mainThread, QObject* parent)
    : QThread(parent), m_mainThread(std::move(mainThread)) {}

TRenomearPastasParaUF::~TRenomearPastasParaUF() {
    FListItem = nullptr;
}

void TRenomearPastasParaUF::setListItem(ListRow* row) {
    FListItem = row;
    m_caption = row ? row->caption() : QString();
    ++instanceCount;
}

void TRenomearPastasParaUF::setPath(const QString& path) {
    FPath = path;
}

void TRenomearPastasParaUF::setFreeOnTerminate(bool on) {
    if (on)
        connect(this, &QThread::finished, this, &QObject::deleteLater, Qt::UniqueConnection);
    else
        disconnect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TRenomearPastasParaUF::run() {
    Execute();
    // The termination handler sees the count without this worker, and the worker waits for it.
    if (m_mainThread.onTerminate) {
        try {
            Synchronize([this] { m_mainThread.onTerminate(*this); });
        } catch (const Error& error) {
            HandleThreadException(error);
        }
    }
}

void TRenomearPastasParaUF::Execute() {
    try {
        std::optional<sys::FirebirdConnection> connection = sys::FirebirdConnection::attach(
            serverPrefix() + sys::nativePath(FPath),
            {QString::fromLatin1(UserName), QString::fromLatin1(Password),
             QString::fromLatin1(Charset)});
        const std::optional<QString> code = connection->firstText(QString::fromLatin1(StateQuery));
        if (code && !code->isEmpty()) {
            sufixo = u'_' + *code;
            oldPath = databaseFolder(FPath);
            if (!endsWithSuffix(oldPath, sufixo)) {
                newPath = oldPath + sufixo;
                // Whatever the database holds, the rename stays inside the base's own folder.
                if (const QString problem = suffixRenameProblem(oldPath, m_caption, *code);
                    !problem.isEmpty())
                    throw Error(problem);
                // No connection may hold the database while its folder changes name.
                connection->close();
                connection.reset();
                Synchronize([this] { RenameFolder(); });
            }
        }
    } catch (const Error& error) {
        HandleThreadException(error);
    } catch (const std::exception& error) {
        HandleThreadException(Error(QString::fromLocal8Bit(error.what())));
    }
    --instanceCount;
}

void TRenomearPastasParaUF::RenameFolder() {
    // A plain rename, and when the name is taken the next free one: ShellRename tries them in
    // that order, so a failed result is ignored as the shell's would be.
    ShellRename(oldPath, newPath, true);
    // The caption changes whether or not a rename succeeded: the batch's rescan shows the truth.
    if (FListItem)
        FListItem->setCaption(FListItem->caption() + sufixo);
}

void TRenomearPastasParaUF::ShowError() {
    if (m_mainThread.showError && FException)
        m_mainThread.showError(FException->message());
}

void TRenomearPastasParaUF::HandleThreadException(const Error& error) {
    if (dynamic_cast<const Abort*>(&error))
        return;
    FException = &error;
    try {
        Synchronize([this] { ShowError(); });
    } catch (...) {
        // The box could not be shown; there is nobody else to tell.
    }
    FException = nullptr;
}

void TRenomearPastasParaUF::Synchronize(const std::function<void()>& call) {
    // The hand-off is ours, with a standard mutex and condition, rather than a blocking queued
    // call, so that what the main thread hands back is visibly ordered before the worker reads
    // it (to a thread checker too). The state is shared: the main thread may still be leaving
    // the call when the worker has already gone on.
    struct HandOff {
        std::mutex mutex;
        std::condition_variable ran;
        bool done = false;
        std::exception_ptr thrown;
    };
    auto handOff = std::make_shared<HandOff>();
    // A queued call is served by every event loop of the main thread, modal ones included, so
    // an open "Erro" box does not hold up the other workers.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [handOff, call] {
            std::exception_ptr thrown;
            try {
                call();
            } catch (...) {
                thrown = std::current_exception();
            }
            const std::lock_guard lock(handOff->mutex);
            handOff->thrown = thrown;
            handOff->done = true;
            handOff->ran.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handOff->mutex);
    handOff->ran.wait(lock, [&] { return handOff->done; });
    if (handOff->thrown)
        std::rethrow_exception(handOff->thrown);
}

bool ShellRename(const QString& from, const QString& to, bool /*silent*/) {
    return sys::moveFilePickingFreeName(from, to).ok();
}

} // namespace orq
