#pragma once

#include <QString>
#include <QThread>

#include <atomic>
#include <exception>
#include <functional>

namespace orq {

class Error;
class ListRow;

// Renames one base folder to end with its state suffix, "_" + the state code (UF) of the first
// company in the base's database. The database is read on this worker's own thread, through the
// Firebird server of this machine; the folder and its list row are renamed on the main thread,
// handed over synchronously, and the worker waits for it.
//
// Created not yet started, given its row and path, then started. It lowers the live-worker count
// once, whatever happens, before its termination handler runs on the main thread; with
// free-on-terminate set it deletes itself after that handler.
class TRenomearPastasParaUF : public QThread {
    Q_OBJECT

public:
    // What the worker asks of the main thread.
    struct MainThread {
        // Shows an error in a box titled "Erro", text as the error carries it.
        std::function<void(const QString& message)> showError;
        // The batch's termination handler; the worker has already left the live count.
        std::function<void(TRenomearPastasParaUF& worker)> onTerminate;
    };

    // The connection every worker opens: the Firebird server of this machine.
    static constexpr const char* ServerPrefix = "localhost/3055:";
    static constexpr const char* UserName = "XUQORQ";
    static constexpr const char* Password = "quh";
    static constexpr const char* Charset = "WIN1252";
    static constexpr const char* StateQuery = "select first 1 uf from empresa order by codigo";

    explicit TRenomearPastasParaUF(MainThread mainThread, QObject* parent = nullptr);
    ~TRenomearPastasParaUF() override;

    // The row whose caption is the folder's name; counts the worker as live.
    void setListItem(ListRow* row);
    // The base's database path (Windows form, as built from orqcon.ini).
    void setPath(const QString& path);
    void setFreeOnTerminate(bool on);

    static int getInstanceCount() { return instanceCount.load(); }

    // Where the workers connect, ServerPrefix unless changed. Tests point it at a port nothing
    // listens on to meet a server that is not running, without stopping the one other tests use.
    static QString serverPrefix();
    static void setServerPrefix(const QString& prefix);

protected:
    void run() override;

private:
    void Execute();
    void RenameFolder();
    void ShowError();
    void HandleThreadException(const Error& error);
    // Runs the call on the main thread and waits for it; what it throws is thrown here again.
    void Synchronize(const std::function<void()>& call);

    MainThread m_mainThread;
    ListRow* FListItem = nullptr;
    QString m_caption; // the row's caption when the worker was given it
    QString FPath;
    const Error* FException = nullptr;
    QString oldPath;
    QString newPath;
    QString sufixo;

    static std::atomic<int> instanceCount;
};

// Renames a folder, and when the target name is taken, to the first free "name (2)",
// "name (3)"... beside it, as the desktop's file manager does on a collision. The silent flag
// is kept for the callers' sake: nothing is ever asked.
bool ShellRename(const QString& from, const QString& to, bool silent);

} // namespace orq
