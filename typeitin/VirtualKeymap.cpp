#include "VirtualKeymap.h"

#include "Keyboard.h"

#include <QSet>
#include <memory>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

namespace kelpo {

namespace {

// The fixed keys, from keycode MinKeycode + 1 on, and the modifier each
// one sets (empty: none).
const struct {
    int VirtualKey;
    const char *Keysym;
    const char *Modifier;
} Fixed[VirtualKeymap::FixedKeys] = {
    {vk::Shift, "Shift_L", "Shift"}, {vk::Control, "Control_L", "Control"}, {vk::Alt, "Alt_L", "Mod1"},
    {vk::Tab, "Tab", nullptr},       {vk::Return, "Return", nullptr},      {vk::Left, "Left", nullptr},
    {vk::Up, "Up", nullptr},         {vk::Right, "Right", nullptr},        {vk::Down, "Down", nullptr},
};

QByteArray KeyName(int keycode)
{
    return "<K" + QByteArray::number(keycode) + '>';
}

template <typename T, void (*Free)(T *)>
struct Deleter {
    void operator()(T *p) const { Free(p); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap, xkb_keymap_unref>>;

}  // namespace

quint32 VirtualKeymap::KeysymOf(char32_t ch)
{
    if (ch == U'\t')
        return XKB_KEY_Tab;
    if (ch == U'\n' || ch == U'\r')
        return XKB_KEY_Return;
    if (ch < 0x20 || (ch >= 0x7f && ch < 0xa0) || (ch >= 0xd800 && ch < 0xe000) || ch > 0x10ffff)
        return 0;
    return ch < 0x100 ? quint32(ch) : 0x1000000 + quint32(ch);
}

int VirtualKeymap::KeycodeOfKey(int virtualKey)
{
    for (int i = 0; i < FixedKeys; ++i)
        if (Fixed[i].VirtualKey == virtualKey)
            return MinKeycode + 1 + i;
    return 0;
}

namespace {

bool HasFixedKey(char32_t ch)
{
    return ch == U'\t' || ch == U'\n' || ch == U'\r';
}

}  // namespace

QVector<char32_t> VirtualKeymap::Upcoming(const QVector<char32_t> &sequence, int from, char32_t first)
{
    QVector<char32_t> out;
    QSet<char32_t> taken;
    const auto take = [&](char32_t ch) {
        if (HasFixedKey(ch) || KeysymOf(ch) == 0 || taken.contains(ch))
            return;
        taken.insert(ch);
        out.append(ch);
    };
    take(first);
    for (int i = qMax(0, from); i < sequence.size() && out.size() < Capacity; ++i)
        take(sequence.at(i));
    return out;
}

VirtualKeymap::VirtualKeymap(const QVector<char32_t> &characters)
{
    int keycode = FirstCharacterKeycode;
    for (const char32_t ch : characters) {
        if (keycode > MaxKeycode)
            break;
        if (!HasFixedKey(ch) && KeysymOf(ch) != 0 && !Keycodes.contains(ch))
            Keycodes.insert(ch, keycode++);
    }
}

int VirtualKeymap::KeycodeOf(char32_t ch) const
{
    if (ch == U'\t')
        return KeycodeOfKey(vk::Tab);
    if (ch == U'\n' || ch == U'\r')
        return KeycodeOfKey(vk::Return);
    return Keycodes.value(ch);
}

QByteArray VirtualKeymap::Text() const
{
    QByteArray codes, symbols, modifiers;
    const auto addKey = [&](int keycode, const QByteArray &keysym) {
        codes += "  " + KeyName(keycode) + " = " + QByteArray::number(keycode) + ";\n";
        symbols += "  key " + KeyName(keycode) + " { [ " + keysym + " ] };\n";
    };
    for (int i = 0; i < FixedKeys; ++i) {
        addKey(MinKeycode + 1 + i, Fixed[i].Keysym);
        if (Fixed[i].Modifier)
            modifiers += "  modifier_map " + QByteArray(Fixed[i].Modifier) + " { " + KeyName(MinKeycode + 1 + i) + " };\n";
    }
    for (auto it = Keycodes.constBegin(); it != Keycodes.constEnd(); ++it) {
        char name[64];
        if (xkb_keysym_get_name(KeysymOf(it.key()), name, sizeof name) <= 0)
            return {};
        addKey(it.value(), name);
    }
    const QByteArray source = "xkb_keymap {\n"
                              "xkb_keycodes \"kelpo\" {\n  minimum = " + QByteArray::number(MinKeycode) +
                              ";\n  maximum = " + QByteArray::number(MaxKeycode) + ";\n" + codes +
                              "};\n"
                              "xkb_types \"kelpo\" {\n"
                              "  type \"ONE_LEVEL\" { modifiers = none; level_name[Level1] = \"Any\"; };\n"
                              "};\n"
                              "xkb_compatibility \"kelpo\" {\n"
                              "  interpret Any + AnyOf(all) { action = SetMods(modifiers = modMapMods, clearLocks); };\n"
                              "};\n"
                              "xkb_symbols \"kelpo\" {\n" + symbols + modifiers +
                              "};\n"
                              "};\n";
    // Complete in itself: no XKB data files needed here or in the compositor.
    const Context context(xkb_context_new(xkb_context_flags(XKB_CONTEXT_NO_ENVIRONMENT_NAMES | XKB_CONTEXT_NO_DEFAULT_INCLUDES)));
    if (!context)
        return {};
    const Keymap keymap(xkb_keymap_new_from_string(context.get(), source.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                   XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return {};
    char *text = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text)
        return {};
    const QByteArray out(text);
    free(text);
    return out;
}

}  // namespace kelpo
