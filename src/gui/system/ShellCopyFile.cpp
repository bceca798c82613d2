#include "system/ShellCopyFile.h"

#include "system/Error.h"
#include "system/ErrorDisplay.h"
#include "system/FileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>

namespace orq::sys {

namespace {

// A copy shorter than this shows no dialog at all: a flash of a window is worse than none.
constexpr int kQuietMilliseconds = 500;
constexpr int kTickMilliseconds = 100;

QString fileNameOf(const QString& path) {
    const qsizetype at = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(at + 1);
}

struct CopyState {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    Status status;
};

QString progressText(const QString& name, qint64 done, qint64 total, qint64 elapsedMs) {
    const QLocale locale;
    QString text = QStringLiteral("Copiando \"%1\"\n%2 de %3")
                       .arg(name, locale.formattedDataSize(done), locale.formattedDataSize(total));
    if (elapsedMs > 0)
        text += QStringLiteral(" (%1/s)").arg(locale.formattedDataSize(done * 1000 / elapsedMs));
    return text;
}

} // namespace

bool ShellCopyFile(QWidget* owner, const QString& source, const QString& target,
                   bool failIfExists) {
    auto state = std::make_shared<CopyState>();
    std::thread worker([state, source, target, failIfExists] {
        state->status = copyFile(source, target, failIfExists, [&](qint64 done, qint64 total) {
            state->done = done;
            state->total = total;
            return !state->cancel.load();
        });
        state->finished = true;
    });

    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kTickMilliseconds);
    std::unique_ptr<QProgressDialog> dialog;
    const QString name = fileNameOf(target);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (state->finished) {
            loop.quit();
            return;
        }
        if (!dialog && clock.elapsed() >= kQuietMilliseconds) {
            // Until now the window took no input; from here the modal dialog keeps it out.
            loop.quit();
            return;
        }
        if (dialog) {
            const qint64 total = state->total;
            dialog->setValue(total > 0 ? int(state->done * 1000 / total) : 0);
            dialog->setLabelText(progressText(name, state->done, total, clock.elapsed()));
        }
    });
    tick.start();
    // The first moments: the window repaints, but no click or key can start another command.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!state->finished) {
        dialog = std::make_unique<QProgressDialog>(owner);
        dialog->setObjectName(QStringLiteral("ShellCopyProgress"));
        dialog->setWindowTitle(QStringLiteral("Copiar Base"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setRange(0, 1000);
        dialog->setMinimumDuration(0);
        dialog->setCancelButtonText(QStringLiteral("Cancelar"));
        dialog->setLabelText(progressText(name, state->done, state->total, clock.elapsed()));
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        QObject::connect(dialog.get(), &QProgressDialog::canceled, &loop, [&] {
            state->cancel = true;
            dialog->setLabelText(QStringLiteral("Cancelando..."));
        });
        dialog->show();
        loop.exec();
    }
    worker.join();
    dialog.reset();

    if (state->status.ok())
        return true;
    if (state->status.error() != ECANCELED)
        showErrorText(QStringLiteral("Não foi possível copiar \"%1\" para \"%2\". %3")
                          .arg(source, target, systemErrorText(state->status.error())));
    return false;
}

} // namespace orq::sys
