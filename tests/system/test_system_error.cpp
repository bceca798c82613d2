#include "system/Error.h"

#include "TestSupport.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

class ErrorTest : public QObject {
    Q_OBJECT

private slots:
    // A full stop goes after any last character whose code is above that of the full stop (46).
    void displayText_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "abc"
                                << "abc.";
        QTest::newRow("closing parenthesis") << "List index out of bounds (2)"
                                             << "List index out of bounds (2)";
        QTest::newRow("full stop") << "x."
                                   << "x.";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("double quote, code 34") << "Cannot open \"x\""
                                               << "Cannot open \"x\"";
        QTest::newRow("single quote, code 39") << "''x''"
                                               << "''x''";
        QTest::newRow("hyphen, code 45") << "a-"
                                         << "a-";
        QTest::newRow("slash, code 47") << "a/"
                                        << "a/.";
        QTest::newRow("digit") << "erro 5"
                               << "erro 5.";
        QTest::newRow("colon") << "Erro:"
                               << "Erro:.";
        QTest::newRow("backslash") << "c:\\"
                                   << "c:\\.";
        QTest::newRow("accented letter")
            << QString::fromUtf8("Atenção") << QString::fromUtf8("Atenção.");
        QTest::newRow("path") << "Unable to write to C:\\ORQ_7\\orqcon.ini"
                              << "Unable to write to C:\\ORQ_7\\orqcon.ini.";
        QTest::newRow("blank") << "abc "
                               << "abc ";
        QTest::newRow("line break") << "abc\n"
                                    << "abc\n";
    }
    void displayText() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(orq::displayText(message), shown);
    }

    // The texts users see and support staff search for; they must stay word for word.
    void messages_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        const QString path = QStringLiteral("c:\\Varnelo\\ORQ_7\\ORQDados.csv");
        QTest::newRow("cannot create")
            << orq::Error::cannotCreateFile(path, EACCES).message()
            << "Cannot create file \"c:\\Varnelo\\ORQ_7\\ORQDados.csv\". Permission denied";
        QTest::newRow("cannot open")
            << orq::Error::cannotOpenFile(path, ENOENT).message()
            << "Cannot open file \"c:\\Varnelo\\ORQ_7\\ORQDados.csv\". No such file or directory";
        QTest::newRow("path with a percent sign")
            << orq::Error::cannotOpenFile("c:\\100%1\\x", ENOENT).message()
            << "Cannot open file \"c:\\100%1\\x\". No such file or directory";
        QTest::newRow("list index")
            << orq::Error::listIndexOutOfBounds(2).message() << "List index out of bounds (2)";
        QTest::newRow("date") << orq::Error::invalidDate("31/02/2013").message()
                              << "''31/02/2013'' is not a valid date";
        QTest::newRow("integer") << orq::Error::invalidInteger("1,5").message()
                                 << "''1,5'' is not a valid integer value";
        QTest::newRow("profile") << orq::Error::unableToWrite("c:\\ORQ_7\\orqcon.ini").message()
                                 << "Unable to write to c:\\ORQ_7\\orqcon.ini";
    }
    void messages() {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(message, expected);
    }

    void whatIsUtf8() {
        const orq::Error error(QString::fromUtf8("Não foi possível"));
        QCOMPARE(QByteArray(error.what()), QByteArray("N\xC3\xA3o foi poss\xC3\xADvel"));
    }

    void systemErrorText_data() {
        QTest::addColumn<int>("errnum");
        for (int e : {ENOENT, EACCES, ENOTDIR, EISDIR, EWOULDBLOCK, ENOSPC, 0, 9999})
            QTest::newRow(qPrintable(QString::number(e))) << e;
    }
    void systemErrorText() {
        QFETCH(int, errnum);
        QCOMPARE(orq::systemErrorText(errnum), orqtest::errorText(errnum));
        QVERIFY(!orq::systemErrorText(errnum).isEmpty());
    }
};

QTEST_APPLESS_MAIN(ErrorTest)
#include "test_system_error.moc"
