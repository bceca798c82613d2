// Entering a base through the window: which row is entered, what orqcon.ini holds afterwards
// (byte for byte), what the real stand-in product read from it, and what happens when the list
// is empty, the product is missing or the file cannot be written.
#include "FormFixture.h"

#include "system/PrivateProfile.h"

#include <cerrno>
#include <sys/stat.h>

using namespace orqtest;

namespace {

const QString kStoredPrefix = QStringLiteral("C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\");

QString storedPath(const QString& base) {
    return kStoredPrefix + base + QStringLiteral("\\ORQ.FDB");
}

// The connection file written by Bench::writeIniNaming, as entering a base leaves it.
QByteArray iniNaming(const QString& databasePath, const QString& host) {
    return "; ORQ 7\r\n[ORQ]\r\nCAMINHO=" + orq::sys::encodeAnsi(databasePath) +
           "\r\nIDIOMA=pt\r\n\r\n[SERVIDOR]\r\nNOME=" + orq::sys::encodeAnsi(host) +
           "\r\nPORTA=3050\r\n";
}

QByteArray utf16le(const QString& text) {
    return QByteArray("\xff\xfe", 2) + orq::sys::encodeText(text, orq::sys::TextEncoding::Utf16LE);
}

} // namespace

class FormEnterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void entersTheChosenBase_data();
    void entersTheChosenBase();
    void withNothingSelectedEntersTheCurrentBaseElseTheFirstRow_data();
    void withNothingSelectedEntersTheCurrentBaseElseTheFirstRow();
    void doubleClickBelowTheRowsEntersTheCurrentBase();
    void withoutIniWritesBothKeys();
    void hostComesFromTheRoot_data();
    void hostComesFromTheRoot();
    void emptyListAsksForAnItem();
    void missingProductIsReportedAndTheWindowStays();
    void ultimaBaseStartsTheStoredBase_data();
    void ultimaBaseStartsTheStoredBase();
    void readOnlyProgramFolderIsReported();
    void unusualIniFilesKeepWhatTheyHold_data();
    void unusualIniFilesKeepWhatTheyHold();
};

void FormEnterTest::entersTheChosenBase_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("Entrar button") << "button";
    QTest::newRow("Enter after typing") << "enter after typing";
    QTest::newRow("Enter in the list") << "enter in the list";
    QTest::newRow("double click on the row") << "double click";
}

void FormEnterTest::entersTheChosenBase() {
    QFETCH(QString, way);
    ProductsStayUp stayUp;
    OpenedWindow opened(QStringList{"ALFA", "BETA", "GAMA"}, storedPath("GAMA"));
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QCOMPARE(window.selected(), QStringLiteral("GAMA"));

    if (way == "button") {
        window.key(Qt::Key_Up);
        QCOMPARE(window.selected(), QStringLiteral("BETA"));
        QTest::mouseClick(window.entrar, Qt::LeftButton);
    } else if (way == "enter after typing") {
        window.type("bet");
        QCOMPARE(window.selectedIndex(), -1);
        window.key(Qt::Key_Return);
    } else if (way == "enter in the list") {
        QTest::mouseClick(window.listWidget->viewport(), Qt::LeftButton, {}, window.rowCentre(1));
        QCOMPARE(window.focused(), window.listWidget);
        QCOMPARE(window.selected(), QStringLiteral("BETA"));
        window.key(Qt::Key_Return);
    } else {
        QTest::mouseDClick(window.listWidget->viewport(), Qt::LeftButton, {}, window.rowCentre(1));
    }

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(bench.runningProducts().size(), 1);
    QCOMPARE(bench.ini(), iniNaming(storedPath("BETA"), "localhost"));
    QVERIFY(!window.form.isVisible());
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({{"localhost", storedPath("BETA")}}));
}

void FormEnterTest::withNothingSelectedEntersTheCurrentBaseElseTheFirstRow_data() {
    QTest::addColumn<QString>("stored"); // empty: no orqcon.ini
    QTest::addColumn<QString>("entered");

    QTest::newRow("current base listed") << storedPath("GAMA") << "GAMA";
    QTest::newRow("current base in other case") << storedPath("gama") << "GAMA";
    QTest::newRow("current base not listed") << storedPath("ZETA") << "ALFA";
    QTest::newRow("no orqcon.ini") << QString() << "ALFA";
}

