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
inline void pinTestEnvironment() {
    QLocale::setDefault(QLocale(QStringLiteral("pt_BR")));
    qputenv("TZ", "UTC");
    tzset();
    qputenv("ORQ7_EXIT", "1");
    static TempFolder emptyPrefix;
    qputenv("WINEPREFIX", QFile::encodeName(emptyPrefix.path()));
}

// The window's message boxes, each answered OK, in the order they were asked for.
class MessageLog {
public:
    MessageLog() {
        orq::sys::setMessageHook([this](const orq::sys::MessageRequest& request) {
            requests.append(request);
            return orq::sys::MessageResult::Ok;
        });
    }
    ~MessageLog() { orq::sys::setMessageHook({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList texts() const {
        QStringList out;
        for (const auto& request : requests)
            out << request.text;
        return out;
    }

    QList<orq::sys::MessageRequest> requests;
};

// One catalogue line as the program writes it with Brazilian settings.
struct Base {
    QString name;
    QString dateTime = QStringLiteral("05/03/2013 14:07:09");
    QString size = QStringLiteral("1,00");
};

inline QString quoted(const QString& field) {
    for (QChar c : field) {
        if (c.unicode() <= 32 || c == u'"' || c == u',')
            return u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                   u'"';
    }
    return field;
}

inline QString catalogueLine(const Base& base) {
    return quoted(base.name) + u',' + quoted(base.dateTime) + u',' + quoted(base.size);
}

// Lines joined as the program writes text lists: every line followed by CR LF, Windows-1252.
inline QByteArray crlfAnsi(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += orq::sys::encodeAnsi(line) + "\r\n";
    return bytes;
}

// A program folder with the stand-in product in it, and a root.
class Bench {
public:
    Bench() : m_log("ORQ7_LOG", QFile::encodeName(m_program.file(QStringLiteral("orq7.log")))) {
        const QString product = m_program.file(QStringLiteral("ORQ7.exe"));
        const QString built = qEnvironmentVariable("ORQ_TEST_BIN") + QStringLiteral("/ORQ7.exe");
        if (!QFile::copy(built, product))
            qFatal("cannot copy the stand-in product from %s", qPrintable(built));
    }

    QString programFolder() const { return m_program.path(); }
    QString root() const { return m_root.path(); }
    QString iniPath() const { return m_program.file(QStringLiteral("orqcon.ini")); }
    QString hostsPath() const { return m_program.file(QStringLiteral("ORQDados.Hosts.txt")); }
    QString productPath() const { return m_program.file(QStringLiteral("ORQ7.exe")); }
    QString cataloguePath() const { return m_root.file(QStringLiteral("ORQDados.csv")); }

    void writeIni(const QByteArray& bytes) const { writeBytes(iniPath(), bytes); }
    QByteArray ini() const { return readBytes(iniPath()); }
    // A stored database path in section ORQ, with a few lines of the product's own around it.
    void writeIniNaming(const QString& databasePath) const {
        writeIni("; ORQ 7\r\n[ORQ]\r\nCAMINHO=" + orq::sys::encodeAnsi(databasePath) +
                 "\r\nIDIOMA=pt\r\n\r\n[SERVIDOR]\r\nNOME=velho\r\nPORTA=3050\r\n");
    }
    void writeHosts(const QStringList& roots) const { writeBytes(hostsPath(), crlfAnsi(roots)); }

    // The catalogue file of the root, so the rows come in this order without a scan.
    void writeCatalogue(const QList<Base>& bases) const { writeCatalogueOf(root(), bases); }
    static void writeCatalogueOf(const QString& root, const QList<Base>& bases) {
        QStringList lines;
        for (const Base& base : bases)
            lines << catalogueLine(base);
        writeBytes(root + QStringLiteral("/ORQDados.csv"), crlfAnsi(lines));
    }
    void writeCatalogue(const QStringList& names) const {
        QList<Base> bases;
        for (const QString& name : names)
            bases.append({name});
        writeCatalogue(bases);
    }

    // What the product logged so far: one (server, database) pair per start.
    QList<QStringList> productStarts() const {
        QList<QStringList> starts;
        const QByteArray log = readBytes(m_program.file(QStringLiteral("orq7.log")));
        for (const QByteArray& line : log.split('\n')) {
            if (line.isEmpty())
                continue;
            const QStringList fields = QString::fromUtf8(line).split(u'\t');
            starts.append(fields.mid(1));
        }
        return starts;
    }

    // The products now running from this bench's folder. A start returns only once the product
    // runs, so while products stay up (see ProductsStayUp) this counts the starts at once.
    QList<pid_t> runningProducts() const {
        const QString product = QFileInfo(productPath()).canonicalFilePath();
        QList<pid_t> pids;
        const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : entries) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (isPid && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) == product)
                pids << pid_t(pid);
        }
        return pids;
    }

