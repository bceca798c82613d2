// Takes the product's place: reads orqcon.ini beside itself, as the product does, and shows
// what it was handed. ORQ7_LOG names a file that gets one line per start (pid, server, database)
// so tests can see that it ran and what it read; ORQ7_EXIT or --exit ends it right after that,
// without a window, so it runs without a display.
// ORQ7_AGUARDE_MS=<ms> has it show a top-level window titled exactly "Aguarde..." for that many
// milliseconds and then close it. The order is: the log line first (so a test sees the start at
// once), then the "Aguarde..." window, then the end (with ORQ7_EXIT or --exit) or the main
// window. That window needs a display, even with ORQ7_EXIT; without ORQ7_AGUARDE_MS nothing
// changes.

#include "launch/ProductIni.h"
#include "system/Paths.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>
#include <unistd.h>

namespace {

void appendToLog(const QString& server, const QString& database) {
    const QString logPath = qEnvironmentVariable("ORQ7_LOG");
    if (logPath.isEmpty())
        return;
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    // One write per line, so starts that overlap never interleave their lines.
    const QString line = QStringLiteral("%1\t%2\t%3\n").arg(::getpid()).arg(server, database);
    log.write(line.toUtf8());
    log.close();
}

bool exitAtOnce(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("ORQ7_EXIT"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--exit") == 0)
            return true;
    }
    return false;
}

// How long the "Aguarde..." window stays: no number, or none above zero, shows none.
int waitWindowMilliseconds() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ORQ7_AGUARDE_MS", &ok);
    return ok && ms > 0 ? ms : 0;
}

void showWaitWindow(QApplication& app, int milliseconds) {
    // Closing it is not the end of the program, whatever follows.
    app.setQuitOnLastWindowClosed(false);
    {
        QWidget wait;
        wait.setWindowTitle(QStringLiteral("Aguarde..."));
        auto* layout = new QVBoxLayout(&wait);
        layout->addWidget(new QLabel(QStringLiteral("Aguarde...")));
        wait.show();
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        wait.close();
    }
    app.setQuitOnLastWindowClosed(true);
}

} // namespace

int main(int argc, char** argv) {
    const orq::ProductIni ini;
    const QString server = ini.serverName();
    const QString database = ini.databasePath();
    appendToLog(server, database);
    const bool exitNow = exitAtOnce(argc, argv);
    const int waitMs = waitWindowMilliseconds();
    if (exitNow && waitMs == 0)
        return 0;

    QApplication app(argc, argv);
    if (waitMs > 0)
        showWaitWindow(app, waitMs);
    if (exitNow)
        return 0;
    QWidget window;
    window.setWindowTitle(QStringLiteral("ORQ7"));
    auto* form = new QFormLayout(&window);
    form->addRow(QStringLiteral("Arquivo:"), new QLabel(ini.path()));
    form->addRow(QStringLiteral("Servidor:"), new QLabel(server));
    form->addRow(QStringLiteral("Banco:"), new QLabel(database));
    const bool exists = !database.isEmpty() && QFileInfo(orq::sys::nativePath(database)).isFile();
    form->addRow(QString(), new QLabel(exists ? QStringLiteral("O banco existe.")
                                              : QStringLiteral("O banco não existe.")));
    window.show();
    return app.exec();
}
