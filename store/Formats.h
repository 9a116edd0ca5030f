#pragma once
// The program's own date, time and number formats, fixed for the whole run.
//
// Items and files hold their dates as day numbers: days since 30 December
// 1899 00:00 on the local wall-clock scale, the fraction being the time of
// day. The editors show them in the short date format and, for a completion,
// the short date, one blank and the short time.
//
// A Formats object is made once at start from the system locale (or set
// explicitly by tests) and handed to every reader, writer and editor. The
// decimal separator is the only part that changes during a run: the data file
// readers may switch it between "." and ",".

#include "DayNumber.h"

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace kelpo {

namespace formats_detail {

// Blank for the parser: any kind of white space, and the invisible format
// characters (bidi marks) that some locales put around separators.
inline bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u == u' ' || (u >= 9 && u <= 13);
    return c.isSpace() || c.category() == QChar::Other_Format;
}

// Internals of Formats: one element of a compiled date or time pattern.
struct Token {
    enum Kind : unsigned char {
        Literal,
        Day, Month, Year2, Year4,
        Hour24, Hour12, Minute, Second, Msec3, MsecTrim,
        AmPmUpper, AmPmLower, AmPmAsIs
    };
    Kind kind = Literal;
    unsigned char width = 1;  // digits for Day/Month/Hour/Minute/Second (1: no padding)
    QString text;             // for Literal
};
// What the parser needs to know of a pattern besides its field order.
struct Layout {
    std::vector<Token> tokens;   // for formatting
    QStringList lead;            // literals before the first field (folded)
    QStringList trail;           // literals after the last field (folded)
    QString sep1, sep2;          // literals between fields 1-2 and 2-3 (folded)
};

}  // namespace formats_detail

class Formats {
public:
    enum class DateOrder { DMY, MDY, YMD };

    // ISO-like defaults ("yyyy-MM-dd", "HH:mm", "."), year 2000.
    Formats();

    // From a locale: its short date and short time formats, AM/PM texts and
    // decimal separator. Month names become numeric months ("dd-MMM-yy"
    // becomes "dd-MM-yy"), weekday names and bidi marks are dropped, and a
    // date whose fields are separated only by blanks gets "-" between them,
    // so that dates never carry names and a blank always ends the date.
    // A decimal separator other than "." or "," becomes ".".
    static Formats FromLocale(const QLocale &locale, int currentYear);

    // Explicit formats for tests. `shortDate` and `shortTime` are Qt date/time
    // format patterns ("dd.MM.yyyy", "h:mm AP", ...), normalised as above.
    // `amText`/`pmText` are the designators read and written by "AP"/"ap".
    static Formats Make(const QString &shortDate, const QString &shortTime, QChar decimalSeparator,
                        int currentYear, const QString &amText = QStringLiteral("AM"),
                        const QString &pmText = QStringLiteral("PM"));

    // The normalised patterns actually used for writing.
    QString ShortDatePattern() const { return shortDate_; }
    QString ShortTimePattern() const { return shortTime_; }
    DateOrder Order() const { return order_; }
    QChar DateSeparator() const { return dateSep_; }

    // The program's decimal separator, "." or "," (starts as the locale's).
    QChar DecimalSeparator() const { return decimalSep_; }
    void SetDecimalSeparator(QChar c) { decimalSep_ = c; }
    // "." becomes ","; anything else becomes ".".
    void SwitchDecimalSeparator();

    // Two-digit years: placed in the 100-year span starting 50 years before
    // the current year (for 2026: 76 -> 1976, 75 -> 2075).
    int ExpandYear(int twoDigitYear) const;

    // Formatting. A day number outside the supported range gives "".
    QString FormatDate(double dayNumber) const;      // short date
    QString FormatTime(double dayNumber) const;      // short time
    QString FormatDateTime(double dayNumber) const;  // short date + " " + short time
    QString FormatDate(const QDate &d) const;
    // "##.###": three decimals at most, trailing zeros dropped, no separator
    // for a whole number, the program's decimal separator otherwise. A value
    // below one keeps its leading zero ("0.5"; zero is "0").
    QString FormatDayNumber(double dayNumber) const;
    // The same in Latin-1 bytes at `out` (room for DayNumberChars); returns
    // how many were written (0 where FormatDayNumber gives "").
    static constexpr int DayNumberChars = 24;
    qsizetype WriteDayNumber(double dayNumber, char *out) const;

    // Parsing. Lenient: accepts everything the Format* functions write and the
    // same fields with any of the usual separators, but rejects text that the
    // formats cannot read (wrong field count, impossible dates, junk).
    // A date alone, a date and a time, or a time alone (day 0) are date-times.
    bool ParseDateTime(const QString &text, double *dayNumber) const;
    // A plain date (no time part).
    bool ParseDate(const QString &text, double *dayNumber) const;
    // A day number written with the program's current decimal separator:
    // optional blanks, sign, digits, separator, digits, exponent, blanks.
    // Fails on anything else and on numbers outside the supported range.
    bool ParseDayNumber(const QString &text, double *dayNumber) const;
    // The same for a value in UTF-8 bytes, as a file holds it; the forms the
    // program writes are read without making a text first.
    bool ParseDayNumberUtf8(QByteArrayView utf8, double *dayNumber) const;

private:
    struct Split;
    bool SplitDayNumber(double dayNumber, Split *out) const;
    void AppendDate(QString &out, const Split &s) const;
    void AppendTime(QString &out, const Split &s) const;
    QString FormatParts(double dayNumber, bool withDate, bool withTime) const;
    bool ScanDate(QStringView s, qsizetype &pos, qint64 *days) const;
    bool ScanTime(QStringView s, qsizetype &pos, int *msOfDay) const;
    int MatchDesignator(QStringView s, qsizetype &pos) const;  // 0 none, 1 AM, 2 PM
    void SetDatePattern(const QString &pattern);
    void SetTimePattern(const QString &pattern);
    void SetDesignators(const QString &amText, const QString &pmText);

    QString shortDate_;
    QString shortTime_;
    DateOrder order_ = DateOrder::YMD;
    QChar dateSep_ = QLatin1Char('-');
    QChar decimalSep_ = QLatin1Char('.');
    int currentYear_ = 2000;
    QString am_ = QStringLiteral("AM");
    QString pm_ = QStringLiteral("PM");
    bool twelveHour_ = false;

    formats_detail::Layout date_;
    formats_detail::Layout time_;
    // Designators the parser accepts, folded, longest first; value 1 AM, 2 PM.
    std::vector<std::pair<QString, int>> designators_;
    QString amUpper_, amLower_, pmUpper_, pmLower_;
};

// True when the text parses as a date-time (date, date and time, or time
// alone); false otherwise, the empty text included. Never fails otherwise.
bool CheckDateTime(const Formats &formats, const QString &text);

}  // namespace kelpo