void FormEnterTest::withNothingSelectedEntersTheCurrentBaseElseTheFirstRow() {
    QFETCH(QString, stored);
    QFETCH(QString, entered);
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA", "BETA", "GAMA"});
    if (!stored.isEmpty())
        bench.writeIniNaming(stored);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    // A filter that keeps every row refills the list, which leaves nothing selected.
    window.type("a");
    QCOMPARE(window.names(), QStringList({"ALFA", "BETA", "GAMA"}));
    QCOMPARE(window.selectedIndex(), -1);

    window.key(Qt::Key_Return);

    QCOMPARE(messages.texts(), QStringList());
    const QString path =
        stored.isEmpty() ? QStringLiteral("\\%1\\ORQ.FDB").arg(entered) : storedPath(entered);
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({{"localhost", path}}));
    QVERIFY(!window.form.isVisible());
}

void FormEnterTest::doubleClickBelowTheRowsEntersTheCurrentBase() {
    ProductsStayUp stayUp;
    OpenedWindow opened(QStringList{"ALFA", "BETA", "GAMA"}, storedPath("BETA"));
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QTest::mouseClick(window.listWidget->viewport(), Qt::LeftButton, {}, window.rowCentre(0));
    QCOMPARE(window.selected(), QStringLiteral("ALFA"));
    const QPoint below(window.rowCentre(2).x(), window.rowCentre(2).y() + 60);
    QVERIFY(window.listWidget->viewport()->rect().contains(below));

    // The first click where there is no row takes the selection away; the double click then
    // enters the current base, not the row selected before.
    QTest::mouseDClick(window.listWidget->viewport(), Qt::LeftButton, {}, below);

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(window.selected(), QStringLiteral("BETA"));
    QCOMPARE(bench.runningProducts().size(), 1);
    QCOMPARE(bench.ini(), iniNaming(storedPath("BETA"), "localhost"));
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({{"localhost", storedPath("BETA")}}));
}

void FormEnterTest::withoutIniWritesBothKeys() {
    OpenedWindow opened(QStringList{"BASE1"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    QVERIFY(!QFile::exists(bench.iniPath()));

    QTest::mouseDClick(window.listWidget->viewport(), Qt::LeftButton, {}, window.rowCentre(0));

    QCOMPARE(messages.texts(), QStringList());
    using orq::sys::PrivateProfile;
    QCOMPARE(PrivateProfile::read(bench.iniPath(), "SERVIDOR", "NOME"),
             QStringLiteral("localhost"));
    QCOMPARE(PrivateProfile::read(bench.iniPath(), "ORQ", "CAMINHO"),
             QStringLiteral("\\BASE1\\ORQ.FDB"));
    QTRY_COMPARE(bench.productStarts(),
                 QList<QStringList>({{"localhost", QStringLiteral("\\BASE1\\ORQ.FDB")}}));
}

// The folder the root stands for is made under the Wine prefix's dosdevices/unc.
void FormEnterTest::hostComesFromTheRoot_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("error"); // empty: entered

    QTest::newRow("share") << "\\\\srv01\\share"
                           << "srv01"
                           << "";
    QTest::newRow("blank ends the host") << "\\\\srv 01\\share"
                                         << "srv"
                                         << "";
    QTest::newRow("third backslash: empty host") << "\\\\\\srv01\\share"
                                                 << ""
                                                 << "";
    QTest::newRow("blanks alone after the backslashes") << "\\\\  "
                                                        << ""
                                                        << "List index out of bounds (2)";
}

void FormEnterTest::hostComesFromTheRoot() {
    QFETCH(QString, root);
    QFETCH(QString, host);
    QFETCH(QString, error);
    Bench bench;
    ProductsStayUp stayUp;
    FakeWinePrefix prefix;
    const QString folder = prefix.path() + QStringLiteral("/dosdevices/unc/") +
                           QString(root).replace(u'\\', u'/').mid(2);
    makeFolder(folder);
    Bench::writeCatalogueOf(folder, {{"BASE1"}, {"BASE2"}});
    bench.writeIniNaming(storedPath("BASE1"));
    const QByteArray before = bench.ini();
    MessageLog messages;
    Window window({root}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(window.names(), QStringList({"BASE1", "BASE2"}));

    window.key(Qt::Key_Down);
    window.key(Qt::Key_Return);

    if (!error.isEmpty()) {
        QCOMPARE(messages.texts(), QStringList{error});
        QCOMPARE(bench.ini(), before);
        QCOMPARE(bench.runningProducts().size(), 0);
        QVERIFY(window.form.isVisible());
        return;
    }
    QCOMPARE(messages.texts(), QStringList());
    // The host follows the root; the stored folder prefix stays whatever the root.
    QCOMPARE(bench.ini(), iniNaming(storedPath("BASE2"), host));
    QCOMPARE(bench.runningProducts().size(), 1);
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({{host, storedPath("BASE2")}}));
}

void FormEnterTest::emptyListAsksForAnItem() {
    Bench bench;
    ProductsStayUp stayUp;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    bench.writeIniNaming(storedPath("ALFA"));
    const QByteArray before = bench.ini();
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.type("zzz");

    window.key(Qt::Key_Return);
    QTest::mouseDClick(window.listWidget->viewport(), Qt::LeftButton, {}, QPoint(20, 20));

    QCOMPARE(messages.texts(), QStringList(2, QStringLiteral("Selecione um Item.")));
    QCOMPARE(messages.requests[0].title, QStringLiteral("ORQDados"));
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QCOMPARE(bench.ini(), before);
    QCOMPARE(bench.runningProducts().size(), 0);
    QVERIFY(window.form.isVisible());
}

void FormEnterTest::missingProductIsReportedAndTheWindowStays() {
    Bench bench;
    TempFolder emptyPath;
    ScopedEnvironment path("PATH", QFile::encodeName(emptyPath.path()));
    QVERIFY(QFile::remove(bench.productPath()));
    bench.writeCatalogue(QStringList{"ALFA", "BETA", "GAMA"});
    bench.writeIniNaming(storedPath("ALFA"));
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());

    window.key(Qt::Key_Down);
    window.key(Qt::Key_Return);

    const QString notFound = errorText(ENOENT) + u'.';
    QCOMPARE(messages.texts(), QStringList{notFound});
    QCOMPARE(messages.requests[0].title, QStringLiteral("ORQDados"));
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QVERIFY(window.form.isVisible());
    QCOMPARE(window.selected(), QStringLiteral("BETA"));
    // The file already names the new base.
    QCOMPARE(bench.ini(), iniNaming(storedPath("BETA"), "localhost"));
    // The highlight still marks the base of start-up.
    QCOMPARE(window.coloured(), QStringList{"ALFA"});

    // Ultima Base fails the same way and leaves the window open as well.
    QTest::mouseClick(window.ultimaBase, Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList(2, notFound));
    QVERIFY(window.form.isVisible());
    QCOMPARE(bench.ini(), iniNaming(storedPath("BETA"), "localhost"));
}

