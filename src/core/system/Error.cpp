#include "system/Error.h"

namespace orq {

Error::Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

Error Error::cannotCreateFile(const QString& path, int errnum) {
    return Error(
        QStringLiteral("Cannot create file \"%1\". %2").arg(path, systemErrorText(errnum)));
}

Error Error::cannotOpenFile(const QString& path, int errnum) {
    return Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, systemErrorText(errnum)));
}

Error Error::listIndexOutOfBounds(qsizetype index) {
    return Error(QStringLiteral("List index out of bounds (%1)").arg(index));
}

Error Error::invalidDate(const QString& text) {
    return Error(QStringLiteral("''%1'' is not a valid date").arg(text));
}

Error Error::invalidInteger(const QString& text) {
    return Error(QStringLiteral("''%1'' is not a valid integer value").arg(text));
}

Error Error::unableToWrite(const QString& path) {
    return Error(QStringLiteral("Unable to write to %1").arg(path));
}

QString displayText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace orq
