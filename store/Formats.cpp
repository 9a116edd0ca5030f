#include "Formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace kelpo {

using formats_detail::Layout;
using formats_detail::Token;

namespace {

constexpr qint64 MsPerDay = 86400000;
// Julian day of 30 December 1899, day number 0.
const qint64 EpochJulianDay = QDate(1899, 12, 30).toJulianDay();
// The years 1 to 9999, as day numbers (the last one exclusive).
constexpr double MinDayNumber = -693593.0;  // 1 January 0001
constexpr double EndDayNumber = 2958466.0;  // 1 January 10000

// Blank for the parser: any kind of white space, and the invisible format
// characters (bidi marks) that some locales put around separators.
inline bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u == u' ' || (u >= 9 && u <= 13);
    return c.isSpace() || c.category() == QChar::Other_Format;
}

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

// Folded form used for matching literals and designators: blank runs become
// one ' ', the ends are trimmed, letters are case-folded.
QString Fold(QStringView text)
{
    QString out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (QChar c : text) {
        if (IsBlank(c)) {
            pendingBlank = !out.isEmpty();
            continue;
        }
        if (pendingBlank)
            out += QLatin1Char(' ');
        pendingBlank = false;
        out += c;
    }
    return out.toCaseFolded();
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

// Literals as they appear in patterns: bidi and other format marks removed.
QString StripFormatChars(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.category() != QChar::Other_Format)
            out += c;
    return out;
}

QString TrimBlanks(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b).toString();
}

// A Qt date/time pattern split into letter runs and literal text.
struct RawPart {
    QChar letter;  // null for literal text
    int count = 0;
    QString text;
};

bool IsPatternLetter(QChar c)
{
    switch (c.unicode()) {
    case u'd': case u'M': case u'y': case u'h': case u'H': case u'm':
    case u's': case u'z': case u'a': case u'A': case u't': case u'B':
        return true;
    default:
        return false;
    }
}

std::vector<RawPart> SplitPattern(const QString &pattern)
{
    std::vector<RawPart> parts;
    auto addLiteral = [&parts](QChar c) {
        if (parts.empty() || !parts.back().letter.isNull())
            parts.push_back(RawPart{});
        parts.back().text += c;
    };
    const qsizetype n = pattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            // Quoted text; '' stands for one quote, inside quotes or out.
            if (i + 1 < n && pattern[i + 1] == QLatin1Char('\'')) {
                addLiteral(c);
                i += 2;
                continue;
            }
            ++i;
            while (i < n) {
                if (pattern[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && pattern[i + 1] == QLatin1Char('\'')) {
                        addLiteral(pattern[i]);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                addLiteral(pattern[i]);
                ++i;
            }
            continue;
        }
        if (!IsPatternLetter(c)) {
            addLiteral(c);
            ++i;
            continue;
        }
        if (c == QLatin1Char('a') || c == QLatin1Char('A')) {
            // "AP", "ap", "A" and "a" are the AM/PM designator.
            const bool pair = i + 1 < n && (pattern[i + 1] == QLatin1Char('p') || pattern[i + 1] == QLatin1Char('P'));
            parts.push_back(RawPart{c, 1, {}});
            i += pair ? 2 : 1;
            continue;
        }
        qsizetype j = i;
        while (j < n && pattern[j] == c)
            ++j;
        parts.push_back(RawPart{c, int(j - i), {}});
        i = j;
    }
    for (RawPart &p : parts)
        if (p.letter.isNull())
            p.text = StripFormatChars(p.text);
    return parts;
}

void AppendLiteral(std::vector<Token> &tokens, const QString &text)
{
    if (text.isEmpty())
        return;
    if (!tokens.empty() && tokens.back().kind == Token::Literal) {
        tokens.back().text += text;
        return;
    }
    Token t;
    t.text = text;
    tokens.push_back(t);
}

Token Field(Token::Kind kind, int width)
{
    Token t;
    t.kind = kind;
    t.width = static_cast<unsigned char>(width);
    return t;
}