void FormEnterTest::ultimaBaseStartsTheStoredBase_data() {
    QTest::addColumn<bool>("withIni");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("button") << true << false;
    QTest::newRow("Enter right after start-up") << true << true;
    QTest::newRow("button, no orqcon.ini") << false << false;
}

void FormEnterTest::ultimaBaseStartsTheStoredBase() {
    QFETCH(bool, withIni);
    QFETCH(bool, byEnter);
    Bench bench;
    ProductsStayUp stayUp;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    if (withIni)
        bench.writeIniNaming(storedPath("BETA"));
    const QByteArray before = bench.ini();
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    // The selection plays no part.
    window.list().setSelectedRow(&window.list().row(0));

    if (byEnter)
        window.key(Qt::Key_Return);
    else
        QTest::mouseClick(window.ultimaBase, Qt::LeftButton);

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(bench.runningProducts().size(), 1);
    QVERIFY(!window.form.isVisible());
    QCOMPARE(bench.ini(), before);
    QCOMPARE(QFile::exists(bench.iniPath()), withIni);
    const QStringList read =
        withIni ? QStringList{"velho", storedPath("BETA")} : QStringList{"", ""};
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({read}));
}

void FormEnterTest::readOnlyProgramFolderIsReported() {
    Bench bench;
    ProductsStayUp stayUp;
    bench.writeCatalogue(QStringList{"ALFA", "BETA"});
    bench.writeIniNaming(storedPath("ALFA"));
    const QByteArray before = bench.ini();
    // Readable by anyone, so only the write is refused.
    QVERIFY(::chmod(QFile::encodeName(bench.root()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(bench.iniPath()).constData(), 0644) == 0);
    QVERIFY(::chmod(QFile::encodeName(bench.programFolder()).constData(), 0555) == 0);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    window.key(Qt::Key_Down);
    {
        Unprivileged user;
        QVERIFY(user.ok());
        window.key(Qt::Key_Return);
    }
    QVERIFY(::chmod(QFile::encodeName(bench.programFolder()).constData(), 0700) == 0);

    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("Unable to write to ") + bench.iniPath() + u'.'});
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    QCOMPARE(bench.ini(), before);
    QCOMPARE(bench.runningProducts().size(), 0);
    QVERIFY(window.form.isVisible());
}

