#include "system/Firebird.h"

#include "system/TextEncoding.h"

#include <firebird/Interface.h>

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <locale.h>
#include <memory>
#include <mutex>
#include <utility>

namespace orq::sys {

namespace {

using namespace Firebird;

// The library's entry point; it is thread-safe, and so are the dispatcher and the utility
// interface taken from it.
IMaster* master() {
    static IMaster* const instance = fb_get_master_interface();
    return instance;
}

// A status vector for one call, or a few in a row; each thread makes its own.
class Status {
public:
    Status() : m_raw(master()->getStatus()), m_wrapper(m_raw) {}
    ~Status() { m_raw->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    CheckStatusWrapper* operator&() { return &m_wrapper; }
    bool failed() const { return (m_wrapper.getState() & IStatus::STATE_ERRORS) != 0; }

    // Throws what the call put in the vector, the way Firebird itself words it.
    void check() {
        if (failed())
            throw FirebirdError(text());
    }

    QString text() {
        QByteArray buffer(4096, '\0');
        const unsigned length = master()->getUtilInterface()->formatStatus(
            buffer.data(), unsigned(buffer.size()), &m_wrapper);
        buffer.truncate(qsizetype(length));
        while (buffer.endsWith('\n'))
            buffer.chop(1);
        // The server's texts are ASCII; the file names they quote are the bytes the file system
        // holds, which are UTF-8 here.
        return QString::fromUtf8(buffer);
    }

private:
    IStatus* m_raw;
    CheckStatusWrapper m_wrapper;
};

// Lets go of an object from the library on every path. Ending it properly (close, free,
// rollback, detach) releases it as well; when that fails, or there is nothing to end, only the
// reference goes.
struct Ender {
    void operator()(IResultSet* p) const {
        Status status;
        p->close(&status);
        if (status.failed())
            p->release();
    }
    void operator()(IStatement* p) const {
        Status status;
        p->free(&status);
        if (status.failed())
            p->release();
    }
    void operator()(ITransaction* p) const {
        Status status;
        p->rollback(&status);
        if (status.failed())
            p->release();
    }
    void operator()(IAttachment* p) const {
        Status status;
        p->detach(&status);
        if (status.failed())
            p->release();
    }
    void operator()(IProvider* p) const { p->release(); }
    void operator()(IMessageMetadata* p) const { p->release(); }
    void operator()(IMetadataBuilder* p) const { p->release(); }
    void operator()(IXpbBuilder* p) const { p->dispose(); }
};

template <class T> using Owned = std::unique_ptr<T, Ender>;

// Ends an owned object on the ordinary path, where a failure is worth reporting: the owner lets
// go first, so the object is released exactly once whatever happens.
template <class T, class End> void end(Owned<T>& owned, End how) {
    T* object = owned.release();
    Status status;
    how(object, &status);
    if (status.failed()) {
        const QString text = status.text();
        object->release();
        throw FirebirdError(text);
    }
}

bool isUtf8(const QString& charset) {
    return charset.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0 ||
           charset.compare(QLatin1String("UNICODE_FSS"), Qt::CaseInsensitive) == 0;
}

// The file part of a connection string is the server's file name as bytes; on this system that
// is UTF-8, whatever character set the texts of the connection use.
QByteArray connectionBytes(const QString& database) {
    // Without a host the client library would open the file itself with its embedded engine,
    // beside (and against) the server that may have it open.
    if (database.startsWith(QLatin1Char('/')))
        throw FirebirdError(
            QStringLiteral("No server named for the database \"%1\"").arg(database));
    return database.toUtf8();
}

Owned<IXpbBuilder> loginParameters(Status& status, const FirebirdLogin& login) {
    Owned<IXpbBuilder> dpb(
        master()->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
    status.check();
    // The file name goes as UTF-8 and is marked so (see Utf8Names).
    dpb->insertTag(&status, isc_dpb_utf8_filename);
    dpb->insertString(&status, isc_dpb_user_name, login.user.toUtf8().constData());
    dpb->insertString(&status, isc_dpb_password, login.password.toUtf8().constData());
    if (!login.charset.isEmpty())
        dpb->insertString(&status, isc_dpb_lc_ctype, login.charset.toLatin1().constData());
    status.check();
    return dpb;
}

// The client library turns a file name into UTF-8 with a converter it makes once, on first use,
// for the character set of the calling thread's locale; a program that never chose a locale, or
// runs with LANG=C, gets ASCII, and from then on no name with an accent passes ("Cannot
// transliterate character between character sets"). File names here are UTF-8 whatever the
// locale, so every call that takes one runs with a UTF-8 character type on its own thread; the
// rest of the program, and other threads, keep their locale.
class Utf8Names {
public:
    Utf8Names() : m_old(::uselocale(utf8())) {}
    ~Utf8Names() { ::uselocale(m_old); }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    static locale_t utf8() {
        // C.UTF-8 is part of the C library itself; it is there without any locale installed.
        static const locale_t instance = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return instance ? instance : LC_GLOBAL_LOCALE;
    }
    locale_t m_old;
};

Owned<IProvider> dispatcher() {
    return Owned<IProvider>(master()->getDispatcher());
}

constexpr unsigned dialect = SQL_DIALECT_V6;

bool isText(unsigned type) {
    return type == SQL_TEXT || type == SQL_VARYING;
}

// How wide a column of another type gets when Firebird is asked for it as text: room for any
// number, date or time it can print.
constexpr unsigned convertedLength = 64;

// The client library looks the operating-system user up with getpwuid while it attaches, and
// that answer lives in one static buffer: attaches from several threads at once would share it.
// Only the attach waits for another; queries and detaches run side by side.
std::mutex& attachMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

FirebirdConnection FirebirdConnection::attach(const QString& database, const FirebirdLogin& login) {
    const QByteArray where = connectionBytes(database);
    const Utf8Names names;
    Status status;
    Owned<IXpbBuilder> dpb = loginParameters(status, login);
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char* buffer = dpb->getBuffer(&status);
    status.check();
    IAttachment* attachment = nullptr;
    {
        const std::lock_guard lock(attachMutex());
        attachment = dispatcher()->attachDatabase(&status, where.constData(), length, buffer);
    }
    status.check();
    return FirebirdConnection(attachment, isUtf8(login.charset));
}

FirebirdConnection FirebirdConnection::create(const QString& database, const FirebirdLogin& login,
                                              int pageSize) {
    const QByteArray where = connectionBytes(database);
    const Utf8Names names;
    Status status;
    Owned<IXpbBuilder> dpb = loginParameters(status, login);
    dpb->insertInt(&status, isc_dpb_page_size, pageSize);
    if (!login.charset.isEmpty())
        dpb->insertString(&status, isc_dpb_set_db_charset, login.charset.toLatin1().constData());
    dpb->insertInt(&status, isc_dpb_sql_dialect, int(dialect));
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char* buffer = dpb->getBuffer(&status);
    status.check();
    IAttachment* attachment = nullptr;
    {
        const std::lock_guard lock(attachMutex());
        attachment = dispatcher()->createDatabase(&status, where.constData(), length, buffer);
    }
    status.check();
    return FirebirdConnection(attachment, isUtf8(login.charset));
}

FirebirdConnection::FirebirdConnection(IAttachment* attachment, bool utf8)
    : m_attachment(attachment), m_utf8(utf8) {}

FirebirdConnection::FirebirdConnection(FirebirdConnection&& other) noexcept
    : m_attachment(std::exchange(other.m_attachment, nullptr)), m_utf8(other.m_utf8) {}

FirebirdConnection& FirebirdConnection::operator=(FirebirdConnection&& other) noexcept {
    if (this != &other) {
        if (m_attachment)
            Ender()(m_attachment);
        m_attachment = std::exchange(other.m_attachment, nullptr);
        m_utf8 = other.m_utf8;
    }
    return *this;
}

FirebirdConnection::~FirebirdConnection() {
    if (m_attachment)
        Ender()(m_attachment);
}

void FirebirdConnection::close() {
    if (!m_attachment)
        return;
    IAttachment* attachment = std::exchange(m_attachment, nullptr);
    Status status;
    attachment->detach(&status);
    if (status.failed()) {
        // The connection is gone either way; only the reference is left to let go.
        const QString text = status.text();
        attachment->release();
        throw FirebirdError(text);
    }
}

IAttachment* FirebirdConnection::checkedAttachment() const {
    if (!m_attachment)
        throw FirebirdError(QStringLiteral("The Firebird connection is closed"));
    return m_attachment;
}

QByteArray FirebirdConnection::encode(const QString& text) const {
    return m_utf8 ? text.toUtf8() : encodeAnsi(text);
}

QString FirebirdConnection::decode(QByteArrayView bytes) const {
    return m_utf8 ? QString::fromUtf8(bytes) : decodeAnsi(bytes);
}

std::optional<QString> FirebirdConnection::firstText(const QString& sql) {
    IAttachment* attachment = checkedAttachment();
    const QByteArray text = encode(sql);
    Status status;
    // Read-only and read-committed: a query should neither hold a snapshot nor block a writer.
    static const unsigned char readOnly[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                             isc_tpb_rec_version};
    Owned<ITransaction> transaction(
        attachment->startTransaction(&status, sizeof readOnly, readOnly));
    status.check();
    Owned<IStatement> statement(attachment->prepare(&status, transaction.get(), 0, text.constData(),
                                                    dialect,
                                                    IStatement::PREPARE_PREFETCH_METADATA));
    status.check();
    Owned<IMessageMetadata> described(statement->getOutputMetadata(&status));
    status.check();
    const unsigned columns = described->getCount(&status);
    status.check();
    if (columns == 0)
        throw FirebirdError(QStringLiteral("The statement returns no columns: %1").arg(sql));

    // Text columns come as they are; any other first column is asked for as text, and Firebird
    // converts it.
    Owned<IMessageMetadata> output;
    const unsigned type = described->getType(&status, 0) & ~1u;
    status.check();
    if (isText(type)) {
        output = std::move(described);
    } else {
        Owned<IMetadataBuilder> builder(described->getBuilder(&status));
        status.check();
        builder->setType(&status, 0, SQL_VARYING + 1);
        builder->setLength(&status, 0, convertedLength);
        builder->setCharSet(&status, 0, 0);
        status.check();
        output.reset(builder->getMetadata(&status));
        status.check();
    }

    const unsigned messageLength = output->getMessageLength(&status);
    const unsigned offset = output->getOffset(&status, 0);
    const unsigned nullOffset = output->getNullOffset(&status, 0);
    const unsigned columnType = output->getType(&status, 0) & ~1u;
    const unsigned columnLength = output->getLength(&status, 0);
    status.check();

    Owned<IResultSet> rows(
        statement->openCursor(&status, transaction.get(), nullptr, nullptr, output.get(), 0));
    status.check();
    QByteArray message(qsizetype(messageLength), '\0');
    const int fetched = rows->fetchNext(&status, message.data());
    status.check();

    std::optional<QString> result;
    if (fetched == IStatus::RESULT_OK) {
        const char* data = message.constData();
        short isNull = 0;
        std::memcpy(&isNull, data + nullOffset, sizeof isNull);
        if (!isNull) {
            if (columnType == SQL_VARYING) {
                unsigned short length = 0;
                std::memcpy(&length, data + offset, sizeof length);
                result =
                    decode(QByteArrayView(data + offset + sizeof length,
                                          qsizetype(std::min<unsigned>(length, columnLength))));
            } else {
                result = decode(QByteArrayView(data + offset, qsizetype(columnLength)));
            }
        }
    }

    end(rows, [](IResultSet* p, CheckStatusWrapper* s) { p->close(s); });
    end(statement, [](IStatement* p, CheckStatusWrapper* s) { p->free(s); });
    end(transaction, [](ITransaction* p, CheckStatusWrapper* s) { p->commit(s); });
    return result;
}

void FirebirdConnection::execute(const QString& sql) {
    IAttachment* attachment = checkedAttachment();
    const QByteArray text = encode(sql);
    Status status;
    Owned<ITransaction> transaction(attachment->startTransaction(&status, 0, nullptr));
    status.check();
    attachment->execute(&status, transaction.get(), 0, text.constData(), dialect, nullptr, nullptr,
                        nullptr, nullptr);
    status.check();
    end(transaction, [](ITransaction* p, CheckStatusWrapper* s) { p->commit(s); });
}

} // namespace orq::sys
