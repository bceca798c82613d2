#include "maintenance/uRenomearPastasParaUF.h"

#include "listview/ListStore.h"
#include "maintenance/StateSuffix.h"
#include "system/Error.h"
#include "system/FileSystem.h"
#include "system/Firebird.h"
#include "system/Paths.h"

#include <QCoreApplication>

#include <condition_variable>
#include <deque>
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

namespace {

// One call handed to the main thread, and its outcome handed back.
struct HandOff {
    std::function<void()> call;
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    std::exception_ptr thrown;
};

// The calls waiting for the main thread. They travel through this queue of ours rather than
// inside Qt's posted call, so what a worker hands over is visibly ordered before the main thread
// reads it (to a thread checker too, which cannot see Qt's own locks).
std::mutex& waitingMutex() {
    static std::mutex mutex;
    return mutex;
}

std::deque<std::shared_ptr<HandOff>>& waiting() {
    static std::deque<std::shared_ptr<HandOff>> calls;
    return calls;
}

// Main thread: runs every waiting call. A call may open a modal loop that serves the next ones.
void serveWaitingCalls() {
    for (;;) {
        std::shared_ptr<HandOff> next;
        {
            const std::lock_guard lock(waitingMutex());
            if (waiting().empty())
                return;
            next = waiting().front();
            waiting().pop_front();
        }
        std::exception_ptr thrown;
        try {
            next->call();
        } catch (...) {
            thrown = std::current_exception();
        }
        const std::lock_guard lock(next->mutex);
        next->thrown = thrown;
        next->done = true;
        next->ran.notify_one();
    }
}

} // namespace

void TRenomearPastasParaUF::Synchronize(const std::function<void()>& call) {
    auto handOff = std::make_shared<HandOff>();
    handOff->call = call;
    {
        const std::lock_guard lock(waitingMutex());
        waiting().push_back(handOff);
    }
    // A queued call is served by every event loop of the main thread, modal ones included, so
    // an open "Erro" box does not hold up the other workers.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { serveWaitingCalls(); }, Qt::QueuedConnection);
    std::unique_lock lock(handOff->mutex);
    handOff->ran.wait(lock, [&] { return handOff->done; });
    if (handOff->thrown)
        std::rethrow_exception(handOff->thrown);
}

bool ShellRename(const QString& from, const QString& to, bool /*silent*/) {
    return sys::moveFilePickingFreeName(from, to).ok();
}

} // namespace orq
