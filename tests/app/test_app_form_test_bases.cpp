// "Testar ORQDEF em todas" through the window, with the real stand-in product started for each
// base, its "Aguarde..." window on a real X server of the test's own, and the products really
// ended afterwards.
#include "FormFixture.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace orqtest;

namespace {

// The stand-in's log names the database of each start; the base is its folder.
QStringList enteredBases(const Bench& bench) {
    QStringList out;
    for (const QStringList& start : bench.productStarts()) {
        const QStringList parts = start.value(1).split(u'\\');
        out << parts.value(parts.size() - 2);
    }
    return out;
}

} // namespace

class FormTestBasesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinTestEnvironment(); }

    void fromTheSelectedRowToTheLast();
    void theWaitWindowHoldsTheRun_data();
    void theWaitWindowHoldsTheRun();
    void aMissingProductShowsOneBoxPerRow();
    void escapeStopsAfterTheCurrentBase();
};

void FormTestBasesTest::fromTheSelectedRowToTheLast() {
    ProductsStayUp stayUp;
    OpenedWindow opened(QStringList{"UM", "DOIS", "TRES", "QUATRO", "CINCO"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.list().setSelectedRow(&window.list().row(2));
    QStringList shownWhileRunning;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&, &window = window] {
        if (!shownWhileRunning.contains(window.count->text()))
            shownWhileRunning << window.count->text();
    });
    probe.start(200);

    window.key(Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(enteredBases(bench), QStringList({"TRES", "QUATRO", "CINCO"}));
    // Each product was ended before the next base was entered, the last one too.
    QCOMPARE(bench.runningProducts(), QList<pid_t>());
    QCOMPARE(messages.texts(), QStringList());
    QCOMPARE(window.selected(), QStringLiteral("CINCO"));
    QVERIFY(window.form.isVisible());
    QVERIFY(shownWhileRunning.contains(QStringLiteral("Testando 1 de 3")));
    QVERIFY(shownWhileRunning.contains(QStringLiteral("Testando 3 de 3")));
    QCOMPARE(window.count->text(), QStringLiteral("5"));
}

// A window titled "Aguarde..." holds the run until it closes: the product's own, or another
// program's.
void FormTestBasesTest::theWaitWindowHoldsTheRun_data() {
    QTest::addColumn<bool>("productsOwn");
    QTest::newRow("the product's wait window") << true;
    QTest::newRow("another program's window") << false;
}

void FormTestBasesTest::theWaitWindowHoldsTheRun() {
    QFETCH(bool, productsOwn);
    XvfbServer xvfb;
    QVERIFY(xvfb.ok());
    ScopedEnvironment display("DISPLAY", xvfb.display());
    ScopedEnvironment platform("QT_QPA_PLATFORM", "xcb");
    // Under AddressSanitizer, the keyboard library behind a real X window trips the strict
    // string checks in code that is not ours; the stand-in is spared them.
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    ScopedEnvironment sanitizer("ASAN_OPTIONS",
                                asan.isEmpty() ? QByteArray() : asan + ":strict_string_checks=0");
    const int holdMs = 3000;
    OpenedWindow opened(QStringList{"UM", "DOIS"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.list().setSelectedRow(&window.list().row(1));
    std::optional<ScopedEnvironment> aguarde;
    QProcess other;
    if (productsOwn) {
        aguarde.emplace("ORQ7_AGUARDE_MS", QByteArray::number(holdMs));
    } else {
        // The stand-in under another name: not a product the run ends, but its window counts.
        const QString otherProgram = bench.programFolder() + QStringLiteral("/Outro.exe");
        QVERIFY(QFile::copy(bench.productPath(), otherProgram));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORQ7_AGUARDE_MS"), QString::number(holdMs));
        environment.insert(QStringLiteral("ORQ7_LOG"), bench.programFolder() + "/outro.log");
        other.setProcessEnvironment(environment);
        other.start(otherProgram, {});
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bench.programFolder() + "/outro.log"), 10000);
    }
    QElapsedTimer clock;
    clock.start();

    window.key(Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(enteredBases(bench), QStringList{"DOIS"});
    QCOMPARE(messages.texts(), QStringList());
    // Not ended at the first look after 1.5 s, while the window was still open.
    QVERIFY2(clock.elapsed() >= holdMs, qPrintable(QString::number(clock.elapsed())));
    if (!productsOwn) {
        // Its window closed before the run ended; the program itself is left to end on its own.
        QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(10000));
        QCOMPARE(other.exitStatus(), QProcess::NormalExit);
    }
}

void FormTestBasesTest::aMissingProductShowsOneBoxPerRow() {
    OpenedWindow opened(QStringList{"UM", "DOIS", "TRES"});
    auto& [bench, messages, window] = opened;
    QVERIFY(QFile::remove(bench.productPath()));
    QVERIFY(window.show());
    window.list().setSelectedRow(&window.list().row(0));
    QElapsedTimer clock;
    clock.start();

    window.key(Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(messages.texts(), QStringList(3, errorText(ENOENT) + u'.'));
    QCOMPARE(messages.requests[0].icon, orq::sys::MessageIcon::Error);
    // orqcon.ini names the last base entered.
    QVERIFY(bench.ini().contains("\\TRES\\ORQ.FDB"));
    QCOMPARE(window.selected(), QStringLiteral("TRES"));
}

void FormTestBasesTest::escapeStopsAfterTheCurrentBase() {
    ProductsStayUp stayUp;
    OpenedWindow opened(QStringList{"UM", "DOIS", "TRES"});
    auto& [bench, messages, window] = opened;
    QVERIFY(window.show());
    window.list().setSelectedRow(&window.list().row(0));
    bool typedMeanwhile = false;
    QTimer::singleShot(500, [&, &window = window] {
        // Typing would refilter the list under the run: it is held back; Escape asks to stop.
        window.type("x");
        typedMeanwhile = window.edit->text().isEmpty();
        window.key(Qt::Key_Escape);
    });

    window.key(Qt::Key_S, Qt::ControlModifier);

    QCOMPARE(enteredBases(bench), QStringList{"UM"});
    QCOMPARE(bench.runningProducts(), QList<pid_t>());
    QVERIFY(typedMeanwhile);
    QCOMPARE(window.names(), QStringList({"UM", "DOIS", "TRES"}));
    // Escape stopped the run; it did not close the window. Afterwards it closes it again.
    QVERIFY(window.form.isVisible());
    window.key(Qt::Key_Escape);
    QVERIFY(!window.form.isVisible());
}

QTEST_MAIN(FormTestBasesTest)
#include "test_app_form_test_bases.moc"
