#include "system/TextEncoding.h"

#include "TestSupport.h"

#include <QtTest>

using namespace orq::sys;

Q_DECLARE_METATYPE(orq::sys::TextEncoding)

namespace {

QString unit(char16_t code) {
    return QString(QChar(code));
}

using orqtest::bytes;

} // namespace

class TextEncodingTest : public QObject {
    Q_OBJECT

private slots:
    // The 0x80-0x9F block is where Windows-1252 parts from Latin-1; each byte is checked against
    // the published code page, both ways, and a few bytes around it.
    void ansiTable_data() {
        QTest::addColumn<QByteArray>("byte");
        QTest::addColumn<QString>("text");
        static const char16_t published[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
        };
        for (int i = 0; i < 32; ++i) {
            const QByteArray row = "0x" + QByteArray::number(0x80 + i, 16).toUpper();
            QTest::newRow(row.constData()) << bytes({uchar(0x80 + i)}) << unit(published[i]);
        }
        QTest::newRow("0x00") << bytes({0x00}) << unit(0x0000);
        QTest::newRow("0x7F") << bytes({0x7F}) << unit(0x007F);
        QTest::newRow("0xA0 no-break space") << bytes({0xA0}) << unit(0x00A0);
        QTest::newRow("0xC7 C cedilla") << bytes({0xC7}) << unit(0x00C7);
        QTest::newRow("0xE3 a tilde") << bytes({0xE3}) << unit(0x00E3);
        QTest::newRow("0xFF") << bytes({0xFF}) << unit(0x00FF);
    }
    void ansiTable() {
        QFETCH(QByteArray, byte);
        QFETCH(QString, text);
        QCOMPARE(decodeAnsi(byte), text);
        QCOMPARE(encodeAnsi(text), byte);
    }

