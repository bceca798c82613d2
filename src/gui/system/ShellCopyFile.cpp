#include "system/ShellCopyFile.h"

#include "system/Error.h"
#include "system/ErrorDisplay.h"
#include "system/FileSystem.h"
#include "system/WorkerWait.h"

#include <QElapsedTimer>
#include <QLocale>

#include <atomic>
#include <cerrno>

namespace orq::sys {

namespace {

QString fileNameOf(const QString& path) {
    const qsizetype at = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(at + 1);
}

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
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};
    Status status;
    QElapsedTimer clock;
    clock.start();
    const QString name = fileNameOf(target);
    waitForWorker(owner,
                  {QStringLiteral("ShellCopyProgress"), QStringLiteral("Copiar Base"),
                   [&] { return progressText(name, done, total, clock.elapsed()); },
                   [&] {
                       const qint64 all = total;
                       return all > 0 ? int(done * 1000 / all) : 0;
                   },
                   [&] { cancel = true; }},
                  [&] {
                      status =
                          copyFile(source, target, failIfExists, [&](qint64 copied, qint64 size) {
                              done = copied;
                              total = size;
                              return !cancel.load();
                          });
                  });

    if (status.ok())
        return true;
    if (status.error() != ECANCELED)
        showErrorText(QStringLiteral("Não foi possível copiar \"%1\" para \"%2\". %3")
                          .arg(source, target, systemErrorText(status.error())));
    return false;
}

} // namespace orq::sys
