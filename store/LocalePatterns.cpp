// Formats set up from a locale or from explicit patterns: the patterns are
// normalised and compiled into the tokens the formatter and parser work on.
#include "Formats.h"

#include <algorithm>

namespace kelpo {

using formats_detail::IsBlank;
using formats_detail::Layout;
using formats_detail::Token;

namespace {

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

}  // namespace

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

}  // namespace kelpo
