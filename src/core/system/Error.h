#pragma once

// How the platform layer reports what went wrong, in three ways, each for one kind of outcome:
// - Error (below), thrown, where a failure stops what the user asked for and is shown to them:
//   a file that cannot be created or opened, an ini file that cannot be written. It carries the
//   exact text the user reads.
// - std::optional, where absence is an ordinary answer and not a failure: the entry of a file
//   that is not there, a program found nowhere, an ini key the file lacks.
// - sys::Status (system/Status.h), returned, where an operation can fail for a reason its caller
//   decides about: a folder that cannot be listed, a program that cannot be started. It holds
//   the errno, so the caller may show the system's text, retry or go on.

#include <QString>
#include <exception>

namespace orq {

// Handlers let an Error go; the central display (see ErrorDisplay in the GUI) shows it.
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // The runtime's standard texts, kept in one place so every caller words them alike.
    static Error cannotCreateFile(const QString& path, int errnum);
    static Error cannotOpenFile(const QString& path, int errnum);
    static Error listIndexOutOfBounds(qsizetype index);
    static Error invalidDate(const QString& text);
    static Error invalidInteger(const QString& text);
    static Error unableToWrite(const QString& path);

private:
    QString m_message;
    QByteArray m_utf8;
};

// A silent abort: unwinds a handler without anything being shown.
class Abort : public Error {
public:
    Abort() : Error(QStringLiteral("Operation aborted")) {}
};

// The text the error display shows: a full stop is appended when the last character's code is
// above that of the full stop itself, so messages ending in a letter, a digit or a path separator
// get one and messages ending in ")", ".", a quote or a blank do not.
QString displayText(const QString& message);

// The operating system's description of an error number.
QString systemErrorText(int errnum);

} // namespace orq