// Removes the marked tokens (weekday names, time zones), each together with
// the literal that joins it to its neighbour, so no stray ", " is left.
void DropMarked(std::vector<Token> &tokens, const std::vector<bool> &marked)
{
    std::vector<bool> drop = marked;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!marked[i])
            continue;
        if (i > 0 && tokens[i - 1].kind == Token::Literal)
            drop[i - 1] = true;
        else if (i + 1 < tokens.size() && tokens[i + 1].kind == Token::Literal)
            drop[i + 1] = true;
    }
    std::vector<Token> kept;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (!drop[i]) {
            if (tokens[i].kind == Token::Literal)
                AppendLiteral(kept, tokens[i].text);
            else
                kept.push_back(tokens[i]);
        }
    tokens.swap(kept);
}

// Rebuilds a Qt pattern from tokens (for display and for tests).
QString PatternText(const std::vector<Token> &tokens)
{
    QString out;
    for (const Token &t : tokens) {
        switch (t.kind) {
        case Token::Literal: {
            bool needsQuotes = false;
            for (QChar c : t.text)
                if (c.isLetter() || c == QLatin1Char('\''))
                    needsQuotes = true;
            if (!needsQuotes) {
                out += t.text;
            } else {
                QString q = t.text;
                q.replace(QLatin1Char('\''), QLatin1String("''"));
                out += QLatin1Char('\'') + q + QLatin1Char('\'');
            }
            break;
        }
        case Token::Day: out += QString(t.width, QLatin1Char('d')); break;
        case Token::Month: out += QString(t.width, QLatin1Char('M')); break;
        case Token::Year2: out += QLatin1String("yy"); break;
        case Token::Year4: out += QLatin1String("yyyy"); break;
        case Token::Hour24: out += QString(t.width, QLatin1Char('H')); break;
        case Token::Hour12: out += QString(t.width, QLatin1Char('h')); break;
        case Token::Minute: out += QString(t.width, QLatin1Char('m')); break;
        case Token::Second: out += QString(t.width, QLatin1Char('s')); break;
        case Token::Msec3: out += QLatin1String("zzz"); break;
        case Token::MsecTrim: out += QLatin1Char('z'); break;
        case Token::AmPmUpper: out += QLatin1String("AP"); break;
        case Token::AmPmLower: out += QLatin1String("ap"); break;
        case Token::AmPmAsIs: out += QLatin1Char('B'); break;
        }
    }
    return out;
}

// Literals before the first and after the last field, folded, for the parser.
void CollectEnds(Layout &layout, bool (*isMain)(const Token &))
{
    layout.lead.clear();
    layout.trail.clear();
    size_t first = layout.tokens.size(), last = 0;
    for (size_t i = 0; i < layout.tokens.size(); ++i)
        if (isMain(layout.tokens[i])) {
            first = std::min(first, i);
            last = i;
        }
    for (size_t i = 0; i < layout.tokens.size(); ++i) {
        const Token &t = layout.tokens[i];
        if (t.kind != Token::Literal || (i > first && i < last))
            continue;
        const QString f = Fold(t.text);
        if (!f.isEmpty())
            (i < first ? layout.lead : layout.trail).append(f);
    }
}

bool IsDateField(const Token &t)
{
    return t.kind == Token::Day || t.kind == Token::Month || t.kind == Token::Year2 || t.kind == Token::Year4;
}

