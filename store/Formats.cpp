// Formatting and lenient parsing of dates, times and day numbers in the
// program's formats (the patterns are compiled in LocalePatterns.cpp).
#include "Formats.h"

#include "ItemDates.h"

#include "TextCodec.h"

#include <charconv>
#include <cmath>

namespace kelpo {

using formats_detail::IsBlank;
using formats_detail::Token;
using namespace day_number_detail;

namespace {

inline bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

inline void SkipBlanks(QStringView s, qsizetype &pos)
{
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
}

// Reads up to `maxDigits` ASCII digits. Returns the number of digits read
// (0: none); -1 when there are more digits than allowed.
int ScanNumber(QStringView s, qsizetype &pos, int maxDigits, int *value)
{
    int digits = 0;
    int v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        if (++digits > maxDigits)
            return -1;
        v = v * 10 + (s[pos].unicode() - u'0');
        ++pos;
    }
    *value = v;
    return digits;
}

// Matches a folded literal at `pos`: ' ' in the literal stands for one or
// more blanks, other characters are compared case-folded. Advances on success.
bool MatchFolded(QStringView s, qsizetype &pos, QStringView folded)
{
    if (folded.isEmpty())
        return false;
    // Reads one code point (a surrogate pair counts as one).
    auto next = [](QStringView v, qsizetype &i) -> char32_t {
        const QChar c = v[i++];
        if (c.isHighSurrogate() && i < v.size() && v[i].isLowSurrogate())
            return QChar::surrogateToUcs4(c, v[i++]);
        return c.unicode();
    };
    qsizetype p = pos;
    qsizetype i = 0;
    while (i < folded.size()) {
        const char32_t c = next(folded, i);
        if (c == U' ') {
            if (p >= s.size() || !IsBlank(s[p]))
                return false;
            SkipBlanks(s, p);
        } else if (p >= s.size() || QChar::toCaseFolded(next(s, p)) != c) {
            return false;
        }
    }
    pos = p;
    return true;
}

bool MatchAny(QStringView s, qsizetype &pos, const QStringList &folded)
{
    for (const QString &lit : folded)
        if (MatchFolded(s, pos, lit))
            return true;
    return false;
}

void AppendNumber(QString &out, int value, int width)
{
    char16_t buf[12];
    int n = 0;
    do {
        buf[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 12);
    for (int i = n; i < width; ++i)
        out += QLatin1Char('0');
    while (n > 0)
        out += QChar(buf[--n]);
}

}  // namespace

struct Formats::Split {
    qint64 days = 0;
    int year = 0, month = 0, day = 0;
    int ms = 0;  // of the day
};

bool Formats::SplitDayNumber(double dayNumber, Split *out) const
{
    if (!SplitParts(dayNumber, &out->days, &out->ms))
        return false;
    QDate::fromJulianDay(EpochJulianDay + out->days).getDate(&out->year, &out->month, &out->day);
    return true;
}

void Formats::SwitchDecimalSeparator()
{
    decimalSep_ = decimalSep_ == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
}

int Formats::ExpandYear(int twoDigitYear) const
{
    const int windowStart = currentYear_ - 50;
    int year = windowStart / 100 * 100 + twoDigitYear;
    if (year < windowStart)
        year += 100;
    return year;
}

// ---------------------------------------------------------------- formatting

void Formats::AppendDate(QString &out, const Split &s) const
{
    for (const Token &t : date_.tokens) {
        switch (t.kind) {
        case Token::Literal: out += t.text; break;
        case Token::Day: AppendNumber(out, s.day, t.width); break;
        case Token::Month: AppendNumber(out, s.month, t.width); break;
        case Token::Year2: AppendNumber(out, s.year % 100, 2); break;
        case Token::Year4: AppendNumber(out, s.year, 4); break;
        default: break;
        }
    }
}

void Formats::AppendTime(QString &out, const Split &s) const
{
    const int hour = s.ms / 3600000;
    const int minute = s.ms / 60000 % 60;
    const int second = s.ms / 1000 % 60;
    const int msec = s.ms % 1000;
    const bool pm = hour >= 12;
    for (const Token &t : time_.tokens) {
        switch (t.kind) {
        case Token::Literal: out += t.text; break;
        case Token::Hour24: AppendNumber(out, hour, t.width); break;
        case Token::Hour12: AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, t.width); break;
        case Token::Minute: AppendNumber(out, minute, t.width); break;
        case Token::Second: AppendNumber(out, second, t.width); break;
        case Token::Msec3: AppendNumber(out, msec, 3); break;
        case Token::MsecTrim: {
            int v = msec, w = 3;
            while (w > 1 && v % 10 == 0) {
                v /= 10;
                --w;
            }
            AppendNumber(out, v, w);
            break;
        }
        case Token::AmPmUpper: out += pm ? pmUpper_ : amUpper_; break;
        case Token::AmPmLower: out += pm ? pmLower_ : amLower_; break;
        case Token::AmPmAsIs: out += pm ? pm_ : am_; break;
        default: break;
        }
    }
}

