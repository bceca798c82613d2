// The order of the steps of "Testar ORQDEF em todas" and where it starts and stops. The window
// test drives the same run with the real product, real waits and a real X display; here the
// steps are recorded, so every order and stop rule is seen at once.
#include "launch/TestEveryBase.h"
#include "listview/ListStore.h"
#include "system/Error.h"

#include <QtTest>

using namespace orq;

namespace {

struct Recorder {
    QStringList log;
    QList<bool> starts;      // what enter() answers, row by row; true when none is left
    int waitWindowPolls = 0; // how many times the wait window is seen open, per base
    int stopAfter = -1;      // bases entered before a stop is asked for
    int throwAt = -1;        // row whose enter() throws
    int openLeft = 0;

    TestEveryBase::Steps steps() {
        TestEveryBase::Steps s;
        s.select = [this](int row) { log << QStringLiteral("select %1").arg(row); };
        s.enter = [this] {
            log << QStringLiteral("enter");
            if (throwAt >= 0 && log.filter(QStringLiteral("select")).size() - 1 == throwAt)
                throw Error(QStringLiteral("Unable to write to orqcon.ini"));
            openLeft = waitWindowPolls;
            return starts.isEmpty() ? true : starts.takeFirst();
        };
        s.wait = [this](int ms) { log << QStringLiteral("wait %1").arg(ms); };
        s.waitWindowOpen = [this] { return openLeft-- > 0; };
        s.endProduct = [this] { log << QStringLiteral("end"); };
        s.stopRequested = [this] {
            return stopAfter >= 0 && log.filter(QStringLiteral("enter")).size() >= stopAfter;
        };
        s.progress = [this](int number, int total) {
            log << QStringLiteral("%1 of %2").arg(number).arg(total);
        };
        return s;
    }
};

} // namespace

class TestEveryBaseTest : public QObject {
    Q_OBJECT

private slots:
    void startRow_data();
    void startRow();
    void fromTheStartRowToTheLast();
    void waitsWhileTheWaitWindowIsOpen();
    void aFailedStartGoesOnAtOnce();
    void anErrorEndsTheRunAtItsRow();
    void aStopEndsTheRunAfterTheCurrentBase();
    void noRowNoRun();
};

void TestEveryBaseTest::startRow_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selected"); // -1: none
    QTest::addColumn<int>("current");  // -1: the current base is not listed
    QTest::addColumn<int>("start");

    QTest::newRow("the selected row") << 5 << 2 << 4 << 2;
    QTest::newRow("no selection: the current base's row") << 5 << -1 << 3 << 3;
    QTest::newRow("no selection, no current base: the first row") << 5 << -1 << -1 << 0;
    QTest::newRow("empty list") << 0 << -1 << -1 << -1;
}

void TestEveryBaseTest::startRow() {
    QFETCH(int, rows);
    QFETCH(int, selected);
    QFETCH(int, current);
    QFETCH(int, start);
    ListStore list;
    for (int i = 0; i < rows; ++i)
        list.addRow().setCaption(QStringLiteral("BASE%1").arg(i));
    if (selected >= 0)
        list.setSelectedRow(&list.row(selected));
    QCOMPARE(TestEveryBase::startRow(list, current >= 0 ? &list.row(current) : nullptr), start);
}

void TestEveryBaseTest::fromTheStartRowToTheLast() {
    Recorder r;
    QCOMPARE(TestEveryBase::run(2, 5, r.steps()), 3);
    QCOMPARE(r.log, QStringList({"1 of 3", "select 2", "enter", "wait 1500", "end", "2 of 3",
                                 "select 3", "enter", "wait 1500", "end", "3 of 3", "select 4",
                                 "enter", "wait 1500", "end"}));
}

void TestEveryBaseTest::waitsWhileTheWaitWindowIsOpen() {
    Recorder r;
    r.waitWindowPolls = 2;
    TestEveryBase::run(4, 5, r.steps());
    QCOMPARE(r.log, QStringList({"1 of 1", "select 4", "enter", "wait 1500", "wait 1000",
                                 "wait 1000", "end"}));
}

void TestEveryBaseTest::aFailedStartGoesOnAtOnce() {
    Recorder r;
    r.starts = {false, true};
    TestEveryBase::run(0, 2, r.steps());
    QCOMPARE(r.log, QStringList({"1 of 2", "select 0", "enter", "2 of 2", "select 1", "enter",
                                 "wait 1500", "end"}));
}

void TestEveryBaseTest::anErrorEndsTheRunAtItsRow() {
    Recorder r;
    r.throwAt = 1;
    QVERIFY_THROWS_EXCEPTION(Error, TestEveryBase::run(0, 3, r.steps()));
    QCOMPARE(r.log, QStringList({"1 of 3", "select 0", "enter", "wait 1500", "end", "2 of 3",
                                 "select 1", "enter"}));
}

void TestEveryBaseTest::aStopEndsTheRunAfterTheCurrentBase() {
    Recorder r;
    r.stopAfter = 1;
    r.waitWindowPolls = 1;
    QCOMPARE(TestEveryBase::run(0, 3, r.steps()), 1);
    // The product of the base being tested is still ended.
    QCOMPARE(r.log, QStringList({"1 of 3", "select 0", "enter", "wait 1500", "wait 1000", "end"}));
}

void TestEveryBaseTest::noRowNoRun() {
    Recorder r;
    QCOMPARE(TestEveryBase::run(-1, 0, r.steps()), 0);
    QCOMPARE(TestEveryBase::run(3, 3, r.steps()), 0);
    QCOMPARE(r.log, QStringList());
}

QTEST_GUILESS_MAIN(TestEveryBaseTest)
#include "test_launch_test_every_base.moc"
