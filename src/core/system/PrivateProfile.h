#pragma once

#include <QString>

namespace orq::sys {

// Private-profile (INI) files in the dialect of the original platform's profile calls.
// QSettings is not fit for this: it escapes backslashes, reorders, drops comments and rewrites
// keys it never touched, and the product reads the same file.
//
// - Section and key names match with letter case ignored (ASCII and Latin letters alike).
// - A read trims blanks around the value and drops one pair of surrounding quotes (single or
//   double); a missing file, section or key reads as the empty text; a value is read as at most
//   2047 characters.
// - A write changes only its own line, or appends the key at the end of its section, or the
//   section at the end of the file; every other byte stays, comments, blank lines and order
//   included. New lines end in CR LF. Values are stored as given, without escaping.
// - Encoding: Windows-1252, except a file that starts with a UTF-16 little-endian mark,
//   which stays UTF-16.
// - The file is replaced atomically (temporary file in the same folder, then rename), so a crash
//   never leaves it half written. A failed write throws Error::unableToWrite(path).
//
// Paths are Windows-form texts (see Paths.h).
class PrivateProfile {
public:
    static constexpr qsizetype MaxValueLength = 2047;

    static QString read(const QString& path, const QString& section, const QString& key);
    static void write(const QString& path, const QString& section, const QString& key,
                      const QString& value);
};

} // namespace orq::sys
