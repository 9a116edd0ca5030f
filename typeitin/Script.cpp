#include "Script.h"

#include "Keyboard.h"

namespace kelpo {

QString UpperAZ(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - (u'a' - u'A')));
    }
    return out;
}

int KeyNameCode(const QString &upperName)
{
    static const struct {
        const char *name;
        int code;
    } keys[] = {{"ENTER", vk::Return}, {"TAB", vk::Tab},   {"UP", vk::Up},
                {"DOWN", vk::Down},    {"LEFT", vk::Left}, {"RIGHT", vk::Right}};
    for (const auto &k : keys)
        if (upperName == QLatin1String(k.name))
            return k.code;
    return 0;
}

namespace {

// The code point at `i` and how many UTF-16 units it takes.
char32_t CodePointAt(const QString &text, qsizetype i, qsizetype *units)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

}  // namespace

QVector<char32_t> CodePoints(const QString &text)
{
    QVector<char32_t> out;
    out.reserve(text.size());
    qsizetype units = 1;
    for (qsizetype i = 0; i < text.size(); i += units)
        out.append(CodePointAt(text, i, &units));
    return out;
}

QVector<ScriptElement> ParseScript(const QString &script)
{
    QVector<ScriptElement> out;
    // The first "}" at or after the current position; found once and reused
    // until passed, so a script full of lone "{" stays linear.
    qsizetype close = script.indexOf(QLatin1Char('}'));
    qsizetype p = 0;
    while (p < script.size()) {
        if (script.at(p) == QLatin1Char('{')) {
            if (close >= 0 && close < p)
                close = script.indexOf(QLatin1Char('}'), p);
            if (close >= 0) {
                const QString upper = UpperAZ(script.mid(p + 1, close - p - 1));
                ScriptElement e;
                if (const int code = KeyNameCode(upper)) {
                    e.Type = ScriptElement::Kind::Key;
                    e.VirtualKey = code;
                } else {
                    e.Type = ScriptElement::Kind::Group;
                    e.Name = QLatin1Char('{') + upper + QLatin1Char('}');
                }
                out.append(e);
                p = close + 1;
                continue;
            }
        }
        qsizetype units = 1;
        ScriptElement e;
        e.Character = CodePointAt(script, p, &units);
        out.append(e);
        p += units;
    }
    return out;
}

}  // namespace kelpo
