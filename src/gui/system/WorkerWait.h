#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace orq::sys {

// What a window shows while it waits for a worker thread.
struct WorkerWaitDialog {
    QString objectName;
    QString title;
    // Called on the main thread at every tick: the text to show.
    std::function<QString()> label;
    // Called on the main thread at every tick: thousandths done, or -1 while the total is not
    // known (the bar then only shows that work goes on).
    std::function<int()> permille;
    // The user pressed "Cancelar": ask the work to end soon. The wait goes on until it has.
    std::function<void()> cancel;
};

// Runs work on a worker thread and returns once it has ended, rethrowing what it threw. The
// window keeps repainting meanwhile but takes no input; when the work lasts longer than about
// half a second, a progress dialog owned by the window appears (modal to it) with "Cancelar".
void waitForWorker(QWidget* owner, const WorkerWaitDialog& dialog,
                   const std::function<void()>& work);

} // namespace orq::sys
