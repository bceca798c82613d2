// The wait of a window for a worker thread (scans, copies): the quiet first moments, the
// progress dialog with "Cancelar" after them, and errors handed back to the waiting side.
#include "system/Error.h"
#include "system/WorkerWait.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace orq;

class WorkerWaitTest : public QObject {
    Q_OBJECT

private slots:
    void shortWorkShowsNoDialog();
    void longWorkShowsProgressAndCanBeCancelled();
    void errorOfTheWorkReachesTheWaitingSide();
};

void WorkerWaitTest::shortWorkShowsNoDialog() {
    QWidget window;
    window.show();
    bool dialogSeen = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout,
            [&] { dialogSeen |= window.findChild<QProgressDialog*>() != nullptr; });
    watch.start(10);
    bool ran = false;

    sys::waitForWorker(&window,
                       {QStringLiteral("Progress"), QStringLiteral("Atualizar"), {}, {}, {}}, [&] {
                           std::this_thread::sleep_for(std::chrono::milliseconds(50));
                           ran = true;
                       });

    QVERIFY(ran);
    QVERIFY(!dialogSeen);
}

void WorkerWaitTest::longWorkShowsProgressAndCanBeCancelled() {
    QWidget window;
    window.show();
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
    QString labelSeen;
    bool busyBar = false;
    // Once the dialog is there, read it and press its "Cancelar".
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = window.findChild<QProgressDialog*>(QStringLiteral("Progress"));
        if (!dialog || !dialog->isVisible() || done < 3)
            return;
        watch.stop();
        labelSeen = dialog->findChild<QLabel*>()->text();
        busyBar = dialog->maximum() == 0;
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    });
    watch.start(20);
    // The work only ends when asked to, or after a minute should the dialog never come.
    const auto work = [&] {
        for (int i = 0; i < 6000 && !cancel; ++i) {
            ++done;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };

    sys::waitForWorker(&window,
                       {QStringLiteral("Progress"), QStringLiteral("Atualizar"),
                        [&] { return QStringLiteral("%1 pastas lidas").arg(done.load()); },
                        [] { return -1; }, [&] { cancel = true; }},
                       work);

    QVERIFY(cancel);
    QVERIFY2(labelSeen.endsWith(QStringLiteral(" pastas lidas")), qPrintable(labelSeen));
    QVERIFY(busyBar);
    QCOMPARE(window.findChild<QProgressDialog*>(), nullptr);
}

void WorkerWaitTest::errorOfTheWorkReachesTheWaitingSide() {
    QWidget window;
    QString caught;
    try {
        sys::waitForWorker(&window, {},
                           [] { throw Error(QStringLiteral("Cannot open file \"x\"")); });
    } catch (const Error& error) {
        caught = error.message();
    }
    QCOMPARE(caught, QStringLiteral("Cannot open file \"x\""));
}

QTEST_MAIN(WorkerWaitTest)
#include "test_app_worker_wait.moc"
