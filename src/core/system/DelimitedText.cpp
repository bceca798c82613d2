#include "system/DelimitedText.h"

namespace orq::sys {

QStringList splitDelimited(QStringView text, QChar delimiter, bool* quoteLeftOpen) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text = text.first(nul);
    const qsizetype end = text.size();
    const QChar quote = u'"';

    QStringList items;
    bool open = false;
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < end && isBlank(text[p]))
            ++p;
    };

    skipBlanks();
    while (p < end) {
        if (text[p] == quote) {
            // Whole runs between quotes are copied at once: catalogue lines quote most fields.
            QString item;
            ++p;
            for (;;) {
                const qsizetype close = text.indexOf(quote, p);
                if (close < 0) {
                    item += text.sliced(p);
                    p = end;
                    open = true;
                    break;
                }
                item += text.sliced(p, close - p);
                p = close + 1;
                if (p == end || text[p] != quote)
                    break;
                item += quote; // a doubled quote stands for one
                ++p;
            }
            items.append(item);
        } else {
            const qsizetype start = p;
            while (p < end && !isBlank(text[p]) && text[p] != delimiter)
                ++p;
            items.append(text.sliced(start, p - start).toString());
        }
        skipBlanks();
        if (p < end && text[p] == delimiter) {
            ++p;
            if (p == end)
                items.append(QString());
            skipBlanks();
        }
    }
    if (quoteLeftOpen)
        *quoteLeftOpen = open;
    return items;
}

} // namespace orq::sys
