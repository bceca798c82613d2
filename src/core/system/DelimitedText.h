#pragma once

#include <QStringList>
#include <QStringView>

namespace orq::sys {

// The runtime's blanks: every character with a code from 1 to 32. A NUL is none of them, it ends
// the text.
constexpr bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// The runtime's delimited-text split, the one the catalogue lines and the share roots are read
// with. Items end at the delimiter or at a blank; blanks before an item are skipped. An item
// that starts with a double quote runs to its closing quote, blanks and delimiters included,
// with "" inside standing for one quote; text right after the closing quote starts the next
// item. A quote anywhere else is an ordinary character. A delimiter that is the text's last
// character adds one empty item; a NUL ends the text.
//
// quoteLeftOpen, when given, tells whether a quoted item ran to the end of the text without its
// closing quote: the text was most likely cut short.
QStringList splitDelimited(QStringView text, QChar delimiter, bool* quoteLeftOpen = nullptr);

} // namespace orq::sys