QString Formats::FormatParts(double dayNumber, bool withDate, bool withTime) const
{
    Split s;
    if (!SplitDayNumber(dayNumber, &s))
        return QString();
    QString out;
    out.reserve(32);
    if (withDate)
        AppendDate(out, s);
    if (withDate && withTime)
        out += QLatin1Char(' ');
    if (withTime)
        AppendTime(out, s);
    return out;
}

QString Formats::FormatDate(double dayNumber) const { return FormatParts(dayNumber, true, false); }
QString Formats::FormatTime(double dayNumber) const { return FormatParts(dayNumber, false, true); }
QString Formats::FormatDateTime(double dayNumber) const { return FormatParts(dayNumber, true, true); }

QString Formats::FormatDate(const QDate &d) const
{
    return FormatDate(ToDayNumber(d));
}

QString Formats::FormatDayNumber(double dayNumber) const
{
    char buffer[DayNumberChars];
    return QString::fromLatin1(buffer, WriteDayNumber(dayNumber, buffer));
}

qsizetype Formats::WriteDayNumber(double dayNumber, char *out) const
{
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) >= 1e12)
        return 0;
    // Thousandths, rounded half away from zero, then split in integers.
    qint64 r = day_number_detail::RoundHalfAway(dayNumber * 1000.0);
    // The last moments of the year 9999 would round into the year 10000,
    // which no reader takes: they are written as the last thousandth.
    constexpr qint64 EndThousandths = qint64(EndDayNumber) * 1000;
    if (dayNumber < EndDayNumber && r >= EndThousandths)
        r = EndThousandths - 1;
    char *p = out;
    if (r < 0) {
        *p++ = '-';
        r = -r;
    }
    p = std::to_chars(p, out + DayNumberChars, r / 1000).ptr;
    const int frac = int(r % 1000);
    if (frac != 0) {
        // Up to three digits, without the zeros at the end.
        const int tenths = frac / 100, hundredths = frac / 10 % 10, thousandths = frac % 10;
        *p++ = char(decimalSep_.unicode());
        *p++ = char('0' + tenths);
        if (hundredths != 0 || thousandths != 0)
            *p++ = char('0' + hundredths);
        if (thousandths != 0)
            *p++ = char('0' + thousandths);
    }
    return p - out;
}

// ---------------------------------------------------------------- parsing

int Formats::MatchDesignator(QStringView s, qsizetype &pos) const
{
    for (const auto &d : designators_)
        if (MatchFolded(s, pos, d.first))
            return d.second;
    return 0;
}

