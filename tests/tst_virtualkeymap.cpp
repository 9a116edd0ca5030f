// The keymaps a virtual keyboard uploads, read back with xkbcommon as the
// receiving window reads them: every character on its own key with exactly
// its keysym (Unicode keysyms where a legacy one would be read as another
// character), the fixed keys and modifiers, and which characters the next
// keymap holds when a run has more than one keymap can.
#include <QtTest>

#include "Keyboard.h"
#include "VirtualKeymap.h"

#include <xkbcommon/xkbcommon.h>

using namespace kelpo;

namespace {

QVector<char32_t> Chars(const QString &text)
{
    QVector<char32_t> out;
    for (const uint cp : text.toUcs4())
        out.append(char32_t(cp));
    return out;
}

// A compiled keymap with a state, as a client keeps them.
struct ReadBack {
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap *keymap = nullptr;
    xkb_state *state = nullptr;

    explicit ReadBack(const QByteArray &text)
    {
        keymap = xkb_keymap_new_from_string(context, text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                            XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (keymap)
            state = xkb_state_new(keymap);
    }
    ~ReadBack()
    {
        xkb_state_unref(state);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }
    ReadBack(const ReadBack &) = delete;
    ReadBack &operator=(const ReadBack &) = delete;

    char32_t Typed(int keycode) const { return xkb_state_key_get_utf32(state, xkb_keycode_t(keycode)); }
    xkb_keysym_t Sym(int keycode) const { return xkb_state_key_get_one_sym(state, xkb_keycode_t(keycode)); }
};

}  // namespace

class TstVirtualKeymap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void charactersTypeExactly();
    void fixedKeysAndModifiers();
    void keysyms_data();
    void keysyms();
    void upcoming_data();
    void upcoming();
};

void TstVirtualKeymap::charactersTypeExactly()
{
    // An upper-case first letter, Latin-1, beyond Latin-1 (✗ has a legacy
    // keysym that Xlib programs read as ☒), CJK, outside the basic plane.
    const QVector<char32_t> chars = Chars(QString::fromUtf8("Zoë Straße-Müller ß€ Ł✓✗ 漢字 😀"));
    const VirtualKeymap map(chars);
    const ReadBack client(map.Text());
    QVERIFY(client.keymap);
    QSet<int> keys;
    for (const char32_t ch : chars) {
        const int keycode = map.KeycodeOf(ch);
        QVERIFY2(keycode >= VirtualKeymap::FirstCharacterKeycode, qPrintable(QString::number(uint(ch), 16)));
        QCOMPARE(uint(client.Typed(keycode)), uint(ch));
        keys.insert(keycode);
    }
    QCOMPARE(keys.size(), QSet<char32_t>(chars.begin(), chars.end()).size());
    QCOMPARE(client.Sym(map.KeycodeOf(U'✗')), xkb_keysym_t(0x1002717));
    QCOMPARE(map.KeycodeOf(U'q'), 0);

    // A full keymap: every place taken, the next character left out.
    QVector<char32_t> many;
    for (int i = 0; i <= VirtualKeymap::Capacity; ++i)
        many.append(char32_t(0x4e00 + i));
    const VirtualKeymap full(many);
    const ReadBack fullClient(full.Text());
    QVERIFY(fullClient.keymap);
    QCOMPARE(full.KeycodeOf(many.at(VirtualKeymap::Capacity - 1)), VirtualKeymap::MaxKeycode);
    QCOMPARE(uint(fullClient.Typed(VirtualKeymap::MaxKeycode)), uint(many.at(VirtualKeymap::Capacity - 1)));
    QCOMPARE(full.KeycodeOf(many.last()), 0);
}