bool IsTimeField(const Token &t)
{
    return t.kind == Token::Hour24 || t.kind == Token::Hour12 || t.kind == Token::Minute ||
           t.kind == Token::Second || t.kind == Token::Msec3 || t.kind == Token::MsecTrim;
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

// ---------------------------------------------------------------- day numbers

double ToDayNumber(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return std::numeric_limits<double>::quiet_NaN();
    const double days = double(date.toJulianDay() - EpochJulianDay);
    const double frac = time.isValid() ? time.msecsSinceStartOfDay() / double(MsPerDay) : 0.0;
    return days >= 0 ? days + frac : days - frac;
}

double ToDayNumber(const QDateTime &local)
{
    return ToDayNumber(local.date(), local.time());
}

struct Formats::Split {
    qint64 days = 0;
    int year = 0, month = 0, day = 0;
    int ms = 0;  // of the day
};

namespace {
// Whole days and milliseconds of a day number; false outside the years 1-9999.
bool SplitParts(double v, qint64 *days, int *ms)
{
    if (!std::isfinite(v) || v < MinDayNumber || v >= EndDayNumber)
        return false;
    const double whole = std::trunc(v);
    qint64 d = qint64(whole);
    qint64 m = std::llround(std::fabs(v - whole) * double(MsPerDay));
    if (m >= MsPerDay) {  // the fraction rounds up to a whole day
        m -= MsPerDay;
        ++d;
    }
    if (double(d) >= EndDayNumber)
        return false;
    *days = d;
    *ms = int(m);
    return true;
}
}  // namespace

QDateTime FromDayNumber(double dayNumber)
{
    qint64 days;
    int ms;
    if (!SplitParts(dayNumber, &days, &ms))
        return QDateTime();
    return QDateTime(QDate::fromJulianDay(EpochJulianDay + days), QTime::fromMSecsSinceStartOfDay(ms));
}

QDate DateOfDayNumber(double dayNumber)
{
    if (!std::isfinite(dayNumber) || dayNumber < MinDayNumber || dayNumber >= EndDayNumber)
        return QDate();
    return QDate::fromJulianDay(EpochJulianDay + qint64(std::trunc(dayNumber)));
}

bool Formats::SplitDayNumber(double dayNumber, Split *out) const
{
    if (!SplitParts(dayNumber, &out->days, &out->ms))
        return false;
    QDate::fromJulianDay(EpochJulianDay + out->days).getDate(&out->year, &out->month, &out->day);
    return true;
}

// ---------------------------------------------------------------- set-up

Formats::Formats()
{
    SetDatePattern(QStringLiteral("yyyy-MM-dd"));
    SetTimePattern(QStringLiteral("HH:mm"));
    SetDesignators(am_, pm_);
}

Formats Formats::FromLocale(const QLocale &locale, int currentYear)
{
    const QString point = locale.decimalPoint();
    const QChar sep = point == QLatin1String(",") ? QLatin1Char(',') : QLatin1Char('.');
    return Make(locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::ShortFormat), sep,
                currentYear, locale.amText(), locale.pmText());
}

Formats Formats::Make(const QString &shortDate, const QString &shortTime, QChar decimalSeparator,
                      int currentYear, const QString &amText, const QString &pmText)
{
    Formats f;
    f.decimalSep_ = decimalSeparator;
    f.currentYear_ = currentYear;
    f.SetDatePattern(shortDate);
    f.SetTimePattern(shortTime);
    f.SetDesignators(amText, pmText);
    return f;
}

