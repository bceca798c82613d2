// The Firebird client wrapper against the private server scripts/test.sh starts
// (scripts/firebird.sh, 127.0.0.1:3055, user XUQORQ), on real databases made by tools/orqfb.

#include "system/Firebird.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <arpa/inet.h>
#include <clocale>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using orq::sys::FirebirdConnection;
using orq::sys::FirebirdError;
using orq::sys::FirebirdLogin;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString server = QStringLiteral("localhost/3055");
const QString firstState = QStringLiteral("select first 1 uf from empresa order by codigo");

FirebirdLogin product() {
    return {QStringLiteral("XUQORQ"), QStringLiteral("quh")};
}

// Whether anything accepts a TCP connection on the loopback address at that port.
bool listening(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return open;
}

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}

// The twenty bases the threads read, each with a state of its own.
const QStringList parallelStates = {
    QStringLiteral("AC"), QStringLiteral("AL"), QStringLiteral("AM"), QStringLiteral("AP"),
    QStringLiteral("BA"), QStringLiteral("CE"), QStringLiteral("DF"), QStringLiteral("ES"),
    QStringLiteral("GO"), QStringLiteral("MA"), QStringLiteral("MG"), QStringLiteral("MS"),
    QStringLiteral("MT"), QStringLiteral("PA"), QStringLiteral("PB"), QStringLiteral("PE"),
    QStringLiteral("PI"), QStringLiteral("PR"), QStringLiteral("RJ"), QStringLiteral("RN")};

} // namespace

class FirebirdTest : public QObject {
    Q_OBJECT

    orqtest::TempFolder m_root;

    QString file(const QString& base) const {
        return m_root.file(QStringLiteral("ORQ_DADOS/%1/ORQ.FDB").arg(base));
    }
    QString database(const QString& base) const { return server + u':' + file(base); }

    // Runs the generator the way a developer does; its output is one line per base.
    QByteArray orqfb(const QStringList& arguments, int* exitCode) {
        QProcess process;
        process.setProgram(qEnvironmentVariable("ORQ_TEST_BIN") + QStringLiteral("/orqfb"));
        process.setArguments(arguments);
        process.start();
        if (!process.waitForFinished(60000))
            qFatal("orqfb did not finish");
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return process.readAllStandardOutput() + process.readAllStandardError();
    }

private slots:
    void initTestCase() {
        // As a program started with LANG=C (CI, a service) runs: the client library must still
        // reach files whose names hold accents. Before the first attach, which fixes its choice.
        std::setlocale(LC_ALL, "C");
        QVERIFY2(listening(3055), "No Firebird server on 127.0.0.1:3055. scripts/test.sh starts "
                                  "one; by hand: bash scripts/firebird.sh start /tmp/orq-firebird");
        QStringList arguments = {
            QStringLiteral("make-root"),   m_root.path(),
            QStringLiteral("SP=SP"),       QStringLiteral("Vazia="),
            QStringLiteral("SemTabela=-"), QStringLiteral("Varias=RJ,SP,BA"),
            QStringLiteral("Curta=S"),     QStringLiteral("Nula=XX"),
            QStringLiteral("Texto="),      QStringLiteral("Padaria São João=PE")};
        for (qsizetype i = 0; i < parallelStates.size(); ++i)
            arguments << QStringLiteral("P%1=%2").arg(i).arg(parallelStates[i]);
        int exitCode = 0;
        const QByteArray output = orqfb(arguments, &exitCode);
        QVERIFY2(exitCode == 0, output.constData());
        QCOMPARE(output.count('\n'), arguments.size() - 2);

        // What the generator cannot say: a NULL state, and a lowest codigo inserted last.
        FirebirdConnection nula = FirebirdConnection::attach(database("Nula"), product());
        nula.execute(QStringLiteral("update empresa set uf = null"));
        FirebirdConnection varias = FirebirdConnection::attach(database("Varias"), product());
        varias.execute(QStringLiteral("insert into empresa (codigo, uf) values (0, 'MG')"));
        FirebirdConnection texto = FirebirdConnection::attach(database("Texto"), product());
        texto.execute(QStringLiteral("create table t (v varchar(40))"));
    }

