#pragma once

// Drives the real main window: a temp program folder (orqcon.ini, ORQDados.Hosts.txt and a copy
// of the stand-in product, so the product reads that folder's orqcon.ini), a temp root, and the
// window's message boxes answered and recorded.

// Mouse input goes in as the window system delivers it: a double click is press, release, press
// and release, from which Qt makes the double-click event, rather than that event alone.
#define QTEST_QPA_MOUSE_HANDLING

#include "TestSupport.h"

#include "app/uFormPrincipal.h"
#include "listview/ORQListViewWidget.h"
#include "system/MessageBox.h"
#include "system/TextEncoding.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/types.h>
#include <time.h>

namespace orqtest {

inline QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

// Brazilian settings and UTC, whatever LANG and TZ the tests run with; the product exits at once
// after logging what it read, so it needs no display; Windows-form paths ("c:\...") land in an
// empty Wine prefix unless a test makes its own.
void pinTestEnvironment();

// The window's message boxes, each answered OK, in the order they were asked for.
// A question takes the next of the replies (No when none is left); the input dialog takes the
// next of the inputs (cancelled when none is left).
class MessageLog {
public:
    MessageLog() {
        orq::sys::setMessageHook([this](const orq::sys::MessageRequest& request) {
            requests.append(request);
            if (whileShown)
                whileShown(request);
            if (request.buttons == orq::sys::MessageButtons::Ok)
                return orq::sys::MessageResult::Ok;
            return replies.isEmpty() ? orq::sys::MessageResult::No : replies.takeFirst();
        });
        orq::sys::setInputHook([this](const orq::sys::InputRequest& request) {
            inputRequests.append(request);
            return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
        });
    }
    ~MessageLog() {
        orq::sys::setMessageHook({});
        orq::sys::setInputHook({});
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList texts() const {
        QStringList out;
        for (const auto& request : requests)
            out << request.text;
        return out;
    }

    QList<orq::sys::MessageRequest> requests;
    QList<orq::sys::MessageResult> replies;
    // Runs while a box is "open", before it is answered: what the user could do meanwhile.
    std::function<void(const orq::sys::MessageRequest&)> whileShown;
    QList<orq::sys::InputRequest> inputRequests;
    QList<std::optional<QString>> inputs;
};

// One catalogue line as the program writes it with Brazilian settings.
struct Base {
    QString name;
    QString dateTime = QStringLiteral("05/03/2013 14:07:09");
    QString size = QStringLiteral("1,00");
};

QString quoted(const QString& field);

// A root text with two backslashes in a row that still names a local folder: the path of
// "folder" with its last separator written as two backslashes ("/tmp/x\\y" is /tmp/x//y). With
// a catalogue it counts as a server root.
QString doubledBackslashRoot(const QString& folder);

QString catalogueLine(const Base& base);

// Lines joined as the program writes text lists: every line followed by CR LF, Windows-1252.
QByteArray crlfAnsi(const QStringList& lines);

// A program folder with the stand-in product in it, and a root.
class Bench {
public:
    Bench();
    // A bench whose root already holds this catalogue.
    explicit Bench(const QList<Base>& catalogue);

    QString programFolder() const { return m_program.path(); }
    QString root() const { return m_root.path(); }
    QString iniPath() const { return m_program.file(QStringLiteral("orqcon.ini")); }
    QString hostsPath() const { return m_program.file(QStringLiteral("ORQDados.Hosts.txt")); }
    QString productPath() const { return m_program.file(QStringLiteral("ORQ7.exe")); }
    QString cataloguePath() const { return m_root.file(QStringLiteral("ORQDados.csv")); }

    void writeIni(const QByteArray& bytes) const { writeBytes(iniPath(), bytes); }
    QByteArray ini() const { return readBytes(iniPath()); }
    // A stored database path in section ORQ, with a few lines of the product's own around it.
    void writeIniNaming(const QString& databasePath) const;
    void writeHosts(const QStringList& roots) const { writeBytes(hostsPath(), crlfAnsi(roots)); }