void Formats::SetDatePattern(const QString &pattern)
{
    std::vector<Token> tokens;
    std::vector<bool> weekday;
    for (const RawPart &p : SplitPattern(pattern)) {
        if (p.letter.isNull()) {
            AppendLiteral(tokens, p.text);
            continue;
        }
        switch (p.letter.unicode()) {
        case u'd':
            if (p.count >= 3) {  // weekday name: dropped below
                tokens.push_back(Field(Token::Day, 0));
                continue;
            }
            tokens.push_back(Field(Token::Day, p.count));
            break;
        case u'M':
            // Month names become two-digit months.
            tokens.push_back(Field(Token::Month, p.count >= 3 ? 2 : p.count));
            break;
        case u'y':
            tokens.push_back(Field(p.count == 2 ? Token::Year2 : Token::Year4, p.count == 2 ? 2 : 4));
            break;
        default:  // time letters have no place in a date: kept as text
            AppendLiteral(tokens, QString(p.count, p.letter));
            break;
        }
    }
    weekday.resize(tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i)
        weekday[i] = tokens[i].kind == Token::Day && tokens[i].width == 0;
    DropMarked(tokens, weekday);

    // One day, one month and one year field in one of the three orders.
    std::vector<size_t> fields;
    QString order;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (IsDateField(tokens[i])) {
            fields.push_back(i);
            order += tokens[i].kind == Token::Day ? QLatin1Char('D')
                   : tokens[i].kind == Token::Month ? QLatin1Char('M') : QLatin1Char('Y');
        }
    if (order == QLatin1String("DMY"))
        order_ = DateOrder::DMY;
    else if (order == QLatin1String("MDY"))
        order_ = DateOrder::MDY;
    else if (order == QLatin1String("YMD"))
        order_ = DateOrder::YMD;
    else {
        SetDatePattern(QStringLiteral("yyyy-MM-dd"));
        return;
    }

    // The separator between the fields: a single character, the same in both
    // places, so that a blank always marks the end of the date. A gap that
    // is not that character (nothing, blanks only, or other text) gets it.
    auto gapText = [&tokens](size_t a, size_t b) {
        return b == a + 2 ? TrimBlanks(tokens[a + 1].text) : QString();
    };
    const QString gaps[2] = {gapText(fields[0], fields[1]), gapText(fields[1], fields[2])};
    dateSep_ = gaps[0].size() == 1 ? gaps[0][0] : gaps[1].size() == 1 ? gaps[1][0] : QLatin1Char('-');
    std::vector<Token> fixed(tokens.begin(), tokens.begin() + qsizetype(fields[0]) + 1);
    for (size_t k = 1; k < 3; ++k) {
        const bool keep = gaps[k - 1] == QString(dateSep_);
        AppendLiteral(fixed, keep ? tokens[fields[k] - 1].text : QString(dateSep_));
        fixed.push_back(tokens[fields[k]]);
    }
    for (size_t i = fields[2] + 1; i < tokens.size(); ++i)
        fixed.push_back(tokens[i]);
    date_.tokens = std::move(fixed);
    CollectEnds(date_, IsDateField);
    shortDate_ = PatternText(date_.tokens);
}

void Formats::SetTimePattern(const QString &pattern)
{
    std::vector<Token> tokens;
    std::vector<bool> zone;
    for (const RawPart &p : SplitPattern(pattern)) {
        if (p.letter.isNull()) {
            AppendLiteral(tokens, p.text);
            continue;
        }
        const int w = std::min(p.count, 2);
        switch (p.letter.unicode()) {
        case u'H': tokens.push_back(Field(Token::Hour24, w)); break;
        case u'h': tokens.push_back(Field(Token::Hour12, w)); break;
        case u'm': tokens.push_back(Field(Token::Minute, w)); break;
        case u's': tokens.push_back(Field(Token::Second, w)); break;
        case u'z': tokens.push_back(Field(p.count >= 3 ? Token::Msec3 : Token::MsecTrim, 3)); break;
        case u'A': tokens.push_back(Field(Token::AmPmUpper, 0)); break;
        case u'a': tokens.push_back(Field(Token::AmPmLower, 0)); break;
        case u'B': tokens.push_back(Field(Token::AmPmAsIs, 0)); break;  // day period: shown as AM/PM
        case u't': tokens.push_back(Field(Token::AmPmAsIs, 99)); break;  // time zone: dropped below
        default: AppendLiteral(tokens, QString(p.count, p.letter)); break;
        }
    }
    zone.resize(tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i)
        zone[i] = tokens[i].kind == Token::AmPmAsIs && tokens[i].width == 99;
    DropMarked(tokens, zone);

    twelveHour_ = false;
    for (const Token &t : tokens)
        if (t.kind == Token::AmPmUpper || t.kind == Token::AmPmLower || t.kind == Token::AmPmAsIs)
            twelveHour_ = true;
    // As in Qt, "h" is the 12-hour clock only next to an AM/PM designator.
    if (!twelveHour_)
        for (Token &t : tokens)
            if (t.kind == Token::Hour12)
                t.kind = Token::Hour24;

    // Hours, then minutes, then optional seconds and milliseconds.
    std::vector<size_t> fields;
    QString order;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (IsTimeField(tokens[i])) {
            fields.push_back(i);
            const Token::Kind k = tokens[i].kind;
            order += k == Token::Hour24 || k == Token::Hour12 ? QLatin1Char('h')
                   : k == Token::Minute ? QLatin1Char('m') : k == Token::Second ? QLatin1Char('s') : QLatin1Char('z');
        }
    if (order != QLatin1String("hm") && order != QLatin1String("hms") && order != QLatin1String("hmsz")) {
        SetTimePattern(QStringLiteral("HH:mm"));
        return;
    }
    // Fields need something between them to be read back: ":" (or "." before
    // the milliseconds) where the pattern has nothing or only blanks.
    std::vector<Token> fixed;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (IsTimeField(t) && !fixed.empty()) {
            const bool afterField = IsTimeField(fixed.back());
            const bool blankGap = fixed.back().kind == Token::Literal && TrimBlanks(fixed.back().text).isEmpty() &&
                                  fixed.size() > 1 && IsTimeField(fixed[fixed.size() - 2]);
            if (blankGap)
                fixed.pop_back();
            if (afterField || blankGap) {
                const bool msec = t.kind == Token::Msec3 || t.kind == Token::MsecTrim;
                AppendLiteral(fixed, msec ? QStringLiteral(".") : QStringLiteral(":"));
            }
        }
        if (t.kind == Token::Literal)
            AppendLiteral(fixed, t.text);
        else
            fixed.push_back(t);
    }
    time_.tokens = std::move(fixed);
    time_.sep1.clear();
    time_.sep2.clear();
    for (size_t i = 1; i + 1 < time_.tokens.size(); ++i) {
        if (time_.tokens[i].kind != Token::Literal)
            continue;
        const Token::Kind next = time_.tokens[i + 1].kind;
        if (next == Token::Minute)
            time_.sep1 = Fold(time_.tokens[i].text);
        else if (next == Token::Second)
            time_.sep2 = Fold(time_.tokens[i].text);
    }
    CollectEnds(time_, IsTimeField);
    shortTime_ = PatternText(time_.tokens);
}