    // A generated root holds what the product's scan expects and nothing else.
    void generatedRoot() {
        QCOMPARE(orqtest::folderNames(m_root.path()), QStringList{QStringLiteral("ORQ_DADOS")});
        QCOMPARE(orqtest::folderNames(m_root.file(QStringLiteral("ORQ_DADOS/SP"))),
                 (QStringList{QStringLiteral("ORQ.FDB"), QStringLiteral("SYSTEM.DAT")}));
        QCOMPARE(QFileInfo(m_root.file(QStringLiteral("ORQ_DADOS/SP/SYSTEM.DAT"))).size(), 0);

        // An existing base is refused whole and left as it was.
        const QByteArray before = orqtest::readBytes(file("SP"));
        int exitCode = 0;
        const QByteArray output = orqfb({QStringLiteral("make-root"), m_root.path(),
                                         QStringLiteral("Nova=RS"), QStringLiteral("SP=AM")},
                                        &exitCode);
        QCOMPARE(exitCode, 1);
        QVERIFY2(output.contains("exists already"), output.constData());
        QVERIFY(!QFileInfo::exists(file("Nova")));
        QCOMPARE(orqtest::readBytes(file("SP")), before);
    }

    void firstText_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<std::optional<QString>>("expected");
        const auto text = [](const char* s) {
            return std::optional<QString>(QString::fromUtf8(s));
        };
        QTest::newRow("one row") << "SP" << firstState << text("SP");
        QTest::newRow("no row") << "Vazia" << firstState << std::optional<QString>();
        QTest::newRow("NULL") << "Nula" << firstState << std::optional<QString>();
        QTest::newRow("lowest codigo, inserted last") << "Varias" << firstState << text("MG");
        QTest::newRow("CHAR keeps its padding") << "Curta" << firstState << text("S ");
        QTest::newRow("accented folder name") << "Padaria São João" << firstState << text("PE");
        QTest::newRow("integer, converted by the server")
            << "Varias"
            << "select max(codigo) from empresa" << text("3");
        QTest::newRow("only the first column counts")
            << "Varias"
            << "select uf, codigo from empresa where codigo = 2" << text("SP");
    }
    void firstText() {
        QFETCH(QString, base);
        QFETCH(QString, sql);
        QFETCH(std::optional<QString>, expected);
        FirebirdConnection connection = FirebirdConnection::attach(database(base), product());
        QCOMPARE(connection.firstText(sql), expected);
        connection.close();
        QVERIFY(!connection.isOpen());
    }

    // Texts go in and come out through the program's own Windows-1252 table, and a WIN1252
    // column stores one byte per character; a UTF8 connection reads the same column the same.
    void accentedRoundTrip_data() {
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("secondByte");
        const auto u = [](const char* s) { return QString::fromUtf8(s); };
        QTest::newRow("WIN1252 São") << "WIN1252" << u("São") << u("São") << "3"
                                     << "227";
        QTest::newRow("WIN1252 euro, 0x80") << "WIN1252" << u("€ Ação") << u("€ Ação") << "6"
                                            << "32";
        QTest::newRow("WIN1252 outside the code page") << "WIN1252" << u("Ωx") << u("?x") << "2"
                                                       << "120";
        QTest::newRow("UTF8 São") << "UTF8" << u("São") << u("São") << "3"
                                  << "227";
        QTest::newRow("UTF8 Açougue Três Irmãos")
            << "UTF8" << u("Açougue Três Irmãos") << u("Açougue Três Irmãos") << "19"
            << "231";
    }
    void accentedRoundTrip() {
        QFETCH(QString, charset);
        QFETCH(QString, written);
        QFETCH(QString, read);
        QFETCH(QString, bytes);
        QFETCH(QString, secondByte);
        FirebirdLogin login = product();
        login.charset = charset;
        FirebirdConnection connection = FirebirdConnection::attach(database("Texto"), login);
        connection.execute(QStringLiteral("delete from t"));
        connection.execute(QStringLiteral("insert into t (v) values ('%1')").arg(written));
        QCOMPARE(connection.firstText(QStringLiteral("select v from t")), read);
        // Counted and read in the column's own character set, on the server.
        QCOMPARE(connection.firstText(QStringLiteral("select octet_length(v) from t")), bytes);
        QCOMPARE(connection.firstText(QStringLiteral("select ascii_val(substring(v from 2 for 1)) "
                                                     "from t")),
                 secondByte);
    }

    // The texts are Firebird's own, as the user will read them.
    void errors_data() {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        const QString login = QStringLiteral("Your user name and password are not defined. Ask "
                                             "your database administrator to set up a Firebird "
                                             "login.");
        QTest::newRow("wrong password") << database("SP") << "XUQORQ"
                                        << "QUH"
                                        << "" << login;
        QTest::newRow("unknown user") << database("SP") << "NINGUEM"
                                      << "quh"
                                      << "" << login;
        QTest::newRow("the system server's administrator") << database("SP") << "SYSDBA"
                                                           << "masterkey"
                                                           << "" << login;
        const QString missing = file("Nenhuma");
        QTest::newRow("database file missing")
            << server + u':' + missing << "XUQORQ"
            << "quh"
            << ""
            << "I/O error during \"open\" operation for file \"" + missing +
                   "\"\n-Error while trying to open file\n-No such file or directory";
        const QString accented = file("Não Há");
        QTest::newRow("missing, accented name")
            << server + u':' + accented << "XUQORQ"
            << "quh"
            << ""
            << "I/O error during \"open\" operation for file \"" + accented +
                   "\"\n-Error while trying to open file\n-No such file or directory";
        const QString notDatabase = m_root.file(QStringLiteral("ORQ_DADOS/SP/SYSTEM.DAT"));
        QTest::newRow("not a database") << server + u':' + notDatabase << "XUQORQ"
                                        << "quh"
                                        << ""
                                        << "I/O error during \"read\" operation for file \"" +
                                               notDatabase + "\"\n-File size is less than expected";
        QTest::newRow("table missing")
            << database("SemTabela") << "XUQORQ"
            << "quh" << firstState
            << "Dynamic SQL Error\n-SQL error code = -204\n-Table unknown\n-EMPRESA\n-At line 1, "
               "column 24";
        QTest::newRow("no host: would open the file in this process")
            << file("SP") << "XUQORQ"
            << "quh"
            << ""
            << "No server named for the database \"" + file("SP") + "\"";
        QTest::newRow("server not running")
            << "localhost/3056:" + file("SP") << "XUQORQ"
            << "quh"
            << ""
            << "Unable to complete network request to host \"localhost\".\n-Failed to establish "
               "a connection.";
    }
    void errors() {
        QFETCH(QString, database);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        if (database.startsWith(QLatin1String("localhost/3056:")) && listening(3056))
            QSKIP("something listens on 127.0.0.1:3056; this case needs a port nothing uses");
        try {
            FirebirdConnection connection =
                FirebirdConnection::attach(database, {user, password, QStringLiteral("WIN1252")});
            if (!sql.isEmpty())
                connection.firstText(sql);
            QFAIL("no error");
        } catch (const FirebirdError& error) {
            QCOMPARE(error.message(), message);
        }
    }

    // A failed statement leaves the connection as it was; one that ran leaves nothing behind.
    void failuresLeaveTheConnectionUsable() {
        FirebirdConnection connection = FirebirdConnection::attach(database("Varias"), product());
        QVERIFY_THROWS_EXCEPTION(FirebirdError, connection.firstText(QStringLiteral("select")));
        QVERIFY_THROWS_EXCEPTION(FirebirdError,
                                 connection.execute(QStringLiteral("insert into nada values (1)")));
        // A conversion error during the fetch itself: the cursor was open when it failed.
        QVERIFY_THROWS_EXCEPTION(FirebirdError, connection.firstText(QStringLiteral(
                                                    "select cast(uf as integer) from empresa")));
        QCOMPARE(connection.firstText(firstState), QStringLiteral("MG"));
        // Every transaction of those was ended: only the query's own one is running now.
        QCOMPARE(connection.firstText(QStringLiteral(
                     "select count(*) from mon$transactions t join mon$attachments a on "
                     "a.mon$attachment_id = t.mon$attachment_id where a.mon$attachment_id = "
                     "current_connection")),
                 QStringLiteral("1"));
    }

    void closeAndMove() {
        FirebirdConnection first = FirebirdConnection::attach(database("SP"), product());
        FirebirdConnection second = std::move(first);
        QVERIFY(!first.isOpen());
        QCOMPARE(second.firstText(firstState), QStringLiteral("SP"));
        second.close();
        second.close();
        try {
            second.firstText(firstState);
            QFAIL("no error");
        } catch (const FirebirdError& error) {
            QCOMPARE(error.message(), QStringLiteral("The Firebird connection is closed"));
        }
        // Assigning over an open connection detaches it.
        FirebirdConnection third = FirebirdConnection::attach(database("SP"), product());
        third = FirebirdConnection::attach(database("Vazia"), product());
        QCOMPARE(third.firstText(firstState), std::optional<QString>());
    }

    // Twenty threads, each with its own connection to its own database, all at once.
    void threadsEachWithTheirOwnConnection() {
        const qsizetype count = parallelStates.size();
        std::vector<QString> read(static_cast<size_t>(count));
        std::vector<std::thread> threads;
        for (qsizetype i = 0; i < count; ++i) {
            threads.emplace_back([&, i] {
                try {
                    FirebirdConnection connection = FirebirdConnection::attach(
                        database(QStringLiteral("P%1").arg(i)), product());
                    read[size_t(i)] = connection.firstText(firstState).value_or("(nothing)");
                    connection.close();
                } catch (const orq::Error& error) {
                    read[size_t(i)] = error.message();
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (qsizetype i = 0; i < count; ++i)
            QCOMPARE(read[size_t(i)], parallelStates[i]);
    }

    // Attachments, statements and transactions are given back on every path: many rounds leave
    // no attachment on the server and no descriptor in this process.
    void nothingIsLeftBehind() {
        FirebirdConnection observer = FirebirdConnection::attach(database("SP"), product());
        const QString attachmentsOfTheUser =
            QStringLiteral("select count(*) from mon$attachments where mon$system_flag = 0 and "
                           "mon$user = current_user");
        QCOMPARE(observer.firstText(attachmentsOfTheUser), QStringLiteral("1"));
        const int descriptors = openDescriptors();
        for (int round = 0; round < 200; ++round) {
            FirebirdConnection connection = FirebirdConnection::attach(database("SP"), product());
            QCOMPARE(connection.firstText(firstState), QStringLiteral("SP"));
            if (round % 2 == 0)
                connection.close(); // else the destructor detaches
        }
        for (int round = 0; round < 50; ++round) {
            // Thrown out of a query, and out of an attach.
            FirebirdConnection connection =
                FirebirdConnection::attach(database("SemTabela"), product());
            QVERIFY_THROWS_EXCEPTION(FirebirdError, connection.firstText(firstState));
            QVERIFY_THROWS_EXCEPTION(FirebirdError,
                                     FirebirdConnection::attach(database("Nenhuma"), product()));
        }
        QCOMPARE(observer.firstText(attachmentsOfTheUser), QStringLiteral("1"));
        QCOMPARE(openDescriptors(), descriptors);
    }
};

QTEST_GUILESS_MAIN(FirebirdTest)
#include "test_system_firebird.moc"