bool Formats::ScanDate(QStringView s, qsizetype &pos, qint64 *days) const
{
    qsizetype p = pos;
    SkipBlanks(s, p);
    while (MatchAny(s, p, date_.lead))
        SkipBlanks(s, p);

    int n[3] = {0, 0, 0};
    int len[3] = {0, 0, 0};
    len[0] = ScanNumber(s, p, 4, &n[0]);
    if (len[0] <= 0)
        return false;
    SkipBlanks(s, p);
    if (p >= s.size())
        return false;
    const QChar sep = s[p];
    if (sep != QLatin1Char('/') && sep != QLatin1Char('.') && sep != QLatin1Char('-') && sep != dateSep_)
        return false;
    ++p;
    SkipBlanks(s, p);
    len[1] = ScanNumber(s, p, 4, &n[1]);
    if (len[1] <= 0)
        return false;
    int count = 2;
    {
        qsizetype q = p;
        SkipBlanks(s, q);
        if (q < s.size() && s[q] == sep) {
            const qsizetype afterSep = ++q;
            SkipBlanks(s, q);
            int v;
            const int l = ScanNumber(s, q, 4, &v);
            if (l < 0)
                return false;
            if (l > 0) {
                n[2] = v;
                len[2] = l;
                count = 3;
                p = q;
            } else {
                p = afterSep;  // "5.3.": day and month closed by the separator
            }
        }
    }
    for (;;) {
        qsizetype q = p;
        SkipBlanks(s, q);
        if (!MatchAny(s, q, date_.trail))
            break;
        p = q;
    }

    // Which field is which: three in the locale's order; two are day and
    // month in the locale's order, in the current year.
    int dayAt = 0, monthAt = 1, yearAt = -1;
    if (count == 3) {
        switch (order_) {
        case DateOrder::DMY: dayAt = 0; monthAt = 1; yearAt = 2; break;
        case DateOrder::MDY: monthAt = 0; dayAt = 1; yearAt = 2; break;
        case DateOrder::YMD: yearAt = 0; monthAt = 1; dayAt = 2; break;
        }
    } else if (order_ != DateOrder::DMY) {
        monthAt = 0;
        dayAt = 1;
    }
    if (len[dayAt] > 2 || len[monthAt] > 2)
        return false;
    int year = currentYear_;
    if (yearAt >= 0) {
        if (len[yearAt] == 3)
            return false;
        year = len[yearAt] <= 2 ? ExpandYear(n[yearAt]) : n[yearAt];
    }
    const QDate date(year, n[monthAt], n[dayAt]);
    if (year < 1 || !date.isValid())
        return false;
    *days = date.toJulianDay() - EpochJulianDay;
    pos = p;
    return true;
}