void FormEnterTest::unusualIniFilesKeepWhatTheyHold_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("current"); // the base the window opens on, if any
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("read"); // what the product read

    const QString text = QStringLiteral("[ORQ]\r\nCAMINHO=C:\\Ação\\ORQ_DADOS\\ALFA\\ORQ.FDB\r\n"
                                        "[SERVIDOR]\r\nNOME=velho\r\n");
    QTest::newRow("UTF-16LE stays UTF-16LE")
        << utf16le(text) << "ALFA"
        << utf16le(QStringLiteral("[ORQ]\r\nCAMINHO=C:\\Ação\\ORQ_DADOS\\BETA\\ORQ.FDB\r\n"
                                  "[SERVIDOR]\r\nNOME=localhost\r\n"))
        << QStringList{"localhost", "C:\\Ação\\ORQ_DADOS\\BETA\\ORQ.FDB"};

    QTest::newRow("keys outside any section")
        << QByteArray("CAMINHO=C:\\d\\ALFA\\ORQ.FDB\r\nNOME=velho\r\n") << ""
        << QByteArray("CAMINHO=C:\\d\\ALFA\\ORQ.FDB\r\nNOME=velho\r\n"
                      "[SERVIDOR]\r\nNOME=localhost\r\n[ORQ]\r\nCAMINHO=\\BETA\\ORQ.FDB\r\n")
        << QStringList{"localhost", "\\BETA\\ORQ.FDB"};

    QTest::newRow("duplicate keys and sections: the first ones count")
        << QByteArray(
               "[ORQ]\r\nCAMINHO=C:\\d\\ORQ_DADOS\\ALFA\\ORQ.FDB\r\n"
               "CAMINHO=E:\\e\\GAMA\\ORQ.FDB\r\n"
               "[SERVIDOR]\r\nNOME=um\r\nNOME=dois\r\n[ORQ]\r\nCAMINHO=F:\\GAMA\\ORQ.FDB\r\n")
        << "ALFA"
        << QByteArray("[ORQ]\r\nCAMINHO=C:\\d\\ORQ_DADOS\\BETA\\ORQ.FDB\r\n"
                      "CAMINHO=E:\\e\\GAMA\\ORQ.FDB\r\n"
                      "[SERVIDOR]\r\nNOME=localhost\r\nNOME=dois\r\n[ORQ]\r\n"
                      "CAMINHO=F:\\GAMA\\ORQ.FDB\r\n")
        << QStringList{"localhost", "C:\\d\\ORQ_DADOS\\BETA\\ORQ.FDB"};

    // A stored path is read as its first 2047 characters: here "C:\" and padding, so no base is
    // current and the template keeps only "C:". Another long value is kept whole.
    const QByteArray padding(3000, 'p');
    const QByteArray other(5000, 'o');
    QTest::newRow("very long values")
        << QByteArray("[ORQ]\r\nCAMINHO=C:\\" + padding + "\\ORQ_DADOS\\ALFA\\ORQ.FDB\r\nLONGO=" +
                      other + "\r\n[SERVIDOR]\r\nNOME=velho\r\n")
        << ""
        << QByteArray("[ORQ]\r\nCAMINHO=C:\\BETA\\ORQ.FDB\r\nLONGO=" + other +
                      "\r\n[SERVIDOR]\r\nNOME=localhost\r\n")
        << QStringList{"localhost", "C:\\BETA\\ORQ.FDB"};
}

void FormEnterTest::unusualIniFilesKeepWhatTheyHold() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, current);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, read);
    Bench bench;
    bench.writeCatalogue(QStringList{"ALFA", "BETA", "GAMA"});
    bench.writeIni(ini);
    MessageLog messages;
    Window window({bench.root()}, bench.programFolder());
    QVERIFY(window.show());
    QCOMPARE(window.form.currentBaseName(), current);
    QCOMPARE(window.selected(), current);

    window.list().setSelectedRow(&window.list().row(1));
    QTest::mouseDClick(window.listWidget->viewport(), Qt::LeftButton, {}, window.rowCentre(1));

    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(bench.ini(), expected);
    QTRY_COMPARE(bench.productStarts(), QList<QStringList>({read}));
}

QTEST_MAIN(FormEnterTest)
#include "test_app_form_enter.moc"
