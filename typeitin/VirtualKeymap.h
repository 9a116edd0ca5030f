#pragma once
// The keymap of a keyboard that makes its own keys: a few fixed keys (the
// modifiers, Tab, Return and the arrows) and one key for each character a
// run types, so every character arrives exactly, whatever the user's own
// layout. Keycodes are XKB's (evdev code + 8) and stay within 8..255, which
// every client handles; a run with more distinct characters than fit uses
// one keymap after another.
#include <QByteArray>
#include <QHash>
#include <QVector>

namespace kelpo {

class VirtualKeymap {
public:
    static constexpr int MinKeycode = 8;
    static constexpr int MaxKeycode = 255;
    static constexpr int FixedKeys = 9;  // Shift, Control, Alt, Tab, Return, four arrows
    static constexpr int FirstCharacterKeycode = MinKeycode + 1 + FixedKeys;
    static constexpr int Capacity = MaxKeycode - FirstCharacterKeycode + 1;

    // The keysym that types `ch`: Tab and Return for tab, line feed and
    // carriage return; the code point itself for the other printable
    // Latin-1 characters; the Unicode keysym (0x1000000 + code point) for
    // everything else, never a legacy keysym that clients might read as a
    // different character. 0 for characters no key types (other controls,
    // surrogates, anything past U+10FFFF).
    static quint32 KeysymOf(char32_t ch);
    // The fixed key of a virtual key (vk::Shift, vk::Tab, ...); 0 if none.
    static int KeycodeOfKey(int virtualKey);

    // The characters of the keymap to use from position `from` of a run's
    // characters on: `first` (the one to type now), then the characters that
    // follow in their order, each once, as many as fit. Characters with a
    // fixed key or none take no place.
    static QVector<char32_t> Upcoming(const QVector<char32_t> &sequence, int from, char32_t first);

    // A keymap with the fixed keys and one key for each of `characters`
    // (at most Capacity of them, none with a fixed key).
    explicit VirtualKeymap(const QVector<char32_t> &characters = {});
    // The keycode that types `ch`, fixed keys included; 0 if the keymap has none.
    int KeycodeOf(char32_t ch) const;
    // The keymap in XKB's text format, as xkbcommon writes it out after
    // compiling it (no includes left); empty if it does not compile.
    QByteArray Text() const;

private:
    QHash<char32_t, int> Keycodes;
};

}  // namespace kelpo
