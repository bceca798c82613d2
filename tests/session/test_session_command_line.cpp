// Reading the command line: options are options, everything else is a root, and "--" lets a
// root begin with a dash.
#include "session/CommandLine.h"

#include <QtTest>

using namespace orq;
using Action = CommandLine::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("roots");

        QTest::newRow("nothing") << QStringList{} << int(Action::Run) << QStringList{};
        QTest::newRow("a Windows root") << QStringList{"c:\\Varnelo\\ORQ_7"} << int(Action::Run)
                                        << QStringList{"c:\\Varnelo\\ORQ_7"};
        QTest::newRow("a server root") << QStringList{"\\\\srv\\c$\\ORQ_7"} << int(Action::Run)
                                       << QStringList{"\\\\srv\\c$\\ORQ_7"};
        QTest::newRow("help") << QStringList{"--help"} << int(Action::Help) << QStringList{};
        QTest::newRow("short help") << QStringList{"-h"} << int(Action::Help) << QStringList{};
        QTest::newRow("version") << QStringList{"--version"} << int(Action::Version)
                                 << QStringList{};
        QTest::newRow("help wins over a root")
            << QStringList{"/srv/orq", "--help"} << int(Action::Help) << QStringList{};
        QTest::newRow("unknown option")
            << QStringList{"--foo"} << int(Action::Error) << QStringList{};
        QTest::newRow("a root after --")
            << QStringList{"--", "--estranha"} << int(Action::Run) << QStringList{"--estranha"};
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, roots);
        const CommandLine line = parseCommandLine(arguments, QStringLiteral("1.2"));
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.roots, roots);
        QCOMPARE(line.exitStatus(), action == int(Action::Error) ? 2 : 0);
    }

    void texts() {
        const CommandLine help = parseCommandLine({"--help"}, QStringLiteral("1.2"));
        QVERIFY2(help.text.startsWith(QStringLiteral("Usage: ORQDados [options] [raiz]\n")),
                 qPrintable(help.text));
        QVERIFY(help.text.contains(QStringLiteral("--version")));
        QCOMPARE(parseCommandLine({"--version"}, QStringLiteral("1.2")).text,
                 QStringLiteral("ORQDados 1.2\n"));
        QCOMPARE(parseCommandLine({"--foo"}, QStringLiteral("1.2")).text,
                 QStringLiteral("ORQDados: Unknown option 'foo'.\nUse ORQDados --help para ver "
                                "as opções.\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_session_command_line.moc"
