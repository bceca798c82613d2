#include "system/DelimitedText.h"

#include "catalogue/CatalogueLine.h"

#include <QtTest>

namespace {

// The same text with commas and backslashes exchanged: whatever one delimiter does to a text,
// the other must do to its mirror image.
QString mirrored(QString text) {
    for (QChar& c : text) {
        if (c == u',')
            c = u'\\';
        else if (c == u'\\')
            c = u',';
    }
    return text;
}

QStringList mirrored(const QStringList& items) {
    QStringList out;
    for (const QString& item : items)
        out.append(mirrored(item));
    return out;
}

} // namespace

class DelimitedTextTest : public QObject {
    Q_OBJECT

private slots:
    void splits_data();
    void splits();
};

// Written for a backslash delimiter, as share roots are split; each row goes through the
// comma split of the catalogue lines too, mirrored.
void DelimitedTextTest::splits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("quoteLeftOpen");

    QTest::newRow("empty") << "" << QStringList{} << false;
    QTest::newRow("only blanks") << " \t\r\n" << QStringList{} << false;
    QTest::newRow("plain") << R"(a\b\c)" << QStringList{"a", "b", "c"} << false;
    QTest::newRow("empty items between delimiters")
        << R"(\\a)" << QStringList{"", "", "a"} << false;
    QTest::newRow("delimiter at the end adds an empty item")
        << R"(a\)" << QStringList{"a", ""} << false;
    QTest::newRow("delimiter alone") << R"(\)" << QStringList{"", ""} << false;
    QTest::newRow("blank splits too") << "a b\tc" << QStringList{"a", "b", "c"} << false;
    QTest::newRow("control characters split") << QStringLiteral("a\x01"
                                                                "b\x1f"
                                                                "c")
                                              << QStringList{"a", "b", "c"} << false;
    QTest::newRow("no-break space and DEL do not split")
        << QStringLiteral("a\u00A0b\x7f"
                          "c")
        << QStringList{QStringLiteral("a\u00A0b\x7f"
                                      "c")}
        << false;
    QTest::newRow("blanks around a delimiter") << "a  \\  b" << QStringList{"a", "b"} << false;
    QTest::newRow("leading blanks skipped") << " \t a" << QStringList{"a"} << false;
    QTest::newRow("blank before a final delimiter") << "a\\ " << QStringList{"a"} << false;
    QTest::newRow("the other delimiter is ordinary")
        << R"(a,b\c)" << QStringList{"a,b", "c"} << false;
    QTest::newRow("quoted item keeps blanks and delimiters")
        << R"("a b\c"\d)" << QStringList{R"(a b\c)", "d"} << false;
    QTest::newRow("doubled quote inside quotes")
        << R"("a""b"\c)" << QStringList{R"(a"b)", "c"} << false;
    QTest::newRow("quoted empty item") << R"(""\x)" << QStringList{"", "x"} << false;
    QTest::newRow("text right after closing quote")
        << R"("ab"cd\e)" << QStringList{"ab", "cd", "e"} << false;
    QTest::newRow("quote closed at the very end")
        << R"(a\"b c")" << QStringList{"a", "b c"} << false;
    QTest::newRow("unterminated quote runs to the end")
        << R"("ab\c)" << QStringList{R"(ab\c)"} << true;
    QTest::newRow("quote left open after other items")
        << R"(a\"b c)" << QStringList{"a", "b c"} << true;
    QTest::newRow("doubled quote at the very end is no closing quote")
        << R"("ab"")" << QStringList{R"(ab")"} << true;
    QTest::newRow("lone quote") << R"(")" << QStringList{""} << true;
    QTest::newRow("quote inside an item is ordinary")
        << R"(a"b\c)" << QStringList{R"(a"b)", "c"} << false;
    QTest::newRow("text ends at NUL") << QStringLiteral("a\\b") + QChar(0) + QStringLiteral("\\c")
                                      << QStringList{"a", "b"} << false;
    QTest::newRow("NUL inside quotes leaves the quote open")
        << QStringLiteral("\"a") + QChar(0) + QStringLiteral("b\"\\c") << QStringList{"a"} << true;
}
void DelimitedTextTest::splits() {
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QFETCH(bool, quoteLeftOpen);

    bool open = !quoteLeftOpen;
    QCOMPARE(orq::sys::splitDelimited(text, u'\\', &open), items);
    QCOMPARE(open, quoteLeftOpen);
    QCOMPARE(orq::sys::splitDelimited(text, u'\\'), items);

    open = !quoteLeftOpen;
    QCOMPARE(orq::decodeCatalogueLine(mirrored(text), &open), mirrored(items));
    QCOMPARE(open, quoteLeftOpen);
}

QTEST_APPLESS_MAIN(DelimitedTextTest)
#include "test_system_delimited_text.moc"
