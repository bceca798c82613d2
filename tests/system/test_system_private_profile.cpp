#include "system/Error.h"
#include "system/PrivateProfile.h"

#include "TestSupport.h"

#include <QDir>
#include <QtTest>

#include <sys/file.h>

using namespace orq::sys;

namespace {

using orqtest::bytes;
using orqtest::folderNames;
using orqtest::leMark;
using orqtest::utf8Mark;

// A UTF-16 LE profile: the mark, then the text.
QByteArray utf16File(const QString& text) {
    QByteArray out = leMark;
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray everyByte() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    return all;
}

// A connection file as the product leaves it: a comment, blank lines, spacing around "=",
// a trailing comment on a value and a section the program never touches.
const QByteArray productFile = "; orqcon.ini\r\n"
                               "[SERVIDOR]\r\n"
                               "NOME=localhost\r\n"
                               "\r\n"
                               "[ORQ]\r\n"
                               "CAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB\r\n"
                               "USUARIO = SYSDBA ; padrao\r\n"
                               "\r\n"
                               "[OUTRA]\r\n"
                               "X=1\r\n";

const QString iniPath = QStringLiteral("c:\\ORQ_7\\orqcon.ini");

} // namespace

class PrivateProfileTest : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // null: nothing read

        QTest::newRow("stored path") << productFile << "ORQ"
                                     << "CAMINHO"
                                     << "C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB";
        QTest::newRow("other section") << productFile << "SERVIDOR"
                                       << "NOME"
                                       << "localhost";
        QTest::newRow("blanks around value, comment kept") << productFile << "ORQ"
                                                           << "USUARIO"
                                                           << "SYSDBA ; padrao";
        QTest::newRow("no file") << QByteArray() << "ORQ"
                                 << "CAMINHO" << QString();
        QTest::newRow("empty file") << QByteArray("") << "ORQ"
                                    << "CAMINHO" << QString();
        QTest::newRow("no such section") << productFile << "NADA"
                                         << "CAMINHO" << QString();
        QTest::newRow("key of another section") << productFile << "SERVIDOR"
                                                << "CAMINHO" << QString();
        QTest::newRow("names ignore case") << QByteArray("[orq]\r\ncaminho=x\r\n") << "ORQ"
                                           << "CAMINHO"
                                           << "x";
        QTest::newRow("Latin names ignore case")
            << QByteArray("[Se\xE7\xE3o]\r\nOp\xE7\xE3o=1\r\n") << QString::fromUtf8("SEÇÃO")
            << QString::fromUtf8("OPÇÃO") << "1";
        QTest::newRow("blanks around names and value")
            << QByteArray("  [ORQ]  \r\n\t CAMINHO \t=  a  b \t\r\n") << "ORQ"
            << "CAMINHO"
            << "a  b";
        QTest::newRow("blank inside a key name") << QByteArray("[S]\r\nMY KEY = 1\r\n") << "S"
                                                 << "MY KEY"
                                                 << "1";
        QTest::newRow("double quotes dropped")
            << QByteArray("[S]\r\nK=\"C:\\Program Files\\ORQ\"\r\n") << "S"
            << "K"
            << "C:\\Program Files\\ORQ";
        QTest::newRow("single quotes dropped") << QByteArray("[S]\r\nK='x'\r\n") << "S"
                                               << "K"
                                               << "x";
        QTest::newRow("quoted blanks kept") << QByteArray("[S]\r\nK=  \" a \"  \r\n") << "S"
                                            << "K"
                                            << " a ";
        QTest::newRow("one pair only") << QByteArray("[S]\r\nK=\"\"x\"\"\r\n") << "S"
                                       << "K"
                                       << "\"x\"";
        QTest::newRow("mismatched quotes kept") << QByteArray("[S]\r\nK=\"x'\r\n") << "S"
                                                << "K"
                                                << "\"x'";
        QTest::newRow("lone quote kept") << QByteArray("[S]\r\nK=\"\r\n") << "S"
                                         << "K"
                                         << "\"";
        QTest::newRow("quote inside kept") << QByteArray("[S]\r\nK=C:\\\"a\"\\b\r\n") << "S"
                                           << "K"
                                           << "C:\\\"a\"\\b";
        QTest::newRow("equals in value") << QByteArray("[S]\r\nK=a=b=\r\n") << "S"
                                         << "K"
                                         << "a=b=";
        QTest::newRow("percent and backslashes")
            << QByteArray("[S]\r\nK=\\\\srv01\\c$\\ORQ_DADOS\\%s\\ORQ.FDB\r\n") << "S"
            << "K"
            << "\\\\srv01\\c$\\ORQ_DADOS\\%s\\ORQ.FDB";
        QTest::newRow("comment line is no key") << QByteArray("[S]\r\n;K=1\r\n") << "S"
                                                << "K" << QString();
        QTest::newRow("key after a commented one") << QByteArray("[S]\r\n; K=1\r\nK=2\r\n") << "S"
                                                   << "K"
                                                   << "2";
        QTest::newRow("key before any section") << QByteArray("K=1\r\n[S]\r\nJ=2\r\n") << "S"
                                                << "K" << QString();
        QTest::newRow("line without equals is no key") << QByteArray("[S]\r\nK\r\nK =\r\n") << "S"
                                                       << "K"
                                                       << "";
        QTest::newRow("duplicate key: the first") << QByteArray("[S]\r\nK=1\r\nk=2\r\n") << "S"
                                                  << "K"
                                                  << "1";
        QTest::newRow("duplicate section: the first")
            << QByteArray("[S]\r\nK=1\r\n[T]\r\n[s]\r\nK=2\r\nJ=3\r\n") << "S"
            << "K"
            << "1";
        QTest::newRow("duplicate section: the second is not searched")
            << QByteArray("[S]\r\nK=1\r\n[T]\r\n[S]\r\nJ=3\r\n") << "S"
            << "J" << QString();
        QTest::newRow("empty section before the key's")
            << QByteArray("[A]\r\n[B]\r\nK=1\r\n") << "A"
            << "K" << QString();
        QTest::newRow("LF-only lines") << QByteArray("[S]\nK=v\n[T]\nK=w\n") << "T"
                                       << "K"
                                       << "w";
        QTest::newRow("no final line break") << QByteArray("[S]\r\nK=v") << "S"
                                             << "K"
                                             << "v";
        QTest::newRow("Windows-1252 text") << QByteArray("[S]\r\nK=S\xE3o Paulo \x80\r\n") << "S"
                                           << "K" << QString::fromUtf8("São Paulo €");
        QTest::newRow("UTF-16 LE") << utf16File(QString::fromUtf8("[Seção]\r\nK= Ω ç \r\n"))
                                   << QString::fromUtf8("SEÇÃO") << "K" << QString::fromUtf8("Ω ç");
        QTest::newRow("UTF-8 mark is Windows-1252 text")
            << utf8Mark + "; x\r\n[S]\r\nK=\xC3\xA7\r\n"
            << "S"
            << "K" << QString::fromUtf8("Ã§");
        QString digits;
        for (int i = 0; i < 300; ++i)
            digits += QString::number(i % 10);
        QTest::newRow("long value cut to 2047")
            << QByteArray("[S]\r\nK=" + digits.repeated(10).toLatin1() + "\r\n") << "S"
            << "K" << digits.repeated(10).left(2047);
        QTest::newRow("2047 characters whole")
            << QByteArray("[S]\r\nK=" + digits.repeated(10).left(2047).toLatin1()) << "S"
            << "K" << digits.repeated(10).left(2047);
    }
    void read() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        orqtest::FakeWinePrefix prefix;
        orqtest::makeFolder(prefix.driveC() + "/ORQ_7");
        if (!content.isNull())
            orqtest::writeBytes(prefix.driveC() + "/ORQ_7/orqcon.ini", content);
        const auto wanted = expected.isNull() ? std::nullopt : std::optional(expected);
        QCOMPARE(PrivateProfile::read(iniPath, section, key), wanted);
    }

    // The whole file is compared after the write: only the key's own line (or the lines
    // added for it) may differ.
    void write_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QString path = QStringLiteral("C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE2\\ORQ.FDB");
        QTest::newRow("new file")
            << QByteArray() << "ORQ"
            << "CAMINHO" << path
            << QByteArray("[ORQ]\r\nCAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE2\\ORQ.FDB\r\n");
        QTest::newRow("empty file") << QByteArray("") << "SERVIDOR"
                                    << "NOME"
                                    << "srv01" << QByteArray("[SERVIDOR]\r\nNOME=srv01\r\n");
        QByteArray replaced = productFile;
        replaced.replace("BASE1", "BASE2");
        QTest::newRow("replace in place") << productFile << "ORQ"
                                          << "CAMINHO" << path << replaced;
        QTest::newRow("replace in the first section")
            << productFile << "SERVIDOR"
            << "NOME"
            << "" << [] {
                   QByteArray b = productFile;
                   return b.replace("NOME=localhost", "NOME=");
               }();
        QTest::newRow("new key after the section's last line, before its blank lines")
            << productFile << "orq"
            << "SENHA"
            << "x" << [] {
                   QByteArray b = productFile;
                   return b.replace("padrao\r\n", "padrao\r\nSENHA=x\r\n");
               }();
        QTest::newRow("new section at the end") << productFile << "NOVA"
                                                << "K"
                                                << "v" << productFile + "[NOVA]\r\nK=v\r\n";
        QTest::newRow("names keep the file's spelling")
            << QByteArray("[orq]\r\ncaminho=x\r\n") << "ORQ"
            << "CAMINHO"
            << "y" << QByteArray("[orq]\r\ncaminho=y\r\n");
        QTest::newRow("the key's line loses its blanks") << QByteArray("[S]\r\n  K = 1\r\n") << "S"
                                                         << "K"
                                                         << "2" << QByteArray("[S]\r\nK=2\r\n");
        QTest::newRow("the same value leaves the line alone")
            << QByteArray("[S]\r\n  K = 1 \r\n") << "S"
            << "K"
            << "1" << QByteArray("[S]\r\n  K = 1 \r\n");
        QTest::newRow("section header alone, no final break")
            << QByteArray("[S]") << "S"
            << "K"
            << "1" << QByteArray("[S]\r\nK=1\r\n");
        QTest::newRow("new key after a last line without break")
            << QByteArray("[S]\r\nK=1") << "S"
            << "J"
            << "2" << QByteArray("[S]\r\nK=1\r\nJ=2\r\n");
        QTest::newRow("new section after a last line without break")
            << QByteArray("[S]\r\nK=1") << "T"
            << "J"
            << "2" << QByteArray("[S]\r\nK=1\r\n[T]\r\nJ=2\r\n");
        QTest::newRow("new section after blank lines")
            << QByteArray("[S]\r\nK=1\r\n\r\n") << "T"
            << "J"
            << "2" << QByteArray("[S]\r\nK=1\r\n\r\n[T]\r\nJ=2\r\n");
        QTest::newRow("LF-only file, replace") << QByteArray("[S]\nK=1\n\n[T]\nJ=2\n") << "S"
                                               << "K"
                                               << "3" << QByteArray("[S]\nK=3\n\n[T]\nJ=2\n");
        QTest::newRow("LF-only file, new key")
            << QByteArray("[S]\nK=1\n\n[T]\nJ=2\n") << "S"
            << "N"
            << "3" << QByteArray("[S]\nK=1\nN=3\r\n\n[T]\nJ=2\n");
        QTest::newRow("LF-only file, new section") << QByteArray("[S]\nK=1\n") << "U"
                                                   << "N"
                                                   << "3" << QByteArray("[S]\nK=1\n[U]\r\nN=3\r\n");
        QTest::newRow("keys before any section are not the section's")
            << QByteArray("K=1\r\n") << "S"
            << "K"
            << "2" << QByteArray("K=1\r\n[S]\r\nK=2\r\n");
        QTest::newRow("duplicate key: the first is written")
            << QByteArray("[S]\r\nK=1\r\nK=2\r\n") << "S"
            << "K"
            << "3" << QByteArray("[S]\r\nK=3\r\nK=2\r\n");
        QTest::newRow("duplicate section: the first gets the new key")
            << QByteArray("[S]\r\nK=1\r\n[T]\r\n[S]\r\nN=2\r\n") << "S"
            << "N"
            << "5" << QByteArray("[S]\r\nK=1\r\nN=5\r\n[T]\r\n[S]\r\nN=2\r\n");
        QTest::newRow("comment at the section's end stays above the new key")
            << QByteArray("[S]\r\nK=1\r\n; fim\r\n\r\n[T]\r\n") << "S"
            << "N"
            << "2" << QByteArray("[S]\r\nK=1\r\n; fim\r\nN=2\r\n\r\n[T]\r\n");
        QTest::newRow("commented key is left alone") << QByteArray("[S]\r\n;K=1\r\n") << "S"
                                                     << "K"
                                                     << "2" << QByteArray("[S]\r\n;K=1\r\nK=2\r\n");
        QTest::newRow("line without equals is left alone")
            << QByteArray("[S]\r\nK\r\n") << "S"
            << "K"
            << "1" << QByteArray("[S]\r\nK\r\nK=1\r\n");
        QTest::newRow("value stored as given")
            << QByteArray("[S]\r\nK=1\r\n") << "S"
            << "K"
            << "\\\\srv\\c$\\100%\\\"q\" a=b;c"
            << QByteArray("[S]\r\nK=\\\\srv\\c$\\100%\\\"q\" a=b;c\r\n");
        QTest::newRow("Windows-1252: a missing character becomes ?")
            << QByteArray("[S]\r\nK=1\r\n") << "S"
            << "K" << QString::fromUtf8("Ωç€") + QString::fromUtf8("\xF0\x9F\x98\x80")
            << QByteArray("[S]\r\nK=?\xE7\x80??\r\n");
        QTest::newRow("UTF-8 mark and other bytes kept as they are")
            << utf8Mark + "; x\r\n[S]\r\nK=1\r\n"
            << "S"
            << "K" << QString::fromUtf8("ç") << utf8Mark + "; x\r\n[S]\r\nK=\xE7\r\n";
        const QByteArray stray = "[A]\r\nlixo=" + everyByte() + "\r\n[B]\r\nK=1\r\n";
        QTest::newRow("stray bytes, replace") << stray << "B"
                                              << "K"
                                              << "2" << [&] {
                                                     QByteArray b = stray;
                                                     return b.replace("K=1", "K=2");
                                                 }();
        QTest::newRow("stray bytes, new key in their section")
            << stray << "A"
            << "K"
            << "2" << [&] {
                   QByteArray b = stray;
                   return b.replace("\r\n[B]", "\r\nK=2\r\n[B]");
               }();
        QTest::newRow("stray bytes at the end, new section")
            << "[A]\r\n" + everyByte() << "B"
            << "K"
            << "1"
            << "[A]\r\n" + everyByte() + "\r\n[B]\r\nK=1\r\n";
        QTest::newRow("UTF-16 LE, replace")
            << utf16File("[S]\r\nK=1\r\nJ=2\r\n") << "s"
            << "k" << QString::fromUtf8("Ω😀")
            << utf16File(QString::fromUtf8("[S]\r\nK=Ω😀\r\nJ=2\r\n"));
        QTest::newRow("UTF-16 LE, new key")
            << utf16File("[S]\r\nK=1") << "S"
            << "J" << QString::fromUtf8("ç")
            << utf16File(QString::fromUtf8("[S]\r\nK=1\r\nJ=ç\r\n"));
        QTest::newRow("UTF-16 LE, new section")
            << utf16File("[S]\r\nK=1\r\n") << QString::fromUtf8("Seção") << "J"
            << "2" << utf16File(QString::fromUtf8("[S]\r\nK=1\r\n[Seção]\r\nJ=2\r\n"));
        QTest::newRow("UTF-16 LE, the mark alone") << leMark << "S"
                                                   << "K"
                                                   << "v" << utf16File("[S]\r\nK=v\r\n");
    }
    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_7";
        orqtest::makeFolder(folder);
        if (!before.isNull())
            orqtest::writeBytes(folder + "/orqcon.ini", before);
        PrivateProfile::write(iniPath, section, key, value);
        QCOMPARE(orqtest::readBytes(folder + "/orqcon.ini"), after);
        QCOMPARE(folderNames(folder), QStringList{"orqcon.ini"});
    }

    // Paths as the program stores them go in and come back out unchanged, and the rest of the
    // file stays as it was.
    void roundTrip_data() {
        QTest::addColumn<bool>("utf16");
        QTest::addColumn<QString>("value");
        const QStringList values{
            QStringLiteral("C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB"),
            QStringLiteral("\\BASE1\\ORQ.FDB"),
            QStringLiteral("srv01:C:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB"),
            QStringLiteral("srv/3050:C:\\dados\\ORQ_DADOS\\BASE1\\ORQ.FDB"),
            QStringLiteral("\\\\srv01\\c$\\Varnelo\\ORQ_7\\ORQ_DADOS\\%s\\ORQ.FDB"),
            QStringLiteral("C:\\Program Files (x86)\\ORQ 7\\ORQ.FDB"),
            QStringLiteral("C:\\dados\\100%\\a=b;c\\ORQ.FDB"),
            QStringLiteral("C:\\dados\\\"aspas\"\\'x'\\ORQ.FDB"),
            QString::fromUtf8("C:\\Ação\\São Paulo\\ORQ.FDB"),
            QStringLiteral("C:\\ORQ_7\\\\ORQ_DADOS\\ORQ.FDB"),
            QStringLiteral("localhost"),
            QString(),
        };
        for (bool utf16 : {false, true}) {
            for (const QString& value : values) {
                const QString row =
                    (utf16 ? QStringLiteral("UTF-16 ") : QStringLiteral("Ansi ")) + value;
                QTest::newRow(qPrintable(row)) << utf16 << value;
            }
        }
    }
    void roundTrip() {
        QFETCH(bool, utf16);
        QFETCH(QString, value);
        orqtest::FakeWinePrefix prefix;
        const QString native = prefix.driveC() + "/ORQ_7/orqcon.ini";
        orqtest::makeFolder(prefix.driveC() + "/ORQ_7");
        const QString original = QString::fromLatin1(productFile);
        const auto encoded = [&](const QString& text) {
            return utf16 ? utf16File(text) : text.toLatin1();
        };
        orqtest::writeBytes(native, encoded(original));

        PrivateProfile::write(iniPath, "ORQ", "CAMINHO", value);
        QCOMPARE(PrivateProfile::read(iniPath, "ORQ", "CAMINHO"), std::optional(value));
        QString expected = original;
        expected.replace("CAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\BASE1\\ORQ.FDB",
                         "CAMINHO=" + value);
        QCOMPARE(orqtest::readBytes(native), encoded(expected));
    }

    void longValueReadBackCut() {
        orqtest::FakeWinePrefix prefix;
        orqtest::makeFolder(prefix.driveC() + "/ORQ_7");
        QString value;
        for (int i = 0; i < 3000; ++i)
            value += QChar(u'a' + i % 26);
        PrivateProfile::write(iniPath, "ORQ", "CAMINHO", value);
        QCOMPARE(PrivateProfile::read(iniPath, "ORQ", "CAMINHO"), std::optional(value.left(2047)));
        QVERIFY(
            orqtest::readBytes(prefix.driveC() + "/ORQ_7/orqcon.ini").contains(value.toLatin1()));
    }

    void writeFailure_data() {
        QTest::addColumn<QString>("setup");
        QTest::newRow("missing folder") << "missing folder";
        QTest::newRow("parent is a file") << "parent file";
        QTest::newRow("the file is a folder") << "ini folder";
        QTest::newRow("read-only folder") << "read-only folder";
        QTest::newRow("read-only file") << "read-only file";
        QTest::newRow("held by another program") << "held";
    }
    void writeFailure() {
        QFETCH(QString, setup);
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_7";
        const QString native = folder + "/orqcon.ini";
        constexpr auto readable = QFile::ReadOwner | QFile::ReadOther;
        constexpr auto searchable = QFile::ExeOwner | QFile::ExeOther;
        if (setup == "parent file") {
            orqtest::writeBytes(folder, productFile);
        } else if (setup != "missing folder") {
            orqtest::makeFolder(folder);
            if (setup == "ini folder")
                orqtest::makeFolder(native);
            else
                orqtest::writeBytes(native, productFile);
        }
        const bool dropPrivileges = setup.startsWith("read-only");
        if (dropPrivileges) {
            QVERIFY(
                QFile::setPermissions(prefix.path(), readable | QFile::WriteOwner | searchable));
            const auto folderWrite = setup == "read-only folder"
                                         ? QFile::Permissions()
                                         : QFile::WriteOwner | QFile::WriteOther;
            QVERIFY(QFile::setPermissions(folder, readable | searchable | folderWrite));
            // In the read-only folder the file itself stays writable, so only a write that
            // bypasses the temporary file could get through.
            const auto fileWrite = setup == "read-only file"
                                       ? QFile::Permissions()
                                       : QFile::WriteOwner | QFile::WriteOther;
            QVERIFY(QFile::setPermissions(native, readable | fileWrite));
        }
        const QStringList namesBefore = folderNames(folder);

        {
            std::optional<orqtest::Unprivileged> unprivileged;
            std::optional<orqtest::HeldFile> held;
            if (dropPrivileges && !unprivileged.emplace().ok())
                QSKIP("cannot drop root privileges here");
            if (setup == "held")
                held.emplace(native, LOCK_SH);
            try {
                PrivateProfile::write(iniPath, "ORQ", "CAMINHO", "C:\\novo\\ORQ.FDB");
                QFAIL("no error");
            } catch (const orq::Error& error) {
                QCOMPARE(error.message(), "Unable to write to " + iniPath);
            }
        }
        if (setup == "parent file")
            QCOMPARE(orqtest::readBytes(folder), productFile);
        else if (setup != "ini folder" && setup != "missing folder")
            QCOMPARE(orqtest::readBytes(native), productFile);
        QCOMPARE(folderNames(folder), namesBefore);
        QCOMPARE(folderNames(prefix.driveC()),
                 setup == "missing folder" ? QStringList() : QStringList{"ORQ_7"});
        if (dropPrivileges) // so the scratch folder can go
            QVERIFY(QFile::setPermissions(folder, readable | searchable | QFile::WriteOwner));
    }

    // A write killed midway leaves the old file whole, and whatever it left beside it is gone
    // once the next write is done.
    void killedWriteLeavesTheOldFile() {
        orqtest::FakeWinePrefix prefix;
        const QString folder = prefix.driveC() + "/ORQ_7";
        orqtest::makeFolder(folder);
        orqtest::writeBytes(folder + "/orqcon.ini", productFile);
        const QString longPath = "C:\\" + QString(8000, u'x') + "\\ORQ.FDB";
        QVERIFY(orqtest::killedBySizeLimit(
            [&] { PrivateProfile::write(iniPath, "ORQ", "CAMINHO", longPath); }, 4096));
        QCOMPARE(orqtest::readBytes(folder + "/orqcon.ini"), productFile);
        PrivateProfile::write(iniPath, "SERVIDOR", "NOME", "srv01");
        QCOMPARE(PrivateProfile::read(iniPath, "SERVIDOR", "NOME"),
                 std::optional(QStringLiteral("srv01")));
        QCOMPARE(folderNames(folder), QStringList{"orqcon.ini"});
    }

    void keepsPermissions() {
        orqtest::FakeWinePrefix prefix;
        const QString native = prefix.driveC() + "/orqcon.ini";
        orqtest::writeBytes(native, productFile);
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(native, mode));
        PrivateProfile::write("c:\\orqcon.ini", "ORQ", "CAMINHO", "x");
        // The User bits describe the one who asks; owner, group and others are the file's.
        const auto fileBits = ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(QFile::permissions(native) & fileBits, mode);
    }

    // The file is replaced, not rewritten in place: a reader that opened it before the write
    // still reads the old content whole.
    void replacesTheFileWhole() {
        orqtest::FakeWinePrefix prefix;
        const QString native = prefix.driveC() + "/orqcon.ini";
        const QByteArray old = productFile + QByteArray(100000, ';') + "\r\n";
        orqtest::writeBytes(native, old);
        QFile reader(native);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        PrivateProfile::write("c:\\orqcon.ini", "ORQ", "CAMINHO", "x");
        QCOMPARE(reader.readAll(), old);
        QCOMPARE(PrivateProfile::read("c:\\orqcon.ini", "ORQ", "CAMINHO"),
                 std::optional(QStringLiteral("x")));
    }
};

QTEST_APPLESS_MAIN(PrivateProfileTest)
#include "test_system_private_profile.moc"
