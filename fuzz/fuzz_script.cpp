// The script walker: an item's keystroke script (the input up to its first
// NUL byte) played into the recording keyboard, with the variables file
// (the rest of the input) supplying "{name}" values.
#include "FuzzSupport.h"
#include "Player.h"
#include "RecordingKeyboard.h"
#include "Script.h"
#include "TextCodec.h"
#include "VarStore.h"

#include <QSet>

using namespace kelpo;

namespace {

QString KeyName(int code)
{
    for (const char *name : {"ENTER", "TAB", "UP", "DOWN", "LEFT", "RIGHT"})
        if (KeyNameCode(QLatin1String(name)) == code)
            return QLatin1String(name);
    return QString();
}

// The script as its elements spell it, brace groups upper-cased.
QString Rebuilt(const QVector<ScriptElement> &elements)
{
    QString out;
    for (const ScriptElement &e : elements) {
        switch (e.Type) {
        case ScriptElement::Kind::Character: {
            // Not QString::fromUcs4: it would take U+FEFF for a byte order mark.
            const char32_t c = e.Character;
            if (QChar::requiresSurrogates(c)) {
                out += QChar(QChar::highSurrogate(c));
                out += QChar(QChar::lowSurrogate(c));
            } else {
                out += QChar(char16_t(c));
            }
            break;
        }
        case ScriptElement::Kind::Key:
            FUZZ_CHECK(!KeyName(e.VirtualKey).isEmpty());
            out += QLatin1Char('{') + KeyName(e.VirtualKey) + QLatin1Char('}');
            break;
        case ScriptElement::Kind::Group:
            FUZZ_CHECK(e.Name.startsWith(QLatin1Char('{')) && e.Name.endsWith(QLatin1Char('}')));
            out += e.Name;
            break;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const qsizetype nul = bytes.indexOf('\0');
    const QString script = DecodeText(nul < 0 ? bytes : bytes.left(nul));
    VarStore vars;
    vars.SetDefaults();
    if (nul >= 0)
        vars.LoadText(DecodeText(bytes.mid(nul + 1)));

    QVector<ScriptElement> elements;
    fuzz::WithinHeapBound(size, [&] { elements = ParseScript(script); });
    FUZZ_CHECK(elements.size() <= script.size());
    // Lone surrogates stay characters of their own; only pairs are joined.
    FUZZ_CHECK_EQ(UpperAZ(Rebuilt(elements)), UpperAZ(script));

    RecordingKeyboard keyboard;
    Player player(keyboard);
    player.InVars = [&](const QString &name) { return vars.IndexOfName(name) >= 0; };
    player.VariableValue = [&](const QString &name) { return vars.Value(name); };
    player.SlowDown = [] { return true; };
    player.SlowDownWait = [] {};
    bool nested = true;
    // A Type pressed while the script's events are handled types nothing.
    player.ProcessEvents = [&] { nested = nested && !player.Play(QStringLiteral("x"), 7); };

    qsizetype typed = CodePoints(script).size();
    for (const ScriptElement &e : elements)
        if (e.Type == ScriptElement::Kind::Group && vars.IndexOfName(e.Name) >= 0)
            typed += CodePoints(vars.Value(e.Name)).size();

    fuzz::WithinHeapBound(size, [&] { FUZZ_CHECK(player.Play(script, 5)); }, 1024);
    FUZZ_CHECK(nested);
    FUZZ_CHECK(!player.Playing());

    // One front, one end; every key goes down once and comes up again, and
    // a character takes at most its key and three shift keys, down and up.
    const QStringList &log = keyboard.Log;
    FUZZ_CHECK(log.size() >= 2);
    FUZZ_CHECK_EQ(log.first(), QStringLiteral("front5"));
    FUZZ_CHECK_EQ(log.last(), QStringLiteral("end"));
    FUZZ_CHECK(log.size() <= 2 + 8 * typed);
    QSet<int> held;
    for (qsizetype i = 1; i + 1 < log.size(); ++i) {
        const QString &event = log.at(i);
        if (event.startsWith(QLatin1String("unmapped"))) {
            FUZZ_CHECK(held.isEmpty());
            continue;
        }
        const int key = event.mid(1).toInt();
        if (event.startsWith(QLatin1Char('+'))) {
            FUZZ_CHECK(!held.contains(key));
            held.insert(key);
        } else {
            FUZZ_CHECK(event.startsWith(QLatin1Char('-')) && held.contains(key));
            held.remove(key);
        }
    }
    FUZZ_CHECK(held.isEmpty());
    return 0;
}
