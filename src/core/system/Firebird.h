#pragma once

#include "system/Error.h"

#include <QString>

#include <optional>

namespace Firebird {
class IAttachment;
} // namespace Firebird

namespace orq::sys {

// Who connects and in which character set the texts travel. The product's databases are
// WIN1252; that is also what the product's own connections ask for.
struct FirebirdLogin {
    QString user;
    QString password;
    QString charset = QStringLiteral("WIN1252");
};

// What the server or the client library said, word for word as Firebird formats a status
// (IUtil::formatStatus): its lines joined with "\n", e.g.
//   Unable to complete network request to host "localhost".
//   -Failed to establish a connection.
class FirebirdError : public orq::Error {
public:
    using Error::Error;
};

// One attachment to one database through the client library (fbclient). Each thread keeps its
// own: an object is not to be used by two threads at once, but any number of them may work side
// by side. Every object the library hands out (attachment, transaction, statement, result set)
// is let go on every path, a throwing one included.
class FirebirdConnection {
public:
    // The database as the server takes it: "localhost/3055:/abs/path/ORQ.FDB". A path without a
    // host would open the file in this process with the embedded engine, so it is refused.
    static FirebirdConnection attach(const QString& database, const FirebirdLogin& login);

    // Creates a database through the server and stays attached to it. Its default character
    // set is the login's.
    static FirebirdConnection create(const QString& database, const FirebirdLogin& login,
                                     int pageSize = 4096);

    FirebirdConnection(FirebirdConnection&& other) noexcept;
    FirebirdConnection& operator=(FirebirdConnection&& other) noexcept;
    FirebirdConnection(const FirebirdConnection&) = delete;
    FirebirdConnection& operator=(const FirebirdConnection&) = delete;
    // Detaches; a failure here (the server gone meanwhile) is swallowed, use close() to see it.
    ~FirebirdConnection();

    // The first column of the first row, as text. Text columns arrive in the connection's
    // character set and are read with the same table the rest of the program uses (WIN1252:
    // decodeAnsi; UTF8: UTF-8); a CHAR keeps its blank padding. Other columns are converted to
    // text by Firebird. No row, or NULL, gives nothing.
    std::optional<QString> firstText(const QString& sql);

    // Runs a statement without results (DDL, DML) in a transaction of its own and commits it.
    void execute(const QString& sql);

    // Detaches now and reports a failure; afterwards the object is empty and the destructor does
    // nothing. Calling it on an empty object does nothing.
    void close();

    bool isOpen() const { return m_attachment != nullptr; }

private:
    FirebirdConnection(Firebird::IAttachment* attachment, bool utf8);
    QByteArray encode(const QString& text) const;
    QString decode(QByteArrayView bytes) const;
    Firebird::IAttachment* checkedAttachment() const;

    Firebird::IAttachment* m_attachment = nullptr;
    bool m_utf8 = false;
};

} // namespace orq::sys
