#pragma once

#include "system/TextEncoding.h"

#include <QStringList>

namespace orq::sys {

// An ordered list of text lines that remembers the encoding of the file it was last loaded
// from. Stands for the runtime's general text container: the catalogue, its filtered subset,
// the known roots and the scratch record are all TextLists.
class TextList {
public:
    QStringList lines;

    // Reads the whole file: the encoding comes from its byte-order mark (Ansi without one).
    // Lines end at CR LF, CR or LF; a last line without a terminator counts; a terminator at
    // the very end adds no empty line; a NUL ends the text. On failure the list is unchanged.
    // Throws Error::cannotOpenFile.
    void loadFromFile(const QString& path);

    // Writes every line followed by CR LF, in the encoding of the last load (preceded by its
    // mark), or Ansi without a mark when the list was never loaded.
    // Throws Error::cannotCreateFile.
    void saveToFile(const QString& path) const;

    // The bytes saveToFile writes, and the parsing loadFromFile does, without the file.
    QByteArray toBytes() const;
    void setFromBytes(QByteArrayView bytes);

    TextEncoding encoding() const { return m_encoding; }
    bool wasLoaded() const { return m_loaded; }
    // The line, counted from 1, in which a NUL ended the text of the last load; 0 when none did.
    // What a crash of the machine leaves of a file (blocks never written read as zeros) loads
    // without an error, short or empty, and this is how a reader tells.
    qsizetype nulLine() const { return m_nulLine; }

private:
    TextEncoding m_encoding = TextEncoding::Ansi;
    bool m_loaded = false;
    qsizetype m_nulLine = 0;
};

} // namespace orq::sys
