#include "system/WorkerWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace orq::sys {

namespace {

// Work shorter than this shows no dialog at all: a flash of a window is worse than none.
constexpr int kQuietMilliseconds = 500;
constexpr int kTickMilliseconds = 100;

} // namespace

void waitForWorker(QWidget* owner, const WorkerWaitDialog& texts,
                   const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::exception_ptr thrown;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        finished.store(true, std::memory_order_release);
    });

    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kTickMilliseconds);
    std::unique_ptr<QProgressDialog> dialog;
    bool cancelled = false;
    const auto show = [&] {
        const int permille = texts.permille ? texts.permille() : -1;
        if (permille < 0) {
            dialog->setRange(0, 0);
        } else {
            dialog->setRange(0, 1000);
            dialog->setValue(permille);
        }
        if (!cancelled && texts.label)
            dialog->setLabelText(texts.label());
    };
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (finished.load(std::memory_order_acquire)) {
            loop.quit();
            return;
        }
        if (!dialog && clock.elapsed() >= kQuietMilliseconds) {
            // Until now the window took no input; from here the modal dialog keeps it out.
            loop.quit();
            return;
        }
        if (dialog)
            show();
    });
    tick.start();
    // The first moments: the window repaints, but no click or key can start another command.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished.load(std::memory_order_acquire)) {
        dialog = std::make_unique<QProgressDialog>(owner);
        dialog->setObjectName(texts.objectName);
        dialog->setWindowTitle(texts.title);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setCancelButtonText(QStringLiteral("Cancelar"));
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        QObject::connect(dialog.get(), &QProgressDialog::canceled, &loop, [&] {
            cancelled = true;
            if (texts.cancel)
                texts.cancel();
            dialog->setLabelText(QStringLiteral("Cancelando..."));
        });
        show();
        dialog->show();
        loop.exec();
    }
    worker.join();
    dialog.reset();
    if (thrown)
        std::rethrow_exception(thrown);
}

} // namespace orq::sys
