#pragma once

#include "system/Error.h"

#include <utility>

namespace orq {

// The application title: caption of the main window and of every error box.
inline const QString& applicationTitle() {
    static const QString title = QStringLiteral("ORQDados");
    return title;
}

// The one place errors reach the user: the message with the full-stop rule applied, titled with
// the application title, with the error icon and an OK button. An Abort is never shown.
void showError(const Error& error);
void showErrorText(const QString& message);

// Runs a handler and shows what it throws. Qt does not let exceptions cross its event loop,
// so every slot that can fail goes through here. Returns false when the handler failed.
template <class F> bool guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const Abort&) {
        return false;
    } catch (const Error& error) {
        showError(error);
        return false;
    }
}

} // namespace orq