void Formats::SetDesignators(const QString &amText, const QString &pmText)
{
    am_ = amText.isEmpty() ? QStringLiteral("AM") : amText;
    pm_ = pmText.isEmpty() ? QStringLiteral("PM") : pmText;
    amUpper_ = am_.toUpper();
    amLower_ = am_.toLower();
    pmUpper_ = pm_.toUpper();
    pmLower_ = pm_.toLower();
    designators_.clear();
    const std::pair<QString, int> all[] = {
        {Fold(am_), 1}, {Fold(pm_), 2}, {QStringLiteral("am"), 1}, {QStringLiteral("pm"), 2}};
    for (const auto &d : all) {
        if (d.first.isEmpty())
            continue;
        bool seen = false;
        for (const auto &e : designators_)
            seen = seen || e.first == d.first;
        if (!seen)
            designators_.push_back(d);
    }
    std::stable_sort(designators_.begin(), designators_.end(),
                     [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
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
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) >= 1e12)
        return QString();
    // Thousandths, rounded half away from zero, then split in integers.
    qint64 r = std::llround(dayNumber * 1000.0);
    // The last moments of the year 9999 would round into the year 10000,
    // which no reader takes: they are written as the last thousandth.
    constexpr qint64 EndThousandths = qint64(EndDayNumber) * 1000;
    if (dayNumber < EndDayNumber && r >= EndThousandths)
        r = EndThousandths - 1;
    QString out;
    out.reserve(16);
    if (r < 0) {
        out += QLatin1Char('-');
        r = -r;
    }
    out += QString::number(r / 1000);
    int frac = int(r % 1000);
    if (frac != 0) {
        int width = 3;
        while (frac % 10 == 0) {
            frac /= 10;
            --width;
        }
        out += decimalSep_;
        AppendNumber(out, frac, width);
    }
    return out;
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

namespace {
double Compose(qint64 days, int ms)
{
    const double frac = ms / double(MsPerDay);
    return days >= 0 ? double(days) + frac : double(days) - frac;
}
}  // namespace

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

bool CheckDateTime(const Formats &formats, const QString &text)
{
    double unused;
    return formats.ParseDateTime(text, &unused);
}

}  // namespace kelpo
