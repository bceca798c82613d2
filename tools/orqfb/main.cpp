// Makes real Firebird bases through the private server (scripts/firebird.sh), and reads from
// them:
//   orqfb make-root [--server HOST/PORT] ROOT NAME=UF [NAME=UF1,UF2 | NAME= | NAME=- ...]
//   orqfb query [--server HOST/PORT] DATABASE_FILE SQL
// make-root prints one line per base: its database file, a tab, what its table holds.
// query prints the first column of the first row, or "(nothing)" for no row or NULL.

#include "MakeRoot.h"

#include <QStringList>

#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: orqfb make-root [--server HOST/PORT] ROOT NAME=UF [NAME=UF1,UF2 | NAME= | "
               "NAME=- ...]\n"
               "       orqfb query [--server HOST/PORT] DATABASE_FILE SQL\n",
               stderr);
    return 2;
}

void printLine(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();

    orqfb::ServerOptions options;
    if (args.size() >= 2 && args[0] == QLatin1String("--server")) {
        options.server = args[1];
        args.remove(0, 2);
    }
    try {
        if (command == QLatin1String("make-root") && args.size() >= 2) {
            const QString root = args.takeFirst();
            orqfb::makeRoot(root, args, options, printLine);
            return 0;
        }
        if (command == QLatin1String("query") && args.size() == 2) {
            auto connection = orq::sys::FirebirdConnection::attach(
                orqfb::connectionString(options, args[0]), options.login);
            const std::optional<QString> text = connection.firstText(args[1]);
            connection.close();
            printLine(text.value_or(QStringLiteral("(nothing)")));
            return 0;
        }
    } catch (const orq::Error& error) {
        const QByteArray bytes = ("orqfb: " + error.message()).toLocal8Bit() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        return 1;
    }
    return usage();
}
