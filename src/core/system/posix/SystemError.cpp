#include "system/Error.h"

#include <cstring>

namespace orq {

QString systemErrorText(int errnum) {
    // The GNU strerror_r may return a static text instead of filling the buffer.
    char buffer[256] = {};
    const char* text = strerror_r(errnum, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

} // namespace orq
