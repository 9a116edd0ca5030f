#pragma once
// The keystroke script of an item, read left to right into elements: single
// characters, named keys in braces ("{tab}", "{enter}", the arrows) and other
// brace groups, which name variables such as "{email}".
#include <QString>
#include <QVector>

namespace kelpo {

struct ScriptElement {
    enum class Kind {
        Character,  // type `Character`
        Key,        // press `VirtualKey`
        Group,      // a brace group that is not a key: `Name` is "{" + upper-case name + "}"
    };
    Kind Type = Kind::Character;
    char32_t Character = 0;
    int VirtualKey = 0;
    QString Name;

    bool operator==(const ScriptElement &o) const
    {
        return Type == o.Type && Character == o.Character && VirtualKey == o.VirtualKey && Name == o.Name;
    }
};

// Upper-cases the letters a to z only; every other character stays as it is.
QString UpperAZ(const QString &text);

// The virtual-key code of a key name already upper-cased by UpperAZ ("ENTER",
// "TAB", "UP", "DOWN", "LEFT", "RIGHT"); 0 for any other name.
int KeyNameCode(const QString &upperName);

// Splits a script into its elements. A "{" starts a group ending at the first
// "}" after it (the name may be empty and may contain "{"); a "{" with no "}"
// anywhere after it and a "}" that closes nothing are ordinary characters.
// A character outside the basic plane (a surrogate pair) is one element.
QVector<ScriptElement> ParseScript(const QString &script);

// The code points of a text, a surrogate pair counted as one.
QVector<char32_t> CodePoints(const QString &text);

}  // namespace kelpo
