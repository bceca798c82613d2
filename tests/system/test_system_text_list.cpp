#include "system/Error.h"
#include "system/TextList.h"

#include "TestSupport.h"

#include <QtTest>

#include <cerrno>
#include <sys/file.h>

using namespace orq::sys;
using orqtest::errorText;
using orqtest::HeldFile;

Q_DECLARE_METATYPE(orq::sys::TextEncoding)

namespace {

using orqtest::bytes;
using orqtest::leMark;
using orqtest::utf8Mark;

using orqtest::beMark;

QByteArray utf16(const QString& text, bool littleEndian) {
    QByteArray out;
    for (QChar c : text) {
        const char low = char(c.unicode() & 0xFF);
        const char high = char(c.unicode() >> 8);
        out.append(littleEndian ? low : high);
        out.append(littleEndian ? high : low);
    }
    return out;
}

} // namespace

class TextListTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<TextEncoding>("encoding");
        const auto ansi = TextEncoding::Ansi;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"} << ansi;
        QTest::newRow("CR alone") << QByteArray("a\rb\r") << QStringList{"a", "b"} << ansi;
        QTest::newRow("LF alone") << QByteArray("a\nb\n") << QStringList{"a", "b"} << ansi;
        QTest::newRow("mixed terminators")
            << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"} << ansi;
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb") << QStringList{"a", "", "b"} << ansi;
        QTest::newRow("CR CR LF is two breaks")
            << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"} << ansi;
        QTest::newRow("no final terminator")
            << QByteArray("a\r\nlast") << QStringList{"a", "last"} << ansi;
        QTest::newRow("terminator at the end adds no line")
            << QByteArray("only\r\n") << QStringList{"only"} << ansi;
        QTest::newRow("blank line in the middle")
            << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"} << ansi;
        QTest::newRow("blank last line") << QByteArray("a\r\n\r\n") << QStringList{"a", ""} << ansi;
        QTest::newRow("a lone terminator is one empty line")
            << QByteArray("\r\n") << QStringList{""} << ansi;
        QTest::newRow("empty file") << QByteArray() << QStringList() << ansi;
        QTest::newRow("blanks are kept")
            << QByteArray("  a b \t\r\n") << QStringList{"  a b \t"} << ansi;
        QTest::newRow("NUL ends the text")
            << QByteArray("a\r\nb\0c\r\nd", 10) << QStringList{"a", "b"} << ansi;
        QTest::newRow("NUL first") << QByteArray("\0a\r\n", 4) << QStringList() << ansi;
        QTest::newRow("Ansi high bytes") << bytes({'S', 0xE3, 'o', ' ', 0x80, '\r', '\n'})
                                         << QStringList{QString::fromUtf8("São €")} << ansi;
        QTest::newRow("UTF-8") << utf8Mark + QByteArray("S\xC3\xA3o\r\nx")
                               << QStringList{QString::fromUtf8("São"), "x"} << TextEncoding::Utf8;
        QTest::newRow("UTF-8 mark alone") << utf8Mark << QStringList() << TextEncoding::Utf8;
        QTest::newRow("UTF-8 second mark is text")
            << utf8Mark + utf8Mark + "a" << QStringList{QString(QChar(0xFEFF)) + u'a'}
            << TextEncoding::Utf8;
        QTest::newRow("UTF-8 malformed")
            << utf8Mark + bytes({'a', 0xC3, '\r', '\n', 0xFF})
            << QStringList{QString(u'a') + QChar(0xFFFD), QString(QChar(0xFFFD))}
            << TextEncoding::Utf8;
        QTest::newRow("UTF-8 NUL")
            << utf8Mark + QByteArray("a\0b", 3) << QStringList{"a"} << TextEncoding::Utf8;
        QTest::newRow("UTF-16 LE")
            << leMark + utf16(QStringLiteral("a\r\nç€\rb"), true)
            << QStringList{"a", QString::fromUtf8("ç€"), "b"} << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 LE odd byte ignored")
            << leMark + utf16(QStringLiteral("ab"), true) + "\n"
            << QStringList{"ab"} << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 LE NUL unit")
            << leMark + utf16(QStringLiteral("a\r\nb"), true) + QByteArray(2, '\0') +
                   utf16(QStringLiteral("c"), true)
            << QStringList{"a", "b"} << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 LE zero high byte is no NUL")
            << leMark + bytes({0x00, 0x01}) << QStringList{QString(QChar(0x0100))}
            << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 BE") << beMark + utf16(QStringLiteral("a\nb"), false)
                                   << QStringList{"a", "b"} << TextEncoding::Utf16BE;
    }
    void parse() {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, lines);
        QFETCH(TextEncoding, encoding);
        TextList list;
        list.lines = {"left over"};
        list.setFromBytes(input);
        QCOMPARE(list.lines, lines);
        QCOMPARE(list.encoding(), encoding);
        QVERIFY(list.wasLoaded());
    }

    // Where a NUL cut the text: the line it stands in, counted from 1, so a reader can tell a
    // file zero-filled by a crash from a short one.
    void nulLine_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("line");
        QTest::newRow("no NUL") << QByteArray("a\r\nb") << 0;
        QTest::newRow("inside a line") << QByteArray("a\r\nb\0c\r\n", 8) << 2;
        QTest::newRow("right after CR LF") << QByteArray("a\r\n\0\0\0", 6) << 2;
        QTest::newRow("right after CR") << QByteArray("a\r\0", 3) << 2;
        QTest::newRow("first byte") << QByteArray(4096, '\0') << 1;
        QTest::newRow("UTF-16 LE NUL unit")
            << leMark + utf16(QStringLiteral("a\r\nb"), true) + QByteArray(2, '\0') << 2;
        QTest::newRow("UTF-16 LE zero high byte is no NUL") << leMark + bytes({0x00, 0x01}) << 0;
    }
    void nulLine() {
        QFETCH(QByteArray, input);
        QFETCH(int, line);
        TextList list;
        list.setFromBytes(input);
        QCOMPARE(list.nulLine(), qsizetype(line));
        list.setFromBytes("a\r\n");
        QCOMPARE(list.nulLine(), qsizetype(0));
    }

    // The same parse through a real file, under a Windows-form path.
    void loadFromFile() {
        orqtest::FakeWinePrefix prefix;
        orqtest::writeBytes(prefix.driveC() + "/Hosts.txt",
                            utf8Mark + "c:\\Varnelo\\ORQ_7\r\n\r\n\\\\srv01\\c$");
        TextList list;
        list.loadFromFile(QStringLiteral("C:\\Hosts.txt"));
        QCOMPARE(list.lines, (QStringList{"c:\\Varnelo\\ORQ_7", "", "\\\\srv01\\c$"}));
        QCOMPARE(list.encoding(), TextEncoding::Utf8);
    }

    // The mark of the most recent successful load decides how the list is written.
    void saveEncoding_data() {
        QTest::addColumn<QList<QByteArray>>("loads"); // a null entry is a load that fails
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("written");
        const QStringList sample{QStringLiteral("Aç€") + QString::fromUtf8("\xF0\x9F\x98\x80"), ""};
        const QByteArray ansiSample = bytes({'A', 0xE7, 0x80, '?', '?', '\r', '\n', '\r', '\n'});
        QTest::newRow("never loaded: Ansi, no mark") << QList<QByteArray>() << sample << ansiSample;
        QTest::newRow("never loaded, no lines: empty file")
            << QList<QByteArray>() << QStringList() << QByteArray();
        QTest::newRow("loaded without mark") << QList<QByteArray>{"x"} << sample << ansiSample;
        QTest::newRow("UTF-8 mark carried forward")
            << QList<QByteArray>{utf8Mark + "x"} << sample
            << utf8Mark + "A\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80\r\n\r\n";
        QTest::newRow("UTF-8, no lines: the mark alone")
            << QList<QByteArray>{utf8Mark} << QStringList() << utf8Mark;
        QTest::newRow("UTF-16 LE mark carried forward")
            << QList<QByteArray>{leMark} << sample << leMark + utf16(sample[0] + "\r\n\r\n", true);
        QTest::newRow("UTF-16 BE mark carried forward")
            << QList<QByteArray>{beMark} << sample << beMark + utf16(sample[0] + "\r\n\r\n", false);
        QTest::newRow("a later file without mark drops it")
            << QList<QByteArray>{utf8Mark + "x", "y"} << sample << ansiSample;
        QTest::newRow("a later file with another mark replaces it")
            << QList<QByteArray>{utf8Mark, leMark} << QStringList{"a"}
            << leMark + utf16(QStringLiteral("a\r\n"), true);
        QTest::newRow("a failed load keeps the mark")
            << QList<QByteArray>{utf8Mark, QByteArray()} << QStringList{"a"} << utf8Mark + "a\r\n";
    }
    void saveEncoding() {
        QFETCH(QList<QByteArray>, loads);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, written);
        orqtest::TempFolder folder;
        TextList list;
        for (qsizetype i = 0; i < loads.size(); ++i) {
            const QString file = folder.file(QStringLiteral("load%1.txt").arg(i));
            if (loads[i].isNull()) {
                QVERIFY_THROWS_EXCEPTION(orq::Error, list.loadFromFile(file));
                continue;
            }
            orqtest::writeBytes(file, loads[i]);
            list.loadFromFile(file);
        }
        list.lines = lines;
        QCOMPARE(list.toBytes(), written);
        const QString target = folder.file(QStringLiteral("out.txt"));
        list.saveToFile(target);
        QCOMPARE(orqtest::readBytes(target), written);
        QVERIFY(QFileInfo::exists(target));
    }

    // A catalogue written by another tool with a UTF-8 mark: read, extended, written back over
    // itself, it keeps the mark and its text.
    void utf8FileSavedBackWithMark() {
        orqtest::TempFolder folder;
        const QString file = folder.file(QStringLiteral("ORQDados.csv"));
        orqtest::writeBytes(file, utf8Mark + "Ca\xC3\xA7"
                                             "ador,x\r\n");
        TextList list;
        list.loadFromFile(file);
        list.lines.append(QString::fromUtf8("São Paulo"));
        list.saveToFile(file);
        QCOMPARE(orqtest::readBytes(file), utf8Mark + "Ca\xC3\xA7"
                                                      "ador,x\r\nS\xC3\xA3o Paulo\r\n");
    }

    // Saving over a longer file leaves nothing of its tail behind.
    void saveTruncates() {
        orqtest::TempFolder folder;
        const QString file = folder.file(QStringLiteral("ORQDados.csv"));
        orqtest::writeBytes(file, QByteArray(1000, 'x'));
        TextList list;
        list.lines = {"a"};
        list.saveToFile(file);
        QCOMPARE(orqtest::readBytes(file), QByteArray("a\r\n"));
    }

    void loadFailure_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("errnum");
        QTest::newRow("missing file") << "missing file" << ENOENT;
        QTest::newRow("missing folder") << "missing folder" << ENOENT;
        QTest::newRow("parent is a file") << "parent file" << ENOTDIR;
        QTest::newRow("a folder") << "folder" << EISDIR;
        QTest::newRow("held by a writer") << "held" << EWOULDBLOCK;
    }
    void loadFailure() {
        QFETCH(QString, setup);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString c = prefix.driveC();
        const QString native = c + "/ORQ_7/ORQDados.csv";
        QString path = QStringLiteral("c:\\ORQ_7\\ORQDados.csv");
        if (setup != "missing folder")
            orqtest::makeFolder(c + "/ORQ_7");
        if (setup == "parent file") {
            orqtest::writeBytes(c + "/ORQ_7/file", "x");
            path = QStringLiteral("c:\\ORQ_7\\file\\ORQDados.csv");
        } else if (setup == "folder") {
            orqtest::makeFolder(native);
        } else if (setup == "held") {
            orqtest::writeBytes(native, "novo\r\n");
        }
        std::optional<HeldFile> held;
        if (setup == "held")
            held.emplace(native, LOCK_EX);

        TextList list;
        list.setFromBytes(utf8Mark + "antes\r\n");
        try {
            list.loadFromFile(path);
            QFAIL("no error");
        } catch (const orq::Error& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Cannot open file \"%1\". %2").arg(path, errorText(errnum)));
        }
        QCOMPARE(list.lines, QStringList{"antes"});
        QCOMPARE(list.encoding(), TextEncoding::Utf8);
    }

    void saveFailure_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("errnum");
        QTest::newRow("missing folder") << "none" << ENOENT;
        QTest::newRow("parent is a file") << "parent file" << ENOTDIR;
        QTest::newRow("a folder") << "folder" << EISDIR;
        QTest::newRow("held by a reader") << "held" << EWOULDBLOCK;
        QTest::newRow("read-only folder") << "read-only" << EACCES;
    }
    void saveFailure() {
        QFETCH(QString, setup);
        QFETCH(int, errnum);
        orqtest::FakeWinePrefix prefix;
        const QString c = prefix.driveC();
        const QString native = c + "/ORQ_7/ORQDados.csv";
        QString path = QStringLiteral("c:\\ORQ_7\\ORQDados.csv");
        if (setup == "none") {
            path = QStringLiteral("c:\\Falta\\ORQDados.csv");
        } else if (setup == "parent file") {
            orqtest::writeBytes(c + "/ORQ_7", "x");
        } else if (setup == "folder") {
            orqtest::makeFolder(native);
        } else {
            orqtest::makeFolder(c + "/ORQ_7");
            if (setup == "held")
                orqtest::writeBytes(native, "antes\r\n");
        }
        std::optional<HeldFile> held;
        if (setup == "held")
            held.emplace(native, LOCK_SH);
        if (setup == "read-only") {
            QVERIFY(QFile::setPermissions(prefix.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                             QFile::ExeOwner | QFile::ReadOther |
                                                             QFile::ExeOther));
            QVERIFY(QFile::setPermissions(c + "/ORQ_7", QFile::ReadOwner | QFile::ExeOwner |
                                                            QFile::ReadOther | QFile::ExeOther));
        }

        TextList list;
        list.lines = {"depois"};
        {
            std::optional<orqtest::Unprivileged> unprivileged;
            if (setup == "read-only" && !unprivileged.emplace().ok())
                QSKIP("cannot drop root privileges here");
            try {
                list.saveToFile(path);
                QFAIL("no error");
            } catch (const orq::Error& error) {
                QCOMPARE(
                    error.message(),
                    QStringLiteral("Cannot create file \"%1\". %2").arg(path, errorText(errnum)));
            }
        }
        if (setup == "held") // a file someone else holds is not even emptied
            QCOMPARE(orqtest::readBytes(native), QByteArray("antes\r\n"));
        if (setup == "read-only")
            QVERIFY(!QFileInfo::exists(native));
    }
};

QTEST_APPLESS_MAIN(TextListTest)
#include "test_system_text_list.moc"
