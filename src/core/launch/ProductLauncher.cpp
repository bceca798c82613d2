#include "launch/ProductLauncher.h"

#include "system/Error.h"
#include "system/Paths.h"
#include "system/Process.h"

#include <cerrno>

namespace orq {

std::optional<QString> launchProduct(const QString& program) {
    return launchProduct(program, sys::programFolder());
}

std::optional<QString> launchProduct(const QString& program, const QString& firstFolder) {
    int error = ENOENT;
    if (const std::optional<QString> found = sys::findProgram(program, firstFolder)) {
        const sys::Status started = sys::startDetached(*found);
        if (started.ok())
            return std::nullopt;
        error = started.error();
    }
    return trimSystemMessage(systemErrorText(error));
}

QString trimSystemMessage(const QString& message) {
    qsizetype length = message.size();
    while (length > 0 && (message[length - 1].unicode() <= 32 || message[length - 1] == u'.'))
        --length;
    return message.left(length);
}

} // namespace orq
