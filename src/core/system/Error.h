#pragma once

#include <QString>
#include <exception>

namespace orq {

// The program reports every failure as an exception that carries the exact text the user sees.
// Handlers let it go; the central display (see ErrorDisplay in the GUI) shows it.
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