    ~Bench() {
        for (const pid_t pid : runningProducts())
            ::kill(pid, SIGKILL);
    }

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
    Window(const QStringList& arguments, const QString& programFolder)
        : form(arguments, orq::TForm1::Places{programFolder}) {
        edit = child<QLineEdit>("Edit1");
        combo = child<QComboBox>("ComboBox1");
        atualizar = child<QPushButton>("btnAtualizar");
        listWidget = child<orq::ORQListViewWidget>("ORQListView1");
        count = child<QLabel>("Panel2Caption");
        opcoes = child<QToolButton>("btnOpcoes");
        entrar = child<QPushButton>("btnEntrar");
        ultimaBase = child<QPushButton>("btnUltimaBase");
        cancelar = child<QPushButton>("btnCancelar");
        menu = child<QMenu>("PopupMenu1");
        mnNovaBase = child<QAction>("mnNovaBase");
        mnCopiar = child<QAction>("mnCopiar");
        mnEnviar = child<QAction>("mnEnviar");
        mnTestarOrqdef = child<QAction>("mnTestarOrqdef");
        mnRenomearPastasParaUF = child<QAction>("mnRenomearPastasParaUF");
    }

    // Shown and active, so keys reach the focused control through the window's key handling.
    bool show() {
        form.show();
        QApplication::setActiveWindow(&form);
        return QTest::qWaitForWindowActive(&form);
    }

    orq::TORQListView& list() const { return listWidget->view(); }
    QAbstractItemModel* model() const { return listWidget->model(); }

    QStringList column(int column) const {
        QStringList texts;
        for (int row = 0; row < model()->rowCount(); ++row)
            texts << model()->index(row, column).data().toString();
        return texts;
    }
    QStringList names() const { return column(0); }
    QList<QStringList> rows() const {
        QList<QStringList> out;
        for (int row = 0; row < model()->rowCount(); ++row) {
            QStringList cells;
            for (int c = 0; c < model()->columnCount(); ++c)
                cells << model()->index(row, c).data().toString();
            out << cells;
        }
        return out;
    }
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
    QStringList coloured() const {
        QStringList out;
        for (int row = 0; row < model()->rowCount(); ++row) {
            const QVariant colour = model()->index(row, 0).data(Qt::ForegroundRole);
            if (colour.isValid())
                out << model()->index(row, 0).data().toString();
        }
        return out;
    }
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
    void type(const QString& text) {
        for (QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(focused(), char(c.unicode()));
            } else {
                const char16_t upper = c.toUpper().unicode();
                QTest::sendKeyEvent(QTest::Click, focused(),
                                    upper <= 0xff ? Qt::Key(upper) : Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
        }
    }

    void clickHeader(int section) {
        QHeaderView* header = listWidget->header();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    }
    QPoint rowCentre(int row) const {
        return listWidget->visualRect(model()->index(row, 0)).center();
    }
    bool rowFullyVisible(int row) const {
        return listWidget->viewport()->rect().contains(
            listWidget->visualRect(model()->index(row, 0)));
    }

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

} // namespace orqtest
