#include "system/ErrorDisplay.h"

#include "system/MessageBox.h"

namespace orq {

void showError(const Error& error) {
    if (dynamic_cast<const Abort*>(&error))
        return;
    showErrorText(error.message());
}

void showErrorText(const QString& message) {
    sys::messageBox({displayText(message), applicationTitle(), sys::MessageIcon::Error,
                     sys::MessageButtons::Ok});
}

} // namespace orq
