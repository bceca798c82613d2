#include "FormFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>

#include <csignal>
#include <time.h>

namespace orqtest {

namespace {

QList<Base> basesNamed(const QStringList& names) {
    QList<Base> bases;
    for (const QString& name : names)
        bases.append({name});
    return bases;
}

} // namespace

void pinTestEnvironment() {
    QLocale::setDefault(QLocale(QStringLiteral("pt_BR")));
    qputenv("TZ", "UTC");
    tzset();
    qputenv("ORQ7_EXIT", "1");
    static TempFolder emptyPrefix;
    qputenv("WINEPREFIX", QFile::encodeName(emptyPrefix.path()));
}

QString quoted(const QString& field) {
    for (QChar c : field) {
        if (c.unicode() <= 32 || c == u'"' || c == u',')
            return u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                   u'"';
    }
    return field;
}

QString doubledBackslashRoot(const QString& folder) {
    const qsizetype cut = folder.lastIndexOf(u'/');
    return folder.left(cut) + QStringLiteral("\\\\") + folder.mid(cut + 1);
}

QString catalogueLine(const Base& base) {
    return quoted(base.name) + u',' + quoted(base.dateTime) + u',' + quoted(base.size);
}

QByteArray crlfAnsi(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += orq::sys::encodeAnsi(line) + "\r\n";
    return bytes;
}

Bench::Bench() : m_log("ORQ7_LOG", QFile::encodeName(m_program.file(QStringLiteral("orq7.log")))) {
    const QString product = m_program.file(QStringLiteral("ORQ7.exe"));
    const QString built = qEnvironmentVariable("ORQ_TEST_BIN") + QStringLiteral("/ORQ7.exe");
    if (!QFile::copy(built, product))
        qFatal("cannot copy the stand-in product from %s", qPrintable(built));
}

Bench::Bench(const QList<Base>& catalogue) : Bench() {
    writeCatalogue(catalogue);
}

void Bench::writeIniNaming(const QString& databasePath) const {
    writeIni("; ORQ 7\r\n[ORQ]\r\nCAMINHO=" + orq::sys::encodeAnsi(databasePath) +
             "\r\nIDIOMA=pt\r\n\r\n[SERVIDOR]\r\nNOME=velho\r\nPORTA=3050\r\n");
}

void Bench::writeCatalogueOf(const QString& root, const QList<Base>& bases) {
    QStringList lines;
    for (const Base& base : bases)
        lines << catalogueLine(base);
    writeBytes(root + QStringLiteral("/ORQDados.csv"), crlfAnsi(lines));
}

void Bench::writeCatalogue(const QStringList& names) const {
    writeCatalogue(basesNamed(names));
}

QList<QStringList> Bench::productStarts() const {
    QList<QStringList> starts;
    for (const QStringList& fields : standInLog(m_program.file(QStringLiteral("orq7.log"))))
        starts.append(fields.mid(1)); // without the pid
    return starts;
}

QList<pid_t> Bench::runningProducts() const {
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

Bench::~Bench() {
    for (const pid_t pid : runningProducts())
        ::kill(pid, SIGKILL);
}

Window::Window(const QStringList& arguments, const QString& programFolder)
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

bool Window::show() {
    form.show();
    QApplication::setActiveWindow(&form);
    return QTest::qWaitForWindowActive(&form);
}

QStringList Window::column(int column) const {
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        texts << model()->index(row, column).data().toString();
    return texts;
}

QList<QStringList> Window::rows() const {
    QList<QStringList> out;
    for (int row = 0; row < model()->rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < model()->columnCount(); ++c)
            cells << model()->index(row, c).data().toString();
        out << cells;
    }
    return out;
}

QStringList Window::coloured() const {
    QStringList out;
    for (int row = 0; row < model()->rowCount(); ++row) {
        const QVariant colour = model()->index(row, 0).data(Qt::ForegroundRole);
        if (colour.isValid())
            out << model()->index(row, 0).data().toString();
    }
    return out;
}

void Window::type(const QString& text) {
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

void Window::clickHeader(int section) {
    QHeaderView* header = listWidget->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
}

bool Window::rowFullyVisible(int row) const {
    return listWidget->viewport()->rect().contains(listWidget->visualRect(model()->index(row, 0)));
}

namespace {

const Bench& namingStoredPath(const Bench& bench, const QString& storedPath) {
    if (!storedPath.isEmpty())
        bench.writeIniNaming(storedPath);
    return bench;
}

} // namespace

OpenedWindow::OpenedWindow(const QList<Base>& catalogue, const QString& storedPath)
    : bench(catalogue),
      window({bench.root()}, namingStoredPath(bench, storedPath).programFolder()) {}

OpenedWindow::OpenedWindow(const QStringList& names, const QString& storedPath)
    : OpenedWindow(basesNamed(names), storedPath) {}

} // namespace orqtest
