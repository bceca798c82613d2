#pragma once

#include "system/Locale.h"

#include <QDateTime>
#include <QString>

namespace orq {

// The date/time field: the short date, then a blank and the long time unless the time is
// midnight to the second. utcOffsetNow is the local offset in force when the catalogue is
// built, applied to every file alike (not the offset in force when the file was written).
QString baseDateTimeText(const QDateTime& lastWriteUtc, int utcOffsetNow,
                         const sys::RegionalSettings& settings);

// The size field: kilobytes with two decimals, rounded twice with ties to even
// (to ten-thousandths, then to hundredths), grouped with the thousand separator.
QString baseSizeText(qint64 bytes, const sys::RegionalSettings& settings);

// The size in hundredths of a kilobyte, as the two roundings give it.
qint64 sizeInHundredthsOfKilobyte(qint64 bytes);

} // namespace orq