bool Formats::ScanTime(QStringView s, qsizetype &pos, int *msOfDay) const
{
    qsizetype p = pos;
    int designator = 0;
    for (;;) {
        SkipBlanks(s, p);
        if (!designator && (designator = MatchDesignator(s, p)) != 0)
            continue;
        if (MatchAny(s, p, time_.lead))
            continue;
        break;
    }
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (ScanNumber(s, p, 2, &hour) <= 0)
        return false;
    auto separator = [&](const QString &a, const QString &b) {
        qsizetype q = p;
        SkipBlanks(s, q);
        if (q < s.size() && s[q] == QLatin1Char(':'))
            ++q;
        else if (!MatchFolded(s, q, a) && !MatchFolded(s, q, b))
            return false;
        SkipBlanks(s, q);
        p = q;
        return true;
    };
    if (separator(time_.sep1, QString())) {
        if (ScanNumber(s, p, 2, &minute) <= 0)
            return false;
        if (separator(time_.sep2, time_.sep1)) {
            if (ScanNumber(s, p, 2, &second) <= 0)
                return false;
            if (p < s.size() && (s[p] == QLatin1Char('.') || s[p] == QLatin1Char(','))) {
                ++p;
                const int digits = ScanNumber(s, p, 3, &msec);
                if (digits <= 0)
                    return false;
                for (int i = digits; i < 3; ++i)
                    msec *= 10;
            }
        }
    }
    for (;;) {
        qsizetype q = p;
        SkipBlanks(s, q);
        if (!designator && (designator = MatchDesignator(s, q)) != 0) {
            p = q;
            continue;
        }
        if (MatchAny(s, q, time_.trail)) {
            p = q;
            continue;
        }
        break;
    }
    if (designator) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (designator == 2 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    *msOfDay = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
    pos = p;
    return true;
}

bool Formats::ParseDateTime(const QString &text, double *dayNumber) const
{
    const QStringView s(text);
    qsizetype pos = 0;
    qint64 days = 0;
    if (ScanDate(s, pos, &days)) {
        const qsizetype afterDate = pos;
        SkipBlanks(s, pos);
        if (pos == s.size()) {
            *dayNumber = Compose(days, 0);
            return true;
        }
        int ms = 0;
        if (pos > afterDate && ScanTime(s, pos, &ms)) {
            SkipBlanks(s, pos);
            if (pos == s.size()) {
                *dayNumber = Compose(days, ms);
                return true;
            }
        }
    }
    // A time alone is a time on day 0.
    pos = 0;
    int ms = 0;
    if (!ScanTime(s, pos, &ms))
        return false;
    SkipBlanks(s, pos);
    if (pos != s.size())
        return false;
    *dayNumber = Compose(0, ms);
    return true;
}

bool Formats::ParseDate(const QString &text, double *dayNumber) const
{
    const QStringView s(text);
    qsizetype pos = 0;
    qint64 days = 0;
    if (!ScanDate(s, pos, &days))
        return false;
    SkipBlanks(s, pos);
    if (pos != s.size())
        return false;
    *dayNumber = Compose(days, 0);
    return true;
}

bool Formats::ParseDayNumber(const QString &text, double *dayNumber) const
{
    // Copied into a plain "[-]digits[.digits][e[-]digits]" buffer for
    // std::from_chars, which is exact and ignores the C locale.
    char buf[128];
    int n = 0;
    auto put = [&buf, &n](char c) {
        if (n >= int(sizeof buf))
            return false;
        buf[n++] = c;
        return true;
    };
    const QStringView s(text);
    qsizetype p = 0;
    SkipBlanks(s, p);
    if (p < s.size() && (s[p] == QLatin1Char('+') || s[p] == QLatin1Char('-'))) {
        if (s[p] == QLatin1Char('-') && !put('-'))
            return false;
        ++p;
    }
    int digits = 0;
    while (p < s.size() && IsDigit(s[p])) {
        if (!put(char(s[p].unicode())))
            return false;
        ++p;
        ++digits;
    }
    if (p < s.size() && s[p] == decimalSep_) {
        ++p;
        if (!put('.'))
            return false;
        while (p < s.size() && IsDigit(s[p])) {
            if (!put(char(s[p].unicode())))
                return false;
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (p < s.size() && (s[p] == QLatin1Char('e') || s[p] == QLatin1Char('E'))) {
        ++p;
        if (!put('e'))
            return false;
        if (p < s.size() && (s[p] == QLatin1Char('+') || s[p] == QLatin1Char('-'))) {
            if (s[p] == QLatin1Char('-') && !put('-'))
                return false;
            ++p;
        }
        int expDigits = 0;
        while (p < s.size() && IsDigit(s[p])) {
            if (!put(char(s[p].unicode())))
                return false;
            ++p;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    SkipBlanks(s, p);
    if (p != s.size())
        return false;
    double v = 0;
    const auto res = std::from_chars(buf, buf + n, v);
    if (res.ec != std::errc() || res.ptr != buf + n)
        return false;
    // A number that rounds (to the millisecond) into the year 10000 could
    // be read but never written again: it counts as outside the range.
    qint64 days;
    int ms;
    if (!SplitParts(v, &days, &ms))
        return false;
    *dayNumber = v;
    return true;
}

bool Formats::ParseDayNumberUtf8(QByteArrayView utf8, double *dayNumber) const
{
    // The form the writer makes, "[-]digits[<separator>digits]", with at most
    // fifteen digits: the digits then make a whole number below 2^53 and
    // the divisor a power of ten below 10^22, both exact as doubles, so one
    // division rounds as correctly as std::from_chars. Anything else takes
    // the general way.
    static constexpr double PowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (decimalSep_.unicode() >= 0x80)
        return ParseDayNumber(DecodeUtf8Piece(utf8), dayNumber);
    const char separator = char(decimalSep_.unicode());
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    // More than nineteen digits overflow `digits`, but they take the general
    // way below before it is used.
    quint64 digits = 0;
    const char *const whole = p;
    for (; p != end && quint8(*p - '0') < 10; ++p)
        digits = digits * 10 + quint8(*p - '0');
    const qsizetype wholeDigits = p - whole;
    qsizetype fraction = 0;
    if (p != end && *p == separator && wholeDigits > 0) {
        const char *const first = ++p;
        for (; p != end && quint8(*p - '0') < 10; ++p)
            digits = digits * 10 + quint8(*p - '0');
        fraction = p - first;
        if (fraction == 0)
            p = first - 1;  // "5," takes the general way
    }
    if (p != end || wholeDigits == 0 || wholeDigits + fraction > 15)
        return ParseDayNumber(DecodeUtf8Piece(utf8), dayNumber);
    double v = double(digits) / PowersOfTen[fraction];
    if (negative)
        v = -v;
    if (!IsShowableDay(v))
        return false;
    *dayNumber = v;
    return true;
}

bool CheckDateTime(const Formats &formats, const QString &text)
{
    double unused;
    return formats.ParseDateTime(text, &unused);
}

}  // namespace kelpo
