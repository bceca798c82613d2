#include "session/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace orq {

CommandLine parseCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lista as bases de uma raiz do ORQ, grava a escolhida em orqcon.ini e "
                       "inicia o ORQ7.exe."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda e sai."));
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Mostra a versão e sai."));
    parser.addOption(help);
    parser.addOption(showVersion);
    parser.addPositionalArgument(
        QStringLiteral("raiz"),
        QStringLiteral(
            "A raiz a abrir, como c:\\Varnelo\\ORQ_7, \\\\servidor\\c$\\ORQ_7 ou "
            "/srv/orq/ORQ_7. Sem ela: a primeira raiz conhecida, ou c:\\Varnelo\\ORQ_7."),
        QStringLiteral("[raiz]"));

    CommandLine result;
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("ORQDados")} + arguments)) {
        result.action = CommandLine::Action::Error;
        result.text = QStringLiteral("ORQDados: %1\nUse ORQDados --help para ver as opções.\n")
                          .arg(parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        // The parser names the running file, or a placeholder before the application object
        // exists; the program's name is what the user types.
        result.text = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                                QStringLiteral("Usage: ORQDados"));
        return result;
    }
    if (parser.isSet(showVersion)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("ORQDados %1\n").arg(version);
        return result;
    }
    result.roots = parser.positionalArguments();
    return result;
}

} // namespace orq
