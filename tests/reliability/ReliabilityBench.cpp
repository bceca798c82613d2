#include "ReliabilityBench.h"

#include "catalogue/BaseScan.h"
#include "catalogue/CatalogueLine.h"
#include "catalogue/ProductFiles.h"
#include "catalogue/Roots.h"
#include "system/TextEncoding.h"
#include "system/TextList.h"

#include <QDir>
#include <QFile>

using namespace orq;

namespace orqtest {

QString fileName(WrittenFile file) {
    switch (file) {
    case WrittenFile::Ini:
        return orq::product::ConnectionFile;
    case WrittenFile::Hosts:
        return orq::product::HostsFile;
    case WrittenFile::Catalogue:
        return orq::product::CatalogueFile;
    }
    return QString();
}

QString shortName(WrittenFile file) {
    switch (file) {
    case WrittenFile::Ini:
        return QStringLiteral("ini");
    case WrittenFile::Hosts:
        return QStringLiteral("hosts");
    case WrittenFile::Catalogue:
        return QStringLiteral("catalogue");
    }
    return QString();
}

std::optional<WrittenFile> writtenFileNamed(const QString& name) {
    for (const WrittenFile file : {WrittenFile::Ini, WrittenFile::Hosts, WrittenFile::Catalogue}) {
        if (shortName(file) == name)
            return file;
    }
    return std::nullopt;
}

Bench::Bench(const QString& programFolder_, const QString& root_)
    : programFolder(programFolder_), root(root_),
      ptBR(sys::RegionalSettings::forLocale(QLocale(QStringLiteral("pt_BR")))), list(ptBR),
      chooser(list, programFolder, ptBR) {
    list.addColumn(QStringLiteral("Nome"), 356);
    list.addColumn(QStringLiteral("Data/Hora"), 115);
    list.addColumn(QStringLiteral("Tamanho"), 86);
    QObject::connect(&chooser, &BaseChooser::notice,
                     [this](const QString& message) { notices << message; });
}

QString Bench::iniPath() const {
    return programFolder + u'/' + orq::product::ConnectionFile;
}

QString Bench::hostsPath() const {
    return orq::hostsFilePath(programFolder);
}

QString Bench::cataloguePath() const {
    return root + u'/' + orq::product::CatalogueFile;
}

QString Bench::folderOf(WrittenFile file) const {
    return file == WrittenFile::Catalogue ? root : programFolder;
}

QString Bench::pathOf(WrittenFile file) const {
    return folderOf(file) + u'/' + fileName(file);
}

QStringList Bench::names() const {
    QStringList out;
    for (int i = 0; i < list.rowCount(); ++i)
        out << list.row(i).caption();
    return out;
}

const QStringList& Bench::catalogue(int version) {
    std::optional<QStringList>& lines = m_catalogues[version % 2];
    if (!lines)
        lines = catalogueLines(version % 2);
    return *lines;
}

void Bench::enter(const QString& base) {
    list.setSelectedRow(chooser.findRowByCaption(base));
    chooser.EnterSelectedBase(root);
}

QByteArray iniWithBase(const QString& base) {
    return "; orqcon.ini do ORQ 7\r\n"
           "[SERVIDOR]\r\n"
           "NOME=localhost\r\n"
           "\r\n"
           "[ORQ]\r\n"
           "CAMINHO=C:\\Varnelo\\ORQ_7\\ORQ_DADOS\\" +
           sys::encodeAnsi(base) +
           "\\ORQ.FDB\r\n"
           "USUARIO = SYSDBA ; padrao\r\n"
           "\r\n"
           "[Janela]\r\n"
           "Maximizada=1\r\n";
}

QString iniBase(int step) {
    return step % 2 == 0 ? QStringLiteral("BASE_A") : QStringLiteral("Base B, São Paulo");
}

QByteArray catalogueOfIniBases() {
    QByteArray bytes;
    for (int step = 0; step < 2; ++step) {
        bytes += sys::encodeAnsi(
                     orq::encodeCatalogueLine({iniBase(step), QStringLiteral("05/03/2013 14:07:09"),
                                               QStringLiteral("1.234,56")})) +
                 "\r\n";
    }
    return bytes;
}

QString hostRoot(int i) {
    return QStringLiteral("\\\\servidor%1\\orq\\ORQ_7").arg(i);
}

QByteArray hostsWithRoots(int n) {
    QByteArray bytes;
    for (int i = 0; i < n; ++i)
        bytes += hostRoot(i).toLatin1() + "\r\n";
    return bytes;
}

namespace {

// Appends the number in at least this many digits, as dates, times and decimals show it.
void appendNumber(QString& text, int number, int width = 2) {
    char digits[12];
    int length = 0;
    do {
        digits[length++] = char('0' + number % 10);
        number /= 10;
    } while (number > 0);
    for (int i = length; i < width; ++i)
        text += u'0';
    while (length > 0)
        text += QLatin1Char(digits[--length]);
}

} // namespace

// Built a character at a time: the writer makes one at every start, and a kill test starts it a
// hundred times.
QStringList catalogueLines(int version) {
    QStringList lines;
    constexpr int count = 100000;
    lines.reserve(count);
    const QString day =
        version == 0 ? QStringLiteral("05/03/2013 ") : QStringLiteral("17/11/2024 ");
    for (int i = 0; i < count; ++i) {
        // What encodeCatalogueLine gives for the name, the date and time, and the size: each
        // holds a blank or a comma, so each is quoted.
        QString line;
        line.reserve(64);
        line += QStringLiteral("\"Base ");
        appendNumber(line, i, 6);
        line += QStringLiteral(" São Paulo\",\"");
        line += day;
        appendNumber(line, i / 3600 % 24);
        line += u':';
        appendNumber(line, i / 60 % 60);
        line += u':';
        appendNumber(line, i % 60);
        line += QStringLiteral("\",\"");
        appendNumber(line, i * (version + 3), 1);
        line += u',';
        appendNumber(line, i % 100);
        line += u'"';
        lines.append(std::move(line));
    }
    return lines;
}

QByteArray catalogueBytes(int version) {
    sys::TextList list;
    list.lines = catalogueLines(version);
    return list.toBytes();
}

namespace {

void writeBytesOrDie(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !out.open(QIODevice::WriteOnly) ||
        out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

void prepare(WrittenFile file, const Bench& bench) {
    switch (file) {
    case WrittenFile::Ini:
        writeBytesOrDie(bench.iniPath(), iniWithBase(iniBase(0)));
        writeBytesOrDie(bench.cataloguePath(), catalogueOfIniBases());
        break;
    case WrittenFile::Hosts:
        writeBytesOrDie(bench.hostsPath(), hostsWithRoots(20));
        break;
    case WrittenFile::Catalogue:
        writeBytesOrDie(bench.cataloguePath(), catalogueBytes(0));
        break;
    }
}

void writeNext(WrittenFile file, Bench& bench, int step) {
    switch (file) {
    case WrittenFile::Ini:
        bench.chooser.ReadIniFolderName();
        bench.enter(iniBase(bench.chooser.currentBaseName() == iniBase(0) ? 1 : 0));
        break;
    case WrittenFile::Hosts:
        bench.chooser.rememberRoot(hostRoot(int(bench.chooser.knownRoots().size())));
        break;
    case WrittenFile::Catalogue: {
        sys::TextList catalogue;
        catalogue.lines = bench.catalogue(step);
        catalogue.saveToFile(orq::catalogueFilePath(bench.root));
        break;
    }
    }
}

} // namespace orqtest
