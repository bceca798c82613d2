#pragma once

#include <QByteArray>
#include <QString>

namespace orq::sys {

// The encodings a text file may be read in. Ansi stands for the system's ANSI code page,
// which is Windows-1252 here, the code page of Brazilian Portuguese Windows, so files on a
// share stay readable by Windows machines.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// Windows-1252, as WideCharToMultiByte / MultiByteToWideChar with flags 0 do it:
// a character the code page lacks is written as "?"; the five unassigned bytes
// (0x81 0x8D 0x8F 0x90 0x9D) read as the control characters of the same code.
QByteArray encodeAnsi(QStringView text);
QString decodeAnsi(QByteArrayView bytes);

// The byte-order mark of an encoding (empty for Ansi).
QByteArray byteOrderMark(TextEncoding encoding);

// Detects the encoding from the first bytes: UTF-8 mark, then UTF-16 LE, then UTF-16 BE;
// without a mark the bytes are Ansi. markLength receives the length of the mark found.
TextEncoding detectEncoding(QByteArrayView bytes, qsizetype* markLength = nullptr);

// Whole-text conversion, without any mark.
QByteArray encodeText(QStringView text, TextEncoding encoding);
QString decodeText(QByteArrayView bytes, TextEncoding encoding);

} // namespace orq::sys
