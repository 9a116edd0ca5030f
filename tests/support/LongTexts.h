#pragma once
// Texts of a given length for the tests and benchmarks of long texts.
#include <QString>
#include <QStringView>

namespace kelpo {

// `unit` repeated up to exactly `size` characters: one line, and without
// blanks unless the unit has some.
inline QString Repeated(qsizetype size, QStringView unit)
{
    QString text;
    text.reserve(size);
    while (text.size() < size)
        text += unit;
    text.truncate(size);
    return text;
}

// Numbered lines of rules, each ended by `lineBreak`, up to at least `size`
// characters.
inline QString RuleLines(qsizetype size, QStringView lineBreak)
{
    QString text;
    text.reserve(size + 80);
    for (int i = 0; text.size() < size; ++i) {
        text += QStringLiteral("Rule %1: one entry per person and day, answers by e-mail only.").arg(i);
        text += lineBreak;
    }
    return text;
}

}  // namespace kelpo