// Tab, Return and the arrows are keys of every keymap; Shift, Control and
// Alt are the modifiers the masks sent with the keys name.
void TstVirtualKeymap::fixedKeysAndModifiers()
{
    const VirtualKeymap map;
    const ReadBack client(map.Text());
    QVERIFY(client.keymap);
    const struct {
        int virtualKey;
        xkb_keysym_t sym;
    } keys[] = {{vk::Tab, XKB_KEY_Tab},   {vk::Return, XKB_KEY_Return}, {vk::Left, XKB_KEY_Left},
                {vk::Up, XKB_KEY_Up},     {vk::Right, XKB_KEY_Right},   {vk::Down, XKB_KEY_Down},
                {vk::Shift, XKB_KEY_Shift_L}, {vk::Control, XKB_KEY_Control_L}, {vk::Alt, XKB_KEY_Alt_L}};
    for (const auto &k : keys)
        QCOMPARE(client.Sym(VirtualKeymap::KeycodeOfKey(k.virtualKey)), k.sym);
    QCOMPARE(VirtualKeymap::KeycodeOfKey('A'), 0);
    QCOMPARE(map.KeycodeOf(U'\t'), VirtualKeymap::KeycodeOfKey(vk::Tab));
    QCOMPARE(map.KeycodeOf(U'\n'), VirtualKeymap::KeycodeOfKey(vk::Return));
    QCOMPARE(map.KeycodeOf(U'\r'), VirtualKeymap::KeycodeOfKey(vk::Return));

    // The masks the keyboard sends: Shift 1, Control 4, Mod1 (Alt) 8.
    QCOMPARE(xkb_keymap_mod_get_index(client.keymap, XKB_MOD_NAME_SHIFT), 0u);
    QCOMPARE(xkb_keymap_mod_get_index(client.keymap, XKB_MOD_NAME_CTRL), 2u);
    QCOMPARE(xkb_keymap_mod_get_index(client.keymap, XKB_MOD_NAME_ALT), 3u);
    // Pressing the Shift key sets Shift as a real keyboard's would.
    xkb_state_update_key(client.state, xkb_keycode_t(VirtualKeymap::KeycodeOfKey(vk::Shift)), XKB_KEY_DOWN);
    QVERIFY(xkb_state_mod_name_is_active(client.state, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0);
}

void TstVirtualKeymap::keysyms_data()
{
    QTest::addColumn<uint>("ch");
    QTest::addColumn<uint>("keysym");

    QTest::newRow("letter") << uint('a') << uint('a');
    QTest::newRow("upper case") << uint('Z') << uint('Z');
    QTest::newRow("Latin-1") << uint(0xdf) << uint(0xdf);
    QTest::newRow("no-break space") << uint(0xa0) << uint(0xa0);
    QTest::newRow("euro: Unicode keysym") << uint(0x20ac) << uint(0x10020ac);
    QTest::newRow("ballot X: Unicode keysym") << uint(0x2717) << uint(0x1002717);
    QTest::newRow("outside the basic plane") << uint(0x1f600) << uint(0x101f600);
    QTest::newRow("tab") << uint('\t') << uint(XKB_KEY_Tab);
    QTest::newRow("line feed") << uint('\n') << uint(XKB_KEY_Return);
    QTest::newRow("other control") << uint(0x07) << 0u;
    QTest::newRow("delete") << uint(0x7f) << 0u;
    QTest::newRow("C1 control") << uint(0x85) << 0u;
    QTest::newRow("lone surrogate") << uint(0xd800) << 0u;
    QTest::newRow("past Unicode") << uint(0x110000) << 0u;
}

void TstVirtualKeymap::keysyms()
{
    QFETCH(uint, ch);
    QFETCH(uint, keysym);
    QCOMPARE(uint(VirtualKeymap::KeysymOf(char32_t(ch))), keysym);
    if (keysym != 0 && ch >= 0x20)
        QCOMPARE(uint(xkb_keysym_to_utf32(keysym)), ch);
}

void TstVirtualKeymap::upcoming_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<int>("from");
    QTest::addColumn<uint>("first");
    QTest::addColumn<QString>("chars");

    QTest::newRow("whole run, each once, in order") << "abcab" << 0 << uint('a') << "abc";
    QTest::newRow("from the middle") << "abcdb" << 2 << uint('c') << "cdb";
    QTest::newRow("tab, line breaks and controls take no key") << "a\tb\nc\x07" << 0 << uint('a') << "abc";
    QTest::newRow("a character the run did not announce") << "ab" << 0 << uint('x') << "xab";
}

void TstVirtualKeymap::upcoming()
{
    QFETCH(QString, sequence);
    QFETCH(int, from);
    QFETCH(uint, first);
    QFETCH(QString, chars);
    QCOMPARE(VirtualKeymap::Upcoming(Chars(sequence), from, char32_t(first)), Chars(chars));
}

QTEST_GUILESS_MAIN(TstVirtualKeymap)
#include "tst_virtualkeymap.moc"
