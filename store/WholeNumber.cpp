#include "WholeNumber.h"

namespace kelpo {

namespace {

int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

}  // namespace

WholeNumber ReadWholeNumber(const QString &text)
{
    WholeNumber r;
    const int n = int(text.size());
    int i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < n && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0')
               && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    // Decimal values are limited by the sign; hexadecimal ones may use all 32 bits.
    const qint64 limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 2147483648LL : 2147483647LL);
    qint64 v = 0;
    int digits = 0;
    while (i < n) {
        const int d = DigitValue(text[i]);
        if (d < 0 || d >= base || v * base + d > limit)
            break;
        v = v * base + d;
        ++digits;
        ++i;
    }
    if (base == 16 && !negative && v > 0x7FFFFFFF)
        v -= 0x100000000LL;  // hexadecimal spells the bit pattern
    r.value = qint32(negative ? -v : v);
    r.valid = digits > 0 && i == n;
    return r;
}

}  // namespace kelpo
