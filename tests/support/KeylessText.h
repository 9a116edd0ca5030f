#pragma once
// Characters that no key of the current layout types, for timing and
// checking the keys lent to them. The first ones are symbols whose legacy
// keysyms Xlib and xkbcommon read as different characters (Xlib reads the
// legacy keysym of "✗" as "☒"), then Greek and Cyrillic letters: 108 in all.
#include <QString>

#include "Keyboard.h"

namespace kelpo {

inline QString KeylessText(Keyboard &keyboard, int count)
{
    QString candidates = QString::fromUtf8("✗☎▶⟨⟩「」ㄱㄴ≡⌈─│▒◆☜☞▲▼");
    for (char32_t c = U'α'; c <= U'ω'; ++c)
        candidates += QChar(c);
    for (char32_t c = U'А'; c <= U'я'; ++c)
        candidates += QChar(c);
    QString text;
    for (const QChar c : std::as_const(candidates))
        if (text.size() < count && !keyboard.KeyScan(c.unicode()).Found)
            text += c;
    return text;
}

}  // namespace kelpo
