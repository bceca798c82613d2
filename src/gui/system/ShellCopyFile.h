#pragma once

#include <QString>

class QWidget;

namespace orq::sys {

// Copies one file the way the desktop's file manager would: a progress dialog owned by the
// given window (file name, bytes done of the total, rate, Cancel) appears when the copy takes
// longer than about half a second, and a failure is shown with the system's text for it.
// The copy itself runs on a worker thread at disk speed and lands whole or not at all (see
// copyFile); the window repaints meanwhile but takes no input. Returns false when the copy was
// cancelled or failed.
bool ShellCopyFile(QWidget* owner, const QString& source, const QString& target, bool failIfExists);

} // namespace orq::sys
