#pragma once

#include <QString>
#include <QStringView>

namespace orq::sys {

// The runtime's narrow letter-case rule for matching typed text: only A to Z fold, onto a to z;
// accented letters and everything else compare unchanged.
constexpr char16_t foldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

inline QString foldedAscii(QString text) {
    for (QChar& c : text)
        c = QChar(foldAscii(c.unicode()));
    return text;
}

// Whether folded (already folded) occurs in text once text is folded, without folding a copy of
// text: filters run this over every row or line at every keystroke.
inline bool containsFoldedAscii(QStringView text, QStringView folded) {
    const qsizetype n = folded.size();
    const char16_t* t = text.utf16();
    const char16_t* f = folded.utf16();
    for (qsizetype at = 0; at + n <= text.size(); ++at) {
        qsizetype k = 0;
        while (k < n && foldAscii(t[at + k]) == f[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

} // namespace orq::sys
