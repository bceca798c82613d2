#include "catalogue/BaseRecordText.h"

namespace orq {

namespace {

using Wide = __int128;

// numerator / denominator rounded to the nearest integer, ties to even; both non-negative.
Wide divideRoundingHalfToEven(Wide numerator, Wide denominator) {
    const Wide quotient = numerator / denominator;
    const Wide twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

QString grouped(qint64 value, QChar separator) {
    QString digits = QString::number(value);
    if (separator.isNull())
        return digits;
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, separator);
    return digits;
}

} // namespace

QString baseDateTimeText(const QDateTime& lastWriteUtc, int utcOffsetNow,
                         const sys::RegionalSettings& settings) {
    const QDateTime local = lastWriteUtc.toUTC().addSecs(utcOffsetNow);
    const QDate date = local.date();
    const QTime time = local.time();
    QString text = settings.formatDate(date);
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += u' ' + settings.formatTime(QTime(time.hour(), time.minute(), time.second()));
    return text;
}

qint64 sizeInHundredthsOfKilobyte(qint64 bytes) {
    const Wide size = bytes < 0 ? 0 : bytes;
    const Wide tenThousandths = divideRoundingHalfToEven(size * 10000, 1024);
    return qint64(divideRoundingHalfToEven(tenThousandths, 100));
}

QString baseSizeText(qint64 bytes, const sys::RegionalSettings& settings) {
    const qint64 hundredths = sizeInHundredthsOfKilobyte(bytes);
    const qint64 fraction = hundredths % 100;
    QString text = grouped(hundredths / 100, settings.thousandSeparator());
    text += settings.decimalSeparator();
    if (fraction < 10)
        text += u'0';
    text += QString::number(fraction);
    return text;
}

} // namespace orq
