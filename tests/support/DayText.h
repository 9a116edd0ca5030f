#pragma once
// Item dates written as people read them ("dd/MM/yyyy HH:mm" unless formats
// are given), for tests that put items in place or check their dates.
#include <QtTest>

#include <limits>

#include "Formats.h"

namespace kelpo {

inline Formats SlashDates()
{
    return Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
}

// The day number of a date, or of a date and time; NaN (with a warning) for
// a text that does not read as one.
inline double Day(const QString &text, const Formats &formats = SlashDates())
{
    double d = std::numeric_limits<double>::quiet_NaN();
    if (!formats.ParseDateTime(text, &d))
        qWarning("not a date: %s", qPrintable(text));
    return d;
}

// A day number as the editors show a completion and an end date.
inline QString DateTimeText(double day, const Formats &formats = SlashDates())
{
    return formats.FormatDateTime(day);
}
inline QString DateText(double day, const Formats &formats = SlashDates())
{
    return formats.FormatDate(day);
}

}  // namespace kelpo
