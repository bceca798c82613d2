#include "catalogue/BaseRecordText.h"
#include "catalogue/CatalogueLine.h"

#include <QtTest>

using namespace orq;

class CatalogueLineTest : public QObject {
    Q_OBJECT

private slots:
    void decodes_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "Teste,\"05/03/2013 14:07:09\",\"1.234,56\""
                               << QStringList{"Teste", "05/03/2013 14:07:09", "1.234,56"};
        QTest::newRow("blank splits") << "a b,c" << QStringList{"a", "b", "c"};
        QTest::newRow("trailing comma") << "a," << QStringList{"a", ""};
        QTest::newRow("empty middle") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("comma then blank") << "a, " << QStringList{"a"};
        QTest::newRow("leading blanks") << "  \t a,b" << QStringList{"a", "b"};
        QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\",x" << QStringList{"say \"hi\"", "x"};
        QTest::newRow("text after closing quote") << "\"a\"b,c" << QStringList{"a", "b", "c"};
        QTest::newRow("quote left open") << "\"abc,def" << QStringList{"abc,def"};
        QTest::newRow("nul ends line") << QString("a,b") + QChar(0) + ",c" << QStringList{"a", "b"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("only blanks") << "   " << QStringList{};
        QTest::newRow("quoted empty") << "\"\",x" << QStringList{"", "x"};
        QTest::newRow("non-ascii unquoted") << "SÃO_PAULO,x" << QStringList{"SÃO_PAULO", "x"};
    }
    void decodes() {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(decodeCatalogueLine(line), fields);
    }

    void encodes_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("line");
        QTest::newRow("quotes only what needs it")
            << QStringList{"Teste", "05/03/2013 14:07:09", "1.234,56"}
            << "Teste,\"05/03/2013 14:07:09\",\"1.234,56\"";
        QTest::newRow("space in name")
            << QStringList{"Teste 2", "05/03/2013", "0,50"} << "\"Teste 2\",05/03/2013,\"0,50\"";
        QTest::newRow("quote doubled") << QStringList{"a\"b", "x", "y"} << "\"a\"\"b\",x,y";
        QTest::newRow("control char") << QStringList{"a\tb", "x", "y"} << "\"a\tb\",x,y";
        QTest::newRow("high chars unquoted") << QStringList{"ÇÃ\u007F", "x", "y"} << "ÇÃ\u007F,x,y";
        QTest::newRow("point decimals unquoted")
            << QStringList{"B", "3/5/13", "512.00"} << "B,3/5/13,512.00";
    }
    void encodes() {
        QFETCH(QStringList, fields);
        QFETCH(QString, line);
        QCOMPARE(encodeCatalogueLine(fields), line);
    }

    // Whatever a folder may be called, its line must read back as the same three fields.
    void roundTrips_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"a,b", "a b", " lead", "trail ", "\"", "\"\"", ",", "a\"\",\"b",
                                 "x\ry\nz", "100%", "%s", "ÁÉÍ ÕÜ", "日本"})
            QTest::newRow(name) << QString::fromUtf8(name);
        QTest::newRow("empty name") << QString();
    }
    void roundTrips() {
        QFETCH(QString, name);
        const QStringList fields{name, "05/03/2013 14:07:09", "1.234,56"};
        bool quoteLeftOpen = true;
        const QStringList decoded =
            decodeCatalogueLine(encodeCatalogueLine(fields), &quoteLeftOpen);
        QCOMPARE(decoded, fields);
        QVERIFY(!quoteLeftOpen);
    }

    // A line cut short inside a quoted field, as a crash in the middle of a write leaves its last
    // line, is told apart from a whole one wherever the cut falls.
    void cutLineLeavesItsQuoteOpen() {
        const QString line = encodeCatalogueLine({"Base Dois", "05/03/2013 14:07:09", "1.234,56"});
        const qsizetype closing = line.lastIndexOf(u'"');
        const qsizetype opening = line.lastIndexOf(u'"', closing - 1);
        for (qsizetype cut = opening + 1; cut <= closing; ++cut) {
            bool quoteLeftOpen = false;
            decodeCatalogueLine(QStringView(line).first(cut), &quoteLeftOpen);
            QVERIFY2(quoteLeftOpen, qPrintable(line.first(cut)));
        }
    }

    void sizeText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        // 128 and 169 bytes are the two ties: rounding once, half away from zero, gives .13 / .17.
        const std::pair<qint64, const char*> ptBR[] = {
            {0, "0,00"},
            {10, "0,01"},
            {128, "0,12"},
            {169, "0,16"},
            {512, "0,50"},
            {1024, "1,00"},
            {1263616, "1.234,00"},
            {1264189, "1.234,56"},
            {1023989760, "999.990,00"},
            {Q_INT64_C(9223372036854775807), "9.007.199.254.740.992,00"},
        };
        for (const auto& [bytes, text] : ptBR)
            QTest::addRow("pt_BR %lld", bytes) << "pt_BR" << bytes << QString::fromUtf8(text);
        QTest::newRow("en_US small") << "en_US" << qint64(524288) << "512.00";
        QTest::newRow("en_US grouped") << "en_US" << qint64(1263616) << "1,234.00";
    }
    void sizeText() {
        QFETCH(QString, locale);
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        const auto settings = sys::RegionalSettings::forLocale(QLocale(locale));
        QCOMPARE(baseSizeText(bytes, settings), text);
    }

    void dateTimeText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        const QDateTime t(QDate(2013, 3, 5), QTime(17, 7, 9), Qt::UTC);
        QTest::newRow("brasilia") << "pt_BR" << t << -3 * 3600 << "05/03/2013 14:07:09";
        QTest::newRow("midnight to the second")
            << "pt_BR" << QDateTime(QDate(2013, 3, 5), QTime(3, 0), Qt::UTC) << -3 * 3600
            << "05/03/2013";
        QTest::newRow("fraction dropped")
            << "pt_BR" << QDateTime(QDate(2013, 3, 5), QTime(3, 0, 0, 500), Qt::UTC) << -3 * 3600
            << "05/03/2013";
        QTest::newRow("offset crosses the day")
            << "pt_BR" << QDateTime(QDate(2013, 3, 5), QTime(1, 0), Qt::UTC) << -3 * 3600
            << "04/03/2013 22:00:00";
    }
    void dateTimeText() {
        QFETCH(QString, locale);
        QFETCH(QDateTime, utc);
        QFETCH(int, offset);
        QFETCH(QString, text);
        const auto settings = sys::RegionalSettings::forLocale(QLocale(locale));
        QCOMPARE(baseDateTimeText(utc, offset, settings), text);
    }
};

QTEST_GUILESS_MAIN(CatalogueLineTest)
#include "test_catalogue_line.moc"
