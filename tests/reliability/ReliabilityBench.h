#pragma once

// What the reliability tests and their writer process share: a program folder and a root with
// the chooser the window works through, and the three files the program replaces on a user's
// machine, each written the way the program writes it, with the exact bytes every write gives.

#include "listview/uTORQListView.h"
#include "session/BaseChooser.h"
#include "system/Locale.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace orqtest {

// The files: orqcon.ini (entering a base), ORQDados.Hosts.txt (a root remembered) and the
// catalogue ORQDados.csv (saved after a scan).
enum class WrittenFile { Ini, Hosts, Catalogue };
QString fileName(WrittenFile file);
// "ini", "hosts" or "catalogue", as the writer process is told.
QString shortName(WrittenFile file);
std::optional<WrittenFile> writtenFileNamed(const QString& shortName);

// A program folder and a root (native paths), a list with the window's three columns and the
// chooser over them; every notice is kept.
class Bench {
public:
    Bench(const QString& programFolder, const QString& root);
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    const QString programFolder;
    const QString root;
    QString iniPath() const;
    QString hostsPath() const;
    QString cataloguePath() const;

    // Native path of the folder that holds the file, and of the file.
    QString folderOf(WrittenFile file) const;
    QString pathOf(WrittenFile file) const;

    // The names the list shows, in its order.
    QStringList names() const;
    // Selects the row of this base in the opened list and enters it, as Entrar does.
    void enter(const QString& base);

    // A version of the 100 000-line catalogue, made once.
    const QStringList& catalogue(int version);

    orq::sys::RegionalSettings ptBR;
    orq::TORQListView list;
    orq::BaseChooser chooser;
    QStringList notices;

private:
    std::optional<QStringList> m_catalogues[2];
};

// --- The states each file goes through ------------------------------------------------------

// orqcon.ini as the product leaves it, naming this base; entering the other one changes only its
// CAMINHO line.
QByteArray iniWithBase(const QString& base);
// The two bases a writer enters in turn, and the catalogue that lists them.
QString iniBase(int step);
QByteArray catalogueOfIniBases();

// The i-th root a writer remembers, and the known-roots file holding the first n of them.
QString hostRoot(int i);
QByteArray hostsWithRoots(int n);

// A catalogue of 100 000 bases in two versions (other dates and sizes), as its lines and as the
// bytes a save writes.
QStringList catalogueLines(int version);
QByteArray catalogueBytes(int version);

// Puts a file's first state in place: for the ini, also the catalogue of the bases it names.
void prepare(WrittenFile file, const Bench& bench);

// Writes the file once more through the program's own path: enters the base the file does not
// name, remembers the next root, or saves the catalogue version the file does not hold. The
// chooser must have opened the root (ini) or loaded the known roots (hosts) first; for the
// catalogue, step picks the version.
void writeNext(WrittenFile file, Bench& bench, int step);

} // namespace orqtest