    // The catalogue file of the root, so the rows come in this order without a scan.
    void writeCatalogue(const QList<Base>& bases) const { writeCatalogueOf(root(), bases); }
    static void writeCatalogueOf(const QString& root, const QList<Base>& bases);
    void writeCatalogue(const QStringList& names) const;

    // What the product logged so far: one (server, database) pair per start.
    QList<QStringList> productStarts() const;

    // The products now running from this bench's folder. A start returns only once the product
    // runs, so while products stay up (see ProductsStayUp) this counts the starts at once.
    QList<pid_t> runningProducts() const;

    ~Bench();

private:
    TempFolder m_program;
    TempFolder m_root;
    ScopedEnvironment m_log;
};

// The product stays up after logging, as the real one does, so starts can be counted; the bench
// ends the products it started.
class ProductsStayUp {
public:
    ProductsStayUp() : m_exit("ORQ7_EXIT", QByteArray()) {}

private:
    ScopedEnvironment m_exit;
};

// The main window with handles on its controls.
class Window {
public:
    Window(const QStringList& arguments, const QString& programFolder);

    // Shown and active, so keys reach the focused control through the window's key handling.
    bool show();

    orq::TORQListView& list() const { return listWidget->view(); }
    QAbstractItemModel* model() const { return listWidget->model(); }

    QStringList column(int column) const;
    QStringList names() const { return column(0); }
    QList<QStringList> rows() const;
    // The selected row's caption; empty when none is selected.
    QString selected() const {
        const orq::ListRow* row = list().selectedRow();
        return row ? row->caption() : QString();
    }
    int selectedIndex() const {
        const orq::ListRow* row = list().selectedRow();
        return row ? row->index() : -1;
    }
    // The captions drawn in a colour of their own.
    QStringList coloured() const;
    QColor colourOf(int row) const {
        return model()->index(row, 0).data(Qt::ForegroundRole).value<QColor>();
    }
    bool enterShown() const {
        return entrar->isVisible() && entrar->isDefault() && !ultimaBase->isDefault();
    }

    QWidget* focused() const { return QApplication::focusWidget(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), key, modifiers);
    }
    // Key by key to whatever has the focus then, as a user types; beyond ASCII, the key of a
    // Latin-1 letter is its upper-case code, as on a Brazilian keyboard.
    void type(const QString& text);

    void clickHeader(int section);
    QPoint rowCentre(int row) const {
        return listWidget->visualRect(model()->index(row, 0)).center();
    }
    bool rowFullyVisible(int row) const;

    // Picks a root of the drop-down list as the user does, by its position.
    void pickRoot(int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    orq::TForm1 form;
    QLineEdit* edit = nullptr;
    QComboBox* combo = nullptr;
    QPushButton* atualizar = nullptr;
    orq::ORQListViewWidget* listWidget = nullptr;
    QLabel* count = nullptr;
    QToolButton* opcoes = nullptr;
    QPushButton* entrar = nullptr;
    QPushButton* ultimaBase = nullptr;
    QPushButton* cancelar = nullptr;
    QMenu* menu = nullptr;
    QAction* mnNovaBase = nullptr;
    QAction* mnCopiar = nullptr;
    QAction* mnEnviar = nullptr;
    QAction* mnTestarOrqdef = nullptr;
    QAction* mnRenomearPastasParaUF = nullptr;

private:
    template <class T> T* child(const char* name) {
        T* found = form.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("the window has no %s", name);
        return found;
    }
};

// The opening most window tests share: a bench whose root holds this catalogue (and, when given,
// an orqcon.ini naming that database path), the window's message boxes recorded, and the window
// opened on that root. Its parts are bound by name:
//
//   OpenedWindow opened({"ALFA", "BETA"});
//   auto& [bench, messages, window] = opened;
//   QVERIFY(window.show());
struct OpenedWindow {
    explicit OpenedWindow(const QList<Base>& catalogue, const QString& storedPath = {});
    explicit OpenedWindow(const QStringList& names, const QString& storedPath = {});

    Bench bench;
    MessageLog messages;
    Window window;
};

} // namespace orqtest