    void ansiUnmappable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("U+0080 has no byte, 0x80 is the euro") << unit(0x0080) << QByteArray("?");
        QTest::newRow("C1 control not among the five") << unit(0x0082) << QByteArray("?");
        QTest::newRow("U+009F") << unit(0x009F) << QByteArray("?");
        QTest::newRow("Latin Extended-A") << unit(0x0100) << QByteArray("?");
        QTest::newRow("Greek omega") << unit(0x03A9) << QByteArray("?");
        QTest::newRow("CJK") << unit(0x4E2D) << QByteArray("?");
        QTest::newRow("replacement character") << unit(0xFFFD) << QByteArray("?");
        QTest::newRow("unpaired high surrogate") << unit(0xD800) << QByteArray("?");
        QTest::newRow("unpaired low surrogate") << unit(0xDC00) << QByteArray("?");
        QTest::newRow("surrogate pair, one ? per unit")
            << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("??");
        QTest::newRow("mixed") << (QStringLiteral("Ação ") + unit(0x20AC) + u'\u03A9' +
                                   QString::fromUtf8("\xF0\x9D\x84\x9E") + u'!')
                               << bytes({'A', 0xE7, 0xE3, 'o', ' ', 0x80, '?', '?', '?', '!'});
    }
    void ansiUnmappable() {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(encodeAnsi(text), expected);
    }

    // Every byte, the five unassigned ones included, must survive a read and a write: the
    // profile writer relies on it to keep bytes it does not understand.
    void ansiRoundTripOfEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = decodeAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(encodeAnsi(text), all);
    }

    void detect_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<qsizetype>("markLength");
        QTest::newRow("empty") << QByteArray() << TextEncoding::Ansi << qsizetype(0);
        QTest::newRow("plain") << QByteArray("abc") << TextEncoding::Ansi << qsizetype(0);
        QTest::newRow("UTF-8") << bytes({0xEF, 0xBB, 0xBF, 'a'}) << TextEncoding::Utf8
                               << qsizetype(3);
        QTest::newRow("UTF-8 mark alone")
            << bytes({0xEF, 0xBB, 0xBF}) << TextEncoding::Utf8 << qsizetype(3);
        QTest::newRow("UTF-8 mark cut short")
            << bytes({0xEF, 0xBB, 'a'}) << TextEncoding::Ansi << qsizetype(0);
        QTest::newRow("UTF-16 LE")
            << bytes({0xFF, 0xFE, 'a', 0}) << TextEncoding::Utf16LE << qsizetype(2);
        QTest::newRow("UTF-16 BE")
            << bytes({0xFE, 0xFF, 0, 'a'}) << TextEncoding::Utf16BE << qsizetype(2);
        QTest::newRow("UTF-8 mark checked before UTF-16")
            << bytes({0xEF, 0xBB, 0xBF, 0xFF, 0xFE}) << TextEncoding::Utf8 << qsizetype(3);
        QTest::newRow("UTF-32 LE mark reads as UTF-16 LE")
            << bytes({0xFF, 0xFE, 0, 0}) << TextEncoding::Utf16LE << qsizetype(2);
        QTest::newRow("mark not at the start")
            << bytes({'a', 0xFF, 0xFE}) << TextEncoding::Ansi << qsizetype(0);
        QTest::newRow("single byte 0xFF") << bytes({0xFF}) << TextEncoding::Ansi << qsizetype(0);
    }
    void detect() {
        QFETCH(QByteArray, input);
        QFETCH(TextEncoding, encoding);
        QFETCH(qsizetype, markLength);
        qsizetype found = -1;
        QCOMPARE(detectEncoding(input, &found), encoding);
        QCOMPARE(found, markLength);
        QCOMPARE(detectEncoding(input), encoding);
        // What is detected is what would be written in front of the text again.
        QCOMPARE(byteOrderMark(encoding), input.first(markLength));
    }

    void convert_data() {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("encoded");
        const QString sample =
            QStringLiteral("Aç") + unit(0x20AC) + QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("UTF-8") << TextEncoding::Utf8 << sample
                               << bytes(
                                      {'A', 0xC3, 0xA7, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80});
        QTest::newRow("UTF-8 keeps a mark inside the text")
            << TextEncoding::Utf8 << (unit(0xFEFF) + u'a') << bytes({0xEF, 0xBB, 0xBF, 'a'});
        QTest::newRow("UTF-16 LE") << TextEncoding::Utf16LE << sample
                                   << bytes({'A', 0, 0xE7, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE});
        QTest::newRow("UTF-16 BE") << TextEncoding::Utf16BE << sample
                                   << bytes({0, 'A', 0, 0xE7, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00});
        QTest::newRow("UTF-16 LE keeps an unpaired surrogate")
            << TextEncoding::Utf16LE << (u'a' + unit(0xDC01)) << bytes({'a', 0, 0x01, 0xDC});
        QTest::newRow("Ansi") << TextEncoding::Ansi << (QStringLiteral("Aç") + unit(0x20AC))
                              << bytes({'A', 0xE7, 0x80});
        QTest::newRow("empty") << TextEncoding::Utf16BE << QString() << QByteArray();
    }
    void convert() {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        QFETCH(QByteArray, encoded);
        QCOMPARE(encodeText(text, encoding), encoded);
        QCOMPARE(decodeText(encoded, encoding), text);
    }

    void decodeDamaged_data() {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 malformed bytes")
            << TextEncoding::Utf8 << bytes({'A', 0xC3, '(', 0xFF, 'B'})
            << (u'A' + unit(0xFFFD) + u'(' + unit(0xFFFD) + u'B');
        QTest::newRow("UTF-16 LE odd byte dropped")
            << TextEncoding::Utf16LE << bytes({'a', 0, 'b'}) << QStringLiteral("a");
        QTest::newRow("UTF-16 BE odd byte dropped")
            << TextEncoding::Utf16BE << bytes({0, 'a', 'b'}) << QStringLiteral("a");
        QTest::newRow("UTF-16 single byte") << TextEncoding::Utf16LE << bytes({'a'}) << QString();
    }
    void decodeDamaged() {
        QFETCH(TextEncoding, encoding);
        QFETCH(QByteArray, input);
        QFETCH(QString, text);
        QCOMPARE(decodeText(input, encoding), text);
    }

    void utf8WritesUnpairedSurrogateAsReplacement() {
        const QString text = u'a' + unit(0xD800) + u'b';
        QCOMPARE(encodeText(text, TextEncoding::Utf8), bytes({'a', 0xEF, 0xBF, 0xBD, 'b'}));
    }
};

QTEST_APPLESS_MAIN(TextEncodingTest)
#include "test_system_text_encoding.moc"
