// Takes the product's place: reads orqcon.ini beside itself, as the product does, and shows
// what it was handed. ORQ7_LOG names a file that gets one line per start (pid, server, database)
// so tests can see that it ran and what it read; ORQ7_EXIT or --exit ends it right after that,
// without a window, so it runs without a display.

#include "launch/ProductIni.h"
#include "system/Paths.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
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

} // namespace

int main(int argc, char** argv) {
    const orq::ProductIni ini;
    const QString server = ini.serverName();
    const QString database = ini.databasePath();
    appendToLog(server, database);
    if (exitAtOnce(argc, argv))
        return 0;

    QApplication app(argc, argv);
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
