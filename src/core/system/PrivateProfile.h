#pragma once

#include <QString>

#include <optional>

namespace orq::sys {

// Private-profile (INI) files in the dialect of the original platform's profile calls.
// QSettings is not fit for this: it escapes backslashes, reorders, drops comments and rewrites
// keys it never touched, and the product reads the same file.
//
// - Section and key names match with letter case ignored (ASCII and Latin letters alike).
// - A read trims ASCII white space around the value and drops one pair of surrounding quotes
//   (single or double); a value is read as at most 2047 characters. A missing (or unreadable)
//   file, section or key reads as nothing, a key with nothing after its "=" as the empty text.
// - A write changes only its own line, or appends the key at the end of its section, or the
//   section at the end of the file; every other byte stays, comments, blank lines and order
//   included. New lines end in CR LF. Values are stored as given, without escaping.
// - Encoding: Windows-1252, except a file that starts with a UTF-16 little-endian mark,
//   which stays UTF-16.
// - The file is replaced atomically by sys::writeFile (temporary file in the same folder, flushed
//   to disk, then renamed over it, keeping its permissions), so a crash never leaves it half
//   written. A failed write throws Error::unableToWrite(path) and leaves the old file as it was.
//
// Paths are Windows-form texts (see Paths.h).
class PrivateProfile {
public:
    static constexpr qsizetype MaxValueLength = 2047;

    static std::optional<QString> read(const QString& path, const QString& section,
                                       const QString& key);
    static void write(const QString& path, const QString& section, const QString& key,
                      const QString& value);
};

} // namespace orq::sys
